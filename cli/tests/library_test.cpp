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
    const auto expr =
        Cli({"lib", "list", f.lib, "--name", "str", "--key", "2", "--op", "AND", "--key", "1", "--op", "OR", "--json"})
            .Json();
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
    EXPECT_EQ(keys.Json()["groups"][0]["keys"][0]["used"], 3);  // entries, not key slots
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
    r = Cli({"lib", "list", f.bank});  // not a library: said so, no conversion offered
    EXPECT_EXIT_CODE(r, 1);
    EXPECT_NE(r.err.find("korg.syx\" is not a library file"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Please enter"), std::string::npos) << r.err;
    r = Cli({"lib", "list", f.dir.string()});
    EXPECT_EXIT_CODE(r, 1);
    EXPECT_NE(r.err.find("is a directory"), std::string::npos) << r.err;
    EXPECT_EXIT_CODE(Cli({"lib", "set", f.lib, "--entries", "3", "--comment", "x"}), 2);
    EXPECT_EXIT_CODE(Cli({"lib", "set", f.lib, "--entries", "0", "--key", "9=2"}), 2);
    EXPECT_EXIT_CODE(Cli({"lib", "set", f.lib, "--entries", "0"}), 2);
    EXPECT_EXIT_CODE(Cli({"lib", "remove", f.lib, "--entries", "0,7"}), 2);
    EXPECT_EXIT_CODE(Cli({"lib", "add", f.lib, f.bank, f.bank, "--layer", "0"}), 2);
    EXPECT_EQ(tonalith::test::ReadFile(f.lib), before);
    EXPECT_EXIT_CODE(Cli({"lib", "extract", f.lib, "--entries", "3", "-o", (f.dir / "none.syx").string()}), 1);
    EXPECT_FALSE(fs::exists(f.dir / "none.syx"));
    EXPECT_EXIT_CODE(Cli({"lib", "extract", f.lib, "-o", (f.dir / "none.syx").string()}), 2);
    EXPECT_EXIT_CODE(Cli({"lib"}), 2);
}

TEST(cliLibrary, SetThenListByKeyAndRemove) {
    LibraryFixture f;
    ASSERT_EXIT_CODE(Cli({"lib", "set", f.lib, "--entries", "1-2", "--key", "2=17", "--comment", "warm"}), 0);
    ASSERT_EXIT_CODE(Cli({"lib", "set", f.lib, "--entries", "2", "--name", "Pad Two"}), 0);
    const auto listed = Cli({"lib", "list", f.lib, "--key", "17", "--json"}).Json();
    EXPECT_EQ(Indices(listed), (std::vector<int>{2, 1}));  // "Pad Two" before "Strings"
    EXPECT_EQ(listed["entries"][0]["name"].get<std::string>().rfind("Pad Two", 0), 0u);
    EXPECT_EQ(listed["entries"][0]["comment"], "warm");
    EXPECT_EQ(listed["entries"][0]["key_bytes"][1], 17);
    EXPECT_EQ(listed["entries"][0]["key_bytes"][0], 1);  // the other keys stay

    const auto keys = Cli({"lib", "keys", f.lib, "--json"}).Json();
    EXPECT_EQ(keys["groups"][1]["keys"][0]["byte"], 17);
    EXPECT_EQ(keys["groups"][1]["keys"][0]["used"], 2);

    const auto r = Cli({"lib", "remove", f.lib, "--entries", "0,2"});
    ASSERT_EXIT_CODE(r, 0);
    EXPECT_NE(r.out.find("2 entries removed"), std::string::npos);
    const auto rest = Cli({"lib", "list", f.lib, "--json"}).Json();
    ASSERT_EQ(rest["total"], 1);
    EXPECT_EQ(rest["entries"][0]["name"].get<std::string>().rfind("Strings", 0), 0u);
}

TEST(cliLibrary, DuplicateGroupsInsteadOfPairs) {
    LibraryFixture f;  // entries 0 and 2 are equal
    ASSERT_EXIT_CODE(Cli({"lib", "add", f.lib, f.bank, "--layer", "0", "--patches", "0"}), 0);
    const auto pairs = Cli({"lib", "dups", f.lib, "--json"}).Json();
    EXPECT_EQ(pairs["pairs"].size(), 3u);
    const auto r = Cli({"lib", "dups", f.lib, "--groups", "--json"});
    ASSERT_EXIT_CODE(r, 0);
    const auto groups = r.Json()["groups"];
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0]["entries"], nlohmann::json::array({0, 2, 3}));
    EXPECT_NE(Cli({"lib", "dups", f.lib, "--groups"}).out.find("1 group of equal patches (3 entries)"),
              std::string::npos);
}

TEST(cliLibrary, AddFilesAndFoldersInOneGo) {
    LibraryFixture f;
    const fs::path folder = f.dir / "dumps";
    fs::create_directories(folder / "deeper");
    fs::copy_file(f.bank, folder / "a.syx");
    fs::copy_file(f.bank, folder / "deeper" / "b.syx");
    tonalith::test::WriteFile(folder / "notes.txt", std::vector<std::uint8_t>{'h', 'i', '\n'});
    const std::string lib = (f.dir / "bulk.clb").string();
    ASSERT_EXIT_CODE(Cli({"lib", "new", lib}), 0);

    // The programs of the bank; combinations refer to them and are left out with one line.
    auto r = Cli({"lib", "add", lib, folder.string()});
    ASSERT_EXIT_CODE(r, 0);
    EXPECT_NE(r.err.find("notes.txt\": no plug-in reads this file"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("to patches in other layers"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("b.syx"), std::string::npos) << "not recursive";
    const int once = Cli({"lib", "list", lib, "--json"}).Json()["total"];
    EXPECT_GE(once, 200);
    EXPECT_NE(r.out.find(std::to_string(once) + " patches imported from 1 file, 1 file skipped"), std::string::npos)
        << r.out;

    // Again, deeper too, leaving out what is there: no program twice (types
    // that never compare equal, like the global data, cannot be duplicates).
    const auto programs = [&] {
        int n = 0;
        const auto listed = Cli({"lib", "list", lib, "--json"}).Json();
        for (const auto& e : listed["entries"]) n += e["type"] == "Korg 01w Program";
        return n;
    };
    const int programsOnce = programs();
    EXPECT_EQ(programsOnce, 200);
    r = Cli({"lib", "add", lib, folder.string(), "--recursive", "--skip-duplicates"});
    ASSERT_EXIT_CODE(r, 0);
    EXPECT_NE(r.out.find("from 2 files, 1 file skipped, 400 duplicates left out"), std::string::npos) << r.out;
    EXPECT_EQ(programs(), programsOnce);

    r = Cli({"lib", "add", lib, (f.dir / "nothing-here").string()});
    EXPECT_EXIT_CODE(r, 1);
    EXPECT_NE(r.err.find("nothing-here"), std::string::npos);
}

// A one-patch dump gives one entry, not the initial patches of the rest of its layer.
TEST(cliLibrary, AddFilesOnlyWhatTheFileHeld) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    const fs::path dir = clitest::Scratch();
    const std::string lib = (dir / "lib.clb").string();
    ASSERT_EXIT_CODE(Cli({"lib", "new", lib}), 0);
    const auto r = Cli({"lib", "add", lib, (data / "jv" / "JV1080_Super_JV_Pad_slot108.syx").string()});
    ASSERT_EXIT_CODE(r, 0);
    const auto listed = Cli({"lib", "list", lib, "--json"}).Json();
    ASSERT_EQ(listed["total"], 1);
    EXPECT_EQ(listed["entries"][0]["name"].get<std::string>().rfind("Super JV Pad", 0), 0u);
}
