// Controller form windows in the main frame: File > New and Open of a form, the
// controller menu and toolbar with the snapshot combo box, and the frame's
// commands (save, undo, copy, paste, properties) for the active form.
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <filesystem>

#include "Commands.h"
#include "ControllerView.h"
#include "MainFrame.h"
#include "MidiStatusBar.h"
#include "tonalith/ui/Guard.h"
#include "tonalith/ui/PatchText.h"
#include "tonalith/ui/QtUi.h"

namespace {
using Command = CControllerView::Command;

Command CommandOf(const QAction& action) { return static_cast<Command>(action.data().toInt()); }

// The toolbar's buttons in order; the snapshot combo box goes before Design, separators between groups.
constexpr Command kToolBarCommands[] = {
    Command::EditSnapshots,   Command::AddSnapshot,   Command::Design,       Command::Insert,
    Command::AlignLeft,       Command::AlignRight,    Command::AlignTop,     Command::AlignBottom,
    Command::SpaceHorizontal, Command::SpaceVertical, Command::SameWidth,    Command::SameHeight,
    Command::SameBoth,        Command::SendToBack,    Command::BringToFront,
};
}  // namespace

CControllerView* CMainFrame::ActiveControllerView() const {
    QMdiSubWindow* window = m_mdi->activeSubWindow();
    if (!window) window = m_lastActive;
    return window ? qobject_cast<CControllerView*>(window->widget()) : nullptr;
}

QMdiSubWindow* CMainFrame::NewControllerForm() {
    auto document = std::make_unique<CControllerDocument>();
    document->SetTitle("Controller" + std::to_string(++m_newForms));
    return AddControllerWindow(new CControllerView(std::move(document)));
}

QMdiSubWindow* CMainFrame::OpenControllerForm(const std::string& path) {
    // A form that is open already comes to the front instead of opening twice.
    const std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        if (WindowDocumentPath(*window) == absolute) {
            m_mdi->setActiveSubWindow(window);
            return window;
        }
    }
    auto document = std::make_unique<CControllerDocument>();
    {
        tonalith::ui::CWaitCursor wait;
        if (!document->OnOpenDocument(absolute)) return nullptr;
    }
    return AddControllerWindow(new CControllerView(std::move(document)));
}

QMdiSubWindow* CMainFrame::AddControllerWindow(CControllerView* view) {
    QMdiSubWindow* window = m_mdi->addSubWindow(view);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(view->windowTitle());
    connect(view, &CControllerView::StateChanged, this, [this, view] {
        if (ActiveControllerView() == view) UpdateCommands();
    });
    connect(view, &CControllerView::StatusTextChanged, this, [this, view](const QString& text) {
        if (ActiveControllerView() == view) m_statusBar->showMessage(text);
    });
    // The controller menu and toolbar belong to the frame: they go when the last form has gone.
    connect(view, &QObject::destroyed, this, [this] {
        QMetaObject::invokeMethod(
            this, [this] { UpdateCommands(); }, Qt::QueuedConnection);
    });
    PlaceSubWindow(*window);
    window->show();
    view->Canvas().setFocus();
    m_mdi->setActiveSubWindow(window);
    OnSubWindowActivated(window);
    return window;
}

void CMainFrame::CreateControllerCommands() {
    m_controllerMenu = new QMenu("&Controller", this);
    m_controllerMenu->setObjectName("ControllerMenu");
    const auto addCommand = [this](const CControllerView::CommandInfo& info) {
        auto* action = new QAction(QString::fromUtf8(info.text), this);
        action->setIconText(QString::fromUtf8(info.text).section('\t', 0, 0).remove('&').remove("..."));
        action->setStatusTip(QString::fromUtf8(info.tip));
        action->setData(static_cast<int>(info.id));
        action->setCheckable(info.id == Command::Design || info.id == Command::Insert || info.id == Command::TabOrder);
        if (info.id == Command::Design) action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
        if (info.id == Command::Insert) action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
        connect(action, &QAction::triggered, this, [this, id = info.id] {
            CControllerView* view = ActiveControllerView();
            if (!view) return;
            if (!tonalith::ui::RunGuarded([&] { view->RunCommand(id); })) UpdateCommands();
        });
        m_controllerActions.push_back(action);
        return action;
    };
    for (const CControllerView::CommandInfo& info : CControllerView::MenuCommands()) {
        if (info.groupStart) m_controllerMenu->addSeparator();
        m_controllerMenu->addAction(addCommand(info));
    }
    m_sendOnRecall = m_controllerMenu->addAction("Send Snapshot &Values On Recall");
    m_sendOnRecall->setCheckable(true);
    m_sendOnRecall->setStatusTip("Recalling a snapshot sends the messages of the controls it changes");
    connect(m_sendOnRecall, &QAction::toggled, this, [this](bool on) {
        if (CControllerView* view = ActiveControllerView()) view->SetSendOnRecall(on);
    });
    menuBar()->insertMenu(m_toolsMenu->menuAction(), m_controllerMenu);

    m_controllerToolBar = addToolBar("Controller");
    m_controllerToolBar->setObjectName("ControllerToolBar");
    const auto actionFor = [this](Command id) {
        for (QAction* action : m_controllerActions)
            if (CommandOf(*action) == id) return action;
        return static_cast<QAction*>(nullptr);
    };
    m_snapshotCombo = new QComboBox(m_controllerToolBar);
    m_snapshotCombo->setObjectName("SnapshotCombo");
    m_snapshotCombo->setFixedWidth(200);
    QFont bold = m_snapshotCombo->font();
    bold.setBold(true);
    m_snapshotCombo->setFont(bold);
    connect(m_snapshotCombo, &QComboBox::activated, this, [this](int index) {
        if (CControllerView* view = ActiveControllerView())
            tonalith::ui::RunGuarded([&] { view->RecallSnapshot(index); });
    });
    for (Command id : kToolBarCommands) {
        if (id == Command::Design) {
            m_controllerToolBar->addWidget(m_snapshotCombo);
            m_controllerToolBar->addSeparator();
        }
        if (id == Command::AlignLeft || id == Command::SpaceHorizontal || id == Command::SameWidth ||
            id == Command::SendToBack)
            m_controllerToolBar->addSeparator();
        m_controllerToolBar->addAction(actionFor(id));
    }
    m_viewMenu->insertAction(m_viewMenu->actions().value(1), m_controllerToolBar->toggleViewAction());

    // The frame's file and edit commands reach the active form.
    const auto route = [this](QAction* action, auto command) {
        connect(action, &QAction::triggered, this, [this, command] {
            CControllerView* view = ActiveControllerView();
            if (!view) return;
            if (!tonalith::ui::RunGuarded([&] { command(*view); })) UpdateCommands();
        });
    };
    route(m_save, [](CControllerView& v) { v.Save(); });
    route(m_saveAs, [](CControllerView& v) { v.SaveAs(); });
    route(m_undo, [](CControllerView& v) { v.OnUndo(); });
    route(m_redo, [](CControllerView& v) { v.OnRedo(); });
    route(m_copy, [](CControllerView& v) { v.OnCopy(); });
    route(m_paste, [](CControllerView& v) { v.OnPaste(); });
    route(m_properties, [](CControllerView& v) { v.OnProperties(); });
}

bool CMainFrame::UpdateControllerCommands() {
    CControllerView* view = ActiveControllerView();
    // Remote controllers go to the active form only.
    for (QMdiSubWindow* window : m_mdi->subWindowList())
        if (auto* form = qobject_cast<CControllerView*>(window->widget())) form->SetRemoteActive(form == view);
    m_controllerMenu->menuAction()->setVisible(view != nullptr);
    m_controllerToolBar->setVisible(view != nullptr);
    if (!view) return false;

    for (QAction* action : m_controllerActions) {
        action->setEnabled(view->IsCommandEnabled(CommandOf(*action)));
        action->setChecked(view->IsCommandChecked(CommandOf(*action)));
    }
    m_sendOnRecall->setChecked(view->GetSendOnRecall());

    // The combo lists the form's snapshots; it works in run mode only.
    const CControllerDocument& document = view->GetDocument();
    QStringList names;
    for (const std::string& name : document.GetSnapshotNames()) names << tonalith::ui::FromPatchText(name);
    QStringList shown;
    for (int i = 0; i < m_snapshotCombo->count(); ++i) shown << m_snapshotCombo->itemText(i);
    if (names != shown) {
        m_snapshotCombo->clear();
        m_snapshotCombo->addItems(names);
    }
    m_snapshotCombo->setEnabled(view->GetMode() == CControllerView::RunMode);

    m_editMenu->menuAction()->setVisible(true);
    m_toolsMenu->menuAction()->setVisible(false);
    m_windowMenu->menuAction()->setVisible(true);
    for (QAction* a : {m_close, m_save, m_saveAs}) a->setEnabled(true);
    m_copy->setEnabled(view->IsCommandEnabled(Command::Copy));
    m_paste->setEnabled(view->IsCommandEnabled(Command::Paste));
    m_properties->setEnabled(view->IsCommandEnabled(Command::Properties));
    for (QAction* a : {m_saveLayers, m_print, m_printPreview, m_edit, m_init, m_write, m_copyToClipboard, m_copyNames,
                       m_find, m_send})
        a->setEnabled(false);
    const CCmdManager& commands = view->GetCommands();
    m_undo->setText(tonalith::ui::FromModelText(commands.GetUndoMenuText()));
    m_redo->setText(tonalith::ui::FromModelText(commands.GetRedoMenuText()));
    m_undo->setEnabled(view->IsCommandEnabled(Command::Undo));
    m_redo->setEnabled(view->IsCommandEnabled(Command::Redo));
    for (QAction* a : m_layerCommands) a->setEnabled(false);
    for (QAction* b : m_layerButtons) b->setVisible(false);
    return true;
}
