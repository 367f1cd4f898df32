// A program that leaks on purpose, run by a test that expects the leak checker to
// report it under scripts/lsan.supp. The object is made in a slot that Qt's event
// loop calls, so every frame beneath ours is inside Qt: a suppression that names a
// whole Qt library would hide it, and with it every leak of this shape in our code.
#include <QCoreApplication>
#include <QObject>
#include <QTimer>

namespace {

// Reachable from nowhere once the slot returns, which is what the checker looks for.
void LeakFromSlot() {
    auto* lost = new QObject;
    lost->setObjectName(QStringLiteral("leaked by LeakProbe"));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTimer::singleShot(0, &app, [] {
        LeakFromSlot();
        QCoreApplication::quit();
    });
    return QCoreApplication::exec();
}
