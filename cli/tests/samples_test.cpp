// Sample conversions through the executable, on WAV files the test writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "CliRunner.h"
#include "TestSupport.h"

using clitest::Cli;
namespace fs = std::filesystem;

namespace {

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<std::uint8_t>& out, unsigned v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// A plain RIFF/WAVE file: fmt and data chunks, 16-bit samples.
std::vector<std::uint8_t> Wave(const std::vector<std::int16_t>& samples, int channels, int rate) {
    std::vector<std::uint8_t> w{'R', 'I', 'F', 'F'};
    Put32(w, 36 + static_cast<unsigned>(samples.size() * 2));
    for (char c : std::string("WAVEfmt ")) w.push_back(static_cast<std::uint8_t>(c));
    Put32(w, 16);
    Put16(w, 1);
    Put16(w, static_cast<unsigned>(channels));
    Put32(w, static_cast<unsigned>(rate));
    Put32(w, static_cast<unsigned>(rate * channels * 2));
    Put16(w, static_cast<unsigned>(channels * 2));
    Put16(w, 16);
    for (char c : std::string("data")) w.push_back(static_cast<std::uint8_t>(c));
    Put32(w, static_cast<unsigned>(samples.size() * 2));
    for (const std::int16_t s : samples) Put16(w, static_cast<std::uint16_t>(s));
    return w;
}

std::vector<std::int16_t> Ramp(int count) {
    std::vector<std::int16_t> samples;
    for (int i = 0; i < count; ++i) samples.push_back(static_cast<std::int16_t>((i * 977) % 65536 - 32768));
    return samples;
}

}  // namespace

TEST(cliSamples, WaveToDumpAndBackKeepsEverySample) {
    const fs::path dir = clitest::Scratch();
    const auto samples = Ramp(1000);
    tonalith::test::WriteFile(dir / "in.wav", Wave(samples, 1, 22050));
    const std::string dump = (dir / "dump.syx").string();
    const auto r = Cli({"wav2sds", (dir / "in.wav").string(), dump, "--number", "300"});
    ASSERT_EXIT_CODE(r, 0);
    const auto bytes = tonalith::test::ReadFile(dump);
    ASSERT_GT(bytes.size(), 21u);
    EXPECT_EQ(bytes[0], 0xF0);
    EXPECT_EQ(bytes[3], 0x01);  // the dump header
    EXPECT_EQ(bytes[4] | (bytes[5] << 7), 300);  // sample number, 14 bits LSB first

    EXPECT_EQ(Cli({"info", dump, "--json"}).Json()["memory"]["name"], "Midi Sample Dump Standard");
    const std::string back = (dir / "back.wav").string();
    ASSERT_EXIT_CODE(Cli({"sds2wav", dump, back}), 0);
    const auto wav = tonalith::test::ReadFile(back);
    // The data chunk holds the same samples.
    const auto source = Wave(samples, 1, 22050);
    const std::vector<std::uint8_t> expected(source.begin() + 44, source.end());
    auto at = std::search(wav.begin(), wav.end(), expected.begin(), expected.end());
    EXPECT_NE(at, wav.end());
}

TEST(cliSamples, StereoTakesTheChosenChannel) {
    const fs::path dir = clitest::Scratch();
    // Frames of (left, right) = (1000, 3000): left 1000, right 3000, mix 2000.
    std::vector<std::int16_t> frames;
    for (int i = 0; i < 100; ++i) frames.insert(frames.end(), {1000, 3000});
    tonalith::test::WriteFile(dir / "stereo.wav", Wave(frames, 2, 8000));
    for (const auto& [channel, value] : {std::pair{"", 2000}, {"mix", 2000}, {"left", 1000}, {"right", 3000}}) {
        std::vector<std::string> args{"wav2sds", (dir / "stereo.wav").string(), (dir / "out.syx").string()};
        if (*channel) args.insert(args.end(), {"--channel", channel});
        const auto r = Cli(args);
        ASSERT_EXIT_CODE(r, 0);
        EXPECT_NE(r.out.find("100 samples at 8000 Hz"), std::string::npos) << r.out;
        ASSERT_EXIT_CODE(Cli({"sds2wav", (dir / "out.syx").string(), (dir / "back.wav").string()}), 0);
        const auto wav = tonalith::test::ReadFile(dir / "back.wav");
        std::vector<std::uint8_t> run;
        for (int i = 0; i < 10; ++i) Put16(run, static_cast<unsigned>(value));
        EXPECT_NE(std::search(wav.begin(), wav.end(), run.begin(), run.end()), wav.end()) << channel;
    }
    EXPECT_EXIT_CODE(Cli({"wav2sds", (dir / "stereo.wav").string(), (dir / "out.syx").string(), "--channel", "both"}),
                     2);
}

TEST(cliSamples, BitsChooseTheDumpsFormat) {
    const fs::path dir = clitest::Scratch();
    tonalith::test::WriteFile(dir / "in.wav", Wave(Ramp(100), 1, 8000));
    const std::string dump = (dir / "deep.syx").string();
    auto r = Cli({"wav2sds", (dir / "in.wav").string(), dump, "--bits", "24"});
    ASSERT_EXIT_CODE(r, 0);
    EXPECT_NE(r.out.find("100 samples at 8000 Hz, 24 bit"), std::string::npos) << r.out;
    const auto bytes = tonalith::test::ReadFile(dump);
    ASSERT_GT(bytes.size(), 21u);
    EXPECT_EQ(bytes[6], 24);
    // 4 bytes a word, 30 words a packet: 100 samples take 4 packets.
    EXPECT_EQ(bytes.size(), 21u + 4 * 127u);
    for (const char* bits : {"7", "29", "x"}) {
        r = Cli({"wav2sds", (dir / "in.wav").string(), (dir / "bad.syx").string(), "--bits", bits});
        EXPECT_EXIT_CODE(r, 2);
        EXPECT_FALSE(fs::exists(dir / "bad.syx"));
    }
    EXPECT_NE(r.err.find("--bits"), std::string::npos) << r.err;
    r = Cli({"wav2sds", (dir / "in.wav").string(), (dir / "bad.syx").string(), "--bits", "29"});
    EXPECT_NE(r.err.find("8 to 28"), std::string::npos) << r.err;
}

TEST(cliSamples, RefusesWhatADumpCannotHold) {
    const fs::path dir = clitest::Scratch();
    tonalith::test::WriteFile(dir / "noise.wav", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'J', 'U', 'N', 'K'});
    auto r = Cli({"wav2sds", (dir / "noise.wav").string(), (dir / "out.syx").string()});
    EXPECT_EXIT_CODE(r, 1);
    EXPECT_NE(r.err.find("noise.wav"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Not a wave file"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "out.syx"));

    tonalith::test::WriteFile(dir / "mono.wav", Wave(Ramp(20), 1, 8000));
    EXPECT_EXIT_CODE(Cli({"wav2sds", (dir / "mono.wav").string(), (dir / "out.syx").string(), "--number", "16384"}), 2);
    EXPECT_EXIT_CODE(Cli({"wav2sds", (dir / "missing.wav").string(), (dir / "out.syx").string()}), 1);

    // Not a sample dump, and a dump cut short.
    tonalith::test::WriteFile(dir / "other.syx", {0xF0, 0x41, 0x10, 0x6A, 0x12, 0xF7});
    EXPECT_EXIT_CODE(Cli({"sds2wav", (dir / "other.syx").string(), (dir / "x.wav").string()}), 1);
    ASSERT_EXIT_CODE(Cli({"wav2sds", (dir / "mono.wav").string(), (dir / "good.syx").string()}), 0);
    auto cut = tonalith::test::ReadFile(dir / "good.syx");
    cut.resize(cut.size() - 30);
    tonalith::test::WriteFile(dir / "cut.syx", cut);
    r = Cli({"sds2wav", (dir / "cut.syx").string(), (dir / "x.wav").string()});
    EXPECT_EXIT_CODE(r, 1);
    EXPECT_FALSE(fs::exists(dir / "x.wav"));
}

TEST(cliSamples, FieldWaveFiles) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    const fs::path dir = clitest::Scratch();
    for (const auto& entry : fs::directory_iterator(data / "wav")) {
        const auto r = Cli({"wav2sds", entry.path().string(), (dir / "out.syx").string()});
        const bool damaged = entry.path().filename() == "jstrait_invalid_smpl_chunk_empty.wav";
        EXPECT_EXIT_CODE(r, damaged ? 1 : 0) << entry.path() << '\n' << r.err;
        if (damaged) {
            EXPECT_NE(r.err.find("SMPL chunk"), std::string::npos) << r.err;
        }
    }
    ASSERT_EXIT_CODE(
        Cli({"wav2sds", (data / "wav" / "707bd_mono16_smpl_akai_noloops.wav").string(), (dir / "bd.syx").string()}), 0);
    EXPECT_EXIT_CODE(Cli({"sds2wav", (dir / "bd.syx").string(), (dir / "bd.wav").string()}), 0);
}
