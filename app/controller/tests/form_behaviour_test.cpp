#include <gtest/gtest.h>

#include <tonalith/Commands.h>

#include "ControllerCommands.h"
#include "ControllerMessage.h"
#include "FormTestSupport.h"

using namespace tonalith::test;
using Bytes = std::vector<std::uint8_t>;

TEST(controller_message, PlaceholdersAndValues) {
    EXPECT_EQ(BuildControllerMessage("BK TT XX", 10, 7, 5), "BA 07 05");  // channel 11 shows as A
    EXPECT_EQ(BuildControllerMessage("F0 KK 0K XX YY F7", 15, 7, 200), "F0 FF 0F 48 01 F7");
    EXPECT_EQ(BuildControllerMessage("XX YY", 0, 0, 127), "7F 00");
    EXPECT_EQ(BuildControllerMessage("XX YY", 0, 0, 16383), "7F 7F");
    EXPECT_EQ(BuildControllerMessage("F0 41 10 F7", 3, 7, 9), "F0 41 10 F7");
    EXPECT_EQ(BuildControllerMessage("BK TT XX", 0, -1, 1), "B0 TT 01");  // -1 leaves TT
    // Negative values: the low 7 bits and the next 7 bits of the two's complement.
    EXPECT_EQ(BuildControllerMessage("XX YY", 0, 0, -1), "7F 7F");
    EXPECT_EQ(BuildControllerMessage("XX YY", 0, 0, -127), "01 7F");
    EXPECT_EQ(BuildControllerBytes("F0 00 XX SS F7", 0, 0, -20, 0).size(), 5u);
}

TEST(controller_message, ValueEventsSendOnTheItemsPort) {
    CRecordingOutput output;
    CControllerDocument doc;
    doc.SetOutput(&output);
    FillSampleForm(doc);

    EXPECT_TRUE(doc.OnValueEvent(1, 2, 5));  // knob: Offset 10 is added
    EXPECT_FALSE(doc.OnValueEvent(1, 1, 6));  // not the knob's value event
    EXPECT_TRUE(doc.OnValueEvent(3, 1, 99));  // button sends the event value
    EXPECT_FALSE(doc.OnValueEvent(0, 1, 1));  // a group frame sends nothing
    EXPECT_FALSE(doc.OnValueEvent(4, 1, 3, false));  // e.g. design mode: kept, not sent
    ASSERT_EQ(output.sent.size(), 2u);
    EXPECT_EQ(output.sent[0], (std::pair<int, Bytes>{3, {0xB9, 0x4A, 0x0F}}));
    EXPECT_EQ(output.sent[1], (std::pair<int, Bytes>{0, {0x90, 0x3C, 0x63}}));
    EXPECT_EQ(doc.GetItem(1).GetValue(), 5);
    EXPECT_EQ(doc.GetItem(4).GetValue(), 3);

    // Roland checksum over address and data: 40 00 20 -> 0x60, 128 - 0x60 = 0x20.
    output.sent.clear();
    EXPECT_TRUE(doc.OnValueEvent(2, 1, 0x20));
    EXPECT_EQ(output.Messages(), (std::vector<Bytes>{{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x20, 0x20, 0xF7}}));

    // A template that is not hex after substitution sends nothing.
    ASSERT_EQ(doc.SetItemField(3, "Message", "9K 3G XX"), "");
    EXPECT_FALSE(doc.OnValueEvent(3, 1, 1));
}

TEST(controller_message, RemoteResetAndOutputSetup) {
    CRecordingOutput output(3);
    CControllerDocument doc;
    doc.SetOutput(&output);
    FillSampleForm(doc);

    EXPECT_EQ(doc.OnRemoteController(21, 64), (std::vector<int>{1}));
    EXPECT_EQ(doc.GetItem(1).GetValue(), 64);
    EXPECT_EQ(output.Messages(), (std::vector<Bytes>{{0xB9, 0x4A, 0x4A}}));  // 64 + 10
    EXPECT_TRUE(doc.OnRemoteController(5, 1).empty());

    output.sent.clear();
    doc.Reset(false);
    EXPECT_EQ(doc.GetItem(1).GetValue(), -5);
    EXPECT_TRUE(output.sent.empty());

    EXPECT_EQ(doc.GetOutputPorts(), (std::vector<int>{3, 1, 0, 2}));
    EXPECT_FALSE(doc.SetOutputPortForAll(3));  // only three devices
    EXPECT_TRUE(doc.SetOutputPortForAll(2));
    EXPECT_TRUE(doc.SetChannelForAll(15));
    EXPECT_FALSE(doc.SetChannelForAll(16));
    EXPECT_EQ(doc.GetOutputPorts(), (std::vector<int>{2}));
    EXPECT_EQ(doc.GetItemField(4, "Channel"), "15");
    EXPECT_EQ(doc.GetItemField(0, "Text"), "Filter");  // groups untouched

    CRecordingOutput none(0);
    doc.SetOutput(&none);
    EXPECT_FALSE(doc.SetOutputPortForAll(0));
}

TEST(controller_item_data, FieldsByName) {
    CKnobItemData knob;
    EXPECT_EQ(knob.GetFieldNames(),
              (std::vector<std::string>{"Type", "Controller", "Message", "Port", "Channel", "Encoding", "Value",
                                        "Offset", "Tooltip", "Remote", "Minimum", "Maximum"}));
    EXPECT_EQ(knob.SetField("Value", "50"), "");
    EXPECT_EQ(knob.SetField("Maximum", "40"), "");  // Value follows the Maximum down
    EXPECT_EQ(knob.GetField("Value"), "40");
    EXPECT_EQ(knob.SetField("Minimum", "60"), "");  // both follow the Minimum up
    EXPECT_EQ(knob.GetField("Maximum"), "60");
    EXPECT_EQ(knob.GetField("Value"), "60");
    EXPECT_NE(knob.SetField("Channel", "16"), "");
    EXPECT_NE(knob.SetField("Offset", "ten"), "");
    EXPECT_NE(knob.SetField("Caption", "x"), "");
    EXPECT_FALSE(knob.GetField("Caption"));

    CRadioItemData radio;
    radio.m_strTexts = "A\r\nB";
    radio.m_strValues = "1\r\n";
    EXPECT_EQ(radio.NormalizeLists(), "Texts and values must have the same number of entries.");
    EXPECT_EQ(radio.m_strTexts, "A\r\nB\r\n");
    radio.m_strValues += "2\r\n";
    EXPECT_EQ(radio.NormalizeLists(), "");

    const CItemTypeRegistry& registry = CItemTypeRegistry::Get();
    ASSERT_EQ(registry.GetCount(), 5);
    const char* names[] = {"Group/Text", "Button", "Choose", "Knob", "Slider"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(registry.GetPrototype(i).GetTypeName(), names[i]);
        auto fresh = registry.CreateItemData(registry.GetPrototype(i).GetClassId());
        ASSERT_TRUE(fresh);
        EXPECT_TRUE(fresh->IsEqual(registry.GetPrototype(i)));
    }
    EXPECT_EQ(registry.Find(GUID{}), nullptr);
}

TEST(controller_snapshot, AddRecallAndEdit) {
    CRecordingOutput output;
    CControllerDocument empty;
    empty.SetOutput(&output);
    empty.InsertItem(0, MakeItem<CGroupItemData>({0, 0, 10, 10}));
    EXPECT_TRUE(empty.GetSnapshot(empty.AddSnapshot()).m_positions.empty());
    empty.RecallSnapshot(0);
    EXPECT_TRUE(output.sent.empty());

    CControllerDocument doc;
    doc.SetOutput(&output);
    FillSampleForm(doc);
    for (int i = 1; i <= 4; ++i) doc.GetItem(i).SetValue(i * 10);
    doc.GetItem(1).SetValue(-7);
    doc.AddSnapshot();
    EXPECT_EQ(doc.GetSnapshot(0).m_positions, (std::vector<std::uint16_t>{1, 2, 3, 4}));
    EXPECT_EQ(doc.GetSnapshot(0).m_values, (std::vector<std::uint16_t>{0xFFF9, 20, 30, 40}));

    for (int i = 1; i <= 4; ++i) doc.GetItem(i).SetValue(0);
    doc.RecallSnapshot(0);
    EXPECT_EQ(doc.GetItem(1).GetValue(), -7);
    EXPECT_EQ(doc.GetItem(4).GetValue(), 40);
    EXPECT_EQ(output.sent.size(), 4u);

    doc.AddSnapshot();
    doc.AddSnapshot();
    doc.RenameSnapshot(2, "Third");
    EXPECT_EQ(doc.MoveSnapshotUp(2), 1);
    EXPECT_EQ(doc.MoveSnapshotUp(0), 0);
    EXPECT_EQ(doc.MoveSnapshotDown(2), 2);
    EXPECT_EQ(doc.GetSnapshotNames(), (std::vector<std::string>{"New", "Third", "New"}));
    for (int i = 0; i < 3; ++i) doc.DeleteSnapshot(0);
    EXPECT_TRUE(doc.GetSnapshotNames().empty());
}

TEST(controller_snapshot, PositionsFollowItemsThroughCommandsAndUndo) {
    CRecordingOutput output;
    CControllerDocument doc;
    doc.SetOutput(&output);
    FillSampleForm(doc);
    for (int i = 1; i <= 4; ++i) doc.GetItem(i).SetValue(i * 10);
    doc.AddSnapshot();
    const CContainerItem* knob = &doc.GetItem(1);
    const CContainerItem* radio = &doc.GetItem(4);
    CCmdManager commands(&doc);

    commands.Execute(std::make_unique<CDeleteItemCommand>(doc, 2));  // the slider
    EXPECT_EQ(commands.GetUndoText(), "Delete \"Slider\" Item");
    EXPECT_EQ(doc.GetTabOrder(), (std::vector<std::uint16_t>{1, 2, 3}));
    for (int i = 1; i < doc.GetItemCount(); ++i) doc.GetItem(i).SetValue(0);
    doc.RecallSnapshot(0);
    EXPECT_EQ(knob->GetValue(), 10);
    EXPECT_EQ(doc.GetItem(2).GetValue(), 30);  // the button
    EXPECT_EQ(radio->GetValue(), 40);

    commands.Execute(std::make_unique<CZOrderCommand>(doc, 1, CZOrderCommand::ToFront));
    EXPECT_EQ(doc.GetPosition(knob), 3);
    commands.Execute(std::make_unique<CInsertItemCommand>(doc, MakeItem<CKnobItemData>({0, 0, 50, 50})));
    EXPECT_EQ(commands.GetUndoText(), "Insert \"Knob\" Item");
    commands.Execute(std::make_unique<CZOrderCommand>(doc, 4, CZOrderCommand::ToBack));
    EXPECT_EQ(commands.GetUndoText(), "Send To Back \"Knob\" Item");
    doc.RecallSnapshot(0);
    EXPECT_EQ(doc.GetItem(0).GetValue(), 0);  // not in the snapshot
    EXPECT_EQ(knob->GetValue(), 10);

    for (int i = 0; i < 3; ++i) commands.Undo();
    // Back to the state after the delete; now undo it: the slider returns everywhere.
    commands.Undo();
    ASSERT_EQ(doc.GetItemCount(), 5);
    EXPECT_EQ(doc.GetItem(2).GetTypeName(), "Slider");
    EXPECT_EQ(doc.GetTabOrder(), (std::vector<std::uint16_t>{1, 2, 3, 4}));
    EXPECT_EQ(doc.GetSnapshot(0).m_positions, (std::vector<std::uint16_t>{1, 2, 3, 4}));
    EXPECT_EQ(doc.GetSnapshot(0).m_values, (std::vector<std::uint16_t>{10, 20, 30, 40}));
    doc.GetItem(2).SetValue(0);
    doc.RecallSnapshot(0);
    EXPECT_EQ(doc.GetItem(2).GetValue(), 20);

    commands.Redo();
    EXPECT_EQ(doc.GetItemCount(), 4);
    EXPECT_EQ(doc.GetSnapshot(0).m_positions, (std::vector<std::uint16_t>{1, 2, 3}));
}

TEST(controller_commands, MovePropertiesAndTabOrder) {
    CRecordingOutput output;
    CControllerDocument doc;
    doc.SetOutput(&output);
    FillSampleForm(doc);
    CCmdManager commands(&doc);

    commands.Execute(std::make_unique<CMoveItemCommand>(doc, 3, doc.GetItem(3).GetRect(), CRect{0, 0, 50, 50}));
    EXPECT_EQ(commands.GetUndoText(), "Positioning or Movement of \"Button\"");
    EXPECT_EQ(doc.GetItem(3).GetRect(), (CRect{0, 0, 50, 50}));

    auto edited = doc.GetItem(3).GetItemData()->Clone();
    ASSERT_EQ(edited->SetField("Caption", "Go"), "");
    commands.Execute(std::make_unique<CItemPropertiesCommand>(doc, 3, *edited));
    EXPECT_EQ(doc.GetItemField(3, "Caption"), "Go");

    commands.Execute(
        std::make_unique<CTabOrderCommand>(doc, doc.GetTabOrder(), std::vector<std::uint16_t>{4, 3, 2, 1}));
    EXPECT_EQ(commands.GetUndoText(), "Tab Order changed");
    commands.Undo();
    commands.Undo();
    commands.Undo();
    EXPECT_EQ(doc.GetTabOrder(), (std::vector<std::uint16_t>{1, 2, 3, 4}));
    EXPECT_EQ(doc.GetItemField(3, "Caption"), "Hold");
    EXPECT_EQ(doc.GetItem(3).GetRect(), (CRect{70, 20, 120, 70}));
}
