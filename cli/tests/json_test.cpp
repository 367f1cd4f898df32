// JSON for scripts: always valid UTF-8, names as stored and trimmed, dates in
// ISO 8601, and what loading told in a warnings array.
#include <gtest/gtest.h>

#include <regex>

#include "CliRunner.h"
#include "TestSupport.h"

using clitest::Cli;
namespace fs = std::filesystem;

TEST(cliJson, AFileNameThatIsNotUtf8IsEscapedAndNamesComeTrimmed) {
    const fs::path dir = clitest::Scratch();
    const fs::path odd = dir / "lat\xe9.syx";
    ASSERT_EXIT_CODE(Cli({"new", "--synth", "Korg", "-o", odd.string()}), 0);

    const auto r = Cli({"info", odd.string(), "--json"});
    ASSERT_EXIT_CODE(r, 0);
    const auto info = r.Json();  // parsing fails on bytes that are not UTF-8
    const std::string file = info["file"].get<std::string>();
    EXPECT_TRUE(file.ends_with("lat\\xE9.syx")) << file;
    EXPECT_TRUE(info["warnings"].is_array() && info["warnings"].empty()) << info["warnings"];
    for (const auto& patch : info["layers"][0]["patches"]) {
        const std::string name = patch["name"].get<std::string>(), trimmed = patch["name_trimmed"].get<std::string>();
        EXPECT_EQ(name.substr(0, trimmed.size()), trimmed);
        EXPECT_EQ(name.find_first_not_of(' ', trimmed.size()), std::string::npos) << name;
        EXPECT_FALSE(trimmed.ends_with(' ')) << trimmed;
    }
}

TEST(cliJson, LoadProblemsAreInTheWarnings) {
    const fs::path dir = clitest::Scratch();
    const fs::path bank = dir / "korg.syx";
    ASSERT_EXIT_CODE(Cli({"new", "--synth", "Korg", "-o", bank.string()}), 0);
    auto bytes = tonalith::test::ReadFile(bank);
    bytes.resize(bytes.size() / 2);  // a dump cut short
    const fs::path cut = dir / "cut.syx";
    tonalith::test::WriteFile(cut, bytes);

    const auto r = Cli({"info", cut.string(), "--json"});
    ASSERT_TRUE(r.exitCode == 0 || r.exitCode == 1) << r.err;
    if (r.exitCode == 1) GTEST_SKIP() << "this cut is refused outright: " << r.err;
    const auto warnings = r.Json()["warnings"];
    ASSERT_FALSE(warnings.empty()) << r.err;
    EXPECT_NE(r.err.find(warnings[0].get<std::string>()), std::string::npos) << r.err;
}

TEST(cliJson, LibraryEntriesCarryIsoDates) {
    const fs::path dir = clitest::Scratch();
    const std::string bank = (dir / "korg.syx").string(), lib = (dir / "lib.clb").string();
    ASSERT_EXIT_CODE(Cli({"new", "--synth", "Korg", "-o", bank}), 0);
    ASSERT_EXIT_CODE(Cli({"lib", "new", lib}), 0);
    ASSERT_EXIT_CODE(Cli({"lib", "add", lib, bank, "--layer", "0", "--patches", "0"}), 0);
    const auto r = Cli({"lib", "list", lib, "--json"});
    ASSERT_EXIT_CODE(r, 0);
    const auto entry = r.Json()["entries"].at(0);
    const std::string iso = entry["date_iso"].get<std::string>(), shown = entry["date"].get<std::string>();
    ASSERT_TRUE(std::regex_match(iso, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d)"))) << iso;
    // Same moment: "31.12.2004 23:59" and "2004-12-31T23:59".
    EXPECT_EQ(shown.substr(0, 2), iso.substr(8, 2));
    EXPECT_EQ(shown.substr(6, 4), iso.substr(0, 4));
    EXPECT_EQ(shown.substr(11), iso.substr(11));
}
