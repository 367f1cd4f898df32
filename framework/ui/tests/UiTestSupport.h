#pragma once

// Helpers of the control tests: one application per process, input events
// delivered straight to a widget (no window system needed) and painting into
// an image at twice the pixel density.
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

namespace tonalith::test {

inline void EnsureApp() {
    static int argc = 1;
    static char name[] = "basic_ui_controls_tests";
    static char* argv[] = {name};
    if (!qApp) new QApplication(argc, argv);
}

inline void SendMouse(QWidget& w, QEvent::Type type, QPointF pos, Qt::MouseButtons buttons,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, w.mapToGlobal(pos), button, buttons, modifiers);
    QApplication::sendEvent(&w, &event);
}

// Press at from, move in steps to to, release there.
inline void Drag(QWidget& w, QPointF from, QPointF to, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                 int steps = 8) {
    SendMouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, modifiers);
    for (int i = 1; i <= steps; ++i)
        SendMouse(w, QEvent::MouseMove, from + (to - from) * (double(i) / steps), Qt::LeftButton, modifiers);
    SendMouse(w, QEvent::MouseButtonRelease, to, Qt::NoButton, modifiers);
}

inline void SendWheel(QWidget& w, int angleDelta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QPointF pos(w.width() / 2.0, w.height() / 2.0);
    QWheelEvent event(pos, w.mapToGlobal(pos), QPoint(), QPoint(0, angleDelta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&w, &event);
}

// The widget painted at device pixel ratio 2 over a background no control paints.
inline QImage RenderAt2x(QWidget& w) {
    w.resize(w.sizeHint().expandedTo(w.minimumSizeHint()));
    QImage image(w.size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(QColor(1, 2, 3));
    w.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);  // no window background: only what is painted
    return image;
}

// Pixels that differ from the background RenderAt2x fills.
inline int Ink(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != QColor(1, 2, 3)) ++count;
    return count;
}

}  // namespace tonalith::test
