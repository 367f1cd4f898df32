#include "XVParameters.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "XVMessages.h"
#include "XVParameterRows.h"
#include "XVRecords.h"

namespace xv {

namespace {

CXVSynth::TemporaryArea AreaOf(RecordKind kind) {
    switch (kind) {
    case RecordKind::Patch: return CXVSynth::TempPatch;
    case RecordKind::Performance: return CXVSynth::TempPerformance;
    case RecordKind::Rhythm: return CXVSynth::TempRhythm;
    case RecordKind::System: return CXVSynth::SystemArea;
    }
    return CXVSynth::SystemArea;
}

std::vector<CParameter> BuildEntries(RecordKind kind) {
    switch (kind) {
    case RecordKind::Patch: return BuildPatchParameters();
    case RecordKind::Performance: return BuildPerformanceParameters();
    case RecordKind::Rhythm: return BuildRhythmParameters();
    case RecordKind::System: return BuildSystemParameters();
    }
    throw std::invalid_argument("unknown record kind");
}

std::unique_ptr<CXVRecord> DefaultRecord(RecordKind kind) {
    switch (kind) {
    case RecordKind::Patch: return std::make_unique<CXVPatch>();
    case RecordKind::Performance: return std::make_unique<CXVPerformance>();
    case RecordKind::Rhythm: return std::make_unique<CXVRhythm>();
    case RecordKind::System: return std::make_unique<CXVSystem>();
    }
    throw std::invalid_argument("unknown record kind");
}

template <RecordKind K>
const CXVParameterTable& CachedTable() {
    static const CXVParameterTable table(K);
    return table;
}

}  // namespace

CXVParameterTable::CXVParameterTable(RecordKind kind) : m_kind(kind) {
    std::vector<CParameter> entries = BuildEntries(kind);
    // The defaults are what a freshly initialised record holds.
    const std::unique_ptr<CXVRecord> fresh = DefaultRecord(kind);
    SetParameters(std::move(entries));
    std::vector<CParameter> withDefaults(GetParameters().begin(), GetParameters().end());
    for (CParameter& p : withDefaults) p.defaultValue = std::clamp(GetValue(*fresh, p), p.minimum, p.maximum);
    SetParameters(std::move(withDefaults));
}

std::size_t CXVParameterTable::DataIndex(const CParameter& parameter) const {
    return static_cast<std::size_t>(MessageOffset(m_kind, parameter.block) + kHeaderSize + parameter.offset);
}

CParameterAddress CXVParameterTable::GetAddress(const CParameter& parameter) const {
    const int block = Layout(m_kind)[static_cast<std::size_t>(parameter.block)].address;
    const int at = block * 128 + parameter.offset;
    return {at / 128, at % 128};
}

std::vector<std::uint8_t> CXVParameterTable::BuildLiveMessage(const CPatch& patch, const CParameter& parameter) const {
    const std::span<const std::uint8_t> data = patch.Data();
    const std::size_t at = DataIndex(parameter);
    const auto size = static_cast<std::size_t>(parameter.Size());
    if (at + size > data.size()) return {};
    const CParameterAddress address = GetAddress(parameter);
    // Blocks past 7F (rhythm keys) would carry into the temporary area's number byte: none is in a table.
    if (address.block > 0x7F) return {};
    return BuildParameterMessage(CXVSynth::Get().GetDeviceByte(), AreaOf(m_kind),
                                 static_cast<std::uint8_t>(address.block), static_cast<std::uint8_t>(address.offset),
                                 data.subspan(at, size));
}

CSynth* CXVParameterTable::GetSynth() const { return &CXVSynth::Get(); }

const CXVParameterTable& GetParameterTable(RecordKind kind) {
    switch (kind) {
    case RecordKind::Patch: return CachedTable<RecordKind::Patch>();
    case RecordKind::Performance: return CachedTable<RecordKind::Performance>();
    case RecordKind::Rhythm: return CachedTable<RecordKind::Rhythm>();
    case RecordKind::System: return CachedTable<RecordKind::System>();
    }
    throw std::invalid_argument("unknown record kind");
}

std::string ToneParameterId(int tone, std::string_view baseId) {
    return "tone" + std::to_string(tone + 1) + "." + std::string(baseId);
}

// ---- Value lists of this plug-in ----

namespace rows {

Texts OutputAssigns(std::string_view last) {
    Texts out{"MFX", "A", "B", "C", "D"};
    for (int o = 1; o <= 8; ++o) out.push_back("OUT" + std::to_string(o));
    if (!last.empty()) out.emplace_back(last);
    return out;
}

Texts RandomPitch() {
    Texts out = Numbers(0, 10);
    for (int v = 20; v <= 100; v += 10) out.push_back(std::to_string(v));
    for (int v = 200; v <= 1200; v += 100) out.push_back(std::to_string(v));
    return out;
}

}  // namespace rows

}  // namespace xv
