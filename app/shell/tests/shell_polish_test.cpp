// How the shell's windows look: the settings dialog's font and pages, the
// About box and the program's icon.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontDatabase>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSpinBox>
#include <QTabBar>
#include <QTableWidget>

#include "AboutDlg.h"
#include "AppConfig.h"
#include "MainFrame.h"
#include "SettingsDlg.h"
#include "ShellTestSupport.h"
#include "Synth.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "TestSupport.h"
#include "TonalithApp.h"
#include "Ui.h"
#include "tonalith/ui/DialogRunner.h"

namespace {

class ShellPolishTest : public CShellFixture {
protected:
    void TearDown() override { ClearGenericCommands(); }
    static CSynth& GenericSynth() { return *CSynthMemoryFactory::Get().GetGenericMemory().GetSynth(); }
    static void ClearGenericCommands() {
        CSynth& synth = GenericSynth();
        while (synth.GetDumpCommandsCount() > 0) synth.RemoveDumpCommand(0);
    }
};

int TabOf(const CSettingsDlg& dialog, const QString& name) {
    for (int i = 0; i < dialog.Tabs().count(); ++i)
        if (dialog.Tabs().tabText(i) == name) return i;
    return -1;
}

}  // namespace

TEST_F(ShellPolishTest, AFontFaceThisMachineLacksBecomesTheSystemsAndTheSettingsShowIt) {
    CMainFrame frame;
    CAppConfig& config = CAppConfig::Get();
    config.m_fontType = "No Such Face Anywhere";
    UseInstalledFont(config);
    EXPECT_TRUE(QFontDatabase::hasFamily(QString::fromStdString(config.m_fontType))) << config.m_fontType;
    const QString installed = QFontDatabase::families().value(0);
    ASSERT_FALSE(installed.isEmpty());
    config.m_fontType = installed.toStdString();
    UseInstalledFont(config);
    EXPECT_EQ(config.m_fontType, installed.toStdString());  // a face that is there stays

    config.m_fontType = "No Such Face Anywhere";
    QString offered;
    tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
        auto* page = dynamic_cast<CAppSettingsPage*>(dynamic_cast<CSettingsDlg&>(d).CurrentPage());
        if (page) offered = page->FontCombo().currentText();
        return int(QDialog::Rejected);
    });
    frame.OnSettings();
    EXPECT_TRUE(QFontDatabase::hasFamily(offered)) << offered.toStdString();
}

TEST_F(ShellPolishTest, SettingsKeepTheirSizeAndTheGenericPageEditsItsDumpCommands) {
    CScopedScriptedUi ui;
    CMainFrame frame;
    CSynth& generic = GenericSynth();
    ClearGenericCommands();
    CDumpCommand kept;
    kept.m_name = "Drum Dump";
    kept.m_request = "F0 41 10 F7";
    kept.m_expectedSize = 100;
    kept.m_blockSize = 4096;  // not on the page: must survive it
    generic.AddDumpCommand(kept);
    bool checked = false;
    tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
        auto& dialog = dynamic_cast<CSettingsDlg&>(d);
        dialog.show();
        const QSize size = dialog.size();
        for (int tab = dialog.Tabs().count() - 1; tab >= 0; --tab) {
            dialog.Tabs().setCurrentIndex(tab);
            QApplication::processEvents();
            EXPECT_EQ(dialog.size(), size) << dialog.Tabs().tabText(tab).toStdString();
        }
        const int genericTab = TabOf(dialog, "Generic");
        EXPECT_GT(genericTab, 0);
        dialog.Tabs().setCurrentIndex(genericTab);
        auto* page = dynamic_cast<CGenericSettingsPage*>(dialog.CurrentPage());
        if (!page) return int(QDialog::Rejected);
        QTableWidget& table = page->Table();
        EXPECT_EQ(table.rowCount(), 1);
        EXPECT_EQ(table.item(0, 0)->text(), "Drum Dump");
        EXPECT_EQ(table.item(0, 1)->text(), "F0 41 10 F7");
        EXPECT_EQ(static_cast<QSpinBox*>(table.cellWidget(0, 2))->value(), 100);
        table.item(0, 0)->setText("  Drum Kit Dump ");
        table.item(0, 1)->setText("F0 4X F7");  // refused with a word; the old request stays
        page->AddCommand({});  // left without a name: dropped
        CDumpCommand manual;
        manual.m_name = "Manual";
        page->AddCommand(manual);
        page->AddCommand(manual);
        page->RemoveCurrentCommand();  // the last one added
        checked = true;
        dialog.accept();
        return int(QDialog::Accepted);
    });
    frame.OnSettings();
    EXPECT_TRUE(checked);
    ASSERT_EQ(generic.GetDumpCommandsCount(), 2);
    EXPECT_EQ(generic.GetDumpCommand(0).m_name, "Drum Kit Dump");
    EXPECT_EQ(generic.GetDumpCommand(0).m_request, "F0 41 10 F7");
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_NE(ui->messages[0].find("\"Drum Kit Dump\" is not hex text"), std::string::npos) << ui->messages[0];
    EXPECT_EQ(generic.GetDumpCommand(0).m_expectedSize, 100);
    EXPECT_EQ(generic.GetDumpCommand(0).m_blockSize, 4096);
    EXPECT_EQ(generic.GetDumpCommand(1).m_name, "Manual");
    EXPECT_EQ(generic.GetDumpCommand(1).m_request, "");
}

TEST_F(ShellPolishTest, TheAboutBoxShowsWholeLinesAndTheProgramCarriesItsIcon) {
    CScopedScriptedUi ui;
    CAboutDlg about;
    about.show();
    QListWidget& modules = about.Modules();
    ASSERT_GT(modules.count(), 0);
    EXPECT_LE(modules.sizeHintForColumn(0), modules.viewport()->width());
    EXPECT_GE(about.minimumWidth(), about.fontMetrics().horizontalAdvance(about.windowTitle()));

    EXPECT_FALSE(ProgramIcon().isNull());
    EXPECT_FALSE(ProgramIcon().pixmap(32, 32).isNull());
    CMainFrame frame;
    EXPECT_EQ(frame.windowIcon().pixmap(32, 32).toImage(), ProgramIcon().pixmap(32, 32).toImage());
    tonalith::ui::ScopedDialogRunner choose([](QDialog&) { return int(QDialog::Accepted); });  // the first synth
    QMdiSubWindow* window = frame.NewBank();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_EQ(window->windowIcon().pixmap(32, 32).toImage(), ProgramIcon().pixmap(32, 32).toImage());
}
