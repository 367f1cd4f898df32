// The form window's wiring, offscreen: real mouse and key events on the canvas,
// the commands they record, the clipboard between two forms and the messages the
// controls send on the loopback MIDI back end.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QTabWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QTest>

#include <tonalith/Commands.h>
#include <tonalith/Midi.h>
#include <tonalith/MidiBackend.h>
#include <tonalith/Ui.h>

#include "ControllerCommands.h"
#include "ControllerView.h"
#include "DesignSurface.h"
#include "FormControls.h"
#include "FormTestSupport.h"
#include "TestSupport.h"
#include "tonalith/ui/DialogRunner.h"

using namespace tonalith::test;
using Bytes = std::vector<std::uint8_t>;

namespace {

void Mouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, widget.mapToGlobal(at), Qt::LeftButton, buttons, modifiers);
    QApplication::sendEvent(&widget, &event);
}

void Click(QWidget& widget, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Mouse(widget, QEvent::MouseButtonPress, at, modifiers);
    Mouse(widget, QEvent::MouseButtonRelease, at, modifiers);
}

void DragMouse(QWidget& widget, QPoint from, QPoint to) {
    Mouse(widget, QEvent::MouseButtonPress, from);
    Mouse(widget, QEvent::MouseMove, (from + to) / 2);
    Mouse(widget, QEvent::MouseMove, to);
    Mouse(widget, QEvent::MouseButtonRelease, to);
}

CRect Rect(const CControllerView& view, int position) { return view.GetDocument().GetItem(position).GetRect(); }

class ControllerViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "controller_view_tests";
        static char* argv[] = {name};
        if (!qApp) new QApplication(argc, argv);  // lives for the process
    }
    void SetUp() override {
        CMidi::Delete();
        m_loop = CMidiLoopback::Create(2);
        CMidi::Get().SetBackend(m_loop->MakeBackend());
    }
    void TearDown() override {
        m_views.clear();
        CMidi::Delete();
    }

    CControllerView& Open(std::unique_ptr<CControllerDocument> document, CControllerView::Mode mode) {
        auto view = std::make_unique<CControllerView>(std::move(document));
        view->resize(700, 500);
        view->show();
        view->SetMode(mode);
        m_views.push_back(std::move(view));
        return *m_views.back();
    }

    // Knobs side by side, 50 x 50, 100 apart from x = left.
    static std::unique_ptr<CControllerDocument> Knobs(int count, int left = 10) {
        auto doc = std::make_unique<CControllerDocument>();
        for (int k = 0; k < count; ++k)
            doc->InsertItem(k, MakeItem<CKnobItemData>({left + 100 * k, 10, left + 100 * k + 50, 60}));
        return doc;
    }

    std::vector<CMidiLoopback::Write> WaitForWrites(std::size_t count) {
        WaitUntil([&] { return m_loop->GetWrites().size() >= count; });
        return m_loop->GetWrites();
    }

    std::shared_ptr<CMidiLoopback> m_loop;
    std::vector<std::unique_ptr<CControllerView>> m_views;
};

}  // namespace

TEST_F(ControllerViewTest, CtrlClickHandsTheFocusBackAndTheRubberBandSelectsInFoundOrder) {
    CControllerView& view = Open(Knobs(3), CControllerView::DesignMode);
    QWidget& canvas = view.Canvas();
    const CDesignSurface& surface = view.GetSurface();

    Click(canvas, {20, 20});
    Click(canvas, {120, 20}, Qt::ControlModifier);
    EXPECT_EQ(surface.GetSelection(), (std::vector<int>{0, 1}));
    EXPECT_EQ(surface.GetFocused(), 1);
    Click(canvas, {120, 20}, Qt::ControlModifier);  // the focused one leaves; the one before takes the focus
    EXPECT_EQ(surface.GetSelection(), (std::vector<int>{0}));
    EXPECT_EQ(view.StatusText(), "10, 10 - 50 x 50");

    DragMouse(canvas, {300, 100}, {90, 5});  // from empty space, up and left
    EXPECT_EQ(surface.GetSelection(), (std::vector<int>{1, 2}));
    EXPECT_EQ(surface.GetFocused(), 2);
    EXPECT_EQ(view.StatusText(), "210, 10 - 50 x 50");
    EXPECT_TRUE(view.IsCommandEnabled(CControllerView::Command::AlignLeft));
    EXPECT_FALSE(view.IsCommandEnabled(CControllerView::Command::SpaceHorizontal));  // needs three

    // The layout commands work on this selection, the focused item as reference.
    const std::size_t before = view.GetCommands().GetUndoCount();
    Click(canvas, {220, 20});
    Click(canvas, {120, 20}, Qt::ControlModifier);
    view.GetCommands().Execute(
        std::make_unique<CMoveItemCommand>(view.GetDocument(), 2, Rect(view, 2), CRect{210, 30, 260, 80}));
    view.RunCommand(CControllerView::Command::AlignTop);
    EXPECT_EQ(Rect(view, 1).top, 10);  // the focused item stays
    EXPECT_EQ(Rect(view, 2).top, 10);
    EXPECT_EQ(view.Control(2)->geometry().top(), 10);
    EXPECT_EQ(view.GetCommands().GetUndoCount(), before + 2);

    // In run mode the canvas leaves the selection alone.
    view.SetMode(CControllerView::RunMode);
    Click(canvas, {20, 20});
    EXPECT_EQ(surface.GetSelection(), (std::vector<int>{2, 1}));
}

TEST_F(ControllerViewTest, DraggingMovesTheSelectionWithSnappingAndOneCommandPerItem) {
    CControllerView& view = Open(Knobs(3), CControllerView::DesignMode);
    QWidget& canvas = view.Canvas();
    Click(canvas, {20, 20});
    Click(canvas, {120, 20}, Qt::ControlModifier);
    const std::size_t before = view.GetCommands().GetUndoCount();

    // Item 1 dragged 47 right and 40 down: its right edge (207) is 3 from item
    // 2's left edge (210), so it snaps there.
    DragMouse(canvas, {120, 20}, {167, 60});
    EXPECT_EQ(Rect(view, 1), (CRect{160, 50, 210, 100}));
    EXPECT_EQ(Rect(view, 0), (CRect{60, 50, 110, 100}));  // the same distance
    EXPECT_EQ(Rect(view, 2), (CRect{210, 10, 260, 60}));
    EXPECT_EQ(view.GetCommands().GetUndoCount(), before + 2);
    EXPECT_EQ(view.GetCommands().GetUndoText(), "Positioning or Movement of \"Knob\"");
    EXPECT_EQ(view.Control(1)->geometry(), QRect(160, 50, 50, 50));

    // A resize handle of the focused item (bottom-right) resizes it alone.
    const std::size_t moved = view.GetCommands().GetUndoCount();
    DragMouse(canvas, {209, 99}, {229, 129});
    EXPECT_EQ(Rect(view, 1), (CRect{160, 50, 230, 130}));
    EXPECT_EQ(view.GetCommands().GetUndoCount(), moved + 1);
    view.OnUndo();
    EXPECT_EQ(Rect(view, 1), (CRect{160, 50, 210, 100}));
}

TEST_F(ControllerViewTest, KeyboardMoveStopsAtTheEdgeAndRecordsOneCommandPerMovedItem) {
    auto doc = Knobs(2, 0);  // item 0 at the left edge
    CControllerView& view = Open(std::move(doc), CControllerView::DesignMode);
    QWidget& canvas = view.Canvas();
    DragMouse(canvas, {400, 200}, {1, 1});  // both
    ASSERT_EQ(view.GetSurface().GetSelection().size(), 2u);
    const std::size_t before = view.GetCommands().GetUndoCount();

    QTest::keyClick(&canvas, Qt::Key_Left);
    EXPECT_EQ(Rect(view, 0).left, 0);
    EXPECT_EQ(Rect(view, 1).left, 99);
    EXPECT_EQ(view.GetCommands().GetUndoCount(), before + 1);  // item 0 did not move
    QTest::keyClick(&canvas, Qt::Key_PageDown);
    EXPECT_EQ(Rect(view, 0).top, 20);
    EXPECT_EQ(Rect(view, 1).top, 20);
    EXPECT_EQ(view.GetCommands().GetUndoCount(), before + 3);
    EXPECT_EQ(view.Control(1)->geometry().topLeft(), QPoint(99, 20));

    // Run mode: the keys belong to the controls and the form stays as it is.
    view.SetMode(CControllerView::RunMode);
    QTest::keyClick(&canvas, Qt::Key_Left);
    EXPECT_EQ(view.GetCommands().GetUndoCount(), before + 3);
}

TEST_F(ControllerViewTest, DeleteThenUndoRestoresTheItemItsTabPlaceAndItsSnapshotValues) {
    auto doc = Knobs(3);
    for (int k = 0; k < 3; ++k) doc->SetControlValue(k, 5 + k, false);
    doc->SetTabOrder({2, 1, 0});
    doc->AddSnapshot();
    const CSnapshot snapshot = doc->GetSnapshot(0);
    CControllerView& view = Open(std::move(doc), CControllerView::DesignMode);
    const CRect rect = Rect(view, 1);

    Click(view.Canvas(), {120, 20});
    QTest::keyClick(&view.Canvas(), Qt::Key_Delete);
    CControllerDocument& form = view.GetDocument();
    ASSERT_EQ(form.GetItemCount(), 2);
    EXPECT_EQ(form.GetTabOrder(), (std::vector<std::uint16_t>{1, 0}));
    EXPECT_EQ(form.GetSnapshot(0).m_positions, (std::vector<std::uint16_t>{0, 1}));
    EXPECT_EQ(view.GetCommands().GetUndoText(), "Delete \"Knob\" Item");
    EXPECT_TRUE(view.GetSurface().GetSelection().empty());
    EXPECT_EQ(view.Control(2), nullptr);

    view.OnUndo();
    ASSERT_EQ(form.GetItemCount(), 3);
    EXPECT_EQ(Rect(view, 1), rect);
    EXPECT_EQ(form.GetTabOrder(), (std::vector<std::uint16_t>{2, 1, 0}));
    EXPECT_TRUE(form.GetSnapshot(0).IsEqual(snapshot));
    ASSERT_NE(view.Control(1), nullptr);
    EXPECT_EQ(view.Control(1)->GetValue(), 6);
    EXPECT_EQ(view.Control(1)->geometry(), QRect(110, 10, 50, 50));

    // Undo works in design mode only.
    view.OnRedo();
    view.SetMode(CControllerView::RunMode);
    view.OnUndo();
    EXPECT_EQ(form.GetItemCount(), 2);
}

TEST_F(ControllerViewTest, CopyAndPasteBetweenTwoFormsKeepsEveryField) {
    // Enough output ports that no pasted Port is reset.
    CRecordingOutput output(4);
    auto source = std::make_unique<CControllerDocument>();
    source->SetOutput(&output);
    FillSampleForm(*source);
    for (int k = 0; k < source->GetItemCount(); ++k) source->SetControlValue(k, 3 + k, false);
    CControllerView& from = Open(std::move(source), CControllerView::DesignMode);
    auto target = std::make_unique<CControllerDocument>();
    target->SetOutput(&output);
    CControllerView& to = Open(std::move(target), CControllerView::DesignMode);

    DragMouse(from.Canvas(), {1999, 1999}, {0, 0});
    ASSERT_EQ(from.GetSurface().GetSelection().size(), 5u);
    from.OnCopy();
    ASSERT_TRUE(to.IsCommandEnabled(CControllerView::Command::Paste));
    to.OnPaste();
    const CControllerDocument& a = from.GetDocument();
    const CControllerDocument& b = to.GetDocument();
    ASSERT_EQ(b.GetItemCount(), 5);
    for (int k = 0; k < a.GetItemCount(); ++k) {
        bool found = false;
        for (int j = 0; j < b.GetItemCount() && !found; ++j) found = a.GetItem(k).IsEqual(b.GetItem(j));
        EXPECT_TRUE(found) << "item " << k << " (" << a.GetItem(k).GetTypeName() << ")";
    }
    EXPECT_EQ(to.GetCommands().GetUndoCount(), 5u);
    EXPECT_EQ(to.GetSurface().GetSelection().size(), 5u);
    EXPECT_EQ(b.GetItem(to.GetSurface().GetFocused()).GetRect(), a.GetItem(from.GetSurface().GetFocused()).GetRect());

    // Pasting again puts the copies 20 pixels right and down.
    to.OnPaste();
    ASSERT_EQ(b.GetItemCount(), 10);
    const CRect first = b.GetItem(0).GetRect();
    EXPECT_EQ(b.GetItem(5).GetRect(), (CRect{first.left + 20, first.top + 20, first.right + 20, first.bottom + 20}));

    // A drop from the other form pastes at the drop point; a drop of the form's own items moves them.
    Click(from.Canvas(), {1500, 1500});
    Click(from.Canvas(), {58, 40});  // the knob at 10, 20, where the slider does not cover it
    ASSERT_EQ(from.GetSurface().GetFocused(), 1);
    const std::unique_ptr<QMimeData> drag = from.CreateItemData(QPoint(5, 5));
    EXPECT_TRUE(to.Drop(*drag, QPoint(505, 605)));
    ASSERT_EQ(b.GetItemCount(), 11);
    EXPECT_EQ(b.GetItem(10).GetRect(), (CRect{500, 600, 550, 650}));
    EXPECT_TRUE(b.GetItem(10).GetItemData()->IsEqual(*a.GetItem(1).GetItemData()));
    EXPECT_TRUE(from.Drop(*drag, QPoint(305, 405)));
    EXPECT_EQ(a.GetItemCount(), 5);
    EXPECT_EQ(Rect(from, 1), (CRect{300, 400, 350, 450}));
}

TEST_F(ControllerViewTest, InsertModeDrawsAnItemOfTheChosenTypeAtLeastItsDefaultSize) {
    CControllerView& view = Open(std::make_unique<CControllerDocument>(), CControllerView::InsertMode);
    tonalith::ui::ScopedDialogRunner runner([](QDialog& dialog) {
        dialog.findChild<QTabWidget*>()->setCurrentIndex(4);  // Slider: 60 x 250 when vertical
        return int(QDialog::Accepted);
    });
    DragMouse(view.Canvas(), {100, 100}, {180, 140});
    CControllerDocument& form = view.GetDocument();
    ASSERT_EQ(form.GetItemCount(), 1);
    EXPECT_EQ(form.GetItem(0).GetTypeName(), "Slider");
    EXPECT_EQ(Rect(view, 0), (CRect{100, 100, 180, 350}));
    EXPECT_EQ(view.GetMode(), CControllerView::DesignMode);
    EXPECT_EQ(view.GetSurface().GetFocused(), 0);
    EXPECT_EQ(view.GetCommands().GetUndoText(), "Insert \"Slider\" Item");

    // Tab-order mode: each click numbers the next place; empty space ends it with one command.
    form.InsertItem(1, MakeItem<CKnobItemData>({300, 10, 350, 60}));
    view.SetMode(CControllerView::TabOrderMode);
    Click(view.Canvas(), {310, 20});
    EXPECT_EQ(view.GetMode(), CControllerView::TabOrderMode);
    Click(view.Canvas(), {900, 900});
    EXPECT_EQ(view.GetMode(), CControllerView::DesignMode);
    EXPECT_EQ(form.GetTabOrder(), (std::vector<std::uint16_t>{1, 0}));
    EXPECT_EQ(view.GetCommands().GetUndoText(), "Tab Order changed");

    // Bring To Front moves the focused item to the end of the list and keeps it focused.
    Click(view.Canvas(), {110, 110});
    view.RunCommand(CControllerView::Command::BringToFront);
    EXPECT_EQ(form.GetItem(1).GetTypeName(), "Slider");
    EXPECT_EQ(view.GetSurface().GetFocused(), 1);
    EXPECT_EQ(view.GetCommands().GetUndoText(), "Bring To Front \"Slider\" Item");
}

TEST_F(ControllerViewTest, RunModeSendsOnTheItemsPortsAndRemoteControllersMoveTheControls) {
    auto doc = std::make_unique<CControllerDocument>();
    doc->InsertItem(0, MakeItem<CKnobItemData>({10, 10, 60, 60}, [](CKnobItemData& d) {
                        d.m_strMessage = "BK TT XX", d.m_nController = 74, d.m_nChannel = 2, d.m_nPort = 1,
                        d.m_nOffset = 3;
                        d.m_nRemote = 21;
                    }));
    doc->InsertItem(1, MakeItem<CSliderItemData>({100, 10, 160, 260}, [](CSliderItemData& d) {
                        d.m_strMessage = "BK 07 XX", d.m_nPort = 0;
                    }));
    doc->SetControlValue(0, 10, false);
    doc->SetControlValue(1, 40, false);
    CControllerView& view = Open(std::move(doc), CControllerView::RunMode);
    CFormControl& knob = *view.Control(0);

    knob.setFocus();
    QTest::keyClick(view.Control(0)->focusProxy(), Qt::Key_Up);  // 10 -> 11
    EXPECT_EQ(view.GetDocument().GetItem(0).GetValue(), 11);
    auto writes = WaitForWrites(1);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].port, 1);
    EXPECT_EQ(writes[0].bytes, (Bytes{0xB2, 0x4A, 0x0E}));  // 11 + offset 3

    // Design mode: the control's event keeps its value and sends nothing.
    view.SetMode(CControllerView::DesignMode);
    emit knob.ValueEvent(2, 30);
    EXPECT_EQ(view.GetDocument().GetItem(0).GetValue(), 30);
    view.SetMode(CControllerView::RunMode);

    // Remote controller 21 moves the knob and sends, but only to the active form.
    CMidi::Get().NotifyControllerListener(21, 64);
    EXPECT_EQ(view.GetDocument().GetItem(0).GetValue(), 30);
    view.SetRemoteActive(true);
    CMidi::Get().NotifyControllerListener(21, 64);
    EXPECT_EQ(knob.GetValue(), 64);
    writes = WaitForWrites(2);
    ASSERT_EQ(writes.size(), 2u);  // the design-mode event sent nothing
    EXPECT_EQ(writes[1].bytes, (Bytes{0xB2, 0x4A, 0x43}));

    // Snapshots: a recall sets the values; it sends the changed controls only when asked.
    view.OnAddSnapshot();
    view.GetDocument().SetControlValue(0, 20, false);
    view.RecallSnapshot(0);
    EXPECT_EQ(knob.GetValue(), 64);
    view.GetDocument().SetControlValue(0, 20, false);
    view.SetSendOnRecall(true);
    view.RecallSnapshot(0);
    view.GetDocument().SendItem(0, 65);  // a marker on the same port: what came before has arrived with it
    writes = WaitForWrites(4);
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[2].bytes, (Bytes{0xB2, 0x4A, 0x43}));  // the knob; the unchanged slider is not sent
    EXPECT_EQ(writes[3].bytes, (Bytes{0xB2, 0x4A, 0x44}));

    // Reset returns every control to its Value field.
    view.OnReset();
    EXPECT_EQ(knob.GetValue(), 0);
    EXPECT_EQ(view.Control(1)->GetValue(), 0);
}

TEST_F(ControllerViewTest, ClosingAChangedFormAsksAndKeepsItOpenUntilItIsSaved) {
    CScopedScriptedUi ui;
    CControllerView& view = Open(Knobs(1), CControllerView::DesignMode);
    view.GetDocument().SetModifiedFlag();
    EXPECT_TRUE(view.windowTitle().endsWith('*'));
    const auto answer = [](QMessageBox::StandardButton button) {
        return tonalith::ui::ScopedDialogRunner([button](QDialog&) { return int(button); });
    };
    {
        const auto runner = answer(QMessageBox::Cancel);
        EXPECT_FALSE(view.close());
    }
    {
        // A save that fails keeps the form open and changed.
        const auto runner = answer(QMessageBox::Yes);
        ui->files.push_back("/nonexistent-folder/panel.cof");
        EXPECT_FALSE(view.close());
        EXPECT_TRUE(view.GetDocument().IsModified());
        EXPECT_EQ(ui->messages.size(), 1u);
    }
    const std::filesystem::path file = TempDir() / "panel";
    ui->files.push_back(file.string());
    const auto runner = answer(QMessageBox::Yes);
    EXPECT_TRUE(view.close());
    EXPECT_TRUE(std::filesystem::exists(file.string() + ".cof"));  // the form's extension is added
    EXPECT_FALSE(view.GetDocument().IsModified());
    EXPECT_FALSE(view.windowTitle().endsWith('*'));
}
