#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "BytemapCtrl.h"
#include "tonalith/ui/BytemapDialog.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/FileFilter.h"
#include "tonalith/ui/QtUi.h"

using namespace tonalith::ui;

TEST(FileFilter, BarFiltersBecomeQtFilters) {
    EXPECT_EQ(ToQtFilter("System Exclusive (*.syx)|*.syx|All Files (*.*)|*.*||"),
              "System Exclusive (*.syx);;All Files (*)");
    EXPECT_EQ(ToQtFilter("Common Files (*.syx, *.clb, *.cof)|*.syx; *.clb; *.cof|Libraries (*.clb)|*.clb||"),
              "Common Files (*.syx *.clb *.cof);;Libraries (*.clb)");
    EXPECT_EQ(ToQtFilter("Waves|*.wav||"), "Waves (*.wav)");
    EXPECT_EQ(ToQtFilter(""), "");
}

TEST(QtUi, DialogsRunThroughTheRunner) {
    int argc = 1;
    char name[] = "basic_ui_tests";
    char* argv[] = {name};
    QApplication app(argc, argv);
    CQtUi ui;
    std::vector<QString> seen;
    ScopedDialogRunner runner([&](QDialog& dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
            seen.push_back(box->text());
            return box->standardButtons() & QMessageBox::Yes ? int(QMessageBox::Yes) : int(QMessageBox::Ok);
        }
        if (auto* files = qobject_cast<QFileDialog*>(&dialog)) {
            seen.push_back(files->nameFilters().join("|"));
            files->selectFile("/tmp/chosen.syx");
            return int(QDialog::Accepted);
        }
        if (auto* hex = qobject_cast<CBytemapDialog*>(&dialog)) {
            seen.push_back(QString::number(hex->Control().GetLineCount()));
            return int(QDialog::Rejected);
        }
        return int(QDialog::Rejected);
    });
    ui.MessageBox("Careful", CUi::Icon::Warning);
    EXPECT_TRUE(ui.AskYesNo("Sure?"));
    std::string remembered;
    ui.SetFolderMemory({[] { return std::string("/tmp/"); }, [&](const std::string& f) { remembered = f; }});
    const auto path = ui.ChooseSaveFile("Save", "syx", "System Exclusive (*.syx)|*.syx||");
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(*path, "/tmp/chosen.syx");
    EXPECT_EQ(remembered, "/tmp/");
    const std::uint8_t bytes[] = {0xF0, 0x41, 0xF7, 0xF0, 0x42, 0xF7};
    ui.ShowHex(bytes, "Patch");
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], "Careful");
    EXPECT_EQ(seen[1], "Sure?");
    EXPECT_EQ(seen[2], "System Exclusive (*.syx)");
    EXPECT_EQ(seen[3], "2");
}
