#include "ControllerView.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>

#include <algorithm>
#include <filesystem>

#include <tonalith/Commands.h>
#include <tonalith/Ui.h>

#include "ControllerCommands.h"
#include "ControllerDialogs.h"
#include "DesignSurface.h"
#include "FormControls.h"
#include "ControllerViewParts.h"
#include "ItemPayload.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/PatchText.h"

namespace {
constexpr const char* kSourceMime = "application/x-tonalith-controller-view";
constexpr const char* kFilter = "Controller Forms (*.cof)|*.cof|All Files (*.*)|*.*||";
constexpr int kToolTipMs = 2000;  // how long a control's tooltip stays

QByteArray SourceTag(const void* view) {
    return QByteArray::number(QCoreApplication::applicationPid()) + ":" +
           QByteArray::number(reinterpret_cast<quintptr>(view));
}
}  // namespace

const std::vector<CControllerView::CommandInfo>& CControllerView::MenuCommands() {
    static const std::vector<CommandInfo> commands{
        {Command::Design, "&Design...\tCtrl+G", "Switch between design and run mode", false},
        {Command::Insert, "&Insert\tCtrl+I", "Draw a new control on the form", false},
        {Command::TabOrder, "&Tab Order", "Click the controls in their tabbing order", false},
        {Command::AlignLeft, "Align &Left", "Align the selected controls to the focused one's left edge", true},
        {Command::AlignRight, "Align &Right", "Align the selected controls to the focused one's right edge", false},
        {Command::AlignTop, "Align T&op", "Align the selected controls to the focused one's top edge", false},
        {Command::AlignBottom, "Align &Bottom", "Align the selected controls to the focused one's bottom edge", false},
        {Command::SpaceHorizontal, "Space Evenly &Horizontal", "Equal gaps between the selected controls", true},
        {Command::SpaceVertical, "Space Evenly &Vertical", "Equal gaps between the selected controls", false},
        {Command::SameWidth, "Make Same Size &Width", "Give the selected controls the focused one's width", true},
        {Command::SameHeight, "Make Same Size H&eight", "Give the selected controls the focused one's height", false},
        {Command::SameBoth, "Make Same Size Bot&h", "Give the selected controls the focused one's size", false},
        {Command::SendToBack, "Send To Bac&k", "Put the focused control behind all others", true},
        {Command::BringToFront, "Bring To &Front", "Put the focused control in front of all others", false},
        {Command::SetOutputPorts, "Set Output &Ports...",
         "Allows you to set the output ports and midi channels for all control items.", true},
        {Command::Info, "I&nfo...", "Edit the info for this controller document.", false},
        {Command::AddSnapshot, "&Add Snapshot", "Creates a new snapshot with the current controller values.", true},
        {Command::EditSnapshots, "Edit &Snapshots...", "Order, name or delete the current controller snapshots.",
         false},
        {Command::Reset, "R&eset", "Reset all controls to their default value.", true},
    };
    return commands;
}

CControllerView::CControllerView(std::unique_ptr<CControllerDocument> document, QWidget* parent)
    : QScrollArea(parent), m_document(std::move(document)), m_commands(std::make_unique<CCmdManager>(m_document.get())),
      m_surface(std::make_unique<CDesignSurface>(*m_document, *m_commands)), m_canvas(new CFormCanvas(*this)),
      m_overlay(new CFormOverlay(*this, m_canvas)), m_contextMenu(new QMenu(this)) {
    setWidget(m_canvas);
    setWidgetResizable(false);
    m_document->AddView(this);

    // The design context menu: the layout commands and the Edit commands the frame otherwise carries.
    const auto add = [this](Command id, const QString& text) {
        QAction* action = m_contextMenu->addAction(text);
        action->setData(static_cast<int>(id));
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    };
    add(Command::Copy, "&Copy\tCtrl+C");
    add(Command::Paste, "&Paste...\tCtrl+V");
    add(Command::Delete, "&Delete\tDel");
    add(Command::Properties, "P&roperties...\tCtrl+T");
    for (const CommandInfo& info : MenuCommands()) {
        if (info.id == Command::SetOutputPorts) break;  // the form-wide commands live in the menu only
        if (info.groupStart || info.id == Command::Design) m_contextMenu->addSeparator();
        add(info.id, info.text);
    }
    connect(m_contextMenu, &QMenu::aboutToShow, this, [this] {
        for (QAction* action : m_contextMenu->actions()) {
            if (action->isSeparator()) continue;
            const auto id = static_cast<Command>(action->data().toInt());
            action->setEnabled(IsCommandEnabled(id));
            action->setCheckable(id == Command::Design || id == Command::Insert || id == Command::TabOrder);
            action->setChecked(IsCommandChecked(id));
        }
    });

    RebuildControls();
    ApplyModeToControls();
    UpdateTitle();
    m_document->SetModifiedListener([this](bool) {
        UpdateTitle();
        emit StateChanged();
    });
}

CControllerView::~CControllerView() {
    SetRemoteActive(false);
    m_document->SetModifiedListener({});
    // Commands and the surface refer to the document: they go first.
    m_surface.reset();
    m_commands.reset();
    m_document->RemoveView(this);
}

QWidget& CControllerView::Canvas() const { return *m_canvas; }

CFormControl* CControllerView::Control(int position) const {
    return position >= 0 && position < static_cast<int>(m_controls.size()) ? m_controls[position] : nullptr;
}

int CControllerView::PositionOf(const CFormControl* control) const {
    const auto at = std::find(m_controls.begin(), m_controls.end(), control);
    return at == m_controls.end() ? -1 : static_cast<int>(at - m_controls.begin());
}

QRect CControllerView::ShownRect(int position) const {
    const QRect rect = ToQRect(m_document->GetItem(position).GetRect());
    if (m_tracking == Tracking::Move && m_surface->IsSelected(position)) return rect.translated(m_offset);
    if (m_tracking == Tracking::Resize && position == m_surface->GetFocused()) return ResizedRect(m_current);
    return rect;
}

void CControllerView::RebuildControls() {
    for (CFormControl* control : m_controls) delete control;
    m_controls.clear();
    for (int position = 0; position < m_document->GetItemCount(); ++position) {
        const CContainerItem& item = m_document->GetItem(position);
        CFormControl* control = CreateFormControl(item.GetClassId(), m_canvas);
        if (!control) control = new CFormControl(m_canvas);  // an item without data still takes its place
        if (const CItemData* itemData = item.GetItemData()) itemData->ApplyToControl(*control);
        control->SetValue(static_cast<std::int16_t>(item.GetValue()));
        if (const CMidiItemData* midi = item.GetMidiData()) {
            control->setToolTip(tonalith::ui::FromPatchText(midi->m_strTooltip));
            control->setToolTipDuration(kToolTipMs);
        }
        control->setGeometry(ToQRect(item.GetRect()));
        connect(control, &CFormControl::ValueEvent, this,
                [this, control](int eventId, int value) { OnControlEvent(control, eventId, value); });
        control->show();
        m_controls.push_back(control);
    }
    m_overlay->raise();
    ApplyModeToControls();
    ApplyTabOrder();
}

void CControllerView::ApplyModeToControls() {
    const bool run = m_mode == RunMode;
    for (CFormControl* control : m_controls) {
        // In the design modes every click belongs to the canvas.
        control->setAttribute(Qt::WA_TransparentForMouseEvents, !run);
        control->setFocusPolicy(run ? Qt::StrongFocus : Qt::NoFocus);
        if (QWidget* inner = control->focusProxy()) inner->setFocusPolicy(run ? Qt::StrongFocus : Qt::NoFocus);
    }
    m_overlay->setVisible(!run);
    m_canvas->setCursor(m_mode == InsertMode ? Qt::CrossCursor : Qt::ArrowCursor);
}

void CControllerView::ApplyTabOrder() {
    QWidget* previous = nullptr;
    for (std::uint16_t position : m_document->GetTabOrder()) {
        CFormControl* control = Control(position);
        if (!control) continue;
        if (previous) QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

void CControllerView::SetMode(Mode mode) {
    if (mode == m_mode) return;
    if (m_mode == TabOrderMode) m_surface->EndTabOrder();
    if (mode == TabOrderMode) m_surface->BeginTabOrder();
    m_tracking = Tracking::None;
    m_mode = mode;
    ApplyModeToControls();
    if (mode == RunMode) {
        QWidget* focus = QApplication::focusWidget();
        const bool controlHasFocus = focus && m_canvas->isAncestorOf(focus) && focus != m_canvas;
        const auto& order = m_document->GetTabOrder();
        if (!controlHasFocus && !order.empty())
            if (CFormControl* first = Control(order.front())) first->setFocus(Qt::TabFocusReason);
    } else {
        m_canvas->setFocus();
    }
    m_canvas->update();
    m_overlay->update();
    emit StateChanged();
}

void CControllerView::OnControlEvent(const CFormControl* control, int eventId, int value) {
    const int position = PositionOf(control);
    if (position < 0) return;
    m_document->OnValueEvent(position, eventId, value, m_mode == RunMode);
}

void CControllerView::SelectionChanged() {
    m_overlay->update();
    emit StatusTextChanged(StatusText());
    emit StateChanged();
}

QString CControllerView::StatusText() const {
    const int focused = m_surface->GetFocused();
    if (focused < 0 || focused >= m_document->GetItemCount()) return {};
    const QRect r = ShownRect(focused);
    return QString::asprintf("%d, %d - %d x %d", r.left(), r.top(), r.width(), r.height());
}

void CControllerView::UpdateTitle() {
    QString title = tonalith::ui::FromModelText(m_document->GetTitle());
    if (m_document->IsModified()) title += '*';
    setWindowTitle(title);
    if (parentWidget()) parentWidget()->setWindowTitle(title);
}

void CControllerView::OnUpdate(CView*, long hint, const void* hintObject) {
    switch (hint) {
    case HINT_CONTROLLER_VALUES:
        for (int position = 0; position < m_document->GetItemCount(); ++position) {
            if (hintObject && hintObject != &m_document->GetItem(position)) continue;
            if (CFormControl* control = Control(position))
                control->SetValue(static_cast<std::int16_t>(m_document->GetItem(position).GetValue()));
        }
        return;
    case HINT_CONTROLLER_SNAPSHOTS: emit StateChanged(); return;
    case HINT_CONTROLLER_TAB_ORDER:
        ApplyTabOrder();
        m_overlay->update();
        return;
    default: break;
    }
    // Items came, went, moved or changed: positions in the selection may name nothing now.
    m_surface->SetSelection(m_surface->GetSelection());
    RebuildControls();
    SelectionChanged();
}

void CControllerView::Execute(std::unique_ptr<CBasicCommand> command) {
    m_commands->Execute(std::move(command));
    emit StateChanged();
}

// ---- commands -----------------------------------------------------------------

bool CControllerView::IsCommandEnabled(Command command) const {
    const bool design = m_mode == DesignMode;
    const bool notTabOrder = m_mode != TabOrderMode;
    const std::size_t selected = m_surface->GetSelection().size();
    const bool focused = m_surface->GetFocused() >= 0;
    switch (command) {
    case Command::Design:
    case Command::Insert: return notTabOrder;
    case Command::TabOrder: return m_mode == DesignMode || m_mode == TabOrderMode;
    case Command::AlignLeft:
    case Command::AlignRight:
    case Command::AlignTop:
    case Command::AlignBottom:
    case Command::SameWidth:
    case Command::SameHeight:
    case Command::SameBoth: return notTabOrder && selected > 1;
    case Command::SpaceHorizontal:
    case Command::SpaceVertical: return notTabOrder && selected > 2;
    case Command::SendToBack:
    case Command::BringToFront:
    case Command::Copy:
    case Command::Delete:
    case Command::Properties: return design && focused;
    case Command::Paste: {
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        return design && mime && mime->hasFormat(kMimeType);
    }
    case Command::Undo: return design && m_commands->CanUndo();
    case Command::Redo: return design && m_commands->CanRedo();
    case Command::SetOutputPorts:
    case Command::Info:
    case Command::AddSnapshot:
    case Command::EditSnapshots:
    case Command::Reset: return true;
    }
    return false;
}

bool CControllerView::IsCommandChecked(Command command) const {
    switch (command) {
    case Command::Design: return m_mode == DesignMode;
    case Command::Insert: return m_mode == InsertMode;
    case Command::TabOrder: return m_mode == TabOrderMode;
    default: return false;
    }
}

void CControllerView::RunCommand(Command command) {
    if (!IsCommandEnabled(command)) return;
    CDesignSurface& s = *m_surface;
    int moved = 0;
    switch (command) {
    case Command::Design: SetMode(m_mode == DesignMode ? RunMode : DesignMode); return;
    case Command::Insert: SetMode(m_mode == InsertMode ? RunMode : InsertMode); return;
    case Command::TabOrder: SetMode(m_mode == TabOrderMode ? DesignMode : TabOrderMode); return;
    case Command::AlignLeft: moved = s.AlignSelection(CDesignSurface::AlignLeft); break;
    case Command::AlignRight: moved = s.AlignSelection(CDesignSurface::AlignRight); break;
    case Command::AlignTop: moved = s.AlignSelection(CDesignSurface::AlignTop); break;
    case Command::AlignBottom: moved = s.AlignSelection(CDesignSurface::AlignBottom); break;
    case Command::SpaceHorizontal: moved = s.SpaceEvenly(true); break;
    case Command::SpaceVertical: moved = s.SpaceEvenly(false); break;
    case Command::SameWidth: moved = s.MakeSameSize(CDesignSurface::SameWidth); break;
    case Command::SameHeight: moved = s.MakeSameSize(CDesignSurface::SameHeight); break;
    case Command::SameBoth: moved = s.MakeSameSize(CDesignSurface::SameBoth); break;
    case Command::SendToBack:
    case Command::BringToFront: {
        const bool front = command == Command::BringToFront;
        Execute(std::make_unique<CZOrderCommand>(*m_document, s.GetFocused(),
                                                 front ? CZOrderCommand::ToFront : CZOrderCommand::ToBack));
        // The item now lies at the end or the start of the list.
        s.SetSelection({front ? m_document->GetItemCount() - 1 : 0});
        SelectionChanged();
        return;
    }
    case Command::Copy: OnCopy(); return;
    case Command::Paste: OnPaste(); return;
    case Command::Delete: OnDelete(); return;
    case Command::Properties: OnProperties(); return;
    case Command::Undo: OnUndo(); return;
    case Command::Redo: OnRedo(); return;
    case Command::SetOutputPorts: OnSetOutputPorts(); return;
    case Command::Info: OnInfo(); return;
    case Command::AddSnapshot: OnAddSnapshot(); return;
    case Command::EditSnapshots: OnEditSnapshots(); return;
    case Command::Reset: OnReset(); return;
    }
    if (moved > 0) SelectionChanged();
}

void CControllerView::OnCopy() {
    if (m_surface->GetFocused() < 0) return;
    QGuiApplication::clipboard()->setMimeData(CreateItemData().release());
    emit StateChanged();
}

void CControllerView::OnPaste() {
    if (m_mode != DesignMode) return;
    if (const QMimeData* mime = QGuiApplication::clipboard()->mimeData()) PasteItems(*mime, nullptr);
}

void CControllerView::OnDelete() {
    if (m_mode != DesignMode || m_surface->GetSelection().empty()) return;
    m_surface->DeleteSelection();
    SelectionChanged();
}

void CControllerView::OnProperties() {
    const int focused = m_surface->GetFocused();
    if (m_mode != DesignMode || focused < 0) return;
    if (EditControlProperties(this, *m_document, *m_commands, focused)) emit StateChanged();
}

void CControllerView::OnUndo() {
    if (m_mode == DesignMode && m_commands->CanUndo()) m_commands->Undo();
    emit StateChanged();
}

void CControllerView::OnRedo() {
    if (m_mode == DesignMode && m_commands->CanRedo()) m_commands->Redo();
    emit StateChanged();
}

void CControllerView::OnReset() { m_document->Reset(m_mode == RunMode); }

void CControllerView::OnAddSnapshot() { m_document->AddSnapshot(); }

void CControllerView::OnEditSnapshots() {
    EditSnapshots(this, *m_document);
    emit StateChanged();
}

void CControllerView::OnSetOutputPorts() { SetOutputPortsAndChannel(this, *m_document); }

void CControllerView::OnInfo() { EditFormInfo(this, *m_document); }

void CControllerView::RecallSnapshot(int index) {
    if (index < 0 || index >= m_document->GetSnapshotCount()) return;
    std::vector<int> before;
    for (int position = 0; position < m_document->GetItemCount(); ++position)
        before.push_back(m_document->GetItem(position).GetValue());
    m_document->RecallSnapshot(index, false);
    if (!m_sendOnRecall || m_mode != RunMode) return;
    for (int position = 0; position < m_document->GetItemCount(); ++position) {
        const int value = m_document->GetItem(position).GetValue();
        if (value != before[static_cast<std::size_t>(position)]) m_document->SendItem(position, value);
    }
}

// ---- remote control -------------------------------------------------------------

void CControllerView::SetRemoteActive(bool active) {
    if (active == m_remoteActive) return;
    m_remoteActive = active;
    if (active) CMidi::Get().AddControllerListener(this);
    else CMidi::Get().RemoveControllerListener(this);
}

void CControllerView::OnMidiNotify(unsigned message, unsigned wParam, long lParam) {
    if (message != MIDI_CONTROLLER || !m_remoteActive) return;
    m_document->OnRemoteController(static_cast<int>(wParam & 0x7F), static_cast<int>(lParam & 0x7F), m_mode == RunMode);
}

// ---- clipboard and drag and drop --------------------------------------------------

std::unique_ptr<QMimeData> CControllerView::CreateItemData(QPoint dragPoint) const {
    const std::vector<std::uint8_t> payload =
        EncodeItemPayload(*m_document, m_surface->GetSelection(), dragPoint.x(), dragPoint.y());
    auto mime = std::make_unique<QMimeData>();
    mime->setData(kMimeType,
                  QByteArray(reinterpret_cast<const char*>(payload.data()), static_cast<qsizetype>(payload.size())));
    mime->setData(kSourceMime, SourceTag(this));
    return mime;
}

bool CControllerView::IsOwnDrag(const QMimeData& mime) const {
    return m_ownDrag || mime.data(kSourceMime) == SourceTag(this);
}

bool CControllerView::Drop(const QMimeData& mime, QPoint canvasPoint) {
    if (m_mode != DesignMode || !mime.hasFormat(kMimeType)) return false;
    if (!IsOwnDrag(mime)) return PasteItems(mime, &canvasPoint);
    const QByteArray bytes = mime.data(kMimeType);
    int dragX = 0, dragY = 0;
    try {
        const CItemPayload payload = DecodeItemPayload(std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
                                                       m_document->GetOutput().GetDeviceCount());
        dragX = payload.dragX, dragY = payload.dragY;
    } catch (const std::exception&) {
        return false;
    }
    const int focused = m_surface->GetFocused();
    if (focused < 0) return false;
    const CRect& r = m_document->GetItem(focused).GetRect();
    FinishMove(QPoint(canvasPoint.x() - dragX - r.left, canvasPoint.y() - dragY - r.top));
    return true;
}

bool CControllerView::PasteItems(const QMimeData& mime, const QPoint* at) {
    const QByteArray bytes = mime.data(kMimeType);
    CItemPayload payload;
    try {
        payload = DecodeItemPayload(std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
                                    m_document->GetOutput().GetDeviceCount());
    } catch (const std::exception& e) {
        CUi::Get().MessageBox(std::string("The pasted controls could not be read: ") + e.what(), CUi::Icon::Warning);
        return false;
    }
    if (payload.items.empty()) return false;
    int dx = 0, dy = 0;
    if (at) {
        const CRect& focused = payload.items.front()->GetRect();
        dx = at->x() - payload.dragX - focused.left;
        dy = at->y() - payload.dragY - focused.top;
    }
    std::vector<int> pasted;
    for (auto& item : payload.items) {
        CRect r = item->GetRect();
        r = {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
        item->SetRect(m_surface->FreePlace(r));
        auto command = std::make_unique<CInsertItemCommand>(*m_document, std::move(item), CInsertItemCommand::Paste);
        CInsertItemCommand& inserted = *command;
        Execute(std::move(command));
        if (inserted.GetPosition() >= 0) pasted.push_back(inserted.GetPosition());
    }
    if (pasted.empty()) return false;
    // The pasted items are selected, the payload's focused item focused again.
    std::rotate(pasted.begin(), pasted.begin() + 1, pasted.end());
    m_surface->SetSelection(pasted);
    SelectionChanged();
    return true;
}

// ---- file ---------------------------------------------------------------------------

bool CControllerView::Save() {
    if (m_document->GetPathName().empty()) return SaveAs();
    const bool ok = m_document->OnSaveDocument(m_document->GetPathName());
    UpdateTitle();
    emit StateChanged();
    return ok;
}

bool CControllerView::SaveAs() {
    std::optional<std::string> chosen = CUi::Get().ChooseSaveFile("Save As", "cof", kFilter);
    if (!chosen) return false;
    if (std::filesystem::path(*chosen).extension().empty()) *chosen += ".cof";
    const bool ok = m_document->OnSaveDocument(*chosen);
    UpdateTitle();
    emit StateChanged();
    return ok;
}

void CControllerView::closeEvent(QCloseEvent* event) {
    if (m_document->IsModified() &&
        !tonalith::ui::AskToSaveChanges(this, m_document->GetTitle(), [this] { return Save(); })) {
        event->ignore();
        return;
    }
    event->accept();
}
