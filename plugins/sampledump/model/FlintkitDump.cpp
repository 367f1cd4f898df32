#include "FlintkitDump.h"

#include <algorithm>
#include <string>

#include "File.h"

namespace flintkit {
namespace {

constexpr std::array kSnapRates{8000, 11025, 22050, 32000, 44100, 48000};
constexpr std::array kSnapPeriods{125000, 90703, 45351, 31250, 22676, 20833};

// n / d rounded half up, for positive values.
int DivideRounded(long long n, long long d) { return static_cast<int>((n + d / 2) / d); }

template <std::size_t N>
int Snap(int value, const std::array<int, N>& targets) {
    for (const int t : targets)
        if (value == t - 1 || value == t + 1) return t;
    return value;
}

bool DataBytesAre7Bit(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b < 0x80; });
}

std::string CheckHeader(std::span<const std::uint8_t> h) {
    if (h[0] != kSysExStart || h[1] != kUniversalNonRealTime || h[3] != kSubIdDumpHeader)
        return "this is not a sample dump header";
    if (h[kHeaderSize - 1] != kSysExEnd || !DataBytesAre7Bit(h.subspan(1, kHeaderSize - 2)))
        return "the sample dump header is damaged";
    const int bits = h[kOffsetFormat];
    if (bits < kMinFormatBits || bits > kMaxFormatBits)
        return "the sample format of " + std::to_string(bits) + " bits is not possible";
    return {};
}

bool IsPacket(std::span<const std::uint8_t> p) {
    return p[0] == kSysExStart && p[1] == kUniversalNonRealTime && p[3] == kSubIdDataPacket &&
           p[kPacketSize - 1] == kSysExEnd && DataBytesAre7Bit(p.subspan(1, kPacketSize - 2));
}

}  // namespace

int Read14(std::span<const std::uint8_t> b, int o) { return (b[o] & 0x7F) | ((b[o + 1] & 0x7F) << 7); }

int Read21(std::span<const std::uint8_t> b, int o) {
    return (b[o] & 0x7F) | ((b[o + 1] & 0x7F) << 7) | ((b[o + 2] & 0x7F) << 14);
}

void Write14(std::span<std::uint8_t> b, int o, int value) {
    const int v = std::clamp(value, 0, kMaxSampleNumber);
    b[o] = static_cast<std::uint8_t>(v & 0x7F);
    b[o + 1] = static_cast<std::uint8_t>((v >> 7) & 0x7F);
}

void Write21(std::span<std::uint8_t> b, int o, int value) {
    const int v = std::clamp(value, 0, kMax21Bit);
    b[o] = static_cast<std::uint8_t>(v & 0x7F);
    b[o + 1] = static_cast<std::uint8_t>((v >> 7) & 0x7F);
    b[o + 2] = static_cast<std::uint8_t>((v >> 14) & 0x7F);
}

int BytesPerWord(int formatBits) { return (std::clamp(formatBits, kMinFormatBits, kMaxFormatBits) + 6) / 7; }
int WordsPerPacket(int formatBits) { return kPacketDataSize / BytesPerWord(formatBits); }

int PacketsForLength(int lengthWords, int formatBits) {
    const int perPacket = WordsPerPacket(formatBits);
    return (std::max(lengthWords, 0) + perPacket - 1) / perPacket;
}

std::uint8_t PacketChecksum(std::span<const std::uint8_t> packet) {
    std::uint8_t sum = 0;
    for (int i = 1; i < kPacketChecksumOffset; ++i) sum ^= packet[static_cast<std::size_t>(i)];
    return sum & 0x7F;
}

std::vector<std::size_t> BadPacketChecksums(std::span<const std::uint8_t> dump) {
    std::vector<std::size_t> bad;
    for (std::size_t at = kHeaderSize; at + kPacketSize <= dump.size(); at += kPacketSize) {
        const auto packet = dump.subspan(at, kPacketSize);
        if (packet[kPacketChecksumOffset] != PacketChecksum(packet)) bad.push_back(at);
    }
    return bad;
}

std::vector<std::uint8_t> EncodeWords(std::span<const std::int32_t> words, int formatBits) {
    const int bits = std::clamp(formatBits, kMinFormatBits, kMaxFormatBits);
    const int bytesPerWord = BytesPerWord(bits);
    const int unusedBits = 7 * bytesPerWord - bits;
    const std::int32_t offset = 1 << (bits - 1);
    std::vector<std::uint8_t> out(words.size() * static_cast<std::size_t>(bytesPerWord));
    std::size_t o = 0;
    for (const std::int32_t s : words) {
        const auto u = static_cast<std::uint32_t>(std::clamp(s, -offset, offset - 1) + offset) << unusedBits;
        for (int b = bytesPerWord - 1; b >= 0; --b) out[o++] = static_cast<std::uint8_t>((u >> (7 * b)) & 0x7F);
    }
    return out;
}

void EncodeSamples16(std::span<const std::int16_t> samples, std::span<std::uint8_t> out) {
    std::size_t o = 0;
    for (const std::int16_t s : samples) {
        const unsigned u = static_cast<unsigned>(s + 0x8000);
        out[o++] = static_cast<std::uint8_t>((u >> 9) & 0x7F);
        out[o++] = static_cast<std::uint8_t>((u >> 2) & 0x7F);
        out[o++] = static_cast<std::uint8_t>((u & 0x03) << 5);
    }
}

std::vector<std::uint8_t> EncodeSamples16(std::span<const std::int16_t> samples) {
    std::vector<std::uint8_t> out(samples.size() * kBytesPerSample16);
    EncodeSamples16(samples, out);
    return out;
}

std::vector<std::int32_t> DecodeWords(std::span<const std::uint8_t> dump) {
    if (dump.size() < static_cast<std::size_t>(kHeaderSize)) return {};
    const int bits = std::clamp<int>(dump[kOffsetFormat], kMinFormatBits, kMaxFormatBits);
    const int bytesPerWord = BytesPerWord(bits);
    const int perPacket = WordsPerPacket(bits);
    const std::size_t packets = (dump.size() - kHeaderSize) / kPacketSize;
    const std::size_t length =
        std::min<std::size_t>(static_cast<std::size_t>(Read21(dump, kOffsetLength)), packets * perPacket);
    // Words are left-justified across the 7-bit groups; the unused low bits are zero.
    const int unusedBits = 7 * bytesPerWord - bits;
    const std::int32_t offset = 1 << (bits - 1);

    std::vector<std::int32_t> words(length);
    for (std::size_t w = 0; w < length; ++w) {
        const std::size_t at = kHeaderSize + (w / perPacket) * kPacketSize + kPacketDataOffset +
                               (w % perPacket) * static_cast<std::size_t>(bytesPerWord);
        std::int32_t v = 0;
        for (int b = 0; b < bytesPerWord; ++b) v = (v << 7) | (dump[at + b] & 0x7F);
        words[w] = (v >> unusedBits) - offset;
    }
    return words;
}

std::vector<std::int16_t> DecodeSamples16(std::span<const std::uint8_t> dump) {
    const int bits = dump.size() < static_cast<std::size_t>(kHeaderSize)
                         ? 16
                         : std::clamp<int>(dump[kOffsetFormat], kMinFormatBits, kMaxFormatBits);
    const std::vector<std::int32_t> words = DecodeWords(dump);
    std::vector<std::int16_t> samples(words.size());
    std::transform(words.begin(), words.end(), samples.begin(), [bits](std::int32_t s) {
        return static_cast<std::int16_t>(bits >= 16 ? s >> (bits - 16) : s * (1 << (16 - bits)));
    });
    return samples;
}

int RateFromPeriod(int periodNs) {
    if (periodNs <= 0) return 0;
    return Snap(DivideRounded(1'000'000'000LL, periodNs), kSnapRates);
}

int PeriodFromRate(int rateHz) {
    if (rateHz <= 0) return 0;
    // Above 1 GHz the period would round to 0 ns, which no dump can carry.
    return std::clamp(Snap(DivideRounded(1'000'000'000LL, rateHz), kSnapPeriods), 1, kMax21Bit);
}

std::vector<std::uint8_t> BuildDump(std::span<const std::uint8_t> encoded, int deviceId) {
    const std::size_t packets = (encoded.size() + kPacketDataSize - 1) / kPacketDataSize;
    std::vector<std::uint8_t> dump(kHeaderSize + kPacketSize * packets, 0);
    const auto channel = static_cast<std::uint8_t>(deviceId & 0x7F);
    dump[0] = kSysExStart;
    dump[1] = kUniversalNonRealTime;
    dump[2] = channel;
    dump[3] = kSubIdDumpHeader;
    dump[kHeaderSize - 1] = kSysExEnd;
    for (std::size_t i = 0; i < packets; ++i) {
        const std::span<std::uint8_t> p(dump.data() + kHeaderSize + i * kPacketSize, kPacketSize);
        p[0] = kSysExStart;
        p[1] = kUniversalNonRealTime;
        p[2] = channel;
        p[3] = kSubIdDataPacket;
        p[4] = static_cast<std::uint8_t>(i % 128);
        const std::size_t from = i * kPacketDataSize;
        const std::size_t count = std::min<std::size_t>(kPacketDataSize, encoded.size() - from);
        std::copy_n(encoded.begin() + static_cast<std::ptrdiff_t>(from), count, p.begin() + kPacketDataOffset);
        p[kPacketChecksumOffset] = PacketChecksum(p);
        p[kPacketSize - 1] = kSysExEnd;
    }
    return dump;
}

std::vector<std::uint8_t> ReadDump(CFile& file) {
    const std::string name = file.GetFilePath();
    if (file.GetRemaining() < static_cast<std::uint64_t>(kHeaderSize))
        throw CFileException(CFileException::endOfFile, name, "the sample dump header is cut short");
    std::vector<std::uint8_t> dump = file.ReadBytes(kHeaderSize);
    if (std::string problem = CheckHeader(dump); !problem.empty())
        throw CFileException(CFileException::badFormat, name, problem);

    const int packets = PacketsForLength(Read21(dump, kOffsetLength), dump[kOffsetFormat]);
    // Bounded by what the file holds, so a damaged length cannot demand memory.
    const std::uint64_t wanted = static_cast<std::uint64_t>(packets) * kPacketSize;
    const std::size_t available = static_cast<std::size_t>(std::min(wanted, file.GetRemaining()));
    dump.resize(kHeaderSize + available);
    file.ReadExact(dump.data() + kHeaderSize, available);

    for (int i = 0; i < packets; ++i) {
        const std::size_t at = kHeaderSize + static_cast<std::size_t>(i) * kPacketSize;
        const std::string where = std::to_string(i) + " of " + std::to_string(packets) + " data packets";
        if (at + kPacketSize > dump.size())
            throw CFileException(CFileException::endOfFile, name, "the sample dump ends after " + where);
        if (!IsPacket(std::span<const std::uint8_t>(dump).subspan(at, kPacketSize)))
            throw CFileException(CFileException::badFormat, name, "the sample dump is broken off after " + where);
    }
    return dump;
}

}  // namespace flintkit
