// lib extract: the entries' patches land in consecutive slots of a bank of their
// type, and the file reopens with each one in its slot.
#include <gtest/gtest.h>

#include <algorithm>

#include "CliRunner.h"
#include "TestSupport.h"

using clitest::Cli;
namespace fs = std::filesystem;

namespace {

// Entries 0..127: the JV field bank's patches. 128..130: Korg programs "Alpha",
// "Bravo", "Charlie" (programs 0..2), 131: a Korg drum kit unlike the initial ones.
struct ExtractFixture {
    fs::path dir = clitest::Scratch();
    std::string lib = (dir / "lib.clb").string();
    nlohmann::json jvPatches;

    explicit ExtractFixture(const fs::path& jvBank) {
        const std::string korg = (dir / "korg.syx").string();
        EXPECT_EXIT_CODE(Cli({"new", "--synth", "Korg", "-o", korg}), 0);
        const std::vector<std::pair<std::string, std::string>> names{{"0", "Alpha"}, {"1", "Bravo"}, {"2", "Charlie"}};
        for (const auto& [patch, name] : names)
            EXPECT_EXIT_CODE(Cli({"rename", korg, "--layer", "0", "--patch", patch, "--name", name, "-o", korg}), 0);
        // Drum kits have no name to tell them apart: kit 0's first sound is changed in
        // the drum dump (the file's third message; after its header, an MSB byte, then data).
        auto bytes = tonalith::test::ReadFile(korg);
        std::size_t drums = 0;
        for (int n = 0; n < 3; ++n)
            drums = static_cast<std::size_t>(std::find(bytes.begin() + drums + (n ? 1 : 0), bytes.end(), 0xF0) -
                                             bytes.begin());
        bytes.at(drums + 7) = static_cast<std::uint8_t>(bytes.at(drums + 7) ^ 0x05);
        tonalith::test::WriteFile(korg, bytes);
        EXPECT_EXIT_CODE(Cli({"lib", "new", lib}), 0);
        EXPECT_EXIT_CODE(Cli({"lib", "add", lib, jvBank.string(), "--layer", "0"}), 0);
        EXPECT_EXIT_CODE(Cli({"lib", "add", lib, korg, "--layer", "0", "--patches", "0-2"}), 0);
        EXPECT_EXIT_CODE(Cli({"lib", "add", lib, korg, "--layer", "2", "--patches", "0"}), 0);
        jvPatches = Cli({"info", jvBank.string(), "--json"}).Json()["layers"][0]["patches"];
    }

    nlohmann::json Patches(const std::string& file, int layer) const {
        const auto info = Cli({"info", file, "--json"});
        EXPECT_EXIT_CODE(info, 0);
        EXPECT_TRUE(info.err.empty()) << info.err;  // no load problem
        return info.Json()["layers"][layer]["patches"];
    }
};

int CountMessages(const std::string& file) {
    const auto bytes = tonalith::test::ReadFile(file);
    return static_cast<int>(std::count(bytes.begin(), bytes.end(), 0xF0));
}

}  // namespace

TEST(cliExtract, JVPatchesGoToConsecutiveSlotsAsRecordsOfTheirOwn) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    const ExtractFixture f(data / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx");
    ASSERT_EQ(f.jvPatches.size(), 128u);

    const std::string two = (f.dir / "two.syx").string();
    const auto r = Cli({"lib", "extract", f.lib, "--entries", "0,97", "-o", two});
    ASSERT_EXIT_CODE(r, 0);
    EXPECT_NE(r.out.find("the extracted records only"), std::string::npos) << r.out;
    const auto patches = f.Patches(two, 0);
    EXPECT_EQ(patches[0]["name"], f.jvPatches[0]["name"]);
    EXPECT_EQ(patches[1]["name"], f.jvPatches[97]["name"]);
    EXPECT_EQ(CountMessages(two), 2 * 5);  // two records of five messages: just the patches

    // From --to on, in the order the entries were given.
    const std::string placed = (f.dir / "placed.syx").string();
    ASSERT_EXIT_CODE(Cli({"lib", "extract", f.lib, "--entries", "5,3", "--to", "126", "-o", placed}), 0);
    const auto at = f.Patches(placed, 0);
    EXPECT_EQ(at[126]["name"], f.jvPatches[5]["name"]);
    EXPECT_EQ(at[127]["name"], f.jvPatches[3]["name"]);
}

TEST(cliExtract, KorgProgramsAndDrumKitsGoToSlotsOfTheirLayer) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    const ExtractFixture f(data / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx");

    // Single program messages would all be the current program: the layer is written.
    const std::string programs = (f.dir / "programs.syx").string();
    const auto r = Cli({"lib", "extract", f.lib, "--entries", "130,128,129", "--to", "10", "-o", programs});
    ASSERT_EXIT_CODE(r, 0);
    EXPECT_NE(r.out.find("the whole layer"), std::string::npos) << r.out;
    const auto slots = f.Patches(programs, 0);
    EXPECT_EQ(slots[10]["name"], "Charlie   ");
    EXPECT_EQ(slots[11]["name"], "Alpha     ");
    EXPECT_EQ(slots[12]["name"], "Bravo     ");

    // A drum kit and a program: each to slot 1 of its own layer, both in one file.
    const std::string kit = (f.dir / "kit.syx").string();
    ASSERT_EXIT_CODE(Cli({"lib", "extract", f.lib, "--entries", "131,128", "--to", "1", "-o", kit}), 0);
    EXPECT_EQ(f.Patches(kit, 0)[1]["name"], "Alpha     ");
    // Kit data in the all-drum-kits dump (function 52): 7 bytes packed into 8, kit k from data byte 420 k.
    const auto DrumData = [](const std::vector<std::uint8_t>& bytes, std::size_t dataByte) {
        for (std::size_t i = 0; i + 4 < bytes.size(); ++i)
            if (bytes[i] == 0xF0 && bytes[i + 4] == 0x52) return bytes.at(i + 6 + dataByte / 7 * 8 + 1 + dataByte % 7);
        ADD_FAILURE() << "no drum kit dump";
        return std::uint8_t{0};
    };
    const auto source = tonalith::test::ReadFile(f.dir / "korg.syx");
    const auto written = tonalith::test::ReadFile(kit);
    EXPECT_EQ(DrumData(written, 420), DrumData(source, 0));  // the changed kit, now in slot 1
    EXPECT_NE(DrumData(written, 0), DrumData(source, 0));  // slot 0 holds an initial kit
    EXPECT_EQ(DrumData(written, 0), DrumData(source, 420));
}

TEST(cliExtract, MixedSynthsAndSlotsBeyondTheBankAreRefused) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    const ExtractFixture f(data / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx");
    const std::string out = (f.dir / "none.syx").string();
    auto r = Cli({"lib", "extract", f.lib, "--entries", "0,128", "-o", out});
    EXPECT_EXIT_CODE(r, 2);
    EXPECT_NE(r.err.find("different synth memories"), std::string::npos) << r.err;
    r = Cli({"lib", "extract", f.lib, "--entries", "0,1", "--to", "127", "-o", out});
    EXPECT_EXIT_CODE(r, 2);
    EXPECT_NE(r.err.find("128 slots"), std::string::npos) << r.err;
    EXPECT_EXIT_CODE(Cli({"lib", "extract", f.lib, "--entries", "0", "--to", "-1", "-o", out}), 2);
    EXPECT_FALSE(fs::exists(out));
}
