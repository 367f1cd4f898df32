#include "tonalith/ui/Envctrl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {
QColor Role(const QWidget& w, QPalette::ColorRole role) {
    return w.palette().color(w.isEnabled() ? QPalette::Active : QPalette::Disabled, role);
}
}  // namespace

CEnvctrl::CEnvctrl(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void CEnvctrl::SetTimeRange(int minimum, int maximum) {
    if (minimum > maximum) std::swap(minimum, maximum);
    m_timeMin = minimum;
    m_timeMax = maximum;
    for (int& t : m_times) t = std::clamp(t, m_timeMin, m_timeMax);
    update();
}

void CEnvctrl::SetLevelRange(int minimum, int maximum) {
    if (minimum > maximum) std::swap(minimum, maximum);
    m_levelMin = minimum;
    m_levelMax = maximum;
    for (int& l : m_levels) l = std::clamp(l, m_levelMin, m_levelMax);
    m_startLevel = std::clamp(m_startLevel, m_levelMin, m_levelMax);
    update();
}

void CEnvctrl::SetPoint(int point, int time, int level) {
    if (!Valid(point)) return;
    m_times[static_cast<std::size_t>(point)] = std::clamp(time, m_timeMin, m_timeMax);
    m_levels[static_cast<std::size_t>(point)] = std::clamp(level, m_levelMin, m_levelMax);
    update();
}

void CEnvctrl::SetTime(int point, int time) {
    if (Valid(point)) SetPoint(point, time, m_levels[static_cast<std::size_t>(point)]);
}

void CEnvctrl::SetLevel(int point, int level) {
    if (Valid(point)) SetPoint(point, m_times[static_cast<std::size_t>(point)], level);
}

int CEnvctrl::GetTime(int point) const { return Valid(point) ? m_times[static_cast<std::size_t>(point)] : 0; }
int CEnvctrl::GetLevel(int point) const { return Valid(point) ? m_levels[static_cast<std::size_t>(point)] : 0; }

void CEnvctrl::SetStartLevel(int level) {
    m_startLevel = std::clamp(level, m_levelMin, m_levelMax);
    update();
}

void CEnvctrl::SetLevelFixed(int point, bool fixed) {
    if (Valid(point)) m_fixed[static_cast<std::size_t>(point)] = fixed;
}

bool CEnvctrl::IsLevelFixed(int point) const { return Valid(point) && m_fixed[static_cast<std::size_t>(point)]; }

void CEnvctrl::SetSustainPoint(int point) {
    m_sustainPoint = Valid(point) ? point : -1;
    update();
}

void CEnvctrl::SelectPoint(int point) {
    if (!Valid(point)) return;
    m_selected = point;
    update();
}

void CEnvctrl::UserSelect(int point) {
    if (!Valid(point) || point == m_selected) return;
    SelectPoint(point);
    emit pointSelected(point);
}

void CEnvctrl::SetHelpText(const QString& text) {
    m_helpText = text;
    update();
}

QString CEnvctrl::GetShownHelpText() const {
    if (!m_helpText.isEmpty()) return m_helpText;
    return QString("T%1: %2  L%1: %3").arg(m_selected + 1).arg(GetTime(m_selected)).arg(GetLevel(m_selected));
}

double CEnvctrl::PointRadius() const { return std::max(3.0, fontMetrics().height() / 4.0); }

QSize CEnvctrl::sizeHint() const {
    const QFontMetrics fm = fontMetrics();
    return {fm.averageCharWidth() * 44, fm.height() * 8};
}

QSize CEnvctrl::minimumSizeHint() const {
    const QFontMetrics fm = fontMetrics();
    return {fm.averageCharWidth() * 24, fm.height() * 5};
}

CEnvctrl::Geometry CEnvctrl::Layout() const {
    const QFontMetrics fm = fontMetrics();
    const double margin = PointRadius() + 2;
    QRectF plot(margin, margin, width() - 2 * margin, height() - 2 * margin - fm.height());
    plot.setWidth(std::max(1.0, plot.width()));
    plot.setHeight(std::max(1.0, plot.height()));
    // A fixed scale: every segment at its longest takes a quarter of what the
    // sustain part leaves, so dragging one point never rescales the others.
    const double sustain = m_sustainPoint >= 0 ? plot.width() / 9.0 : 0.0;
    const double unit = (plot.width() - sustain) / (kPoints * std::max(1, m_timeMax - m_timeMin));
    return {plot, unit, sustain};
}

double CEnvctrl::SegmentStart(const Geometry& g, int point) const {
    double x = g.plot.left();
    for (int i = 0; i < point; ++i) {
        x += (m_times[static_cast<std::size_t>(i)] - m_timeMin) * g.timeUnit;
        if (i == m_sustainPoint) x += g.sustainWidth;
    }
    return x;
}

double CEnvctrl::LevelY(const Geometry& g, int level) const {
    const double span = std::max(1, m_levelMax - m_levelMin);
    return g.plot.bottom() - (level - m_levelMin) / span * g.plot.height();
}

QPointF CEnvctrl::PointPosition(int point) const {
    if (!Valid(point)) return {};
    const Geometry g = Layout();
    const auto i = static_cast<std::size_t>(point);
    return {SegmentStart(g, point) + (m_times[i] - m_timeMin) * g.timeUnit, LevelY(g, m_levels[i])};
}

int CEnvctrl::HitTest(QPointF pos) const {
    const double reach = PointRadius() * 2;
    int best = -1;
    double bestDistance = reach * reach;
    // Later points win ties: points stacked by zero times are pulled apart from the top.
    for (int p = 0; p < kPoints; ++p) {
        const QPointF d = PointPosition(p) - pos;
        const double distance = d.x() * d.x() + d.y() * d.y();
        if (distance <= bestDistance) {
            bestDistance = distance;
            best = p;
        }
    }
    return best;
}

void CEnvctrl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Geometry g = Layout();
    const QFontMetrics fm = fontMetrics();

    p.fillRect(g.plot, Role(*this, QPalette::Base));
    p.setPen(QPen(Role(*this, QPalette::Mid), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(g.plot);
    // Zero line of a range around zero (pitch envelopes).
    if (m_levelMin < 0 && m_levelMax > 0) {
        p.setPen(QPen(Role(*this, QPalette::Mid), 1, Qt::DotLine));
        const double y = LevelY(g, 0);
        p.drawLine(QPointF(g.plot.left(), y), QPointF(g.plot.right(), y));
    }

    QPainterPath curve;
    const QPointF start(g.plot.left(), LevelY(g, m_startLevel));
    curve.moveTo(start);
    double keyOff = -1;
    for (int i = 0; i < kPoints; ++i) {
        const QPointF pt = PointPosition(i);
        curve.lineTo(pt);
        if (i == m_sustainPoint) {
            keyOff = pt.x() + g.sustainWidth;
            curve.lineTo(keyOff, pt.y());
        }
    }
    if (keyOff >= 0) {
        p.setPen(QPen(Role(*this, QPalette::Mid), 1, Qt::DashLine));
        p.drawLine(QPointF(keyOff, g.plot.top()), QPointF(keyOff, g.plot.bottom()));
    }
    const QColor accent = isEnabled() ? Role(*this, QPalette::Highlight) : Role(*this, QPalette::Dark);
    QPainterPath area = curve;
    const double base = LevelY(g, std::clamp(0, m_levelMin, m_levelMax));
    area.lineTo(curve.currentPosition().x(), base);
    area.lineTo(start.x(), base);
    area.closeSubpath();
    QColor fill = accent;
    fill.setAlpha(50);
    p.fillPath(area, fill);
    p.setPen(QPen(isEnabled() ? Role(*this, QPalette::Text) : accent, std::max(1.0, PointRadius() / 3)));
    p.drawPath(curve);

    const double r = PointRadius();
    for (int i = 0; i < kPoints; ++i) {
        const QPointF pt = PointPosition(i);
        const bool selected = i == m_selected;
        p.setPen(QPen(Role(*this, QPalette::Text), 1));
        p.setBrush(selected ? accent : Role(*this, QPalette::Base));
        p.drawEllipse(pt, r, r);
        if (selected && hasFocus()) {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(accent, 1, Qt::DotLine));
            p.drawEllipse(pt, r * 1.9, r * 1.9);
        }
    }

    p.setPen(Role(*this, QPalette::WindowText));
    const QRect help(0, height() - fm.height(), width(), fm.height());
    p.drawText(help, Qt::AlignLeft | Qt::AlignVCenter, fm.elidedText(GetShownHelpText(), Qt::ElideRight, width()));
}

void CEnvctrl::UserMove(int point, int time, int level) {
    const auto i = static_cast<std::size_t>(point);
    time = std::clamp(time, m_timeMin, m_timeMax);
    level = m_fixed[i] ? m_levels[i] : std::clamp(level, m_levelMin, m_levelMax);
    if (time == m_times[i] && level == m_levels[i]) return;
    m_times[i] = time;
    m_levels[i] = level;
    update();
    emit pointChanged(point, time, level);
}

void CEnvctrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const int hit = HitTest(event->position());
    if (hit >= 0) {
        UserSelect(hit);
        m_dragPoint = hit;
        m_dragOffset = PointPosition(hit) - event->position();
    }
    event->accept();
}

void CEnvctrl::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragPoint < 0) return QWidget::mouseMoveEvent(event);
    const Geometry g = Layout();
    const QPointF target = event->position() + m_dragOffset;
    const double levelSpan = std::max(1, m_levelMax - m_levelMin);
    const int time =
        m_timeMin + static_cast<int>(
                        std::lround(std::clamp((target.x() - SegmentStart(g, m_dragPoint)) / g.timeUnit, -1.0, 1.0e6)));
    const int level =
        m_levelMin + static_cast<int>(std::lround(std::clamp(
                         (g.plot.bottom() - target.y()) / g.plot.height() * levelSpan, -1.0, levelSpan + 1)));
    UserMove(m_dragPoint, time, level);
    event->accept();
}

void CEnvctrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_dragPoint = -1;
    QWidget::mouseReleaseEvent(event);
}

void CEnvctrl::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key >= Qt::Key_1 && key < Qt::Key_1 + kPoints) {
        UserSelect(key - Qt::Key_1);
        return event->accept();
    }
    const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    const auto i = static_cast<std::size_t>(m_selected);
    int time = m_times[i];
    int level = m_levels[i];
    switch (key) {
    case Qt::Key_Left: time -= step; break;
    case Qt::Key_Right: time += step; break;
    case Qt::Key_Down: level -= step; break;
    case Qt::Key_Up: level += step; break;
    default: return QWidget::keyPressEvent(event);
    }
    UserMove(m_selected, time, level);
    event->accept();
}

void CEnvctrl::focusInEvent(QFocusEvent* event) {
    // Arriving by Tab starts at the first point, by Shift+Tab at the last.
    if (event->reason() == Qt::TabFocusReason) UserSelect(0);
    else if (event->reason() == Qt::BacktabFocusReason) UserSelect(kPoints - 1);
    QWidget::focusInEvent(event);
}

bool CEnvctrl::focusNextPrevChild(bool next) {
    if (hasFocus()) {
        if (next && m_selected < kPoints - 1) {
            UserSelect(m_selected + 1);
            return true;
        }
        if (!next && m_selected > 0) {
            UserSelect(m_selected - 1);
            return true;
        }
    }
    return QWidget::focusNextPrevChild(next);
}

void CEnvctrl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) m_dragPoint = -1;
    if (event->type() == QEvent::FontChange) updateGeometry();
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange) update();
    QWidget::changeEvent(event);
}
