#pragma once

// Conversion between a sample dump and a WAV file (any PCM or float format in,
// mono out at the dump's depth). These are the functions behind the two tools;
// the command line and the tests call them directly.

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class CFlintkitSamplePatch;

namespace flintkit {

// Message numbers of the string table.
enum WaveText : int {
    kTextCannotOpen = 65000,
    kTextReadError = 65001,
    kTextWriteError = 65002,
    kTextWriteData = 65006,
    kTextNotWave = 65010,
    kTextNoFmt = 65011,
    kTextReadFailed = 65012,
    kTextNoData = 65013,
    kTextOnly16Bit = 65014,
    kTextOnlyMono = 65015,
    kTextSmplChunk = 65016,
    kTextWriteSmpl = 65017,
    kTextTooLong = 65018,
    kTextNothingToExport = 65019,
    kTextNoRate = 65020,
    kTextBadFormat = 65021,
    kTextNothingToEdit = 65022,
};

// Adds the texts above to the string table unless it has them already.
void RegisterWaveTexts();

// A WAV problem: its message number and the full text for the user, which names the file.
class CWaveException : public std::runtime_error {
public:
    CWaveException(int code, const std::string& file, const std::string& detail = {});
    int GetCode() const { return m_code; }
    const std::string& GetFileName() const { return m_file; }

private:
    int m_code;
    std::string m_file;
};

struct CWaveLoop {
    int type = 0;  // kLoopForward or kLoopAlternating
    int start = 0;  // first sample of the loop
    int end = 0;  // last sample of the loop (inclusive)
    friend bool operator==(const CWaveLoop&, const CWaveLoop&) = default;
};

// Which channel of a multi-channel file becomes the sample.
enum class WaveChannel { Mix, Left, Right };
// "mix", "left" or "right"; nullopt for anything else.
std::optional<WaveChannel> ParseWaveChannel(const std::string& text);

// How a WAV file becomes a dump: which channel, and the dump's sample format.
struct CWaveImportChoice {
    WaveChannel channel = WaveChannel::Mix;
    int bits = 16;  // kMinFormatBits..kMaxFormatBits
};

// What a WAV file holds, for choosing before it is read.
struct CWaveFacts {
    int channels = 0;
    int bits = 0;  // of its sample format; 32 for float
    int rate = 0;
    std::int64_t frames = 0;
};

struct CWaveSample {
    int rate = 0;
    // Signed values of bits (8..28) each.
    std::vector<std::int32_t> samples;
    std::optional<CWaveLoop> loop;
    int bits = 16;
};

// Opens the file only to say what it holds. Throws CWaveException like ReadWave.
CWaveFacts ProbeWave(const std::string& path);
// Reads a WAV file of any PCM or float format libsndfile reads, converted to
// bits (rounded, narrower formats scaled up); of several channels the chosen one, or their
// mean for Mix (a mono file is its own left and right). With its first smpl loop. Standard smpl loop types:
// 0 forward, 1 alternating, 2 backward (taken as alternating, the nearest a dump
// can hold). A loop end beyond the sample marks a file written with loop points
// in bytes; its points are halved. Throws CWaveException; bits outside 8..28
// throw std::invalid_argument.
CWaveSample ReadWave(const std::string& path, CWaveImportChoice choice = {});
// Writes a mono WAV file (16-bit PCM for up to 16 bits, 24-bit up to 24, else
// 32-bit, so no bit is lost) with a standard smpl chunk (loop points in sample
// frames; no loop record when there is no loop), saved through CFileX::SaveAtomically.
void WriteWave(const std::string& path, const CWaveSample& wave);

// The sample as a dump: format of the wave's bits, period from the rate, the loop or loop off.
std::unique_ptr<CFlintkitSamplePatch> SampleToPatch(const CWaveSample& wave, int deviceId);
// The dump's samples, rate and loop; path only names the file in messages.
CWaveSample PatchToSample(const CFlintkitSamplePatch& patch, const std::string& path);

std::unique_ptr<CFlintkitSamplePatch> ImportWave(const std::string& path, int deviceId, CWaveImportChoice choice = {});
void ExportWave(const CFlintkitSamplePatch& patch, const std::string& path);

}  // namespace flintkit
