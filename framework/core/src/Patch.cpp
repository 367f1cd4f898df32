#include "Patch.h"

#include <algorithm>

#include "Midi.h"
#include "Ui.h"

CPatch::CPatch(std::string typeName, int nameLength, int dataSize, int sysexSize)
    : m_data(static_cast<std::size_t>(std::max(dataSize, 0)), 0), m_typeName(std::move(typeName)),
      m_nameLength(nameLength), m_dataSize(std::max(dataSize, 0)), m_sysexSize(sysexSize) {}

CPatch::~CPatch() = default;

void CPatch::Save(CFile&) const {}
void CPatch::Load(CFile&) {}

bool CPatch::Edit() {
    if (const CParameterTable* table = GetParameterTable()) return CUi::Get().EditParameters(*this, *table);
    CUi::Get().ShowHex(Data(), GetName());
    return false;
}

void CPatch::Send(const CSynth& synth, bool temporary) const {
    const std::vector<std::uint8_t> message = GetSysExData(temporary);
    if (!message.empty()) CMidi::Get().GetOutput(synth).SendLong(message, 0);
}

void CPatch::DetachFromMemory() {
    m_detachedWithReferences = HasReferences();
    RemoveParentLayers();
    RemoveChildLayers();
}

void CPatch::CopyReferenceLayers(CPatch& target) const {
    target.RemoveParentLayers();
    for (int i = 0; i < GetParentLayerCount(); ++i) target.AddParentLayer(GetParentLayer(i));
    target.RemoveChildLayers();
    for (int i = 0; i < GetChildLayerCount(); ++i) target.AddChildLayer(GetChildLayer(i));
}

int CPatch::LookupNewIndex(int oldIndex, std::span<const std::uint32_t> map, bool undo) {
    if (oldIndex < 0 || static_cast<std::size_t>(oldIndex) >= map.size()) return oldIndex;
    if (undo) return static_cast<int>(map[static_cast<std::size_t>(oldIndex)]);
    const auto it = std::find(map.begin(), map.end(), static_cast<std::uint32_t>(oldIndex));
    return it == map.end() ? oldIndex : static_cast<int>(it - map.begin());
}

std::uint64_t CPatch::HashBytes(std::span<const std::uint8_t> bytes, std::uint64_t salt) {
    // FNV-1a with a final mix: cheap, and collisions are confirmed with IsEqual anyway.
    std::uint64_t h = 0xcbf29ce484222325ULL ^ salt;
    for (const std::uint8_t b : bytes) {
        h ^= b;
        h *= 0x100000001b3ULL;
    }
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
}

void CPatch::SetNameHelper(int offset, const std::string& name) {
    for (int i = 0; i < m_nameLength; ++i) {
        const std::size_t at = static_cast<std::size_t>(offset + i);
        if (at >= m_data.size()) break;
        m_data[at] = static_cast<std::size_t>(i) < name.size()
                         ? static_cast<std::uint8_t>(name[static_cast<std::size_t>(i)])
                         : ' ';
    }
}

std::string CPatch::GetNameHelper(int offset) const {
    std::string name;
    for (int i = 0; i < m_nameLength; ++i) {
        const std::size_t at = static_cast<std::size_t>(offset + i);
        if (at >= m_data.size() || m_data[at] == 0) break;
        name.push_back(static_cast<char>(m_data[at]));
    }
    return name;
}

void CPatch::ResizeData(int dataSize) {
    m_dataSize = std::max(dataSize, 0);
    m_data.resize(static_cast<std::size_t>(m_dataSize));
}
