#pragma once

#include <QWidget>

// All 128 MIDI keys as a piano keyboard, sized from the font; meant to sit in
// a horizontal scroll area. Clicking a key, or Enter/Space on the current key,
// activates it; Left/Right move the current key by a semitone, Up/Down by an
// octave, Home/End to the ends.
class CKeyboardStrip : public QWidget {
    Q_OBJECT

public:
    explicit CKeyboardStrip(QWidget* parent = nullptr);

    int GetCurrentKey() const { return m_current; }
    void SetCurrentKey(int note);  // clamped to 0..127; no signal
    // The key at a point, -1 for none; and a key's rectangle (black keys lie on top).
    int KeyAt(QPointF pos) const;
    QRect KeyRect(int note) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void currentKeyChanged(int note);  // by the user
    void keyActivated(int note);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    static bool IsBlack(int note);
    int WhiteWidth() const;
    int WhiteHeight() const;
    void UserMove(int note);

    int m_current = 60;
};
