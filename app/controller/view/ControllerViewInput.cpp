// The form window's mouse and keyboard in the design modes: selecting, the rubber
// band, moving with snapping, resizing, drawing a new item, and dragging items out.
#include <QApplication>
#include <QDialog>
#include <QDrag>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <cstdlib>

#include "ControllerCommands.h"
#include "ControllerDialogs.h"
#include "ControllerView.h"
#include "ControllerViewParts.h"
#include "DesignSurface.h"
#include "FormControls.h"
#include "tonalith/ui/DialogRunner.h"

namespace {
constexpr int kMinimumSide = 4;

CRect FromQRect(const QRect& r) { return {r.left(), r.top(), r.right() + 1, r.bottom() + 1}; }

// The smallest correction (within kSnapDistance) that puts one of the edges a0, a1 on one of b0, b1.
int Snap(int a0, int a1, int b0, int b1, int best) {
    for (int a : {a0, a1})
        for (int b : {b0, b1})
            if (std::abs(b - a) <= CControllerView::kSnapDistance && std::abs(b - a) < std::abs(best)) best = b - a;
    return best;
}
}  // namespace

int CControllerView::HandleAt(QPoint point) const {
    const int focused = m_surface->GetFocused();
    if (focused < 0) return -1;
    const auto handles = CFormOverlay::Handles(ToQRect(m_document->GetItem(focused).GetRect()));
    for (std::size_t k = 0; k < handles.size(); ++k)
        if (handles[k].adjusted(-1, -1, 1, 1).contains(point)) return static_cast<int>(k);
    return -1;
}

QRect CControllerView::ResizedRect(QPoint point) const {
    const int focused = m_surface->GetFocused();
    const CRect r = m_document->GetItem(focused).GetRect();
    int left = r.left, top = r.top, right = r.right, bottom = r.bottom;
    const QPoint d = point - m_press;
    // Handles clockwise from top-left: 0 TL, 1 T, 2 TR, 3 R, 4 BR, 5 B, 6 BL, 7 L.
    if (m_handle == 0 || m_handle == 6 || m_handle == 7) left = std::min(r.left + d.x(), right - kMinimumSide);
    if (m_handle == 2 || m_handle == 3 || m_handle == 4) right = std::max(r.right + d.x(), left + kMinimumSide);
    if (m_handle == 0 || m_handle == 1 || m_handle == 2) top = std::min(r.top + d.y(), bottom - kMinimumSide);
    if (m_handle == 4 || m_handle == 5 || m_handle == 6) bottom = std::max(r.bottom + d.y(), top + kMinimumSide);
    return ToQRect({left, top, right, bottom});
}

QPoint CControllerView::SnappedOffset(QPoint offset) const {
    const CRect r = m_document->GetItem(m_dragged).GetRect();
    const int left = r.left + offset.x(), right = r.right + offset.x();
    const int top = r.top + offset.y(), bottom = r.bottom + offset.y();
    int dx = kSnapDistance + 1, dy = kSnapDistance + 1;
    for (int position = 0; position < m_document->GetItemCount(); ++position) {
        if (m_surface->IsSelected(position)) continue;
        const CRect& o = m_document->GetItem(position).GetRect();
        dx = Snap(left, right, o.left, o.right, dx);
        dy = Snap(top, bottom, o.top, o.bottom, dy);
    }
    if (std::abs(dx) <= kSnapDistance) offset.rx() += dx;
    if (std::abs(dy) <= kSnapDistance) offset.ry() += dy;
    // The selection stays on the form.
    int minLeft = CDesignSurface::kFormWidth, minTop = CDesignSurface::kFormHeight;
    for (int position : m_surface->GetSelection()) {
        minLeft = std::min(minLeft, m_document->GetItem(position).GetRect().left);
        minTop = std::min(minTop, m_document->GetItem(position).GetRect().top);
    }
    offset.rx() = std::max(offset.x(), -minLeft);
    offset.ry() = std::max(offset.y(), -minTop);
    return offset;
}

void CControllerView::PreviewOffset(QPoint offset) {
    m_offset = offset;
    for (int position : m_surface->GetSelection())
        if (CFormControl* control = Control(position)) control->setGeometry(ShownRect(position));
    m_overlay->update();
    emit StatusTextChanged(StatusText());
}

void CControllerView::FinishMove(QPoint offset) {
    m_tracking = Tracking::None;
    m_offset = {};
    if (offset.isNull()) {
        for (int position : m_surface->GetSelection())
            if (CFormControl* control = Control(position)) control->setGeometry(ShownRect(position));
        return;
    }
    // One command per item, in selection order, each moved by the same distance.
    const std::vector<int> selection = m_surface->GetSelection();
    for (int position : selection) {
        const CRect old = m_document->GetItem(position).GetRect();
        const CRect moved{old.left + offset.x(), old.top + offset.y(), old.right + offset.x(), old.bottom + offset.y()};
        Execute(std::make_unique<CMoveItemCommand>(*m_document, position, old, moved));
    }
    SelectionChanged();
}

void CControllerView::CanvasPress(QMouseEvent& event) {
    if (event.button() != Qt::LeftButton) return;
    const QPoint point = event.position().toPoint();
    m_press = m_current = point;
    m_offset = {};
    switch (m_mode) {
    case RunMode: return;
    case TabOrderMode:
        if (!m_surface->TabOrderClick(point.x(), point.y())) SetMode(DesignMode);
        m_overlay->update();
        return;
    case InsertMode:
        m_tracking = Tracking::Insert;
        m_overlay->update();
        return;
    case DesignMode: break;
    }
    m_canvas->setFocus();
    m_handle = HandleAt(point);
    if (m_handle >= 0) {
        m_tracking = Tracking::Resize;
        return;
    }
    const bool ctrl = event.modifiers().testFlag(Qt::ControlModifier);
    m_surface->Click(point.x(), point.y(), ctrl);
    const int hit = m_surface->HitTest(point.x(), point.y());
    m_dragged = hit;
    if (hit < 0) m_tracking = Tracking::Band;
    else if (!ctrl && m_surface->IsSelected(hit)) m_tracking = Tracking::Move;
    SelectionChanged();
}

void CControllerView::CanvasMove(QMouseEvent& event) {
    if (!(event.buttons() & Qt::LeftButton) || m_tracking == Tracking::None) return;
    m_current = event.position().toPoint();
    switch (m_tracking) {
    case Tracking::Move: {
        if ((m_current - m_press).manhattanLength() < QApplication::startDragDistance() && m_offset.isNull()) return;
        // Leaving the window takes the items along to another form.
        if (!viewport()->rect().contains(m_canvas->mapTo(viewport(), m_current))) {
            StartDrag();
            return;
        }
        PreviewOffset(SnappedOffset(m_current - m_press));
        return;
    }
    case Tracking::Resize:
        if (CFormControl* control = Control(m_surface->GetFocused())) control->setGeometry(ResizedRect(m_current));
        emit StatusTextChanged(StatusText());
        break;
    default: break;
    }
    m_overlay->update();
}

void CControllerView::CanvasRelease(QMouseEvent& event) {
    if (event.button() != Qt::LeftButton) return;
    m_current = event.position().toPoint();
    const Tracking tracking = m_tracking;
    m_tracking = Tracking::None;
    switch (tracking) {
    case Tracking::Band: {
        const QRect band = QRect(m_press, m_current).normalized();
        if (band.width() > 1 || band.height() > 1) m_surface->SelectInBand(FromQRect(band));
        SelectionChanged();
        return;
    }
    case Tracking::Move: FinishMove(m_offset); return;
    case Tracking::Resize: {
        const int focused = m_surface->GetFocused();
        const CRect resized = FromQRect(ResizedRect(m_current));
        const CRect old = m_document->GetItem(focused).GetRect();
        if (resized != old) Execute(std::make_unique<CMoveItemCommand>(*m_document, focused, old, resized));
        SelectionChanged();
        return;
    }
    case Tracking::Insert:
        m_overlay->update();
        InsertItem(QRect(m_press, m_current).normalized());
        return;
    case Tracking::None: return;
    }
}

void CControllerView::CanvasDoubleClick(QMouseEvent& event) {
    if (m_mode != DesignMode || event.button() != Qt::LeftButton) return;
    const QPoint point = event.position().toPoint();
    const int hit = m_surface->HitTest(point.x(), point.y());
    if (hit >= 0 && hit == m_surface->GetFocused()) OnProperties();
}

bool CControllerView::CanvasKey(QKeyEvent& event) {
    if (m_mode != DesignMode) return false;
    static constexpr std::pair<int, CDesignSurface::Key> kKeys[] = {
        {Qt::Key_Left, CDesignSurface::KeyLeft},     {Qt::Key_Right, CDesignSurface::KeyRight},
        {Qt::Key_Up, CDesignSurface::KeyUp},         {Qt::Key_Down, CDesignSurface::KeyDown},
        {Qt::Key_PageUp, CDesignSurface::KeyPageUp}, {Qt::Key_PageDown, CDesignSurface::KeyPageDown},
    };
    if (event.key() == Qt::Key_Delete) {
        OnDelete();
        return true;
    }
    for (const auto& [qtKey, key] : kKeys) {
        if (event.key() != qtKey) continue;
        int dx = 0, dy = 0;
        CDesignSurface::KeyDistance(key, dx, dy);
        if (m_surface->MoveBy(dx, dy) > 0) SelectionChanged();
        return true;
    }
    return false;
}

void CControllerView::InsertItem(const QRect& band) {
    std::unique_ptr<CItemData> itemData = ChooseNewItemData(this, *m_document);
    if (!itemData) return;
    // At least the type's default size.
    const CSize size = itemData->GetDefaultSize();
    const CRect rect{band.left(), band.top(), band.left() + std::max(band.right() - band.left(), size.cx),
                     band.top() + std::max(band.bottom() - band.top(), size.cy)};
    auto command = std::make_unique<CInsertItemCommand>(
        *m_document, std::make_unique<CContainerItem>(rect, std::move(itemData)), CInsertItemCommand::Insert);
    CInsertItemCommand& inserted = *command;
    Execute(std::move(command));
    SetMode(DesignMode);
    m_surface->SetSelection({inserted.GetPosition()});
    SelectionChanged();
}

void CControllerView::StartDrag() {
    const int focused = m_surface->GetFocused();
    if (focused < 0) return;
    const CRect& r = m_document->GetItem(focused).GetRect();
    // The drag point is where the mouse went down, relative to the focused item.
    const QPoint dragPoint(m_press.x() - r.left, m_press.y() - r.top);
    FinishMove({});
    auto* drag = new QDrag(this);  // Qt deletes it when the drag ends
    drag->setMimeData(CreateItemData(dragPoint).release());
    m_ownDrag = true;
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    m_ownDrag = false;
}
