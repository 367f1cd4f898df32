#include "ControllerCommands.h"

namespace {
std::string Quoted(const std::string& name) { return "\"" + name + "\""; }
}  // namespace

// ---- insert and paste ----------------------------------------------------------

CInsertItemCommand::CInsertItemCommand(CControllerDocument& document, std::unique_ptr<CContainerItem> item, Kind kind)
    : CControllerCommand(document), m_name(item ? item->GetTypeName() : std::string()), m_kind(kind) {
    m_removed.item = std::move(item);
}

void CInsertItemCommand::Execute() {
    if (!m_removed.item) return;
    if (m_position < 0) {  // first run: the end of the list and of the tab order
        m_position = m_document.GetItemCount();
        if (!m_document.InsertItem(m_position, std::move(m_removed.item))) m_position = -1;
        return;
    }
    m_document.RestoreItem(m_position, std::move(m_removed));  // redo: the same places again
}

void CInsertItemCommand::Undo() {
    if (m_position >= 0) m_removed = m_document.RemoveItem(m_position);
}

std::string CInsertItemCommand::GetText() const {
    return (m_kind == Paste ? "Paste " : "Insert ") + Quoted(m_name) + " Item";
}

// ---- delete --------------------------------------------------------------------

CDeleteItemCommand::CDeleteItemCommand(CControllerDocument& document, int position)
    : CControllerCommand(document), m_position(position) {
    if (position >= 0 && position < document.GetItemCount()) m_name = document.GetItem(position).GetTypeName();
}

void CDeleteItemCommand::Execute() { m_removed = m_document.RemoveItem(m_position); }

void CDeleteItemCommand::Undo() { m_document.RestoreItem(m_position, std::move(m_removed)); }

std::string CDeleteItemCommand::GetText() const { return "Delete " + Quoted(m_name) + " Item"; }

// ---- move ----------------------------------------------------------------------

CMoveItemCommand::CMoveItemCommand(CControllerDocument& document, int position, const CRect& oldRect,
                                   const CRect& newRect)
    : CControllerCommand(document), m_position(position), m_old(oldRect), m_new(newRect) {
    if (position >= 0 && position < document.GetItemCount()) m_name = document.GetItem(position).GetTypeName();
}

void CMoveItemCommand::Execute() {
    if (m_position < 0 || m_position >= m_document.GetItemCount()) return;
    m_document.GetItem(m_position).SetRect(m_new);
    m_document.UpdateAllViews(nullptr, HINT_CONTROLLER_ITEMS, &m_document.GetItem(m_position));
}

void CMoveItemCommand::Undo() {
    if (m_position < 0 || m_position >= m_document.GetItemCount()) return;
    m_document.GetItem(m_position).SetRect(m_old);
    m_document.UpdateAllViews(nullptr, HINT_CONTROLLER_ITEMS, &m_document.GetItem(m_position));
}

std::string CMoveItemCommand::GetText() const { return "Positioning or Movement of " + Quoted(m_name); }

// ---- z-order -------------------------------------------------------------------

CZOrderCommand::CZOrderCommand(CControllerDocument& document, int position, Direction direction)
    : CControllerCommand(document), m_from(position), m_to(direction == ToBack ? 0 : document.GetItemCount() - 1),
      m_direction(direction) {
    if (position >= 0 && position < document.GetItemCount()) m_name = document.GetItem(position).GetTypeName();
}

void CZOrderCommand::Execute() { m_document.MoveItem(m_from, m_to); }

void CZOrderCommand::Undo() { m_document.MoveItem(m_to, m_from); }

std::string CZOrderCommand::GetText() const {
    return (m_direction == ToBack ? "Send To Back " : "Bring To Front ") + Quoted(m_name) + " Item";
}

// ---- tab order -----------------------------------------------------------------

CTabOrderCommand::CTabOrderCommand(CControllerDocument& document, std::vector<std::uint16_t> oldOrder,
                                   std::vector<std::uint16_t> newOrder)
    : CControllerCommand(document), m_old(std::move(oldOrder)), m_new(std::move(newOrder)) {}

void CTabOrderCommand::Execute() { m_document.SetTabOrder(m_new); }

void CTabOrderCommand::Undo() { m_document.SetTabOrder(m_old); }

// ---- properties ----------------------------------------------------------------

CItemPropertiesCommand::CItemPropertiesCommand(CControllerDocument& document, int position, const CItemData& newData)
    : CControllerCommand(document), m_position(position), m_new(newData.Clone()) {
    if (position >= 0 && position < document.GetItemCount() && document.GetItem(position).GetItemData())
        m_old = document.GetItem(position).GetItemData()->Clone();
}

void CItemPropertiesCommand::Put(const CItemData& data) {
    if (m_position < 0 || m_position >= m_document.GetItemCount()) return;
    // The dialog edits one item's own type; another type would break the tab order.
    const CItemData* current = m_document.GetItem(m_position).GetItemData();
    if (!current || current->GetRuntimeClass() != data.GetRuntimeClass()) return;
    m_document.GetItem(m_position).SetItemData(data.Clone());
    m_document.UpdateAllViews(nullptr, HINT_CONTROLLER_ITEMS, &m_document.GetItem(m_position));
}

void CItemPropertiesCommand::Execute() { Put(*m_new); }

void CItemPropertiesCommand::Undo() {
    if (m_old) Put(*m_old);
}

std::string CItemPropertiesCommand::GetText() const { return "Properties of " + Quoted(m_new->GetTypeName()); }
