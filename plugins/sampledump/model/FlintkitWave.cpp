#include "FlintkitWave.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <utility>
#include <string_view>

#include "File.h"
#include "FileX.h"
#include "FlintkitDump.h"
#include "FlintkitPatch.h"
#include "Functions.h"
#include "StringTable.h"

namespace flintkit {
namespace {

// Owns one open libsndfile handle.
class CSndFile {
public:
    CSndFile() = default;
    explicit CSndFile(SNDFILE* file) : m_file(file) {}
    ~CSndFile() {
        if (m_file) sf_close(m_file);
    }
    CSndFile(CSndFile&& other) noexcept : m_file(std::exchange(other.m_file, nullptr)) {}
    CSndFile& operator=(CSndFile&& other) noexcept {
        if (this != &other) {
            if (m_file) sf_close(m_file);
            m_file = std::exchange(other.m_file, nullptr);
        }
        return *this;
    }
    CSndFile(const CSndFile&) = delete;
    CSndFile& operator=(const CSndFile&) = delete;

    SNDFILE* get() const { return m_file; }
    explicit operator bool() const { return m_file != nullptr; }
    // Closes now and reports whether the file was completed without error.
    bool Close() {
        const int result = m_file ? sf_close(m_file) : 0;
        m_file = nullptr;
        return result == 0;
    }

private:
    SNDFILE* m_file = nullptr;
};

// The WAV file libsndfile writes, kept in memory (it seeks back to finish the
// header, so this is a random-access buffer).
struct MemoryWave {
    std::vector<std::uint8_t> bytes;
    sf_count_t position = 0;

    static MemoryWave& Of(void* user) { return *static_cast<MemoryWave*>(user); }
    static sf_count_t Length(void* user) { return static_cast<sf_count_t>(Of(user).bytes.size()); }
    static sf_count_t Seek(sf_count_t offset, int whence, void* user) {
        MemoryWave& m = Of(user);
        const sf_count_t base = whence == SEEK_CUR ? m.position : whence == SEEK_END ? Length(user) : 0;
        if (base + offset < 0) return -1;
        m.position = base + offset;
        return m.position;
    }
    static sf_count_t Read(void* out, sf_count_t count, void* user) {
        MemoryWave& m = Of(user);
        const sf_count_t size = Length(user);
        const sf_count_t n = std::clamp<sf_count_t>(size - m.position, 0, std::max<sf_count_t>(count, 0));
        if (n > 0) std::memcpy(out, m.bytes.data() + m.position, static_cast<std::size_t>(n));
        m.position += n;
        return n;
    }
    static sf_count_t Write(const void* in, sf_count_t count, void* user) {
        MemoryWave& m = Of(user);
        if (count <= 0) return 0;
        const auto end = static_cast<std::size_t>(m.position + count);
        if (end > m.bytes.size()) m.bytes.resize(end);
        std::memcpy(m.bytes.data() + m.position, in, static_cast<std::size_t>(count));
        m.position += count;
        return count;
    }
    static sf_count_t Tell(void* user) { return Of(user).position; }
};

std::uint32_t LittleEndian32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// libsndfile refused the file; walks its chunks (bounded by the file's size) to
// say which of the user's texts fits what is wrong with it.
int ClassifyUnreadableWave(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return kTextCannotOpen;
    in.seekg(0, std::ios::end);
    const auto fileSize = static_cast<std::uint64_t>(std::max<std::streamoff>(in.tellg(), 0));
    in.seekg(0);
    std::array<std::uint8_t, 16> head{};
    if (fileSize < 12 || !in.read(reinterpret_cast<char*>(head.data()), 12) ||
        std::memcmp(head.data(), "RIFF", 4) != 0 || std::memcmp(head.data() + 8, "WAVE", 4) != 0)
        return kTextNotWave;

    bool fmt = false, data = false, smplBroken = false;
    int channels = 0, bits = 0;  // a fmt chunk that announces none is damaged
    for (std::uint64_t pos = 12; pos + 8 <= fileSize;) {
        std::array<std::uint8_t, 8> chunk{};
        in.seekg(static_cast<std::streamoff>(pos));
        if (!in.read(reinterpret_cast<char*>(chunk.data()), 8)) break;
        const std::uint64_t size = LittleEndian32(chunk.data() + 4);
        const std::string_view id(reinterpret_cast<const char*>(chunk.data()), 4);
        if (id == "fmt " && size >= 16 && in.read(reinterpret_cast<char*>(head.data()), 16)) {
            fmt = true;
            channels = head[2] | (head[3] << 8);
            bits = head[14] | (head[15] << 8);
        } else if (id == "data") {
            data = true;
        } else if (id == "smpl" && (size < 36 || pos + 8 + size > fileSize)) {
            smplBroken = true;
        }
        pos += 8 + size + (size & 1);
    }
    if (!fmt) return kTextNoFmt;
    if (channels < 1 || bits < 1) return kTextBadFormat;
    if (!data) return kTextNoData;
    if (smplBroken) return kTextSmplChunk;
    return kTextReadFailed;
}

std::optional<CWaveLoop> ReadLoop(SNDFILE* file, sf_count_t frames) {
    SF_INSTRUMENT inst{};
    if (sf_command(file, SFC_GET_INSTRUMENT, &inst, sizeof inst) != SF_TRUE) return std::nullopt;
    if (inst.loop_count < 1 || frames < 1) return std::nullopt;
    const auto& l = inst.loops[0];
    CWaveLoop loop;
    switch (l.mode) {
    case SF_LOOP_FORWARD: loop.type = kLoopForward; break;
    case SF_LOOP_ALTERNATING:
    case SF_LOOP_BACKWARD: loop.type = kLoopAlternating; break;
    default: return std::nullopt;
    }
    // libsndfile reports the end one past the smpl chunk's last loop sample.
    std::int64_t start = l.start;
    std::int64_t end = static_cast<std::int64_t>(l.end) - 1;
    if (end >= frames) {  // written with loop points in bytes
        start /= 2;
        end /= 2;
    }
    end = std::clamp<std::int64_t>(end, 0, frames - 1);
    start = std::clamp<std::int64_t>(start, 0, end);
    loop.start = static_cast<int>(start);
    loop.end = static_cast<int>(end);
    return loop;
}

}  // namespace

void RegisterWaveTexts() {
    static std::once_flag once;
    std::call_once(once, [] {
        static constexpr std::pair<int, const char*> kTexts[] = {
            {65000, "File could not be opened."},
            {65001, "Error reading from file: %1"},
            {65002, "Error writing to file: %1"},
            {65003, "Error creating chunk."},
            {65004, "Error ascending out of PCM chunk."},
            {65005, "Error getting IO info."},
            {65006, "Error writing data."},
            {65007, "Cannot write IO info."},
            {65008, "Error ascending out of data chunk."},
            {65009, "Error ascending out of RIFF chunk."},
            {65010, "Not a wave file."},
            {65011, "No fmt chunk found in file."},
            {65012, "Error reading from file."},
            {65013, "No data chunk found."},
            {65014, "Currently only 16 bit samples are supported!"},
            {65015, "The Flintkit protocoll supports only mono files!"},
            {65016, "Error ascending out of SMPL chunk."},
            {65017, "Error writing SMPL chunk."},
            {65018, "%1 holds %2 samples, more than the 2097151 a sample dump can carry."},
            {65019, "There is no sample to export."},
            {65020, "The sample's period of %2 ns gives no usable sample rate; %1 was not written."},
            {65021,
             "%1: the fmt chunk is damaged (no channels or no sample size), or its sample format cannot be read."},
            {65022, "There is no sample to edit yet: import a WAV file or receive a sample first."},
        };
        for (const auto& [id, text] : kTexts) CStringTable::Add(static_cast<unsigned>(id), text);
    });
}

namespace {

std::string WaveMessage(int code, const std::string& file, const std::string& detail) {
    RegisterWaveTexts();
    const std::string text = CStringTable::Get(static_cast<unsigned>(code));
    if (text.find("%1") != std::string::npos) return CFunctions::FormatMessage(text, {file, detail});
    return text + "\n" + file;  // every message names the file
}

}  // namespace

CWaveException::CWaveException(int code, const std::string& file, const std::string& detail)
    : std::runtime_error(WaveMessage(code, file, detail)), m_code(code), m_file(file) {}

std::optional<WaveChannel> ParseWaveChannel(const std::string& text) {
    if (text == "mix") return WaveChannel::Mix;
    if (text == "left") return WaveChannel::Left;
    if (text == "right") return WaveChannel::Right;
    return std::nullopt;
}

namespace {

// A sample libsndfile normalised to -1..1, rounded to bits (exact for PCM no
// wider than bits; louder float data is clipped, not wrapped, and NaN is silence).
std::int32_t ToBits(double v, int bits) {
    if (std::isnan(v)) return 0;
    const double full = static_cast<double>(1LL << (bits - 1));
    return static_cast<std::int32_t>(std::clamp<double>(std::round(v * full), -full, full - 1));
}

int SubformatBits(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW: return 8;
    case SF_FORMAT_PCM_16: return 16;
    case SF_FORMAT_PCM_24: return 24;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT: return 32;
    case SF_FORMAT_DOUBLE: return 64;
    default: return 0;  // compressed: no fixed size
    }
}

// Opens a WAV file for reading, refusing what no dump can hold.
CSndFile OpenWave(const std::string& path, SF_INFO& info) {
    info = SF_INFO{};
    CSndFile file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file) throw CWaveException(ClassifyUnreadableWave(path), path);
    const int major = info.format & SF_FORMAT_TYPEMASK;
    if (major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX && major != SF_FORMAT_RF64)
        throw CWaveException(kTextNotWave, path);
    if (info.channels < 1) throw CWaveException(kTextBadFormat, path);
    if (info.frames > kMaxSampleLength) throw CWaveException(kTextTooLong, path, std::to_string(info.frames));
    return file;
}

}  // namespace

CWaveFacts ProbeWave(const std::string& path) {
    SF_INFO info;
    OpenWave(path, info);
    return CWaveFacts{info.channels, SubformatBits(info.format), info.samplerate, info.frames};
}

CWaveSample ReadWave(const std::string& path, CWaveImportChoice choice) {
    if (choice.bits < kMinFormatBits || choice.bits > kMaxFormatBits)
        throw std::invalid_argument("a sample dump holds 8 to 28 bits per sample");
    SF_INFO info;
    CSndFile file = OpenWave(path, info);

    CWaveSample wave;
    wave.rate = info.samplerate;
    wave.bits = choice.bits;
    wave.loop = ReadLoop(file.get(), info.frames);
    const auto frames = static_cast<std::size_t>(std::max<sf_count_t>(info.frames, 0));
    const auto channels = static_cast<std::size_t>(info.channels);
    wave.samples.resize(frames);
    std::vector<double> block(4096 * channels);
    std::size_t done = 0;
    while (done < frames) {
        const auto want = static_cast<sf_count_t>(std::min<std::size_t>(4096, frames - done));
        if (sf_readf_double(file.get(), block.data(), want) != want) throw CWaveException(kTextReadError, path);
        for (sf_count_t f = 0; f < want; ++f) {
            const double* frame = block.data() + static_cast<std::size_t>(f) * channels;
            double v = 0;
            switch (choice.channel) {
            case WaveChannel::Left: v = frame[0]; break;
            case WaveChannel::Right: v = frame[channels > 1 ? 1 : 0]; break;
            case WaveChannel::Mix:
                for (std::size_t c = 0; c < channels; ++c) v += frame[c];
                v /= static_cast<double>(channels);
                break;
            }
            wave.samples[done + static_cast<std::size_t>(f)] = ToBits(v, choice.bits);
        }
        done += static_cast<std::size_t>(want);
    }
    return wave;
}

void WriteWave(const std::string& path, const CWaveSample& wave) {
    if (wave.bits < kMinFormatBits || wave.bits > kMaxFormatBits)
        throw std::invalid_argument("a sample dump holds 8 to 28 bits per sample");
    SF_INFO info{};
    info.samplerate = wave.rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | (wave.bits <= 16   ? SF_FORMAT_PCM_16
                                   : wave.bits <= 24 ? SF_FORMAT_PCM_24
                                                     : SF_FORMAT_PCM_32);
    if (wave.rate <= 0 || !sf_format_check(&info))
        throw CWaveException(kTextNoRate, path, std::to_string(wave.rate > 0 ? 1'000'000'000LL / wave.rate : 0));

    MemoryWave memory;
    SF_VIRTUAL_IO io{MemoryWave::Length, MemoryWave::Seek, MemoryWave::Read, MemoryWave::Write, MemoryWave::Tell};
    CSndFile file(sf_open_virtual(&io, SFM_WRITE, &info, &memory));
    if (!file) throw CWaveException(kTextCannotOpen, path);

    SF_INSTRUMENT inst{};
    inst.basenote = 60;
    inst.velocity_hi = 127;
    inst.key_hi = 127;
    if (wave.loop) {
        inst.loop_count = 1;
        inst.loops[0].mode = wave.loop->type == kLoopAlternating ? SF_LOOP_ALTERNATING : SF_LOOP_FORWARD;
        inst.loops[0].start = static_cast<unsigned>(wave.loop->start);
        inst.loops[0].end = static_cast<unsigned>(wave.loop->end) + 1;  // libsndfile: one past the last
    }
    if (sf_command(file.get(), SFC_SET_INSTRUMENT, &inst, sizeof inst) != SF_TRUE)
        throw CWaveException(kTextWriteSmpl, path);

    // Left-justified to 32 bits, which libsndfile narrows to the file's format without rounding.
    std::vector<int> justified(wave.samples.size());
    const std::int32_t top = (1 << (wave.bits - 1)) - 1;
    std::transform(wave.samples.begin(), wave.samples.end(), justified.begin(), [&wave, top](std::int32_t s) {
        return static_cast<int>(static_cast<std::uint32_t>(std::clamp(s, -top - 1, top)) << (32 - wave.bits));
    });
    const auto frames = static_cast<sf_count_t>(justified.size());
    if (sf_writef_int(file.get(), justified.data(), frames) != frames) throw CWaveException(kTextWriteData, path);
    if (!file.Close()) throw CWaveException(kTextWriteError, path);

    // The framework's save keeps a link a link and writes a FIFO or device as a
    // stream; a regular file is replaced only once complete.
    try {
        CFileX::SaveAtomically(path, [&memory](CFile& out) { out.Write(memory.bytes); });
    } catch (const CFileException& e) {
        throw CWaveException(kTextWriteError, path,
                             e.m_detail.empty() ? CFileException::CauseText(e.m_cause) : e.m_detail);
    }
}

std::unique_ptr<CFlintkitSamplePatch> SampleToPatch(const CWaveSample& wave, int deviceId) {
    auto patch = std::make_unique<CFlintkitSamplePatch>();
    patch->SetSampleData(EncodeWords(wave.samples, wave.bits), deviceId);
    patch->SetFormat(wave.bits);
    patch->SetPeriod(PeriodFromRate(wave.rate));
    patch->SetLength(static_cast<int>(wave.samples.size()));
    if (wave.loop) {
        patch->SetLoopType(wave.loop->type);
        patch->SetLoopStart(wave.loop->start);
        patch->SetLoopEnd(wave.loop->end);
    } else {
        patch->SetLoopType(kLoopOff);
        patch->SetLoopStart(kNoLoopPoint);
        patch->SetLoopEnd(kNoLoopPoint);
    }
    return patch;
}

CWaveSample PatchToSample(const CFlintkitSamplePatch& patch, const std::string& path) {
    if (patch.IsEmpty()) throw CWaveException(kTextNothingToExport, path);
    CWaveSample wave;
    wave.rate = patch.GetRate();
    if (wave.rate <= 0) throw CWaveException(kTextNoRate, path, std::to_string(patch.GetPeriod()));
    wave.bits = std::clamp(patch.GetFormat(), kMinFormatBits, kMaxFormatBits);
    wave.samples = DecodeWords(patch.Data());
    const int type = patch.GetLoopType();
    if ((type == kLoopForward || type == kLoopAlternating) && !wave.samples.empty()) {
        // Points a device sent outside the sample are kept inside it.
        const int last = static_cast<int>(wave.samples.size()) - 1;
        const int end = std::clamp(patch.GetLoopEnd(), 0, last);
        wave.loop = CWaveLoop{type, std::clamp(patch.GetLoopStart(), 0, end), end};
    }
    return wave;
}

std::unique_ptr<CFlintkitSamplePatch> ImportWave(const std::string& path, int deviceId, CWaveImportChoice choice) {
    return SampleToPatch(ReadWave(path, choice), deviceId);
}

void ExportWave(const CFlintkitSamplePatch& patch, const std::string& path) {
    WriteWave(path, PatchToSample(patch, path));
}

}  // namespace flintkit
