#pragma once

#include <QApplication>

#include <functional>

namespace tonalith::ui {

// Runs action and reports an exception it throws through CUi instead of letting it
// unwind into Qt, which would end the program. Returns false when it threw.
bool RunGuarded(const std::function<void()>& action);

// The program's application object: an exception escaping any event handler or
// slot is reported, and the event counts as not handled.
class CGuardedApplication : public QApplication {
public:
    CGuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace tonalith::ui
