#include <gtest/gtest.h>

#include <random>

#include <tonalith/Archive.h>
#include <tonalith/File.h>
#include <tonalith/Ui.h>

#include "FormArchive.h"
#include "FormTestSupport.h"
#include "TestSupport.h"

using namespace tonalith::test;

namespace {

void LoadBytes(CControllerDocument& doc, const std::vector<std::uint8_t>& bytes, const std::string& name = "form.cof") {
    CMemFile file(bytes, name);
    CArchive ar(file, CArchive::load);
    doc.Serialize(ar);
}

}  // namespace

TEST(controller_file, SaveAndReloadKeepsEverything) {
    CRecordingOutput output;
    CControllerDocument doc;
    doc.SetOutput(&output);
    FillSampleForm(doc);
    doc.SetTabOrder({4, 1, 3, 2});
    doc.GetItem(1).SetValue(-300);
    doc.AddSnapshot();
    doc.GetItem(2).SetValue(42);
    doc.AddSnapshot();
    doc.RenameSnapshot(1, "Bright");

    const std::filesystem::path path = TempDir() / "panel.cof";
    ASSERT_TRUE(doc.OnSaveDocument(path.string()));
    EXPECT_FALSE(doc.IsModified());

    CControllerDocument loaded;
    loaded.SetOutput(&output);
    ASSERT_TRUE(loaded.OnOpenDocument(path.string()));
    EXPECT_TRUE(loaded.IsEqual(doc));
    EXPECT_EQ(loaded.GetTabOrder(), (std::vector<std::uint16_t>{4, 1, 3, 2}));
    EXPECT_EQ(loaded.GetItem(1).GetValue(), -300);
    EXPECT_EQ(loaded.GetItem(2).GetRect(), (CRect{-4, 0, 56, 250}));
    EXPECT_EQ(loaded.GetSnapshotNames(), (std::vector<std::string>{"New", "Bright"}));
    EXPECT_EQ(*loaded.GetItemField(4, "Texts"), "Saw\r\nSquare\r\n");
    // Saving the reloaded form gives the same bytes.
    EXPECT_EQ(loaded.SaveToBytes(), doc.SaveToBytes());
}

TEST(controller_file, LayoutOfTheStream) {
    CRecordingOutput output;
    CControllerDocument doc;
    doc.SetOutput(&output);
    doc.InsertItem(0, MakeItem<CGroupItemData>({1, 2, 3, 4}));
    doc.InsertItem(1, MakeItem<CGroupItemData>({1, 2, 3, 4}));
    doc.SetInfo("A", "", "");
    const std::vector<std::uint8_t> bytes = doc.SaveToBytes();

    const std::vector<std::uint8_t> head{0x00, 0x00,  // tab order: groups never tab
                                         0x01, 'A',  0x00, 0x00,  // author, email, description
                                         0,    0,    0,    0,  // snapshots
                                         2,    0,    0,    0,  // items
                                         0xFF, 0xFF, 0x00, 0x00,  // new class, schema 0
                                         14,   0,    'C',  'C',  'o', 'n', 't', 'a',
                                         'i',  'n',  'e',  'r',  'I', 't', 'e', 'm'};
    ASSERT_GT(bytes.size(), head.size());
    EXPECT_TRUE(std::equal(head.begin(), head.end(), bytes.begin()));
    // Control state, rectangle, then the identifier in its in-memory byte order.
    const std::size_t state = head.size();
    EXPECT_EQ(bytes[state], 6);
    EXPECT_EQ(bytes[state + 2], 1);  // version
    const std::size_t id = state + 8 + 16;
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + id, bytes.begin() + id + 4),
              (std::vector<std::uint8_t>{0xD7, 0x34, 0x57, 0x7C}));
    // The second item refers to the class by its index.
    const std::size_t second = id + 16 + 1 + 10 + 4 + 4;
    EXPECT_EQ(bytes[second], 0x01);
    EXPECT_EQ(bytes[second + 1], 0x80);
}

TEST(controller_file, StringLengthPrefixes) {
    struct Case {
        std::size_t length;
        std::vector<std::uint8_t> prefix;
    };
    const std::vector<Case> cases{{254, {0xFE}},
                                  {255, {0xFF, 0xFF, 0x00}},
                                  {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
                                  {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}}};
    for (const Case& c : cases) {
        CControllerDocument doc;
        doc.SetInfo(std::string(c.length, 'a'), "", "");
        const auto bytes = doc.SaveToBytes();
        EXPECT_TRUE(std::equal(c.prefix.begin(), c.prefix.end(), bytes.begin() + 2)) << c.length;
        EXPECT_EQ(bytes.size(), 2 + c.prefix.size() + c.length + 2 + 4 + 4) << c.length;
        CControllerDocument loaded;
        LoadBytes(loaded, bytes);
        EXPECT_EQ(loaded.GetAuthor().size(), c.length);
    }
}

TEST(controller_file, LoadingRepairsTabOrderAndPorts) {
    CRecordingOutput manyPorts(4);
    CControllerDocument doc;
    doc.SetOutput(&manyPorts);
    FillSampleForm(doc);
    doc.SetTabOrder({});
    const auto bytes = doc.SaveToBytes();

    CRecordingOutput twoPorts(2);
    CControllerDocument loaded;
    loaded.SetOutput(&twoPorts);
    LoadBytes(loaded, bytes);
    EXPECT_EQ(loaded.GetTabOrder(), (std::vector<std::uint16_t>{1, 2, 3, 4}));  // no group frame
    EXPECT_EQ(loaded.GetItemField(1, "Port"), "0");  // 3 is beyond two devices
    EXPECT_EQ(loaded.GetItemField(2, "Port"), "1");
    EXPECT_EQ(loaded.GetItemField(4, "Port"), "0");
    EXPECT_EQ(loaded.GetOutputPorts(), (std::vector<int>{0, 1}));
}

TEST(controller_file, UnknownControlTypeFailsTheOpenNamingTheFile) {
    CRecordingOutput output;
    CControllerDocument doc;
    doc.SetOutput(&output);
    FillSampleForm(doc);
    auto bytes = doc.SaveToBytes();
    const auto id = CKnobItemData::kClassId.ToBytes();
    const auto at = std::search(bytes.begin(), bytes.end(), id.begin(), id.end());
    ASSERT_NE(at, bytes.end());
    *at ^= 0x55;

    const std::filesystem::path path = TempDir() / "strange.cof";
    WriteFile(path, bytes);
    CControllerDocument target;
    target.SetOutput(&output);
    FillSampleForm(target);
    target.SetModifiedFlag(false);
    CScopedScriptedUi ui;
    EXPECT_FALSE(target.OnOpenDocument(path.string()));
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_NE(ui->messages[0].find("strange.cof"), std::string::npos);
    EXPECT_NE(ui->messages[0].find("unknown"), std::string::npos);
    EXPECT_EQ(target.GetItemCount(), 5);  // unchanged
    EXPECT_EQ(target.GetAuthor(), "Ann Author");
}

TEST(controller_file, HugeCountsAreRefusedBeforeAllocating) {
    // A tab order announcing 4 billion words, and a form announcing 4 billion items.
    const std::vector<std::vector<std::uint8_t>> forms{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                                                       {0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
                                                       {0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}};
    for (const auto& bytes : forms) {
        CControllerDocument doc;
        try {
            LoadBytes(doc, bytes);
            ADD_FAILURE() << "loaded";
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_cause, CFileException::badFormat);
        }
    }
}

TEST(controller_file, CorruptAndTruncatedFormsNeverCrash) {
    CRecordingOutput output;
    CControllerDocument doc;
    doc.SetOutput(&output);
    FillSampleForm(doc);
    doc.AddSnapshot();
    const auto original = doc.SaveToBytes();

    std::mt19937 random(20240607);
    int loadedCount = 0;
    for (int round = 0; round < 3000; ++round) {
        auto bytes = original;
        const int kind = round % 3;
        if (kind == 0) {
            bytes.resize(random() % bytes.size());
        } else {
            const int flips = 1 + random() % 4;
            for (int i = 0; i < flips; ++i) {
                const std::uint8_t values[] = {0x00, 0xFF, 0xFE, 0x80, 0x7F, static_cast<std::uint8_t>(random())};
                bytes[random() % bytes.size()] = values[random() % 6];
            }
        }
        CControllerDocument loaded;
        loaded.SetOutput(&output);
        try {
            LoadBytes(loaded, bytes);
        } catch (const CFileException&) {
            continue;
        }
        ++loadedCount;
        // Whatever loads is usable: tab order in range, every item has data.
        for (std::uint16_t p : loaded.GetTabOrder()) ASSERT_LT(p, loaded.GetItemCount());
        for (int i = 0; i < loaded.GetItemCount(); ++i) ASSERT_NE(loaded.GetItem(i).GetItemData(), nullptr);
        for (int i = 0; i < loaded.GetSnapshotCount(); ++i) loaded.RecallSnapshot(i);
        loaded.Reset();
        loaded.SaveToBytes();
    }
    EXPECT_GT(loadedCount, 100);  // mutations inside texts and values still load
}
