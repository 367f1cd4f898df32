#include "XVRecords.h"

#include <algorithm>
#include <utility>

#include "File.h"
#include "XVCardBanks.h"
#include "XVParameters.h"
#include "XVSynth.h"

using namespace xv;

namespace {

constexpr int kMaxExtraBlocks = 88;
constexpr std::size_t kMaxExtraMessage = 256;

// Tempo and other two-nibble values.
void PutTempo(std::span<std::uint8_t> data, int offset, int tempo) { WriteNibbles(data, offset, 2, tempo); }

void Fill(std::span<std::uint8_t> data, int from, int to, std::uint8_t value) {
    for (int i = from; i < to && i < static_cast<int>(data.size()); ++i) data[static_cast<std::size_t>(i)] = value;
}

const char* MessageName(RecordKind kind, int message) {
    switch (kind) {
    case RecordKind::Patch: {
        static const char* names[] = {"patch common", "patch MFX", "patch chorus", "patch reverb", "tone mix table"};
        return message < 5 ? names[message] : "patch tone";
    }
    case RecordKind::Performance: {
        static const char* names[] = {"performance common", "performance MFX", "performance chorus",
                                      "performance reverb"};
        if (message < 4) return names[message];
        return message < CXVPerformance::FirstPartMessage() ? "performance MIDI" : "performance part";
    }
    case RecordKind::Rhythm: {
        static const char* names[] = {"rhythm common", "rhythm MFX", "rhythm chorus", "rhythm reverb"};
        return message < 4 ? names[message] : "rhythm key";
    }
    case RecordKind::System: return message == 0 ? "system common" : message == 1 ? "system EQ" : "scale tune";
    }
    return "";
}

}  // namespace

// ---------------------------------------------------------------- CXVRecord

CXVRecord::CXVRecord(RecordKind kind, std::string typeName, int nameLength)
    : CPatch(std::move(typeName), nameLength, RecordSize(kind), RecordSize(kind)), m_kind(kind) {}

std::span<std::uint8_t> CXVRecord::Message(int i) {
    const auto layout = Layout(m_kind);
    return Data().subspan(static_cast<std::size_t>(MessageOffset(m_kind, i)),
                          static_cast<std::size_t>(layout[static_cast<std::size_t>(i)].dataSize + kMessageOverhead));
}

std::span<const std::uint8_t> CXVRecord::Message(int i) const {
    const auto layout = Layout(m_kind);
    return Data().subspan(static_cast<std::size_t>(MessageOffset(m_kind, i)),
                          static_cast<std::size_t>(layout[static_cast<std::size_t>(i)].dataSize + kMessageOverhead));
}

std::span<std::uint8_t> CXVRecord::MessageData(int i) {
    const auto m = Message(i);
    return m.subspan(kHeaderSize, m.size() - kMessageOverhead);
}

std::span<const std::uint8_t> CXVRecord::MessageData(int i) const {
    const auto m = Message(i);
    return m.subspan(kHeaderSize, m.size() - kMessageOverhead);
}

void CXVRecord::InitImage() {
    std::fill(m_data.begin(), m_data.end(), std::uint8_t{0});
    const std::uint8_t device = CXVSynth::Get().GetDeviceByte();
    for (int i = 0; i < GetMessageCount(); ++i) {
        const auto m = Message(i);
        m[0] = kSysExStart;
        m[1] = kRoland;
        m[kDeviceByte] = device;
        m[3] = kModelHigh;
        m[4] = kModelLow;
        m[5] = kDT1;
        m[m.size() - 1] = kSysExEnd;
        DefaultData(i, MessageData(i));
    }
    const std::uint8_t area = m_kind == RecordKind::Patch         ? kAreaUserPatch
                              : m_kind == RecordKind::Performance ? kAreaUserPerformance
                              : m_kind == RecordKind::Rhythm      ? kAreaUserRhythm
                                                                  : kAreaSystem;
    Readdress(area, 0, device);
}

void CXVRecord::Readdress(std::uint8_t area, std::uint8_t number) {
    Readdress(area, number, CXVSynth::Get().GetDeviceByte());
}

void CXVRecord::Readdress(std::uint8_t area, std::uint8_t number, std::uint8_t deviceByte) {
    xv::Readdress(Data(), m_kind, area, number, deviceByte);
}

void CXVRecord::Save(CFile& file) const { file.Write(Data()); }

void CXVRecord::ReadMessages(CFile& file, std::vector<std::uint8_t>& image, int first, int last) const {
    const auto layout = Layout(m_kind);
    const std::uint8_t area = image[kArea];
    const std::uint8_t number = image[kNumber];
    for (int i = std::max(first, 1); i < last; ++i) {
        const Block& b = layout[static_cast<std::size_t>(i)];
        const std::span<std::uint8_t> out(image.data() + MessageOffset(m_kind, i),
                                          static_cast<std::size_t>(b.dataSize + kMessageOverhead));
        ReadBlockMessage(file, out, BlockAddress(area, number, b.address), MessageName(m_kind, i));
    }
}

namespace {

// Reads the record's first message and checks that it starts a record; its
// address fixes where the following blocks must be.
void ReadFirstMessage(CFile& file, std::span<std::uint8_t> out, const char* what) {
    std::array<std::uint8_t, kHeaderSize> header{};
    const std::uint64_t start = file.GetPosition();
    const std::size_t n = file.Read(header.data(), header.size());
    file.Seek(static_cast<std::int64_t>(start), CFile::begin);
    if (n < header.size() || !IsDT1Header(header))
        throw CFileException(n < header.size() ? CFileException::endOfFile : CFileException::badFormat,
                             file.GetFilePath(),
                             std::string("no ") + what + " message at byte " + std::to_string(start));
    Address a = AddressOf(header);
    if (a[2] != 0 || a[3] != 0)
        throw CFileException(CFileException::badFormat, file.GetFilePath(),
                             "the message at " + AddressText(a) + " (byte " + std::to_string(start) +
                                 ") is not the start of a " + what);
    ReadBlockMessage(file, out, a, what);
}

}  // namespace

void CXVRecord::Load(CFile& file) {
    std::vector<std::uint8_t> image = m_data;
    ReadFirstMessage(file, std::span(image).first(Message(0).size()), MessageName(m_kind, 0));
    ReadMessages(file, image, 1, GetMessageCount());
    m_data = std::move(image);
}

std::vector<std::uint8_t> CXVRecord::GetSysExData(bool temporary) const {
    std::vector<std::uint8_t> image = m_data;
    const std::uint8_t device = CXVSynth::Get().GetDeviceByte();
    if (temporary) {
        const auto temp = TemporaryAddress();
        if (!temp) return {};
        xv::Readdress(image, m_kind, (*temp)[0], (*temp)[1], device);
    } else {
        UpdateDeviceAndChecksums(image, m_kind, device);
    }
    return image;
}

std::vector<std::uint8_t> CXVRecord::ComparedBytes() const {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(m_data.size());
    for (int i = 0; i < GetMessageCount(); ++i) {
        const auto d = MessageData(i);
        const auto from = i == 0 ? d.begin() + ComparedFrom() : d.begin();
        bytes.insert(bytes.end(), from, d.end());
    }
    return bytes;
}

bool CXVRecord::IsEqual(const CPatch& other) const {
    if (other.GetPatchType() != GetPatchType()) return false;
    const auto* o = dynamic_cast<const CXVRecord*>(&other);
    return o && o->m_data.size() == m_data.size() && o->ComparedBytes() == ComparedBytes();
}

std::optional<std::uint64_t> CXVRecord::GetFingerprint() const { return HashBytes(ComparedBytes()); }

const CParameterTable* CXVRecord::GetParameterTable() const { return &xv::GetParameterTable(m_kind); }

// ---------------------------------------------------------------- CXVPatch

CXVPatch::CXVPatch() : CXVRecord(RecordKind::Patch, "Patch", kNameLength) { Init(); }

void CXVPatch::Init() {
    InitImage();
    SetName("Init Patch");
    Readdress(kAreaUserPatch, 0);
}

std::unique_ptr<CPatch> CXVPatch::Clone() const { return std::unique_ptr<CPatch>(new CXVPatch(*this)); }

std::optional<Address> CXVPatch::TemporaryAddress() const { return Address{kAreaTemp, 0x00, 0, 0}; }

void CXVPatch::DefaultData(int message, std::span<std::uint8_t> d) const {
    if (message == 0) {  // common
        d[0x0E] = 127;  // level
        Fill(d, 0x0F, 0x10, 64);  // pan
        Fill(d, 0x11, 0x14, 64);  // coarse, fine, octave
        d[0x16] = 1;  // poly
        PutTempo(d, 0x1F, 120);
        Fill(d, 0x22, 0x27, 64);  // offsets
        d[0x29] = 2;
        d[0x2A] = 2;
        for (int c = 0; c < 4; ++c)
            for (int s = 0; s < 4; ++s) d[static_cast<std::size_t>(0x2B + 9 * c + 2 + 2 * s)] = 64;
    } else if (message == 4) {  // tone mix table
        for (int t = 0; t < kToneCount; ++t) {
            const int o = kToneMixSwitch + kToneMixStride * t;
            d[static_cast<std::size_t>(o)] = t == 0 ? 1 : 0;
            d[static_cast<std::size_t>(o + 2)] = 127;  // key upper
            d[static_cast<std::size_t>(o + 5)] = 1;  // velocity lower
            d[static_cast<std::size_t>(o + 6)] = 127;  // velocity upper
        }
    } else if (message >= 5) {  // tones
        d[0x00] = 127;
        Fill(d, 0x01, 0x03, 64);  // coarse, fine
        d[0x04] = 64;
        d[0x05] = 64;
        d[0x07] = 64;
        d[0x08] = 1;
        d[0x0C] = 127;  // dry send
        WriteNibbles(d, kToneWaveLeft, 4, 1);
        d[0x34] = 1;  // gain 0 dB
        d[0x39] = 74;  // pitch keyfollow +100
        Fill(d, 0x3A, 0x3F, 64);
        Fill(d, 0x43, 0x48, 64);
        d[0x48] = 1;  // LPF
        d[0x49] = 127;
        Fill(d, 0x4A, 0x4B, 64);
        Fill(d, 0x4C, 0x4D, 64);
        Fill(d, 0x4E, 0x55, 64);
        d[0x50] = 0;  // filter envelope velocity curve: FIXED
        Fill(d, 0x5E, 0x60, 64);
        Fill(d, 0x62, 0x66, 64);
        Fill(d, 0x6A, 0x6D, 127);  // amp levels
        d[0x73] = 64;  // LFO1 delay keyfollow 0
        Fill(d, 0x77, 0x7B, 64);  // LFO1 depths
        d[0x81] = 64;  // LFO2 delay keyfollow 0
        Fill(d, 0x85, 0x89, 64);  // LFO2 depths
    }
}

void CXVPatch::LoadFromDump(CFile& file) {
    std::vector<std::uint8_t> image = m_data;
    ReadFirstMessage(file, std::span(image).first(Message(0).size()), "patch common");
    ReadMessages(file, image, 1, 5);
    std::array<std::uint8_t, kHeaderSize> next{};
    const std::uint64_t at = file.GetPosition();
    const std::size_t n = file.Read(next.data(), next.size());
    file.Seek(static_cast<std::int64_t>(at), CFile::begin);
    if (n == next.size() && IsDT1Header(next) && next[kBlock] == kFirstToneBlock && next[kArea] == image[kArea] &&
        next[kNumber] == image[kNumber]) {
        ReadMessages(file, image, 5, GetMessageCount());
    } else {
        // The kept tones must carry the common's address, or the image would not
        // read back as one record (from a library, say).
        const std::size_t tone = MessageOffset(RecordKind::Patch, 5);
        if (image[tone + kArea] != image[kArea] || image[tone + kNumber] != image[kNumber])
            xv::Readdress(image, RecordKind::Patch, image[kArea], image[kNumber], image[kDeviceByte]);
    }
    m_data = std::move(image);
    m_extra.clear();
}

void CXVPatch::LoadExtraBlocks(CFile& file) {
    std::vector<std::uint8_t> extra;
    for (int count = 0; count < kMaxExtraBlocks; ++count) {
        const std::uint64_t at = file.GetPosition();
        std::vector<std::uint8_t> message(std::min<std::uint64_t>(kMaxExtraMessage, file.GetRemaining()));
        const std::size_t n = file.Read(message.data(), message.size());
        file.Seek(static_cast<std::int64_t>(at), CFile::begin);
        message.resize(n);
        if (!IsDT1Header(message) || message[kArea] != GetArea() || message[kNumber] != GetNumber() ||
            message[kBlock] < 0x30)
            break;
        const auto end = std::find(message.begin() + 1, message.end(), kSysExEnd);
        if (end == message.end() || std::find(message.begin() + 1, end, kSysExStart) != end) break;
        const std::size_t size = static_cast<std::size_t>(end - message.begin()) + 1;
        extra.insert(extra.end(), message.begin(), message.begin() + static_cast<std::ptrdiff_t>(size));
        file.Seek(static_cast<std::int64_t>(at + size), CFile::begin);
    }
    m_extra = std::move(extra);
}

void CXVPatch::SaveExtraBlocks(CFile& file) const {
    if (!m_extra.empty()) file.Write(m_extra);
}

void CXVPatch::ReaddressExtraBlocks(std::uint8_t deviceByte) {
    // The blocks keep their own block address; only the record moves.
    std::size_t at = 0;
    while (at + kMessageOverhead <= m_extra.size()) {
        const auto end = std::find(m_extra.begin() + static_cast<std::ptrdiff_t>(at), m_extra.end(), kSysExEnd);
        if (end == m_extra.end()) break;
        const std::size_t size = static_cast<std::size_t>(end - m_extra.begin()) + 1 - at;
        const std::span<std::uint8_t> m(m_extra.data() + at, size);
        m[kDeviceByte] = deviceByte;
        m[kArea] = GetArea();
        m[kNumber] = GetNumber();
        SetChecksum(m);
        at += size;
    }
}

namespace {
xv::PatchEditor& InstalledPatchEditor() {
    static xv::PatchEditor editor;
    return editor;
}
}  // namespace

xv::PatchEditor xv::SetPatchEditor(PatchEditor editor) {
    return std::exchange(InstalledPatchEditor(), std::move(editor));
}

bool CXVPatch::Edit() {
    // The wave names come from the name files: say now if some cannot be read.
    ShowNameFileProblems();
    if (const PatchEditor& editor = InstalledPatchEditor()) return editor(*this);
    return CPatch::Edit();
}

bool CXVPatch::IsToneOn(int tone) const {
    return MessageData(4)[static_cast<std::size_t>(kToneMixSwitch + kToneMixStride * tone)] != 0;
}

// ---------------------------------------------------------------- CXVPerformance

CXVPerformance::CXVPerformance() : CXVRecord(RecordKind::Performance, "Performance", kNameLength) { Init(); }

void CXVPerformance::Init() {
    InitImage();
    SetName("Init Perform");
    Readdress(kAreaUserPerformance, 0);
}

std::unique_ptr<CPatch> CXVPerformance::Clone() const { return std::unique_ptr<CPatch>(new CXVPerformance(*this)); }

std::optional<Address> CXVPerformance::TemporaryAddress() const { return Address{kAreaTempPerformance, 0x00, 0, 0}; }

void CXVPerformance::DefaultData(int message, std::span<std::uint8_t> d) const {
    if (message == 0) {
        d[0x0D] = 16;  // MFX control channel off
    } else if (message >= FirstPartMessage()) {
        const int p = message - FirstPartMessage();
        d[0x00] = static_cast<std::uint8_t>(p % 16);
        d[0x01] = p < 16 ? 1 : 0;
        d[kPartBankMsb] = kMsbPatch;
        d[kPartBankLsb] = kLsbFirstPreset;
        d[kPartProgram] = static_cast<std::uint8_t>(p);
        d[0x07] = 100;
        Fill(d, 0x08, 0x0B, 64);  // pan, coarse, fine
        Fill(d, 0x0B, 0x0D, 2);  // mono/poly, legato: PATCH
        d[0x0D] = 25;  // bend range: PATCH
        d[0x0E] = 2;
        WriteNibbles(d, 0x0F, 2, 128);  // portamento time: PATCH
        Fill(d, 0x11, 0x17, 64);
        d[0x18] = 127;
        d[0x1C] = 127;
        d[0x1F] = 13;  // output: PATCH
    }
}

// ---------------------------------------------------------------- CXVRhythm

CXVRhythm::CXVRhythm() : CXVRecord(RecordKind::Rhythm, "XVRhythm", kNameLength) { Init(); }

void CXVRhythm::Init() {
    InitImage();
    SetName("Init Rhythm");
    Readdress(kAreaUserRhythm, 0);
}

std::unique_ptr<CPatch> CXVRhythm::Clone() const { return std::unique_ptr<CPatch>(new CXVRhythm(*this)); }

std::optional<Address> CXVRhythm::TemporaryAddress() const { return Address{kAreaTemp, kTempRhythmNumber, 0, 0}; }

void CXVRhythm::DefaultData(int message, std::span<std::uint8_t> d) const {
    if (message == 0) {
        d[0x0C] = 127;
        PutTempo(d, 0x0E, 120);
    } else if (message >= 4) {
        Fill(d, 0x00, 0x0C, ' ');
        d[0x0E] = 127;
        d[0x0F] = static_cast<std::uint8_t>(21 + message - 4);  // source key
        d[0x10] = 64;
        d[0x12] = 64;
        d[0x16] = 127;
    }
}

// ---------------------------------------------------------------- CXVSystem

CXVSystem::CXVSystem() : CXVRecord(RecordKind::System, "XVSystem", 0) { Init(); }

void CXVSystem::Init() { InitImage(); }

std::unique_ptr<CPatch> CXVSystem::Clone() const { return std::unique_ptr<CPatch>(new CXVSystem(*this)); }

void CXVSystem::DefaultData(int message, std::span<std::uint8_t> d) const {
    if (message == 0) {
        d[0x00] = 1;  // patch mode
        WriteNibbles(d, 0x01, 4, 1024);  // master tune 0 cents
        d[0x05] = 64;
        d[0x06] = 127;
        Fill(d, 0x0A, 0x0D, 1);  // effect switches
        d[0x0D] = 15;
        d[0x0E] = kMsbPatch;
        d[0x12] = kMsbPatch;
        PutTempo(d, 0x16, 120);
        Fill(d, 0x1C, 0x1E, 1);
    } else if (message >= 2) {
        Fill(d, 0, static_cast<int>(d.size()), 64);
    }
}
