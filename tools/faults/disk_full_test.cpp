// Saves that run out of space part way: the old file must survive byte for byte,
// no temporary file may be left, the user must be told, and the document must
// stay modified so the work can still be saved elsewhere.
#include <gtest/gtest.h>

#include <filesystem>

#include "BasicConfig.h"
#include "ContainerItem.h"
#include "ControllerDocument.h"
#include "FaultPatch.h"
#include "FileSizeLimit.h"
#include "ItemData.h"
#include "LibraryDocument.h"
#include "LibraryFile.h"
#include "LibraryKeys.h"
#include "TestSupport.h"
#include "Ui.h"

namespace fs = std::filesystem;
using tonalith::faults::CFileSizeLimit;
using tonalith::test::ReadFile;
using tonalith::test::TempDir;

namespace {

// Files in the folder other than the one saved: leftovers of a failed save.
std::vector<std::string> Leftovers(const fs::path& file) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
        if (entry.path() != file) names.push_back(entry.path().filename().string());
    return names;
}

// Limits that cut the new file at its first byte, inside the first buffer, half
// way and at its very last byte.
std::vector<rlim_t> CutPoints(std::size_t newSize) {
    return {0, 1, 4096, static_cast<rlim_t>(newSize / 2), static_cast<rlim_t>(newSize - 1)};
}

}  // namespace

TEST(DiskFull, LibrarySaveKeepsTheOldFileAndReports) {
    const fs::path path = TempDir() / "patches.clb";
    CLibraryDocument doc(CLibraryKeyNames(), tonalith::faults::FaultCreator());
    tonalith::faults::FillLibrary(doc.GetLibrary(), 50, 1);
    ASSERT_TRUE(doc.OnSaveDocument(path.string()));
    const auto old = ReadFile(path);

    tonalith::faults::FillLibrary(doc.GetLibrary(), 120, 2);
    doc.SetModifiedFlag(true);
    CMemFile expected;
    LibraryFile::Write(expected, doc.GetLibrary());
    for (const rlim_t cut : CutPoints(expected.Data().size())) {
        CScopedScriptedUi ui;
        bool saved;
        {
            CFileSizeLimit full(cut);
            saved = doc.OnSaveDocument(path.string());
        }
        EXPECT_FALSE(saved) << "cut at " << cut;
        EXPECT_EQ(ReadFile(path), old) << "cut at " << cut;
        EXPECT_TRUE(Leftovers(path).empty()) << "cut at " << cut << ": " << Leftovers(path).front();
        ASSERT_EQ(ui->messages.size(), 1u) << "cut at " << cut;
        EXPECT_NE(ui->messages[0].find("patches.clb"), std::string::npos) << ui->messages[0];
        EXPECT_TRUE(doc.IsModified());
    }
    // With room again the same document saves completely.
    ASSERT_TRUE(doc.OnSaveDocument(path.string()));
    EXPECT_EQ(ReadFile(path), expected.Data());
}

TEST(DiskFull, ControllerFormSaveKeepsTheOldFileAndReports) {
    const fs::path path = TempDir() / "panel.cof";
    CControllerDocument doc;
    ASSERT_TRUE(doc.OnSaveDocument(path.string()));
    const auto old = ReadFile(path);

    for (int i = 0; i < 200; ++i) {
        auto knob = std::make_unique<CKnobItemData>();
        knob->m_strMessage = "F0 41 10 42 12 40 00 XX SS F7";
        knob->m_strTooltip = "Knob " + std::to_string(i);
        doc.InsertItem(i, std::make_unique<CContainerItem>(CRect{i, i, i + 40, i + 40}, std::move(knob)));
    }
    doc.SetModifiedFlag(true);
    const auto expected = doc.SaveToBytes();
    for (const rlim_t cut : CutPoints(expected.size())) {
        CScopedScriptedUi ui;
        bool saved;
        {
            CFileSizeLimit full(cut);
            saved = doc.OnSaveDocument(path.string());
        }
        EXPECT_FALSE(saved) << "cut at " << cut;
        EXPECT_EQ(ReadFile(path), old) << "cut at " << cut;
        EXPECT_TRUE(Leftovers(path).empty()) << "cut at " << cut;
        ASSERT_EQ(ui->messages.size(), 1u) << "cut at " << cut;
        EXPECT_NE(ui->messages[0].find("panel.cof"), std::string::npos) << ui->messages[0];
        EXPECT_TRUE(doc.IsModified());
    }
    ASSERT_TRUE(doc.OnSaveDocument(path.string()));
    EXPECT_EQ(ReadFile(path), expected);
}

TEST(DiskFull, SettingsSaveKeepsTheOldFileAndStaysModified) {
    const fs::path path = TempDir() / "Tonalith.ini";
    {
        CBasicConfig config(path.string());
        config.PutString("Path", "/old");
        ASSERT_TRUE(config.Save());
    }
    const auto old = ReadFile(path);
    CBasicConfig config(path.string());
    for (int i = 0; i < 300; ++i) config.PutString("Key" + std::to_string(i), std::string(40, 'v'));
    const std::string expected = config.ToText();
    for (const rlim_t cut : CutPoints(expected.size())) {
        bool saved;
        {
            CFileSizeLimit full(cut);
            saved = config.Save();
        }
        EXPECT_FALSE(saved) << "cut at " << cut;
        EXPECT_EQ(ReadFile(path), old) << "cut at " << cut;
        EXPECT_TRUE(Leftovers(path).empty()) << "cut at " << cut;
        EXPECT_TRUE(config.IsModified());
    }
    ASSERT_TRUE(config.Save());
    CBasicConfig reread(path.string());
    EXPECT_EQ(reread.GetString("Key299"), std::string(40, 'v'));
    EXPECT_EQ(reread.GetString("Path"), "/old");
}
