// Refusals that say what is wrong, before anything is done.
#include <gtest/gtest.h>

#include <sstream>

#include "CliRunner.h"
#include "TestSupport.h"

using clitest::Cli;
namespace fs = std::filesystem;

TEST(cliErrors, AFolderMissingFolderOrMissingSubcommandIsNamed) {
    const fs::path dir = clitest::Scratch();
    for (const char* command : {"info", "hexdump", "verify"}) {
        const auto r = Cli({command, dir.string()});
        EXPECT_EXIT_CODE(r, 1);
        EXPECT_NE(r.err.find("\"" + dir.string() + "\" is a folder"), std::string::npos) << command << ": " << r.err;
    }
    const auto lib = Cli({"lib"});
    EXPECT_EXIT_CODE(lib, 2);
    EXPECT_NE(lib.err.find("subcommand"), std::string::npos) << lib.err;

    // Where a receive would write is checked before anything is asked for.
    const auto nowhere = Cli({"receive", "--synth", "Korg", "--command", "Korg 01/W Global", "--in", "x", "--out", "x",
                              "-o", (dir / "no" / "such" / "folder.syx").string()});
    EXPECT_EXIT_CODE(nowhere, 2);
    EXPECT_NE(nowhere.err.find("does not exist"), std::string::npos) << nowhere.err;
    const auto folder = Cli(
        {"receive", "--synth", "Korg", "--command", "Korg 01/W Global", "--in", "x", "--out", "x", "-o", dir.string()});
    EXPECT_EXIT_CODE(folder, 2);
    EXPECT_NE(folder.err.find("is a folder"), std::string::npos) << folder.err;
}

TEST(cliErrors, AnUnknownSortColumnListsTheTitles) {
    const fs::path dir = clitest::Scratch();
    const std::string lib = (dir / "lib.clb").string();
    ASSERT_EXIT_CODE(Cli({"lib", "new", lib}), 0);
    for (const char* column : {"Colour", "12", "-1"}) {
        const auto r = Cli({"lib", "list", lib, "--sort", column});
        EXPECT_EXIT_CODE(r, 2);
        EXPECT_NE(r.err.find("Name, Date, Comment"), std::string::npos) << column << ": " << r.err;
    }
    EXPECT_EXIT_CODE(Cli({"lib", "list", lib, "--sort", "11"}), 0);
}

TEST(cliErrors, HelpAllShowsEveryCommandsOptionsWithDefaults) {
    const auto r = Cli({"--help-all"});
    ASSERT_EXIT_CODE(r, 0);
    for (const char* text : {"config", "receive-all", "--silence", "--timeout", "--pause", "--sort", "--author"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text;
    EXPECT_NE(r.out.find("in [0 - 600]=3"), std::string::npos) << "the default --pause";
    // Inside the command groups too: lib list's options.
    EXPECT_NE(r.out.find("--skip-duplicates"), std::string::npos);
}

TEST(cliErrors, APlugInThatFailsToLoadIsToldOnce) {
    const fs::path dir = clitest::Scratch();
    tonalith::test::WriteFile(dir / "Broken.so", {'n', 'o', 't', ' ', 'E', 'L', 'F'});
    ::setenv("TONALITH_PLUGIN_PATH", dir.c_str(), 1);
    const auto r = Cli({"plugins"});
    ::unsetenv("TONALITH_PLUGIN_PATH");
    EXPECT_EXIT_CODE(r, 0);
    std::istringstream lines(r.err);
    int told = 0;
    for (std::string line; std::getline(lines, line);) told += line.find("Broken.so") != std::string::npos;
    EXPECT_EQ(told, 1) << r.err;
    EXPECT_NE(r.out.find("Korg 01w"), std::string::npos) << "the others still load";
}
