// MIDI commands through the executable, without devices: the port list and
// every way a transfer can be refused before anything is sent.
#include <gtest/gtest.h>

#include "CliRunner.h"
#include "TestSupport.h"

using clitest::Cli;
namespace fs = std::filesystem;

TEST(cliMidi, PortsAnswerEvenWithoutAMidiSystem) {
    const auto r = Cli({"ports", "--json"});
    ASSERT_EXIT_CODE(r, 0);
    const auto ports = r.Json();
    EXPECT_TRUE(ports["inputs"].is_array());
    EXPECT_TRUE(ports["outputs"].is_array());
    EXPECT_TRUE(ports.contains("api"));
    EXPECT_EXIT_CODE(Cli({"ports", "--api", "carrier-pigeon"}), 2);

    // Without a JACK server the JSON still answers, with the reason, and the exit says so.
    const auto jack = Cli({"ports", "--api", "jack", "--json"});
    ASSERT_TRUE(jack.exitCode == 0 || jack.exitCode == 1) << jack.err;
    const auto answer = jack.Json();
    EXPECT_EQ(answer["api"], "JACK");
    EXPECT_EQ(answer["error"].get<std::string>().empty(), jack.exitCode == 0) << jack.out;
    // Without a server: one line saying what to do, none of the MIDI libraries' own.
    if (jack.exitCode == 1) {
        EXPECT_EQ(jack.err, "tonalith-cli: " + answer["error"].get<std::string>() + "\n");
    }
}

TEST(cliMidi, TransfersFailCleanlyWithoutThePort) {
    const fs::path dir = clitest::Scratch();
    const std::string bank = (dir / "korg.syx").string();
    ASSERT_EXIT_CODE(Cli({"new", "--synth", "Korg", "-o", bank}), 0);
    const std::string nowhere = "no-such-port-on-this-machine";

    auto r = Cli({"send", bank, "--layers", "3", "--out", nowhere});
    EXPECT_EXIT_CODE(r, 1);
    EXPECT_NE(r.err.find(nowhere), std::string::npos);
    EXPECT_EXIT_CODE(Cli({"send", bank, "--layers", "9", "--out", nowhere}), 1);
    EXPECT_EXIT_CODE(Cli({"send", (dir / "missing.syx").string(), "--out", nowhere}), 1);
    EXPECT_EXIT_CODE(Cli({"send", bank}), 2);

    r = Cli({"receive", "--synth", "Korg", "--command", "Korg 01/W Global", "--in", nowhere, "--out", nowhere, "-o",
             (dir / "got.syx").string()});
    EXPECT_EXIT_CODE(r, 1);
    EXPECT_FALSE(fs::exists(dir / "got.syx"));
    r = Cli({"receive", "--synth", "Korg", "--command", "Everything", "--in", "0", "--out", "0", "-o",
             (dir / "got.syx").string()});
    EXPECT_EXIT_CODE(r, 1);
    EXPECT_NE(r.err.find("Korg 01/W Global"), std::string::npos);  // lists the commands there are
    EXPECT_EXIT_CODE(Cli({"receive", "--synth", "NoSuchSynth", "--command", "x", "--in", "0", "--out", "0", "-o",
                          (dir / "got.syx").string()}),
                     1);
    EXPECT_EXIT_CODE(Cli({"receive", "--synth", "Korg", "--command", "x", "--out", "0", "-o", "x.syx"}), 2);

    r = Cli({"play", bank, "--out", nowhere});  // not a MIDI file
    EXPECT_EXIT_CODE(r, 1);
    EXPECT_NE(r.err.find(bank), std::string::npos);
    EXPECT_EXIT_CODE(Cli({"play", (dir / "missing.mid").string(), "--out", nowhere}), 1);
}

TEST(cliMidi, PlayFindsNoPortForAGoodFile) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    const auto r = Cli({"play", (data / "midi" / "test-c-major-scale.mid").string(), "--out", "no-such-port"});
    EXPECT_EXIT_CODE(r, 1);
    EXPECT_NE(r.err.find("no MIDI output port"), std::string::npos) << r.err;
}

// Part of a name must name one port: "Loopback" names both loopback outputs.
TEST(cliMidi, APortNameMatchingSeveralPortsIsRefused) {
    ::setenv("TONALITH_MIDI_API", "Loopback", 1);
    const fs::path dir = clitest::Scratch();
    const std::string bank = (dir / "korg.syx").string();
    ASSERT_EXIT_CODE(Cli({"new", "--synth", "Korg", "-o", bank}), 0);

    const auto both = Cli({"send", bank, "--layers", "3", "--out", "Loopback"});
    EXPECT_EXIT_CODE(both, 2);
    EXPECT_NE(both.err.find("Loopback Out 1"), std::string::npos) << both.err;
    EXPECT_NE(both.err.find("Loopback Out 2"), std::string::npos) << both.err;
    EXPECT_EQ(both.out.find("sent"), std::string::npos) << "nothing was sent";

    EXPECT_EXIT_CODE(Cli({"send", bank, "--layers", "3", "--out", "Out 2"}), 0);
    EXPECT_EXIT_CODE(Cli({"send", bank, "--layers", "3", "--out", "Loopback Out 1"}), 0);
    ::unsetenv("TONALITH_MIDI_API");
}
