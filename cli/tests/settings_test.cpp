// Plug-in settings through the executable: config shows and stores them, --set
// uses them for one run, and every key and value is checked, never mapped.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "CliRunner.h"
#include "TestSupport.h"

using clitest::Cli;
namespace fs = std::filesystem;

namespace {

std::string Text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The children get a settings folder of the test's own, so what one test stores
// is seen by no other.
class cliConfig : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        m_old = old ? old : "";
        m_config = clitest::Scratch() / "config";
        fs::create_directories(m_config / "tonalith");
        ::setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
    }
    void TearDown() override { ::setenv("XDG_CONFIG_HOME", m_old.c_str(), 1); }
    fs::path Ini(const char* name) const { return m_config / "tonalith" / name; }

    std::string m_old;
    fs::path m_config;
};

}  // namespace

TEST_F(cliConfig, StoresTheKeysGivenAndKeepsEveryOtherLine) {
    const fs::path ini = Ini("Amberkit.ini");
    std::ofstream(ini) << "; mine\n[SETUP]\nWHICHSYNTH=1\nBOARD0=3\nENV_NAME0=Slow Pad\n[OTHER]\nX=1\n";

    ASSERT_EXIT_CODE(Cli({"config", "Roland JV", "whichsynth=0", "DEVICEID=3"}), 0);
    const std::string text = Text(ini);
    for (const char* line :
         {"; mine", "WHICHSYNTH=0", "DEVICEID=3", "BOARD0=3", "ENV_NAME0=Slow Pad", "[OTHER]", "X=1"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    EXPECT_EQ(text.find("WHICHSYNTH=1"), std::string::npos) << text;

    // A choice by its text is stored as its number.
    ASSERT_EXIT_CODE(Cli({"config", "Roland JV", "WHICHSYNTH=xp-30"}), 0);
    const auto shown = Cli({"config", "Roland JV", "WHICHSYNTH", "--json"});
    ASSERT_EXIT_CODE(shown, 0);
    const auto settings = shown.Json()["settings"];
    ASSERT_EQ(settings.size(), 1u);
    EXPECT_EQ(settings[0]["value"], "3");
    EXPECT_EQ(settings[0]["choices"][0], "JV-1010 / 1080");
    EXPECT_EQ(settings[0]["maximum"], 3);

    // Without keys: every key with the values it takes.
    const auto all = Cli({"config", "Roland JV"});
    ASSERT_EXIT_CODE(all, 0);
    EXPECT_NE(all.out.find("DEVICEID=3\t"), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("takes 0..15"), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("BOARD7="), std::string::npos) << all.out;
}

TEST_F(cliConfig, RefusesUnknownKeysAndInvalidValuesWithWhatIsValid) {
    const fs::path ini = Ini("Amberkit.ini");
    std::ofstream(ini) << "[SETUP]\nWHICHSYNTH=2\n";
    const std::string before = Text(ini);
    const struct {
        const char* assignment;
        const char* told;
    } refused[] = {
        {"WHICHSYNTH=banana", "0 JV-1010 / 1080"},
        {"WHICHSYNTH=9", "0..3"},
        {"DEVICEID=200", "0..15"},
        {"DEVICEID=16", "0..15"},  // the unit's device byte has room for 16 IDs
        {"REALTIMEUPDATE=maybe", "0 or 1"},
        {"NOSUCHKEY=1", "PCMCARD"},  // the list of keys
        {"=1", "KEY=VALUE"},
    };
    for (const auto& r : refused) {
        const auto result = Cli({"config", "Roland JV", "DEVICEID=1", r.assignment});
        EXPECT_EXIT_CODE(result, 2);
        EXPECT_NE(result.err.find(r.told), std::string::npos) << r.assignment << ":\n" << result.err;
        EXPECT_EQ(Text(ini), before) << r.assignment << ": nothing is stored when one change is refused";
    }
    const auto korg = Cli({"config", "Korg", "CHANNEL=17"});
    EXPECT_EXIT_CODE(korg, 2);
    EXPECT_NE(korg.err.find("1..16"), std::string::npos) << korg.err;
    EXPECT_EXIT_CODE(Cli({"config", "Roland JV", "NOSUCHKEY"}), 2);
    EXPECT_EXIT_CODE(Cli({"config", "No Such Synth"}), 1);
}

TEST_F(cliConfig, EveryBankCommandChecksSetBeforeItDoesAnything) {
    const fs::path dir = clitest::Scratch();
    const std::string korg = (dir / "korg.syx").string();
    const std::string out = (dir / "out.syx").string();
    ASSERT_EXIT_CODE(Cli({"new", "--synth", "Korg", "-o", korg, "--set", "CHANNEL=2"}), 0);

    const std::vector<std::vector<std::string>> commands{
        {"info", korg},
        {"convert", korg, out},
        {"move", korg, "--layer", "0", "--patches", "0", "--to", "1", "-o", out},
        {"init", korg, "--layer", "0", "--patches", "0", "-o", out},
        {"rename", korg, "--layer", "0", "--patch", "0", "--name", "X", "-o", out},
        {"deps", korg, "--layer", "0"},
        {"new", "--synth", "Korg", "-o", out},
        {"send", korg, "--layers", "3", "--out", "nowhere"},
        {"receive", "--synth", "Korg", "--command", "Korg 01/W Global", "--in", "x", "--out", "x", "-o", out},
        {"receive-all", "--out-dir", dir.string(), "Korg 01w/Korg 01/W Global"},
    };
    for (auto args : commands) {
        args.insert(args.end(), {"--set", "CHANNEL=40"});
        const auto r = Cli(args);
        EXPECT_EXIT_CODE(r, 2);
        EXPECT_NE(r.err.find("CHANNEL takes 1..16"), std::string::npos) << args[0] << ": " << r.err;
        EXPECT_FALSE(fs::exists(out)) << args[0];
    }
    // The file goes out as it is without --layers: a setting could change nothing.
    EXPECT_EXIT_CODE(Cli({"send", korg, "--out", "nowhere", "--set", "CHANNEL=2"}), 2);
    // A valid one is used for the run: Global on channel 5.
    ASSERT_EXIT_CODE(Cli({"convert", korg, out, "--layers", "3", "--set", "channel=5"}), 0);
    EXPECT_EQ(tonalith::test::ReadFile(out).at(2), 0x34);
}

// lib add opens the files it files with the settings given; the files may be of
// several synths, so a key goes to the synths that have it.
TEST_F(cliConfig, LibAddChecksSetAndOpensTheFilesWithIt) {
    const fs::path dir = clitest::Scratch();
    const std::string korg = (dir / "korg.syx").string();
    const std::string lib = (dir / "lib.clb").string();
    ASSERT_EXIT_CODE(Cli({"new", "--synth", "Korg", "-o", korg}), 0);
    ASSERT_EXIT_CODE(Cli({"lib", "new", lib}), 0);
    const auto before = tonalith::test::ReadFile(lib);
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused{
        {{"--set", "CHANNEL=40"}, "CHANNEL takes 1..16"},
        {{"--set", "NOSUCHKEY=1"}, "no plug-in has the setting \"NOSUCHKEY\""},
        {{"--set", "CHANNEL"}, "is not KEY=VALUE"},
        {{"--layer", "0", "--set", "CHANNEL=40"}, "CHANNEL takes 1..16"},
        {{"--layer", "0", "--set", "WHICHSYNTH=1"}, "has no setting \"WHICHSYNTH\""},
    };
    for (const auto& [extra, says] : refused) {
        std::vector<std::string> args{"lib", "add", lib, korg};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto r = Cli(args);
        EXPECT_EXIT_CODE(r, 2);
        EXPECT_NE(r.err.find(says), std::string::npos) << extra.back() << ": " << r.err;
        EXPECT_EQ(tonalith::test::ReadFile(lib), before) << extra.back();
    }
    // A key only the Roland plug-ins have leaves a Korg file's import alone.
    const auto imported = Cli({"lib", "add", lib, korg, "--set", "WHICHSYNTH=1", "--set", "channel=3"});
    ASSERT_EXIT_CODE(imported, 0);
    EXPECT_NE(imported.out.find("205 patches imported from 1 file"), std::string::npos) << imported.out;
    EXPECT_EQ(Cli({"lib", "list", lib, "--json"}).Json()["total"], 205);
}

// A JV file is read under the JV's own range: a value past it ends the import.
TEST_F(cliConfig, LibAddHandsTheSettingToTheSynthOfEachFile) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    const fs::path jv1080 = data / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx";
    const std::string lib = (clitest::Scratch() / "lib.clb").string();
    ASSERT_EXIT_CODE(Cli({"lib", "new", lib}), 0);
    const auto before = tonalith::test::ReadFile(lib);
    const auto bad = Cli({"lib", "add", lib, jv1080.string(), "--set", "WHICHSYNTH=9"});
    EXPECT_EXIT_CODE(bad, 2);
    EXPECT_NE(bad.err.find("WHICHSYNTH"), std::string::npos) << bad.err;
    EXPECT_EQ(tonalith::test::ReadFile(lib), before);
    const auto good = Cli({"lib", "add", lib, jv1080.string(), "--set", "WHICHSYNTH=JV-1010 / 1080"});
    EXPECT_EXIT_CODE(good, 0);
    EXPECT_NE(good.out.find("128 patches imported"), std::string::npos) << good.out;
}

TEST_F(cliConfig, AFileOfAnotherGenerationSaysSoAndKeepsItWithTheSetting) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    const fs::path jv1080 = data / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx";
    const std::string out = (clitest::Scratch() / "out.syx").string();

    auto r = Cli({"info", jv1080.string()});
    ASSERT_EXIT_CODE(r, 0);
    EXPECT_NE(r.err.find("written for the JV-1010 / 1080"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("a save writes it for the JV-2080 (WHICHSYNTH=1); --set WHICHSYNTH=0 keeps the file's"),
              std::string::npos)
        << r.err;

    r = Cli({"convert", jv1080.string(), out, "--set", "WHICHSYNTH=JV-1010 / 1080"});
    ASSERT_EXIT_CODE(r, 0);
    EXPECT_EQ(r.err.find("written for"), std::string::npos) << r.err;
    EXPECT_EQ(tonalith::test::ReadFile(out), tonalith::test::ReadFile(jv1080));
}

// The watchdog ends a command that outlives --timeout, whatever it waits for.
TEST(cliTimeout, AMidiCommandStopsAtItsTimeout) {
    ::setenv("TONALITH_MIDI_API", "Loopback", 1);
    const fs::path dir = clitest::Scratch();
    const auto start = std::chrono::steady_clock::now();
    // Nobody answers on the loopback: without the limit this waits for a minute of silence.
    const auto r = Cli({"receive", "--synth", "Korg", "--command", "Korg 01/W Global", "--in", "In 1", "--out", "Out 2",
                        "-o", (dir / "got.syx").string(), "--silence", "60", "--timeout", "1.5"});
    const auto took = std::chrono::steady_clock::now() - start;
    ::unsetenv("TONALITH_MIDI_API");
    EXPECT_EXIT_CODE(r, 1);
    EXPECT_NE(r.err.find("within 1.5 s (--timeout)"), std::string::npos) << r.err;
    EXPECT_LT(took, std::chrono::seconds(30));
    EXPECT_EXIT_CODE(Cli({"ports", "--timeout", "-1"}), 2);
}
