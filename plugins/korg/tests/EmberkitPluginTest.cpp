// The built Emberkit.so as the program sees it: through the factory.
#include <gtest/gtest.h>

#include "model/EmberkitFormat.h"
#include "File.h"
#include "Patch.h"
#include "Synth.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "Ui.h"

namespace {

TEST(EmberkitPlugin, LoadsThroughTheFactoryAndRecognisesItsDumps) {
    CScopedScriptedUi ui;
    CSynthMemoryFactory::SetSearchPath({EMBERKIT_PLUGIN_DIR});
    {
        CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
        EXPECT_TRUE(factory.GetLoadErrors().empty()) << factory.GetLoadErrors().front();
        CSynthMemory* prototype = factory.GetSynthMemoryfromPatchType(emberkit::kProgramPatchGuid);
        ASSERT_NE(prototype, nullptr);
        EXPECT_EQ(prototype->GetName(), "Korg 01w");
        EXPECT_EQ(prototype->GetVersion(), "4.54");
        EXPECT_EQ(prototype->GetMemoryGuid().ToString(), "{90FFCDB0-F3F8-11D2-9847-006008CC23FE}");
        EXPECT_EQ(std::string(prototype->GetRuntimeClass()->m_lpszClassName), "CEmberkitSynthMemory");
        EXPECT_EQ(prototype->GetToolbarId(), 200u);
        ASSERT_EQ(prototype->GetAdditionalToolsCount(), 1);
        EXPECT_EQ(prototype->GetAdditionalTool(0).GetMenuText(), "&Virtual Synth...");
        const char* layers[]{"Program", "Combination", "Drum", "Global"};
        const int counts[]{200, 200, 4, 1};
        ASSERT_EQ(prototype->GetLayerCount(), 4);
        for (int l = 0; l < 4; ++l) {
            EXPECT_EQ(prototype->GetLayer(l).GetName(), layers[l]);
            EXPECT_EQ(prototype->GetLayer(l).GetPatchCount(), counts[l]);
        }
        EXPECT_EQ(prototype->GetLayer(0).GetParentLayer(0), &prototype->GetLayer(1));

        CSynth& synth = *prototype->GetSynth();
        EXPECT_EQ(synth.GetInputBlockSize(), 80000);
        EXPECT_EQ(synth.GetDumpCommandsCount(), 6);
        EXPECT_EQ(synth.GetDumpCommand(0).m_expectedSize, 39322);
        ASSERT_EQ(synth.GetSettingFields().size(), 1u);
        EXPECT_EQ(synth.GetSettingFields()[0].key, "CHANNEL");
        EXPECT_TRUE(ui->messages.empty()) << ui->messages.front();  // the name file lies beside the plug-in

        const std::vector<std::uint8_t> data(172, 0x41);
        CMemFile file(emberkit::BuildSingleDump(emberkit::kProgramDump, data, 1), "one.syx");
        auto memory = factory.CreateMatchingMemory(file);
        ASSERT_NE(memory, nullptr);
        EXPECT_EQ(memory->GetName(), "Korg 01w");
        memory->Load(file);
        EXPECT_EQ(memory->GetLayer(0).GetPatch(0)->GetName(), "AAAAAAAAAA");

        auto patch = factory.CreatePatch(emberkit::kCombinationPatchGuid);
        ASSERT_NE(patch, nullptr);
        EXPECT_EQ(patch->GetName(), "Init Combi");
    }
    CSynthMemoryFactory::Delete();
}

}  // namespace
