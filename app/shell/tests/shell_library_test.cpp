// Library windows in the main frame: File > New, saving and opening a .clb.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QHeaderView>
#include <QMenuBar>
#include <QTableView>

#include "AppConfig.h"
#include "Commands.h"
#include "Functions.h"
#include "Layer.h"
#include "Library.h"
#include "LibraryDocument.h"
#include "LibraryModel.h"
#include "LibraryView.h"
#include "MainFrame.h"
#include "Patch.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "ShellTestSupport.h"
#include "Synth.h"
#include "TestSupport.h"
#include "Ui.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/Guard.h"

namespace fs = std::filesystem;

namespace {

class ShellLibraryTest : public CShellFixture {
protected:
    void SetUp() override {
        CShellFixture::SetUp();
        CLibraryView::SetAuditionSink([](const CPatch&) {});
    }
    void TearDown() override { CLibraryView::SetAuditionSink({}); }

    // File > New with the row the user picks.
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
};

}  // namespace

TEST_F(ShellLibraryTest, NewLibraryIsSavedAndOpensAgainFromItsFile) {
    CScopedScriptedUi ui;
    CMainFrame frame;
    ChooseNew(frame, 2);  // a controller form: its menu, not the library's
    EXPECT_NE(frame.ActiveControllerView(), nullptr);
    EXPECT_FALSE(MenuBarHas(frame, "&Library"));
    frame.MdiArea().closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(frame.MdiArea().subWindowList().isEmpty());

    ChooseNew(frame, 1);
    CLibraryView* view = frame.ActiveLibraryView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(frame.ActiveBankView(), nullptr);
    EXPECT_TRUE(MenuBarHas(frame, "&Library"));
    EXPECT_FALSE(frame.UndoAction().isEnabled());
    const std::vector<std::string> tools = view->GetToolMenuTexts();
    const QList<QAction*> entries = frame.ToolsMenu().actions();
    ASSERT_EQ(entries.size(), std::max<qsizetype>(1, static_cast<qsizetype>(tools.size())));
    if (!tools.empty()) {
        EXPECT_EQ(entries.front()->text().toStdString(), tools.front());
    }

    CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
    ASSERT_GT(factory.GetCount(), 0);
    const CPatch* patch = factory.GetMemory(0).GetLayer(0).GetPatch(0);
    ASSERT_NE(patch, nullptr);
    ASSERT_TRUE(view->AddPatches({patch}));
    EXPECT_TRUE(frame.UndoAction().isEnabled());
    EXPECT_EQ(frame.UndoAction().text(), "Undo: Paste Patches\tCtrl+Z");

    view->Table().horizontalHeader()->resizeSection(2, 210);
    view->SortByColumn(11);  // a command like any other: saved below
    const fs::path file = tonalith::test::TempDir() / "mine.clb";
    ui->files.push_back(file.string());
    for (QAction* action : frame.findChildren<QAction*>())
        if (action->text().startsWith("&Save\t")) action->trigger();
    ASSERT_TRUE(fs::exists(file));
    EXPECT_FALSE(view->GetDocument().IsModified());

    frame.SaveLayout();
    EXPECT_EQ(CAppConfig::Get().GetString("WIN_POS_CHILDWINPATH1"), fs::absolute(file).lexically_normal().string());

    frame.MdiArea().closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(MenuBarHas(frame, "&Library"));
    frame.RestoreLayout({});  // the library with its columns and sort
    ASSERT_EQ(frame.MdiArea().subWindowList().size(), 1);
    QMdiSubWindow* window = frame.MdiArea().subWindowList().front();
    view = qobject_cast<CLibraryView*>(window->widget());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Table().horizontalHeader()->sectionSize(2), 210);
    EXPECT_EQ(view->Model().SortColumn(), 11);
    ASSERT_EQ(view->GetDocument().GetLibrary().GetSize(), 1);
    EXPECT_EQ(view->Model().rowCount(), 1);
    EXPECT_EQ(view->GetDocument().GetLibrary().Get(0).Name(), patch->GetName());
    EXPECT_EQ(frame.OpenDocumentFile(file.string()), window);  // not opened twice
}

// The piano keyboard and the remote thru play on the output of the selected patch's synth.
TEST_F(ShellLibraryTest, OutputDevicesFollowTheSelectedPatchOfALibrary) {
    CScopedScriptedUi ui;
    CMainFrame frame;
    ChooseNew(frame, 1);
    CLibraryView* view = frame.ActiveLibraryView();
    ASSERT_NE(view, nullptr);
    CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
    ASSERT_GT(factory.GetCount(), 0);
    CSynth* synth = factory.GetMemory(0).GetSynth();
    ASSERT_NE(synth, nullptr);
    // The plug-in's settings outlive the test: put its port back however the test ends.
    struct Restore {
        CSynth& synth;
        int device = synth.GetMidiOutputDevice();
        std::string name = synth.GetMidiOutputDeviceName();
        ~Restore() { synth.SetMidiOutputDevice(device, name); }
    } restore{*synth};
    synth->SetMidiOutputDevice(3, "Port 3");
    const CPatch* first = factory.GetMemory(0).GetLayer(0).GetPatch(0);
    const CPatch* second = factory.GetMemory(0).GetLayer(0).GetPatch(1);
    ASSERT_TRUE(first && second);

    EXPECT_TRUE(frame.ActiveOutputDevices().empty());  // an empty library
    ASSERT_TRUE(view->AddPatches({first, second}));
    view->SelectIndices({});
    EXPECT_EQ(view->FocusedPatch(), nullptr);
    EXPECT_TRUE(frame.ActiveOutputDevices().empty());  // nothing selected: nowhere to play

    view->SelectIndices({1});
    EXPECT_EQ(view->FocusedPatch(), view->GetDocument().GetLibrary().GetPatch(1));
    EXPECT_EQ(frame.ActiveOutputDevices(), (std::vector<int>{3}));

    synth->SetMidiOutputDevice(-1);  // the synth has no output
    EXPECT_TRUE(frame.ActiveOutputDevices().empty());
}
