// Controller forms in the main frame: File > New, the controller menu and
// toolbar, saving and opening a .cof with the window layout.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QToolBar>

#include "AppConfig.h"
#include "Commands.h"
#include "ControllerCommands.h"
#include "ControllerView.h"
#include "MainFrame.h"
#include "ShellTestSupport.h"
#include "TestSupport.h"
#include "Ui.h"
#include "tonalith/ui/DialogRunner.h"

namespace fs = std::filesystem;

namespace {

class ShellControllerTest : public CShellFixture {
protected:
    static void ChooseNew(CMainFrame& frame, int row) {
        tonalith::ui::ScopedDialogRunner runner([row](QDialog& d) {
            d.findChild<QListWidget*>()->setCurrentRow(row);
            return int(QDialog::Accepted);
        });
        frame.OnFileNew();
    }
    static bool MenuBarHas(CMainFrame& frame, const QString& title) {
        for (QAction* action : frame.menuBar()->actions())
            if (action->text() == title && action->isVisible()) return true;
        return false;
    }
    static void Trigger(CMainFrame& frame, const QString& textStart) {
        for (QAction* action : frame.findChildren<QAction*>())
            if (action->text().startsWith(textStart)) return action->trigger();
        ADD_FAILURE() << "no action " << textStart.toStdString();
    }
};

}  // namespace

TEST_F(ShellControllerTest, NewFormIsSavedAndReopensIdentical) {
    CScopedScriptedUi ui;
    CMainFrame frame;
    EXPECT_FALSE(MenuBarHas(frame, "&Controller"));
    ChooseNew(frame, 2);
    CControllerView* view = frame.ActiveControllerView();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(ui->messages.empty());
    EXPECT_TRUE(MenuBarHas(frame, "&Controller"));
    EXPECT_FALSE(frame.ControllerToolBar().isHidden());
    EXPECT_EQ(view->GetMode(), CControllerView::RunMode);

    Trigger(frame, "&Design");
    ASSERT_EQ(view->GetMode(), CControllerView::DesignMode);
    CControllerDocument& form = view->GetDocument();
    for (int k = 0; k < 2; ++k)
        view->GetCommands().Execute(std::make_unique<CInsertItemCommand>(
            form, std::make_unique<CContainerItem>(CRect{10 + 60 * k, 10, 60 + 60 * k, 60},
                                                   std::make_unique<CKnobItemData>())));
    form.SetInfo("Ann", "ann@example.org", "Two knobs");
    Trigger(frame, "&Design");  // back to run mode
    EXPECT_FALSE(frame.UndoAction().isEnabled());  // undo is a design-mode command
    EXPECT_TRUE(frame.SnapshotCombo().isEnabled());
    Trigger(frame, "&Design");
    EXPECT_EQ(frame.UndoAction().text(), "Undo: Insert \"Knob\" Item\tCtrl+Z");
    EXPECT_FALSE(frame.SnapshotCombo().isEnabled());  // recall works in run mode only
    Trigger(frame, "&Design");

    form.SetControlValue(1, 77, false);
    Trigger(frame, "&Add Snapshot");
    ASSERT_EQ(frame.SnapshotCombo().count(), 1);
    EXPECT_EQ(frame.SnapshotCombo().itemText(0), "New");
    EXPECT_EQ(frame.ActiveOutputDevices(), (std::vector<int>{0}));

    const fs::path file = tonalith::test::TempDir() / "panel.cof";
    ui->files.push_back(file.string());
    Trigger(frame, "&Save\t");  // a new form asks for its file
    ASSERT_TRUE(fs::exists(file));
    EXPECT_FALSE(form.IsModified());
    const std::vector<std::uint8_t> saved = form.SaveToBytes();

    frame.SaveLayout();
    EXPECT_EQ(CAppConfig::Get().GetString("WIN_POS_CHILDWINPATH1"), fs::absolute(file).lexically_normal().string());
    frame.MdiArea().closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    EXPECT_FALSE(MenuBarHas(frame, "&Controller"));
    EXPECT_TRUE(frame.ControllerToolBar().isHidden());

    frame.RestoreLayout({});
    ASSERT_EQ(frame.MdiArea().subWindowList().size(), 1);
    QMdiSubWindow* window = frame.MdiArea().subWindowList().front();
    view = qobject_cast<CControllerView*>(window->widget());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->GetDocument().SaveToBytes(), saved);
    EXPECT_EQ(view->GetDocument().GetItem(1).GetValue(), 77);
    EXPECT_EQ(frame.SnapshotCombo().count(), 1);
    EXPECT_EQ(frame.OpenDocumentFile(file.string()), window);  // not opened twice
    EXPECT_TRUE(ui->messages.empty());
}
