#include "FlintkitPatch.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "File.h"
#include "FlintkitEditing.h"

using namespace flintkit;

// {66FA12A8-31BB-44D6-B804-61F30DE771F8}
const GUID CFlintkitSamplePatch::kPatchType{
    0x66FA12A8, 0x31BB, 0x44D6, {0xB8, 0x04, 0x61, 0xF3, 0x0D, 0xE7, 0x71, 0xF8}};

CFlintkitSamplePatch::CFlintkitSamplePatch() : CPatch("Sample", 7, 0, 0) { Init(); }

void CFlintkitSamplePatch::Init() { SetDump({}); }

void CFlintkitSamplePatch::Save(CFile& file) const {
    if (!m_data.empty()) file.Write(m_data);
}

void CFlintkitSamplePatch::Load(CFile& file) {
    // An empty sample stores no bytes, so whatever follows (the next library
    // entry) is not a dump header and must be left where it is.
    std::array<std::uint8_t, 4> start{};
    const std::size_t got = file.Read(start.data(), start.size());
    file.Seek(-static_cast<std::int64_t>(got), CFile::current);
    if (got < start.size() || start[0] != kSysExStart || start[1] != kUniversalNonRealTime ||
        start[3] != kSubIdDumpHeader) {
        Init();
        return;
    }
    SetDump(ReadDump(file));
}

std::unique_ptr<CPatch> CFlintkitSamplePatch::Clone() const { return std::make_unique<CFlintkitSamplePatch>(*this); }

std::vector<std::uint8_t> CFlintkitSamplePatch::GetSysExData(bool temporary) const {
    if (temporary) return {};
    return m_data;
}

bool CFlintkitSamplePatch::IsEqual(const CPatch& other) const {
    const auto* o = dynamic_cast<const CFlintkitSamplePatch*>(&other);
    if (!o || o->m_data.size() != m_data.size()) return false;
    if (m_data.empty()) return true;
    const auto same = [&](std::size_t from, std::size_t to) {
        return std::equal(m_data.begin() + static_cast<std::ptrdiff_t>(from),
                          m_data.begin() + static_cast<std::ptrdiff_t>(to),
                          o->m_data.begin() + static_cast<std::ptrdiff_t>(from));
    };
    if (!same(kOffsetFormat, kHeaderSize - 1)) return false;
    for (std::size_t at = kHeaderSize; at + kPacketSize <= m_data.size(); at += kPacketSize)
        if (!same(at + kPacketDataOffset, at + kPacketChecksumOffset)) return false;
    return true;
}

std::optional<std::uint64_t> CFlintkitSamplePatch::GetFingerprint() const {
    const auto size = static_cast<std::uint32_t>(m_data.size());
    std::uint8_t sizeBytes[4];
    std::memcpy(sizeBytes, &size, sizeof sizeBytes);
    std::uint64_t h = HashBytes(sizeBytes);
    if (m_data.empty()) return h;
    const std::span<const std::uint8_t> data(m_data);
    h = HashBytes(data.subspan(kOffsetFormat, kHeaderSize - 1 - kOffsetFormat), h);
    for (std::size_t at = kHeaderSize; at + kPacketSize <= data.size(); at += kPacketSize)
        h = HashBytes(data.subspan(at + kPacketDataOffset, kPacketDataSize), h);
    return h;
}

bool CFlintkitSamplePatch::Edit() {
    if (const auto& editor = GetEditors().sample) return editor(*this);
    return CPatch::Edit();
}

void CFlintkitSamplePatch::SetSampleData(std::span<const std::uint8_t> encoded, int deviceId) {
    SetDump(BuildDump(encoded, deviceId));
}

void CFlintkitSamplePatch::SetDump(std::vector<std::uint8_t> dump) {
    m_data = std::move(dump);
    m_dataSize = static_cast<int>(m_data.size());
    m_sysexSize = m_dataSize;
    m_packetCount = m_data.empty() ? -1 : (m_dataSize - m_headerSize) / m_packetSize;
}

int CFlintkitSamplePatch::GetSampleNumber() const { return m_data.empty() ? 0 : Read14(m_data, kOffsetSampleNumber); }

void CFlintkitSamplePatch::SetSampleNumber(int number) {
    if (!m_data.empty()) Write14(m_data, kOffsetSampleNumber, number);
}

void CFlintkitSamplePatch::SetFormat(int bits) {
    if (!m_data.empty()) m_data[kOffsetFormat] = static_cast<std::uint8_t>(std::clamp(bits, 0, 0x7F));
}

void CFlintkitSamplePatch::ConvertFormat(int bits) {
    const int from = std::clamp(GetFormat(), kMinFormatBits, kMaxFormatBits);
    const int to = std::clamp(bits, kMinFormatBits, kMaxFormatBits);
    if (m_data.empty() || to == GetFormat()) return;
    std::vector<std::int32_t> words = GetWords();
    const std::int32_t top = (1 << (to - 1)) - 1;
    for (std::int32_t& w : words) {
        if (to >= from) {
            w *= 1 << (to - from);
        } else {
            const int shift = from - to;
            w = std::min((w + (1 << (shift - 1))) >> shift, top);  // round half up, the loudest kept in range
        }
    }
    std::array<std::uint8_t, kHeaderSize> header{};
    std::copy_n(m_data.begin(), kHeaderSize, header.begin());
    SetSampleData(EncodeWords(words, to), GetDeviceId());
    std::copy(header.begin() + kOffsetSampleNumber, header.begin() + kHeaderSize - 1,
              m_data.begin() + kOffsetSampleNumber);
    SetFormat(to);
    SetLength(static_cast<int>(words.size()));
}

void CFlintkitSamplePatch::SetPeriod(int periodNs) { SetHeaderField21(kOffsetPeriod, periodNs); }
void CFlintkitSamplePatch::SetLength(int words) { SetHeaderField21(kOffsetLength, words); }
void CFlintkitSamplePatch::SetLoopStart(int word) { SetHeaderField21(kOffsetLoopStart, word); }
void CFlintkitSamplePatch::SetLoopEnd(int word) { SetHeaderField21(kOffsetLoopEnd, word); }

void CFlintkitSamplePatch::SetLoopType(int type) {
    if (!m_data.empty()) m_data[kOffsetLoopType] = static_cast<std::uint8_t>(type & 0x7F);
}

int CFlintkitSamplePatch::HeaderByte(int offset) const {
    return m_data.empty() ? 0 : m_data[static_cast<std::size_t>(offset)];
}

int CFlintkitSamplePatch::HeaderField21(int offset) const { return m_data.empty() ? 0 : Read21(m_data, offset); }

void CFlintkitSamplePatch::SetHeaderField21(int offset, int value) {
    if (!m_data.empty()) Write21(m_data, offset, value);
}
