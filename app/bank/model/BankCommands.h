#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Commands.h"

class CSynthMemory;
class IBankView;

// A patch put in place by Paste or by a drop from another view.
class CPasteCommand final : public CEditCommand {
public:
    std::string GetText() const override { return "Paste \"" + TrimmedNewName() + "\""; }
};

// A patch reset to the plug-in's default by Init.
class CInitCommand final : public CEditCommand {
public:
    std::string GetText() const override { return "Init \"" + TrimmedNewName() + "\""; }
};

// Reorders the patches of one layer (a drop inside the same view). References
// in parent layers follow the moved patches.
class CMovePatchesCommand final : public CBasicCommand {
public:
    // order: for every new position, the old index; the moved block is
    // first .. first + moved - 1.
    CMovePatchesCommand(IBankView* view, CSynthMemory& memory, int layerIndex, std::vector<std::uint32_t> order,
                        int first, int moved);

    void Execute() override;
    void Undo() override;
    std::string GetText() const override { return "Move Patches"; }

    const std::vector<std::uint32_t>& GetOrder() const { return m_order; }

private:
    IBankView* m_view;
    CSynthMemory& m_memory;
    int m_layerIndex;
    std::vector<std::uint32_t> m_order;
    int m_first;
    int m_moved;
};
