#include "Layer.h"

#include <stdexcept>

#include "Patch.h"

CLayer::CLayer(std::string name, int patchCount) : m_name(std::move(name)), m_patchCount(patchCount) {}

CLayer::~CLayer() = default;

void CLayer::Init() {
    for (int i = 0; i < GetPatchCount(); ++i) GetPatch(i)->Init();
}

void CLayer::Swap(int i, int j) {
    if (i == j) return;
    const auto a = GetPatch(i)->Clone();
    const auto b = GetPatch(j)->Clone();
    SetPatch(i, *b);
    SetPatch(j, *a);
}

std::string CLayer::GetInfoForPatch(int i) const { return GetPatch(i)->GetInfoForPatch(); }

void CLayer::AddParentLayer(CLayer* parent) {
    m_parentLayers.push_back(parent);
    for (int i = 0; i < GetPatchCount(); ++i) GetPatch(i)->AddParentLayer(parent);
}

void CLayer::AddChildLayer(CLayer* child) {
    m_childLayers.push_back(child);
    for (int i = 0; i < GetPatchCount(); ++i) GetPatch(i)->AddChildLayer(child);
}

const CLayer* CLayer::FindChildLayer(const CLayer& other) const {
    for (const CLayer* child : m_childLayers)
        if (child->GetLayerGuid() == other.GetLayerGuid()) return child;
    return nullptr;
}

void CLayer::GetReferencedPatches(const CLayer& other, int index, std::vector<std::string>& out) const {
    const CLayer* child = FindChildLayer(other);
    if (!child) return;
    for (const int r : GetPatchReferences(*child, index))
        out.push_back(r >= 0 && r < child->GetPatchCount() ? child->GetPatchLabel(r) : std::to_string(r));
}

void CLayer::GetReferencedPatches(const CLayer& other, int index, std::vector<std::uint16_t>& out) const {
    const CLayer* child = FindChildLayer(other);
    if (!child) return;
    for (const int r : GetPatchReferences(*child, index)) out.push_back(static_cast<std::uint16_t>(r));
}

void CLayer::AdaptParentLayers(std::span<const std::uint32_t> map, bool undo) {
    for (CLayer* parent : m_parentLayers) parent->AdaptLayer(*this, map, undo);
}

bool CLayer::IsPatchInFile(int i) const {
    return i >= 0 && static_cast<std::size_t>(i) < m_patchInFile.size() && m_patchInFile[static_cast<std::size_t>(i)];
}

void CLayer::MarkPatchInFile(int i) {
    if (i < 0 || i >= GetPatchCount()) return;
    if (m_patchInFile.size() < static_cast<std::size_t>(GetPatchCount()))
        m_patchInFile.resize(static_cast<std::size_t>(GetPatchCount()));
    m_patchInFile[static_cast<std::size_t>(i)] = true;
    m_inFile = true;
    ++m_fileMarks;
}

void CLayer::MarkAllPatchesInFile() {
    m_patchInFile.assign(static_cast<std::size_t>(GetPatchCount()), true);
    m_inFile = true;
    ++m_fileMarks;
}

void CLayer::ClearInFile() {
    m_patchInFile.clear();
    m_inFile = false;
}

void CLayer::NotePatchStored(int i) {
    if (m_loadingFile) MarkPatchInFile(i);
    else m_inFile = true;
}

// ---- CPatchLayer ----

void CPatchLayer::SetPatch(int i, const CPatch& patch) {
    if (i < 0 || static_cast<std::size_t>(i) >= m_patches.size())
        throw std::out_of_range("patch index " + std::to_string(i) + " outside layer \"" + m_name + "\"");
    if (patch.GetPatchType() != m_patches[static_cast<std::size_t>(i)]->GetPatchType())
        throw std::invalid_argument("a " + patch.GetTypeName() + " patch does not fit layer \"" + m_name + "\"");
    auto clone = patch.Clone();
    // The stored patch belongs to this memory: it carries this layer's links,
    // not those of the memory the source came from.
    clone->RemoveParentLayers();
    for (CLayer* p : m_parentLayers) clone->AddParentLayer(p);
    clone->RemoveChildLayers();
    for (CLayer* c : m_childLayers) clone->AddChildLayer(c);
    clone->AttachedToLayer();
    m_patches[static_cast<std::size_t>(i)] = std::move(clone);
    NotePatchStored(i);
}

CPatch* CPatchLayer::GetPatch(int i) const {
    if (i < 0 || static_cast<std::size_t>(i) >= m_patches.size())
        throw std::out_of_range("patch index " + std::to_string(i) + " outside layer \"" + m_name + "\"");
    return m_patches[static_cast<std::size_t>(i)].get();
}

void CPatchLayer::AddPatch(std::unique_ptr<CPatch> patch) { m_patches.push_back(std::move(patch)); }

void CPatchLayer::ReplacePatch(int i, std::unique_ptr<CPatch> patch) {
    m_patches.at(static_cast<std::size_t>(i)) = std::move(patch);
    NotePatchStored(i);
}
