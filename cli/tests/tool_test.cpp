// The tool command: a plug-in's bank tool run without its dialog.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "CliRunner.h"

using clitest::Cli;
namespace fs = std::filesystem;

namespace {

std::vector<unsigned char> Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

fs::path NewJVBank(const fs::path& dir) {
    const fs::path bank = dir / "jv.syx";
    const auto r = Cli({"new", "--synth", "Roland JV", "-o", bank.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return bank;
}

// Every message of the file has 7-bit data and a right checksum: address, data
// and checksum add up to a multiple of 128.
void ExpectSealed(const std::vector<unsigned char>& bytes) {
    int messages = 0;
    std::vector<unsigned char> message;
    for (const unsigned char b : bytes) {
        if (b == 0xF0) message.clear();
        message.push_back(b);
        if (b != 0xF7) continue;
        ++messages;
        ASSERT_GT(message.size(), 7u);
        int sum = 0;
        for (std::size_t i = 1; i + 1 < message.size(); ++i) {
            ASSERT_LT(message[i], 0x80);
            if (i >= 5) sum += message[i];
        }
        EXPECT_EQ(sum % 128, 0) << "message " << messages;
    }
    EXPECT_GT(messages, 600);
}

}  // namespace

TEST(cliTool, RandomPatchesRepeatsForTheSameStartAndKeepsTheBankSendable) {
    const fs::path dir = clitest::Scratch();
    const fs::path bank = NewJVBank(dir);
    const std::string a = (dir / "a.syx").string(), b = (dir / "b.syx").string(), c = (dir / "c.syx").string();
    const auto r = Cli({"tool", "Random Patches", bank.string(), "--start", "5", "-o", a});
    ASSERT_EXIT_CODE(r, 0);
    EXPECT_NE(r.out.find("128 patches"), std::string::npos) << r.out;
    ASSERT_EXIT_CODE(Cli({"tool", "random patches", bank.string(), "--start", "5", "-o", b}), 0);
    ASSERT_EXIT_CODE(Cli({"tool", "&Random Patches...", bank.string(), "--start", "6", "-o", c}), 0);
    EXPECT_EQ(Bytes(a), Bytes(b));
    EXPECT_NE(Bytes(a), Bytes(c));
    EXPECT_NE(Bytes(a), Bytes(bank));
    EXPECT_EQ(Bytes(a).size(), Bytes(bank).size());
    ExpectSealed(Bytes(a));

    // Boxes: cleared ones leave bytes as they were; every name still changes.
    const std::string d = (dir / "d.syx").string();
    ASSERT_EXIT_CODE(Cli({"tool", "Random Patches", bank.string(), "--start", "5", "--only", "wave2", "-o", d}), 0);
    EXPECT_NE(Bytes(d), Bytes(a));

    const auto list = Cli({"tool", "Random Patches", bank.string(), "--list"});
    ASSERT_EXIT_CODE(list, 0);
    EXPECT_NE(list.out.find("switch Output4 on"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "e.syx"));
}

TEST(cliTool, BadNamesAndValuesAreUsageErrorsThatWriteNothing) {
    const fs::path dir = clitest::Scratch();
    const fs::path bank = NewJVBank(dir);
    const std::string out = (dir / "out.syx").string();
    const auto refused = [&](std::vector<std::string> args, const std::string& says) {
        args.insert(args.end(), {"-o", out});
        const auto r = Cli(args);
        EXPECT_EXIT_CODE(r, 2);
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out));
    };
    refused({"tool", "No Such Tool", bank.string()}, "random patches");
    refused({"tool", "Use Categories", bank.string()}, "library");
    refused({"tool", "Random Patches", bank.string(), "--only", "Wave9"}, "Wave9");
    refused({"tool", "Copy Effect Settings", bank.string(), "--value", "copy-type=4"}, "copy-type");
    refused({"tool", "Copy Effect Settings", bank.string(), "--value", "copy-type"}, "NAME=NUMBER");
    refused({"tool", "Copy Rhythm Keys to a Patch", bank.string(), "--value", "key2=0"}, "four different keys");
    EXPECT_EXIT_CODE(Cli({"tool", "Random Patches", bank.string()}), 2);  // no output named
}

TEST(cliTool, CopyToolsChangeOnlyTheirDestination) {
    const fs::path dir = clitest::Scratch();
    const fs::path bank = NewJVBank(dir);
    const std::string random = (dir / "r.syx").string(), out = (dir / "out.syx").string();
    ASSERT_EXIT_CODE(Cli({"tool", "Random Patches", bank.string(), "--start", "1", "-o", random}), 0);
    const auto r =
        Cli({"tool", "Copy Rhythm Keys to a Patch", random, "--value", "patch=7", "--value", "key1=20", "-o", out});
    ASSERT_EXIT_CODE(r, 0);
    EXPECT_NE(r.out.find("\"RhythmExtrct\" at patch 7"), std::string::npos) << r.out;
    const auto info = Cli({"info", out, "--json"});
    ASSERT_EXIT_CODE(info, 0);
    EXPECT_NE(info.out.find("RhythmExtrct"), std::string::npos);

    const auto effect = Cli({"tool", "Copy Effect Settings", random, "--value", "source=3", "--value",
                             "destination-type=1", "--value", "copy-type=2", "-o", out});
    ASSERT_EXIT_CODE(effect, 0);
    EXPECT_NE(effect.out.find("(Chorus)"), std::string::npos) << effect.out;
    const auto before = Bytes(random), after = Bytes(out);
    ASSERT_EQ(before.size(), after.size());
    std::size_t changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i) changed += before[i] != after[i];
    EXPECT_GE(changed, 1u);
    EXPECT_LE(changed, 7u);  // six chorus bytes and the checksum
    ExpectSealed(after);
}
