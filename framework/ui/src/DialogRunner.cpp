#include "tonalith/ui/DialogRunner.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

#include "tonalith/ui/PatchText.h"

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

bool AskToSaveChanges(QWidget* parent, std::string_view title, const std::function<bool()>& save) {
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(),
                    QString("Save changes to %1?").arg(FromModelText(title)),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    const int answer = RunDialog(box);
    return answer == QMessageBox::No || (answer == QMessageBox::Yes && save());
}

}  // namespace tonalith::ui
