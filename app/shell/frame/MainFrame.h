#pragma once

#include <QMainWindow>
#include <QPointer>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Midi.h"

class CControllerView;
class CLibraryView;
class CMidiStatusBar;
class CPianoKeyboardWnd;
class CTransferStatusDlg;
struct CTransferState;
class CTonalithView;
class QAction;
class QActionGroup;
class QComboBox;
class QMdiArea;
class CLibraryDocument;
class QMdiSubWindow;
class QMenu;
class QTimer;
class QToolBar;

// The MDI main window: documents as subwindows, menus and toolbars that follow
// the active document, the status bar, remote MIDI and the window layout.
class CMainFrame final : public QMainWindow, public IMidiListener {
    Q_OBJECT

public:
    static constexpr int kLayerButtons = 7;
    static constexpr int kActivityMs = 300;
    static constexpr int kMaxLayerCommands = 11;

    CMainFrame();
    ~CMainFrame() override;

    // The frame, or null before it exists.
    static CMainFrame* Get();

    // Opens a document by its extension; null when it could not be opened.
    QMdiSubWindow* OpenDocumentFile(const std::string& path);
    // A new bank for a synth memory the user chooses.
    QMdiSubWindow* NewBank();
    void OnFileOpen();

    // Start-up: placement, documents of the last run, then the given paths.
    void RestoreLayout(const std::vector<std::string>& arguments);
    void SaveLayout();

    CTonalithView* ActiveBankView() const;
    // Library windows (MainFrameLibrary.cpp); the frame's commands follow whichever kind is active.
    CLibraryView* ActiveLibraryView() const;
    QMdiSubWindow* OpenLibrary(const std::string& path);
    QMdiSubWindow* NewLibrary();
    // Controller form windows (MainFrameController.cpp).
    CControllerView* ActiveControllerView() const;
    QMdiSubWindow* OpenControllerForm(const std::string& path);
    QMdiSubWindow* NewControllerForm();
    QMenu& ControllerMenu() const { return *m_controllerMenu; }
    QToolBar& ControllerToolBar() const { return *m_controllerToolBar; }
    QComboBox& SnapshotCombo() const { return *m_snapshotCombo; }
    // File > New: Bank, Library or Controller Form.
    void OnFileNew();
    // The file of a window's document, empty when it has none.
    static std::string WindowDocumentPath(const QMdiSubWindow& window);
    // A library window's columns and sort with the layout entry k.
    static void SaveWindowExtras(const QMdiSubWindow& window, int k);
    static void RestoreWindowExtras(QMdiSubWindow& window, int k);
    QMdiArea& MdiArea() const { return *m_mdi; }
    CMidiStatusBar& MidiStatusBar() const { return *m_statusBar; }
    QToolBar& MainToolBar() const { return *m_mainToolBar; }
    QMenu& ToolsMenu() const { return *m_toolsMenu; }
    QMenu& LayersMenu() const { return *m_layersMenu; }
    QMenu& WindowMenu() const { return *m_windowMenu; }
    QAction& UndoAction() const { return *m_undo; }
    QAction& RedoAction() const { return *m_redo; }
    const std::vector<QAction*>& LayerButtons() const { return m_layerButtons; }

    // The piano keyboard window, made on first use.
    CPianoKeyboardWnd& PianoKeyboard();
    QAction& PianoKeyboardAction() const { return *m_pianoKeyboard; }
    // Stops the MIDI file player, as before a transfer.
    void StopMidiFile();

    // The short-message sink: sends to every output device of the active document.
    void SendShortMessage(std::uint32_t message);
    std::vector<int> ActiveOutputDevices() const;
    void LightActivity();

    void OnMidiNotify(unsigned message, unsigned wParam, long lParam) override;

    // Settings dialog, then every bank view follows the new settings.
    void OnSettings();
    void OnAbout();

    // Receive, Receive All and Send (MainFrameTransfer.cpp).
    void OnReceive();
    void OnReceiveAll();
    void OnSend();
    CTransferStatusDlg& TransferStatus();
    // Milliseconds between the dumps of a Receive All (3000).
    void SetReceiveAllPause(int ms);
    bool IsReceiveAllRunning() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void StartMidi();
    void StopMidi();
    QMdiSubWindow* AddBankWindow(CTonalithView* view);
    // Sizes and places a document window just added: the first fills the work
    // area; later ones cascade inside it, each as large as it wants (the work
    // area where wanted is empty) within the room left.
    void PlaceSubWindow(QMdiSubWindow& window, QSize wanted = {});
    void OnSubWindowActivated(QMdiSubWindow* window);
    void UpdateCommands();
    void RebuildBankMenus(CTonalithView* view);
    void RunOnActiveView(void (CTonalithView::*command)());
    void OnTransferNotify(unsigned message, unsigned wParam, long lParam);
    void ReceiveAllNext();
    void EndTransfer();
    // The frame goes: a running transfer no longer reports to it.
    void AbandonTransfer();
    QMdiSubWindow* AddLibraryWindow(CLibraryView* view);
    void ConnectLibraryActions();
    // Menus and toolbar for an active library window; false when none is active.
    bool UpdateLibraryCommands();
    void CreateControllerCommands();
    QMdiSubWindow* AddControllerWindow(CControllerView* view);
    // Menu, toolbar and snapshots for an active form; false (and hidden) when none is active.
    bool UpdateControllerCommands();

    QMdiArea* m_mdi;
    CMidiStatusBar* m_statusBar;
    QToolBar* m_mainToolBar = nullptr;
    QTimer* m_activityTimer;
    QObject* m_testNoteFilter = nullptr;
    QPointer<QMdiSubWindow> m_lastActive;
    std::vector<int> m_remoteInputs;
    CTransferStatusDlg* m_transferStatus = nullptr;
    std::unique_ptr<CTransferState> m_transfer;
    std::unique_ptr<CPianoKeyboardWnd> m_piano;  // a child window, gone before the MIDI devices

    QMenu* m_fileMenu = nullptr;
    QMenu* m_editMenu = nullptr;
    QMenu* m_midiMenu = nullptr;
    QMenu* m_toolsMenu = nullptr;
    QMenu* m_viewMenu = nullptr;
    QMenu* m_layersMenu = nullptr;
    QMenu* m_windowMenu = nullptr;
    int m_newDocuments = 0;  // "Untitled", "Untitled 2", ...
    QMenu* m_helpMenu = nullptr;

    QAction* m_new = nullptr;
    QAction* m_open = nullptr;
    QAction* m_close = nullptr;
    QAction* m_save = nullptr;
    QAction* m_saveAs = nullptr;
    QAction* m_saveLayers = nullptr;
    QAction* m_print = nullptr;
    QAction* m_printPreview = nullptr;
    QAction* m_printSetup = nullptr;
    QAction* m_settings = nullptr;
    QAction* m_exit = nullptr;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
    QAction* m_copy = nullptr;
    QAction* m_paste = nullptr;
    QAction* m_find = nullptr;
    QAction* m_properties = nullptr;
    QAction* m_edit = nullptr;
    QAction* m_init = nullptr;
    QAction* m_write = nullptr;
    QAction* m_copyToClipboard = nullptr;
    QAction* m_copyNames = nullptr;
    QAction* m_layerDependencies = nullptr;
    QAction* m_receive = nullptr;
    QAction* m_receiveAll = nullptr;
    QAction* m_send = nullptr;
    QAction* m_pianoKeyboard = nullptr;
    QAction* m_about = nullptr;
    std::vector<QAction*> m_fixedButtons;
    std::vector<QAction*> m_layerButtons;
    std::vector<QAction*> m_layerCommands;

    QMenu* m_controllerMenu = nullptr;
    QToolBar* m_controllerToolBar = nullptr;
    QComboBox* m_snapshotCombo = nullptr;
    QAction* m_sendOnRecall = nullptr;
    int m_newForms = 0;  // "Controller1", "Controller2", ...
    std::vector<QAction*> m_controllerActions;  // data(): the view's command
};
