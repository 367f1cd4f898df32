#include "BankGrid.h"

#include <algorithm>

#include "LayerSelection.h"
#include "MoveOrder.h"

int CBankGrid::Columns() const {
    const int p = std::max(1, patchesInColumn);
    return (patchCount + p - 1) / p;
}

int CBankGrid::HitTest(int x, int y) const {
    if (x < 0 || y < 0 || x >= TotalWidth() || y >= TotalHeight()) return -1;
    const int i = (x / cellWidth) * patchesInColumn + y / cellHeight;
    return i < patchCount ? i : -1;
}

CBankGrid::Rect CBankGrid::CellRect(int i) const {
    const int p = std::max(1, patchesInColumn);
    const int c = i / p, r = i % p;
    return {c * cellWidth - 1, r * cellHeight - 1, c * cellWidth + cellWidth, r * cellHeight + cellHeight};
}

CBankGrid MakeGrid(int textWidth, int textHeight, int patchesInColumn, int patchCount) {
    CBankGrid grid;
    grid.cellWidth = std::max(1, textWidth + 6);
    grid.cellHeight = std::max(1, textHeight + 6);
    grid.patchesInColumn = std::max(1, patchesInColumn);
    grid.patchCount = std::max(0, patchCount);
    return grid;
}

int NavigationTarget(NavKey key, int a, int count, int p) {
    switch (key) {
    case NavKey::Left:
    case NavKey::PageUp: return a < p ? a : a - p;
    case NavKey::Right:
    case NavKey::PageDown: return a + p < count ? a + p : a;
    case NavKey::Home: return 0;
    case NavKey::End: return count - 1;
    case NavKey::Up: return a > 0 ? a - 1 : a;
    case NavKey::Down: return a < count - 1 ? a + 1 : a;
    }
    return a;
}

namespace BankRules {

void LeftDown(CLayerSelection& s, int hit, bool ctrl, bool shift) {
    const int focus = s.GetFocus();
    if (hit == focus) return;
    if (!ctrl && !s.IsSelected(hit)) s.ClearAll();
    if (shift && focus >= 0) s.SelectRange(hit, focus);
    if (!ctrl) s.SetFocus(hit);
}

bool LeftUp(CLayerSelection& s, int pending, bool ctrl, bool shift) {
    if (!shift) {
        if (ctrl) {
            if (s.IsSelected(pending) && s.GetSelectedCount() > 1) {
                const bool hadFocus = s.IsFocused(pending);
                s.SetSelected(pending, false);
                if (hadFocus) {
                    // The focus bit goes with the deselected patch's flag word.
                    s.SetFocus(s.GetFirstSelected());
                }
                return false;
            }
        } else if (s.IsSelected(pending)) {
            s.ClearAll();
        }
    }
    s.SetSelected(pending, true);
    s.SetFocus(pending);
    return true;
}

void Navigate(CLayerSelection& s, int target, bool shift) {
    if (target < 0 || target >= s.GetPatchCount()) return;
    if (shift) {
        const int focus = s.GetFocus();
        s.SelectRange(focus >= 0 ? focus : target, target);
    } else {
        s.ClearAll();
        s.SetSelected(target, true);
    }
    s.SetFocus(target);
}

void DragWithCtrl(CLayerSelection& s, int pending) {
    s.SetSelected(pending, true);
    s.SetFocus(pending);
}

bool IsDragDistance(int dx, int dy) { return dx * dx + dy * dy >= 36; }

}  // namespace BankRules

int DropStart(int hit, int n, int count) { return MoveOrder::ClampTarget(count, n, hit); }
