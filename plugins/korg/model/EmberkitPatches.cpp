#include "EmberkitPatches.h"

#include <algorithm>
#include <array>

#include "EmberkitEditing.h"
#include "EmberkitLayers.h"
#include "EmberkitParameters.h"
#include "EmberkitSynth.h"
#include "File.h"
#include "Midi.h"
#include "StringTable.h"
#include "Ui.h"

using namespace emberkit;

namespace {

constexpr unsigned kDrumKitNotSendable = 300;
constexpr unsigned kNotImplemented = 301;

constexpr int SingleSysExSize(int dataSize) {
    return kSingleHeaderSize + static_cast<int>(PackedSize(static_cast<std::size_t>(dataSize))) + 1;
}

// Level-like bytes of the initial program: the two oscillator blocks' levels that
// a captured factory program holds at 99 (the full layout is not published).
constexpr std::array kInitProgramLevels{63, 72, 114, 123};
constexpr std::uint8_t kProgramFullLevel = 99;
constexpr std::uint8_t kCombinationFull = 127;
constexpr std::uint8_t kTimbreOn = 0x10;

// The initial drum kit: sound k on key C2 + k, centre tune, level and decay.
constexpr int kInitDrumFirstKey = 36;

}  // namespace

namespace {

TableKind KindOf(const GUID& type) {
    if (type == kProgramPatchGuid) return TableKind::Program;
    if (type == kCombinationPatchGuid) return TableKind::Combination;
    if (type == kDrumPatchGuid) return TableKind::Drum;
    return TableKind::Global;
}

}  // namespace

const CParameterTable* CEmberkitPatch::GetParameterTable() const {
    return &emberkit::GetParameterTable(KindOf(GetPatchType()));
}

bool CEmberkitPatch::Edit() {
    if (const std::function<bool(CEmberkitPatch&)>& editor = GetEditors().patch) return editor(*this);
    return CPatch::Edit();
}

void CEmberkitPatch::Save(CFile& file) const { file.Write(Data()); }

void CEmberkitPatch::Load(CFile& file) {
    const std::vector<std::uint8_t> bytes = file.ReadBytes(m_data.size());  // throws before changing anything
    std::copy(bytes.begin(), bytes.end(), m_data.begin());
}

// ---- programs and combinations

void CEmberkitNumberedPatch::SendAndWrite(const CSynth& synth, bool temporary, std::uint8_t writeFunction) const {
    CMidiOutput& output = CMidi::Get().GetOutput(synth);
    const int channel = CEmberkitSynth::ChannelOf(synth);
    const std::uint8_t function = GetPatchType() == kProgramPatchGuid ? kProgramDump : kCombinationDump;
    // A write request stores whatever the edit buffer holds: send it only when
    // the patch itself went out.
    if (!output.SendLong(BuildSingleDump(function, Data(), channel))) return;
    if (!temporary) output.SendLong(BuildWriteRequest(writeFunction, m_number, channel));
}

CEmberkitProgram::CEmberkitProgram()
    : CEmberkitNumberedPatch("Program", kNameLength, kProgramSize, SingleSysExSize(kProgramSize)) {
    Init();
}

void CEmberkitProgram::Init() {
    std::fill(m_data.begin(), m_data.end(), 0);
    SetName("Init Prog ");
    for (const int offset : kInitProgramLevels) m_data[static_cast<std::size_t>(offset)] = kProgramFullLevel;
}

std::string CEmberkitProgram::GetInfoForPatch() const {
    const CEmberkitSynth& synth = CEmberkitSynth::Get();
    return synth.GetMultisoundName(m_data[kOsc1Multisound]) + "\n" + synth.GetMultisoundName(m_data[kOsc2Multisound]);
}

std::vector<std::uint8_t> CEmberkitProgram::GetSysExData(bool) const {
    return BuildSingleDump(kProgramDump, Data(), CEmberkitSynth::Get().GetChannel());
}

bool CEmberkitProgram::IsEqual(const CPatch& other) const {
    if (other.GetPatchType() != kProgramPatchGuid) return false;
    return std::ranges::equal(Data(), other.Data());
}

std::optional<std::uint64_t> CEmberkitProgram::GetFingerprint() const {
    const auto type = kProgramPatchGuid.ToBytes();
    return HashBytes(Data(), HashBytes(type));
}

void CEmberkitProgram::Send(const CSynth& synth, bool temporary) const {
    SendAndWrite(synth, temporary, kProgramWriteRequest);
}

CEmberkitCombination::CEmberkitCombination()
    : CEmberkitNumberedPatch("Combination", kNameLength, kCombinationSize, SingleSysExSize(kCombinationSize)) {
    Init();
}

// One timbre playing A00 over the whole keyboard; the other seven off.
void CEmberkitCombination::Init() {
    std::fill(m_data.begin(), m_data.end(), 0);
    SetName("Init Combi");
    for (int t = 0; t < kTimbreCount; ++t) {
        std::uint8_t* timbre = &m_data[static_cast<std::size_t>(kTimbreOffset + kTimbreSize * t)];
        timbre[kTimbreLevel] = kCombinationFull;
        timbre[kTimbreTopKey] = kCombinationFull;
        timbre[kTimbreTopVelocity] = kCombinationFull;
        timbre[kTimbreBottomVelocity] = 1;
        timbre[kTimbreStatus] = t == 0 ? kTimbreOn : 0;
    }
}

std::vector<std::uint8_t> CEmberkitCombination::GetSysExData(bool) const {
    return BuildSingleDump(kCombinationDump, Data(), CEmberkitSynth::Get().GetChannel());
}

void CEmberkitCombination::Send(const CSynth& synth, bool temporary) const {
    SendAndWrite(synth, temporary, kCombinationWriteRequest);
}

int CEmberkitCombination::GetTimbreProgram(int t) const {
    return m_data.at(static_cast<std::size_t>(kTimbreOffset + kTimbreSize * t));
}

void CEmberkitCombination::SetTimbreProgram(int t, int program) {
    m_data.at(static_cast<std::size_t>(kTimbreOffset + kTimbreSize * t)) = static_cast<std::uint8_t>(program);
}

// ---- drum kits and global data

CEmberkitDrumKit::CEmberkitDrumKit()
    : CEmberkitPatch("Drum", kNameLength, kDrumKitSize, SingleSysExSize(kDrumKitSize)) {
    Init();
}

void CEmberkitDrumKit::Init() {
    std::fill(m_data.begin(), m_data.end(), 0);
    for (int e = 0; e < kDrumEntryCount; ++e) {
        std::uint8_t* entry = &m_data[static_cast<std::size_t>(kDrumEntrySize * e)];
        entry[0] = static_cast<std::uint8_t>(e);
        entry[1] = static_cast<std::uint8_t>(kInitDrumFirstKey + e);
    }
}

std::vector<std::uint8_t> CEmberkitDrumKit::GetSysExData(bool) const {
    CUi::Get().MessageBox(CStringTable::Get(kDrumKitNotSendable), CUi::Icon::Warning);
    return {};
}

std::vector<std::uint8_t> CEmberkitDrumKit::BuildDumpIntoSlot(int slot, int channel) const {
    if (slot < 0 || slot >= kDrumKitCount) return {};
    std::vector<std::uint8_t> data;
    if (m_kits && m_kits->GetLayerDataSize() == static_cast<std::size_t>(kDrumKitCount * kDrumKitSize)) {
        data = m_kits->GetLayerData();
    } else {
        const CEmberkitDrumKit fresh;
        for (int k = 0; k < kDrumKitCount; ++k) data.insert(data.end(), fresh.Data().begin(), fresh.Data().end());
    }
    std::copy(m_data.begin(), m_data.end(), data.begin() + static_cast<std::ptrdiff_t>(slot) * kDrumKitSize);
    return BuildBankDump(kDrumKitsDump, data, channel);
}

CEmberkitGlobal::CEmberkitGlobal() : CEmberkitPatch("Global", kNameLength, kGlobalSize, 0) { Init(); }

std::vector<std::uint8_t> CEmberkitGlobal::GetSysExData(bool) const {
    CUi::Get().MessageBox(CStringTable::Get(kNotImplemented), CUi::Icon::Warning);
    return {};
}
