#include "tonalith/ui/KeyboardStrip.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "tonalith/ui/KeyNames.h"

namespace {
constexpr int kKeys = 128;
// Position of each pitch class among the seven white keys of an octave; a black
// key sits on the right edge of the white key it follows.
constexpr int kWhiteIndex[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
constexpr int kWhiteNote[7] = {0, 2, 4, 5, 7, 9, 11};

int WhiteKeysBefore(int note) { return note / 12 * 7 + kWhiteIndex[note % 12]; }
}  // namespace

CKeyboardStrip::CKeyboardStrip(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

bool CKeyboardStrip::IsBlack(int note) {
    const int pc = note % 12;
    return pc == 1 || pc == 3 || pc == 6 || pc == 8 || pc == 10;
}

int CKeyboardStrip::WhiteWidth() const { return std::max(8, fontMetrics().horizontalAdvance("C#9") * 3 / 4 + 2); }
int CKeyboardStrip::WhiteHeight() const { return fontMetrics().height() * 5; }

QSize CKeyboardStrip::sizeHint() const {
    return {(WhiteKeysBefore(kKeys - 1) + 1) * WhiteWidth() + 1, WhiteHeight() + 1};
}

QRect CKeyboardStrip::KeyRect(int note) const {
    if (note < 0 || note >= kKeys) return {};
    const int w = WhiteWidth();
    const int x = WhiteKeysBefore(note) * w;
    if (!IsBlack(note)) return {x, 0, w, WhiteHeight()};
    const int bw = w * 3 / 5;
    return {x + w - bw / 2, 0, bw, WhiteHeight() * 3 / 5};
}

int CKeyboardStrip::KeyAt(QPointF pos) const {
    const QPoint p = pos.toPoint();
    if (p.x() < 0 || p.y() < 0 || p.y() >= WhiteHeight()) return -1;
    const int white = p.x() / WhiteWidth();
    const int note = white / 7 * 12 + kWhiteNote[white % 7];
    if (note >= kKeys) return -1;
    // The black keys on either side of the white key under the point lie on top of it.
    for (int n : {note - 1, note + 1})
        if (n >= 0 && n < kKeys && IsBlack(n) && KeyRect(n).contains(p)) return n;
    return note;
}

void CKeyboardStrip::SetCurrentKey(int note) {
    m_current = std::clamp(note, 0, kKeys - 1);
    update();
}

void CKeyboardStrip::UserMove(int note) {
    note = std::clamp(note, 0, kKeys - 1);
    if (note == m_current) return;
    SetCurrentKey(note);
    emit currentKeyChanged(note);
}

void CKeyboardStrip::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    const QColor line = palette().color(group, QPalette::Dark);
    const QColor accent = palette().color(group, QPalette::Highlight);
    const QFontMetrics fm = fontMetrics();
    const QRect dirty = event->rect();
    for (int black = 0; black < 2; ++black) {
        for (int n = 0; n < kKeys; ++n) {
            if (IsBlack(n) != bool(black)) continue;
            const QRect r = KeyRect(n);
            if (!r.intersects(dirty)) continue;
            QColor face = black ? QColor(30, 30, 30) : QColor(250, 250, 250);
            if (!isEnabled()) face = black ? QColor(120, 120, 120) : QColor(215, 215, 215);
            if (n == m_current) face = accent;
            p.fillRect(r, face);
            p.setPen(line);
            p.drawRect(r);
            if (!black && n % 12 == 0) {  // every C carries its name
                p.setPen(n == m_current ? palette().color(group, QPalette::HighlightedText) : QColor(40, 40, 40));
                p.drawText(r.adjusted(0, 0, 0, -fm.descent()), Qt::AlignHCenter | Qt::AlignBottom,
                           QString::fromStdString(tonalith::ui::KeyName(n)));
            }
        }
    }
    if (hasFocus()) {
        p.setPen(QPen(accent, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(KeyRect(m_current).adjusted(2, 2, -3, -3));
    }
}

void CKeyboardStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const int note = KeyAt(event->position());
    if (note < 0) return QWidget::mousePressEvent(event);
    UserMove(note);
    emit keyActivated(note);
    event->accept();
}

void CKeyboardStrip::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left: UserMove(m_current - 1); break;
    case Qt::Key_Right: UserMove(m_current + 1); break;
    case Qt::Key_Down: UserMove(m_current - 12); break;
    case Qt::Key_Up: UserMove(m_current + 12); break;
    case Qt::Key_Home: UserMove(0); break;
    case Qt::Key_End: UserMove(kKeys - 1); break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter: emit keyActivated(m_current); break;
    default: return QWidget::keyPressEvent(event);
    }
    event->accept();
}

void CKeyboardStrip::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) updateGeometry();
    QWidget::changeEvent(event);
}
