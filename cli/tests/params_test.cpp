// Parameters by name through the real executable, on the JV-1080 field bank.
#include <gtest/gtest.h>

#include <set>

#include "CliRunner.h"
#include "TestSupport.h"

using clitest::Cli;
namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kJv1080{"--set", "WHICHSYNTH=0"};

std::vector<std::string> Args(std::vector<std::string> args, const std::vector<std::string>& more = kJv1080) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

}  // namespace

TEST(cliParams, ListSetAndDiffOnePatchOfTheFieldBank) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    const std::string bank = (data / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx").string();
    const auto listed = Cli(Args({"params", bank, "--layer", "0", "--patch", "0", "--json"}));
    ASSERT_EXIT_CODE(listed, 0);
    const auto json = listed.Json();
    EXPECT_EQ(json["layer"], 0);
    EXPECT_EQ(json["patch"], 0);
    const auto& parameters = json["parameters"];
    ASSERT_GT(parameters.size(), 4u * 100) << "the common block and four tones";
    std::set<std::string> ids;
    int cutoffRaw = -1;
    for (const auto& p : parameters) {
        for (const char* key : {"id", "caption", "page", "block", "offset", "size", "raw", "text"})
            ASSERT_TRUE(p.contains(key)) << key;
        EXPECT_TRUE(ids.insert(p["id"].get<std::string>()).second) << p["id"];
        if (p["id"] == "tone1.cutoff") {
            EXPECT_EQ(p["block"], 0x10);
            EXPECT_EQ(p["offset"], 0x51);
            EXPECT_EQ(p["size"], 1);
            cutoffRaw = p["raw"].get<int>();
        }
    }
    ASSERT_GE(cutoffRaw, 0) << "tone1.cutoff listed";
    const int newCutoff = cutoffRaw == 80 ? 81 : 80;

    const fs::path dir = clitest::Scratch();
    const fs::path edited = dir / "edited.syx";
    const auto set = Cli(Args({"set", bank, "--layer", "0", "--patch", "0", "tone1.cutoff=" + std::to_string(newCutoff),
                               "-o", edited.string()}));
    ASSERT_EXIT_CODE(set, 0);

    const auto relisted = Cli(Args({"params", edited.string(), "--layer", "0", "--patch", "0", "--json"}));
    ASSERT_EXIT_CODE(relisted, 0);
    // Keep the parsed document: a range-for over a member of a temporary reads freed memory.
    const auto relistedJson = relisted.Json();
    for (const auto& p : relistedJson["parameters"]) {
        if (p["id"] == "tone1.cutoff") {
            EXPECT_EQ(p["raw"], newCutoff);
        }
    }

    const auto diff = Cli(Args({"diff", bank + ":0:0", edited.string() + ":0:0", "--json"}));
    ASSERT_EXIT_CODE(diff, 0);
    const auto differences = diff.Json()["differences"];
    ASSERT_EQ(differences.size(), 1u) << diff.out;
    EXPECT_EQ(differences[0]["id"], "tone1.cutoff");
    EXPECT_EQ(differences[0]["a"], std::to_string(cutoffRaw));
    EXPECT_EQ(differences[0]["b"], std::to_string(newCutoff));

    // Two patches of the same bank differ in many parameters, and by name.
    const auto other = Cli(Args({"diff", bank + ":0:0", bank + ":0:1", "--json"}));
    ASSERT_EXIT_CODE(other, 0);
    EXPECT_GT(other.Json()["differences"].size(), 1u);
}

TEST(cliParams, BadValuesAndNamesWriteNothing) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    const std::string bank = (data / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx").string();
    const fs::path out = clitest::Scratch() / "never.syx";

    const auto range =
        Cli(Args({"set", bank, "--patch", "3", "tone1.cutoff=80", "tone2.cutoff=128", "-o", out.string()}));
    EXPECT_EXIT_CODE(range, 1);
    EXPECT_NE(range.err.find("tone2.cutoff"), std::string::npos) << range.err;
    EXPECT_NE(range.err.find("0..127"), std::string::npos) << range.err;
    EXPECT_FALSE(fs::exists(out));

    const auto list = Cli(Args({"set", bank, "tone1.filter=NOTCH", "-o", out.string()}));
    EXPECT_EXIT_CODE(list, 1);
    EXPECT_NE(list.err.find("LPF"), std::string::npos) << "the valid texts are named: " << list.err;

    EXPECT_EXIT_CODE(Cli(Args({"set", bank, "nosuch=1", "-o", out.string()})), 2);
    EXPECT_EXIT_CODE(Cli(Args({"set", bank, "tone1.cutoff", "-o", out.string()})), 2);
    EXPECT_EXIT_CODE(Cli(Args({"params", bank, "--patch", "128"})), 2);
    EXPECT_FALSE(fs::exists(out));
}

TEST(cliParams, TypesWithoutTableCompareBytes) {
    const fs::path dir = clitest::Scratch();
    const fs::path a = dir / "a.syx";
    // Every Korg record has a table now; the sample dump's records have none.
    ASSERT_EXIT_CODE(Cli({"new", "--synth", "Midi Sample Dump Standard", "-o", a.string()}), 0);
    const auto noTable = Cli({"params", a.string()});
    EXPECT_EXIT_CODE(noTable, 1);
    EXPECT_NE(noTable.err.find("no parameter table"), std::string::npos) << noTable.err;
    const auto same = Cli({"diff", a.string() + ":0:0", a.string() + ":0:0", "--json"});
    ASSERT_EXIT_CODE(same, 0);
    EXPECT_TRUE(same.Json()["differences"].is_array());
}
