#pragma once

#include <functional>
#include <string>

#include "Ui.h"

class QWidget;

namespace tonalith::ui {

// The framework's user-interface services as Qt dialogs. Every dialog runs
// through RunDialog, so tests answer them.
class CQtUi final : public CUi {
public:
    // The folder file dialogs start in, and where a chosen folder is remembered.
    struct FolderMemory {
        std::function<std::string()> get;
        std::function<void(const std::string&)> set;
    };

    void MessageBox(std::string_view text, Icon icon) override;
    bool AskYesNo(std::string_view text) override;
    std::optional<std::string> ChooseOpenFile(std::string_view title, std::string_view filter) override;
    std::optional<std::string> ChooseSaveFile(std::string_view title, std::string_view defaultExtension,
                                              std::string_view filter) override;
    void ShowHex(std::span<const std::uint8_t> data, std::string_view title) override;
    void SetWaitCursor(bool on) override;
    bool EditParameters(CPatch& patch, const CParameterTable& table) override;

    void SetFolderMemory(FolderMemory memory) { m_folders = std::move(memory); }
    // The parent of the dialogs: the active window, else this (the main window).
    void SetMainWindow(QWidget* window) { m_mainWindow = window; }

private:
    QWidget* Parent() const;
    std::optional<std::string> ChooseFile(bool save, std::string_view title, std::string_view defaultExtension,
                                          std::string_view filter);

    FolderMemory m_folders;
    QWidget* m_mainWindow = nullptr;
    int m_waitDepth = 0;
};

// Shows the wait cursor for its lifetime.
class CWaitCursor {
public:
    CWaitCursor() { CUi::Get().SetWaitCursor(true); }
    ~CWaitCursor() { CUi::Get().SetWaitCursor(false); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

}  // namespace tonalith::ui
