// Card bank names in the info texts of performance parts, SRX parts, and name
// files that cannot be read told to the user once.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "Ui.h"
#include "XVBoardDatabase.h"
#include "XVCardBanks.h"
#include "XVInfo.h"
#include "XVSynth.h"
#include "XVTestHelpers.h"

using namespace xv;

namespace {

// Binds card banks for one test and unbinds them after it.
class XVCardBanks : public ::testing::Test {
protected:
    void TearDown() override {
        for (int bank = 0; bank < CXVSynth::kCardBankCount; ++bank) CXVSynth::Get().SetCardBank(bank, "");
    }
};

}  // namespace

TEST_F(XVCardBanks, APerformancePartNamesTheSoundOfItsCardBank) {
    CXVSynthMemory card;
    card.GetPatchLayer().GetPatch(11)->SetName("Card Strings");
    card.GetRhythmLayer().GetPatch(2)->SetName("Card Kit");
    const auto path = tonalith::test::TempDir() / "card-c.syx";
    tonalith::test::WriteFile(path, xvtest::SaveAll(card));
    CXVSynth::Get().SetCardBank(2, path.string());

    CXVSynthMemory memory;
    CXVPerformance& perf = memory.GetPerformanceLayer().GetPerformance(0);
    const auto setPart = [&](int p, std::uint8_t msb, std::uint8_t lsb, std::uint8_t pc) {
        xvtest::SetPart(perf, p, msb, lsb, pc);
    };
    setPart(0, kMsbPatch, kLsbFirstCard + 2, 11);
    setPart(1, kMsbRhythm, kLsbFirstCard + 2, 2);
    setPart(2, kMsbPatch, kLsbFirstCard + 3, 11);  // bank D is not set
    setPart(3, kMsbPatch, kLsbFirstCard + 2, 12);  // a slot the file does not name differently
    const std::string info = memory.GetPerformanceLayer().GetInfoForPatch(0);
    EXPECT_NE(info.find("Part 1: Card C 12: Card Strings\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Part 2: Card C 3: Card Kit"), std::string::npos) << info;
    EXPECT_NE(info.find("Part 3: Card D 12\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Part 4: Card C 13: Init Patch\n"), std::string::npos) << info;

    // Only first messages of user records name sounds; garbage names nothing.
    const auto names = CXVCardBanks::ReadNames(std::vector<std::uint8_t>{0xF0, 0x41, 0xF7, 0x00, 0xF0});
    EXPECT_TRUE(std::all_of(names.patches.begin(), names.patches.end(), [](const auto& n) { return n.empty(); }));
}

TEST_F(XVCardBanks, AnUnreadableCardBankIsToldOnceAndNamesNothing) {
    const auto path = tonalith::test::TempDir() / "no-such-card.syx";
    CXVSynth::Get().SetCardBank(5, path.string());
    CScopedScriptedUi ui;
    ShowNameFileProblems();
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_NE(ui->messages[0].find("Error opening file \"" + path.string() + "\""), std::string::npos);
    ShowNameFileProblems();
    EXPECT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(CXVCardBanks::Get().GetName(5, false, 0), std::nullopt);
}

TEST(XVNames, SrxPartsNameTheirBoardAndSound) {
    const CXVBoardDatabase names(XV_DATA_DIR);
    // SRX-05 spans LSB 4..6: LSB 5, program 3 is its 131st patch.
    EXPECT_EQ(DescribePartSound(kMsbSrxPatch, 5, 2, nullptr, nullptr, names), "SRX-05 Supreme Dance BrassHit 5");
    EXPECT_EQ(DescribePartSound(kMsbSrxRhythm, 0, 19, nullptr, nullptr, names),
              "SRX-01 Dynamic Drum Kits 70JzFunk KIT");
    EXPECT_EQ(FindSrxSound(26, 0).board, 12);
    EXPECT_EQ(FindSrxSound(25, 0).board, 0);
    EXPECT_EQ(DescribePartSound(kMsbSrxPatch, 25, 0, nullptr, nullptr, names), "Bank 93/25 1");

    // A board the user installed whose file is missing is a problem; an absent one is not.
    const CXVBoardDatabase missing(XV_DATA_DIR);
    missing.GetGroupName(40, CXVBoardDatabase::SrxBoard);
    EXPECT_TRUE(missing.GetProblems().empty());
    missing.Require(40, CXVBoardDatabase::SrxBoard);
    missing.Require(40, CXVBoardDatabase::SrxBoard);
    EXPECT_EQ(missing.GetProblems(), (std::vector<std::string>{"Error opening file \"40.xboa\""}));
}
