#include "XVSynthMemory.h"

#include <array>
#include <cstdio>

#include "File.h"
#include "Midi.h"
#include "XVCardBanks.h"
#include "XVImport.h"
#include "XVSynth.h"

using namespace xv;

namespace {

constexpr std::array<std::uint8_t, kHeaderSize> kDefaultHeader{
    kSysExStart, kRoland, kDeviceBase, kModelHigh, kModelLow, kDT1, kAreaUserPatch, 0, 0, 0};

// System common sound mode = PATCH, then patch bank select 57 00 04 (28 bytes, one send).
constexpr std::array<std::uint8_t, 28> kPatchMode{0xF0, 0x41, 0x10, 0x00, 0x10, 0x12, 0x00, 0x00, 0x00, 0x00,
                                                  0x01, 0x7F, 0xF7, 0xF0, 0x41, 0x10, 0x00, 0x10, 0x12, 0x00,
                                                  0x00, 0x00, 0x12, 0x57, 0x00, 0x04, 0x13, 0xF7};
constexpr std::array<std::uint8_t, 13> kPerformanceMode{0xF0, 0x41, 0x10, 0x00, 0x10, 0x12, 0x00,
                                                        0x00, 0x00, 0x00, 0x00, 0x00, 0xF7};

bool IsPartArea(std::uint8_t area, std::uint8_t last) { return area >= kAreaFirstPart && area <= last; }

int PartOf(std::uint8_t area, std::uint8_t number) { return (area - kAreaFirstPart) * 4 + (number >> 5); }

}  // namespace

CXVHeader::CXVHeader() : CHeader(kHeaderSize) { std::copy(kDefaultHeader.begin(), kDefaultHeader.end(), GetData()); }

// ---------------------------------------------------------------- matching

namespace xv {

bool MatchesPatchHeader(std::span<const std::uint8_t> h) {
    if (!IsDT1Header(h)) return false;
    const std::uint8_t area = h[kArea], number = h[kNumber];
    if (area == kAreaUserPatch) return true;
    if (IsPartArea(area, kAreaLastPartPatch)) return (number & 0x1F) == 0x00;
    return area == kAreaTemp && number == 0x00;
}

bool MatchesPerformanceHeader(std::span<const std::uint8_t> h) {
    return IsDT1Header(h) && (h[kArea] == kAreaUserPerformance || h[kArea] == kAreaTempPerformance);
}

bool MatchesRhythmHeader(std::span<const std::uint8_t> h) {
    if (!IsDT1Header(h)) return false;
    const std::uint8_t area = h[kArea], number = h[kNumber];
    if (area == kAreaUserRhythm) return true;
    if (IsPartArea(area, kAreaLastPartRhythm)) return (number & 0x1F) == 0x10;
    return area == kAreaTemp && number == kTempRhythmNumber;
}

bool MatchesSystemHeader(std::span<const std::uint8_t> h) {
    return IsDT1Header(h) && h[kArea] == kAreaSystem && h[kNumber] == 0x00;
}

std::optional<LoadTarget> PatchTarget(std::span<const std::uint8_t> h) {
    if (!MatchesPatchHeader(h)) return std::nullopt;
    const std::uint8_t area = h[kArea], number = h[kNumber];
    if (area == kAreaUserPatch) return LoadTarget{number, false};
    if (area == kAreaTemp) return LoadTarget{0, true};
    return LoadTarget{PartOf(area, number), true};
}

std::optional<LoadTarget> PerformanceTarget(std::span<const std::uint8_t> h) {
    if (!MatchesPerformanceHeader(h)) return std::nullopt;
    if (h[kArea] == kAreaTempPerformance) return LoadTarget{0, true};
    if (h[kNumber] >= kUserPerformances) return std::nullopt;
    return LoadTarget{h[kNumber], false};
}

std::optional<LoadTarget> RhythmTarget(std::span<const std::uint8_t> h) {
    if (!MatchesRhythmHeader(h)) return std::nullopt;
    if (h[kArea] != kAreaUserRhythm) return LoadTarget{0, true};
    const std::uint8_t number = h[kNumber];
    if (number % kUserRhythmStep != 0 || number / kUserRhythmStep >= kUserRhythmSets) return std::nullopt;
    return LoadTarget{number / kUserRhythmStep, false};
}

std::span<const std::uint8_t> PatchModeMessages() { return kPatchMode; }
std::span<const std::uint8_t> PerformanceModeMessage() { return kPerformanceMode; }

}  // namespace xv

// ---------------------------------------------------------------- CXVLayer

CXVLayer::CXVLayer(std::string name, int count, RecordKind kind) : CPatchLayer(std::move(name), count), m_kind(kind) {
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<CPatch> record;
        switch (kind) {
        case RecordKind::Patch: record = std::make_unique<CXVPatch>(); break;
        case RecordKind::Performance: record = std::make_unique<CXVPerformance>(); break;
        case RecordKind::Rhythm: record = std::make_unique<CXVRhythm>(); break;
        case RecordKind::System: record = std::make_unique<CXVSystem>(); break;
        }
        AddPatch(std::move(record));
    }
}

bool CXVLayer::MatchesHeader(const CHeader& header) const { return Matches(header.Bytes()); }

void CXVLayer::UpdatePatchNumbers() {
    for (int i = 0; i < GetPatchCount(); ++i) {
        const auto [area, number] = UserAddress(i);
        GetRecord(i).Readdress(area, number);
    }
}

void CXVLayer::Save(CFile& file) {
    UpdatePatchNumbers();
    for (int i = 0; i < GetPatchCount(); ++i) SaveRecord(GetRecord(i), file);
}

// Records load one after another while the messages are this layer's; each goes
// to the slot its address names. A record that cannot be read throws when it is
// the first, so the memory reports it; after good records the layer stops
// before it, and the next call reports it.
void CXVLayer::Load(CFile& file) {
    bool loadedAny = false;
    for (;;) {
        const std::uint64_t start = file.GetPosition();
        std::array<std::uint8_t, kHeaderSize> header{};
        const std::size_t n = file.Read(header.data(), header.size());
        file.Seek(static_cast<std::int64_t>(start), CFile::begin);
        if (n < header.size() || !Matches(header)) return;
        const auto target = Target(header);
        if (!target) {
            if (loadedAny) return;
            throw CFileException(CFileException::badFormat, file.GetFilePath(),
                                 "the message at " + AddressText(AddressOf(header)) + " names no record of \"" +
                                     GetName() + "\"");
        }
        if (loadedAny && target->single) return;
        auto spare = GetPatch(target->index)->Clone();
        auto& record = static_cast<CXVRecord&>(*spare);
        try {
            record.LoadFromDump(file);
            AfterRecordLoaded(record, file);
        } catch (const CFileException&) {
            if (!loadedAny) throw;
            file.Seek(static_cast<std::int64_t>(start), CFile::begin);
            return;
        }
        // The messages as they came: a wrong checksum is reported, the data kept.
        const std::uint64_t end = file.GetPosition();
        file.Seek(static_cast<std::int64_t>(start), CFile::begin);
        const std::vector<std::uint8_t> raw = file.ReadBytes(static_cast<std::size_t>(end - start));
        for (const std::uint64_t at : BadChecksums(raw, start)) m_badChecksums.push_back(at);
        ReplacePatch(target->index, std::move(spare));
        loadedAny = true;
        if (target->single) return;
    }
}

std::string CXVLayer::GetPatchLabel(int i) const {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%02d ", i + 1);
    return prefix + GetPatch(i)->GetName();
}

// ---------------------------------------------------------------- the four layers

CXVPatchLayer::CXVPatchLayer() : CXVLayer("User Patch", kUserPatches, RecordKind::Patch) {}

std::pair<std::uint8_t, std::uint8_t> CXVPatchLayer::UserAddress(int i) const {
    return {kAreaUserPatch, static_cast<std::uint8_t>(i)};
}

void CXVPatchLayer::UpdatePatchNumbers() {
    CXVLayer::UpdatePatchNumbers();
    const std::uint8_t device = CXVSynth::Get().GetDeviceByte();
    for (int i = 0; i < GetPatchCount(); ++i) static_cast<CXVPatch&>(GetRecord(i)).ReaddressExtraBlocks(device);
}

void CXVPatchLayer::AfterRecordLoaded(CXVRecord& record, CFile& file) {
    static_cast<CXVPatch&>(record).LoadExtraBlocks(file);
}

void CXVPatchLayer::SaveRecord(const CXVRecord& record, CFile& file) const {
    record.Save(file);
    static_cast<const CXVPatch&>(record).SaveExtraBlocks(file);
}

void CXVPatchLayer::SwitchMode(const CSynth& synth, bool on) {
    if (!on) CMidi::Get().GetOutput(synth).SendLong(PatchModeMessages());
}

CXVPerformanceLayer::CXVPerformanceLayer() : CXVLayer("User Performance", kUserPerformances, RecordKind::Performance) {}

std::pair<std::uint8_t, std::uint8_t> CXVPerformanceLayer::UserAddress(int i) const {
    return {kAreaUserPerformance, static_cast<std::uint8_t>(i)};
}

void CXVPerformanceLayer::SwitchMode(const CSynth& synth, bool) {
    CMidi::Get().GetOutput(synth).SendLong(PerformanceModeMessage());
}

std::uint8_t CXVPerformanceLayer::UserMsbFor(const CLayer& child) const {
    if (child.GetLayerGuid() == kPatchLayerGuid) return kMsbPatch;
    if (child.GetLayerGuid() == kRhythmLayerGuid) return kMsbRhythm;
    return 0;
}

std::vector<int> CXVPerformanceLayer::GetPatchReferences(const CLayer& child, int index) const {
    std::vector<int> refs;
    const std::uint8_t msb = UserMsbFor(child);
    if (msb == 0) return refs;
    const CXVPerformance& perf = GetPerformance(index);
    for (int p = 0; p < kPartCount; ++p) {
        const auto part = perf.PartData(p);
        if (part[kPartBankMsb] == msb && part[kPartBankLsb] == kLsbUser) refs.push_back(part[kPartProgram]);
    }
    return refs;
}

void CXVPerformanceLayer::AdaptLayer(const CLayer& child, std::span<const std::uint32_t> map, bool undo) {
    const std::uint8_t msb = UserMsbFor(child);
    if (msb == 0) return;
    for (int i = 0; i < GetPatchCount(); ++i) {
        CXVPerformance& perf = GetPerformance(i);
        for (int p = 0; p < kPartCount; ++p) {
            const auto part = perf.PartData(p);
            if (part[kPartBankMsb] != msb || part[kPartBankLsb] != kLsbUser) continue;
            const int moved = CPatch::LookupNewIndex(part[kPartProgram], map, undo);
            if (moved >= 0 && moved < child.GetPatchCount()) part[kPartProgram] = static_cast<std::uint8_t>(moved);
        }
    }
}

CXVRhythmLayer::CXVRhythmLayer() : CXVLayer("User Rhythm", kUserRhythmSets, RecordKind::Rhythm) {}

std::pair<std::uint8_t, std::uint8_t> CXVRhythmLayer::UserAddress(int i) const {
    return {kAreaUserRhythm, static_cast<std::uint8_t>(i * kUserRhythmStep)};
}

CXVSystemLayer::CXVSystemLayer() : CXVLayer("System", 1, RecordKind::System) {}

std::optional<LoadTarget> CXVSystemLayer::Target(std::span<const std::uint8_t> h) const {
    if (!MatchesSystemHeader(h)) return std::nullopt;
    return LoadTarget{0, true};
}

// ---------------------------------------------------------------- CXVSynthMemory

IMPLEMENT_DYNCREATE(CXVSynthMemory, CObject)

CXVSynthMemory::CXVSynthMemory() {
    auto& performances = AddLayer(std::make_unique<CXVPerformanceLayer>());
    auto& patches = AddLayer(std::make_unique<CXVPatchLayer>());
    auto& rhythms = AddLayer(std::make_unique<CXVRhythmLayer>());
    AddLayer(std::make_unique<CXVSystemLayer>());
    // Performance parts play user patches (child 0) and user rhythm sets (child 1).
    performances.AddChildLayer(&patches);
    performances.AddChildLayer(&rhythms);
    patches.AddParentLayer(&performances);
    rhythms.AddParentLayer(&performances);
    AddAdditionalTool(std::make_unique<CImportJVPerformancesTool>(*this));
}

std::unique_ptr<CSynthMemory> CXVSynthMemory::CreateMemory() const { return std::make_unique<CXVSynthMemory>(); }

CSynth* CXVSynthMemory::GetSynth() const { return &CXVSynth::Get(); }

std::unique_ptr<CHeader> CXVSynthMemory::ReadHeader(CFile& file) const { return ReadHeaderAt<CXVHeader>(file); }

void CXVSynthMemory::Load(CFile& file) {
    m_loadIssues.clear();
    for (int l = 0; l < GetLayerCount(); ++l) static_cast<CXVLayer&>(GetLayer(l)).TakeBadChecksums();
    CSynthMemory::Load(file);
    for (int l = 0; l < GetLayerCount(); ++l) {
        auto& layer = static_cast<CXVLayer&>(GetLayer(l));
        for (const std::uint64_t offset : layer.TakeBadChecksums())
            ReportLoadIssue(
                {offset, "checksum", layer.GetName(), "the message's checksum is wrong (its data was kept)"});
    }
    // The info texts of the bank about to be shown need the name files.
    xv::ShowNameFileProblems();
}
