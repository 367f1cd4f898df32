#include "amberkit/JVParameters.h"

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>

#include "amberkit/JVEffectTable.h"
#include "amberkit/JVParameterRows.h"
#include "amberkit/JVRecords.h"

namespace amberkit {

namespace {

const RecordLayout& LayoutOf(RecordKind kind) {
    switch (kind) {
    case RecordKind::Patch: return GetPatchLayout();
    case RecordKind::Performance: return GetPerformanceLayout();
    case RecordKind::Rhythm: return GetRhythmLayout();
    case RecordKind::System: return GetSystemLayout();
    }
    throw std::invalid_argument("unknown record kind");
}

TemporaryArea AreaOf(RecordKind kind) {
    switch (kind) {
    case RecordKind::Patch: return TemporaryArea::Patch;
    case RecordKind::Performance: return TemporaryArea::Performance;
    case RecordKind::Rhythm: return TemporaryArea::Rhythm;
    case RecordKind::System: return TemporaryArea::System;
    }
    throw std::invalid_argument("unknown record kind");
}

std::vector<CParameter> BuildEntries(RecordKind kind, Generation generation) {
    switch (kind) {
    case RecordKind::Patch: return BuildPatchParameters(generation);
    case RecordKind::Performance: return BuildPerformanceParameters(generation);
    case RecordKind::Rhythm: return BuildRhythmParameters();
    case RecordKind::System: return BuildSystemParameters(generation);
    }
    throw std::invalid_argument("unknown record kind");
}

std::unique_ptr<CJVRecord> DefaultRecord(RecordKind kind) {
    switch (kind) {
    case RecordKind::Patch: return std::make_unique<CJVPatch>();
    case RecordKind::Performance: return std::make_unique<CJVPerformance>();
    case RecordKind::Rhythm: return std::make_unique<CJVRhythm>();
    case RecordKind::System: return std::make_unique<CJVSystem>();
    }
    throw std::invalid_argument("unknown record kind");
}

// Each table is built the first time it is asked for and kept to the end.
template <RecordKind K, Generation G>
const CJVParameterTable& CachedTable() {
    static const CJVParameterTable table(K, G);
    return table;
}

template <RecordKind K>
const CJVParameterTable& CachedTable(Generation generation) {
    switch (generation) {
    case Generation::JV1080: return CachedTable<K, Generation::JV1080>();
    case Generation::JV2080: return CachedTable<K, Generation::JV2080>();
    case Generation::XP: return CachedTable<K, Generation::XP>();
    case Generation::XP30: return CachedTable<K, Generation::XP30>();
    }
    return CachedTable<K, kDefaultGeneration>();
}

}  // namespace

CJVParameterTable::CJVParameterTable(RecordKind kind, Generation generation)
    : m_kind(kind), m_layout(&LayoutOf(kind)), m_area(AreaOf(kind)) {
    std::vector<CParameter> entries = BuildEntries(kind, generation);
    // The defaults are what a freshly initialised record holds.
    const std::unique_ptr<CJVRecord> fresh = DefaultRecord(kind);
    const std::span<const std::uint8_t> data = fresh->Data();
    for (CParameter& p : entries) {
        const std::size_t at = DataIndex(p);
        int stored = 0;
        if (p.nibbles > 0)
            for (int i = 0; i < p.nibbles && at + static_cast<std::size_t>(i) < data.size(); ++i)
                stored = stored * 16 + (data[at + static_cast<std::size_t>(i)] & 0x0F);
        else if (at < data.size()) stored = data[at];
        p.defaultValue = std::clamp(stored - p.storedOffset, p.minimum, p.maximum);
    }
    SetParameters(std::move(entries));
}

std::size_t CJVParameterTable::DataIndex(const CParameter& parameter) const {
    return static_cast<std::size_t>(m_layout->MessageOffset(parameter.block) + kHeaderSize + parameter.offset);
}

CParameterAddress CJVParameterTable::GetAddress(const CParameter& parameter) const {
    const int base = parameter.block == 0 ? 0 : m_layout->BlockAddress(parameter.block - 1);
    return {base + parameter.offset / 128, parameter.offset % 128};
}

std::vector<std::uint8_t> CJVParameterTable::BuildLiveMessage(const CPatch& patch, const CParameter& parameter) const {
    const std::span<const std::uint8_t> data = patch.Data();
    const std::size_t at = DataIndex(parameter);
    const auto size = static_cast<std::size_t>(parameter.Size());
    if (at + size > data.size()) return {};
    const CParameterAddress address = GetAddress(parameter);
    return BuildParameterMessage(CJVSynth::Get().GetDeviceByte(), m_area, static_cast<std::uint8_t>(address.block),
                                 static_cast<std::uint8_t>(address.offset), data.subspan(at, size));
}

CSynth* CJVParameterTable::GetSynth() const { return &CJVSynth::Get(); }

const CJVParameterTable& GetJVParameterTable(RecordKind kind, Generation generation) {
    switch (kind) {
    case RecordKind::Patch: return CachedTable<RecordKind::Patch>(generation);
    case RecordKind::Performance: return CachedTable<RecordKind::Performance>(generation);
    // Every generation has the same rhythm set: one table serves them all.
    case RecordKind::Rhythm: return CachedTable<RecordKind::Rhythm, Generation::JV1080>();
    case RecordKind::System: return CachedTable<RecordKind::System>(generation);
    }
    throw std::invalid_argument("unknown record kind");
}

std::string NoteName(int note) {
    static constexpr std::array<const char*, 12> kNames{"C",  "C#", "D",  "D#", "E",  "F",
                                                        "F#", "G",  "G#", "A",  "A#", "B"};
    const int n = std::clamp(note, 0, 127);
    return kNames[static_cast<std::size_t>(n % 12)] + std::to_string(n / 12 - 1);
}

// ---- Shared value lists ----

namespace rows {

Texts Signed(std::initializer_list<int> values) {
    Texts out;
    out.reserve(values.size());
    for (const int v : values) out.push_back(v > 0 ? "+" + std::to_string(v) : std::to_string(v));
    return out;
}

namespace {
std::string TwoDigits(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }
}  // namespace

Texts CommonPans() { return ParameterTexts::Pans(); }

Texts AlternatePans() {
    Texts out;
    for (int v = 63; v >= 1; --v) out.push_back("L" + TwoDigits(v));
    out.emplace_back("0");
    for (int v = 1; v <= 63; ++v) out.push_back("R" + TwoDigits(v));
    return out;
}

Texts VelocitySens() { return SignedSteps(-100, 150, 2); }

Texts TimeSteps() { return Signed({-100, -70, -50, -40, -30, -20, -10, 0, 10, 20, 30, 40, 50, 70, 100}); }

Texts KeyfollowSteps() { return Signed({-100, -70, -50, -30, -10, 0, 10, 20, 30, 40, 50, 70, 100, 120, 150, 200}); }

Texts RandomPitch() {
    Texts out = Numbers(0, 10);
    for (int v = 20; v <= 100; v += 10) out.push_back(std::to_string(v));
    for (int v = 200; v <= 1200; v += 100) out.push_back(std::to_string(v));
    return out;
}

Texts GroupTypes() { return {"INT", "PCM", "EXP"}; }

Texts WaveGains() { return {"-6", "0", "+6", "+12"}; }

Texts ChorusOutputs() { return {"MIX", "REVERB", "MIX+REV"}; }

Texts ReverbTypes() { return {"ROOM1", "ROOM2", "STAGE1", "STAGE2", "HALL1", "HALL2", "DELAY", "PAN-DLY"}; }

Texts HfDamps() {
    return {"200Hz",   "250Hz",   "315Hz",   "400Hz",   "500Hz",   "630Hz",   "800Hz",   "1.00kHz", "1.25kHz",
            "1.60kHz", "2.00kHz", "2.50kHz", "3.15kHz", "4.00kHz", "5.00kHz", "6.30kHz", "8.00kHz", "BYPASS"};
}

Texts EffectOutputs() { return {"MIX", "DIR1", "DIR2"}; }

Texts EffectControlSources() {
    return {"OFF",    "SYS-CTRL1", "SYS-CTRL2",  "MODULATION", "BREATH",    "FOOT",
            "VOLUME", "PAN",       "EXPRESSION", "BENDER",     "AFTERTOUCH"};
}

void AddChorusReverb(CRowWriter& w, int first, const std::string& page) {
    w.SetPage(page);
    w.SetGroup("Chorus");
    w.Number(first, "chorus.level", "Chorus Level");
    w.Number(first + 1, "chorus.rate", "Chorus Rate");
    w.Number(first + 2, "chorus.depth", "Chorus Depth");
    w.Number(first + 3, "chorus.predelay", "Chorus Pre-Delay");
    w.Number(first + 4, "chorus.feedback", "Chorus Feedback");
    w.List(first + 5, "chorus.output", "Chorus Output", ChorusOutputs());
    w.SetGroup("Reverb");
    w.List(first + 6, "reverb.type", "Reverb Type", ReverbTypes());
    w.Number(first + 7, "reverb.level", "Reverb Level");
    w.Number(first + 8, "reverb.time", "Reverb Time");
    w.List(first + 9, "reverb.hfdamp", "Reverb HF Damp", HfDamps());
    w.Number(first + 10, "delay.feedback", "Delay Feedback");
}

void AddEffectRows(CRowWriter& w, int type) {
    w.List(type, "efx.type", "EFX Type", GetEffectTypeNames());
    // Their meaning depends on the type; the EFX editor shows them per type.
    for (int i = 1; i <= kEffectSlotCount; ++i)
        w.Number(type + i, "efx.param" + std::to_string(i), "EFX Parameter " + std::to_string(i));
    const int after = type + kEffectSlotCount + 1;
    w.List(after, "efx.output", "EFX Output Assign", EffectOutputs());
    w.Number(after + 1, "efx.mix", "EFX Mix-Out Send Level");
    w.Number(after + 2, "efx.chorus", "EFX Chorus Send Level");
    w.Number(after + 3, "efx.reverb", "EFX Reverb Send Level");
    w.List(after + 4, "efx.ctrl1.source", "EFX Control Source 1", EffectControlSources());
    w.Bipolar(after + 5, "efx.ctrl1.depth", "EFX Control Depth 1");
    w.List(after + 6, "efx.ctrl2.source", "EFX Control Source 2", EffectControlSources());
    w.Bipolar(after + 7, "efx.ctrl2.depth", "EFX Control Depth 2");
}

}  // namespace rows

}  // namespace amberkit
