// Controller form commands through the executable.
#include <gtest/gtest.h>

#include "CliRunner.h"
#include "TestSupport.h"

using clitest::Cli;
namespace fs = std::filesystem;

TEST(cliForms, BuildAFormAndReadItBack) {
    const fs::path dir = clitest::Scratch();
    const std::string form = (dir / "panel.cof").string();
    ASSERT_EXIT_CODE(
        Cli({"form", "new", form, "--author", "Ann", "--email", "ann@example.org", "--description", "Filter"}), 0);
    auto knob = Cli({"form", "add", form, "--type", "Knob", "--rect", "10,10,60,60", "--set", "Controller=74", "--set",
                     "Offset=-64", "--set", "Value=64", "--set", "Port=2", "--set", "Tooltip=Cut off"});
    ASSERT_EXIT_CODE(knob, 0);
    EXPECT_EQ(knob.out, "0\n");
    ASSERT_EXIT_CODE(
        Cli({"form", "add", form, "--type", "Group/Text", "--rect", "0,0,200,100", "--set", "Text=Filter"}), 0);
    ASSERT_EXIT_CODE(Cli({"form", "add", form, "--type", "Slider", "--rect", "70,10,90,110", "--set", "Type=5"}), 0);
    ASSERT_EXIT_CODE(Cli({"form", "snapshot", form, "--name", "Start"}), 0);

    const auto info = Cli({"form", "info", form, "--json"});
    ASSERT_EXIT_CODE(info, 0);
    const auto f = info.Json();
    EXPECT_EQ(f["author"], "Ann");
    EXPECT_EQ(f["email"], "ann@example.org");
    EXPECT_EQ(f["description"], "Filter");
    EXPECT_EQ(f["tab_order"], nlohmann::json::array({0, 2}));  // group frames take no tab stop
    ASSERT_EQ(f["items"].size(), 3u);
    const auto& k = f["items"][0];
    EXPECT_EQ(k["type"], "Knob");
    EXPECT_EQ(k["rect"], nlohmann::json::array({10, 10, 60, 60}));
    EXPECT_EQ(k["fields"]["Controller"], 74);
    EXPECT_EQ(k["fields"]["Port"], 2);  // kept although this machine has no MIDI outputs
    EXPECT_EQ(k["fields"]["Tooltip"], "Cut off");
    EXPECT_EQ(f["items"][1]["fields"]["Text"], "Filter");
    EXPECT_EQ(f["items"][2]["fields"]["Message"], "EK 00 XX");  // picking Pitch Bend puts in its template
    ASSERT_EQ(f["snapshots"].size(), 1u);
    EXPECT_EQ(f["snapshots"][0]["name"], "Start");
    EXPECT_EQ(f["snapshots"][0]["positions"], nlohmann::json::array({0, 2}));
    EXPECT_EQ(f["snapshots"][0]["values"], nlohmann::json::array({64, 0}));

    // The knob reports 100; the form adds the Offset before building "BK TT XX".
    const auto send = Cli({"form", "send", form, "--item", "0", "--value", "100"});
    EXPECT_EXIT_CODE(send, 0);
    EXPECT_EQ(send.out, "B0 4A 24\n");
}

TEST(cliForms, BadFieldsAndMissingControlsAreRefused) {
    const fs::path dir = clitest::Scratch();
    const std::string form = (dir / "panel.cof").string();
    ASSERT_EXIT_CODE(Cli({"form", "new", form}), 0);
    const auto before = tonalith::test::ReadFile(form);
    EXPECT_EXIT_CODE(Cli({"form", "add", form, "--type", "Knob", "--rect", "0,0,10,10", "--set", "Channel=16"}), 2);
    EXPECT_EXIT_CODE(Cli({"form", "add", form, "--type", "Knob", "--rect", "0,0,10,10", "--set", "Colour=red"}), 2);
    EXPECT_EXIT_CODE(Cli({"form", "add", form, "--type", "Dial", "--rect", "0,0,10,10"}), 2);
    EXPECT_EXIT_CODE(Cli({"form", "add", form, "--type", "Knob", "--rect", "10,10,0,0"}), 2);
    EXPECT_EXIT_CODE(Cli({"form", "add", form, "--type", "Choose", "--rect", "0,0,10,10", "--set", "Texts=A\r\nB",
                          "--set", "Values=1"}),
                     2);
    EXPECT_EQ(tonalith::test::ReadFile(form), before);

    EXPECT_EXIT_CODE(Cli({"form", "send", form, "--item", "0", "--value", "1"}), 1);
    // A template that is not hex is refused when the control is added, not when it is first moved.
    const auto notHex = Cli({"form", "add", form, "--type", "Button", "--rect", "0,0,10,10", "--set", "Message=F0 q1"});
    EXPECT_EXIT_CODE(notHex, 2);
    EXPECT_NE(notHex.err.find("F0 q1"), std::string::npos) << notHex.err;
    EXPECT_EQ(tonalith::test::ReadFile(form), before);
    // A value the control cannot report is refused with its range.
    ASSERT_EXIT_CODE(Cli({"form", "add", form, "--type", "Knob", "--rect", "0,0,10,10", "--set", "Minimum=10", "--set",
                          "Maximum=20"}),
                     0);
    const auto outside = Cli({"form", "send", form, "--item", "0", "--value", "21"});
    EXPECT_EXIT_CODE(outside, 2);
    EXPECT_NE(outside.err.find("10..20"), std::string::npos) << outside.err;
    EXPECT_EXIT_CODE(Cli({"form", "send", form, "--item", "0", "--value", "20"}), 0);
    auto missing = Cli({"form", "info", (dir / "missing.cof").string()});
    EXPECT_EXIT_CODE(missing, 1);
    EXPECT_NE(missing.err.find("missing.cof"), std::string::npos);
    EXPECT_EXIT_CODE(Cli({"form", "info", tonalith::test::TempDir().string()}), 1);  // a folder
    EXPECT_EXIT_CODE(Cli({"form", "send", form, "--item", "0"}), 2);
}
