// The Layer Dependencies dialog over a bank of the test synth, whose sets use
// two voices each, and the same bank through the command line's `deps`.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QRadioButton>

#include <nlohmann/json.hpp>

#include "Layer.h"
#include "LayerDependenciesDlg.h"
#include "Patch.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "TestSupport.h"
#include "TonalithDoc.h"

namespace {

constexpr int kVoice = 0, kSet = 1;

QStringList Lines(const QListWidget& list) {
    QStringList lines;
    for (int i = 0; i < list.count(); ++i) lines << list.item(i)->text();
    return lines;
}

class LayerDependenciesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "bank_view_tests";
        static char* argv[] = {name};
        if (!qApp) new QApplication(argc, argv);
        CSynthMemoryFactory::SetSearchPath({TEST_PLUGIN_DIR});
    }

    // Set 1 uses voices 3 and 1, set 2 voice 3 twice, set 3 voices 5 and 1,
    // set 4 voices 6 and 3.
    void SetUp() override {
        CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
        for (int i = 0; i < factory.GetCount() && !memory; ++i)
            if (factory.GetMemory(i).GetName() == "Test Synth") memory = factory.GetMemory(i).CreateMemory();
        ASSERT_TRUE(memory);
        const std::uint8_t uses[4][2] = {{2, 0}, {2, 2}, {4, 0}, {5, 2}};
        CLayer& sets = memory->GetLayer(kSet);
        for (int i = 0; i < 4; ++i) {
            sets.GetPatch(i)->GetData()[8] = uses[i][0];
            sets.GetPatch(i)->GetData()[9] = uses[i][1];
        }
    }

    QString Label(int layer, int i) const { return QString::fromStdString(memory->GetLayer(layer).GetPatchLabel(i)); }

    std::unique_ptr<CSynthMemory> memory;
};

TEST_F(LayerDependenciesTest, ReferenceDirectionCountsEveryUseInFirstSeenOrder) {
    CLayerDependenciesDlg dialog(*memory, kVoice);
    EXPECT_EQ(dialog.windowTitle(), "Layer Dependencies");
    EXPECT_EQ(dialog.LayerText().text(), "the Voice layer:");
    EXPECT_TRUE(dialog.ReferencedFromButton().isChecked());

    // A voice uses nothing: no child layer, so nothing to list.
    EXPECT_EQ(dialog.OtherLayerCombo().count(), 0);
    EXPECT_FALSE(dialog.OtherLayerCombo().isEnabled());
    EXPECT_FALSE(dialog.PatchList().isEnabled());
    EXPECT_EQ(dialog.PatchList().count(), 0);

    dialog.ReferenceButton().click();
    ASSERT_EQ(dialog.OtherLayerCombo().count(), 1);
    EXPECT_EQ(dialog.OtherLayerCombo().currentText(), "Set");
    EXPECT_TRUE(dialog.PatchList().isEnabled());
    // Voices 2, 4, 7 and 8 are used by no set and are left out.
    EXPECT_EQ(Lines(dialog.PatchList()),
              QStringList({Label(kVoice, 2) + "\t4 time(s) used", Label(kVoice, 0) + "\t2 time(s) used",
                           Label(kVoice, 4) + "\t1 time(s) used", Label(kVoice, 5) + "\t1 time(s) used"}));
    EXPECT_EQ(dialog.PatchList().currentRow(), 0);
    EXPECT_EQ(Lines(dialog.DetailList()),
              QStringList({Label(kSet, 0), Label(kSet, 1), Label(kSet, 1), Label(kSet, 3)}));
    dialog.PatchList().setCurrentRow(1);
    EXPECT_EQ(Lines(dialog.DetailList()), QStringList({Label(kSet, 0), Label(kSet, 2)}));

    // Back to the first direction: empty again.
    dialog.ReferencedFromButton().click();
    EXPECT_EQ(dialog.PatchList().count(), 0);
    EXPECT_EQ(dialog.DetailList().count(), 0);
}

TEST_F(LayerDependenciesTest, ReferencedFromListsEveryPatchOfTheLayer) {
    CLayerDependenciesDlg dialog(*memory, kSet);
    EXPECT_EQ(dialog.LayerCombo().currentIndex(), kSet);
    EXPECT_EQ(dialog.LayerText().text(), "the Set layer:");
    ASSERT_EQ(dialog.OtherLayerCombo().count(), 1);
    EXPECT_EQ(dialog.OtherLayerCombo().currentText(), "Voice");
    EXPECT_EQ(Lines(dialog.PatchList()), QStringList({Label(kSet, 0), Label(kSet, 1), Label(kSet, 2), Label(kSet, 3)}));
    EXPECT_EQ(Lines(dialog.DetailList()), QStringList({Label(kVoice, 2), Label(kVoice, 0)}));
    dialog.PatchList().setCurrentRow(3);
    EXPECT_EQ(Lines(dialog.DetailList()), QStringList({Label(kVoice, 5), Label(kVoice, 2)}));

    // A set has no parent layer.
    dialog.ReferenceButton().click();
    EXPECT_EQ(dialog.OtherLayerCombo().count(), 0);
    EXPECT_FALSE(dialog.DetailList().isEnabled());

    // Choosing the other layer in the first combo starts over with it.
    dialog.LayerCombo().setCurrentIndex(kVoice);
    EXPECT_EQ(dialog.LayerText().text(), "the Voice layer:");
    EXPECT_EQ(dialog.PatchList().count(), 4);
}

#ifdef TONALITH_CLI_PATH
// The dialog and `tonalith-cli deps` read the same bank file the same way.
TEST_F(LayerDependenciesTest, DialogShowsWhatTheCommandLinePrints) {
    const std::filesystem::path file = tonalith::test::TempDir() / "deps.syx";
    {
        CTonalithDoc doc;
        doc.SetMemory(memory->CreateMemory());
        for (int i = 0; i < 4; ++i) doc.GetMemory()->GetLayer(kSet).SetPatch(i, *memory->GetLayer(kSet).GetPatch(i));
        ASSERT_TRUE(doc.OnSaveDocument(file.string()));
    }
    const auto deps = [&](int layer) {
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TONALITH_PLUGIN_PATH", TEST_PLUGIN_DIR);
        cli.setProcessEnvironment(env);
        cli.start(TONALITH_CLI_PATH,
                  {"deps", QString::fromStdString(file.string()), "--layer", QString::number(layer), "--json"});
        EXPECT_TRUE(cli.waitForFinished(60000));
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
        return nlohmann::ordered_json::parse(cli.readAllStandardOutput().toStdString());
    };

    const auto voices = deps(kVoice)["references"].at(0);
    CLayerDependenciesDlg dialog(*memory, kVoice);
    dialog.ReferenceButton().click();
    QStringList lines;
    for (const auto& line : voices["lines"]) lines << QString::fromStdString(line.get<std::string>());
    EXPECT_EQ(Lines(dialog.PatchList()), lines);
    int row = 0;
    for (const auto& [label, users] : voices["used_by"].items()) {
        dialog.PatchList().setCurrentRow(row++);
        QStringList expected;
        for (const auto& user : users) expected << QString::fromStdString(user.get<std::string>());
        EXPECT_EQ(Lines(dialog.DetailList()), expected) << label;
    }

    const auto sets = deps(kSet)["referenced_from"].at(0);
    dialog.LayerCombo().setCurrentIndex(kSet);
    dialog.ReferencedFromButton().click();
    row = 0;
    for (const auto& [label, used] : sets["patches"].items()) {
        EXPECT_EQ(dialog.PatchList().item(row)->text().toStdString(), label);
        dialog.PatchList().setCurrentRow(row++);
        QStringList expected;
        for (const auto& voice : used) expected << QString::fromStdString(voice.get<std::string>());
        EXPECT_EQ(Lines(dialog.DetailList()), expected) << label;
    }
    EXPECT_EQ(row, dialog.PatchList().count());
}
#endif

}  // namespace
