#include <gtest/gtest.h>

#include <tonalith/Commands.h>
#include <tonalith/File.h>

#include "ControllerCommands.h"
#include "DesignSurface.h"
#include "ItemPayload.h"
#include "FormTestSupport.h"

using namespace tonalith::test;

namespace {
struct Surface {
    CRecordingOutput output;
    CControllerDocument doc;
    CCmdManager commands{&doc};
    CDesignSurface surface{doc, commands};

    explicit Surface(std::vector<CRect> rects) {
        doc.SetOutput(&output);
        for (const CRect& rect : rects) doc.InsertItem(doc.GetItemCount(), MakeItem<CKnobItemData>(rect));
    }
    CRect Rect(int position) const { return doc.GetItem(position).GetRect(); }
};
}  // namespace

TEST(design_surface, CtrlClickHandsTheFocusBack) {
    Surface s({{0, 0, 50, 50}, {100, 0, 150, 50}, {200, 0, 250, 50}});
    s.surface.Click(10, 10, false);
    s.surface.Click(110, 10, true);
    s.surface.Click(210, 10, true);
    EXPECT_EQ(s.surface.GetSelection(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(s.surface.GetFocused(), 2);
    s.surface.Click(210, 10, true);  // the focused one leaves; the one selected before it is focused
    EXPECT_EQ(s.surface.GetSelection(), (std::vector<int>{0, 1}));
    EXPECT_EQ(s.surface.GetFocused(), 1);
    s.surface.Click(10, 10, true);  // a selected, unfocused item takes the focus
    EXPECT_EQ(s.surface.GetFocused(), 0);
    s.surface.Click(10, 10, true);
    s.surface.Click(110, 10, true);
    EXPECT_EQ(s.surface.GetFocused(), -1);
    EXPECT_TRUE(s.surface.GetSelection().empty());
    s.surface.Click(210, 10, false);
    s.surface.Click(1000, 1000, false);  // empty space clears
    EXPECT_TRUE(s.surface.GetSelection().empty());
}

TEST(design_surface, RubberBandSelectsInListOrderLastFocused) {
    Surface s({{200, 0, 250, 50}, {0, 0, 50, 50}, {100, 0, 150, 50}, {500, 500, 550, 550}});
    s.surface.SelectInBand({220, 60, 20, 20});  // drawn right to left
    EXPECT_EQ(s.surface.GetSelection(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(s.surface.GetFocused(), 2);
}

TEST(design_surface, KeyboardMoveClampsAndRecordsOnlyMovedItems) {
    Surface s({{0, 5, 50, 55}, {3, 40, 53, 90}});
    s.surface.SelectInBand({0, 0, 60, 100});
    int dx = 0, dy = 0;
    ASSERT_TRUE(CDesignSurface::KeyDistance(CDesignSurface::KeyLeft, dx, dy));
    EXPECT_EQ(s.surface.MoveBy(dx, dy), 1);  // the item at left 0 stays and records nothing
    EXPECT_EQ(s.Rect(0), (CRect{0, 5, 50, 55}));
    EXPECT_EQ(s.Rect(1), (CRect{2, 40, 52, 90}));
    ASSERT_TRUE(CDesignSurface::KeyDistance(CDesignSurface::KeyPageUp, dx, dy));
    EXPECT_EQ(s.surface.MoveBy(dx, dy), 2);
    EXPECT_EQ(s.Rect(0), (CRect{0, 0, 50, 50}));  // clamped at the top
    EXPECT_EQ(s.Rect(1), (CRect{2, 30, 52, 80}));
    EXPECT_EQ(s.commands.GetUndoCount(), 3u);
    EXPECT_EQ(s.commands.GetUndoText(), "Positioning or Movement of \"Knob\"");
    s.surface.MoveBy(5000, 5000);
    EXPECT_EQ(s.Rect(0).left, CDesignSurface::kFormWidth);
    EXPECT_EQ(s.Rect(0).top, CDesignSurface::kFormHeight);
}

TEST(design_surface, AlignAndSameSizeNeverMoveTheFocusedItem) {
    Surface s({{10, 10, 60, 40}, {30, 100, 60, 200}, {5, 300, 105, 320}});
    s.surface.Click(50, 20, false);
    s.surface.Click(50, 310, true);
    s.surface.Click(40, 150, true);  // focused: item 1
    EXPECT_EQ(s.surface.AlignSelection(CDesignSurface::AlignLeft), 2);
    EXPECT_EQ(s.Rect(1), (CRect{30, 100, 60, 200}));
    EXPECT_EQ(s.Rect(0), (CRect{30, 10, 80, 40}));
    EXPECT_EQ(s.Rect(2), (CRect{30, 300, 130, 320}));
    EXPECT_EQ(s.surface.AlignSelection(CDesignSurface::AlignBottom), 2);
    EXPECT_EQ(s.Rect(0), (CRect{30, 170, 80, 200}));
    EXPECT_EQ(s.surface.MakeSameSize(CDesignSurface::SameBoth), 2);
    EXPECT_EQ(s.Rect(0), (CRect{30, 170, 60, 270}));
    EXPECT_EQ(s.Rect(2), (CRect{30, 180, 60, 280}));
    EXPECT_EQ(s.Rect(1), (CRect{30, 100, 60, 200}));
    s.commands.Undo();
    s.commands.Undo();
    EXPECT_EQ(s.Rect(0), (CRect{30, 170, 80, 200}));
}

TEST(design_surface, SpaceEvenlyWithThreeKeepsTheFirstAndAveragesTheGaps) {
    Surface s({{100, 0, 140, 50}, {0, 0, 20, 50}, {300, 0, 310, 50}});  // gaps 80 and 160
    s.surface.SelectInBand({0, 0, 400, 60});
    EXPECT_EQ(s.surface.SpaceEvenly(true), 1);
    EXPECT_EQ(s.Rect(1), (CRect{0, 0, 20, 50}));
    EXPECT_EQ(s.Rect(0), (CRect{140, 0, 180, 50}));
    EXPECT_EQ(s.Rect(2), (CRect{300, 0, 310, 50}));  // already in place: no command
    EXPECT_EQ(s.commands.GetUndoCount(), 1u);
    s.surface.ClearSelection();
    s.surface.Click(5, 5, false);
    s.surface.Click(150, 5, true);
    EXPECT_EQ(s.surface.SpaceEvenly(true), 0);  // fewer than three
}

TEST(design_surface, DeleteThenUndoRestoresTabPlaceAndSnapshotValues) {
    Surface s({{0, 0, 50, 50}, {100, 0, 150, 50}, {200, 0, 250, 50}});
    s.doc.SetTabOrder({2, 0, 1});
    s.doc.SetControlValue(0, 10, false);
    s.doc.SetControlValue(1, 11, false);
    s.doc.SetControlValue(2, 12, false);
    s.doc.AddSnapshot();
    const auto before = s.doc.SaveToBytes();

    s.surface.Click(110, 10, false);
    s.surface.Click(10, 10, true);
    EXPECT_EQ(s.surface.DeleteSelection(), 2);
    ASSERT_EQ(s.doc.GetItemCount(), 1);
    EXPECT_EQ(s.doc.GetTabOrder(), (std::vector<std::uint16_t>{0}));
    EXPECT_EQ(s.doc.GetSnapshot(0).m_values, (std::vector<std::uint16_t>{12}));
    EXPECT_EQ(s.commands.GetUndoText(), "Delete \"Knob\" Item");
    s.commands.Undo();
    s.commands.Undo();
    EXPECT_EQ(s.doc.SaveToBytes(), before);
    EXPECT_EQ(s.doc.GetTabOrder(), (std::vector<std::uint16_t>{2, 0, 1}));
}

TEST(design_surface, PastedItemsStepAwayFromTakenPlaces) {
    Surface s({{0, 0, 50, 50}, {20, 20, 70, 70}});
    EXPECT_EQ(s.surface.FreePlace({0, 0, 50, 50}), (CRect{40, 40, 90, 90}));
    EXPECT_EQ(s.surface.FreePlace({1, 0, 51, 50}), (CRect{1, 0, 51, 50}));
}

TEST(example_form, JvFilterFormSendsChecksummedDt1) {
    CRecordingOutput output;
    CControllerDocument doc;
    doc.SetOutput(&output);
    ASSERT_TRUE(doc.OnOpenDocument(std::string(TONALITH_FORMS_DIR) + "/jv-filter.cof"));
    ASSERT_EQ(doc.GetItem(2).GetTypeName(), "Knob");
    EXPECT_TRUE(doc.OnValueEvent(2, 2, 100));  // cutoff of tone 1 in the temporary patch
    ASSERT_EQ(output.sent.size(), 1u);
    EXPECT_EQ(output.sent[0].second,
              (std::vector<std::uint8_t>{0xF0, 0x41, 0x10, 0x6A, 0x12, 0x03, 0x00, 0x10, 0x51, 0x64, 0x38, 0xF7}));
    EXPECT_EQ(doc.GetSnapshotCount(), 1);
}

TEST(design_surface, TabOrderModeNumbersClicksAndRecordsOnlyAChange) {
    Surface s({{0, 0, 50, 50}, {100, 0, 150, 50}, {200, 0, 250, 50}});
    s.doc.InsertItem(3, MakeItem<CGroupItemData>({300, 0, 400, 50}));
    ASSERT_EQ(s.doc.GetTabOrder(), (std::vector<std::uint16_t>{0, 1, 2}));
    s.surface.BeginTabOrder();
    EXPECT_TRUE(s.surface.TabOrderClick(210, 10));
    EXPECT_TRUE(s.surface.TabOrderClick(310, 10));  // a group frame takes no place
    EXPECT_FALSE(s.surface.TabOrderClick(1000, 1000));  // empty space ends, keeping what was numbered
    EXPECT_EQ(s.doc.GetTabOrder(), (std::vector<std::uint16_t>{2, 0, 1}));
    EXPECT_EQ(s.commands.GetUndoText(), "Tab Order changed");
    s.commands.Undo();
    EXPECT_EQ(s.doc.GetTabOrder(), (std::vector<std::uint16_t>{0, 1, 2}));

    s.surface.BeginTabOrder();
    EXPECT_TRUE(s.surface.TabOrderClick(10, 10));
    EXPECT_TRUE(s.surface.TabOrderClick(110, 10));
    EXPECT_FALSE(s.surface.TabOrderClick(210, 10));  // every place numbered: the mode ends
    EXPECT_FALSE(s.surface.InTabOrder());
    EXPECT_FALSE(s.commands.CanUndo());  // the same order records nothing
}

TEST(item_payload, CopyPasteBetweenFormsKeepsEveryField) {
    CRecordingOutput output;
    CControllerDocument from;
    from.SetOutput(&output);
    FillSampleForm(from);
    const std::vector<int> selection{4, 0, 1, 2, 3};  // focused: the button
    const auto bytes = EncodeItemPayload(from, selection, 7, 9);

    CItemPayload payload = DecodeItemPayload(bytes, output.GetDeviceCount());
    EXPECT_EQ(payload.dragX, 7);
    EXPECT_EQ(payload.dragY, 9);
    ASSERT_EQ(payload.items.size(), 5u);
    EXPECT_TRUE(payload.items[0]->IsEqual(from.GetItem(3)));  // the focused item first
    for (int k = 1; k < 5; ++k) EXPECT_TRUE(payload.items[k]->IsEqual(from.GetItem(selection[k - 1]))) << k;

    Surface to({{130, 20, 230, 44}});
    for (auto& item : payload.items) {
        item->SetRect(to.surface.FreePlace(item->GetRect()));
        to.commands.Execute(std::make_unique<CInsertItemCommand>(to.doc, std::move(item), CInsertItemCommand::Paste));
    }
    EXPECT_EQ(to.commands.GetUndoText(), "Paste \"Slider\" Item");
    EXPECT_EQ(to.doc.GetItem(2).GetRect(), (CRect{150, 40, 250, 64}));  // the radio group stepped aside
    EXPECT_EQ(to.doc.GetItem(2).GetItemData()->GetField("Texts"), from.GetItem(4).GetItemData()->GetField("Texts"));

    auto cut = bytes;
    cut.resize(cut.size() - 3);
    EXPECT_THROW(DecodeItemPayload(cut, 4), CFileException);
}
