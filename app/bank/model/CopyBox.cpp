#include "CopyBox.h"

#include <algorithm>
#include <cctype>

#include "Patch.h"

namespace {
std::unique_ptr<CCopyBox>& Instance() {
    static std::unique_ptr<CCopyBox> instance;
    return instance;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}
}  // namespace

CCopyBox& CCopyBox::Get() {
    if (!Instance()) Instance() = std::make_unique<CCopyBox>();
    return *Instance();
}

void CCopyBox::Delete() { Instance().reset(); }

CCopyBox::~CCopyBox() = default;

void CCopyBox::AddPatch(const CPatch& patch) {
    auto copy = patch.Clone();
    copy->DetachFromMemory();  // the copybox outlives the bank the patch came from
    m_patches.push_back(std::move(copy));
}

void CCopyBox::Remove(std::vector<int> indexes) {
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    for (auto it = indexes.rbegin(); it != indexes.rend(); ++it) {
        if (*it < 0 || *it >= GetCount()) continue;
        m_patches.erase(m_patches.begin() + *it);
        if (*it < m_lastCopyStart) --m_lastCopyStart;
    }
}

std::string CCopyBox::TypeNameOf(const GUID& type) const {
    for (const PatchType& t : m_types)
        if (t.type == type) return t.name;
    return "Unknown type";
}

std::vector<CCopyBox::Row> CCopyBox::GetRows(int sortColumn) const {
    std::vector<Row> rows;
    for (int i = 0; i < GetCount(); ++i) {
        const CPatch& p = GetPatch(i);
        if (m_filter && p.GetPatchType() != *m_filter) continue;
        rows.push_back({i, p.GetName(), TypeNameOf(p.GetPatchType())});
    }
    std::stable_sort(rows.begin(), rows.end(), [sortColumn](const Row& a, const Row& b) {
        return sortColumn == 1 ? Lower(a.typeName) < Lower(b.typeName) : Lower(a.name) < Lower(b.name);
    });
    return rows;
}
