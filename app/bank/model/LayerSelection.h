#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class CLayer;
class CLayerSelection;
class CPatch;
class CSynthMemory;

// What the selection and the move command need from the bank view, so both work
// without a window.
class IBankView {
public:
    virtual ~IBankView() = default;
    virtual int GetCurrentLayerIndex() const = 0;
    virtual CLayerSelection& GetLayerSelection(int layer) = 0;
    // Repaints cell index of the current layer.
    virtual void RepaintCell(int index) = 0;
    // Sends patch index of the current layer to the synth's temporary area.
    virtual void AuditionPatch(int index) = 0;
};

// Focus, selection and drop highlight of one layer's patches.
class CLayerSelection {
public:
    enum : std::uint8_t { kFocus = 1, kSelected = 2, kHighlight = 4 };

    // A new selection has patch 0 focused and selected.
    CLayerSelection(int layerIndex, CLayer& layer, IBankView* view);

    int GetLayerIndex() const { return m_layerIndex; }
    CLayer& GetLayer() const { return m_layer; }
    int GetPatchCount() const { return static_cast<int>(m_flags.size()); }

    int GetFocus() const { return First(kFocus); }
    int GetFirstSelected() const { return First(kSelected); }
    int GetFirstHighlighted() const { return First(kHighlight); }
    int GetSelectedCount() const;
    bool IsSelected(int i) const { return Has(i, kSelected); }
    bool IsFocused(int i) const { return Has(i, kFocus); }
    bool IsHighlighted(int i) const { return Has(i, kHighlight); }
    std::vector<int> GetSelectedIndexes() const;

    void SetSelected(int i, bool on) { Change(i, kSelected, on); }
    void SetHighlight(int i, bool on) { Change(i, kHighlight, on); }
    void ClearHighlights();
    // Moves the focus to i and selects i.
    void SetFocus(int i);
    // Every flag off, the focus too.
    void ClearAll();
    void SelectAll();
    // Selects every index between a and b, both included.
    void SelectRange(int a, int b);

    // Clones of the selected patches, in index order.
    std::vector<std::unique_ptr<CPatch>> GetSelectedPatches() const;

private:
    int First(std::uint8_t bit) const;
    bool Has(int i, std::uint8_t bit) const;
    void Change(int i, std::uint8_t bit, bool on);
    void Repaint(int i);

    int m_layerIndex;
    CLayer& m_layer;
    IBankView* m_view;
    std::vector<std::uint8_t> m_flags;
};
