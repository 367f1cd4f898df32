// Loading, saving and addressing XV records and layers.
#include <gtest/gtest.h>

#include "Functions.h"
#include "TestSupport.h"
#include "XVMessages.h"
#include "XVSynth.h"
#include "XVTestHelpers.h"

using namespace xv;
using namespace xvtest;

namespace {

std::vector<std::vector<std::uint8_t>> SplitMessages(std::span<const std::uint8_t> bytes) {
    std::vector<std::vector<std::uint8_t>> messages;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == kSysExEnd) {
            messages.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                                  bytes.begin() + static_cast<std::ptrdiff_t>(i + 1));
            start = i + 1;
        }
    return messages;
}

}  // namespace

TEST(XVFieldData, TemporaryPatchLoadsIntoUserPatchOneAndSavesReaddressed) {
    TONALITH_FIELD_DATA_OR_SKIP(dir);
    const auto original = tonalith::test::ReadFile(dir / "xv" / "XV3080_temp_patch_Pianomonics_from_test_hex.syx");
    ASSERT_EQ(original.size(), static_cast<std::size_t>(kPatchSize));

    CXVSynthMemory memory;
    LoadInto(memory, original);
    EXPECT_TRUE(memory.GetLoadProblems().empty());
    EXPECT_EQ(memory.GetPatchLayer().GetPatch(0)->GetName(), "Pianomonics ");
    EXPECT_EQ(memory.GetPatchLayer().GetPatchLabel(0), "01 Pianomonics ");
    EXPECT_EQ(memory.GetPatchLayer().GetPatch(1)->GetName(), "Init Patch  ");

    const auto saved = SaveLayer(memory.GetPatchLayer());
    const auto before = SplitMessages(original);
    const auto after = SplitMessages(std::span(saved).first(kPatchSize));
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t m = 0; m < before.size(); ++m) {
        ASSERT_EQ(before[m].size(), after[m].size());
        EXPECT_TRUE(std::equal(before[m].begin() + kHeaderSize, before[m].end() - 2, after[m].begin() + kHeaderSize))
            << "data of message " << m;
        EXPECT_EQ(after[m][kArea], kAreaUserPatch);
        EXPECT_EQ(after[m][kNumber], 0x00);
        EXPECT_EQ(after[m][kBlock], before[m][kBlock]);
        EXPECT_TRUE(HasValidChecksum(after[m]));
    }
}

TEST(XVFieldData, JVDumpsAreNeverTakenByAnXVLayer) {
    TONALITH_FIELD_DATA_OR_SKIP(dir);
    CXVSynthMemory memory;
    const auto pristine = SaveAll(memory);
    for (const char* name : {"JV1080_AGSOUND1.SYX", "JV1080_Super_JV_Pad_slot108.syx"}) {
        const auto bytes = tonalith::test::ReadFile(dir / "jv" / name);
        CMemFile file(bytes, name);
        EXPECT_EQ(memory.GetMatchingLayer(file), -1);
        memory.Load(file);
    }
    EXPECT_EQ(SaveAll(memory), pristine);
}

TEST(XVMatching, ModelBytesAndAreasDecideTheLayer) {
    CXVSynthMemory memory;
    const auto layerOf = [&](std::vector<std::uint8_t> header) {
        CMemFile file(std::move(header), "h");
        return memory.GetMatchingLayer(file);
    };
    const auto h = [](std::uint8_t model, std::uint8_t a, std::uint8_t b) {
        return std::vector<std::uint8_t>{0xF0, 0x41, 0x10, 0x00, model, 0x12, a, b, 0x00, 0x00, 0x00, 0xF7};
    };
    EXPECT_EQ(layerOf(h(0x10, 0x30, 0x05)), CXVSynthMemory::kPatchLayer);
    EXPECT_EQ(layerOf(h(0x10, 0x1F, 0x00)), CXVSynthMemory::kPatchLayer);
    EXPECT_EQ(layerOf(h(0x10, 0x18, 0x60)), CXVSynthMemory::kPatchLayer);
    EXPECT_EQ(layerOf(h(0x10, 0x1F, 0x10)), CXVSynthMemory::kRhythmLayer);
    EXPECT_EQ(layerOf(h(0x10, 0x14, 0x70)), CXVSynthMemory::kRhythmLayer);
    EXPECT_EQ(layerOf(h(0x10, 0x15, 0x70)), -1);
    EXPECT_EQ(layerOf(h(0x10, 0x40, 0x20)), CXVSynthMemory::kRhythmLayer);
    EXPECT_EQ(layerOf(h(0x10, 0x20, 0x3F)), CXVSynthMemory::kPerformanceLayer);
    EXPECT_EQ(layerOf(h(0x10, 0x10, 0x00)), CXVSynthMemory::kPerformanceLayer);
    EXPECT_EQ(layerOf(h(0x10, 0x00, 0x00)), CXVSynthMemory::kSystemLayer);
    // A JV message (one model byte, 6A) never reaches an XV layer, whatever its address.
    EXPECT_EQ(layerOf({0xF0, 0x41, 0x10, 0x6A, 0x12, 0x30, 0x00, 0x00, 0x00, 0x00, 0x7F}), -1);
    EXPECT_EQ(layerOf({0xF0, 0x41, 0x10, 0x00, 0x6A, 0x12, 0x30, 0x00, 0x00, 0x00}), -1);
    EXPECT_EQ(layerOf({0xF0, 0x41, 0x10, 0x00, 0x10}), -1);  // shorter than a header
}

TEST(XVMemory, FullBanksRoundTripByteIdentical) {
    CXVSynthMemory source;
    for (int l = 0; l < source.GetLayerCount(); ++l) {
        CXVLayer& layer = static_cast<CXVLayer&>(source.GetLayer(l));
        for (int i = 0; i < layer.GetPatchCount(); ++i) {
            Scribble(layer.GetRecord(i), l * 200 + i);
            layer.GetRecord(i).SetName("Rec " + std::to_string(l) + "-" + std::to_string(i));
        }
    }
    const auto bytes = SaveAll(source);
    ASSERT_EQ(bytes.size(),
              static_cast<std::size_t>(128 * kPatchSize + 64 * kPerformanceSize + 4 * kRhythmSize + kSystemSize));
    for (const auto& m : SplitMessages(bytes)) ASSERT_TRUE(HasValidChecksum(m));

    CXVSynthMemory copy;
    LoadInto(copy, bytes);
    EXPECT_TRUE(copy.GetLoadProblems().empty());
    EXPECT_EQ(SaveAll(copy), bytes);
    EXPECT_EQ(copy.GetPatchLayer().GetPatch(127)->GetName(), "Rec 1-127   ");
    EXPECT_EQ(copy.GetRhythmLayer().GetPatchLabel(3), "04 Rec 2-3     ");
    EXPECT_EQ(copy.GetSystemLayer().GetPatchLabel(0), "01 System");
    EXPECT_TRUE(copy.GetPerformanceLayer().GetPatch(63)->IsEqual(*source.GetPerformanceLayer().GetPatch(63)));
}

TEST(XVMemory, RhythmKeysFrom56CarryIntoTheRecordNumber) {
    CXVSynthMemory memory;
    memory.GetRhythmLayer().UpdatePatchNumbers();
    const CXVRecord& set = memory.GetRhythmLayer().GetRecord(2);  // 40 20 ..
    const auto key = [&](int k) { return AddressOf(set.Message(4 + k)); };
    EXPECT_EQ(key(0), (Address{0x40, 0x20, 0x10, 0x00}));
    EXPECT_EQ(key(55), (Address{0x40, 0x20, 0x7E, 0x00}));
    EXPECT_EQ(key(56), (Address{0x40, 0x21, 0x00, 0x00}));
    EXPECT_EQ(key(87), (Address{0x40, 0x21, 0x3E, 0x00}));
    // The edit buffer carries the same way.
    const auto temp = set.GetSysExData(true);
    EXPECT_EQ(temp[MessageOffset(RecordKind::Rhythm, 4 + 56) + kNumber], 0x11);
}

TEST(XVMemory, PatchWithoutTonesKeepsItsTones) {
    CXVSynthMemory memory;
    CXVRecord& target = memory.GetPatchLayer().GetRecord(5);
    Scribble(target, 5);
    std::vector<std::vector<std::uint8_t>> tonesBefore;
    for (int m = 5; m < target.GetMessageCount(); ++m)
        tonesBefore.emplace_back(target.MessageData(m).begin(), target.MessageData(m).end());

    CXVPatch incoming;
    Scribble(incoming, 77);
    incoming.SetName("Commons only");
    incoming.Readdress(kAreaUserPatch, 5);
    LoadInto(memory, std::vector<std::uint8_t>(incoming.Data().begin(), incoming.Data().begin() + kPatchCommonsSize));
    EXPECT_TRUE(memory.GetLoadProblems().empty());
    const CXVRecord& after = memory.GetPatchLayer().GetRecord(5);
    EXPECT_EQ(after.GetName(), "Commons only");
    // The tones keep their data and now carry the common's address, with valid checksums.
    for (int m = 5; m < after.GetMessageCount(); ++m) {
        const auto data = after.MessageData(m);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), tonesBefore[static_cast<std::size_t>(m - 5)].begin())) << m;
    }
    const auto tone = after.Data().subspan(static_cast<std::size_t>(MessageOffset(RecordKind::Patch, 5)));
    EXPECT_EQ(tone[kArea], kAreaUserPatch);
    EXPECT_EQ(tone[kNumber], 5);

    // Stored in a library and read back, the record is the same image.
    CMemFile stored;
    after.Save(stored);
    stored.SeekToBegin();
    CXVPatch restored;
    restored.Load(stored);
    EXPECT_TRUE(std::equal(after.Data().begin(), after.Data().end(), restored.Data().begin()));
    EXPECT_EQ(stored.GetPosition(), stored.GetLength());
}

TEST(XVMemory, DamagedInputIsReportedAndLeavesRecordsUnchanged) {
    CXVSynthMemory source;
    for (int i = 0; i < 3; ++i) Scribble(source.GetPatchLayer().GetRecord(i), i + 1);
    const auto bank = SaveLayer(source.GetPatchLayer());

    // Cut off inside patch 3: patches 1 and 2 arrive, patch 3 is reported.
    CXVSynthMemory cut;
    LoadInto(cut, std::vector<std::uint8_t>(bank.begin(), bank.begin() + 2 * kPatchSize + 700));
    EXPECT_FALSE(cut.GetLoadProblems().empty());
    EXPECT_TRUE(cut.GetPatchLayer().GetPatch(1)->IsEqual(*source.GetPatchLayer().GetPatch(1)));
    EXPECT_TRUE(cut.GetPatchLayer().GetPatch(2)->IsEqual(CXVPatch()));

    // A message of the wrong length inside a record.
    auto damaged = bank;
    damaged.erase(damaged.begin() + kPatchSize + 200);
    CXVSynthMemory broken;
    LoadInto(broken, damaged);
    EXPECT_FALSE(broken.GetLoadProblems().empty());
    EXPECT_TRUE(broken.GetPatchLayer().GetPatch(1)->IsEqual(CXVPatch()));
    EXPECT_TRUE(broken.GetPatchLayer().GetPatch(2)->IsEqual(*source.GetPatchLayer().GetPatch(2)));

    // Every truncation and garbage: nothing crashes or hangs.
    std::uint32_t noise = 12345;
    for (std::size_t n = 0; n < 2 * static_cast<std::size_t>(kPatchSize); n += 37) {
        CXVSynthMemory memory;
        auto bytes = std::vector<std::uint8_t>(bank.begin(), bank.begin() + static_cast<std::ptrdiff_t>(n));
        for (std::size_t i = 0; i < bytes.size(); i += 53) {
            noise = noise * 1103515245 + 12345;
            bytes[i] = static_cast<std::uint8_t>(noise >> 16);
        }
        LoadInto(memory, bytes);
    }
}

TEST(XVRecords, EqualityIgnoresAddressAndDeviceButNotData) {
    CXVPatch a, b;
    Scribble(a, 3);
    Scribble(b, 3);
    a.Readdress(kAreaUserPatch, 3, 0x10);
    b.Readdress(kAreaTemp, 0, 0x13);
    b.SetName("Other name");
    EXPECT_TRUE(a.IsEqual(b));
    EXPECT_EQ(a.GetFingerprint(), b.GetFingerprint());
    b.MessageData(8)[100] ^= 1;
    EXPECT_FALSE(a.IsEqual(b));
    EXPECT_NE(a.GetFingerprint(), b.GetFingerprint());
    EXPECT_FALSE(a.IsEqual(CXVPerformance()));

    // Library storage: the image goes out and comes back whole.
    CMemFile stored;
    b.Save(stored);
    stored.SeekToBegin();
    CXVPatch restored;
    restored.Load(stored);
    EXPECT_EQ(stored.GetPosition(), static_cast<std::uint64_t>(kPatchSize));
    EXPECT_TRUE(std::equal(b.Data().begin(), b.Data().end(), restored.Data().begin()));

    // Clones are independent.
    auto clone = a.Clone();
    static_cast<CXVRecord&>(*clone).MessageData(0)[20] ^= 1;
    EXPECT_FALSE(a.IsEqual(*clone));
}

TEST(XVRecords, SysExDataGoesToTheEditBuffers) {
    CXVSynthMemory memory;
    memory.GetPatchLayer().UpdatePatchNumbers();
    const auto patch = memory.GetPatchLayer().GetPatch(9)->GetSysExData(true);
    ASSERT_EQ(patch.size(), static_cast<std::size_t>(kPatchSize));
    EXPECT_EQ(AddressOf(patch), (Address{0x1F, 0x00, 0x00, 0x00}));
    const auto inPlace = memory.GetPatchLayer().GetPatch(9)->GetSysExData(false);
    EXPECT_EQ(AddressOf(inPlace), (Address{0x30, 0x09, 0x00, 0x00}));
    EXPECT_EQ(AddressOf(memory.GetPerformanceLayer().GetPatch(0)->GetSysExData(true)),
              (Address{0x10, 0x00, 0x00, 0x00}));
    EXPECT_EQ(AddressOf(memory.GetRhythmLayer().GetPatch(0)->GetSysExData(true)), (Address{0x1F, 0x10, 0x00, 0x00}));
    EXPECT_TRUE(memory.GetSystemLayer().GetPatch(0)->GetSysExData(true).empty());
    EXPECT_EQ(memory.GetSystemLayer().GetPatch(0)->GetSysExData(false).size(), static_cast<std::size_t>(kSystemSize));
    for (const auto& m : SplitMessages(patch)) EXPECT_TRUE(HasValidChecksum(m));
}

TEST(XVRecords, DeviceIdGivesTheDeviceByteOfEveryMessage) {
    CXVSynth& synth = CXVSynth::Get();
    synth.SetDeviceId(3);
    CXVSynthMemory memory;
    const auto bytes = SaveLayer(memory.GetRhythmLayer());
    synth.SetDeviceId(0);
    for (const auto& m : SplitMessages(bytes)) {
        EXPECT_EQ(m[kDeviceByte], 0x13);
        EXPECT_TRUE(HasValidChecksum(m));
    }
}

// A name holds printable ASCII only: a Windows-1252 letter or a control byte
// would be no SysEx data byte, so it becomes '?'.
TEST(XVRecords, NamesKeepToSevenBitPrintableCharacters) {
    CXVPatch patch;
    CXVPerformance performance;
    for (CXVRecord* record : std::initializer_list<CXVRecord*>{&patch, &performance}) {
        record->SetName("Cr\xE8me\x01~\x7F");
        EXPECT_EQ(record->GetName(), "Cr?me?~?    ");
        for (const std::uint8_t b : record->GetSysExData(false)) EXPECT_TRUE(b < 0x80 || b == 0xF0 || b == 0xF7);
    }
}
