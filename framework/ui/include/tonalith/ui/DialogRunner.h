#pragma once

#include <functional>
#include <string_view>

class QDialog;
class QWidget;

namespace tonalith::ui {

// Every modal dialog of the program runs through one replaceable function, so a
// test can answer it (set values, accept or reject) instead of blocking in exec().
using DialogRunner = std::function<int(QDialog&)>;

// Runs dialog with the installed runner (QDialog::exec by default).
int RunDialog(QDialog& dialog);
// Installs runner (null: exec again) and returns the previous one.
DialogRunner SetDialogRunner(DialogRunner runner);

// Asks "Save changes to <title>?" (Yes, No, Cancel) before a changed document
// closes; Yes runs save. True when the document may close.
bool AskToSaveChanges(QWidget* parent, std::string_view title, const std::function<bool()>& save);

// Installs a runner for its lifetime.
class ScopedDialogRunner {
public:
    explicit ScopedDialogRunner(DialogRunner runner) : m_previous(SetDialogRunner(std::move(runner))) {}
    ~ScopedDialogRunner() { SetDialogRunner(std::move(m_previous)); }
    ScopedDialogRunner(const ScopedDialogRunner&) = delete;
    ScopedDialogRunner& operator=(const ScopedDialogRunner&) = delete;

private:
    DialogRunner m_previous;
};

}  // namespace tonalith::ui
