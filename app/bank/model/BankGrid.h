#pragma once

#include <cstdint>
#include <vector>

class CLayerSelection;

// The bank view's grid: patch i lies in column i / P and row i mod P.
struct CBankGrid {
    int cellWidth = 1;
    int cellHeight = 1;
    int patchesInColumn = 25;  // P
    int patchCount = 0;

    int Columns() const;
    int TotalWidth() const { return Columns() * cellWidth; }
    int TotalHeight() const { return patchesInColumn * cellHeight; }
    // The cell at a logical point, or -1.
    int HitTest(int x, int y) const;
    struct Rect {
        int left, top, right, bottom;
    };
    // Cell i's rectangle as drawn: one pixel up and left, so neighbours share frames.
    Rect CellRect(int i) const;
};

// Cell size for a name of nameLength "W"s measured as textWidth x textHeight.
CBankGrid MakeGrid(int textWidth, int textHeight, int patchesInColumn, int patchCount);

enum class NavKey { Left, Right, PageUp, PageDown, Home, End, Up, Down };

// The index a movement key leads to from focus a.
int NavigationTarget(NavKey key, int a, int count, int patchesInColumn);

// The selection rules of the mouse and keyboard, shared by the view and its tests.
namespace BankRules {
// Left button down on hit (not -1).
void LeftDown(CLayerSelection& selection, int hit, bool ctrl, bool shift);
// Left button up over the pending cell; true when the cell is to be auditioned.
bool LeftUp(CLayerSelection& selection, int pending, bool ctrl, bool shift);
// A movement key (or F2) leading to target.
void Navigate(CLayerSelection& selection, int target, bool shift);
// Ctrl held while dragging away from a cell that is not the focus.
void DragWithCtrl(CLayerSelection& selection, int pending);
// The pointer has travelled far enough from the press to start a drag.
bool IsDragDistance(int dx, int dy);
}  // namespace BankRules

// Where n dropped patches start when the pointer is over cell hit.
int DropStart(int hit, int n, int count);
