#include "amberkit/JVLayers.h"

#include <cstdio>
#include <utility>

#include <tonalith/File.h>
#include <tonalith/Midi.h>
#include <tonalith/SynthMemory.h>

#include "amberkit/JVMessages.h"
#include "amberkit/JVSynth.h"

namespace amberkit {

namespace {

std::string LayerName(Bank bank, const char* base) {
    return std::string(bank == Bank::Card ? "Card " : "User ") + base;
}

std::uint8_t CurrentDeviceByte() { return CJVSynth::Get().GetDeviceByte(); }

}  // namespace

void InspectRecord(std::span<const std::uint8_t> bytes, std::uint64_t offset, const RecordLayout& layout,
                   LoadFindings& findings) {
    constexpr unsigned kAll = (1u << kGenerationCount) - 1;
    std::size_t start = 0;
    for (int m = 0; start < bytes.size(); ++m) {
        std::size_t end = start;
        while (end < bytes.size() && bytes[end] != kSysExEnd) ++end;
        if (end == bytes.size()) break;  // the record reader allows no such thing
        const auto message = bytes.subspan(start, end + 1 - start);
        if (!HasValidChecksum(message)) findings.badChecksums.push_back(offset + start);
        unsigned fits = 0;
        for (int g = 0; g < kGenerationCount; ++g)
            if (layout.WireSize(m, static_cast<Generation>(g)) == static_cast<int>(message.size())) fits |= 1u << g;
        if (fits != kAll) findings.lengthsTell = true;
        findings.generations &= fits;
        start = end + 1;
    }
}

// ---- CJVLayer ----

CJVLayer::CJVLayer(std::string name, int count, const GUID& guid, Bank bank)
    : CPatchLayer(std::move(name), count), m_guid(guid), m_bank(bank) {}

bool CJVLayer::MatchesHeader(const CHeader& header) const {
    if (header.GetSize() < kHeaderSize) return false;
    if (header[0] != kSysExStart || header[1] != kRolandId || header[3] != kModelId || header[4] != kCommandDT1)
        return false;
    // Only the first message of a record starts a dump; stray block messages do not.
    if (header[kPosBlock] != 0 || header[kPosOffset] != 0) return false;
    return IsOwnArea(header[kPosArea], header[kPosNumber]);
}

void CJVLayer::UpdatePatchNumbers() {
    const std::uint8_t device = CurrentDeviceByte();
    for (int i = 0; i < GetPatchCount(); ++i) Record(i).Readdress(BankCode(), i, device);
}

void CJVLayer::Save(CFile& file) {
    UpdatePatchNumbers();
    const Generation generation = m_saveGeneration.value_or(CJVSynth::Get().GetWhichSynth());
    for (int i = 0; i < GetPatchCount(); ++i) file.Write(Record(i).GetSysExImage(generation));
}

void CJVLayer::Load(CFile& file) {
    std::vector<std::pair<int, std::unique_ptr<CPatch>>> loaded;
    for (int n = 0; n < GetPatchCount(); ++n) {
        const std::uint64_t at = file.GetPosition();
        const std::unique_ptr<CHeader> header = ReadHeaderAt<CJVHeader>(file);
        if (!header || !MatchesHeader(*header)) break;
        const std::uint8_t area = (*header)[kPosArea];
        const std::uint8_t number = (*header)[kPosNumber];
        std::unique_ptr<CPatch> spare = GetPatch(0)->Clone();
        auto& record = static_cast<CJVRecord&>(*spare);
        const bool temporary = record.IsTemporaryAddress(area, number);
        // A temporary record is a dump of its own; it never continues a bank.
        if (temporary && n > 0) break;
        try {
            const int index = TargetIndex(area, number);
            if (index < 0 || index >= GetPatchCount())
                throw CFileException(CFileException::badFormat, file.GetFilePath(),
                                     GetName() + " has no record for address " + std::to_string(area) + " " +
                                         std::to_string(number) + " at byte " + std::to_string(at));
            record.Load(file);
            // The messages as they came: a wrong checksum is reported, the data kept.
            const std::uint64_t end = file.GetPosition();
            file.Seek(static_cast<std::int64_t>(at), CFile::begin);
            const std::vector<std::uint8_t> raw = file.ReadBytes(static_cast<std::size_t>(end - at));
            InspectRecord(raw, at, record.Layout(), m_findings);
            loaded.emplace_back(index, std::move(spare));
        } catch (const CFileException&) {
            file.Seek(static_cast<std::int64_t>(at), CFile::begin);
            if (loaded.empty()) throw;
            break;
        }
        if (temporary) break;
    }
    for (auto& [index, patch] : loaded) SetPatch(index, *patch);
}

void CJVLayer::Init() {
    CLayer::Init();
    UpdatePatchNumbers();
}

std::string CJVLayer::GetPatchLabel(int i) const {
    char number[16];
    std::snprintf(number, sizeof number, "%02d ", i + 1);
    return number + GetPatch(i)->GetName();
}

void CJVLayer::SetPatch(int i, const CPatch& patch) {
    CPatchLayer::SetPatch(i, patch);
    Record(i).Readdress(BankCode(), i, CurrentDeviceByte());
}

void CJVLayer::SendMode(const CSynth& synth, std::uint8_t mode) const {
    const auto message = BuildModeSelect(DeviceByte(synth.GetDeviceId()), mode);
    CMidi::Get().GetOutput(synth).SendLong(message);
}

// ---- CJVPatchLayer ----

CJVPatchLayer::CJVPatchLayer(Bank bank)
    : CJVLayer(LayerName(bank, "Patch"), kPatchesPerLayer,
               bank == Bank::Card ? kCardPatchLayerGuid : kUserPatchLayerGuid, bank) {
    for (int i = 0; i < kPatchesPerLayer; ++i) AddPatch(std::make_unique<CJVPatch>());
    CJVLayer::UpdatePatchNumbers();
}

bool CJVPatchLayer::IsOwnArea(std::uint8_t area, std::uint8_t number) const {
    // 02 0p is the patch of part p+1 (p = 0..15 but the rhythm part).
    return area == BankCode() || area == kAreaTempPatch ||
           (area == kAreaTempPartPatch && number < kPerformancePartCount && number != kRhythmPart);
}

int CJVPatchLayer::TargetIndex(std::uint8_t area, std::uint8_t number) const {
    if (area == kAreaTempPatch) return 0;
    return number;  // user/card patch nn, or the patch of part nn+1
}

// ---- CJVPerformanceLayer ----

CJVPerformanceLayer::CJVPerformanceLayer(Bank bank)
    : CJVLayer(LayerName(bank, "Performance"), kPerformancesPerLayer,
               bank == Bank::Card ? kCardPerformanceLayerGuid : kUserPerformanceLayerGuid, bank) {
    for (int i = 0; i < kPerformancesPerLayer; ++i) AddPatch(std::make_unique<CJVPerformance>());
    CJVLayer::UpdatePatchNumbers();
}

bool CJVPerformanceLayer::IsOwnArea(std::uint8_t area, std::uint8_t number) const {
    return number < kRhythmNumberBase && (area == BankCode() || area == kAreaTempPerformance);
}

int CJVPerformanceLayer::TargetIndex(std::uint8_t area, std::uint8_t number) const {
    return area == kAreaTempPerformance ? 0 : number;
}

int CJVPerformanceLayer::ChildIndex(const CLayer& child) const {
    for (int c = 0; c < GetChildLayerCount(); ++c)
        if (GetChildLayer(c)->GetLayerGuid() == child.GetLayerGuid()) return c;
    return -1;
}

std::vector<int> CJVPerformanceLayer::PartsFor(int childIndex) {
    if (childIndex >= 2) return {kRhythmPartIndex};
    std::vector<int> parts;
    for (int p = 0; p < kPerformancePartCount; ++p)
        if (p != kRhythmPartIndex) parts.push_back(p);
    return parts;
}

std::vector<int> CJVPerformanceLayer::GetPatchReferences(const CLayer& child, int index) const {
    const int c = ChildIndex(child);
    if (c < 0) return {};
    const std::uint8_t id = c % 2 == 0 ? kGroupIdUser : kGroupIdCard;
    const CJVPerformance& perf = Performance(index);
    std::vector<int> refs;
    for (const int p : PartsFor(c)) {
        const auto d = perf.PartData(p);
        if (d[kPartGroupType] == kGroupTypeInternal && d[kPartGroupId] == id) refs.push_back(perf.GetPartNumber(p));
    }
    return refs;
}

void CJVPerformanceLayer::GetReferencedPatches(const CLayer& other, int index, std::vector<std::string>& out) const {
    const int c = ChildIndex(other);
    if (c < 0) return;
    const CJVPerformance& perf = Performance(index);
    for (const int p : PartsFor(c)) out.push_back(perf.GetPartText(p));
}

void CJVPerformanceLayer::AdaptLayer(const CLayer& child, std::span<const std::uint32_t> map, bool undo) {
    const int c = ChildIndex(child);
    if (c < 0) return;
    const std::uint8_t id = c % 2 == 0 ? kGroupIdUser : kGroupIdCard;
    for (int i = 0; i < GetPatchCount(); ++i) {
        CJVPerformance& perf = Performance(i);
        for (const int p : PartsFor(c)) {
            const auto d = perf.PartData(p);
            if (d[kPartGroupType] != kGroupTypeInternal || d[kPartGroupId] != id) continue;
            perf.SetPartNumber(p, CPatch::LookupNewIndex(perf.GetPartNumber(p), map, undo));
            SealMessage(perf.Message(1 + p));
        }
    }
}

// ---- CJVRhythmLayer ----

CJVRhythmLayer::CJVRhythmLayer(Bank bank)
    : CJVLayer(LayerName(bank, "Rhythm"), kRhythmsPerLayer,
               bank == Bank::Card ? kCardRhythmLayerGuid : kUserRhythmLayerGuid, bank) {
    for (int i = 0; i < kRhythmsPerLayer; ++i) AddPatch(std::make_unique<CJVRhythm>());
    CJVLayer::UpdatePatchNumbers();
}

bool CJVRhythmLayer::IsOwnArea(std::uint8_t area, std::uint8_t number) const {
    const bool rhythmNumber = number >= kRhythmNumberBase || number == kRhythmPart;
    return rhythmNumber && (area == BankCode() || area == kAreaTempPartPatch);
}

int CJVRhythmLayer::TargetIndex(std::uint8_t area, std::uint8_t number) const {
    if (area == kAreaTempPartPatch) return 0;
    return number >= kRhythmNumberBase ? number - kRhythmNumberBase : -1;
}

// ---- CJVSystemLayer ----

CJVSystemLayer::CJVSystemLayer() : CJVLayer("System", 1, kSystemLayerGuid, Bank::User) {
    AddPatch(std::make_unique<CJVSystem>());
    CJVSystemLayer::UpdatePatchNumbers();
}

void CJVSystemLayer::UpdatePatchNumbers() { Record(0).SetDeviceByte(CurrentDeviceByte()); }

bool CJVSystemLayer::IsOwnArea(std::uint8_t area, std::uint8_t number) const {
    return area == kAreaSystem && number == 0;
}

}  // namespace amberkit
