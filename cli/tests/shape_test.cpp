// A file keeps its shape through the command line: messages no plug-in reads
// survive an edit in place, a single patch stays its own layer, and send sends
// the file as it is.
#include <gtest/gtest.h>

#include <cstdlib>

#include "CliRunner.h"
#include "TestSupport.h"

using clitest::Cli;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kJvPatchRecord = 643;  // one JV-1080 patch: common and four tones
// The plug-in writes records in the length of the generation set up; these
// tests set the JV-1080 where they compare lengths with the field files.
const std::string kJv1080 = "WHICHSYNTH=0";

// The size of the file that writing these layers of path gives.
std::uintmax_t WrittenSize(const std::string& path, const std::string& layers) {
    const fs::path out = clitest::Scratch() / "layers.syx";
    const auto r = Cli({"convert", path, out.string(), "--layers", layers});
    EXPECT_EXIT_CODE(r, 0);
    return r.exitCode == 0 ? fs::file_size(out) : 0;
}

std::vector<std::uint8_t> Cat(const fs::path& a, const fs::path& b) {
    auto bytes = tonalith::test::ReadFile(a);
    const auto more = tonalith::test::ReadFile(b);
    bytes.insert(bytes.end(), more.begin(), more.end());
    return bytes;
}

// The in-process loopback stands in for a MIDI system in the child's run.
class ScopedLoopback {
public:
    ScopedLoopback() { ::setenv("TONALITH_MIDI_API", "Loopback", 1); }
    ~ScopedLoopback() { ::unsetenv("TONALITH_MIDI_API"); }
    ScopedLoopback(const ScopedLoopback&) = delete;
    ScopedLoopback& operator=(const ScopedLoopback&) = delete;
};

}  // namespace

TEST(cliShape, AnotherInstrumentsDumpSurvivesConvertInPlace) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    const fs::path dir = clitest::Scratch();
    const fs::path mixed = dir / "mixed.syx";
    const auto original = Cat(data / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx",
                              data / "other" / "Korg_DW-8000_Collection_with_program_changes.syx");
    tonalith::test::WriteFile(mixed, original);

    const auto r = Cli({"convert", mixed.string(), mixed.string(), "--set", kJv1080});
    ASSERT_EXIT_CODE(r, 0);
    // 64 dumps and 64 write requests; a program change before each dump.
    EXPECT_NE(r.err.find("kept 128 messages and 128 bytes between messages that no layer reads (4224 bytes)"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(mixed.string()), std::string::npos) << r.err;
    const auto after = tonalith::test::ReadFile(mixed);
    EXPECT_EQ(after.size(), original.size());
    EXPECT_TRUE(after == original) << "the file changed on a convert in place";

    const auto info = Cli({"info", mixed.string(), "--json"});
    ASSERT_EXIT_CODE(info, 0);
    EXPECT_EQ(info.Json()["unread"]["bytes"], 4224);
    EXPECT_EQ(info.Json()["unread"]["messages"], 128);

    // Chosen layers leave the kept messages out.
    const fs::path layer = dir / "layer.syx";
    ASSERT_EXIT_CODE(Cli({"convert", mixed.string(), layer.string(), "--layers", "0", "--set", kJv1080}), 0);
    EXPECT_EQ(fs::file_size(layer), 128 * kJvPatchRecord);
}

TEST(cliShape, ASinglePatchFileIsMarkedAndKeepsItsLayer) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    const fs::path single = data / "jv" / "JV1080_Super_JV_Pad_slot108.syx";
    ASSERT_EQ(fs::file_size(single), kJvPatchRecord);

    const auto r = Cli({"info", single.string(), "--json"});
    ASSERT_EXIT_CODE(r, 0);
    const auto layers = r.Json()["layers"];
    ASSERT_EQ(layers.size(), 7u);
    EXPECT_EQ(layers[0]["in_file"], true);
    for (std::size_t l = 1; l < layers.size(); ++l) EXPECT_EQ(layers[l]["in_file"], false) << l;
    for (std::size_t i = 0; i < layers[0]["patches"].size(); ++i)
        EXPECT_EQ(layers[0]["patches"][i]["in_file"], i == 107) << i;
    EXPECT_EQ(layers[2]["patches"][0]["in_file"], false);

    const fs::path dir = clitest::Scratch();
    const std::string out = (dir / "out.syx").string();
    const std::uintmax_t patchLayer = WrittenSize(single.string(), "0");
    std::uintmax_t allLayers = 0;
    for (int l = 0; l < 7; ++l) allLayers += WrittenSize(single.string(), std::to_string(l));
    ASSERT_EXIT_CODE(Cli({"convert", single.string(), out}), 0);
    EXPECT_EQ(fs::file_size(out), patchLayer);  // the layer the file held, in its bank form
    const auto converted = Cli({"info", out, "--json"}).Json()["layers"];
    EXPECT_EQ(converted[0]["in_file"], true);
    EXPECT_EQ(converted[1]["in_file"], false);
    EXPECT_EQ(converted[0]["patches"][107]["name"].get<std::string>().rfind("Super JV Pad", 0), 0u);

    ASSERT_EXIT_CODE(Cli({"convert", single.string(), out, "--all-layers"}), 0);
    EXPECT_EQ(fs::file_size(out), allLayers);
    EXPECT_EXIT_CODE(Cli({"convert", single.string(), out, "--all-layers", "--layers", "0"}), 2);

    // An edit keeps the shape; an edit of a layer the file did not hold adds that layer.
    ASSERT_EXIT_CODE(Cli({"rename", single.string(), "--layer", "0", "--patch", "107", "--name", "Pad", "-o", out}), 0);
    EXPECT_EQ(fs::file_size(out), patchLayer);
    ASSERT_EXIT_CODE(Cli({"init", out, "--layer", "0", "--patches", "3", "-o", out}), 0);
    EXPECT_EQ(fs::file_size(out), patchLayer);
    ASSERT_EXIT_CODE(Cli({"move", out, "--layer", "0", "--patches", "107", "--to", "0", "-o", out}), 0);
    EXPECT_EQ(fs::file_size(out), patchLayer);
    ASSERT_EXIT_CODE(Cli({"rename", out, "--layer", "1", "--patch", "0", "--name", "Card", "-o", out}), 0);
    const std::uintmax_t performanceLayer = WrittenSize(single.string(), "1");
    EXPECT_EQ(fs::file_size(out), patchLayer + performanceLayer);
    const auto edited = Cli({"info", out, "--json"}).Json()["layers"];
    EXPECT_EQ(edited[0]["patches"][0]["name"].get<std::string>().rfind("Pad", 0), 0u);
    EXPECT_EQ(edited[1]["in_file"], true);
    EXPECT_EQ(edited[2]["in_file"], false);
    ASSERT_EXIT_CODE(Cli({"rename", out, "--layer", "1", "--patch", "0", "--name", "x", "-o", out, "--layers", "1"}),
                     0);
    EXPECT_EQ(fs::file_size(out), performanceLayer);
}

TEST(cliShape, SendSendsTheFileAsItIs) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    const std::string single = (data / "jv" / "JV1080_Super_JV_Pad_slot108.syx").string();
    const std::uintmax_t patchLayer = WrittenSize(single, "0");
    const ScopedLoopback loopback;
    auto r = Cli({"send", single, "--out", "Loopback Out 1"});
    ASSERT_EXIT_CODE(r, 0);
    EXPECT_EQ(r.out, std::to_string(kJvPatchRecord) + " bytes sent\n");
    r = Cli({"send", single, "--out", "0", "--layers", "0"});
    ASSERT_EXIT_CODE(r, 0);
    EXPECT_EQ(r.out, std::to_string(patchLayer) + " bytes sent\n");

    const fs::path empty = clitest::Scratch() / "empty.syx";
    tonalith::test::WriteFile(empty, {});
    r = Cli({"send", empty.string(), "--out", "0"});
    EXPECT_EXIT_CODE(r, 1);
    EXPECT_NE(r.err.find(empty.string()), std::string::npos) << r.err;
}
