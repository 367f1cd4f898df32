#include "tonalith/ui/DialogRunner.h"

#include <QDialog>

namespace tonalith::ui {
namespace {
DialogRunner& Runner() {
    static DialogRunner runner;
    return runner;
}
}  // namespace

int RunDialog(QDialog& dialog) {
    if (const DialogRunner& runner = Runner()) return runner(dialog);
    return dialog.exec();
}

DialogRunner SetDialogRunner(DialogRunner runner) {
    DialogRunner previous = std::move(Runner());
    Runner() = std::move(runner);
    return previous;
}

}  // namespace tonalith::ui
