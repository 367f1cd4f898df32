// Dumps of other depths than 16 bits, the channel choice on real files, and
// an export that fails on the way to the disk.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>

#include "FlintkitDump.h"
#include "FlintkitPatch.h"
#include "FileSizeLimit.h"
#include "FlintkitWave.h"
#include "TestSupport.h"

using namespace flintkit;
namespace fs = std::filesystem;
using tonalith::test::TempDir;

namespace {

// Every bit pattern a format can hold at its edges, and some between.
std::vector<std::int32_t> EdgeWords(int bits) {
    const std::int32_t top = (1 << (bits - 1)) - 1;
    std::vector<std::int32_t> words{-top - 1, -top, -1, 0, 1, top - 1, top};
    for (std::int32_t v = -top - 1; v < top; v += top / 37 + 1) words.push_back(v);
    return words;
}

// A mono file of the given format holding values left-justified to 32 bits.
std::string WriteWave32(const std::string& name, int subformat, const std::vector<int>& values) {
    const std::string path = (TempDir() / name).string();
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | subformat;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
    sf_writef_int(f, values.data(), static_cast<sf_count_t>(values.size()));
    sf_close(f);
    return path;
}

int FileSubformat(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return 0;
    sf_close(f);
    return info.format & SF_FORMAT_SUBMASK;
}

}  // namespace

TEST(FlintkitDepth, WordsOfEveryFormatSurviveThePackets) {
    for (const int bits : {8, 12, 14, 15, 16, 20, 21, 24, 28}) {
        const auto words = EdgeWords(bits);
        CFlintkitSamplePatch p;
        p.SetSampleData(EncodeWords(words, bits), 0);
        p.SetFormat(bits);
        p.SetLength(static_cast<int>(words.size()));
        EXPECT_EQ(p.GetPacketCount(), PacketsForLength(static_cast<int>(words.size()), bits)) << bits;
        EXPECT_EQ(p.GetWords(), words) << bits;
        EXPECT_TRUE(BadPacketChecksums(p.Data()).empty()) << bits;
        for (const std::uint8_t b : p.Data().subspan(kHeaderSize)) ASSERT_TRUE(b < 0x80 || b == 0xF0 || b == 0xF7);
    }
    // The general encoder agrees with the 16-bit one byte for byte.
    std::vector<std::int16_t> s16;
    for (const std::int32_t w : EdgeWords(16)) s16.push_back(static_cast<std::int16_t>(w));
    EXPECT_EQ(EncodeWords(EdgeWords(16), 16), EncodeSamples16(s16));
    // Values beyond the format clip instead of wrapping into the other sign.
    const auto clipped = EncodeWords(std::vector<std::int32_t>{200, -200}, 8);
    CFlintkitSamplePatch p;
    p.SetSampleData(clipped, 0);
    p.SetFormat(8);
    p.SetLength(2);
    EXPECT_EQ(p.GetWords(), (std::vector<std::int32_t>{127, -128}));
}

TEST(FlintkitDepth, TwentyFourBitImportKeepsTheTopBitsAtAnyDepth) {
    std::vector<int> values;  // 24-bit values, left-justified
    std::vector<std::int32_t> v24;
    for (std::int32_t v : {-8388608, -8388607, -129, -128, -127, -1, 0, 1, 127, 128, 129, 0x123456, 8388607}) {
        v24.push_back(v);
        values.push_back(static_cast<int>(static_cast<std::uint32_t>(v) << 8));
    }
    const std::string path = WriteWave32("deep.wav", SF_FORMAT_PCM_24, values);
    const CWaveFacts facts = ProbeWave(path);
    EXPECT_EQ(facts.bits, 24);
    EXPECT_EQ(facts.channels, 1);
    EXPECT_EQ(facts.frames, static_cast<std::int64_t>(v24.size()));

    const auto at24 = ImportWave(path, 0, {WaveChannel::Mix, 24});
    EXPECT_EQ(at24->GetFormat(), 24);
    EXPECT_EQ(at24->GetWords(), v24);
    const auto at16 = ImportWave(path, 0, {});
    EXPECT_EQ(at16->GetFormat(), 16);
    const auto w16 = at16->GetWords();
    ASSERT_EQ(w16.size(), v24.size());
    for (std::size_t i = 0; i < v24.size(); ++i) {
        // Rounded to the nearest 16-bit value, the loudest kept inside the range.
        const auto expected =
            std::clamp<std::int32_t>(static_cast<std::int32_t>(std::round(v24[i] / 256.0)), -32768, 32767);
        EXPECT_EQ(w16[i], expected) << v24[i];
    }

    // A 24-bit dump exports as a 24-bit file, a 28-bit one as 32 bits; nothing is lost.
    const std::string out = (TempDir() / "deep-out.wav").string();
    ExportWave(*at24, out);
    EXPECT_EQ(FileSubformat(out), SF_FORMAT_PCM_24);
    EXPECT_EQ(ImportWave(out, 0, {WaveChannel::Mix, 24})->GetWords(), v24);
    const auto at28 = ImportWave(path, 0, {WaveChannel::Mix, 28});
    ExportWave(*at28, out);
    EXPECT_EQ(FileSubformat(out), SF_FORMAT_PCM_32);
    EXPECT_EQ(ImportWave(out, 0, {WaveChannel::Mix, 28})->GetWords(), at28->GetWords());
    EXPECT_EQ(at28->GetWords()[11], 0x1234560);

    EXPECT_THROW(ImportWave(path, 0, {WaveChannel::Mix, 7}), std::invalid_argument);
    EXPECT_THROW(ImportWave(path, 0, {WaveChannel::Mix, 29}), std::invalid_argument);
}

TEST(FlintkitDepth, ConvertingTheFormatRebuildsThePacketsAndKeepsTheHeader) {
    std::vector<std::int32_t> words{-32768, -32767, -129, -128, -1, 0, 1, 127, 128, 255, 32767};
    for (int i = 0; i < 100; ++i) words.push_back(i * 300 - 15000);
    auto patch = SampleToPatch(CWaveSample{32000, words, CWaveLoop{kLoopAlternating, 3, 90}, 16}, 5);
    patch->SetSampleNumber(1234);
    const auto original = *patch;

    patch->ConvertFormat(24);
    EXPECT_EQ(patch->GetFormat(), 24);
    EXPECT_EQ(patch->GetPacketCount(), PacketsForLength(static_cast<int>(words.size()), 24));
    EXPECT_TRUE(BadPacketChecksums(patch->Data()).empty());
    for (const int offset : {2, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19})
        EXPECT_EQ(patch->Data()[offset], original.Data()[offset]) << offset;
    const auto wide = patch->GetWords();
    for (std::size_t i = 0; i < words.size(); ++i) ASSERT_EQ(wide[i], words[i] * 256) << i;
    EXPECT_EQ(patch->GetSamples(), original.GetSamples());

    // Back to 16 bits: the same dump, byte for byte.
    patch->ConvertFormat(16);
    EXPECT_EQ(std::vector(patch->Data().begin(), patch->Data().end()),
              std::vector(original.Data().begin(), original.Data().end()));

    // Narrower rounds to the nearest and keeps the loudest in range.
    patch->ConvertFormat(8);
    const auto narrow = patch->GetWords();
    EXPECT_EQ(narrow[0], -128);
    EXPECT_EQ(narrow[2], -1);  // -129 / 256 = -0.504
    EXPECT_EQ(narrow[3], 0);  // -0.5 rounds up
    EXPECT_EQ(narrow[8], 1);  // 128 / 256 = 0.5
    EXPECT_EQ(narrow[10], 127);  // 32767 / 256 = 127.996, not 128
    EXPECT_EQ(patch->GetSampleNumber(), 1234);
    EXPECT_EQ(patch->GetLoopEnd(), 90);
}

// Each choice takes exactly its channel of the file as libsndfile reads it. (The
// field file's two channels happen to be equal; the synthetic ramps of
// ChannelsAndFormatsConvertToSixteenBits cover channels that differ.)
TEST(FlintkitDepth, FieldStereoFileGivesEachChannelItsOwnSamples) {
    TONALITH_FIELD_DATA_OR_SKIP(dir);
    const std::string path = (dir / "wav" / "reaper_stereo16_8k_smpl_1loop_junk.wav").string();
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(info.channels, 2);
    std::vector<short> frames(static_cast<std::size_t>(info.frames) * 2);
    ASSERT_EQ(sf_readf_short(f, frames.data(), info.frames), info.frames);
    sf_close(f);

    const auto left = ImportWave(path, 0, {WaveChannel::Left})->GetSamples();
    const auto right = ImportWave(path, 0, {WaveChannel::Right})->GetSamples();
    const auto mix = ImportWave(path, 0, {})->GetSamples();
    ASSERT_EQ(left.size(), static_cast<std::size_t>(info.frames));
    ASSERT_EQ(right.size(), left.size());
    ASSERT_EQ(mix.size(), left.size());
    for (std::size_t i = 0; i < left.size(); ++i) {
        ASSERT_EQ(left[i], frames[2 * i]) << i;
        ASSERT_EQ(right[i], frames[2 * i + 1]) << i;
        ASSERT_LE(std::abs(2 * mix[i] - (left[i] + right[i])), 1) << i;
    }
}

// A disk that fills up halfway through the export: the old file stays as it
// was and no temporary file is left beside it. (A file size limit fails the
// write for root too, where a read-only folder would not.)
TEST(FlintkitDepth, ExportThatFailsToWriteLeavesTheOldFile) {
    const fs::path dir = TempDir() / "full";
    fs::create_directories(dir);
    const std::string target = (dir / "keep.wav").string();
    const std::vector<std::uint8_t> old{'o', 'l', 'd'};
    tonalith::test::WriteFile(target, old);

    std::vector<std::int32_t> samples(20000);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int32_t>(i % 2000) - 1000;
    const auto patch = SampleToPatch(CWaveSample{22050, samples, std::nullopt, 16}, 0);

    int code = 0;
    try {
        const tonalith::faults::CFileSizeLimit limit(4096);
        ExportWave(*patch, target);
    } catch (const CWaveException& e) {
        code = e.GetCode();
    }
    EXPECT_EQ(code, kTextWriteError);
    EXPECT_EQ(tonalith::test::ReadFile(target), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    ExportWave(*patch, target);
    EXPECT_EQ(ImportWave(target, 0)->GetWords(), samples);
}
