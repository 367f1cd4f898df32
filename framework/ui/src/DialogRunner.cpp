#include "tonalith/ui/DialogRunner.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QMessageBox>

#include "tonalith/ui/PatchText.h"

namespace tonalith::ui {
namespace {
DialogRunner& Runner() {
    static DialogRunner runner;
    return runner;
}

// A dialog that opens while the wait cursor shows (a file being opened asks a
// question) waits for the user, not for the program: it gets the arrow.
class ArrowWhileAsking {
public:
    ArrowWhileAsking() : m_waiting(QApplication::overrideCursor() != nullptr) {
        if (m_waiting) QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowWhileAsking() {
        if (m_waiting) QApplication::restoreOverrideCursor();
    }
    ArrowWhileAsking(const ArrowWhileAsking&) = delete;
    ArrowWhileAsking& operator=(const ArrowWhileAsking&) = delete;

private:
    bool m_waiting;
};
}  // namespace

int RunDialog(QDialog& dialog) {
    const ArrowWhileAsking arrow;
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
