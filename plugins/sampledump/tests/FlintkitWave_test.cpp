// WAV import and export, the tools, and the field WAV files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <regex>
#include <thread>

#include "Commands.h"
#include "FlintkitMemory.h"
#include "FlintkitPatch.h"
#include "FlintkitWave.h"
#include "TestSupport.h"
#include "Ui.h"

using namespace flintkit;
namespace fs = std::filesystem;
using tonalith::test::TempDir;

namespace {

void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
}
void Put16(std::vector<std::uint8_t>& v, std::uint16_t x) {
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}
void Chunk(std::vector<std::uint8_t>& v, const char* id, const std::vector<std::uint8_t>& body) {
    v.insert(v.end(), id, id + 4);
    Put32(v, static_cast<std::uint32_t>(body.size()));
    v.insert(v.end(), body.begin(), body.end());
}

// A RIFF WAVE file written byte by byte, so tests can make what libsndfile would not.
std::vector<std::uint8_t> RawWave(int channels, int bits, int rate, std::span<const std::int16_t> samples,
                                  std::optional<std::array<std::uint32_t, 3>> loop = {}) {
    std::vector<std::uint8_t> fmt;
    Put16(fmt, 1);
    Put16(fmt, static_cast<std::uint16_t>(channels));
    Put32(fmt, static_cast<std::uint32_t>(rate));
    Put32(fmt, static_cast<std::uint32_t>(rate * channels * bits / 8));
    Put16(fmt, static_cast<std::uint16_t>(channels * bits / 8));
    Put16(fmt, static_cast<std::uint16_t>(bits));
    std::vector<std::uint8_t> body{'W', 'A', 'V', 'E'};
    Chunk(body, "fmt ", fmt);
    if (loop) {  // type, start, end
        std::vector<std::uint8_t> smpl;
        for (std::uint32_t x : {0u, 0u, 22675u, 60u, 0u, 0u, 0u, 1u, 0u}) Put32(smpl, x);
        for (std::uint32_t x : {0u, (*loop)[0], (*loop)[1], (*loop)[2], 0u, 0u}) Put32(smpl, x);
        Chunk(body, "smpl", smpl);
    }
    std::vector<std::uint8_t> data;
    for (const std::int16_t s : samples)
        for (int c = 0; c < channels; ++c) {
            if (bits == 8) data.push_back(static_cast<std::uint8_t>((s >> 8) + 128));
            else Put16(data, static_cast<std::uint16_t>(s));
        }
    Chunk(body, "data", data);
    std::vector<std::uint8_t> file{'R', 'I', 'F', 'F'};
    Put32(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

std::vector<std::int16_t> Noise(int n) {
    std::vector<std::int16_t> s(static_cast<std::size_t>(n));
    std::uint32_t x = 12345;
    for (auto& v : s) v = static_cast<std::int16_t>((x = x * 1103515245u + 12345u) >> 16);
    return s;
}

std::vector<std::int32_t> Wide(const std::vector<std::int16_t>& samples) { return {samples.begin(), samples.end()}; }

std::string Write(const std::vector<std::uint8_t>& bytes, const std::string& name) {
    const fs::path path = TempDir() / name;
    tonalith::test::WriteFile(path, bytes);
    return path.string();
}

int ImportError(const std::string& path) {
    try {
        ImportWave(path, 0);
    } catch (const CWaveException& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        return e.GetCode();
    }
    return 0;
}

CFlintkitSamplePatch& SampleOf(CFlintkitSynthMemory& m) {
    return static_cast<CFlintkitSamplePatch&>(*m.GetLayer(0).GetPatch(0));
}

}  // namespace

TEST(FlintkitWave, ImportExportImportKeepsSamplesRateAndLoop) {
    const auto samples = Noise(1001);
    for (const auto& [smplType, dumpType] :
         {std::pair{0u, kLoopForward}, {1u, kLoopAlternating}, {2u, kLoopAlternating}}) {
        const std::string in = Write(RawWave(1, 16, 22050, samples, std::array{smplType, 100u, 900u}), "in.wav");
        const auto a = ImportWave(in, 0);
        EXPECT_EQ(a->GetSamples(), samples);
        EXPECT_EQ(a->GetPeriod(), 45351);
        EXPECT_EQ(a->GetRate(), 22050);
        EXPECT_EQ(a->GetLength(), 1001);
        EXPECT_EQ(a->GetLoopType(), dumpType);
        EXPECT_EQ(a->GetLoopStart(), 100);
        EXPECT_EQ(a->GetLoopEnd(), 900);

        const std::string out = (TempDir() / "out.wav").string();
        ExportWave(*a, out);
        const auto b = ImportWave(out, 0);
        EXPECT_TRUE(b->IsEqual(*a));

        // The loop record is standard: frames, type 0 forward / 1 alternating.
        const auto bytes = tonalith::test::ReadFile(out);
        const auto at = std::search(bytes.begin(), bytes.end(), "smpl", "smpl" + 4) - bytes.begin();
        ASSERT_LT(at + 68, static_cast<long>(bytes.size()));
        auto u32 = [&](long o) {
            std::uint32_t v;
            std::memcpy(&v, &bytes[static_cast<std::size_t>(o)], 4);
            return v;
        };
        EXPECT_EQ(u32(at + 8 + 28), 1u);
        EXPECT_EQ(u32(at + 8 + 40), dumpType == kLoopAlternating ? 1u : 0u);
        EXPECT_EQ(u32(at + 8 + 44), 100u);
        EXPECT_EQ(u32(at + 8 + 48), 900u);
    }
}

TEST(FlintkitWave, NoLoopOldByteLoopsAndBadFiles) {
    const auto samples = Noise(500);
    const auto plain = ImportWave(Write(RawWave(1, 16, 44100, samples), "plain.wav"), 0);
    EXPECT_EQ(plain->GetLoopType(), kLoopOff);
    EXPECT_EQ(plain->GetLoopStart(), 63);
    EXPECT_EQ(plain->GetPeriod(), 22676);
    const std::string out = (TempDir() / "noloop.wav").string();
    ExportWave(*plain, out);
    EXPECT_FALSE(ImportWave(out, 0)->GetLoopType() != kLoopOff);

    // Written with loop points in bytes: the end lies beyond the sample.
    const auto old = ImportWave(Write(RawWave(1, 16, 44100, samples, std::array{2u, 200u, 980u}), "old.wav"), 0);
    EXPECT_EQ(old->GetLoopType(), kLoopAlternating);
    EXPECT_EQ(old->GetLoopStart(), 100);
    EXPECT_EQ(old->GetLoopEnd(), 490);

    // Stereo with equal channels mixes to the same samples; 8 bits are scaled up.
    EXPECT_EQ(ImportWave(Write(RawWave(2, 16, 44100, samples), "stereo.wav"), 0)->GetSamples(), samples);
    std::vector<std::int16_t> scaled;
    for (const std::int16_t s : samples) scaled.push_back(static_cast<std::int16_t>((s >> 8) * 256));
    EXPECT_EQ(ImportWave(Write(RawWave(1, 8, 44100, samples), "8bit.wav"), 0)->GetSamples(), scaled);
    EXPECT_EQ(ImportError(Write({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'I', 'F', 'F'}, "x.wav")), kTextNotWave);
    EXPECT_EQ(ImportError((TempDir() / "missing.wav").string()), kTextCannotOpen);
    auto noData = RawWave(1, 16, 44100, samples);
    noData.resize(36);
    EXPECT_EQ(ImportError(Write(noData, "nodata.wav")), kTextNoData);

    CFlintkitSamplePatch empty;
    EXPECT_THROW(ExportWave(empty, out), CWaveException);
    EXPECT_FALSE(ImportWave(out, 0)->IsEmpty());  // the earlier export is untouched
}

TEST(FlintkitWave, TooLongIsRefusedNotCut) {
    const std::vector<std::int16_t> samples(static_cast<std::size_t>(kMaxSampleLength) + 1, 0);
    EXPECT_EQ(ImportError(Write(RawWave(1, 16, 44100, samples), "long.wav")), kTextTooLong);
}

// The export goes through the framework's save: a file keeps its permissions, a
// link stays a link, and a FIFO is written to, not replaced.
TEST(FlintkitWave, ExportKeepsLinksAndWritesToAFifo) {
    const auto patch = SampleToPatch(CWaveSample{22050, Wide(Noise(321)), CWaveLoop{kLoopForward, 10, 300}}, 0);
    const fs::path dir = TempDir() / "targets";
    fs::create_directories(dir);
    const std::string plain = (dir / "plain.wav").string();
    ExportWave(*patch, plain);
    const auto expected = tonalith::test::ReadFile(plain);
    ASSERT_FALSE(expected.empty());

    // The file replaced keeps its permissions, not those of a private temporary file.
    const auto shared = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;
    fs::permissions(plain, shared);
    ExportWave(*patch, plain);
    EXPECT_EQ(fs::status(plain).permissions() & fs::perms::mask, shared);

    tonalith::test::WriteFile(dir / "real.wav", {1, 2, 3});
    const auto groupOnly = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(dir / "real.wav", groupOnly);
    fs::create_symlink("real.wav", dir / "link.wav");
    ExportWave(*patch, (dir / "link.wav").string());
    EXPECT_TRUE(fs::is_symlink(dir / "link.wav"));
    EXPECT_EQ(fs::read_symlink(dir / "link.wav"), fs::path("real.wav"));
    EXPECT_EQ(tonalith::test::ReadFile(dir / "real.wav"), expected);
    EXPECT_EQ(fs::status(dir / "real.wav").permissions() & fs::perms::mask, groupOnly);

    // The reader uses a second name of the FIFO, so an export that replaced the
    // first name still ends the test instead of leaving the reader waiting.
    const fs::path fifo = dir / "out.fifo";
    const fs::path readerName = dir / "reader.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::link(fifo.c_str(), readerName.c_str()), 0);
    std::vector<std::uint8_t> received;
    std::thread reader([&] {
        const int fd = ::open(readerName.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return;
        std::uint8_t buffer[4096];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            received.insert(received.end(), buffer, buffer + n);
        ::close(fd);
    });
    bool exported = true;
    try {
        ExportWave(*patch, fifo.string());
    } catch (const CWaveException& e) {
        exported = false;
        ADD_FAILURE() << e.what();
    }
    struct stat info {};
    const bool stillFifo = ::lstat(fifo.c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
    if (!exported || !stillFifo) {
        // Nothing was written to the FIFO: give the reader its end of file.
        const int fd = ::open(readerName.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd >= 0) ::close(fd);
    }
    reader.join();
    EXPECT_TRUE(stillFifo);
    EXPECT_EQ(received, expected);
}

TEST(FlintkitWave, ExportReadByAnIndependentTool) {
    if (std::system("command -v sndfile-info >/dev/null 2>&1") != 0) GTEST_SKIP() << "sndfile-info not installed";
    const auto a = SampleToPatch(CWaveSample{48000, Wide(Noise(777)), CWaveLoop{kLoopAlternating, 7, 700}}, 0);
    const std::string out = (TempDir() / "info.wav").string();
    ExportWave(*a, out);
    std::string text;
    if (FILE* pipe = ::popen(("sndfile-info '" + out + "'").c_str(), "r")) {
        char buf[512];
        while (std::fgets(buf, sizeof buf, pipe)) text += buf;
        ::pclose(pipe);
    }
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(Sample Rate\s*:\s*48000)"))) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(Frames\s*:\s*777)"))) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(Type :\s*1\s+Start :\s*7\s+End :\s*700)"))) << text;
}

TEST(FlintkitWave, ToolsReplaceTheSampleUndoablyAndReportFailures) {
    CFlintkitSynthMemory memory;
    CScopedScriptedUi ui;
    GetFlintkitSynth().GetConfig().SetReadOnly(true);  // this run only
    GetFlintkitSynth().SetDeviceId(17);
    const std::string good = Write(RawWave(1, 16, 32000, Noise(90)), "good.wav");
    ui->files = {good};
    CCmdManager commands(nullptr);
    memory.GetAdditionalTool(0).Execute(CToolContext{&commands});
    GetFlintkitSynth().SetDeviceId(0);
    const auto& sample = SampleOf(memory);
    ASSERT_FALSE(sample.IsEmpty());
    EXPECT_EQ(sample.GetDeviceId(), 17);
    EXPECT_EQ(sample.Data()[kHeaderSize + 2], 17);
    EXPECT_EQ(sample.GetRate(), 32000);
    ASSERT_TRUE(commands.CanUndo());
    commands.Undo();
    EXPECT_TRUE(SampleOf(memory).IsEmpty());
    commands.Redo();

    const CFlintkitSamplePatch before = SampleOf(memory);
    ui->files = {Write({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'I', 'F', 'F'}, "notwave.wav")};
    memory.GetAdditionalTool(0).Execute(CToolContext{});
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_NE(ui->messages[0].find("Not a wave file"), std::string::npos);
    EXPECT_NE(ui->messages[0].find("notwave.wav"), std::string::npos);
    EXPECT_TRUE(SampleOf(memory).IsEqual(before));

    const std::string exported = (TempDir() / "tool.wav").string();
    ui->files = {exported};
    memory.GetAdditionalTool(1).Execute(CToolContext{});
    EXPECT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ImportWave(exported, 0)->GetSamples(), Noise(90));
}

TEST(FlintkitWave, FieldWavesImportOrFailWithTheRightMessage) {
    TONALITH_FIELD_DATA_OR_SKIP(dir);
    // Frames and rate as soxi reads them; a smpl chunk too short for its header is
    // refused with the chunk named, one cut short costs only the loop.
    const std::map<std::string, std::pair<int, int>> expected{
        {"707bd_mono16_smpl_akai_noloops.wav", {4400, 44100}},
        {"jstrait_invalid_smpl_chunk_empty.wav", {-kTextSmplChunk, 0}},
        {"jstrait_invalid_smpl_chunk_truncated.wav", {2240, 44100}},
        {"jstrait_valid_with_smpl_chunk_after_data_chunk_and_data_chunk_has_padding_byte.wav", {2241, 44100}},
        {"jstrait_valid_with_smpl_chunk_no_loops.wav", {2240, 44100}},
        {"jstrait_valid_with_smpl_chunk_with_extra_unused_bytes.wav", {2240, 44100}},
        {"reaper_stereo16_8k_smpl_1loop_junk.wav", {24000, 8000}},
    };
    CFlintkitSynthMemory memory;
    CScopedScriptedUi ui;
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(dir / "wav")) {
        if (entry.path().extension() != ".wav") continue;
        ++seen;
        const std::string name = entry.path().filename().string();
        const CFlintkitSamplePatch before = SampleOf(memory);
        ui->messages.clear();
        ui->files = {entry.path().string()};
        memory.GetAdditionalTool(0).Execute(CToolContext{});
        const auto it = expected.find(name);
        if (ui->messages.empty()) {
            EXPECT_EQ(SampleOf(memory).GetLength(), static_cast<int>(SampleOf(memory).GetSamples().size()));
            if (it != expected.end()) {
                EXPECT_EQ(SampleOf(memory).GetLength(), it->second.first) << name;
                EXPECT_EQ(SampleOf(memory).GetRate(), it->second.second) << name;
            }
        } else {
            EXPECT_TRUE(it == expected.end() || it->second.first < 0) << name << ": " << ui->messages[0];
            if (it != expected.end()) {
                EXPECT_EQ(ImportError(entry.path().string()), -it->second.first) << name;
            }
            EXPECT_TRUE(SampleOf(memory).IsEqual(before)) << name;
            EXPECT_NE(ui->messages[0].find(name), std::string::npos) << ui->messages[0];
        }
        for (const auto& m : ui->messages) {
            EXPECT_EQ(m.find("only mono"), std::string::npos) << m;
            EXPECT_EQ(m.find("only 16 bit"), std::string::npos) << m;
        }
    }
    EXPECT_GE(seen, 7);
    const auto bd = ImportWave((dir / "wav" / "707bd_mono16_smpl_akai_noloops.wav").string(), 0);
    EXPECT_EQ(bd->GetLength(), 4400);
    EXPECT_EQ(bd->GetRate(), 44100);
    EXPECT_EQ(bd->GetLoopType(), kLoopOff);
}

TEST(FlintkitWave, ChannelsAndFormatsConvertToSixteenBits) {
    // Left a ramp, right its negation: left, right and their mean (zero) differ.
    const int n = 300;
    std::vector<float> frames;
    for (int i = 0; i < n; ++i) {
        const float v = static_cast<float>(i - n / 2) / static_cast<float>(n);
        frames.push_back(v);
        frames.push_back(-v);
    }
    for (const int sub : {SF_FORMAT_PCM_24, SF_FORMAT_PCM_32, SF_FORMAT_FLOAT, SF_FORMAT_PCM_U8}) {
        const std::string path = (TempDir() / "two.wav").string();
        SF_INFO info{};
        info.samplerate = 32000;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | sub;
        SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(sf_writef_float(f, frames.data(), n), n);
        sf_close(f);

        const auto left = ReadWave(path, {WaveChannel::Left});
        const auto right = ReadWave(path, {WaveChannel::Right});
        const auto mix = ReadWave(path, {WaveChannel::Mix});
        ASSERT_EQ(left.samples.size(), static_cast<std::size_t>(n)) << sub;
        EXPECT_EQ(left.rate, 32000);
        const int tolerance = sub == SF_FORMAT_PCM_U8 ? 256 : 1;
        for (int i = 0; i < n; i += 37) {
            const auto k = static_cast<std::size_t>(i);
            EXPECT_NEAR(left.samples[k], frames[2 * k] * 32768.0f, tolerance) << sub << " " << i;
            EXPECT_NEAR(right.samples[k], -left.samples[k], tolerance) << sub << " " << i;
            EXPECT_NEAR(mix.samples[k], 0, tolerance) << sub << " " << i;
        }
    }
    EXPECT_EQ(ParseWaveChannel("left"), WaveChannel::Left);
    EXPECT_EQ(ParseWaveChannel("mix"), WaveChannel::Mix);
    EXPECT_FALSE(ParseWaveChannel("both"));
}
