#include "MidiStatusBar.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

namespace {
QPixmap Light(bool lit) {
    QPixmap pixmap(14, 14);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(60, 60, 60));
    p.setBrush(lit ? QColor(40, 220, 40) : QColor(20, 70, 20));
    p.drawEllipse(1, 1, 12, 12);
    return pixmap;
}
}  // namespace

CMidiStatusBar::CMidiStatusBar(QWidget* parent)
    : QStatusBar(parent), m_message(new QLabel(this)), m_light(new QLabel(this)), m_timer(new QTimer(this)) {
    m_message->setAutoFillBackground(true);
    m_message->setContentsMargins(4, 0, 4, 0);
    addWidget(m_message, 1);
    m_light->setAlignment(Qt::AlignCenter);
    m_light->setToolTip("MIDI activity");
    m_light->setPixmap(Light(false));
    addPermanentWidget(m_light);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &CMidiStatusBar::EndTimedMessage);
    // Ordinary status texts go to the message pane unless a timed message is up.
    connect(this, &QStatusBar::messageChanged, this, [this](const QString& text) {
        if (!HasTimedMessage()) m_message->setText(text);
    });
}

void CMidiStatusBar::SetTimedMessage(const QString& text) {
    m_message->setText(text);
    QPalette pal = m_message->palette();
    pal.setColor(QPalette::Window, QColor(255, 0, 0));
    m_message->setPalette(pal);
    m_timer->start(kMessageMs);
}

bool CMidiStatusBar::HasTimedMessage() const { return m_timer->isActive(); }

QString CMidiStatusBar::MessageText() const { return m_message->text(); }

void CMidiStatusBar::KillMessageTimer() {
    if (m_timer->isActive()) {
        m_timer->stop();
        EndTimedMessage();
    }
}

void CMidiStatusBar::EndTimedMessage() {
    m_message->setPalette(palette());
    m_message->setText(currentMessage());
}

void CMidiStatusBar::SetIndicator(bool lit) {
    m_lit = lit;
    m_light->setPixmap(Light(lit));
}
