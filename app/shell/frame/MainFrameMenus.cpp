// The main frame's commands: actions, menus, toolbars, and how they follow the
// active document.
#include <QActionGroup>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QStyle>
#include <QToolBar>

#include "BankView.h"
#include "Commands.h"
#include "Layer.h"
#include "MainFrame.h"
#include "MidiStatusBar.h"
#include "PianoKeyboardWnd.h"
#include "SynthMemory.h"
#include "TonalithDoc.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/PatchText.h"

namespace {
QAction* MakeAction(QObject* parent, const QString& text, QList<QKeySequence> keys = {}, const QString& tip = {}) {
    auto* action = new QAction(text, parent);
    // Toolbar buttons show the text without the accelerator and mnemonic.
    action->setIconText(QString(text).section('\t', 0, 0).remove('&').remove("..."));
    if (!keys.isEmpty()) action->setShortcuts(keys);
    if (!tip.isEmpty()) action->setStatusTip(tip);
    return action;
}

constexpr const char* kLater = "Not available in this version.";
}  // namespace

void CMainFrame::CreateActions() {
    QStyle* s = style();
    m_new = MakeAction(this, "&New\tCtrl+N", {QKeySequence(Qt::CTRL | Qt::Key_N)}, "Create a new bank");
    m_new->setIcon(s->standardIcon(QStyle::SP_FileIcon));
    connect(m_new, &QAction::triggered, this, &CMainFrame::OnFileNew);
    m_open = MakeAction(this, "&Open...\tCtrl+O", {QKeySequence(Qt::CTRL | Qt::Key_O)},
                        "Open a bank, library or controller form");
    m_open->setIcon(s->standardIcon(QStyle::SP_DialogOpenButton));
    connect(m_open, &QAction::triggered, this, &CMainFrame::OnFileOpen);
    m_close = MakeAction(this, "&Close\tCtrl+F4", {QKeySequence(Qt::CTRL | Qt::Key_F4)}, "Close the active document");
    connect(m_close, &QAction::triggered, m_mdi, &QMdiArea::closeActiveSubWindow);
    m_save = MakeAction(this, "&Save\tCtrl+S", {QKeySequence(Qt::CTRL | Qt::Key_S)}, "Save the active document");
    m_save->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    connect(m_save, &QAction::triggered, this, [this] {
        if (CTonalithView* view = ActiveBankView()) view->Save();
    });
    m_saveAs = MakeAction(this, "Save &As...");
    connect(m_saveAs, &QAction::triggered, this, [this] {
        if (CTonalithView* view = ActiveBankView()) view->SaveAs();
    });
    m_saveLayers = MakeAction(this, "Save &Layers...");
    connect(m_saveLayers, &QAction::triggered, this, [this] { RunOnActiveView(&CTonalithView::OnSaveLayers); });
    m_print = MakeAction(this, "&Print...\tCtrl+P", {QKeySequence(Qt::CTRL | Qt::Key_P)});
    connect(m_print, &QAction::triggered, this, [this] { RunOnActiveView(&CTonalithView::OnPrint); });
    m_printPreview = MakeAction(this, "Print Pre&view");
    connect(m_printPreview, &QAction::triggered, this, [this] { RunOnActiveView(&CTonalithView::OnPrintPreview); });
    m_printSetup = MakeAction(this, "P&rint Setup...");
    connect(m_printSetup, &QAction::triggered, this, [this] {
        QPrinter printer;
        QPageSetupDialog dialog(&printer, this);
        tonalith::ui::RunDialog(dialog);
    });
    m_settings = MakeAction(this, "Se&ttings...");
    connect(m_settings, &QAction::triggered, this, &CMainFrame::OnSettings);
    m_exit = MakeAction(this, "E&xit\tCtrl+Q", {QKeySequence(QKeySequence::Quit)});
    connect(m_exit, &QAction::triggered, this, &QWidget::close);

    m_undo = MakeAction(this, "Undo\tCtrl+Z",
                        {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    m_undo->setIcon(s->standardIcon(QStyle::SP_ArrowBack));
    connect(m_undo, &QAction::triggered, this, [this] { RunOnActiveView(&CTonalithView::OnUndo); });
    m_redo = MakeAction(this, "Redo\tCtrl+Y", {QKeySequence(Qt::CTRL | Qt::Key_Y)});
    m_redo->setIcon(s->standardIcon(QStyle::SP_ArrowForward));
    connect(m_redo, &QAction::triggered, this, [this] { RunOnActiveView(&CTonalithView::OnRedo); });
    m_copy =
        MakeAction(this, "&Copy\tCtrl+C", {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)},
                   "Copy the selected patches into the copybox");
    connect(m_copy, &QAction::triggered, this, [this] { RunOnActiveView(&CTonalithView::OnCopy); });
    m_paste = MakeAction(this, "P&aste...\tCtrl+V",
                         {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)},
                         "Paste patches from the copybox");
    connect(m_paste, &QAction::triggered, this, [this] { RunOnActiveView(&CTonalithView::OnPaste); });
    m_find = MakeAction(this, "&Find...", {}, kLater);
    m_properties = MakeAction(this, "P&roperties...\tCtrl+T", {QKeySequence(Qt::CTRL | Qt::Key_T)}, kLater);
    m_edit = MakeAction(this, "&Edit...\tCtrl+E", {QKeySequence(Qt::CTRL | Qt::Key_E)}, "Edit the focused patch");
    connect(m_edit, &QAction::triggered, this, [this] { RunOnActiveView(&CTonalithView::OnEdit); });
    m_init = MakeAction(this, "&Init", {}, "Initialise the selected patches");
    connect(m_init, &QAction::triggered, this, [this] { RunOnActiveView(&CTonalithView::OnInit); });
    m_write = MakeAction(this, "&Write", {}, "Write the focused patch into the synthesizer's memory");
    connect(m_write, &QAction::triggered, this, [this] { RunOnActiveView(&CTonalithView::OnWrite); });
    m_copyToClipboard = MakeAction(this, "Copy To Clip&board", {}, "Copy the bank file as hex text");
    connect(m_copyToClipboard, &QAction::triggered, this,
            [this] { RunOnActiveView(&CTonalithView::OnCopyToClipboard); });
    m_copyNames = MakeAction(this, "Copy &Names To Clipboard", {}, "Copy the names of the layer's patches");
    connect(m_copyNames, &QAction::triggered, this,
            [this] { RunOnActiveView(&CTonalithView::OnCopyNamesToClipboard); });
    m_layerDependencies =
        MakeAction(this, "Layer &Dependencies...", {}, "Show which patches of other layers refer to each other");
    connect(m_layerDependencies, &QAction::triggered, this,
            [this] { RunOnActiveView(&CTonalithView::OnLayerDependencies); });

    m_receive = MakeAction(this, "&Receive...\tCtrl+R", {QKeySequence(Qt::CTRL | Qt::Key_R)},
                           "Receive a dump from a synthesizer");
    connect(m_receive, &QAction::triggered, this, &CMainFrame::OnReceive);
    m_receiveAll = MakeAction(this, "Receive All...\tCtrl+Shift+R", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)},
                              "Receive several dumps into a dated folder");
    connect(m_receiveAll, &QAction::triggered, this, &CMainFrame::OnReceiveAll);
    m_send =
        MakeAction(this, "&Send...\tCtrl+D", {QKeySequence(Qt::CTRL | Qt::Key_D)}, "Send layers to the synthesizer");
    connect(m_send, &QAction::triggered, this, &CMainFrame::OnSend);
    m_pianoKeyboard = MakeAction(this, "&Piano Keyboard", {}, "Show or hide the piano keyboard and MIDI file player");
    m_pianoKeyboard->setCheckable(true);
    connect(m_pianoKeyboard, &QAction::triggered, this, [this](bool show) { PianoKeyboard().setVisible(show); });
    for (QAction* later : {m_find, m_properties}) later->setEnabled(false);
    m_about = MakeAction(this, "&About Tonalith!...");
    connect(m_about, &QAction::triggered, this, &CMainFrame::OnAbout);

    for (int k = 0; k < kMaxLayerCommands; ++k) {
        QAction* action = MakeAction(this, QString("Layer %1").arg(k + 1));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, k] {
            if (CTonalithView* view = ActiveBankView()) view->SelectLayer(k);
        });
        m_layerCommands.push_back(action);
    }
    ConnectLibraryActions();
}

void CMainFrame::CreateMenus() {
    m_fileMenu = menuBar()->addMenu("&File");
    m_fileMenu->addActions({m_new, m_open, m_close, m_save, m_saveAs, m_saveLayers});
    m_fileMenu->addSeparator();
    m_fileMenu->addActions({m_print, m_printPreview, m_printSetup});
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_settings);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_exit);

    m_editMenu = menuBar()->addMenu("&Edit");
    m_editMenu->addActions({m_undo, m_redo});
    m_editMenu->addSeparator();
    m_editMenu->addActions({m_copy, m_paste});
    m_editMenu->addSeparator();
    m_editMenu->addActions({m_edit, m_init, m_write});
    m_editMenu->addSeparator();
    m_editMenu->addActions({m_copyToClipboard, m_copyNames, m_layerDependencies});

    m_midiMenu = menuBar()->addMenu("&Midi");
    m_midiMenu->addActions({m_receive, m_receiveAll, m_send});

    m_toolsMenu = menuBar()->addMenu("&Tools");
    m_viewMenu = menuBar()->addMenu("&View");
    m_layersMenu = m_viewMenu->addMenu("&Layers");
    m_viewMenu->addAction(m_pianoKeyboard);

    m_windowMenu = menuBar()->addMenu("&Window");
    m_windowMenu->addAction("&Cascade", m_mdi, &QMdiArea::cascadeSubWindows);
    m_windowMenu->addAction("&Tile", m_mdi, &QMdiArea::tileSubWindows);
    m_windowMenu->addAction("Ne&xt Window", QKeySequence(Qt::Key_F6), m_mdi, &QMdiArea::activateNextSubWindow);
    m_windowMenu->addAction("Pre&vious Window", QKeySequence(Qt::SHIFT | Qt::Key_F6), m_mdi,
                            &QMdiArea::activatePreviousSubWindow);
    // The open documents, numbered, the active one checked.
    m_windowMenu->addSeparator();
    const int fixedEntries = static_cast<int>(m_windowMenu->actions().size());
    connect(m_windowMenu, &QMenu::aboutToShow, this, [this, fixedEntries] {
        const QList<QAction*> actions = m_windowMenu->actions();
        for (qsizetype i = fixedEntries; i < actions.size(); ++i)
            m_windowMenu->removeAction(actions[i]), actions[i]->deleteLater();
        const QList<QMdiSubWindow*> windows = m_mdi->subWindowList();
        for (qsizetype i = 0; i < windows.size(); ++i) {
            QMdiSubWindow* window = windows[i];
            const QString title = window->windowTitle().remove("[*]");
            QAction* entry = m_windowMenu->addAction(i < 9 ? QString("&%1 %2").arg(i + 1).arg(title) : title);
            entry->setCheckable(true);
            entry->setChecked(window == m_mdi->activeSubWindow());
            connect(entry, &QAction::triggered, this, [this, window] { m_mdi->setActiveSubWindow(window); });
        }
    });

    m_helpMenu = menuBar()->addMenu("&Help");
    m_helpMenu->addAction(m_about);
}

void CMainFrame::CreateToolBars() {
    m_mainToolBar = addToolBar("Main");
    m_mainToolBar->setObjectName("MainToolBar");
    m_fixedButtons = {m_new,  m_open,          m_save,  nullptr,      m_undo,  m_redo,  nullptr,
                      m_copy, m_paste,         m_find,  m_properties, nullptr, m_print, nullptr,
                      m_edit, m_pianoKeyboard, nullptr, m_receive,    m_send,  nullptr};
    for (QAction* action : m_fixedButtons) {
        if (action) m_mainToolBar->addAction(action);
        else m_mainToolBar->addSeparator();
    }
    for (int k = 0; k < kLayerButtons; ++k) {
        QAction* button = m_mainToolBar->addAction(QString::number(k + 1));
        button->setCheckable(true);
        connect(button, &QAction::triggered, this, [this, k] {
            if (CTonalithView* view = ActiveBankView()) view->SelectLayer(k);
        });
        m_layerButtons.push_back(button);
    }
    m_viewMenu->insertAction(m_viewMenu->actions().value(0), m_mainToolBar->toggleViewAction());
}

void CMainFrame::OnSubWindowActivated(QMdiSubWindow* window) {
    if (window) m_lastActive = window;
    auto* view = window ? qobject_cast<CTonalithView*>(window->widget()) : nullptr;
    if (view || window || m_mdi->subWindowList().isEmpty()) RebuildBankMenus(view);
    UpdateCommands();
}

void CMainFrame::RebuildBankMenus(CTonalithView* view) {
    // View > Layers: one entry per layer of the active bank.
    m_layersMenu->clear();
    if (!view) {
        m_layersMenu->addAction("Empty")->setEnabled(false);
    } else {
        const CSynthMemory& memory = *view->GetDocument().GetMemory();
        for (int k = 0; k < memory.GetLayerCount() && k < kMaxLayerCommands; ++k) {
            m_layerCommands[static_cast<std::size_t>(k)]->setText(QString::fromStdString(memory.GetLayer(k).GetName()));
            m_layersMenu->addAction(m_layerCommands[static_cast<std::size_t>(k)]);
        }
    }
    // Tools: the bank's tools, or the placeholder.
    m_toolsMenu->clear();
    const std::vector<std::string> tools = view ? view->GetToolMenuTexts() : std::vector<std::string>{};
    if (tools.empty()) m_toolsMenu->addAction("No additional Tools available")->setEnabled(false);
    for (int k = 0; k < static_cast<int>(tools.size()) && k < CTonalithView::kMaxTools; ++k) {
        m_toolsMenu->addAction(QString::fromStdString(tools[static_cast<std::size_t>(k)]), this, [this, k] {
            if (CTonalithView* v = ActiveBankView()) v->OnRunTool(k);
        });
    }
    // The toolbar's layer buttons carry the active bank's layer names.
    const CSynthMemory* memory = view ? view->GetDocument().GetMemory() : nullptr;
    for (int k = 0; k < kLayerButtons; ++k) {
        QAction* button = m_layerButtons[static_cast<std::size_t>(k)];
        const bool exists = memory && k < memory->GetLayerCount();
        button->setVisible(exists);
        if (exists) {
            const QString name = QString::fromStdString(memory->GetLayer(k).GetName());
            button->setText(name);
            button->setToolTip(QString("Show the %1 layer").arg(name));
        }
    }
}

void CMainFrame::UpdateCommands() {
    const bool library = UpdateLibraryCommands();
    if (UpdateControllerCommands() || library) return;
    CTonalithView* view = ActiveBankView();
    const bool bank = view != nullptr;
    // With no document the menu bar is File, Midi, View, Help.
    m_editMenu->menuAction()->setVisible(bank);
    m_toolsMenu->menuAction()->setVisible(bank);
    m_windowMenu->menuAction()->setVisible(!m_mdi->subWindowList().isEmpty());
    for (QAction* a : {m_close, m_save, m_saveAs, m_saveLayers, m_print, m_printPreview, m_copy, m_paste, m_edit,
                       m_init, m_write, m_copyToClipboard, m_copyNames, m_layerDependencies, m_send})
        a->setEnabled(bank);
    if (!bank) {
        m_undo->setText("Undo\tCtrl+Z");
        m_redo->setText("Redo\tCtrl+Y");
        m_undo->setEnabled(false);
        m_redo->setEnabled(false);
        for (QAction* b : m_layerButtons) b->setVisible(false);
        return;
    }
    const CCmdManager& commands = view->GetCommands();
    m_undo->setText(tonalith::ui::FromModelText(commands.GetUndoMenuText()));
    m_redo->setText(tonalith::ui::FromModelText(commands.GetRedoMenuText()));
    m_undo->setEnabled(commands.CanUndo());
    m_redo->setEnabled(commands.CanRedo());
    m_save->setEnabled(true);
    const int layers = view->GetDocument().GetMemory()->GetLayerCount();
    for (int k = 0; k < kMaxLayerCommands; ++k) {
        QAction* a = m_layerCommands[static_cast<std::size_t>(k)];
        a->setEnabled(k < layers);
        a->setChecked(k == view->GetCurrentLayerIndex());
    }
    for (int k = 0; k < kLayerButtons; ++k)
        m_layerButtons[static_cast<std::size_t>(k)]->setChecked(k == view->GetCurrentLayerIndex());
}
