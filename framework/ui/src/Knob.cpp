#include "tonalith/ui/Knob.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {
// The pointer sweeps 270 degrees, from lower left (minimum) to lower right (maximum).
constexpr double kStartAngle = 225.0;
constexpr double kSweep = 270.0;

QColor Role(const QWidget& w, QPalette::ColorRole role) {
    return w.palette().color(w.isEnabled() ? QPalette::Active : QPalette::Disabled, role);
}
}  // namespace

CKnob::CKnob(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

CKnob::CKnob(const QString& caption, int minimum, int maximum, int defaultValue, QWidget* parent) : CKnob(parent) {
    SetCaption(caption);
    SetRange(minimum, maximum);
    SetDefault(defaultValue);
    Reset();
}

void CKnob::SetRange(int minimum, int maximum) {
    if (minimum > maximum) std::swap(minimum, maximum);
    m_minimum = minimum;
    m_maximum = maximum;
    m_default = std::clamp(m_default, m_minimum, m_maximum);
    m_value = std::clamp(m_value, m_minimum, m_maximum);
    m_widestText = -1;
    updateGeometry();
    update();
}

void CKnob::SetDefault(int value) { m_default = std::clamp(value, m_minimum, m_maximum); }

void CKnob::SetValue(int value) {
    value = std::clamp(value, m_minimum, m_maximum);
    if (value == m_value) return;
    m_value = value;
    update();
}

void CKnob::Reset() { SetValue(m_default); }

void CKnob::SetPageStep(int step) { m_pageStep = std::max(0, step); }

int CKnob::GetPageStep() const {
    if (m_pageStep > 0) return m_pageStep;
    return std::max(1, (m_maximum - m_minimum) / 12);
}

void CKnob::SetFormatter(Formatter formatter) {
    m_formatter = std::move(formatter);
    m_widestText = -1;
    updateGeometry();
    update();
}

void CKnob::SetCaption(const QString& caption) {
    m_caption = caption;
    setAccessibleName(caption);
    updateGeometry();
    update();
}

QString CKnob::TextFor(int value) const { return m_formatter ? m_formatter(value) : QString::number(value); }

void CKnob::UserSet(int value) {
    value = std::clamp(value, m_minimum, m_maximum);
    if (value == m_value) return;
    m_value = value;
    update();
    emit valueChanged(m_value);
}

int CKnob::WidestValueText() const {
    if (m_widestText >= 0) return m_widestText;
    // Wide enough for every value's text (a list's longest name lies anywhere),
    // so the layout does not jump while the knob turns; long ranges: the ends.
    const QFontMetrics fm = fontMetrics();
    int widest = 0;
    if (static_cast<long long>(m_maximum) - m_minimum <= 512) {
        // Laying out hundreds of texts for every knob of a page made tab switches slow: the
        // characters' own advances (cached by the font) add up to at least the laid-out width.
        const QFontMetricsF exact(font());
        qreal widestF = 0;
        for (int v = m_minimum; v <= m_maximum; ++v) {
            qreal width = 0;
            for (const QChar c : TextFor(v)) width += exact.horizontalAdvance(c);
            widestF = std::max(widestF, width);
        }
        widest = static_cast<int>(std::ceil(widestF));
    } else {
        for (int v : {m_minimum, m_maximum, m_default}) widest = std::max(widest, fm.horizontalAdvance(TextFor(v)));
    }
    m_widestText = widest;
    return widest;
}

int CKnob::Diameter() const { return static_cast<int>(std::lround(fontMetrics().height() * 2.4)); }

QSize CKnob::sizeHint() const {
    const QFontMetrics fm = fontMetrics();
    const int textWidth = std::max(fm.horizontalAdvance(m_caption), WidestValueText());
    const int margin = fm.height() / 4 + 2;  // room for the focus ring
    const int width = std::max(Diameter() + 2 * margin, textWidth + fm.averageCharWidth());
    const int captionHeight = m_caption.isEmpty() ? 0 : fm.height();
    return {width, captionHeight + Diameter() + 2 * margin + fm.height()};
}

QRectF CKnob::KnobRect() const {
    const QFontMetrics fm = fontMetrics();
    const int margin = fm.height() / 4 + 2;
    const int top = (m_caption.isEmpty() ? 0 : fm.height()) + margin;
    const int available = height() - top - fm.height() - margin;
    const double d = std::max(8, std::min({Diameter(), width() - 2 * margin, available}));
    return {(width() - d) / 2.0, top + (available - d) / 2.0, d, d};
}

void CKnob::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics fm = fontMetrics();
    const QRectF knob = KnobRect();
    const double d = knob.width();
    const double track = std::max(2.0, d / 10.0);

    if (!m_caption.isEmpty()) {
        p.setPen(Role(*this, QPalette::WindowText));
        p.drawText(QRect(0, 0, width(), fm.height()), Qt::AlignCenter,
                   fm.elidedText(m_caption, Qt::ElideRight, width()));
    }

    // Track and the value arc, drawn from the minimum, or from zero when the
    // range runs through zero (pan, fine tune).
    const QRectF arcRect = knob.adjusted(track / 2, track / 2, -track / 2, -track / 2);
    const double span = std::max(1, m_maximum - m_minimum);
    auto angleOf = [&](int v) { return kStartAngle - kSweep * (v - m_minimum) / span; };
    p.setPen(QPen(Role(*this, QPalette::Mid), track, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(arcRect, static_cast<int>(kStartAngle * 16), static_cast<int>(-kSweep * 16));
    const int origin = (m_minimum < 0 && m_maximum > 0) ? 0 : m_minimum;
    const QColor accent = isEnabled() ? Role(*this, QPalette::Highlight) : Role(*this, QPalette::Dark);
    p.setPen(QPen(accent, track, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(arcRect, static_cast<int>(angleOf(origin) * 16),
              static_cast<int>((angleOf(m_value) - angleOf(origin)) * 16));

    // Body and pointer.
    const QRectF body = knob.adjusted(track * 1.8, track * 1.8, -track * 1.8, -track * 1.8);
    p.setPen(QPen(Role(*this, QPalette::Dark), 1));
    p.setBrush(Role(*this, QPalette::Button));
    p.drawEllipse(body);
    const double radians = angleOf(m_value) * M_PI / 180.0;
    const QPointF centre = body.center();
    const double r = body.width() / 2;
    const QPointF tip(centre.x() + std::cos(radians) * r * 0.85, centre.y() - std::sin(radians) * r * 0.85);
    const QPointF inner(centre.x() + std::cos(radians) * r * 0.25, centre.y() - std::sin(radians) * r * 0.25);
    p.setPen(QPen(Role(*this, QPalette::ButtonText), std::max(1.5, d / 16.0), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(inner, tip);

    // Keyboard focus: a ring around the knob in the highlight colour.
    if (hasFocus()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Role(*this, QPalette::Highlight), std::max(1.0, track / 2), Qt::DotLine));
        p.drawEllipse(knob.adjusted(-track / 2, -track / 2, track / 2, track / 2));
    }

    p.setPen(Role(*this, QPalette::WindowText));
    p.drawText(QRect(0, height() - fm.height(), width(), fm.height()), Qt::AlignCenter,
               fm.elidedText(GetValueText(), Qt::ElideRight, width()));
}

double CKnob::DragRate(bool fine) const {
    // The whole range over about twelve text lines of movement; fine: at most one
    // value per half a text line.
    const double lines = std::max(1, fontMetrics().height());
    const double normal = std::max(1, m_maximum - m_minimum) / (12.0 * lines);
    return fine ? std::min(normal, 2.0 / lines) : normal;
}

void CKnob::AnchorDrag(double y, bool fine) {
    m_anchorY = y;
    m_anchorValue = m_value;
    m_dragFine = fine;
}

void CKnob::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    m_dragging = true;
    AnchorDrag(event->position().y(), event->modifiers() & Qt::ShiftModifier);
    event->accept();
}

void CKnob::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) return QWidget::mouseMoveEvent(event);
    const bool fine = event->modifiers() & Qt::ShiftModifier;
    // Pressing or releasing Shift mid-drag continues from where the knob is.
    if (fine != m_dragFine) AnchorDrag(event->position().y(), fine);
    const double moved = (m_anchorY - event->position().y()) * DragRate(fine);
    // Clamped here already: a long drag past an end must not overflow the int.
    const double target = std::clamp(m_anchorValue + std::round(moved), double(m_minimum), double(m_maximum));
    UserSet(static_cast<int>(target));
    event->accept();
}

void CKnob::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void CKnob::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
    UserSet(m_default);
    event->accept();
}

void CKnob::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    // A touchpad sends small pieces of a notch; they add up to whole steps.
    m_wheelRemainder += delta.y() != 0 ? delta.y() : delta.x();
    const int steps = m_wheelRemainder / 120;
    m_wheelRemainder %= 120;
    if (steps != 0)
        UserSet(static_cast<int>(std::clamp<long long>(static_cast<long long>(m_value) + steps, m_minimum, m_maximum)));
    event->accept();
}

void CKnob::keyPressEvent(QKeyEvent* event) {
    const long long value = m_value;
    long long target;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Right: target = value + 1; break;
    case Qt::Key_Down:
    case Qt::Key_Left: target = value - 1; break;
    case Qt::Key_PageUp: target = value + GetPageStep(); break;
    case Qt::Key_PageDown: target = value - GetPageStep(); break;
    case Qt::Key_Home: target = m_minimum; break;
    case Qt::Key_End: target = m_maximum; break;
    default: return QWidget::keyPressEvent(event);
    }
    UserSet(static_cast<int>(std::clamp<long long>(target, m_minimum, m_maximum)));
    event->accept();
}

void CKnob::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        m_widestText = -1;
        updateGeometry();
    }
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange) update();
    QWidget::changeEvent(event);
}
