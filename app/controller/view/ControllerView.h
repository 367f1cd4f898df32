#pragma once

#include <QPoint>
#include <QRect>
#include <QScrollArea>

#include <memory>
#include <vector>

#include <tonalith/Document.h>
#include <tonalith/Midi.h>

#include "ControllerDocument.h"

class CBasicCommand;
class CCmdManager;
class CDesignSurface;
class CFormCanvas;
class CFormControl;
class CFormOverlay;
class QMenu;
class QMimeData;

// The controller form window. Run mode: the controls are live and send their
// messages. Design mode: select, move, resize, align, copy and delete items.
// Insert mode: draw the rectangle of a new item. Tab-order mode: click the items
// in their tabbing order. Every layout change is an undoable command of the
// view's command manager.
class CControllerView final : public QScrollArea, public CView, public IMidiListener {
    Q_OBJECT

public:
    enum Mode { RunMode = 0, DesignMode = 1, InsertMode = 2, TabOrderMode = 3 };

    // The commands of the controller menu, toolbar and design context menu.
    enum class Command {
        Design,
        Insert,
        TabOrder,
        AlignLeft,
        AlignRight,
        AlignTop,
        AlignBottom,
        SpaceHorizontal,
        SpaceVertical,
        SameWidth,
        SameHeight,
        SameBoth,
        SendToBack,
        BringToFront,
        Copy,
        Paste,
        Delete,
        Properties,
        SetOutputPorts,
        Info,
        AddSnapshot,
        EditSnapshots,
        Reset,
        Undo,
        Redo,
    };
    struct CommandInfo {
        Command id;
        const char* text;
        const char* tip;
        bool groupStart;  // a separator goes before it
    };
    // The controller menu in order (Copy, Paste, Delete, Properties, Undo and Redo
    // are the frame's Edit commands and not in it).
    static const std::vector<CommandInfo>& MenuCommands();

    static constexpr const char* kMimeType = "application/x-tonalith-controller-item";
    static constexpr int kSnapDistance = 5;

    // Takes the document (one view per form).
    explicit CControllerView(std::unique_ptr<CControllerDocument> document, QWidget* parent = nullptr);
    ~CControllerView() override;

    CControllerDocument& GetDocument() const { return *m_document; }
    CCmdManager& GetCommands() const { return *m_commands; }
    CDesignSurface& GetSurface() const { return *m_surface; }
    QWidget& Canvas() const;
    // The control of the item at position (null when there is none).
    CFormControl* Control(int position) const;
    Mode GetMode() const { return m_mode; }
    void SetMode(Mode mode);

    bool IsCommandEnabled(Command command) const;
    bool IsCommandChecked(Command command) const;
    void RunCommand(Command command);

    // "%d, %d - %d x %d" of the focused item, empty without one.
    QString StatusText() const;

    // Snapshots: recall sends the messages of the controls whose value changed
    // only while SetSendOnRecall(true).
    void RecallSnapshot(int index);
    void SetSendOnRecall(bool send) { m_sendOnRecall = send; }
    bool GetSendOnRecall() const { return m_sendOnRecall; }

    // Remote controllers reach the form while it is the active one.
    void SetRemoteActive(bool active);

    // The "Tonalith Controller Item" payload of the selection; dragPoint is relative to the focused item.
    std::unique_ptr<QMimeData> CreateItemData(QPoint dragPoint = {}) const;
    // A drop at a canvas point: this view's own items move there, another form's are pasted there.
    bool Drop(const QMimeData& mime, QPoint canvasPoint);
    bool IsOwnDrag(const QMimeData& mime) const;

    bool Save();
    bool SaveAs();

    void OnUpdate(CView* sender, long hint, const void* hintObject) override;
    void OnMidiNotify(unsigned message, unsigned wParam, long lParam) override;

public slots:
    void OnCopy();
    void OnPaste();
    void OnDelete();
    void OnProperties();
    void OnUndo();
    void OnRedo();
    void OnReset();
    void OnAddSnapshot();
    void OnEditSnapshots();
    void OnSetOutputPorts();
    void OnInfo();

signals:
    // Mode, selection, undo stack, snapshots or modified flag changed: menus follow.
    void StateChanged();
    void StatusTextChanged(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class CFormCanvas;
    friend class CFormOverlay;

    // Mouse tracking on the canvas in design and insert mode.
    enum class Tracking { None, Band, Move, Resize, Insert };

    void RebuildControls();
    void ApplyModeToControls();
    void ApplyTabOrder();
    void SelectionChanged();
    void UpdateTitle();
    void Execute(std::unique_ptr<CBasicCommand> command);
    void OnControlEvent(const CFormControl* control, int eventId, int value);
    int PositionOf(const CFormControl* control) const;

    // Canvas input (ControllerViewInput.cpp).
    void CanvasPress(QMouseEvent& event);
    void CanvasMove(QMouseEvent& event);
    void CanvasRelease(QMouseEvent& event);
    void CanvasDoubleClick(QMouseEvent& event);
    bool CanvasKey(QKeyEvent& event);
    int HandleAt(QPoint point) const;
    QRect ResizedRect(QPoint point) const;
    QPoint SnappedOffset(QPoint offset) const;
    void PreviewOffset(QPoint offset);
    void FinishMove(QPoint offset);
    void InsertItem(const QRect& band);
    void StartDrag();
    // The rectangle an item shows while tracking (moved or resized).
    QRect ShownRect(int position) const;
    // Pastes payload items; at, when given, is where the focused item's drag point lands.
    bool PasteItems(const QMimeData& mime, const QPoint* at);

    std::unique_ptr<CControllerDocument> m_document;
    std::unique_ptr<CCmdManager> m_commands;
    std::unique_ptr<CDesignSurface> m_surface;
    CFormCanvas* m_canvas;
    CFormOverlay* m_overlay;
    std::vector<CFormControl*> m_controls;  // by item position
    QMenu* m_contextMenu;
    Mode m_mode = RunMode;
    bool m_sendOnRecall = false;
    bool m_remoteActive = false;
    bool m_ownDrag = false;

    Tracking m_tracking = Tracking::None;
    QPoint m_press;
    QPoint m_current;
    QPoint m_offset;  // the move so far (snapped)
    int m_dragged = -1;
    int m_handle = -1;
};
