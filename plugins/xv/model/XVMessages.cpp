#include "XVMessages.h"

#include <cstdio>

#include "File.h"
#include "Functions.h"

namespace xv {
namespace {

constexpr auto kPatchLayout = [] {
    std::array<Block, 9> a{};
    a[0] = {kPatchCommonData, 0x00};
    a[1] = {kMfxData, 0x02};
    a[2] = {kChorusData, 0x04};
    a[3] = {kReverbData, 0x06};
    a[4] = {kToneMixData, 0x10};
    for (int t = 0; t < kToneCount; ++t) a[5 + t] = {kToneData, kFirstToneBlock + 2 * t};
    return a;
}();

constexpr auto kPerformanceLayout = [] {
    std::array<Block, 4 + kPerformanceMidiCount + kPartCount> a{};
    a[0] = {kPerformanceCommonData, 0x00};
    a[1] = {kMfxData, 0x02};
    a[2] = {kChorusData, 0x04};
    a[3] = {kReverbData, 0x06};
    for (int c = 0; c < kPerformanceMidiCount; ++c) a[4 + c] = {kPerformanceMidiData, 0x10 + c};
    for (int p = 0; p < kPartCount; ++p) a[4 + kPerformanceMidiCount + p] = {kPartData, kFirstPartBlock + p};
    return a;
}();

constexpr auto kRhythmLayout = [] {
    std::array<Block, 4 + kRhythmKeyCount> a{};
    a[0] = {kRhythmCommonData, 0x00};
    a[1] = {kMfxData, 0x02};
    a[2] = {kChorusData, 0x04};
    a[3] = {kReverbData, 0x06};
    for (int k = 0; k < kRhythmKeyCount; ++k) a[4 + k] = {kRhythmKeyData, kFirstKeyBlock + 2 * k};
    return a;
}();

constexpr auto kSystemLayout = [] {
    std::array<Block, 2 + kScaleTuneCount> a{};
    a[0] = {kSystemCommonData, 0x00};
    a[1] = {kSystemEqData, 0x02};
    for (int p = 0; p < kScaleTuneCount; ++p) a[2 + p] = {kScaleTuneData, 0x10 + p};
    return a;
}();

template <std::size_t N>
constexpr int Total(const std::array<Block, N>& layout) {
    int sum = 0;
    for (const Block& b : layout) sum += b.dataSize + kMessageOverhead;
    return sum;
}
static_assert(Total(kPatchLayout) == kPatchSize);
static_assert(Total(kPerformanceLayout) == kPerformanceSize);
static_assert(Total(kRhythmLayout) == kRhythmSize);
static_assert(Total(kSystemLayout) == kSystemSize);

[[noreturn]] void Bad(CFile& file, CFileException::Cause cause, const std::string& detail) {
    throw CFileException(cause, file.GetFilePath(), detail);
}

}  // namespace

std::span<const Block> Layout(RecordKind kind) {
    switch (kind) {
    case RecordKind::Patch: return kPatchLayout;
    case RecordKind::Performance: return kPerformanceLayout;
    case RecordKind::Rhythm: return kRhythmLayout;
    case RecordKind::System: return kSystemLayout;
    }
    return {};
}

int RecordSize(RecordKind kind) {
    int sum = 0;
    for (const Block& b : Layout(kind)) sum += b.dataSize + kMessageOverhead;
    return sum;
}

int MessageOffset(RecordKind kind, int message) {
    int offset = 0;
    const auto layout = Layout(kind);
    for (int i = 0; i < message && i < static_cast<int>(layout.size()); ++i)
        offset += layout[static_cast<std::size_t>(i)].dataSize + kMessageOverhead;
    return offset;
}

Address BlockAddress(std::uint8_t area, std::uint8_t number, int block) {
    return {area, static_cast<std::uint8_t>((number + (block >> 7)) & 0x7F), static_cast<std::uint8_t>(block & 0x7F),
            0x00};
}

bool IsDT1Header(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= static_cast<std::size_t>(kHeaderSize) && bytes[0] == kSysExStart && bytes[1] == kRoland &&
           bytes[3] == kModelHigh && bytes[4] == kModelLow && bytes[5] == kDT1;
}

Address AddressOf(std::span<const std::uint8_t> message) {
    if (message.size() < static_cast<std::size_t>(kHeaderSize)) return {};
    return {message[kArea], message[kNumber], message[kBlock], message[kBlockLow]};
}

void SetChecksum(std::span<std::uint8_t> message) {
    if (message.size() < static_cast<std::size_t>(kMessageOverhead)) return;
    const std::size_t n = message.size();
    message[n - 2] = CFunctions::CalcRolandCheckSum(message.subspan(kArea, n - 2 - kArea));
}

bool HasValidChecksum(std::span<const std::uint8_t> message) {
    if (message.size() < static_cast<std::size_t>(kMessageOverhead)) return false;
    const std::size_t n = message.size();
    return message[n - 2] == CFunctions::CalcRolandCheckSum(message.subspan(kArea, n - 2 - kArea));
}

std::vector<std::uint64_t> BadChecksums(std::span<const std::uint8_t> bytes, std::uint64_t offset) {
    std::vector<std::uint64_t> bad;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = start;
        while (end < bytes.size() && bytes[end] != 0xF7) ++end;
        if (end == bytes.size()) break;
        if (!HasValidChecksum(bytes.subspan(start, end + 1 - start))) bad.push_back(offset + start);
        start = end + 1;
    }
    return bad;
}

std::vector<std::uint8_t> BuildDT1(std::uint8_t deviceByte, const Address& address,
                                   std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> m{kSysExStart, kRoland,    deviceByte, kModelHigh, kModelLow,
                                kDT1,        address[0], address[1], address[2], address[3]};
    m.insert(m.end(), data.begin(), data.end());
    m.push_back(0);
    m.push_back(kSysExEnd);
    SetChecksum(m);
    return m;
}

std::vector<std::uint8_t> BuildRQ1(std::uint8_t deviceByte, const Address& address, int size) {
    std::vector<std::uint8_t> m{kSysExStart,
                                kRoland,
                                deviceByte,
                                kModelHigh,
                                kModelLow,
                                kRQ1,
                                address[0],
                                address[1],
                                address[2],
                                address[3],
                                static_cast<std::uint8_t>((size >> 21) & 0x7F),
                                static_cast<std::uint8_t>((size >> 14) & 0x7F),
                                static_cast<std::uint8_t>((size >> 7) & 0x7F),
                                static_cast<std::uint8_t>(size & 0x7F),
                                0,
                                kSysExEnd};
    SetChecksum(m);
    return m;
}

void Readdress(std::span<std::uint8_t> image, RecordKind kind, std::uint8_t area, std::uint8_t number,
               std::uint8_t deviceByte) {
    std::size_t offset = 0;
    for (const Block& b : Layout(kind)) {
        const std::size_t size = static_cast<std::size_t>(b.dataSize + kMessageOverhead);
        if (offset + size > image.size()) return;
        const auto message = image.subspan(offset, size);
        const Address a = BlockAddress(area, number, b.address);
        message[kDeviceByte] = deviceByte;
        for (int i = 0; i < 4; ++i) message[static_cast<std::size_t>(kArea + i)] = a[static_cast<std::size_t>(i)];
        SetChecksum(message);
        offset += size;
    }
}

void UpdateDeviceAndChecksums(std::span<std::uint8_t> image, RecordKind kind, std::uint8_t deviceByte) {
    std::size_t offset = 0;
    for (const Block& b : Layout(kind)) {
        const std::size_t size = static_cast<std::size_t>(b.dataSize + kMessageOverhead);
        if (offset + size > image.size()) return;
        const auto message = image.subspan(offset, size);
        message[kDeviceByte] = deviceByte;
        SetChecksum(message);
        offset += size;
    }
}

void ReadBlockMessage(CFile& file, std::span<std::uint8_t> out, const Address& expected, const char* what) {
    const std::uint64_t start = file.GetPosition();
    if (file.GetRemaining() < out.size())
        Bad(file, CFileException::endOfFile,
            std::string("the ") + what + " message at " + AddressText(expected) + " is cut off at byte " +
                std::to_string(file.GetLength()));
    file.ReadExact(out.data(), out.size());
    const auto where = [&] { return std::string(" (byte ") + std::to_string(start) + ")"; };
    if (!IsDT1Header(out))
        Bad(file, CFileException::badFormat,
            std::string("expected the ") + what + " message at " + AddressText(expected) + where());
    const Address found = AddressOf(out);
    if (found != expected)
        Bad(file, CFileException::badFormat,
            std::string("expected the ") + what + " message at " + AddressText(expected) + ", found " +
                AddressText(found) + where());
    if (out.back() != kSysExEnd)
        Bad(file, CFileException::badFormat,
            std::string("the ") + what + " message at " + AddressText(expected) + " has the wrong length" + where());
}

int ReadNibbles(std::span<const std::uint8_t> data, int offset, int count) {
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const std::size_t at = static_cast<std::size_t>(offset + i);
        value = value * 16 + (at < data.size() ? (data[at] & 0x0F) : 0);
    }
    return value;
}

void WriteNibbles(std::span<std::uint8_t> data, int offset, int count, int value) {
    for (int i = count - 1; i >= 0; --i) {
        const std::size_t at = static_cast<std::size_t>(offset + i);
        if (at < data.size()) data[at] = static_cast<std::uint8_t>(value & 0x0F);
        value >>= 4;
    }
}

std::string AddressText(const Address& a) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X %02X %02X %02X", a[0], a[1], a[2], a[3]);
    return text;
}

std::string UnitName(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
    return out;
}

}  // namespace xv
