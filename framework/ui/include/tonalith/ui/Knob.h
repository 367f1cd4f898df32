#pragma once

#include <QWidget>

#include <functional>

// A rotary control for one numeric parameter: the caption above, the knob, and
// the value as text below. Every size follows the font, so the knob reads the
// same at any scaling.
//
// Input: vertical drag (Shift: fine), the wheel, arrow keys (one step), Page
// Up/Down (a page step), Home/End (the ends), double-click (the default).
//
// Signals: valueChanged is emitted only for the user's changes (mouse, wheel,
// keys), and only when the value really changes. SetValue, Reset, SetRange and
// SetDefault never emit, so an editor can load a record into its knobs without
// echoing every value back to the instrument.
class CKnob : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int value READ GetValue WRITE SetValue)

public:
    // Text shown for a value ("L64", "63R", a list text); the default is the number.
    using Formatter = std::function<QString(int value)>;

    explicit CKnob(QWidget* parent = nullptr);
    CKnob(const QString& caption, int minimum, int maximum, int defaultValue, QWidget* parent = nullptr);

    // Swaps the ends when minimum > maximum; the value and the default are clamped into the range.
    void SetRange(int minimum, int maximum);
    int GetMinimum() const { return m_minimum; }
    int GetMaximum() const { return m_maximum; }
    void SetDefault(int value);  // clamped into the range
    int GetDefault() const { return m_default; }

    void SetValue(int value);  // clamped; no signal
    int GetValue() const { return m_value; }
    void Reset();  // to the default; no signal

    // Page Up/Down step; 0 (the default) picks about a twelfth of the range.
    void SetPageStep(int step);
    int GetPageStep() const;

    void SetFormatter(Formatter formatter);
    QString GetValueText() const { return TextFor(m_value); }
    void SetCaption(const QString& caption);
    QString GetCaption() const { return m_caption; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void valueChanged(int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString TextFor(int value) const;
    // Sets value from a user action and emits when it changed.
    void UserSet(int value);
    int WidestValueText() const;
    int Diameter() const;
    QRectF KnobRect() const;
    // Values per pixel of vertical drag.
    double DragRate(bool fine) const;
    void AnchorDrag(double y, bool fine);

    int m_minimum = 0;
    int m_maximum = 127;
    int m_default = 0;
    int m_value = 0;
    int m_pageStep = 0;
    QString m_caption;
    Formatter m_formatter;
    mutable int m_widestText = -1;  // -1: to be measured

    bool m_dragging = false;
    bool m_dragFine = false;
    double m_anchorY = 0;
    int m_anchorValue = 0;
    int m_wheelRemainder = 0;  // eighths of a degree not yet a whole step (smooth wheels)
};
