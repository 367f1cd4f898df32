#pragma once

#include <QWidget>

#include <array>

// An envelope of four times and four levels as the instruments list them
// (T1 L1 T2 L2 T3 L3 T4 L4): the curve starts at the start level, reaches L1
// after T1, L2 after T2, L3 after T3, holds L3 while the key is held (drawn as
// a short flat part ending at a dashed key-off line) and reaches L4 after T4.
//
// Mouse: drag a point (horizontal: its time, vertical: its level). Keyboard:
// Tab / Shift+Tab step through the points before focus moves on, 1..4 select a
// point, Left/Right change its time, Up/Down its level (Shift: by 10).
//
// pointChanged carries exactly the changed point's new time and level and is
// emitted only for the user's changes; the setters never emit. A disabled
// control draws grey and takes no input.
class CEnvctrl : public QWidget {
    Q_OBJECT

public:
    static constexpr int kPoints = 4;

    explicit CEnvctrl(QWidget* parent = nullptr);

    // Ranges of the two axes (times 0..127; levels 0..127 or -63..63). The ends
    // are swapped when reversed; the points are clamped into the new range.
    void SetTimeRange(int minimum, int maximum);
    void SetLevelRange(int minimum, int maximum);
    int GetTimeMinimum() const { return m_timeMin; }
    int GetTimeMaximum() const { return m_timeMax; }
    int GetLevelMinimum() const { return m_levelMin; }
    int GetLevelMaximum() const { return m_levelMax; }

    // point is 0..3 (T1/L1 .. T4/L4); other points are ignored (getters return 0).
    void SetPoint(int point, int time, int level);
    void SetTime(int point, int time);
    void SetLevel(int point, int level);
    int GetTime(int point) const;
    int GetLevel(int point) const;
    // Where the curve starts (not a point: it cannot be dragged). Default 0,
    // clamped into the level range like every level.
    void SetStartLevel(int level);
    int GetStartLevel() const { return m_startLevel; }
    // A fixed level does not move (L4 of an amplitude envelope is always 0); its time still does.
    void SetLevelFixed(int point, bool fixed);
    bool IsLevelFixed(int point) const;
    // The point the level is held at while the key is held; -1: no sustain part.
    void SetSustainPoint(int point);
    int GetSustainPoint() const { return m_sustainPoint; }

    int GetSelectedPoint() const { return m_selected; }
    void SelectPoint(int point);

    // The line under the graphic. Empty (the default): the selected point's
    // values, "T1: 64  L1: 127".
    void SetHelpText(const QString& text);
    QString GetHelpText() const { return m_helpText; }
    QString GetShownHelpText() const;

    // Centre of a point in widget coordinates.
    QPointF PointPosition(int point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void pointChanged(int point, int time, int level);
    void pointSelected(int point);  // by the user

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void changeEvent(QEvent* event) override;

private:
    struct Geometry {
        QRectF plot;
        double timeUnit;  // pixels per time step
        double sustainWidth;
    };
    Geometry Layout() const;
    double SegmentStart(const Geometry& g, int point) const;
    double LevelY(const Geometry& g, int level) const;
    int HitTest(QPointF pos) const;
    double PointRadius() const;
    // Moves point to time and level from a user action; emits when either changed.
    void UserMove(int point, int time, int level);
    void UserSelect(int point);
    static bool Valid(int point) { return point >= 0 && point < kPoints; }

    int m_timeMin = 0;
    int m_timeMax = 127;
    int m_levelMin = 0;
    int m_levelMax = 127;
    int m_startLevel = 0;
    std::array<int, kPoints> m_times{};
    std::array<int, kPoints> m_levels{};
    std::array<bool, kPoints> m_fixed{};
    int m_sustainPoint = 2;
    int m_selected = 0;
    QString m_helpText;

    int m_dragPoint = -1;
    QPointF m_dragOffset;  // from the pointer to the point's centre, so grabbing does not jump
};
