// A bank saved to a disk that fills up part way: the old .syx file survives, the
// user is told, and the bank stays modified.
#include <gtest/gtest.h>

#include <filesystem>

#include "FileSizeLimit.h"
#include "Layer.h"
#include "Patch.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "TestSupport.h"
#include "TonalithDoc.h"
#include "Ui.h"

namespace fs = std::filesystem;
using tonalith::test::ReadFile;

TEST(DiskFull, BankSaveKeepsTheOldFileAndReports) {
    CSynthMemoryFactory::SetSearchPath({FAULT_PLUGIN_DIR});
    auto& factory = CSynthMemoryFactory::Get();
    const auto choosable = CTonalithDoc::ChoosableMemories(factory);
    ASSERT_FALSE(choosable.empty()) << "no synth plug-ins in " << FAULT_PLUGIN_DIR;
    const fs::path dir = tonalith::test::TempDir();
    const fs::path path = dir / "bank.syx";
    {
        CTonalithDoc doc;
        ASSERT_TRUE(doc.OnNewDocument(factory, choosable.front()));
        CScopedScriptedUi ui;
        ASSERT_TRUE(doc.OnSaveDocument(path.string()));
        const auto old = ReadFile(path);
        ASSERT_GT(old.size(), 2u);

        doc.GetMemory()->GetLayer(0).GetPatch(0)->SetName("Changed");
        doc.SetModifiedFlag(true);
        for (const rlim_t cut :
             {rlim_t{0}, rlim_t{1}, static_cast<rlim_t>(old.size() / 2), static_cast<rlim_t>(old.size() - 1)}) {
            ui->messages.clear();
            bool saved;
            {
                tonalith::faults::CFileSizeLimit full(cut);
                saved = doc.OnSaveDocument(path.string());
            }
            EXPECT_FALSE(saved) << "cut at " << cut;
            EXPECT_EQ(ReadFile(path), old) << "cut at " << cut;
            EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "cut at " << cut;
            ASSERT_EQ(ui->messages.size(), 1u) << "cut at " << cut;
            EXPECT_NE(ui->messages[0].find("bank.syx"), std::string::npos) << ui->messages[0];
            EXPECT_TRUE(doc.IsModified());
        }
        ASSERT_TRUE(doc.OnSaveDocument(path.string()));
        EXPECT_NE(ReadFile(path), old);
        EXPECT_FALSE(doc.IsModified());
    }
    CSynthMemoryFactory::Delete();
}
