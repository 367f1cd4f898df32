#pragma once

#include <string>
#include <vector>

class CLayer;

// The references between the patches of one layer and those of a child layer
// (the patches it uses) or a parent layer (the patches that use it). The bank
// window's dialog and the command line show the same lists.
namespace LayerDependencies {

// A patch label and the labels that belong to it.
struct Entry {
    std::string label;
    std::vector<std::string> labels;
};

// One entry per patch of layer, in patch order: its label and the labels of the
// patches of child it uses (empty when it uses none).
std::vector<Entry> ReferencedFrom(const CLayer& layer, const CLayer& child);

// One entry per patch of layer that a patch of parent uses, in first-seen order
// over the parent's patches: its label and the labels of the parent's patches
// that use it, once per use.
std::vector<Entry> UsedBy(const CLayer& layer, const CLayer& parent);

// "<label>\t<n> time(s) used" for an entry of UsedBy.
std::string UsageLine(const Entry& entry);

}  // namespace LayerDependencies
