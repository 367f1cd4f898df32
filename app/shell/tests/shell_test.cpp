// The program's shell: settings, opening by extension, layout, status bar,
// settings dialog, and a real JV bank end to end.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QMdiSubWindow>
#include <QTabBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "AppConfig.h"
#include "BankView.h"
#include "File.h"
#include "Functions.h"
#include "Layer.h"
#include "Patch.h"
#include "Synth.h"
#include "LibraryView.h"
#include "MainFrame.h"
#include "MidiStatusBar.h"
#include "SettingsDlg.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "ShellTestSupport.h"
#include "TestSupport.h"
#include "TonalithDoc.h"
#include "Ui.h"
#include "Commands.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/Guard.h"

namespace fs = std::filesystem;

namespace {

class ShellTest : public CShellFixture {
protected:
    void SetUp() override {
        CShellFixture::SetUp();
        CTonalithView::SetAuditionSink([](const CPatch&) {});
    }
    void TearDown() override { CTonalithView::SetAuditionSink({}); }

    std::vector<CTonalithView*> Banks(CMainFrame& frame) {
        std::vector<CTonalithView*> out;
        for (QMdiSubWindow* w : frame.MdiArea().subWindowList())
            if (auto* v = qobject_cast<CTonalithView*>(w->widget())) out.push_back(v);
        return out;
    }
};

}  // namespace

TEST_F(ShellTest, SettingsDefaultsListsAndEndMarks) {
    const fs::path ini = tonalith::test::TempDir() / "Tonalith.ini";
    {
        CAppConfig fresh(ini.string());
        EXPECT_EQ(fresh.m_patchesInCol, 25);
        EXPECT_EQ(fresh.m_fontType, "MS Sans Serif");
        EXPECT_EQ(fresh.m_viewFontSize, 13);
        EXPECT_TRUE(fresh.m_pianoKeyboardActive);
        EXPECT_EQ(fresh.m_remote, 6);
        EXPECT_EQ(fresh.m_envPresetNames[9], "Preset 10");
        EXPECT_EQ(fresh.m_envLevels[0][1], 50);
        fresh.PutInt("REMOTEIN0", 2);
        fresh.PutInt("REMOTEIN1", -1);
        fresh.PutInt("REMOTEIN2", 3);
        fresh.Read();
        EXPECT_EQ(fresh.m_remoteIn, std::vector<int>{2});
        fresh.m_disabledMem = {"Emberkit"};
        fresh.m_disabledMemPath = {"/p/Emberkit.so"};
    }  // written here
    CAppConfig again(ini.string());
    EXPECT_EQ(again.m_disabledMem, std::vector<std::string>{"Emberkit"});
    EXPECT_EQ(again.GetString("DISABLEDMEM1", "x"), "");
    EXPECT_EQ(again.GetInt("REMOTEIN1", 0), -1);
    EXPECT_EQ(again.GetInt("REMOTEIN2", 0), 3);  // left from the longer list, ignored
}

TEST_F(ShellTest, OpeningByExtension) {
    EXPECT_EQ(DocumentKindOf("x.SYX"), DocumentKind::Bank);
    EXPECT_EQ(DocumentKindOf("x.txt"), DocumentKind::Bank);
    EXPECT_EQ(DocumentKindOf("dir.d/x"), DocumentKind::Bank);
    EXPECT_EQ(DocumentKindOf("x.CLB"), DocumentKind::Library);
    EXPECT_EQ(DocumentKindOf("x.Cof"), DocumentKind::Controller);

    CScopedScriptedUi ui;
    CMainFrame frame;
    const fs::path dir = tonalith::test::TempDir();
    tonalith::test::WriteFile(dir / "lib.CLB", {1, 2, 3});
    EXPECT_EQ(frame.OpenDocumentFile((dir / "lib.CLB").string()), nullptr);
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_NE(ui->messages[0].find("lib.CLB"), std::string::npos);
    // A library file opens in a library window, once.
    tonalith::test::WriteFile(dir / "good.clb", {'T', 'L', 'L', 'I', 'B', '1', '0', '0'});
    QMdiSubWindow* library = frame.OpenDocumentFile((dir / "good.clb").string());
    ASSERT_NE(library, nullptr);
    EXPECT_NE(qobject_cast<CLibraryView*>(library->widget()), nullptr);
    EXPECT_EQ(frame.OpenDocumentFile((dir / "good.clb").string()), library);
    EXPECT_EQ(ui->messages.size(), 1u);
    library->close();
    tonalith::test::WriteFile(dir / "data.txt", {0xF0, 0x43, 0x01, 0xF7});
    QMdiSubWindow* window = frame.OpenDocumentFile((dir / "data.txt").string());
    ASSERT_NE(window, nullptr);
    auto* view = qobject_cast<CTonalithView*>(window->widget());
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->GetDocument().GetMemory()->IsGeneric());
    EXPECT_EQ(frame.ActiveBankView(), view);
    EXPECT_TRUE(frame.UndoAction().text().startsWith("Undo"));
}

TEST_F(ShellTest, LayoutRestoreStopsAtFirstEmptyPathAndSaveHasNoGaps) {
    CScopedScriptedUi ui;
    const fs::path dir = tonalith::test::TempDir();
    tonalith::test::WriteFile(dir / "a.syx", {0xF0, 0x43, 0xF7});
    tonalith::test::WriteFile(dir / "b.syx", {0xF0, 0x44, 0xF7});
    {
        CAppConfig& config = CAppConfig::Get();
        config.PutString("WIN_POS_CHILDWINPATH1", "");
        config.PutString("WIN_POS_CHILDWINPATH2", (dir / "a.syx").string());
        EXPECT_TRUE(ReadLayoutPaths(config).empty());
        CMainFrame frame;
        frame.RestoreLayout({});
        EXPECT_TRUE(Banks(frame).empty());
        // An unsaved bank is not recorded; saved ones are numbered 1, 2.
        frame.OpenDocumentFile((dir / "a.syx").string());
        auto doc = std::make_unique<CTonalithDoc>();
        doc->SetMemory(CSynthMemoryFactory::Get().GetMemory(0).CreateMemory());
        frame.MdiArea().addSubWindow(new CTonalithView(std::move(doc)));
        frame.OpenDocumentFile((dir / "b.syx").string());
        frame.SaveLayout();
        EXPECT_EQ(ReadLayoutPaths(config),
                  (std::vector<std::string>{(dir / "a.syx").string(), (dir / "b.syx").string()}));
        EXPECT_EQ(config.GetString("WIN_POS_CHILDWINPATH3", "x"), "");
    }  // the frame's end writes the settings
    CMainFrame again;
    again.RestoreLayout({(dir / "b.syx").string()});  // already open: not twice
    EXPECT_EQ(Banks(again).size(), 2u);
}

TEST_F(ShellTest, StatusBarAndActivityLight) {
    CMainFrame frame;
    CMidiStatusBar& bar = frame.MidiStatusBar();
    frame.OnMidiNotify(MIDI_END, 1, MIDI_ERR_OPEN_OUTPUT);
    EXPECT_TRUE(bar.HasTimedMessage());
    EXPECT_EQ(bar.MessageText(), "Error opening MIDI output device.");
    bar.KillMessageTimer();
    EXPECT_FALSE(bar.HasTimedMessage());
    frame.OnMidiNotify(MIDI_SHORT, 0x403C90, 0x403C90);
    EXPECT_TRUE(bar.IsIndicatorLit());
}

TEST_F(ShellTest, SettingsPagesStoreWhenLeftAndCancelKeepsThat) {
    CMainFrame frame;
    CAppConfig& config = CAppConfig::Get();
    config.m_disabledMem.clear();
    tonalith::ui::ScopedDialogRunner runner([](QDialog& d) {
        auto& dialog = dynamic_cast<CSettingsDlg&>(d);
        auto* page = dynamic_cast<CAppSettingsPage*>(dialog.CurrentPage());
        EXPECT_NE(page, nullptr);
        if (!page) return int(QDialog::Rejected);
        QListWidget& list = page->Memories();
        // The generic memory is never listed.
        for (int i = 0; i < list.count(); ++i) EXPECT_FALSE(list.item(i)->text().startsWith("Generic"));
        EXPECT_GE(list.count(), 1);
        list.setCurrentRow(0);
        page->SetDeactivated(true);
        EXPECT_TRUE(list.item(0)->text().endsWith("\tDISABLED"));
        dialog.Tabs().setCurrentIndex(1);  // leaving Global stores it
        return int(QDialog::Rejected);
    });
    frame.OnSettings();
    ASSERT_EQ(config.m_disabledMem.size(), 1u);
    EXPECT_EQ(config.m_disabledMem[0], "Test Synth");
}

TEST_F(ShellTest, APluginsRegisteredSettingsPageReplacesTheBuiltOne) {
    // A plug-in's own page: the device block and one setting of its own.
    class CPluginPage final : public CSettingsTemplateDlg {
    public:
        CPluginPage(CSynth& synth, QWidget* parent)
            : CSettingsTemplateDlg(synth, parent), m_mode(new QCheckBox("Mode", this)) {
            PageLayout().addWidget(m_mode);
        }
        QCheckBox& Mode() const { return *m_mode; }

    protected:
        void LoadSettings(CSynth& synth) override {
            m_mode->setChecked(synth.GetConfig().GetBoolean("PAGEMODE", false));
        }
        void StoreSettings(CSynth& synth) override { synth.GetConfig().PutBoolean("PAGEMODE", m_mode->isChecked()); }

    private:
        QCheckBox* m_mode;
    };
    const tonalith::ui::CSettingsPageRegistration registration(
        "Test Synth", [](CSynth& synth, QWidget* parent) { return new CPluginPage(synth, parent); });
    CMainFrame frame;
    const CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
    int memory = 0;
    while (memory < factory.GetCount() && factory.GetMemory(memory).GetName() != "Test Synth") ++memory;
    ASSERT_LT(memory, factory.GetCount());
    bool shown = false;
    tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
        auto& dialog = dynamic_cast<CSettingsDlg&>(d);
        dialog.Tabs().setCurrentIndex(memory + 1);
        auto* page = dynamic_cast<CPluginPage*>(dialog.CurrentPage());
        shown = page != nullptr;
        if (!page) return int(QDialog::Rejected);
        page->Mode().setChecked(true);
        dialog.accept();
        return int(QDialog::Accepted);
    });
    frame.OnSettings();
    EXPECT_TRUE(shown);
    const CSynth* synth = factory.GetMemory(memory).GetSynth();
    ASSERT_NE(synth, nullptr);
    EXPECT_TRUE(synth->GetConfig().GetBoolean("PAGEMODE", false));
}

TEST_F(ShellTest, JvBankOpensSwitchesLayersAndSavesTheSameBytes) {
    TONALITH_FIELD_DATA_OR_SKIP(field);
    const fs::path file = field / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx";
    if (!fs::exists(file)) GTEST_SKIP() << "no " << file;
    CSynthMemoryFactory::SetSearchPath(CSynthMemoryFactory::DefaultSearchPath());
    CScopedScriptedUi ui;
    CMainFrame frame;
    QMdiSubWindow* window = frame.OpenDocumentFile(file.string());
    ASSERT_NE(window, nullptr);
    auto* view = qobject_cast<CTonalithView*>(window->widget());
    if (view->GetDocument().GetMemory()->IsGeneric()) GTEST_SKIP() << "the JV plug-in is not built";
    const CSynthMemory& memory = *view->GetDocument().GetMemory();
    int userPatch = -1;
    for (int i = 0; i < memory.GetLayerCount(); ++i)
        if (memory.GetLayer(i).GetName() == "User Patch") userPatch = i;
    ASSERT_GE(userPatch, 0);
    // The layer buttons carry the layer names and switch the view.
    ASSERT_GT(memory.GetLayerCount(), 1);
    frame.LayerButtons()[static_cast<std::size_t>(userPatch)]->trigger();
    EXPECT_EQ(view->GetCurrentLayerIndex(), userPatch);
    EXPECT_EQ(frame.LayerButtons()[static_cast<std::size_t>(userPatch)]->text().toStdString(), "User Patch");
    const CLayer& layer = view->GetCurrentLayer();
    int named = 0;
    for (int i = 0; i < layer.GetPatchCount(); ++i)
        if (layer.GetPatch(i)->GetName().find_first_not_of(' ') != std::string::npos) ++named;
    EXPECT_EQ(named, layer.GetPatchCount());
    const int other = userPatch == 0 ? 1 : 0;
    frame.LayerButtons()[static_cast<std::size_t>(other)]->trigger();
    EXPECT_EQ(view->GetCurrentLayerIndex(), other);
    // Written back in the length of the generation chosen on the plug-in's settings
    // page: this dump comes from a JV-1080.
    CSynth* synth = memory.GetSynth();
    ASSERT_NE(synth, nullptr);
    bool hasGeneration = false;
    for (const CSettingField& f : synth->GetSettingFields()) hasGeneration = hasGeneration || f.key == "WHICHSYNTH";
    ASSERT_TRUE(hasGeneration);
    synth->GetConfig().PutInt("WHICHSYNTH", 0);
    // The file holds the User Patch layer only; the whole bank also writes the
    // other layers, so the layer saved alone must give the file back byte for byte.
    const fs::path copy = tonalith::test::TempDir() / "jv-copy.syx";
    ASSERT_TRUE(view->GetDocument().SaveLayer(userPatch, copy.string()));
    const std::vector<std::uint8_t> saved = tonalith::test::ReadFile(copy);
    const std::vector<std::uint8_t> original = tonalith::test::ReadFile(file);
    ASSERT_EQ(saved.size(), original.size());
    const auto diff = std::mismatch(saved.begin(), saved.end(), original.begin());
    EXPECT_TRUE(diff.first == saved.end()) << "first difference at byte " << (diff.first - saved.begin());
    // Save (the whole bank) and open again: the same User Patch data.
    const fs::path whole = tonalith::test::TempDir() / "jv-whole.syx";
    view->GetDocument().SetPathName(whole.string());
    ASSERT_TRUE(view->Save());
    EXPECT_FALSE(view->GetDocument().IsModified());
    CTonalithDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(whole.string()));
    const CLayer& again = reopened.GetMemory()->GetLayer(userPatch);
    for (int i = 0; i < layer.GetPatchCount(); ++i)
        EXPECT_TRUE(std::equal(layer.GetPatch(i)->Data().begin(), layer.GetPatch(i)->Data().end(),
                               again.GetPatch(i)->Data().begin()))
            << "patch " << i;
}

namespace {

// A command whose undo fails half-way through the user's session, as a plug-in's
// SetPatch may when it refuses a patch.
class CFailingCommand final : public CBasicCommand {
public:
    void Execute() override {}
    void Undo() override { throw std::invalid_argument("a Patch patch does not fit layer \"System\""); }
    std::string GetText() const override { return "Fail"; }
};

class CThrowingObject final : public QObject {
protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw std::runtime_error("handler failed");
        return QObject::event(e);
    }
};

}  // namespace

TEST_F(ShellTest, AFailingCommandIsReportedAndTheBankStaysAsItWas) {
    CScopedScriptedUi ui;
    CMainFrame frame;
    const fs::path file = tonalith::test::TempDir() / "bank.syx";
    tonalith::test::WriteFile(file, {0xF0, 0x43, 0x01, 0xF7});
    QMdiSubWindow* window = frame.OpenDocumentFile(file.string());
    ASSERT_NE(window, nullptr);
    auto* view = qobject_cast<CTonalithView*>(window->widget());
    ASSERT_NE(view, nullptr);
    ui->messages.clear();  // the note that no plug-in reads the file
    const auto bytes = [&] {
        CMemFile saved;
        view->GetDocument().GetMemory()->Save(saved, true);
        return saved.Data();
    };
    const std::vector<std::uint8_t> before = bytes();

    view->GetCommands().Execute(std::make_unique<CFailingCommand>());
    frame.UndoAction().trigger();  // ran to the end of the program before
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_NE(ui->messages[0].find("does not fit layer"), std::string::npos);
    EXPECT_EQ(bytes(), before);
    EXPECT_TRUE(view->GetCommands().CanUndo());  // still there once the cause is fixed

    // Any other handler: the event loop survives and the user hears of it.
    CThrowingObject object;
    QCoreApplication::postEvent(&object, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&object, QEvent::User);
    ASSERT_EQ(ui->messages.size(), 2u);
    EXPECT_NE(ui->messages[1].find("handler failed"), std::string::npos);
}

TEST_F(ShellTest, NewDocumentsAreNumberedAndTheWindowMenuListsThem) {
    CScopedScriptedUi ui;
    CMainFrame frame;
    tonalith::ui::ScopedDialogRunner choose([](QDialog&) { return int(QDialog::Accepted); });  // the first synth
    ASSERT_NE(frame.NewBank(), nullptr);
    ASSERT_NE(frame.NewBank(), nullptr);
    emit frame.WindowMenu().aboutToShow();
    QStringList entries;
    for (QAction* a : frame.WindowMenu().actions())
        if (a->isCheckable()) entries << a->text();
    EXPECT_EQ(entries, (QStringList{"&1 Untitled", "&2 Untitled 2"}));
    frame.WindowMenu().actions().back()->trigger();
    EXPECT_EQ(frame.MdiArea().activeSubWindow()->windowTitle().remove("[*]"), "Untitled 2");
}

TEST_F(ShellTest, TheFirstWindowFillsTheWorkAreaAndLaterOnesCascadeInsideIt) {
    CScopedScriptedUi ui;
    const fs::path dir = tonalith::test::TempDir();
    CMainFrame frame;
    frame.resize(1000, 760);
    frame.show();
    const QRect area = frame.MdiArea().viewport()->rect();
    std::vector<QRect> placed;
    for (const char* name : {"a.syx", "b.syx", "c.syx"}) {
        tonalith::test::WriteFile(dir / name, {0xF0, 0x43, 0x10, static_cast<std::uint8_t>(name[0] & 0x7F), 0xF7});
        QMdiSubWindow* window = frame.OpenDocumentFile((dir / name).string());
        ASSERT_NE(window, nullptr) << name;
        placed.push_back(window->geometry());
        if (placed.size() == 1) {
            // The only window follows the frame's size (it grows after start-up).
            EXPECT_EQ(placed[0], area);
            frame.resize(1100, 800);
            QApplication::sendPostedEvents();
            EXPECT_EQ(window->geometry(), frame.MdiArea().viewport()->rect());
            frame.resize(1000, 760);
            QApplication::sendPostedEvents();
            placed[0] = window->geometry();
        }
    }
    EXPECT_EQ(placed[0], area);
    for (std::size_t i = 1; i < placed.size(); ++i) {
        EXPECT_EQ(placed[i].topLeft(), placed[i - 1].topLeft() + QPoint(24, 24)) << i;
        EXPECT_TRUE(area.contains(placed[i])) << i;
    }
}
