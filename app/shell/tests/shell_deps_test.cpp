// Edit > Layer Dependencies opens the dialog on the active bank's current layer,
// and only while a bank is active.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>

#include "BankView.h"
#include "Layer.h"
#include "LayerDependenciesDlg.h"
#include "MainFrame.h"
#include "ShellTestSupport.h"
#include "TestSupport.h"
#include "Ui.h"
#include "tonalith/ui/DialogRunner.h"

namespace {

using ShellDepsTest = CShellFixture;

QAction* EditMenuAction(CMainFrame& frame, const QString& text) {
    for (QAction* menu : frame.menuBar()->actions())
        if (menu->text() == "&Edit")
            for (QAction* a : menu->menu()->actions())
                if (a->text() == text) return a;
    return nullptr;
}

TEST_F(ShellDepsTest, EditMenuOpensTheDialogOnTheCurrentLayer) {
    CScopedScriptedUi ui;
    CMainFrame frame;
    QAction* action = EditMenuAction(frame, "Layer &Dependencies...");
    ASSERT_NE(action, nullptr);
    EXPECT_FALSE(action->isEnabled());

    // One voice of the test synth: its memory has voices used by sets.
    std::vector<std::uint8_t> voice{0xF0, 0x7D, 0x01, 0x11};
    voice.insert(voice.end(), 16, 0x2A);
    voice.push_back(0xF7);
    const auto file = tonalith::test::TempDir() / "voice.syx";
    tonalith::test::WriteFile(file, voice);
    ASSERT_NE(frame.OpenDocumentFile(file.string()), nullptr);
    CTonalithView* view = frame.ActiveBankView();
    ASSERT_NE(view, nullptr);
    view->SelectLayer(1);
    EXPECT_TRUE(action->isEnabled());

    QString layer, other;
    int lines = -1;
    tonalith::ui::ScopedDialogRunner runner([&](QDialog& dialog) {
        auto* deps = dynamic_cast<CLayerDependenciesDlg*>(&dialog);
        if (!deps) return 0;
        layer = deps->LayerCombo().currentText();
        other = deps->OtherLayerCombo().currentText();
        lines = deps->PatchList().count();
        return 0;
    });
    action->trigger();
    EXPECT_EQ(layer, "Set");
    EXPECT_EQ(other, "Voice");
    EXPECT_EQ(lines, view->GetCurrentLayer().GetPatchCount());
}

}  // namespace
