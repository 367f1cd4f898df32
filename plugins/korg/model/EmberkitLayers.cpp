#include "EmberkitLayers.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "EmberkitPatches.h"
#include "EmberkitSynth.h"
#include "File.h"
#include "Midi.h"
#include "SynthMemory.h"

using namespace emberkit;

namespace {

const CEmberkitLayerFormat kProgramFormat{"Program",        kProgramCount, kProgramLayerGuid, DumpType::Programs,
                                          kProgramSize,     kProgramDump,  kBankSize,         "all-programs dump",
                                          kModeProgramEdit, kModeProgram};
const CEmberkitLayerFormat kCombinationFormat{
    "Combination",    kCombinationCount, kCombinationLayerGuid,   DumpType::Combinations, kCombinationSize,
    kCombinationDump, kBankSize,         "all-combinations dump", kModeCombinationEdit,   kModeCombination};
const CEmberkitLayerFormat kDrumFormat{"Drum", kDrumKitCount, kDrumLayerGuid,  DumpType::Drums, kDrumKitSize,
                                       0,      kDrumBankSize, "drum kit dump", kModeGlobal,     kModeGlobal};
const CEmberkitLayerFormat kGlobalFormat{"Global", 1, kGlobalLayerGuid, DumpType::Global, kGlobalSize,
                                         0,        1, "global dump",    kModeGlobal,      kModeGlobal};

constexpr std::size_t kAllDataSize =
    kGlobalSize + kDrumKitCount * kDrumKitSize + kCombinationCount * kCombinationSize + kProgramCount * kProgramSize;

// The header at the file position, position unchanged; throws when the file ends first.
CEmberkitHeader PeekHeader(CFile& file) {
    CEmberkitHeader header;
    const std::size_t read = header.Load(file);
    file.Seek(-static_cast<std::int64_t>(read), CFile::current);
    if (read < static_cast<std::size_t>(header.GetSize()))
        throw CFileException(CFileException::endOfFile, file.GetFilePath(), "the file ends inside a dump header");
    return header;
}

}  // namespace

// ---- header

void CEmberkitHeader::SetType(int i) {
    const std::uint8_t bytes[kHeaderSize]{
        kSysExStart, kKorgId, kFormatId, kModelId, BankFunction(static_cast<DumpType>(std::clamp(i, 0, 3))), 0x00};
    std::copy(std::begin(bytes), std::end(bytes), Bytes().begin());
}

// ---- common layer

CEmberkitLayer::CEmberkitLayer(const CEmberkitLayerFormat& format)
    : CPatchLayer(format.name, format.patchCount), m_format(format) {
    m_header.SetType(static_cast<int>(format.type));
}

bool CEmberkitLayer::AcceptsFunction(std::uint8_t function) const { return function == BankFunction(m_format.type); }

bool CEmberkitLayer::MatchesHeader(const CHeader& header) const {
    const auto bytes = header.Bytes();
    if (bytes.size() < static_cast<std::size_t>(kHeaderSize) || !IsOwnMessage(bytes)) return false;
    const std::uint8_t function = bytes[4];
    // A single message has no 00 byte: its byte 5 is already data.
    if (m_format.singleFunction != 0 && function == m_format.singleFunction) return true;
    return bytes[5] == 0x00 && AcceptsFunction(function);
}

void CEmberkitLayer::UpdatePatchNumbers() {
    for (int i = 0; i < GetPatchCount(); ++i)
        if (auto* patch = dynamic_cast<CEmberkitPatch*>(GetPatch(i))) patch->SetPlace(this, i);
}

void CEmberkitLayer::SetPatch(int i, const CPatch& patch) {
    CPatchLayer::SetPatch(i, patch);
    if (auto* stored = dynamic_cast<CEmberkitPatch*>(GetPatch(i))) stored->SetPlace(this, i);
}

std::size_t CEmberkitLayer::GetLayerDataSize() const {
    return static_cast<std::size_t>(m_format.patchCount) * static_cast<std::size_t>(m_format.patchSize);
}

std::vector<std::uint8_t> CEmberkitLayer::GetLayerData() const {
    std::vector<std::uint8_t> data;
    data.reserve(GetLayerDataSize());
    for (int i = 0; i < GetPatchCount(); ++i) {
        const auto bytes = GetPatch(i)->Data();
        data.insert(data.end(), bytes.begin(), bytes.end());
    }
    return data;
}

void CEmberkitLayer::SetLayerData(std::span<const std::uint8_t> data) {
    if (data.size() != GetLayerDataSize()) throw std::invalid_argument("layer data of the wrong size");
    const std::size_t size = static_cast<std::size_t>(m_format.patchSize);
    for (int i = 0; i < GetPatchCount(); ++i) {
        const auto part = data.subspan(static_cast<std::size_t>(i) * size, size);
        std::ranges::copy(part, GetPatch(i)->Data().begin());
    }
    m_header.SetType(static_cast<int>(m_format.type));
}

void CEmberkitLayer::Save(CFile& file) {
    file.Write(BuildBankDump(m_header.GetFunction(), GetLayerData(), CEmberkitSynth::Get().GetChannel()));
}

void CEmberkitLayer::Load(CFile& file) {
    const CEmberkitHeader header = PeekHeader(file);
    if (!MatchesHeader(header))
        throw CFileException(CFileException::badFormat, file.GetFilePath(), std::string("not a ") + m_format.dumpName);
    if (m_format.singleFunction != 0 && header.GetFunction() == m_format.singleFunction) {
        const std::size_t size = static_cast<std::size_t>(m_format.patchSize);
        const SysExMessage message = ReadSysEx(file, kSingleHeaderSize + PackedSize(size) + 1);
        const std::vector<std::uint8_t> data = ParseDump(
            message, kSingleHeaderSize, size, "single " + std::string(m_format.name) + " message", file.GetFilePath());
        std::ranges::copy(data, GetPatch(0)->Data().begin());
        MarkPatchInFile(0);
        return;
    }
    const SysExMessage message = ReadSysEx(file, kHeaderSize + PackedSize(GetLayerDataSize()) + 1);
    SetLayerData(ParseDump(message, kHeaderSize, GetLayerDataSize(), m_format.dumpName, file.GetFilePath()));
    MarkAllPatchesInFile();
}

void CEmberkitLayer::SwitchMode(const CSynth& synth, bool on) {
    CMidi::Get().GetOutput(synth).SendLong(
        BuildModeChange(on ? m_format.modeOn : m_format.modeOff, CEmberkitSynth::ChannelOf(synth)));
}

std::string CEmberkitLayer::GetPatchLabel(int i) const {
    const int bank = m_format.labelBankSize;
    char label[64];
    std::snprintf(label, sizeof label, "%c%02d %s", i < bank ? 'A' : 'B', i < bank ? i : i - bank,
                  GetPatch(i)->GetName().c_str());
    return label;
}

// ---- the four layers

CEmberkitProgramLayer::CEmberkitProgramLayer() : CEmberkitLayer(kProgramFormat) {
    for (int i = 0; i < kProgramCount; ++i) AddPatch(std::make_unique<CEmberkitProgram>());
    UpdatePatchNumbers();
}

CEmberkitCombinationLayer::CEmberkitCombinationLayer() : CEmberkitLayer(kCombinationFormat) {
    for (int i = 0; i < kCombinationCount; ++i) AddPatch(std::make_unique<CEmberkitCombination>());
    UpdatePatchNumbers();
}

void CEmberkitCombinationLayer::AdaptLayer(const CLayer& child, std::span<const std::uint32_t> map, bool undo) {
    if (child.GetLayerGuid() != kProgramLayerGuid) return;
    for (int i = 0; i < GetPatchCount(); ++i) {
        auto& combination = static_cast<CEmberkitCombination&>(*GetPatch(i));
        for (int t = 0; t < kTimbreCount; ++t)
            combination.SetTimbreProgram(t, CPatch::LookupNewIndex(combination.GetTimbreProgram(t), map, undo));
    }
}

std::vector<int> CEmberkitCombinationLayer::GetPatchReferences(const CLayer& child, int index) const {
    if (child.GetLayerGuid() != kProgramLayerGuid || index < 0 || index >= GetPatchCount()) return {};
    const auto& combination = static_cast<const CEmberkitCombination&>(*GetPatch(index));
    std::vector<int> programs;
    for (int t = 0; t < kTimbreCount; ++t) programs.push_back(combination.GetTimbreProgram(t));
    return programs;
}

CEmberkitDrumLayer::CEmberkitDrumLayer() : CEmberkitLayer(kDrumFormat) {
    for (int i = 0; i < kDrumKitCount; ++i) AddPatch(std::make_unique<CEmberkitDrumKit>());
    UpdatePatchNumbers();
}

CEmberkitGlobalLayer::CEmberkitGlobalLayer(CSynthMemory& memory) : CEmberkitLayer(kGlobalFormat), m_memory(memory) {
    AddPatch(std::make_unique<CEmberkitGlobal>());
}

bool CEmberkitGlobalLayer::AcceptsFunction(std::uint8_t function) const {
    return function == kGlobalDump || function == kAllDataDump;
}

void CEmberkitGlobalLayer::Load(CFile& file) {
    if (PeekHeader(file).GetFunction() == kAllDataDump) LoadAllData(file);
    else CEmberkitLayer::Load(file);
}

// The all-data dump packs the global data, the drum kits, the combinations and
// the programs as one stream, and the sequence data after them in the same
// stream. It is read whole before any layer changes, so a damaged dump changes
// nothing.
void CEmberkitGlobalLayer::LoadAllData(CFile& file) {
    const SysExMessage message = ReadSysEx(file, std::numeric_limits<std::size_t>::max());
    const std::vector<std::uint8_t> data =
        ParseDump(message, kAllDataHeaderSize, kAllDataSize, "all-data dump", file.GetFilePath(), true);
    // Every whole data byte the packed stream holds; the sound data is its start.
    const std::size_t packed = message.length - kAllDataHeaderSize - 1;
    const std::size_t streamSize = packed / 8 * 7 + (packed % 8 > 1 ? packed % 8 - 1 : 0);
    auto stream = Unpack(std::span<const std::uint8_t>(message.head).subspan(kAllDataHeaderSize), streamSize);
    if (!stream)
        throw CFileException(CFileException::badFormat, file.GetFilePath(), "all-data dump holds a byte above 7F");

    auto& drums = dynamic_cast<CEmberkitLayer&>(m_memory.GetLayer(kDrumLayer));
    auto& combinations = dynamic_cast<CEmberkitLayer&>(m_memory.GetLayer(kCombinationLayer));
    auto& programs = dynamic_cast<CEmberkitLayer&>(m_memory.GetLayer(kProgramLayer));
    std::span<const std::uint8_t> rest(data);
    auto take = [&rest](std::size_t n) {
        const auto part = rest.first(n);
        rest = rest.subspan(n);
        return part;
    };
    SetLayerData(take(GetLayerDataSize()));
    drums.SetLayerData(take(drums.GetLayerDataSize()));
    combinations.SetLayerData(take(combinations.GetLayerDataSize()));
    programs.SetLayerData(take(programs.GetLayerDataSize()));
    m_allData = true;
    m_sequenceSize[0] = message.head[6];
    m_sequenceSize[1] = message.head[7];
    m_sequenceData.assign(stream->begin() + static_cast<std::ptrdiff_t>(kAllDataSize), stream->end());
    // The file held all four layers, not only this one.
    for (CEmberkitLayer* layer : {static_cast<CEmberkitLayer*>(this), &drums, &combinations, &programs})
        layer->MarkAllPatchesInFile();
}

std::vector<std::uint8_t> CEmberkitGlobalLayer::BuildAllDataDump() const {
    std::vector<std::uint8_t> stream = GetLayerData();
    for (const int l : {kDrumLayer, kCombinationLayer, kProgramLayer}) {
        const auto data = dynamic_cast<const CEmberkitLayer&>(m_memory.GetLayer(l)).GetLayerData();
        stream.insert(stream.end(), data.begin(), data.end());
    }
    stream.insert(stream.end(), m_sequenceData.begin(), m_sequenceData.end());
    std::vector<std::uint8_t> m{kSysExStart,       kKorgId,          FormatByte(CEmberkitSynth::Get().GetChannel()),
                                kModelId,          kAllDataDump,     0x00,
                                m_sequenceSize[0], m_sequenceSize[1]};
    const std::vector<std::uint8_t> packed = Pack(stream);
    m.insert(m.end(), packed.begin(), packed.end());
    m.push_back(kSysExEnd);
    return m;
}

void CEmberkitGlobalLayer::ForgetAllData() {
    m_allData = false;
    m_sequenceData.clear();
    m_sequenceSize[0] = m_sequenceSize[1] = 0;
}
