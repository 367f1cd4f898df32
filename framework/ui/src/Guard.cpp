#include "tonalith/ui/Guard.h"

#include <exception>
#include <string>

#include "Ui.h"

namespace tonalith::ui {

bool RunGuarded(const std::function<void()>& action) {
    std::string reason;
    try {
        action();
        return true;
    } catch (const std::exception& e) {
        reason = e.what();
    } catch (...) {
        reason = "an unknown error";
    }
    // Reported after the handler has unwound, so a dialog never runs inside a
    // half-finished command.
    CUi::Get().MessageBox("The command could not be completed:\n" + reason, CUi::Icon::Error);
    return false;
}

bool CGuardedApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

}  // namespace tonalith::ui
