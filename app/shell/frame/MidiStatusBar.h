#pragma once

#include <QStatusBar>

class QLabel;
class QTimer;

// The status bar: a message pane that shows timed messages in red for five
// seconds (MIDI errors), and the MIDI activity light.
class CMidiStatusBar final : public QStatusBar {
    Q_OBJECT
public:
    static constexpr int kMessageMs = 5000;

    explicit CMidiStatusBar(QWidget* parent = nullptr);

    void SetTimedMessage(const QString& text);
    bool HasTimedMessage() const;
    QString MessageText() const;
    void KillMessageTimer();
    void SetIndicator(bool lit);
    bool IsIndicatorLit() const { return m_lit; }

private:
    void EndTimedMessage();

    QLabel* m_message;
    QLabel* m_light;
    QTimer* m_timer;
    bool m_lit = false;
};
