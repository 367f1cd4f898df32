// Library commands through the executable, on a library filled from a bank the
// test makes.
#include <gtest/gtest.h>

#include "CliRunner.h"
#include "TestSupport.h"

using clitest::Cli;
namespace fs = std::filesystem;

namespace {

// Entries 0 "Init Prog", 1 "Strings", 2 "Init Prog" (a duplicate of 0).
struct LibraryFixture {
    fs::path dir = clitest::Scratch();
    std::string bank = (dir / "korg.syx").string();
    std::string lib = (dir / "lib.clb").string();

    LibraryFixture() {
        const std::string plain = (dir / "plain.syx").string();
        EXPECT_EXIT_CODE(Cli({"new", "--synth", "Korg", "-o", plain}), 0);
        EXPECT_EXIT_CODE(Cli({"rename", plain, "--layer", "0", "--patch", "1", "--name", "Strings", "-o", bank}), 0);
        EXPECT_EXIT_CODE(Cli({"lib", "new", lib}), 0);
        EXPECT_EXIT_CODE(Cli({"lib", "add", lib, bank, "--layer", "0", "--patches", "0-1"}), 0);
        EXPECT_EXIT_CODE(Cli({"lib", "add", lib, bank, "--layer", "0", "--patches", "0"}), 0);
    }
};

std::vector<int> Indices(const nlohmann::json& list) {
    std::vector<int> out;
    for (const auto& e : list["entries"]) out.push_back(e["index"]);
    return out;
}

}  // namespace

TEST(cliLibrary, ListFiltersAndSortsAsTheWindowDoes) {
    LibraryFixture f;
    auto all = Cli({"lib", "list", f.lib, "--json"});
    ASSERT_EXIT_CODE(all, 0);
    const auto everything = all.Json();
    EXPECT_EQ(everything["description"], "None");
    EXPECT_EQ(everything["total"], 3);
    EXPECT_EQ(Indices(everything), (std::vector<int>{0, 2, 1}));  // by name
    const auto& first = everything["entries"][0];
    EXPECT_EQ(first["key_bytes"].size(), 8u);
    EXPECT_EQ(first["keys"].size(), 8u);
    EXPECT_EQ(first["type"], "Korg 01w Program");

    const auto byName = Cli({"lib", "list", f.lib, "--name", "STR", "--json"}).Json();
    EXPECT_EQ(Indices(byName), (std::vector<int>{1}));
    EXPECT_EQ(byName["shown"], 1);

    // AND binds before OR: "str" AND key 2 is false everywhere, OR key 1 is true everywhere.
    const auto expr = Cli({"lib", "list", f.lib, "--name", "str", "--key", "2", "--op", "AND", "--key", "1", "--op",
                           "OR", "--json"}).Json();
    EXPECT_EQ(expr["shown"], 3);
    EXPECT_EQ(expr["description"], "\"str AND No Entry OR No Entry\"");
    EXPECT_EQ(Cli({"lib", "list", f.lib, "--name", "str", "--key", "2", "--json"}).Json()["shown"], 0);

    const auto byIndexColumn = Cli({"lib", "list", f.lib, "--sort", "Type", "--json"}).Json();
    EXPECT_EQ(Indices(byIndexColumn), (std::vector<int>{0, 1, 2}));  // equal types keep library order

    EXPECT_EXIT_CODE(Cli({"lib", "list", f.lib, "--key", "1", "--op", "XOR"}), 2);
    EXPECT_EXIT_CODE(Cli({"lib", "list", f.lib, "--key", "300"}), 2);
    EXPECT_EXIT_CODE(Cli({"lib", "list", f.lib, "--sort", "Colour"}), 2);
    EXPECT_EXIT_CODE(Cli({"lib", "list", f.lib, "--op", "AND"}), 2);
}

TEST(cliLibrary, DuplicatesExtractAndKeys) {
    LibraryFixture f;
    const auto dups = Cli({"lib", "dups", f.lib, "--json"});
    ASSERT_EXIT_CODE(dups, 0);
    const auto result = dups.Json();
    ASSERT_EQ(result["pairs"].size(), 1u);
    EXPECT_EQ(result["pairs"][0]["first"], 0);
    EXPECT_EQ(result["pairs"][0]["second"], 2);
    EXPECT_EQ(result["pairs"][0]["text"], "\"Init Prog\" and \"Init Prog\" are equal");
    EXPECT_EQ(result["found"], nlohmann::json::array({2}));

    const std::string out = (f.dir / "one.syx").string();
    ASSERT_EXIT_CODE(Cli({"lib", "extract", f.lib, "--entries", "1", "-o", out}), 0);
    const auto info = Cli({"info", out, "--json"}).Json();
    EXPECT_EQ(info["memory"]["name"], "Korg 01w");
    EXPECT_FALSE(fs::exists(f.dir / "none.syx"));

    const auto keys = Cli({"lib", "keys", f.lib, "--json"});
    ASSERT_EXIT_CODE(keys, 0);
    ASSERT_EQ(keys.Json()["groups"].size(), 16u);
    EXPECT_EQ(keys.Json()["groups"][0]["keys"][0]["used"], 24);  // 3 entries x 8 keys of byte 1
}

TEST(cliLibrary, FailuresLeaveTheLibraryAsItWas) {
    LibraryFixture f;
    const auto before = tonalith::test::ReadFile(f.lib);
    // Combinations refer to programs: the library refuses them.
    auto r = Cli({"lib", "add", f.lib, f.bank, "--layer", "1", "--patches", "0"});
    EXPECT_EXIT_CODE(r, 1);
    EXPECT_NE(r.err.find("references to patches in other layers"), std::string::npos);
    EXPECT_EXIT_CODE(Cli({"lib", "add", f.lib, f.bank, "--layer", "0", "--patches", "200"}), 1);
    EXPECT_EQ(tonalith::test::ReadFile(f.lib), before);

    r = Cli({"lib", "list", (f.dir / "missing.clb").string()});
    EXPECT_EXIT_CODE(r, 1);
    EXPECT_NE(r.err.find("missing.clb"), std::string::npos);
    EXPECT_EXIT_CODE(Cli({"lib", "list", f.bank}), 1);  // not a library
    EXPECT_EXIT_CODE(Cli({"lib", "extract", f.lib, "--entries", "3", "-o", (f.dir / "none.syx").string()}), 1);
    EXPECT_FALSE(fs::exists(f.dir / "none.syx"));
    EXPECT_EXIT_CODE(Cli({"lib", "extract", f.lib, "-o", (f.dir / "none.syx").string()}), 2);
    EXPECT_EXIT_CODE(Cli({"lib"}), 2);
}
