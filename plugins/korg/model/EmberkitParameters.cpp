#include "EmberkitParameters.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "EmberkitEffects.h"
#include "EmberkitParameterRows.h"
#include "EmberkitPatches.h"
#include "EmberkitSynth.h"

namespace emberkit {

namespace {

std::unique_ptr<CPatch> FreshRecord(TableKind kind) {
    switch (kind) {
    case TableKind::Program: return std::make_unique<CEmberkitProgram>();
    case TableKind::Combination: return std::make_unique<CEmberkitCombination>();
    case TableKind::Drum: return std::make_unique<CEmberkitDrumKit>();
    case TableKind::Global: return std::make_unique<CEmberkitGlobal>();
    }
    throw std::invalid_argument("unknown record kind");
}

std::vector<ParameterEntry> BuildEntries(TableKind kind) {
    switch (kind) {
    case TableKind::Program: return BuildProgramEntries();
    case TableKind::Combination: return BuildCombinationEntries();
    case TableKind::Drum: return BuildDrumEntries();
    case TableKind::Global: return BuildGlobalEntries();
    }
    throw std::invalid_argument("unknown record kind");
}

template <TableKind K>
const CEmberkitParameterTable& CachedTable() {
    static const CEmberkitParameterTable table(K, BuildEntries(K));
    return table;
}

}  // namespace

CEmberkitParameterTable::CEmberkitParameterTable(TableKind kind, std::vector<ParameterEntry> entries) : m_kind(kind) {
    std::vector<CParameter> parameters;
    parameters.reserve(entries.size());
    for (ParameterEntry& e : entries) {
        m_addresses.push_back(e.address);
        m_live.push_back(e.live);
        parameters.push_back(std::move(e.parameter));
    }
    SetParameters(std::move(parameters));
    // The defaults are what a freshly initialised record holds. The global data
    // has no initial values: its defaults stay the range's first.
    if (kind == TableKind::Global) return;
    std::vector<CParameter> withDefaults(GetParameters().begin(), GetParameters().end());
    const std::unique_ptr<CPatch> fresh = FreshRecord(kind);
    for (CParameter& p : withDefaults) p.defaultValue = std::clamp(GetValue(*fresh, p), p.minimum, p.maximum);
    SetParameters(std::move(withDefaults));
}

std::size_t CEmberkitParameterTable::DataIndex(const CParameter& parameter) const {
    return static_cast<std::size_t>(parameter.offset);
}

std::size_t CEmberkitParameterTable::IndexOf(const CParameter& parameter) const {
    const std::span<const CParameter> all = GetParameters();
    if (&parameter >= all.data() && &parameter < all.data() + all.size())
        return static_cast<std::size_t>(&parameter - all.data());
    // A copy of an entry: find it by id.
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i].id == parameter.id) return i;
    return all.size();
}

ParameterAddress CEmberkitParameterTable::GetKorgAddress(const CParameter& parameter) const {
    const std::size_t i = IndexOf(parameter);
    return i < m_addresses.size() ? m_addresses[i] : ParameterAddress{};
}

CParameterAddress CEmberkitParameterTable::GetAddress(const CParameter& parameter) const {
    const ParameterAddress a = GetKorgAddress(parameter);
    return {a.page, a.position, a.parameter};
}

std::vector<std::uint8_t> CEmberkitParameterTable::BuildLiveMessage(const CPatch& patch,
                                                                    const CParameter& parameter) const {
    const std::size_t i = IndexOf(parameter);
    if (i >= m_live.size() || !m_live[i]) return {};
    if (DataIndex(parameter) >= patch.Data().size()) return {};
    const int channel = CEmberkitSynth::Get().GetChannel();
    const int value = GetRaw(patch, parameter);
    if (m_kind == TableKind::Drum) return BuildDrumParameterChange(m_addresses[i], value, channel);
    return BuildParameterChange(m_addresses[i], value, channel);
}

CSynth* CEmberkitParameterTable::GetSynth() const { return &CEmberkitSynth::Get(); }

const CEmberkitParameterTable& GetParameterTable(TableKind kind) {
    switch (kind) {
    case TableKind::Program: return CachedTable<TableKind::Program>();
    case TableKind::Combination: return CachedTable<TableKind::Combination>();
    case TableKind::Drum: return CachedTable<TableKind::Drum>();
    case TableKind::Global: return CachedTable<TableKind::Global>();
    }
    throw std::invalid_argument("unknown record kind");
}

std::vector<std::string> PatchNumberTexts() {
    std::vector<std::string> texts;
    char text[8];
    for (int n = 0; n < kProgramCount; ++n) {
        std::snprintf(text, sizeof text, "%c%02d", n < kBankSize ? 'A' : 'B', n % kBankSize);
        texts.emplace_back(text);
    }
    return texts;
}

std::vector<std::string> NoteNames(int from, int to) {
    static const char* const kNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    std::vector<std::string> texts;
    for (int n = from; n <= to; ++n) texts.push_back(std::string(kNames[n % 12]) + std::to_string(n / 12 - 1));
    return texts;
}

std::vector<std::string> SignedTexts(int from, int to) {
    std::vector<std::string> texts;
    for (int v = from; v <= to; ++v) texts.push_back(v > 0 ? "+" + std::to_string(v) : std::to_string(v));
    return texts;
}

// Effect 1 and 2 each: type, switch, modulation source and intensity, eight
// parameters; then placement, the outputs 3 and 4 and the two balances.
void AddEffectEntries(std::vector<ParameterEntry>& out, int first) {
    constexpr int kPage = 8;
    constexpr int kEffectSize = 12;
    rows::CRowWriter w(out, "Page 8: Effect", kPage);
    for (int e = 0; e < 2; ++e) {
        const int base = first + kEffectSize * e;
        const std::string name = "Effect " + std::to_string(e + 1);
        w.SetGroup(name, -1, "fx" + std::to_string(e + 1) + ".");
        w.List(base, e, 0, "type", "Type:", EffectTypeNames());
        w.List(base + 1, e, 1, "switch", "Switch:", rows::OffOn());
        w.List(base + 2, e, 2, "modsource", "Source:", ModulationSources());
        w.Number(base + 3, e, 3, "modintensity", "Intensity:", 0, kRawEffectMaximum);
        for (int i = 0; i < kEffectParameterCount; ++i)
            w.Number(base + 4 + i, e, 4 + i, "param" + std::to_string(i + 1),
                     "Parameter " + std::to_string(i + 1) + ":", 0, kRawEffectMaximum);
    }
    // No published value lists for these: the stored number is shown.
    const int common = first + 2 * kEffectSize;
    w.SetGroup("Output", -1, "fx.");
    w.Number(common, 2, 0, "placement", "Placement:", 0, kRawEffectMaximum);
    w.Number(common + 1, 2, 1, "out3", "Out 3:", 0, kRawEffectMaximum);
    w.Number(common + 2, 2, 2, "out4", "Out 4:", 0, kRawEffectMaximum);
    w.Number(common + 3, 2, 3, "balance", "DRY:FX Bal.:", 0, kRawEffectMaximum);
    w.Number(common + 4, 2, 4, "balancel", "DRY:FX Bal. L:", 0, kRawEffectMaximum);
}

}  // namespace emberkit
