// The controller window's dialogs, offscreen, answered through the dialog runner.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <tonalith/Commands.h>

#include "ControlPropertiesDlg.h"
#include "ControllerCommands.h"
#include "ControllerDialogs.h"
#include "FormDialogs.h"
#include "FormTestSupport.h"
#include "Ui.h"
#include "tonalith/ui/ChooseCtrl.h"
#include "tonalith/ui/DialogRunner.h"

using namespace tonalith::test;
using tonalith::ui::ScopedDialogRunner;

namespace {

// Picks the entry that stands for value, as the user would.
void Choose(CChooseCtrl* combo, int value) {
    ASSERT_NE(combo, nullptr);
    const int index = combo->findData(value);
    ASSERT_GE(index, 0) << "no entry for " << value;
    combo->setCurrentIndex(index);
}

int Shown(const CChooseCtrl* combo) { return combo->currentIndex() < 0 ? -999 : combo->GetValue(); }

int ClickOk(QDialog& dialog) {
    dialog.findChild<QDialogButtonBox*>()->buttons().front()->click();
    return dialog.result();
}

class ControllerDialogsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "controller_dialogs_tests";
        static char* argv[] = {name};
        if (!qApp) new QApplication(argc, argv);  // lives for the process
    }
    void SetUp() override {
        doc.SetOutput(&output);
        FillSampleForm(doc);
        doc.SetModifiedFlag(false);
    }

    CRecordingOutput output{3};
    CControllerDocument doc;
    CCmdManager commands{&doc};
};

// ---- Edit Control Properties ----------------------------------------------------

TEST_F(ControllerDialogsTest, KnobPageKeepsItsFieldsInRangeAndOkIsOneUndoableCommand) {
    const auto before = doc.GetItem(1).GetItemData()->Clone();
    ScopedDialogRunner runner([](QDialog& d) {
        auto& dialog = dynamic_cast<CControlPropertiesDlg&>(d);
        EXPECT_EQ(d.windowTitle(), "Edit Control Properties");
        EXPECT_EQ(dialog.Tabs()->count(), 1);
        EXPECT_EQ(dialog.Tabs()->tabText(0), "Knob");
        EXPECT_FALSE(dialog.Tabs()->tabBar()->isEnabled());
        CItemPage& page = dialog.CurrentPage();
        // The value combos hold exactly -127..127: nothing outside can be picked.
        CChooseCtrl* minimum = page.Combo("Minimum");
        if (!minimum) return int(QDialog::Rejected);
        EXPECT_EQ(minimum->count(), 255);
        EXPECT_EQ(minimum->itemData(0).toInt(), -127);
        EXPECT_EQ(minimum->itemData(254).toInt(), 127);
        EXPECT_EQ(Shown(page.Combo("Value")), -5);
        // Raising Minimum above Value pulls Value up; lowering Maximum below both pulls them down.
        Choose(minimum, 30);
        EXPECT_EQ(Shown(page.Combo("Value")), 30);
        Choose(page.Combo("Maximum"), 10);
        EXPECT_EQ(Shown(page.Combo("Value")), 10);
        EXPECT_EQ(Shown(minimum), 10);
        Choose(minimum, -20);
        Choose(page.Combo("Value"), 4);
        Choose(page.Combo("Offset"), -3);
        // The controller belongs to Control Change, the encoding to System Exclusive.
        EXPECT_EQ(page.Combo("Controller")->currentText(), "CC74:BRIGHTNESS");
        EXPECT_EQ(page.Combo("Controller")->count(), 128);
        EXPECT_EQ(page.Combo("Controller")->itemText(7), "CC07:VOLUME");
        EXPECT_EQ(page.Combo("Controller")->itemText(127), "CC127");
        EXPECT_TRUE(page.Combo("Controller")->isEnabled());
        EXPECT_FALSE(page.Combo("Encoding")->isEnabled());
        Choose(page.Combo("Type"), CMidiItemData::SystemExclusive);
        EXPECT_EQ(page.Edit("Message")->text(), "F0 00 XX SS F7");
        EXPECT_FALSE(page.Combo("Controller")->isEnabled());
        EXPECT_TRUE(page.Combo("Encoding")->isEnabled());
        Choose(page.Combo("Encoding"), 1);
        QTest::keyClicks(page.Edit("Message"), " 00");
        Choose(page.Combo("Port"), 1);
        Choose(page.Combo("Channel"), 0);
        Choose(page.Combo("Remote"), -1);
        page.Edit("Tooltip")->clear();
        QTest::keyClicks(page.Edit("Tooltip"), "Brightness");
        return ClickOk(d);
    });
    EXPECT_TRUE(EditControlProperties(nullptr, doc, commands, 1));

    ASSERT_EQ(commands.GetUndoCount(), 1u);
    EXPECT_EQ(commands.GetUndoText(), "Properties of \"Knob\"");
    EXPECT_TRUE(doc.IsModified());
    const auto& knob = dynamic_cast<const CKnobItemData&>(*doc.GetItem(1).GetItemData());
    EXPECT_EQ(knob.m_nMinimum, -20);
    EXPECT_EQ(knob.m_nMaximum, 10);
    EXPECT_EQ(knob.m_nValue, 4);
    EXPECT_EQ(knob.m_nOffset, -3);
    EXPECT_EQ(knob.m_nType, CMidiItemData::SystemExclusive);
    EXPECT_EQ(knob.m_strMessage, "F0 00 XX SS F7 00");
    EXPECT_EQ(knob.m_nEncoding, 1);
    EXPECT_EQ(knob.m_nPort, 1);
    EXPECT_EQ(knob.m_nChannel, 0);
    EXPECT_EQ(knob.m_nRemote, -1);
    EXPECT_EQ(knob.m_strTooltip, "Brightness");
    EXPECT_EQ(knob.m_nController, 74);  // untouched while its combo was disabled

    commands.Undo();
    EXPECT_TRUE(doc.GetItem(1).GetItemData()->IsEqual(*before));
    commands.Redo();
    EXPECT_EQ(dynamic_cast<const CKnobItemData&>(*doc.GetItem(1).GetItemData()).m_nMaximum, 10);
}

TEST_F(ControllerDialogsTest, CancelOrOkWithoutAChangeRecordsNothing) {
    const std::vector<std::uint8_t> stored = doc.SaveToBytes();
    ScopedDialogRunner cancel([](QDialog& d) {
        auto& page = dynamic_cast<CControlPropertiesDlg&>(d).CurrentPage();
        Choose(page.Combo("Maximum"), 0);
        page.Check("Vertical")->setChecked(true);
        return int(QDialog::Rejected);
    });
    EXPECT_FALSE(EditControlProperties(nullptr, doc, commands, 2));
    ScopedDialogRunner unchanged([](QDialog& d) {
        auto& page = dynamic_cast<CControlPropertiesDlg&>(d).CurrentPage();
        page.Check("Is Pushbutton")->setChecked(false);
        page.Check("Is Pushbutton")->setChecked(true);
        return ClickOk(d);
    });
    EXPECT_FALSE(EditControlProperties(nullptr, doc, commands, 3));
    EXPECT_FALSE(EditControlProperties(nullptr, doc, commands, 7));  // no such item: no dialog
    EXPECT_EQ(commands.GetUndoCount(), 0u);
    EXPECT_EQ(doc.SaveToBytes(), stored);
}

TEST_F(ControllerDialogsTest, ValuesNoEntryStandsForStayUntilTheUserPicksOne) {
    // A file may hold values the page does not offer: a Port of a device not
    // present, Controller -1, a Value of 200. They show as no choice and survive OK.
    ASSERT_EQ(doc.SetItemField(2, "Port", "9"), "");
    dynamic_cast<CSliderItemData&>(*doc.GetItem(2).GetItemData()).m_nValue = 200;
    ScopedDialogRunner runner([](QDialog& d) {
        auto& page = dynamic_cast<CControlPropertiesDlg&>(d).CurrentPage();
        EXPECT_EQ(page.Combo("Port")->count(), 3);
        EXPECT_EQ(page.Combo("Port")->itemText(2), "Port 2");
        EXPECT_EQ(page.Combo("Port")->currentIndex(), -1);
        EXPECT_EQ(page.Combo("Controller")->currentIndex(), -1);
        EXPECT_EQ(page.Combo("Value")->currentIndex(), -1);
        page.Check("Vertical")->setChecked(true);
        return ClickOk(d);
    });
    EXPECT_TRUE(EditControlProperties(nullptr, doc, commands, 2));
    const auto& slider = dynamic_cast<const CSliderItemData&>(*doc.GetItem(2).GetItemData());
    EXPECT_EQ(slider.m_nVertical, 1);
    EXPECT_EQ(slider.m_nPort, 9);
    EXPECT_EQ(slider.m_nController, -1);
    EXPECT_EQ(slider.m_nValue, 200);
    // Picking a Maximum then brings the stray value into the range.
    ScopedDialogRunner clamp([](QDialog& d) {
        Choose(dynamic_cast<CControlPropertiesDlg&>(d).CurrentPage().Combo("Maximum"), 50);
        return ClickOk(d);
    });
    EXPECT_TRUE(EditControlProperties(nullptr, doc, commands, 2));
    EXPECT_EQ(dynamic_cast<const CSliderItemData&>(*doc.GetItem(2).GetItemData()).m_nValue, 50);
}

TEST_F(ControllerDialogsTest, RadioListsMustAgreeBeforeOkCloses) {
    CScopedScriptedUi ui;
    ScopedDialogRunner runner([&ui](QDialog& d) {
        auto& page = dynamic_cast<CControlPropertiesDlg&>(d).CurrentPage();
        EXPECT_EQ(page.Combo("Offset"), nullptr);  // only knobs and sliders add an offset
        EXPECT_EQ(page.Lines("Texts")->toPlainText(), "Saw\nSquare\n");
        page.Lines("Texts")->setPlainText("Saw\nSquare\nNoise");
        EXPECT_NE(ClickOk(d), int(QDialog::Accepted));
        EXPECT_EQ(ui->messages, (std::vector<std::string>{"Texts and values must have the same number of entries."}));
        page.Lines("Values")->setPlainText("0\n1\n2");
        return ClickOk(d);
    });
    EXPECT_TRUE(EditControlProperties(nullptr, doc, commands, 4));
    const auto& radio = dynamic_cast<const CRadioItemData&>(*doc.GetItem(4).GetItemData());
    EXPECT_EQ(radio.m_strTexts, "Saw\r\nSquare\r\nNoise\r\n");
    EXPECT_EQ(radio.m_strValues, "0\r\n1\r\n2\r\n");
    // A runner that answers OK without the button still gets the check.
    ScopedDialogRunner answer([](QDialog& d) {
        dynamic_cast<CControlPropertiesDlg&>(d).CurrentPage().Lines("Values")->setPlainText("0");
        return int(QDialog::Accepted);
    });
    EXPECT_FALSE(EditControlProperties(nullptr, doc, commands, 4));
    EXPECT_EQ(ui->messages.size(), 2u);
    EXPECT_EQ(commands.GetUndoCount(), 1u);
}

TEST_F(ControllerDialogsTest, GroupAndButtonPagesStoreTheirOwnFields) {
    ScopedDialogRunner group([](QDialog& d) {
        auto& page = dynamic_cast<CControlPropertiesDlg&>(d).CurrentPage();
        EXPECT_EQ(page.Combo("Type"), nullptr);
        page.Edit("Text")->selectAll();
        page.Edit("Text")->insert("Hüllkurve");  // Windows-1252 in the file
        Choose(page.Combo("Border"), CGroupItemData::Vertical);
        page.Check("Show Group Frame")->setChecked(true);
        return ClickOk(d);
    });
    EXPECT_TRUE(EditControlProperties(nullptr, doc, commands, 0));
    const auto& frame = dynamic_cast<const CGroupItemData&>(*doc.GetItem(0).GetItemData());
    EXPECT_EQ(frame.m_strText, "H\xFCllkurve");
    EXPECT_EQ(frame.m_nBorder, CGroupItemData::Vertical);
    EXPECT_EQ(frame.m_bShowGroupFrame, 1);

    ScopedDialogRunner button([](QDialog& d) {
        auto& page = dynamic_cast<CControlPropertiesDlg&>(d).CurrentPage();
        Choose(page.Combo("Off"), -127);
        Choose(page.Combo("On"), 127);
        QTest::keyClicks(page.Edit("Caption"), "!");
        return ClickOk(d);
    });
    EXPECT_TRUE(EditControlProperties(nullptr, doc, commands, 3));
    const auto& press = dynamic_cast<const CButtonItemData&>(*doc.GetItem(3).GetItemData());
    EXPECT_EQ(press.m_nOff, -127);
    EXPECT_EQ(press.m_nOn, 127);
    EXPECT_EQ(press.m_strCaption, "Hold!");
    EXPECT_EQ(commands.GetUndoText(), "Properties of \"Button\"");
}

TEST_F(ControllerDialogsTest, NewItemPagesFollowTheRegistryAndCancelMakesNone) {
    ScopedDialogRunner runner([](QDialog& d) {
        auto& dialog = dynamic_cast<CControlPropertiesDlg&>(d);
        QStringList tabs;
        for (int i = 0; i < dialog.Tabs()->count(); ++i) tabs << dialog.Tabs()->tabText(i);
        EXPECT_EQ(tabs, (QStringList{"Group/Text", "Button", "Choose", "Knob", "Slider"}));
        EXPECT_EQ(dialog.Tabs()->currentIndex(), 0);
        EXPECT_TRUE(dialog.Tabs()->tabBar()->isEnabled());
        dialog.Tabs()->setCurrentIndex(4);
        dialog.CurrentPage().Check("Vertical")->setChecked(false);
        Choose(dialog.CurrentPage().Combo("Type"), CMidiItemData::PitchBend);
        return ClickOk(d);
    });
    const std::unique_ptr<CItemData> data = ChooseNewItemData(nullptr, doc);
    const auto* slider = dynamic_cast<const CSliderItemData*>(data.get());
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->m_nVertical, 0);
    EXPECT_EQ(slider->m_strMessage, "EK 00 XX");
    EXPECT_EQ(slider->GetDefaultSize(), (CSize{250, 60}));

    ScopedDialogRunner cancel([](QDialog&) { return int(QDialog::Rejected); });
    EXPECT_EQ(ChooseNewItemData(nullptr, doc), nullptr);
}

// ---- Edit Snapshots -------------------------------------------------------------

TEST_F(ControllerDialogsTest, SnapshotsAreRenamedReorderedAndDeleted) {
    for (const char* name : {"Soft", "Hard", "Live"}) doc.RenameSnapshot(doc.AddSnapshot(), name);
    const std::uint64_t hardId = doc.GetSnapshot(1).m_nId;
    ScopedDialogRunner runner([](QDialog& d) {
        auto& dialog = dynamic_cast<CEditSnapshotsDlg&>(d);
        EXPECT_EQ(dialog.List()->currentRow(), 0);
        EXPECT_EQ(dialog.NameEdit()->text(), "Soft");
        EXPECT_FALSE(dialog.UpButton()->isEnabled());
        EXPECT_TRUE(dialog.DownButton()->isEnabled());
        // Typing renames the selected snapshot at once.
        dialog.List()->setCurrentRow(1);
        EXPECT_EQ(dialog.NameEdit()->text(), "Hard");
        dialog.NameEdit()->selectAll();
        QTest::keyClicks(dialog.NameEdit(), "Loud");
        EXPECT_EQ(dialog.List()->item(1)->text(), "Loud");
        // Up keeps the moved entry selected; it is then first and cannot go further up.
        dialog.UpButton()->click();
        EXPECT_EQ(dialog.List()->currentRow(), 0);
        EXPECT_FALSE(dialog.UpButton()->isEnabled());
        dialog.List()->setCurrentRow(2);
        EXPECT_FALSE(dialog.DownButton()->isEnabled());
        dialog.DeleteButton()->click();  // "Live"
        EXPECT_EQ(dialog.List()->count(), 2);
        EXPECT_EQ(dialog.List()->currentRow(), 1);
        dialog.CloseButton()->click();
        return dialog.result();
    });
    EXPECT_TRUE(EditSnapshots(nullptr, doc));
    EXPECT_EQ(doc.GetSnapshotNames(), (std::vector<std::string>{"Loud", "Soft"}));
    EXPECT_EQ(doc.GetSnapshot(0).m_nId, hardId);  // the renamed one kept its values
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(ControllerDialogsTest, DeletingTheLastSnapshotLeavesAnEmptyDisabledList) {
    doc.AddSnapshot();
    ScopedDialogRunner runner([](QDialog& d) {
        auto& dialog = dynamic_cast<CEditSnapshotsDlg&>(d);
        dialog.DeleteButton()->click();
        EXPECT_EQ(dialog.List()->count(), 0);
        EXPECT_FALSE(dialog.List()->isEnabled());
        EXPECT_FALSE(dialog.NameEdit()->isEnabled());
        EXPECT_TRUE(dialog.NameEdit()->text().isEmpty());
        EXPECT_FALSE(dialog.DeleteButton()->isEnabled());
        EXPECT_FALSE(dialog.UpButton()->isEnabled());
        EXPECT_FALSE(dialog.DownButton()->isEnabled());
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(EditSnapshots(nullptr, doc));
    EXPECT_EQ(doc.GetSnapshotCount(), 0);
    ScopedDialogRunner look([](QDialog&) { return int(QDialog::Accepted); });
    EXPECT_FALSE(EditSnapshots(nullptr, doc));
}

// ---- Set Output and Channel -----------------------------------------------------

TEST_F(ControllerDialogsTest, SetWritesThePortAndChannelIntoEveryMidiItem) {
    ScopedDialogRunner runner([](QDialog& d) {
        auto& dialog = dynamic_cast<CSetOutputDlg&>(d);
        EXPECT_EQ(d.windowTitle(), "Set Output and Channel");
        EXPECT_EQ(dialog.PortCombo()->count(), 3);
        EXPECT_EQ(dialog.PortCombo()->itemText(1), "Port 1");
        EXPECT_EQ(dialog.ChannelCombo()->count(), 16);
        EXPECT_EQ(dialog.ChannelCombo()->itemText(15), "16");
        // Nothing chosen yet: the Set buttons wait.
        EXPECT_FALSE(dialog.SetPortButton()->isEnabled());
        EXPECT_FALSE(dialog.SetChannelButton()->isEnabled());
        Choose(dialog.PortCombo(), 2);
        dialog.SetPortButton()->click();
        Choose(dialog.ChannelCombo(), 15);
        dialog.SetChannelButton()->click();
        dialog.CloseButton()->click();
        return dialog.result();
    });
    EXPECT_TRUE(SetOutputPortsAndChannel(nullptr, doc));
    for (int i = 1; i < doc.GetItemCount(); ++i) {
        EXPECT_EQ(doc.GetItem(i).GetMidiData()->m_nPort, 2) << i;
        EXPECT_EQ(doc.GetItem(i).GetMidiData()->m_nChannel, 15) << i;
    }
    EXPECT_EQ(doc.GetOutputPorts(), std::vector<int>{2});
    EXPECT_EQ(commands.GetUndoCount(), 0u);  // not an undoable change
}

TEST_F(ControllerDialogsTest, APortThatIsGoneOrAbsentChangesNothing) {
    CScopedScriptedUi ui;
    const std::vector<int> ports = doc.GetOutputPorts();
    ScopedDialogRunner unplugged([this](QDialog& d) {
        auto& dialog = dynamic_cast<CSetOutputDlg&>(d);
        Choose(dialog.PortCombo(), 2);
        output.m_devices = 2;  // the device goes while the dialog is open
        dialog.SetPortButton()->click();
        return int(QDialog::Accepted);
    });
    EXPECT_FALSE(SetOutputPortsAndChannel(nullptr, doc));
    EXPECT_EQ(ui->messages, (std::vector<std::string>{
                                "The MIDI output \"Port 2\" is no longer present. The ports were not changed."}));
    EXPECT_EQ(doc.GetOutputPorts(), ports);

    output.m_devices = 0;
    ScopedDialogRunner none([](QDialog& d) {
        auto& dialog = dynamic_cast<CSetOutputDlg&>(d);
        EXPECT_EQ(dialog.PortCombo()->count(), 0);
        dialog.SetPortButton()->click();
        EXPECT_FALSE(dialog.SetPortButton()->isEnabled());
        return int(QDialog::Accepted);
    });
    EXPECT_FALSE(SetOutputPortsAndChannel(nullptr, doc));
    EXPECT_EQ(doc.GetOutputPorts(), ports);
}

// ---- Info -----------------------------------------------------------------------

TEST_F(ControllerDialogsTest, InfoStoresAllThreeTextsOnOkAndNoneOnCancel) {
    ScopedDialogRunner cancel([](QDialog& d) {
        auto& dialog = dynamic_cast<CFormInfoDlg&>(d);
        EXPECT_EQ(dialog.AuthorEdit()->text(), "Ann Author");
        EXPECT_EQ(dialog.EmailEdit()->text(), "ann@example.org");
        EXPECT_EQ(dialog.DescriptionEdit()->toPlainText(), "Filter panel");
        dialog.AuthorEdit()->setText("Bob");
        return int(QDialog::Rejected);
    });
    EXPECT_FALSE(EditFormInfo(nullptr, doc));
    EXPECT_EQ(doc.GetAuthor(), "Ann Author");

    ScopedDialogRunner ok([](QDialog& d) {
        auto& dialog = dynamic_cast<CFormInfoDlg&>(d);
        dialog.AuthorEdit()->setText("Zoë");
        dialog.EmailEdit()->setText("zoe@example.org");
        dialog.DescriptionEdit()->setPlainText("Cutoff and resonance\nfor the pads");
        return ClickOk(d);
    });
    EXPECT_TRUE(EditFormInfo(nullptr, doc));
    EXPECT_EQ(doc.GetAuthor(), "Zo\xEB");
    EXPECT_EQ(doc.GetEmail(), "zoe@example.org");
    EXPECT_EQ(doc.GetDescription(), "Cutoff and resonance\r\nfor the pads");

    ScopedDialogRunner same([](QDialog& d) { return ClickOk(d); });
    EXPECT_FALSE(EditFormInfo(nullptr, doc));
    EXPECT_EQ(doc.GetDescription(), "Cutoff and resonance\r\nfor the pads");
}

}  // namespace
