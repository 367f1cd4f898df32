#include "LayerDependencies.h"

#include <algorithm>
#include <unordered_map>

#include "Layer.h"

namespace LayerDependencies {

std::vector<Entry> ReferencedFrom(const CLayer& layer, const CLayer& child) {
    std::vector<Entry> entries;
    entries.reserve(static_cast<std::size_t>(std::max(0, layer.GetPatchCount())));
    for (int i = 0; i < layer.GetPatchCount(); ++i) {
        Entry entry{layer.GetPatchLabel(i), {}};
        layer.GetReferencedPatches(child, i, entry.labels);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<Entry> UsedBy(const CLayer& layer, const CLayer& parent) {
    std::vector<Entry> entries;
    std::unordered_map<std::string, std::size_t> position;
    for (int i = 0; i < parent.GetPatchCount(); ++i) {
        std::vector<std::string> used;
        parent.GetReferencedPatches(layer, i, used);
        const std::string user = parent.GetPatchLabel(i);
        for (const std::string& label : used) {
            const auto [it, added] = position.try_emplace(label, entries.size());
            if (added) entries.push_back(Entry{label, {}});
            entries[it->second].labels.push_back(user);
        }
    }
    return entries;
}

std::string UsageLine(const Entry& entry) {
    return entry.label + "\t" + std::to_string(entry.labels.size()) + " time(s) used";
}

}  // namespace LayerDependencies
