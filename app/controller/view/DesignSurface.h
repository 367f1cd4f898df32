#pragma once

// The rules of the form's design surface without any widget: the ordered
// selection with its focused item, and the layout commands (keyboard move,
// alignment, space evenly, same size, delete) turned into undoable commands.
// The Qt view feeds it clicks and keys; tests drive it directly.

#include <vector>

#include <tonalith/Commands.h>

#include "ControllerDocument.h"

class CDesignSurface {
public:
    static constexpr int kFormWidth = 2000;
    static constexpr int kFormHeight = 2000;

    enum Align { AlignLeft, AlignRight, AlignTop, AlignBottom };
    enum SameSize { SameWidth, SameHeight, SameBoth };

    CDesignSurface(CControllerDocument& document, CCmdManager& commands) : m_document(document), m_commands(commands) {}

    // ---- selection (positions in the item list; the focused item is the last) --
    const std::vector<int>& GetSelection() const { return m_selection; }
    int GetFocused() const { return m_selection.empty() ? -1 : m_selection.back(); }
    bool IsSelected(int position) const;
    void ClearSelection() { m_selection.clear(); }
    // Positions in order, the focused one last; those not on the form are dropped.
    void SetSelection(std::vector<int> positions);
    // The topmost item (last in the drawing order) under the point, or -1.
    int HitTest(int x, int y) const;
    // A left click: with Ctrl the focused item leaves the selection and the one
    // selected before it takes the focus; another item joins and takes the focus.
    // Without Ctrl an unselected item becomes the only one. Empty space clears.
    void Click(int x, int y, bool ctrl);
    // Every item whose rectangle meets the band, in list order, the last focused.
    void SelectInBand(const CRect& band);

    // ---- layout commands (each moved item records its own command) -------------
    // Moves the selection; left and top stay within the form. Returns the commands recorded.
    int MoveBy(int dx, int dy);
    // Page Up/Down, arrows: the key's distance; false for other keys.
    static bool KeyDistance(int key, int& dx, int& dy);
    int AlignSelection(Align edge);
    int SpaceEvenly(bool horizontal);
    int MakeSameSize(SameSize what);
    // One delete command per selected item; the selection is emptied.
    int DeleteSelection();

    // Where a pasted item goes: moved 20 right and down while an item has its rectangle.
    CRect FreePlace(CRect rect) const;

    // ---- tab-order mode ----------------------------------------------------------
    // Keeps a copy of the tab order; each click numbers the next place.
    void BeginTabOrder();
    bool InTabOrder() const { return m_inTabOrder; }
    int GetTabCounter() const { return m_tabCounter; }
    // A click in tab-order mode: an item that is not a group frame takes the next
    // place. Empty space, or the last place numbered, ends the mode. Returns true
    // while the mode goes on.
    bool TabOrderClick(int x, int y);
    // Leaves the mode; records "Tab Order changed" only when the order differs.
    void EndTabOrder();

    // Keys of KeyDistance (the Qt key codes' values are not needed here).
    enum Key { KeyLeft, KeyRight, KeyUp, KeyDown, KeyPageUp, KeyPageDown };

private:
    bool MoveItem(int position, const CRect& rect);
    void Select(int position);

    CControllerDocument& m_document;
    CCmdManager& m_commands;
    std::vector<int> m_selection;
    std::vector<std::uint16_t> m_tabOrderBefore;
    int m_tabCounter = 0;
    bool m_inTabOrder = false;
};
