// Real transfers through the executable: receive-all, receive and send against
// the simulated synth over a JACK dummy server of the test's own.
#include <gtest/gtest.h>

#include <regex>

#include "CliRunner.h"
#include "JackServer.h"
#include "TestSupport.h"

using clitest::Cli;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return std::to_string(local.tm_mday) + "." + std::to_string(local.tm_mon + 1) + "." +
           std::to_string(local.tm_year + 1900);
}

class CliTransfer : public ::testing::Test {
protected:
    void SetUp() override {
        const auto jack = m_jack.StartForTest("tonalith-clixfer");
        if (jack.verdict == jack.Skip) GTEST_SKIP() << jack.reason;
        ASSERT_EQ(jack.verdict, jack.Run) << jack.reason;
        m_dir = clitest::Scratch();
        m_bank = m_dir / "korg.syx";
        ASSERT_EQ(Cli({"new", "--synth", "Korg", "-o", m_bank.string()}).exitCode, 0);
        m_sim = "clisim-" + std::to_string(::getpid());
        ASSERT_TRUE(
            m_synthsim.Start({SYNTHSIM_PATH, "--name", m_sim, "--jack", "--store", (m_dir / "store.syx").string(),
                              "--rate", "100000", "--data", m_bank.string(), "--quiet"},
                             (m_dir / "synthsim.log").string()));
        ASSERT_TRUE(m_synthsim.ReadLine(10s)) << "synthsim did not start";
    }
    void TearDown() override {
        m_synthsim.Stop();
        m_jack.Stop();
    }

    tonalith::test::CJackServer m_jack;
    tonalith::test::CChild m_synthsim;
    fs::path m_dir, m_bank;
    std::string m_sim;
};

}  // namespace

TEST_F(CliTransfer, ReceiveAllWritesTheDatedFolderAndSaysWhatCame) {
    const fs::path out = m_dir / "dumps";
    fs::create_directories(out / Today());  // today's folder exists: the next one is "-1"
    const auto r = Cli({"receive-all", "--out-dir", out.string(), "--api", "jack", "--in", m_sim, "--out", m_sim,
                        "--pause", "0.2", "Korg 01w/Korg 01/W Global", "Korg 01w/Korg 01/W All Programs"});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    const fs::path folder = out / (Today() + "-1");
    EXPECT_EQ(fs::file_size(folder / "1 - Korg 01_W Global.syx"), 31u) << r.out;
    EXPECT_EQ(fs::file_size(folder / "2 - Korg 01_W All Programs.syx"), 39322u) << r.out;
    EXPECT_NE(r.out.find("31 bytes, complete"), std::string::npos) << r.out;

    // A dump the synth does not answer fails, the others are kept, and the exit says so.
    const auto bad = Cli({"receive-all", "--out-dir", out.string(), "--api", "jack", "--in", m_sim, "--out", m_sim,
                          "--pause", "0", "Korg 01w/Korg 01/W Global", "Korg 01w/Korg 01/W Drum Kits"});
    EXPECT_EQ(bad.exitCode, 1) << bad.out << bad.err;
    EXPECT_EQ(fs::file_size(out / (Today() + "-2") / "1 - Korg 01_W Global.syx"), 31u);
    EXPECT_EQ(Cli({"receive-all", "--out-dir", out.string(), "No Such Synth/Dump"}).exitCode, 2);
}

TEST_F(CliTransfer, SendArrivesByteExactAndReceiveSavesTheDump) {
    const auto sent = Cli({"send", m_bank.string(), "--api", "jack", "--out", m_sim});
    ASSERT_EQ(sent.exitCode, 0) << sent.err;
    const auto original = tonalith::test::ReadFile(m_bank);
    ASSERT_TRUE(tonalith::test::WaitUntil(
        [&] { return fs::exists(m_dir / "store.syx") && fs::file_size(m_dir / "store.syx") >= original.size(); }));
    EXPECT_EQ(tonalith::test::ReadFile(m_dir / "store.syx"), original);

    const fs::path target = m_dir / "global.syx";
    const auto got = Cli({"receive", "--api", "jack", "--synth", "Korg 01w", "--command", "Korg 01/W Global", "--in",
                          m_sim, "--out", m_sim, "-o", target.string()});
    EXPECT_EQ(got.exitCode, 0) << got.err;
    EXPECT_EQ(fs::file_size(target), 31u);
}

// A second simulated unit: a JV-1080 that answers with its user patches.
TEST_F(CliTransfer, AJV1080BankReceivedUnderTheDefaultGenerationIsCompleteWithANote) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    const fs::path bank = data / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx";
    const std::string jv = "jvsim-" + std::to_string(::getpid());
    tonalith::test::CChild unit;
    ASSERT_TRUE(
        unit.Start({SYNTHSIM_PATH, "--name", jv, "--jack", "--rate", "100000", "--data", bank.string(), "--quiet"},
                   (m_dir / "jvsim.log").string()));
    ASSERT_TRUE(unit.ReadLine(10s)) << "synthsim did not start";

    const fs::path target = m_dir / "user-patches.syx";
    const auto r = Cli({"receive", "--api", "jack", "--synth", "Roland JV", "--command", "User Patches", "--in", jv,
                        "--out", jv, "-o", target.string(), "--silence", "2", "--timeout", "120", "--progress"});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("82304 bytes received"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("complete for the JV-1010 / 1080 (82304 bytes; 82560 under the settings)"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("--set WHICHSYNTH=0 keeps the file's"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(" / 82560 bytes, "), std::string::npos) << "--progress draws without a terminal";
    EXPECT_EQ(tonalith::test::ReadFile(target), tonalith::test::ReadFile(bank));

    // Both units' ports hold "sim-<pid>": such a part names no one port and is refused with both.
    const std::string part = "sim-" + std::to_string(::getpid());
    const auto both = Cli({"send", m_bank.string(), "--api", "jack", "--out", part});
    EXPECT_EQ(both.exitCode, 2) << both.err;
    EXPECT_NE(both.err.find(jv), std::string::npos) << both.err;
    EXPECT_NE(both.err.find(m_sim), std::string::npos) << both.err;
    unit.Stop();
}
