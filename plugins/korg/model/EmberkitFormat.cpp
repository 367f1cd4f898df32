#include "EmberkitFormat.h"

#include <algorithm>
#include <array>

#include "File.h"
#include "Functions.h"

namespace emberkit {

namespace {

constexpr std::array kBankFunctions{kAllProgramsDump, kAllCombinationsDump, kDrumKitsDump, kGlobalDump};

std::vector<std::uint8_t> Frame(int channel, std::initializer_list<std::uint8_t> tail) {
    std::vector<std::uint8_t> m{kSysExStart, kKorgId, FormatByte(channel), kModelId};
    m.insert(m.end(), tail);
    return m;
}

}  // namespace

std::uint8_t BankFunction(DumpType type) { return kBankFunctions.at(static_cast<std::size_t>(type)); }

std::vector<std::uint8_t> Pack(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> out;
    out.reserve(PackedSize(data.size()));
    for (std::size_t group = 0; group < data.size(); group += 7) {
        const std::size_t n = std::min<std::size_t>(7, data.size() - group);
        std::uint8_t high = 0;
        for (std::size_t i = 0; i < n; ++i) high |= static_cast<std::uint8_t>((data[group + i] >> 7) << i);
        out.push_back(high);
        for (std::size_t i = 0; i < n; ++i) out.push_back(data[group + i] & 0x7F);
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> Unpack(std::span<const std::uint8_t> packed, std::size_t n) {
    if (packed.size() < PackedSize(n)) return std::nullopt;
    std::vector<std::uint8_t> out;
    out.reserve(n);
    std::size_t in = 0;
    while (out.size() < n) {
        const std::uint8_t high = packed[in++];
        if (high & 0x80) return std::nullopt;
        const std::size_t count = std::min<std::size_t>(7, n - out.size());
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t low = packed[in++];
            if (low & 0x80) return std::nullopt;
            out.push_back(static_cast<std::uint8_t>(low | (((high >> i) & 1) << 7)));
        }
    }
    return out;
}

std::uint8_t FormatByte(int channel) {
    if (channel < 1 || channel > 16) channel = 1;
    return static_cast<std::uint8_t>(kFormatId | (channel - 1));
}

bool IsOwnMessage(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && bytes[0] == kSysExStart && bytes[1] == kKorgId && (bytes[2] & 0xF0) == kFormatId &&
           bytes[3] == kModelId;
}

std::vector<std::uint8_t> BuildSingleDump(std::uint8_t function, std::span<const std::uint8_t> data, int channel) {
    std::vector<std::uint8_t> m = Frame(channel, {function});
    const std::vector<std::uint8_t> packed = Pack(data);
    m.insert(m.end(), packed.begin(), packed.end());
    m.push_back(kSysExEnd);
    return m;
}

std::vector<std::uint8_t> BuildBankDump(std::uint8_t function, std::span<const std::uint8_t> data, int channel) {
    std::vector<std::uint8_t> m = Frame(channel, {function, 0x00});
    const std::vector<std::uint8_t> packed = Pack(data);
    m.insert(m.end(), packed.begin(), packed.end());
    m.push_back(kSysExEnd);
    return m;
}

std::vector<std::uint8_t> BuildWriteRequest(std::uint8_t function, int number, int channel) {
    number = std::clamp(number, 0, 2 * kBankSize - 1);
    return Frame(channel, {function, static_cast<std::uint8_t>(number / kBankSize),
                           static_cast<std::uint8_t>(number % kBankSize), kSysExEnd});
}

std::vector<std::uint8_t> BuildModeChange(int mode, int channel) {
    return Frame(channel, {kModeChange, static_cast<std::uint8_t>(mode & 0x7F), 0x00, kSysExEnd});
}

std::array<std::uint8_t, 2> ParameterValueBytes(int value) {
    const auto lo = static_cast<std::uint8_t>(value & 0x7F);
    if (value < 0) return {lo, 0x7F};
    const auto bit7 = static_cast<std::uint8_t>((value >> 7) & 1);
    return {lo, static_cast<std::uint8_t>(value >= 256 ? 2 + bit7 : bit7)};
}

std::vector<std::uint8_t> BuildParameterChange(ParameterAddress address, int value, int channel) {
    const auto [lo, hi] = ParameterValueBytes(value);
    return Frame(channel, {kParameterChange, static_cast<std::uint8_t>(address.page & 0x7F),
                           static_cast<std::uint8_t>(address.position & 0x7F),
                           static_cast<std::uint8_t>(address.parameter & 0x7F), lo, hi, kSysExEnd});
}

std::vector<std::uint8_t> BuildDrumParameterChange(ParameterAddress address, int value, int channel) {
    if (value < 256) return BuildParameterChange(address, value, channel);
    const auto [lo, hi] = ParameterValueBytes(value);
    return Frame(channel, {kDrumParameterChange, 0x00, static_cast<std::uint8_t>(address.page & 0x7F),
                           static_cast<std::uint8_t>(address.position & 0x7F),
                           static_cast<std::uint8_t>(address.parameter & 0x7F), lo, hi, kSysExEnd});
}

SysExMessage ReadSysEx(CFile& file, std::size_t keep) {
    SysExMessage message;
    std::array<std::uint8_t, 4096> buffer{};
    bool first = true;
    for (;;) {
        const std::uint64_t chunkStart = file.GetPosition();
        const std::size_t n = file.Read(buffer.data(), buffer.size());
        if (n == 0) return message;  // cut off by the end of the file
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t b = buffer[i];
            const bool status = (b & 0x80) != 0;
            if (status && !first && b != kSysExEnd) {
                // The next message begins here: this one was cut off.
                file.Seek(static_cast<std::int64_t>(chunkStart + i), CFile::begin);
                return message;
            }
            first = false;
            if (message.head.size() < keep) message.head.push_back(b);
            ++message.length;
            if (b == kSysExEnd) {
                message.complete = true;
                file.Seek(static_cast<std::int64_t>(chunkStart + i + 1), CFile::begin);
                return message;
            }
        }
    }
}

std::vector<std::uint8_t> ParseDump(const SysExMessage& message, int headerSize, std::size_t dataSize,
                                    const std::string& what, const std::string& fileName, bool trailing) {
    const std::size_t header = static_cast<std::size_t>(headerSize);
    const std::size_t packedSize = PackedSize(dataSize);
    const std::size_t framing = header + (message.complete ? 1 : 0);
    const std::size_t present = message.length > framing ? message.length - framing : 0;
    if (present < packedSize)
        throw CFileException(CFileException::endOfFile, fileName,
                             what + " ends after " + std::to_string(present) + " of " + std::to_string(packedSize) +
                                 " bytes");
    if (!trailing && present > packedSize)
        throw CFileException(CFileException::badFormat, fileName,
                             what + " holds " + std::to_string(present) + " bytes where " + std::to_string(packedSize) +
                                 " belong");
    if (!message.complete) throw CFileException(CFileException::endOfFile, fileName, what + " has no end byte (F7)");
    if (message.head.size() < header + packedSize)
        throw CFileException(CFileException::generic, fileName, what + " was not read whole");
    const auto packed = std::span<const std::uint8_t>(message.head).subspan(header, packedSize);
    auto data = Unpack(packed, dataSize);
    if (!data) throw CFileException(CFileException::badFormat, fileName, what + " holds a byte above 7F");
    return std::move(*data);
}

// What to send to get each dump. The global and current-program requests were
// seen answered by a real 01/W; the all-programs, all-combinations and all-data
// codes (1C, 1D, 0F with a 00 bank byte) are those of the instrument's family and
// still wait for a check on an instrument. No request for the drum kits is known:
// that dump is started on the instrument (Global mode, "Dump Drum Kit").
const std::vector<DumpRequest>& DumpRequests() {
    static const std::vector<DumpRequest> requests{
        {"Korg 01/W All Programs",
         {0x1C, 0x00},
         static_cast<long>(kHeaderSize + PackedSize(kProgramCount * kProgramSize) + 1)},
        {"Korg 01/W All Combinations",
         {0x1D, 0x00},
         static_cast<long>(kHeaderSize + PackedSize(kCombinationCount * kCombinationSize) + 1)},
        {"Korg 01/W Drum Kits", {}, static_cast<long>(kHeaderSize + PackedSize(kDrumKitCount * kDrumKitSize) + 1)},
        {"Korg 01/W Global", {0x0E, 0x00}, static_cast<long>(kHeaderSize + PackedSize(kGlobalSize) + 1)},
        // The sequence data at its end makes the size vary.
        {"Korg 01/W All Data", {0x0F, 0x00}, 0},
        {"Korg 01/W Current Program", {0x10}, static_cast<long>(kSingleHeaderSize + PackedSize(kProgramSize) + 1)},
    };
    return requests;
}

std::string RequestText(const DumpRequest& request, int channel) {
    if (request.tail.empty()) return {};
    std::vector<std::uint8_t> m{kSysExStart, kKorgId, FormatByte(channel), kModelId};
    m.insert(m.end(), request.tail.begin(), request.tail.end());
    m.push_back(kSysExEnd);
    return CFunctions::HexToString(m);
}

}  // namespace emberkit
