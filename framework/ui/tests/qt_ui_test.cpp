#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>

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

TEST(BytemapDialog, ScrollBarFollowsTheKeysAndTheLineSaysWhereThePointerIs) {
    static int argc = 1;
    static char name[] = "basic_ui_tests";
    static char* argv[] = {name};
    if (!qApp) new QApplication(argc, argv);  // lives for the process
    std::vector<std::uint8_t> bytes(4000, 0x10);
    bytes.front() = 0xF0;
    bytes[1] = 0x43;
    bytes.back() = 0xF7;
    CBytemapDialog dialog(bytes, "Patch");
    dialog.show();
    CBytemapCtrl& control = dialog.Control();
    ASSERT_GT(dialog.ScrollBar().maximum(), 0);
    control.setFocus();
    QTest::keyClick(&control, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(dialog.ScrollBar().value(), dialog.ScrollBar().maximum());
    EXPECT_EQ(control.GetLineOffset(), dialog.ScrollBar().maximum());
    QTest::keyClick(&control, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(dialog.ScrollBar().value(), 0);
    QTest::keyClick(&control, Qt::Key_End);  // without Control the key is not the control's
    EXPECT_EQ(control.GetLineOffset(), 0);
    // The offset column of the second line stands for byte 16.
    QTest::mouseMove(&control, QPoint(control.GetInset() + 2, control.sizeHint().height() / 20 * 3 / 2));
    EXPECT_EQ(dialog.InformationText(), "Offset 00000010: message at 00000000: 4000 bytes, YAMAHA CORPORATION");
    // The dialog is wide enough for the offsets, the hex and the text.
    EXPECT_GE(control.width(), control.OffsetColumnWidth() + 66 * control.OffsetColumnWidth() / 10);
}
