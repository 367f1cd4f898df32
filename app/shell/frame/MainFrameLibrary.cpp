// Library windows in the main frame: File > New and Open of a library, and the
// frame's commands (save, undo, copy, find, properties...) for the active one.
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QVBoxLayout>

#include <filesystem>

#include "AppConfig.h"
#include "BankView.h"
#include "Commands.h"
#include "ControllerView.h"
#include "LibraryDocument.h"
#include "LibraryView.h"
#include "MainFrame.h"
#include "TonalithDoc.h"
#include "Ui.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/Guard.h"
#include "tonalith/ui/PatchText.h"
#include "tonalith/ui/QtUi.h"

namespace {
constexpr const char* kLibraryMenuName = "LibraryMenu";
std::string LayoutKey(int k) { return "WIN_POS_LIBCOLUMNS" + std::to_string(k); }

// File > New: the kinds of document, as a list to choose from.
class CNewDocumentDlg final : public QDialog {
public:
    enum Kind { Bank = 0, Library = 1, ControllerForm = 2 };

    explicit CNewDocumentDlg(QWidget* parent) : QDialog(parent), m_list(new QListWidget(this)) {
        setWindowTitle("New");
        m_list->addItems({"Bank", "Library", "Controller Form"});
        m_list->setCurrentRow(Bank);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel("New", this));
        layout->addWidget(m_list);
        layout->addWidget(buttons);
    }
    QListWidget* List() const { return m_list; }

private:
    QListWidget* m_list;
};
}  // namespace

CLibraryView* CMainFrame::ActiveLibraryView() const {
    QMdiSubWindow* window = m_mdi->activeSubWindow();
    if (!window) window = m_lastActive;
    return window ? qobject_cast<CLibraryView*>(window->widget()) : nullptr;
}

std::string CMainFrame::WindowDocumentPath(const QMdiSubWindow& window) {
    if (auto* bank = qobject_cast<CTonalithView*>(window.widget())) return bank->GetDocument().GetPathName();
    if (auto* library = qobject_cast<CLibraryView*>(window.widget())) return library->GetDocument().GetPathName();
    if (auto* form = qobject_cast<CControllerView*>(window.widget())) return form->GetDocument().GetPathName();
    return {};
}

void CMainFrame::SaveWindowExtras(const QMdiSubWindow& window, int k) {
    auto* library = qobject_cast<CLibraryView*>(window.widget());
    if (library) CAppConfig::Get().PutString(LayoutKey(k), library->ColumnLayout());
}

void CMainFrame::RestoreWindowExtras(QMdiSubWindow& window, int k) {
    auto* library = qobject_cast<CLibraryView*>(window.widget());
    if (!library) return;
    const std::string layout = CAppConfig::Get().GetString(LayoutKey(k));
    if (!layout.empty()) library->ApplyColumnLayout(layout);
}

void CMainFrame::OnFileNew() {
    CNewDocumentDlg dialog(this);
    if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) return;
    switch (dialog.List()->currentRow()) {
    case CNewDocumentDlg::Bank: NewBank(); break;
    case CNewDocumentDlg::Library: NewLibrary(); break;
    case CNewDocumentDlg::ControllerForm: NewControllerForm(); break;
    default: break;
    }
}

QMdiSubWindow* CMainFrame::NewLibrary() {
    auto document = std::make_unique<CLibraryDocument>();
    static int untitled = 0;
    document->SetTitle("Library" + std::to_string(++untitled));
    return AddLibraryWindow(new CLibraryView(std::move(document)));
}

QMdiSubWindow* CMainFrame::OpenLibrary(const std::string& path) {
    // A library that is open already comes to the front instead of opening twice.
    const std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        if (WindowDocumentPath(*window) == absolute) {
            m_mdi->setActiveSubWindow(window);
            return window;
        }
    }
    auto document = std::make_unique<CLibraryDocument>();
    {
        tonalith::ui::CWaitCursor wait;
        if (!document->OnOpenDocument(absolute)) return nullptr;
    }
    return AddLibraryWindow(new CLibraryView(std::move(document)));
}

QMdiSubWindow* CMainFrame::AddLibraryWindow(CLibraryView* view) {
    QMdiSubWindow* window = m_mdi->addSubWindow(view);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(view->windowTitle());
    view->LibraryMenu().setObjectName(kLibraryMenuName);
    connect(view, &CLibraryView::StateChanged, this, [this, view] {
        if (ActiveLibraryView() == view) UpdateCommands();
    });
    PlaceSubWindow(*window);
    window->show();
    view->Table().setFocus();
    m_mdi->setActiveSubWindow(window);
    OnSubWindowActivated(window);
    return window;
}

void CMainFrame::ConnectLibraryActions() {
    // The bank handlers find no bank view while a library is active, and these no library otherwise.
    const auto route = [this](QAction* action, auto command) {
        connect(action, &QAction::triggered, this, [this, command] {
            CLibraryView* view = ActiveLibraryView();
            if (!view) return;
            if (!tonalith::ui::RunGuarded([&] { command(*view); })) UpdateCommands();
        });
    };
    route(m_save, [](CLibraryView& v) { v.Save(); });
    route(m_saveAs, [](CLibraryView& v) { v.SaveAs(); });
    route(m_undo, [](CLibraryView& v) { v.OnUndo(); });
    route(m_redo, [](CLibraryView& v) { v.OnRedo(); });
    route(m_copy, [](CLibraryView& v) { v.OnCopy(); });
    route(m_paste, [](CLibraryView& v) { v.OnPaste(); });
    route(m_edit, [](CLibraryView& v) { v.OnEdit(); });
    route(m_find, [](CLibraryView& v) { v.OnFind(); });
    route(m_properties, [](CLibraryView& v) { v.OnProperties(); });
}

bool CMainFrame::UpdateLibraryCommands() {
    CLibraryView* view = ActiveLibraryView();
    QMenu* wanted = view ? &view->LibraryMenu() : nullptr;
    // The menu bar carries the active library's menu, before Tools.
    for (QAction* action : menuBar()->actions())
        if (action->menu() && action->menu()->objectName() == kLibraryMenuName && action->menu() != wanted)
            menuBar()->removeAction(action);
    if (!view) {
        const QList<QAction*> tools = m_toolsMenu->actions();
        if (!tools.isEmpty() && tools.front()->property("libraryView").value<QObject*>())
            RebuildBankMenus(ActiveBankView());
        m_find->setEnabled(false);
        m_properties->setEnabled(false);
        return false;
    }
    if (!menuBar()->actions().contains(wanted->menuAction())) menuBar()->insertMenu(m_toolsMenu->menuAction(), wanted);
    // Tools: the plug-ins' library tools, rebuilt when another library becomes active.
    // The entries carry the view they were built for; the bank menus' rebuild drops them.
    const auto builtFor = [this] {
        const QList<QAction*> actions = m_toolsMenu->actions();
        return actions.isEmpty() ? nullptr : actions.front()->property("libraryView").value<QObject*>();
    };
    if (builtFor() != view) {
        m_toolsMenu->clear();
        const std::vector<std::string> tools = view->GetToolMenuTexts();
        if (tools.empty()) m_toolsMenu->addAction("No additional Tools available")->setEnabled(false);
        for (int k = 0; k < static_cast<int>(tools.size()); ++k) {
            m_toolsMenu->addAction(QString::fromStdString(tools[static_cast<std::size_t>(k)]), this, [this, k] {
                if (CLibraryView* v = ActiveLibraryView()) tonalith::ui::RunGuarded([&] { v->OnRunTool(k); });
            });
        }
        m_toolsMenu->actions().front()->setProperty("libraryView", QVariant::fromValue<QObject*>(view));
    }
    const bool selected = view->HasSelection();
    m_editMenu->menuAction()->setVisible(true);
    m_toolsMenu->menuAction()->setVisible(true);
    m_windowMenu->menuAction()->setVisible(true);
    for (QAction* a : {m_close, m_save, m_saveAs, m_paste, m_find}) a->setEnabled(true);
    for (QAction* a : {m_copy, m_edit, m_properties}) a->setEnabled(selected);
    for (QAction* a :
         {m_saveLayers, m_print, m_printPreview, m_init, m_write, m_copyToClipboard, m_copyNames, m_layerDependencies})
        a->setEnabled(false);
    m_find->setStatusTip("Search the library by name and keys");
    m_properties->setStatusTip("Keys and comment of the selected patches");
    const CCmdManager& commands = view->GetCommands();
    m_undo->setText(tonalith::ui::FromModelText(commands.GetUndoMenuText()));
    m_redo->setText(tonalith::ui::FromModelText(commands.GetRedoMenuText()));
    m_undo->setEnabled(commands.CanUndo());
    m_redo->setEnabled(commands.CanRedo());
    for (QAction* a : m_layerCommands) a->setEnabled(false);
    for (QAction* b : m_layerButtons) b->setVisible(false);
    return true;
}
