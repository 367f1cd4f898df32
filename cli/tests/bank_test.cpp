// Bank commands through the real executable: on banks the tests make with
// `new` and on the field data.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>

#include "CliRunner.h"
#include "TestSupport.h"

using clitest::Cli;
namespace fs = std::filesystem;

namespace {

// A Korg bank of initial patches: every combination uses program A00.
fs::path NewKorgBank(const fs::path& dir) {
    const fs::path bank = dir / "korg.syx";
    const auto r = Cli({"new", "--synth", "Korg", "-o", bank.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return bank;
}

}  // namespace

TEST(cliBank, PluginsListEveryMemoryWithUpperCaseGuids) {
    const auto r = Cli({"plugins", "--json"});
    ASSERT_EXIT_CODE(r, 0);
    const auto all = r.Json();
    const std::regex guid(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\})");
    bool generic = false, korg = false;
    for (const auto& m : all) {
        EXPECT_TRUE(std::regex_match(m["guid"].get<std::string>(), guid)) << m["guid"];
        for (const auto& l : m["layers"]) {
            EXPECT_TRUE(std::regex_match(l["layer_guid"].get<std::string>(), guid));
            EXPECT_TRUE(std::regex_match(l["patch_type_guid"].get<std::string>(), guid));
        }
        EXPECT_TRUE(m.contains("tools") && m.contains("dump_commands") && m.contains("toolbar_id"));
        generic |= m["name"] == "Generic";
        if (m["name"] == "Korg 01w") {
            korg = true;
            EXPECT_EQ(m["layers"][1]["name"], "Combination");
            EXPECT_EQ(m["layers"][1]["patch_count"], 200);
        }
    }
    EXPECT_TRUE(generic);
    EXPECT_TRUE(korg);
    EXPECT_EXIT_CODE(Cli({"plugins"}), 0);
}

TEST(cliBank, UsageErrorsExitTwoAndHelpExitsZero) {
    EXPECT_EXIT_CODE(Cli({}), 2);
    EXPECT_EXIT_CODE(Cli({"nosuchcommand"}), 2);
    EXPECT_EXIT_CODE(Cli({"plugins", "--bogus"}), 2);
    EXPECT_EXIT_CODE(Cli({"info"}), 2);
    const auto help = Cli({"move", "--help"});
    EXPECT_EXIT_CODE(help, 0);
    EXPECT_NE(help.out.find("--patches"), std::string::npos);
}

TEST(cliBank, RenameMoveAndInitKeepReferencesRight) {
    const fs::path dir = clitest::Scratch();
    const fs::path bank = NewKorgBank(dir);
    const std::string renamed = (dir / "renamed.syx").string();
    const std::string moved = (dir / "moved.syx").string();
    ASSERT_EXIT_CODE(Cli({"rename", bank.string(), "--layer", "0", "--patch", "0", "--name", "Piano", "-o", renamed}),
                     0);
    ASSERT_EXIT_CODE(Cli({"move", renamed, "--layer", "0", "--patches", "0", "--to", "3", "-o", moved}), 0);

    const auto info = Cli({"info", moved, "--json"});
    ASSERT_EXIT_CODE(info, 0);
    const auto patches = info.Json()["layers"][0]["patches"];
    EXPECT_EQ(patches[3]["name"].get<std::string>().rfind("Piano", 0), 0u);
    EXPECT_EQ(patches[0]["name"].get<std::string>().rfind("Piano", 0), std::string::npos);

    // Every combination used program A00; after the move they use its new place.
    const auto deps = Cli({"deps", moved, "--layer", "0", "--json"});
    ASSERT_EXIT_CODE(deps, 0);
    const auto references = deps.Json()["references"];
    ASSERT_EQ(references.size(), 1u);
    EXPECT_EQ(references[0]["parent_layer"], "Combination");
    ASSERT_EQ(references[0]["lines"].size(), 1u);
    const std::string line = references[0]["lines"][0];
    EXPECT_EQ(line.rfind("A03", 0), 0u) << line;
    EXPECT_NE(line.find("\t1600 time(s) used"), std::string::npos) << line;
    const auto children = Cli({"deps", moved, "--layer", "1", "--json"}).Json()["referenced_from"];
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0]["child_layer"], "Program");
    EXPECT_EQ(children[0]["patches"].size(), 200u);

    const std::string initialised = (dir / "init.syx").string();
    ASSERT_EXIT_CODE(Cli({"init", moved, "--layer", "0", "--patches", "3", "-o", initialised}), 0);
    const auto after = Cli({"info", initialised, "--json"}).Json()["layers"][0]["patches"][3]["name"];
    EXPECT_EQ(after.get<std::string>().rfind("Piano", 0), std::string::npos);
}

// Whatever did not survive a rename warns the same way, whether Windows-1252
// lacks the character or only the synth does, and the file stays SysEx.
TEST(cliBank, RenameWarnsForEveryCharacterThatBecameAQuestionMark) {
    const fs::path dir = clitest::Scratch();
    struct Case {
        std::string name, stored, lost;
    };
    const std::vector<Case> cases{
        {"\u03A9mega", "?mega", "\u03A9"},  // Omega: no Windows-1252
        {"Cr\u00E8me", "Cr?me", "\u00E8"},  // e grave: Windows-1252, but no ASCII
        {"\u03A9 Cr\u00E8me", "? Cr?me", "\u03A9\u00E8"},  // both kinds, in the order typed
    };
    for (const std::string synth : {"Roland JV", "Roland XV"}) {
        const std::string bank = (dir / (synth + ".syx")).string();
        const std::string out = (dir / (synth + " out.syx")).string();
        ASSERT_EXIT_CODE(Cli({"new", "--synth", synth, "-o", bank}), 0);
        const auto rename = [&](const std::string& name) {
            return Cli({"rename", bank, "--layer", "0", "--patch", "0", "--name", name, "-o", out});
        };
        for (const Case& c : cases) {
            const auto r = rename(c.name);
            ASSERT_EXIT_CODE(r, 0);
            EXPECT_NE(r.err.find("warning: a patch name cannot hold these characters, so they became \"?\": " + c.lost +
                                 "; the name was stored as \"" + c.stored + "\""),
                      std::string::npos)
                << synth << ": " << r.err;
            const auto name = Cli({"info", out, "--json"}).Json()["layers"][0]["patches"][0]["name"].get<std::string>();
            EXPECT_EQ(name.rfind(c.stored, 0), 0u) << synth << ": " << name;
            // No byte of a name may leave the seven bits of SysEx data.
            for (const std::uint8_t b : tonalith::test::ReadFile(out))
                ASSERT_TRUE(b < 0x80 || b == 0xF0 || b == 0xF7) << synth << ": " << c.name;
        }
        const auto plain = rename("Piano");
        EXPECT_EXIT_CODE(plain, 0);
        EXPECT_EQ(plain.err.find("warning"), std::string::npos) << plain.err;
        const auto longer = rename("Grand Piano Hall");  // 16 letters for 12 places
        EXPECT_EXIT_CODE(longer, 0);
        EXPECT_NE(longer.err.find("warning: the name was stored as \"Grand Piano\""), std::string::npos) << longer.err;
    }
}

TEST(cliBank, EditFailuresNameTheFileAndWriteNothing) {
    const fs::path dir = clitest::Scratch();
    const fs::path bank = NewKorgBank(dir);
    const std::string out = (dir / "out.syx").string();
    auto r = Cli({"move", bank.string(), "--layer", "0", "--patches", "200", "--to", "0", "-o", out});
    EXPECT_EXIT_CODE(r, 1);
    EXPECT_NE(r.err.find(bank.string()), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EXIT_CODE(Cli({"init", bank.string(), "--layer", "9", "--patches", "0", "-o", out}), 1);
    EXPECT_EXIT_CODE(
        Cli({"rename", (dir / "missing.syx").string(), "--layer", "0", "--patch", "0", "--name", "x", "-o", out}), 1);
    EXPECT_EXIT_CODE(Cli({"deps", bank.string(), "--layer", "7"}), 1);
    EXPECT_EXIT_CODE(Cli({"move", bank.string(), "--layer", "0", "--patches", "0,x", "--to", "0", "-o", out}), 2);
    EXPECT_EXIT_CODE(Cli({"move", bank.string(), "--layer", "0", "--patches", "0", "--to", "1"}), 2);
    EXPECT_EXIT_CODE(Cli({"new", "--synth", "NoSuchSynth", "-o", out}), 1);
    EXPECT_FALSE(fs::exists(out));
    // A folder that cannot be written: the old file elsewhere stays, no partial output.
    EXPECT_EXIT_CODE(Cli({"convert", bank.string(), (dir / "no" / "such" / "dir.syx").string()}), 1);
}

TEST(cliBank, ValuesOutsideTheirRangeAreRefusedWithTheRange) {
    const fs::path dir = clitest::Scratch();
    const fs::path bank = NewKorgBank(dir);
    const std::string out = (dir / "out.syx").string();
    const auto refused = [&](std::vector<std::string> args, std::string_view says) {
        const auto r = Cli(std::move(args));
        EXPECT_EXIT_CODE(r, 2);
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out));
    };
    refused({"move", bank.string(), "--layer", "0", "--patches", "0", "--to", "500", "-o", out}, "0..");
    refused({"convert", bank.string(), out, "--layers", "0,0"}, "listed twice");
    refused({"convert", bank.string(), out, "--layers", "0,40"}, "has layers 0..");
    refused({"new", "--synth", "Generic", "-o", out}, "no patches");
}

TEST(cliBank, ConvertWritesListedLayersAndSettingsOnlyForThisRun) {
    const fs::path dir = clitest::Scratch();
    const fs::path bank = NewKorgBank(dir);
    const std::string out = (dir / "global.syx").string();
    ASSERT_EXIT_CODE(Cli({"convert", bank.string(), out, "--layers", "3", "--set", "CHANNEL=3"}), 0);
    const auto bytes = tonalith::test::ReadFile(out);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes[2], 0x32);  // the message on the 01/W's global channel 3
    const auto hex = Cli({"hexdump", out, "--json"}).Json();
    ASSERT_EQ(hex["messages"].size(), 1u);  // only the Global layer
    EXPECT_EQ(hex["messages"][0]["manufacturer"], "KORG INC.");

    // The override never reached the settings file.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    ASSERT_NE(config, nullptr);
    const fs::path ini = fs::path(config) / "tonalith" / "Emberkit.ini";
    if (fs::exists(ini)) {
        std::ifstream in(ini);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(text.find("CHANNEL=3"), std::string::npos);
    }
    EXPECT_EXIT_CODE(Cli({"convert", bank.string(), out, "--layers", "4"}), 2);  // no such layer: the range is named
    EXPECT_EXIT_CODE(Cli({"convert", bank.string(), out, "--set", "CHANNEL"}), 2);
}

TEST(cliBank, InfoOnFieldData) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    const auto r = Cli({"info", (data / "jv" / "JV1080_Super_JV_Pad_slot108.syx").string(), "--json"});
    ASSERT_EXIT_CODE(r, 0);
    const auto info = r.Json();
    EXPECT_EQ(info["memory"]["name"], "Roland JV/XP");
    EXPECT_EQ(info["layers"][0]["patches"][107]["name"].get<std::string>().rfind("Super JV Pad", 0), 0u);
    for (const char* key : {"index", "label", "name", "type", "type_guid", "info"})
        EXPECT_TRUE(info["layers"][0]["patches"][107].contains(key)) << key;
}

// Whatever the file, info ends with a verdict: 0, or 1 with a message; never a crash.
TEST(cliBank, InfoOnEveryFieldFileEndsCleanly) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    for (const auto& entry : fs::recursive_directory_iterator(data)) {
        if (!entry.is_regular_file()) continue;
        const auto start = std::chrono::steady_clock::now();
        const auto r = Cli({"info", entry.path().string()});
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1) << entry.path() << " exit " << r.exitCode << '\n' << r.err;
        if (r.exitCode == 1) {
            EXPECT_NE(r.err.find(entry.path().string()), std::string::npos) << r.err;
        }
        if (r.exitCode == 0) {
            EXPECT_NE(r.out.find(entry.path().string()), std::string::npos);
        }
        EXPECT_LT(took, std::chrono::seconds(10)) << entry.path();  // a hang guard: sanitizer build on a shared machine
    }
}

TEST(cliBank, InfoTextShowsTheIndexPatchTakesAndCountsInTheSingular) {
    const fs::path dir = clitest::Scratch();
    const fs::path bank = NewKorgBank(dir);
    auto r = Cli({"info", bank.string()});
    ASSERT_EXIT_CODE(r, 0);
    EXPECT_NE(r.out.find("\n    0  A00"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n  199  "), std::string::npos) << r.out;
    const fs::path one = dir / "one.syx";
    tonalith::test::WriteFile(one, {0xF0, 0x43, 0x01, 0xF7});
    r = Cli({"info", one.string()});
    ASSERT_EXIT_CODE(r, 0);
    EXPECT_NE(r.out.find("(1 patch)"), std::string::npos) << r.out;
}
