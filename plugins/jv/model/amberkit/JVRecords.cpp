#include "amberkit/JVRecords.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include <tonalith/File.h>
#include <tonalith/Layer.h>

#include "amberkit/JVBoardDatabase.h"
#include "amberkit/JVMessages.h"
#include "amberkit/JVParameters.h"
#include "amberkit/JVSynth.h"

namespace amberkit {

namespace {

// "00 1F 7F" -> bytes at compile time, so the default images read like the
// unit's documentation and their lengths are checked by the compiler.
constexpr std::uint8_t HexDigit(char c) {
    return static_cast<std::uint8_t>(c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 0xFF);
}
template <std::size_t L>
constexpr std::array<std::uint8_t, L / 3> HexBytes(const char (&text)[L]) {
    std::array<std::uint8_t, L / 3> out{};
    for (std::size_t i = 0; i < L / 3; ++i) {
        const std::uint8_t hi = HexDigit(text[3 * i]);
        const std::uint8_t lo = HexDigit(text[3 * i + 1]);
        if (hi > 15 || lo > 15) throw std::logic_error("bad hex");
        out[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return out;
}

// Patch common, data bytes 12..73 (after the name).
constexpr auto kPatchCommonDefaults =
    HexBytes("00 00 0F 00 0F 07 01 0F 07 01 0F 7F 00 00 7F 00 00 00 3F 00 3F 7F 03 50 00 00 00 02 7F 5A 0D 00 "
             "07 08 7F 40 00 02 02 00 00 00 00 00 00 00 01 02 00 00 00 00 00 03 00 00 00 00 00 00 00 00");
// Tone 1, data bytes 0..128; tones 2..4 differ only in data byte 0 (switched off).
constexpr auto kToneDefaults =
    HexBytes("01 00 01 00 00 01 00 00 00 00 00 00 01 7F 00 7F 00 01 01 01 01 00 3F 00 3F 00 3F 00 3F 00 3F 00 "
             "3F 00 3F 00 3F 00 3F 00 3F 00 3F 00 3F 00 00 5C 02 00 00 00 00 00 00 5C 02 00 00 00 00 30 32 00 "
             "0C 0C 32 07 07 07 00 00 00 00 3F 3F 3F 3F 3F 3F 00 7F 05 00 32 3F 00 32 07 07 07 00 00 00 00 7F "
             "7F 7F 7F 3F 3F 7F 03 3C 07 00 64 07 07 07 00 00 00 0A 7F 7F 7F 3F 3F 40 07 00 40 3F 3F 00 7F 00 "
             "00");
// Performance common, data bytes 12..67.
constexpr auto kPerformanceCommonDefaults =
    HexBytes("00 00 00 0F 01 0F 07 00 0F 0A 00 0F 7F 00 00 7F 00 00 00 3F 00 3F 7F 03 50 00 00 00 02 7F 5F 0D "
             "32 07 08 00 04 04 04 04 04 04 04 04 04 04 04 04 04 04 04 04 00 00 00 00");
// Performance part, data bytes 0..25; byte 1 is the receive channel (the part number).
constexpr auto kPartDefaults =
    HexBytes("01 00 00 03 00 00 7F 40 30 32 00 7F 00 00 01 01 01 00 7F 03 01 01 00 01 00 00");
// Rhythm key, data bytes 0..57, all keys alike.
constexpr auto kRhythmKeyDefaults =
    HexBytes("01 00 01 00 00 01 00 00 00 00 00 00 00 32 00 0C 32 07 00 00 00 00 3F 3F 3F 3F 00 7F 00 32 3F 32 "
             "07 00 00 00 00 00 00 00 00 7F 32 07 00 00 00 00 00 00 00 00 00 40 00 7F 7F 7F");
// System common, data bytes 0..97.
constexpr auto kSystemCommonDefaults =
    HexBytes("00 00 00 00 00 00 3F 00 01 01 01 01 01 00 00 00 00 00 61 02 01 01 01 01 01 01 01 01 00 00 01 02 "
             "00 00 00 00 00 00 00 00 01 01 00 00 05 03 00 01 00 01 00 00 01 00 00 01 00 01 00 00 00 00 00 00 "
             "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01 00 00 01 00 00 00 00 00 00 32 00 00 00 "
             "07 08");

static_assert(kHeaderSize + kNameLength + kPatchCommonDefaults.size() + 2 == kPatchCommonSize);
static_assert(kHeaderSize + kToneDefaults.size() + 2 == kPatchToneSize);
static_assert(kHeaderSize + kNameLength + kPerformanceCommonDefaults.size() + 2 == kPerformanceCommonSize);
static_assert(kHeaderSize + kPartDefaults.size() + 2 == kPerformancePartSize);
static_assert(kHeaderSize + kRhythmKeyDefaults.size() + 2 == kRhythmKeySize);
static_assert(kHeaderSize + kSystemCommonDefaults.size() + 2 == kSystemCommonSize);

const RecordLayout kPatchLayout{kPatchCommonSize,
                                kPatchToneSize,
                                kPatchToneCount,
                                kFirstToneBlock,
                                kToneBlockStep,
                                &kPatchCommonSizes,
                                nullptr,
                                {},
                                0};
const RecordLayout kPerformanceLayout{
    kPerformanceCommonSize,   kPerformancePartSize,   kPerformancePartCount, kFirstPartBlock, 1,
    &kPerformanceCommonSizes, &kPerformancePartSizes, kPartTailDefaults,     kPartTailFirst};
const RecordLayout kRhythmLayout{
    kRhythmCommonSize, kRhythmKeySize, kRhythmKeyCount, kFirstKeyBlock, 1, nullptr, nullptr, {}, 0};
const RecordLayout kSystemLayout{
    kSystemCommonSize, kScaleTuneSize, kScaleTuneCount, kFirstScaleTuneBlock, 1, &kSystemCommonSizes, nullptr, {}, 0};

std::vector<int> AcceptedSizes(const std::array<int, kGenerationCount>* sizes, int longSize) {
    std::vector<int> out{longSize};
    if (sizes)
        for (const int s : *sizes)
            if (std::find(out.begin(), out.end(), s) == out.end()) out.push_back(s);
    return out;
}

std::uint8_t CurrentDeviceByte() { return DeviceByte(CJVSynth::Get().GetDeviceId()); }

std::string UnknownText() { return CJVBoardDatabase::kUnknown; }

}  // namespace

const RecordLayout& GetPatchLayout() { return kPatchLayout; }
const RecordLayout& GetPerformanceLayout() { return kPerformanceLayout; }
const RecordLayout& GetRhythmLayout() { return kRhythmLayout; }
const RecordLayout& GetSystemLayout() { return kSystemLayout; }

int RecordLayout::WireSize(int m, Generation g) const {
    const auto* sizes = m == 0 ? commonSizes : blockSizes;
    return sizes ? (*sizes)[static_cast<std::size_t>(g)] : MessageSize(m);
}

// ---- CJVRecord ----

CJVRecord::CJVRecord(std::string typeName, const RecordLayout& layout)
    : CPatch(std::move(typeName), kNameLength, layout.StoredSize(), layout.StoredSize()), m_layout(&layout) {}

std::span<std::uint8_t> CJVRecord::Message(int m) {
    return Data().subspan(static_cast<std::size_t>(m_layout->MessageOffset(m)),
                          static_cast<std::size_t>(m_layout->MessageSize(m)));
}

std::span<const std::uint8_t> CJVRecord::Message(int m) const {
    return Data().subspan(static_cast<std::size_t>(m_layout->MessageOffset(m)),
                          static_cast<std::size_t>(m_layout->MessageSize(m)));
}

void CJVRecord::FrameMessage(int m, std::uint8_t device, std::uint8_t area, std::uint8_t number,
                             std::span<const std::uint8_t> data) {
    const std::span<std::uint8_t> msg = Message(m);
    std::fill(msg.begin(), msg.end(), 0);
    msg[0] = kSysExStart;
    msg[1] = kRolandId;
    msg[kPosDevice] = device;
    msg[3] = kModelId;
    msg[4] = kCommandDT1;
    msg[kPosArea] = area;
    msg[kPosNumber] = number;
    msg[kPosBlock] = m == 0 ? 0 : m_layout->BlockAddress(m - 1);
    msg[kPosOffset] = 0;
    std::copy_n(data.begin(), std::min(data.size(), msg.size() - kFrameOverhead), msg.begin() + kHeaderSize);
    SealMessage(msg);
}

void CJVRecord::Readdress(std::uint8_t area, int number, std::uint8_t deviceByte) {
    const std::uint8_t numberByte = NumberByteFor(area, number);
    for (int m = 0; m < GetMessageCount(); ++m) {
        const std::span<std::uint8_t> msg = Message(m);
        msg[kPosDevice] = deviceByte;
        msg[kPosArea] = area;
        msg[kPosNumber] = numberByte;
        msg[kPosBlock] = m == 0 ? 0 : m_layout->BlockAddress(m - 1);
        msg[kPosOffset] = 0;
        SealMessage(msg);
    }
}

void CJVRecord::SetDeviceByte(std::uint8_t deviceByte) {
    for (int m = 0; m < GetMessageCount(); ++m) {
        const std::span<std::uint8_t> msg = Message(m);
        msg[kPosDevice] = deviceByte;
        SealMessage(msg);
    }
}

std::vector<std::uint8_t> CJVRecord::GetSysExImage(Generation generation) const {
    std::vector<std::uint8_t> out;
    out.reserve(m_data.size());
    for (int m = 0; m < GetMessageCount(); ++m) {
        const std::span<const std::uint8_t> msg = Message(m);
        const int size = m_layout->WireSize(m, generation);
        if (size >= static_cast<int>(msg.size())) {
            out.insert(out.end(), msg.begin(), msg.end());
        } else {
            const std::vector<std::uint8_t> shortMsg = ShortenMessage(msg, size);
            out.insert(out.end(), shortMsg.begin(), shortMsg.end());
        }
    }
    return out;
}

void CJVRecord::SetName(const std::string& name) { SetNameHelper(kNameOffset, ToUnitName(name)); }

void CJVRecord::Save(CFile& file) const { file.Write(Data()); }

void CJVRecord::Load(CFile& file) {
    const std::uint64_t start = file.GetPosition();
    auto reject = [&](const std::string& why) {
        file.Seek(static_cast<std::int64_t>(start), CFile::begin);
        throw CFileException(CFileException::badFormat, file.GetFilePath(),
                             GetTypeName() + " at byte " + std::to_string(start) + ": " + why);
    };
    std::vector<std::uint8_t> image;
    image.reserve(m_data.size());
    try {
        const std::vector<int> commonSizes = AcceptedSizes(m_layout->commonSizes, m_layout->commonSize);
        std::vector<std::uint8_t> common = ReadDataSet(file, commonSizes);
        if (common[kPosBlock] != 0 || common[kPosOffset] != 0 || !IsOwnAddress(common[kPosArea], common[kPosNumber]))
            reject("the message does not start a " + GetTypeName() + " record");
        if (static_cast<int>(common.size()) < m_layout->commonSize) common = WidenMessage(common, m_layout->commonSize);
        image.insert(image.end(), common.begin(), common.end());

        const std::vector<int> blockSizes = AcceptedSizes(m_layout->blockSizes, m_layout->blockSize);
        for (int b = 0; b < m_layout->blockCount; ++b) {
            std::vector<std::uint8_t> block = ReadDataSet(file, blockSizes);
            if (block[kPosArea] != common[kPosArea] || block[kPosNumber] != common[kPosNumber] ||
                block[kPosBlock] != m_layout->BlockAddress(b) || block[kPosOffset] != 0)
                reject("block " + std::to_string(b + 1) + " of " + std::to_string(m_layout->blockCount) +
                       " is missing");
            if (static_cast<int>(block.size()) < m_layout->blockSize)
                block = WidenMessage(block, m_layout->blockSize, m_layout->blockTail, m_layout->blockTailFirst);
            image.insert(image.end(), block.begin(), block.end());
        }
    } catch (const CFileException& e) {
        file.Seek(static_cast<std::int64_t>(start), CFile::begin);
        if (e.m_detail.rfind(GetTypeName() + " at byte", 0) == 0) throw;
        throw CFileException(e.m_cause, e.m_strFileName, GetTypeName() + ": " + e.m_detail);
    }
    m_data = std::move(image);
}

std::vector<std::uint8_t> CJVRecord::GetSysExData(bool temporary) const {
    std::unique_ptr<CPatch> copy = Clone();
    auto& record = static_cast<CJVRecord&>(*copy);
    if (temporary && !record.ToTemporary()) return {};
    record.SetDeviceByte(CurrentDeviceByte());
    return {record.m_data.begin(), record.m_data.end()};
}

// Equal sounds compare equal wherever they are stored: the data after the name
// and every block's data, without addresses, device bytes and checksums.
std::vector<std::uint8_t> CJVRecord::ComparedBytes() const {
    std::vector<std::uint8_t> out;
    out.reserve(m_data.size());
    for (int m = 0; m < GetMessageCount(); ++m) {
        const std::span<const std::uint8_t> msg = Message(m);
        const std::size_t from = m == 0 ? static_cast<std::size_t>(kNameOffset + kNameLength) : kHeaderSize;
        if (msg.size() > from + 2)
            out.insert(out.end(), msg.begin() + static_cast<std::ptrdiff_t>(from), msg.end() - 2);
    }
    return out;
}

bool CJVRecord::IsEqual(const CPatch& other) const {
    if (other.GetPatchType() != GetPatchType()) return false;
    const auto* o = dynamic_cast<const CJVRecord*>(&other);
    return o && o->ComparedBytes() == ComparedBytes();
}

std::optional<std::uint64_t> CJVRecord::GetFingerprint() const {
    const auto type = GetPatchType().ToBytes();
    return HashBytes(ComparedBytes(), HashBytes(type));
}

// ---- CJVPatch ----

CJVPatch::CJVPatch() : CJVRecord("Patch", kPatchLayout) { Init(); }

const CParameterTable* CJVPatch::GetParameterTable() const {
    return &GetJVParameterTable(RecordKind::Patch, CJVSynth::Get().GetWhichSynth());
}

void CJVPatch::Init() {
    const std::uint8_t device = CurrentDeviceByte();
    std::vector<std::uint8_t> common(kNameLength, ' ');
    common.insert(common.end(), kPatchCommonDefaults.begin(), kPatchCommonDefaults.end());
    FrameMessage(0, device, kAreaUserPatch, 0, common);
    for (int t = 0; t < kPatchToneCount; ++t) {
        auto tone = kToneDefaults;
        if (t > 0) tone[kToneSwitch] = 0;
        FrameMessage(1 + t, device, kAreaUserPatch, 0, tone);
    }
    SetName("Init Patch");
    SealMessage(Message(0));
}

bool CJVPatch::IsOwnAddress(std::uint8_t area, std::uint8_t number) const {
    return area == kAreaUserPatch || area == kAreaCardPatch || IsTemporaryAddress(area, number);
}

bool CJVPatch::IsTemporaryAddress(std::uint8_t area, std::uint8_t number) const {
    return area == kAreaTempPatch ||
           (area == kAreaTempPartPatch && number < kPerformancePartCount && number != kRhythmPart);
}

bool CJVPatch::ToTemporary() {
    Readdress(kAreaTempPatch, 0, CurrentDeviceByte());
    return true;
}

std::string CJVPatch::GetInfoForPatch() const {
    const CJVBoardDatabase& db = CJVBoardDatabase::Get();
    std::string text;
    for (int t = 0; t < kPatchToneCount; ++t) {
        const std::span<const std::uint8_t> tone = ToneData(t);
        if (t > 0) text += '\n';
        if (tone[kToneSwitch] == 0) text += "OFF: ";
        const int type = tone[kToneWaveGroupType];
        const int id = tone[kToneWaveGroupId];
        int wave = tone[kToneWaveHigh] * 16 + tone[kToneWaveLow];
        int group = 0;
        auto kind = CJVBoardDatabase::Kind::Preset;
        if (type == kGroupTypeInternal && (id == kGroupIdUser || id == kGroupIdCard))
            group = id + 2;  // the two internal wave groups live in 3.pre and 4.pre
        else if (type == kGroupTypePcmCard) group = CJVBoardDatabase::kPcmCardGroup;
        else if (type == kGroupTypeBoard) {
            group = id;
            kind = CJVBoardDatabase::Kind::Board;
        }
        if (!db.HasGroup(group, kind)) {
            text += UnknownText();
            continue;
        }
        if (wave >= db.GetListLength(group, CJVBoardDatabase::Section::Wave, kind)) wave = 0;
        text += db.GetGroupName(group, kind) + " " + db.GetName(group, CJVBoardDatabase::Section::Wave, wave, kind);
    }
    return text;
}

// ---- CJVPerformance ----

CJVPerformance::CJVPerformance() : CJVRecord("Performance", kPerformanceLayout) { Init(); }

const CParameterTable* CJVPerformance::GetParameterTable() const {
    return &GetJVParameterTable(RecordKind::Performance, CJVSynth::Get().GetWhichSynth());
}

void CJVPerformance::Init() {
    const std::uint8_t device = CurrentDeviceByte();
    std::vector<std::uint8_t> common(kNameLength, ' ');
    common.insert(common.end(), kPerformanceCommonDefaults.begin(), kPerformanceCommonDefaults.end());
    FrameMessage(0, device, kAreaUserPerformance, 0, common);
    for (int p = 0; p < kPerformancePartCount; ++p) {
        auto part = kPartDefaults;
        part[1] = static_cast<std::uint8_t>(p);
        FrameMessage(1 + p, device, kAreaUserPerformance, 0, part);
    }
    SetName("Init Perform");
    SealMessage(Message(0));
}

bool CJVPerformance::IsOwnAddress(std::uint8_t area, std::uint8_t number) const {
    return number < kRhythmNumberBase &&
           (area == kAreaUserPerformance || area == kAreaCardPerformance || area == kAreaTempPerformance);
}

bool CJVPerformance::IsTemporaryAddress(std::uint8_t area, std::uint8_t number) const {
    return area == kAreaTempPerformance && number < kRhythmNumberBase;
}

bool CJVPerformance::ToTemporary() {
    Readdress(kAreaTempPerformance, 0, CurrentDeviceByte());
    return true;
}

int CJVPerformance::GetPartNumber(int part) const {
    const auto d = PartData(part);
    return d[kPartNumberHigh] * 16 + d[kPartNumberLow];
}

void CJVPerformance::SetPartNumber(int part, int number) {
    const auto d = PartData(part);
    d[kPartNumberHigh] = static_cast<std::uint8_t>((number >> 4) & 0x0F);
    d[kPartNumberLow] = static_cast<std::uint8_t>(number & 0x0F);
}

std::string CJVPerformance::GetPartText(int part) const {
    const CJVBoardDatabase& db = CJVBoardDatabase::Get();
    const auto d = PartData(part);
    const bool rhythm = part == kRhythmPartIndex;
    const int type = d[kPartGroupType];
    const int id = d[kPartGroupId];
    const int number = GetPartNumber(part);
    const auto section = rhythm ? CJVBoardDatabase::Section::Rhythm : CJVBoardDatabase::Section::Patch;
    if (type == kGroupTypeInternal && (id == kGroupIdUser || id == kGroupIdCard)) {
        // This memory's own User or Card layer: child 0/1 patches, 2/3 rhythm sets.
        const int child = (rhythm ? 2 : 0) + (id - 1);
        std::string name = "---";
        if (child < GetChildLayerCount()) {
            const CLayer* layer = GetChildLayer(child);
            if (number < layer->GetPatchCount()) name = layer->GetPatch(number)->GetName();
        }
        return std::to_string(number + 1) + ": " + name;
    }
    int group = id;
    auto kind = CJVBoardDatabase::Kind::Preset;
    if (type == kGroupTypePcmCard) group = CJVBoardDatabase::kPcmCardGroup;
    else if (type == kGroupTypeBoard) kind = CJVBoardDatabase::Kind::Board;
    else if (type != kGroupTypeInternal) return UnknownText();
    return db.GetGroupName(group, kind) + " " + db.GetName(group, section, number, kind);
}

std::string CJVPerformance::GetInfoForPatch() const {
    std::string text;
    for (int p = 0; p < kPerformancePartCount; ++p) {
        if (p == kRhythmPartIndex) continue;
        if (!text.empty()) text += '\n';
        text += GetPartText(p);
    }
    text += "\n-------------------------------------------\n";
    text += GetPartText(kRhythmPartIndex);
    return text;
}

// ---- CJVRhythm ----

CJVRhythm::CJVRhythm() : CJVRecord("Rhythm", kRhythmLayout) { Init(); }

const CParameterTable* CJVRhythm::GetParameterTable() const {
    return &GetJVParameterTable(RecordKind::Rhythm, CJVSynth::Get().GetWhichSynth());
}

void CJVRhythm::Init() {
    const std::uint8_t device = CurrentDeviceByte();
    const std::vector<std::uint8_t> name(kNameLength, ' ');
    FrameMessage(0, device, kAreaUserPerformance, kRhythmNumberBase, name);
    for (int k = 0; k < kRhythmKeyCount; ++k)
        FrameMessage(1 + k, device, kAreaUserPerformance, kRhythmNumberBase, kRhythmKeyDefaults);
    SetName("Init Rhythm");
    SealMessage(Message(0));
}

bool CJVRhythm::IsOwnAddress(std::uint8_t area, std::uint8_t number) const {
    const bool rhythmNumber = number >= kRhythmNumberBase || number == kRhythmPart;
    return rhythmNumber && (area == kAreaUserPerformance || area == kAreaCardPerformance || area == kAreaTempPartPatch);
}

bool CJVRhythm::IsTemporaryAddress(std::uint8_t area, std::uint8_t number) const {
    return area == kAreaTempPartPatch && (number >= kRhythmNumberBase || number == kRhythmPart);
}

std::uint8_t CJVRhythm::NumberByteFor(std::uint8_t area, int number) const {
    return area == kAreaTempPartPatch ? kRhythmPart : static_cast<std::uint8_t>(kRhythmNumberBase + number);
}

bool CJVRhythm::ToTemporary() {
    Readdress(kAreaTempPartPatch, 0, CurrentDeviceByte());
    return true;
}

// ---- CJVSystem ----

CJVSystem::CJVSystem() : CJVRecord("System", kSystemLayout) { Init(); }

const CParameterTable* CJVSystem::GetParameterTable() const {
    return &GetJVParameterTable(RecordKind::System, CJVSynth::Get().GetWhichSynth());
}

void CJVSystem::Init() {
    const std::uint8_t device = CurrentDeviceByte();
    FrameMessage(0, device, kAreaSystem, 0, kSystemCommonDefaults);
    const std::array<std::uint8_t, kScaleTuneSize - kFrameOverhead> tune{};
    for (int i = 0; i < kScaleTuneCount; ++i) FrameMessage(1 + i, device, kAreaSystem, 0, tune);
}

bool CJVSystem::IsOwnAddress(std::uint8_t area, std::uint8_t number) const {
    return area == kAreaSystem && number == 0;
}

// The system record compares its data bytes only, name included (it has none).
std::vector<std::uint8_t> CJVSystem::ComparedBytes() const {
    std::vector<std::uint8_t> out;
    for (int m = 0; m < GetMessageCount(); ++m) {
        const std::span<const std::uint8_t> msg = Message(m);
        out.insert(out.end(), msg.begin() + kHeaderSize, msg.end() - 2);
    }
    return out;
}

// ---- CJVHeader ----

CJVHeader::CJVHeader() : CHeader(kHeaderSize) {
    constexpr std::array<std::uint8_t, kHeaderSize> kDefault{
        kSysExStart, kRolandId, kDeviceByteBase, kModelId, kCommandDT1, kAreaUserPatch, 0, 0, 0};
    std::copy(kDefault.begin(), kDefault.end(), GetData());
}

namespace {
RecordEditor& InstalledEditor() {
    static RecordEditor editor;
    return editor;
}
}  // namespace

RecordEditor SetRecordEditor(RecordEditor editor) { return std::exchange(InstalledEditor(), std::move(editor)); }

bool CJVRecord::Edit() {
    if (const RecordEditor& editor = InstalledEditor()) return editor(*this);
    return CPatch::Edit();
}

}  // namespace amberkit
