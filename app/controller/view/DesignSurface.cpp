#include "DesignSurface.h"

#include <algorithm>
#include <memory>

#include "ControllerCommands.h"

namespace {
bool Meets(const CRect& a, const CRect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}
bool Contains(const CRect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }
}  // namespace

bool CDesignSurface::IsSelected(int position) const {
    return std::find(m_selection.begin(), m_selection.end(), position) != m_selection.end();
}

int CDesignSurface::HitTest(int x, int y) const {
    for (int position = m_document.GetItemCount() - 1; position >= 0; --position)
        if (Contains(m_document.GetItem(position).GetRect(), x, y)) return position;
    return -1;
}

void CDesignSurface::SetSelection(std::vector<int> positions) {
    m_selection.clear();
    for (int position : positions)
        if (position >= 0 && position < m_document.GetItemCount()) Select(position);
}

void CDesignSurface::Select(int position) {
    std::erase(m_selection, position);
    m_selection.push_back(position);
}

void CDesignSurface::Click(int x, int y, bool ctrl) {
    const int position = HitTest(x, y);
    if (position < 0) {
        m_selection.clear();
        return;
    }
    if (ctrl) {
        if (position == GetFocused()) m_selection.pop_back();  // the one selected before it is now last, so focused
        else Select(position);
        return;
    }
    if (!IsSelected(position)) m_selection = {position};
    else Select(position);  // clicking a selected item focuses it and keeps the group for dragging
}

void CDesignSurface::SelectInBand(const CRect& band) {
    const CRect normal{std::min(band.left, band.right), std::min(band.top, band.bottom),
                       std::max(band.left, band.right), std::max(band.top, band.bottom)};
    m_selection.clear();
    for (int position = 0; position < m_document.GetItemCount(); ++position)
        if (Meets(m_document.GetItem(position).GetRect(), normal)) m_selection.push_back(position);
}

bool CDesignSurface::MoveItem(int position, const CRect& rect) {
    const CRect old = m_document.GetItem(position).GetRect();
    if (old == rect) return false;
    m_commands.Execute(std::make_unique<CMoveItemCommand>(m_document, position, old, rect));
    return true;
}

int CDesignSurface::MoveBy(int dx, int dy) {
    int recorded = 0;
    for (int position : m_selection) {
        CRect rect = m_document.GetItem(position).GetRect();
        const int left = std::clamp(rect.left + dx, 0, kFormWidth);
        const int top = std::clamp(rect.top + dy, 0, kFormHeight);
        rect = {left, top, left + rect.Width(), top + rect.Height()};
        if (MoveItem(position, rect)) ++recorded;
    }
    return recorded;
}

bool CDesignSurface::KeyDistance(int key, int& dx, int& dy) {
    dx = dy = 0;
    switch (key) {
    case KeyLeft: dx = -1; return true;
    case KeyRight: dx = 1; return true;
    case KeyUp: dy = -1; return true;
    case KeyDown: dy = 1; return true;
    case KeyPageUp: dy = -10; return true;
    case KeyPageDown: dy = 10; return true;
    default: return false;
    }
}

int CDesignSurface::AlignSelection(Align edge) {
    if (m_selection.size() < 2) return 0;
    const int focused = GetFocused();
    const CRect reference = m_document.GetItem(focused).GetRect();
    int recorded = 0;
    for (int position : m_selection) {
        if (position == focused) continue;
        CRect rect = m_document.GetItem(position).GetRect();
        const int width = rect.Width();
        const int height = rect.Height();
        switch (edge) {
        case AlignLeft: rect.left = reference.left, rect.right = rect.left + width; break;
        case AlignRight: rect.right = reference.right, rect.left = rect.right - width; break;
        case AlignTop: rect.top = reference.top, rect.bottom = rect.top + height; break;
        case AlignBottom: rect.bottom = reference.bottom, rect.top = rect.bottom - height; break;
        }
        if (MoveItem(position, rect)) ++recorded;
    }
    return recorded;
}

int CDesignSurface::SpaceEvenly(bool horizontal) {
    if (m_selection.size() < 3) return 0;
    std::vector<int> order = m_selection;
    const auto start = [&](int p) {
        const CRect& r = m_document.GetItem(p).GetRect();
        return horizontal ? r.left : r.top;
    };
    const auto end = [&](int p) {
        const CRect& r = m_document.GetItem(p).GetRect();
        return horizontal ? r.right : r.bottom;
    };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return start(a) < start(b); });
    long long gaps = 0;
    for (std::size_t i = 1; i < order.size(); ++i) gaps += start(order[i]) - end(order[i - 1]);
    const int gap = static_cast<int>(gaps / static_cast<long long>(order.size() - 1));
    int recorded = 0;
    int previousEnd = end(order.front());
    for (std::size_t i = 1; i < order.size(); ++i) {
        CRect rect = m_document.GetItem(order[i]).GetRect();
        if (horizontal) {
            const int width = rect.Width();
            rect.left = previousEnd + gap, rect.right = rect.left + width;
            previousEnd = rect.right;
        } else {
            const int height = rect.Height();
            rect.top = previousEnd + gap, rect.bottom = rect.top + height;
            previousEnd = rect.bottom;
        }
        if (MoveItem(order[i], rect)) ++recorded;
    }
    return recorded;
}

int CDesignSurface::MakeSameSize(SameSize what) {
    if (m_selection.size() < 2) return 0;
    const int focused = GetFocused();
    const CRect reference = m_document.GetItem(focused).GetRect();
    int recorded = 0;
    for (int position : m_selection) {
        if (position == focused) continue;
        CRect rect = m_document.GetItem(position).GetRect();
        if (what != SameHeight) rect.right = rect.left + reference.Width();
        if (what != SameWidth) rect.bottom = rect.top + reference.Height();
        if (MoveItem(position, rect)) ++recorded;
    }
    return recorded;
}

int CDesignSurface::DeleteSelection() {
    // Highest position first, so the positions of the ones still to delete stay valid.
    std::vector<int> positions = m_selection;
    std::sort(positions.begin(), positions.end(), std::greater<>());
    m_selection.clear();
    for (int position : positions) m_commands.Execute(std::make_unique<CDeleteItemCommand>(m_document, position));
    return static_cast<int>(positions.size());
}

CRect CDesignSurface::FreePlace(CRect rect) const {
    for (bool taken = true; taken;) {
        taken = false;
        for (int position = 0; position < m_document.GetItemCount(); ++position) {
            if (m_document.GetItem(position).GetRect() == rect) {
                rect = {rect.left + 20, rect.top + 20, rect.right + 20, rect.bottom + 20};
                taken = true;
                break;
            }
        }
    }
    return rect;
}

void CDesignSurface::BeginTabOrder() {
    m_tabOrderBefore = m_document.GetTabOrder();
    m_tabCounter = 0;
    m_inTabOrder = true;
}

bool CDesignSurface::TabOrderClick(int x, int y) {
    if (!m_inTabOrder) return false;
    const int position = HitTest(x, y);
    if (position < 0) {
        EndTabOrder();
        return false;
    }
    const CItemData* data = m_document.GetItem(position).GetItemData();
    if (!data || data->IsGroupFrame()) return true;
    std::vector<std::uint16_t> order = m_document.GetTabOrder();
    std::erase(order, static_cast<std::uint16_t>(position));
    const std::size_t place = std::min<std::size_t>(static_cast<std::size_t>(m_tabCounter), order.size());
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(place), static_cast<std::uint16_t>(position));
    m_document.SetTabOrder(order);
    ++m_tabCounter;
    if (m_tabCounter >= static_cast<int>(order.size())) {
        EndTabOrder();
        return false;
    }
    return true;
}

void CDesignSurface::EndTabOrder() {
    if (!m_inTabOrder) return;
    m_inTabOrder = false;
    std::vector<std::uint16_t> order = m_document.GetTabOrder();
    if (order == m_tabOrderBefore) return;
    // The live order goes back first so the command's Execute is the one change recorded.
    m_document.SetTabOrder(m_tabOrderBefore);
    m_commands.Execute(std::make_unique<CTabOrderCommand>(m_document, m_tabOrderBefore, std::move(order)));
}
