#include <string>
#include <vector>

#include "File.h"
#include "Functions.h"
#include "StringTable.h"
#include "TestSupport.h"
#include "Ui.h"

using Bytes = std::vector<std::uint8_t>;

TEST(StringToHex, PlainPairsAndPlaceholdersWithoutEncoding) {
    EXPECT_EQ(CFunctions::StringToHex("F0 42 30 2b\t41\n06 F7"), (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x41, 0x06, 0xF7}));
    EXPECT_EQ(CFunctions::StringToHex("F0 41 10 6A 12 03 00 SS F7"),
              (Bytes{0xF0, 0x41, 0x10, 0x6A, 0x12, 3, 0, 0, 0xF7}));
    EXPECT_EQ(CFunctions::StringToHex("  "), Bytes{});
    EXPECT_EQ(CFunctions::HexToString(Bytes{0xF0, 0x0A, 0x7F}), "F0 0A 7F");
}

TEST(StringToHex, RolandChecksumForOneAndTwoByteModelIds) {
    // JV (model 6A): address 03 00 11 00, data 00 -> sum 0x14 -> 0x6C.
    EXPECT_EQ(CFunctions::StringToHex("F0 41 10 6A 12 03 00 11 00 00 SS F7", 1),
              (Bytes{0xF0, 0x41, 0x10, 0x6A, 0x12, 0x03, 0x00, 0x11, 0x00, 0x00, 0x6C, 0xF7}));
    // XV (model 00 10): the second model byte is not summed: 10 00 00 00 7F -> 0x8F -> 0x71.
    const Bytes xv = CFunctions::StringToHex("F0 41 7F 00 10 12 10 00 00 00 7F SS F7", 1);
    EXPECT_EQ(xv.at(11), 0x71);
    // Several messages, each with its own checksum; a sum of 0 stays 0.
    const Bytes two =
        CFunctions::StringToHex("F0 41 10 42 12 40 00 7F 00 SS F7 F0 41 10 6A 12 40 00 7F 00 41 SS F7", 1);
    ASSERT_EQ(two.size(), 23u);
    EXPECT_EQ(two[9], 0x41);
    EXPECT_EQ(two[21], 0x00);
}

TEST(StringToHex, MalformedTextNamesTheToken) {
    const auto message = [](std::string_view text, int encoding) -> std::string {
        try {
            CFunctions::StringToHex(text, encoding);
        } catch (const CHexFormatError& e) {
            return e.what();
        }
        return "no error";
    };
    EXPECT_NE(message("F0 4 F7", 0).find("\"4\""), std::string::npos);
    EXPECT_NE(message("F0 4G F7", 0).find("\"4G\""), std::string::npos);
    EXPECT_NE(message("F0 ss F7", 0).find("\"ss\""), std::string::npos);
    EXPECT_NE(message("F0 SSS F7", 0).find("\"SSS\""), std::string::npos);
    EXPECT_NE(message("F0 41 GÖ", 0).find("GÖ"), std::string::npos);
    // A checksum the template cannot place is an error, not a guess.
    EXPECT_NE(message("SS F0 41 10 6A 12 00 F7", 1).find("\"SS\""), std::string::npos);
    EXPECT_NE(message("F0 43 10 6A 12 00 SS F7", 1).find("\"SS\""), std::string::npos);
    EXPECT_NE(message("F0 41 10 6A SS F7", 1).find("\"SS\""), std::string::npos);
}

TEST(Functions, RolandChecksumAndBits) {
    EXPECT_EQ(CFunctions::CalcRolandCheckSum(Bytes{}), 0);
    EXPECT_EQ(CFunctions::CalcRolandCheckSum(Bytes{0x40, 0x00, 0x7F, 0x00, 0x41}), 0);
    EXPECT_EQ(CFunctions::CalcRolandCheckSum(Bytes{0x40, 0x00, 0x7F, 0x00}), 0x41);
    EXPECT_TRUE(CFunctions::IsBitSet(0x80, 7));
    EXPECT_FALSE(CFunctions::IsBitSet(0x80, 6));
    EXPECT_FALSE(CFunctions::IsBitSet(~0u, 40));
    for (int i = 0; i < 100; ++i) {
        const int r = CFunctions::random(3);
        EXPECT_TRUE(r >= 0 && r < 3);
    }
    EXPECT_EQ(CFunctions::random(0), 0);
}

TEST(Functions, FormatAndFileErrorMessages) {
    EXPECT_EQ(CFunctions::FormatMessage("%2 then %1, %3 stays", {"a%2", "b"}), "b then a%2, %3 stays");
    CScopedScriptedUi ui;
    const CFileException e(CFileException::accessDenied, "/x/bank.clb");
    CFunctions::ShowFileException(61217, e);
    CFunctions::ShowFileException(61218, e);
    ASSERT_EQ(ui->messages.size(), 2u);
    EXPECT_EQ(ui->messages[0], "Error while opening library file: " + e.GetErrorMessage());
    EXPECT_EQ(ui->messages[1], "Error while saving !\n" + e.GetErrorMessage());
    EXPECT_NE(e.GetErrorMessage().find("bank.clb"), std::string::npos);
}

TEST(StringTable, BuiltInTextsAndAdditions) {
    EXPECT_EQ(CStringTable::Get(62009), "'%1' does already exist.\nDo want to overwrite it ?");
    EXPECT_EQ(CStringTable::Get(300).substr(0, 4), ">>> ");
    EXPECT_EQ(CStringTable::Get(65017), "Error writing SMPL chunk.");
    EXPECT_EQ(CStringTable::Get(1), "");
    CStringTable::Add(62000, "replaced");  // built-in texts win
    CStringTable::Add(70001, "first");
    CStringTable::Add(70001, "second");
    EXPECT_EQ(CStringTable::Get(62000), "Click the Stop-button to stop sending MIDI data.");
    EXPECT_EQ(CStringTable::Get(70001), "first");
}

TEST(Ui, ScopedScriptedUiAnswersFromQueuesAndRestores) {
    CUi* before = &CUi::Get();
    {
        CScopedScriptedUi ui;
        EXPECT_EQ(&CUi::Get(), &*ui);
        ui->answers = {true};
        ui->files = {"/tmp/a.syx"};
        EXPECT_TRUE(CUi::Get().AskYesNo("Overwrite?"));
        EXPECT_FALSE(CUi::Get().AskYesNo("Again?"));
        EXPECT_EQ(CUi::Get().ChooseOpenFile("Open", "*.syx"), "/tmp/a.syx");
        EXPECT_EQ(CUi::Get().ChooseOpenFile("Open", "*.syx"), std::nullopt);
        EXPECT_EQ(ui->questions.size(), 2u);
    }
    EXPECT_EQ(&CUi::Get(), before);
    EXPECT_FALSE(CUi::Get().AskYesNo("console says no"));
}
