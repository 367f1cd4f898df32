// verify: checksum errors, cut-off and foreign messages, the generation, and the
// exit status a script can rely on.
#include <gtest/gtest.h>

#include "CliRunner.h"
#include "TestSupport.h"

using clitest::Cli;
namespace fs = std::filesystem;

namespace {

// A 16-bit sample dump of 30 packets; packet k's checksum is wrong when bad == k.
std::vector<std::uint8_t> SampleDump(int bad = -1) {
    std::vector<std::uint8_t> dump{0xF0, 0x7E, 0x00, 0x01, 0x00, 0x00, 0x10, 0x51, 0x22, 0x01, 0x30,
                                   0x09, 0x00, 0x00, 0x00, 0x00, 0x2F, 0x09, 0x00, 0x7F, 0xF7};
    for (int k = 0; k < 30; ++k) {
        std::vector<std::uint8_t> p{0xF0, 0x7E, 0x00, 0x02, static_cast<std::uint8_t>(k)};
        for (int i = 0; i < 120; ++i) p.push_back(static_cast<std::uint8_t>((i * 13 + k) & 0x7F));
        std::uint8_t sum = 0;
        for (std::size_t i = 1; i < p.size(); ++i) sum ^= p[i];
        p.push_back(static_cast<std::uint8_t>((sum & 0x7F) ^ (k == bad ? 1 : 0)));
        p.push_back(0xF7);
        dump.insert(dump.end(), p.begin(), p.end());
    }
    return dump;
}

}  // namespace

TEST(cliVerify, TheCleanFieldBankPassesAndAFlippedChecksumIsNamedByItsOffset) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    const fs::path bank = data / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx";
    auto r = Cli({"verify", bank.string(), "--json"});
    ASSERT_EXIT_CODE(r, 0);
    auto result = r.Json();
    EXPECT_EQ(result["memory"], "Roland JV/XP");
    EXPECT_EQ(result["generation"], "JV-1010 / 1080");
    EXPECT_EQ(result["messages"], 640);
    EXPECT_TRUE(result["problems"].empty());
    r = Cli({"verify", bank.string()});
    EXPECT_EXIT_CODE(r, 0);
    EXPECT_NE(r.out.find("no problems"), std::string::npos) << r.out;

    // The checksum of message 12 from 0 (patch 3, tone 2).
    auto bytes = tonalith::test::ReadFile(bank);
    std::size_t at = 0;
    for (int n = 0; n < 12; ++n)
        at = static_cast<std::size_t>(std::find(bytes.begin() + at + 1, bytes.end(), 0xF0) - bytes.begin());
    std::size_t end = at;
    while (bytes[end] != 0xF7) ++end;
    bytes[end - 1] ^= 0x01;
    const fs::path flipped = clitest::Scratch() / "flipped.syx";
    tonalith::test::WriteFile(flipped, bytes);

    r = Cli({"verify", flipped.string(), "--json"});
    EXPECT_EXIT_CODE(r, 1);
    result = r.Json();
    ASSERT_EQ(result["problems"].size(), 1u);
    EXPECT_EQ(result["problems"][0]["kind"], "checksum");
    EXPECT_EQ(result["problems"][0]["offset"], at);
    r = Cli({"verify", flipped.string()});
    EXPECT_EXIT_CODE(r, 1);
    EXPECT_NE(r.out.find("checksum at byte " + std::to_string(at)), std::string::npos) << r.out;

    // Opening it keeps every patch and says what was wrong, once.
    r = Cli({"info", flipped.string(), "--json"});
    EXPECT_EXIT_CODE(r, 0);
    EXPECT_EQ(r.Json()["layers"][0]["patches"].size(), 128u);
    EXPECT_NE(r.err.find("at byte " + std::to_string(at)), std::string::npos) << r.err;
}

TEST(cliVerify, ForeignAndCutOffMessagesAreListedInFileOrder) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    auto bytes = tonalith::test::ReadFile(data / "jv" / "JV1080_Super_JV_Pad_slot108.syx");
    const std::size_t foreignAt = bytes.size();
    const std::vector<std::uint8_t> otherModel{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
    bytes.insert(bytes.end(), otherModel.begin(), otherModel.end());
    const std::size_t cutAt = bytes.size();
    const std::vector<std::uint8_t> cut{0xF0, 0x41, 0x10, 0x6A, 0x12, 0x11, 0x00, 0x00, 0x00, 0x41, 0x42};
    bytes.insert(bytes.end(), cut.begin(), cut.end());
    const fs::path file = clitest::Scratch() / "mixed.syx";
    tonalith::test::WriteFile(file, bytes);

    const auto r = Cli({"verify", file.string(), "--json"});
    EXPECT_EXIT_CODE(r, 1);
    const auto problems = r.Json()["problems"];
    ASSERT_EQ(problems.size(), 2u) << problems.dump(1);
    EXPECT_EQ(problems[0]["kind"], "foreign");
    EXPECT_EQ(problems[0]["offset"], foreignAt);
    EXPECT_EQ(problems[1]["kind"], "truncated");
    EXPECT_EQ(problems[1]["offset"], cutAt);
    EXPECT_EQ(r.Json()["messages"], 7);
}

TEST(cliVerify, ASampleDumpWithAWrongPacketChecksumIsReported) {
    const fs::path dir = clitest::Scratch();
    tonalith::test::WriteFile(dir / "clean.syx", SampleDump());
    tonalith::test::WriteFile(dir / "bad.syx", SampleDump(4));
    auto r = Cli({"verify", (dir / "clean.syx").string(), "--json"});
    ASSERT_EXIT_CODE(r, 0);
    EXPECT_EQ(r.Json()["memory"], "Midi Sample Dump Standard");
    EXPECT_TRUE(r.Json()["generation"].is_null());

    r = Cli({"verify", (dir / "bad.syx").string(), "--json"});
    EXPECT_EXIT_CODE(r, 1);
    const auto problems = r.Json()["problems"];
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0]["kind"], "checksum");
    EXPECT_EQ(problems[0]["offset"], 21 + 4 * 127);

    EXPECT_EXIT_CODE(Cli({"verify", (dir / "missing.syx").string()}), 1);
}
