#include <gtest/gtest.h>

#include "JVTestSupport.h"
#include "amberkit/JVLayers.h"
#include "amberkit/JVRecords.h"

using namespace amberkit;
using jvtest::ScopedJVSettings;
using jvtest::SplitMessages;

namespace {

// Fills every data byte with a varying 7-bit pattern, so lost or moved bytes show.
template <class R>
R Patterned(int salt) {
    R record;
    for (int m = 0; m < record.GetMessageCount(); ++m) {
        auto msg = record.Message(m);
        for (std::size_t i = kHeaderSize + (m == 0 ? kNameLength : 0); i + 2 < msg.size(); ++i)
            msg[i] = static_cast<std::uint8_t>((salt * 31 + m * 7 + i * 13) & 0x7F);
        SealMessage(msg);
    }
    record.SetName("Pattern " + std::to_string(salt));
    record.Readdress(record.GetArea(), 5, 0x10);
    return record;
}

template <class R>
std::unique_ptr<R> LoadRecord(const std::vector<std::uint8_t>& bytes) {
    auto record = std::make_unique<R>();
    CMemFile file(bytes, "record.syx");
    record->Load(file);
    EXPECT_EQ(file.GetPosition(), bytes.size());
    return record;
}

struct GenerationCase {
    Generation generation;
    int patchCommon, performanceCommon, part, systemCommon;
};

class JVGenerations : public ::testing::TestWithParam<GenerationCase> {};

}  // namespace

// Each generation's messages load into the long form and go back out unchanged.
TEST_P(JVGenerations, RecordsRoundTripInEachGenerationsLengths) {
    const GenerationCase c = GetParam();
    auto check = [&](const auto& original, std::vector<int> expectedSizes, auto* loadedType) {
        using R = std::remove_pointer_t<decltype(loadedType)>;
        const auto wire = original.GetSysExImage(c.generation);
        const auto messages = SplitMessages(wire);
        ASSERT_EQ(messages.size(), expectedSizes.size());
        for (std::size_t m = 0; m < messages.size(); ++m) {
            EXPECT_EQ(static_cast<int>(messages[m].size()), expectedSizes[m]) << "message " << m;
            EXPECT_TRUE(HasValidChecksum(messages[m])) << "message " << m;
        }
        const auto loaded = LoadRecord<R>(wire);
        EXPECT_EQ(loaded->GetPatchSize(false), original.GetPatchSize(false));
        EXPECT_EQ(loaded->GetName(), original.GetName());
        EXPECT_EQ(loaded->GetSysExImage(c.generation), wire);
        // What the short form carried is kept byte for byte in the long form.
        for (int m = 0; m < original.GetMessageCount(); ++m) {
            const auto a = original.Message(m);
            const auto b = loaded->Message(m);
            const std::size_t carried = static_cast<std::size_t>(expectedSizes[static_cast<std::size_t>(m)]) - 2;
            EXPECT_TRUE(std::equal(a.begin(), a.begin() + carried, b.begin())) << "message " << m;
        }
    };
    std::vector<int> patch{c.patchCommon, 140, 140, 140, 140};
    check(Patterned<CJVPatch>(1), patch, static_cast<CJVPatch*>(nullptr));
    std::vector<int> perf(17, c.part);
    perf[0] = c.performanceCommon;
    check(Patterned<CJVPerformance>(2), perf, static_cast<CJVPerformance*>(nullptr));
    std::vector<int> system(18, 23);
    system[0] = c.systemCommon;
    check(Patterned<CJVSystem>(3), system, static_cast<CJVSystem*>(nullptr));
    std::vector<int> rhythm(65, 69);
    rhythm[0] = 23;
    check(Patterned<CJVRhythm>(4), rhythm, static_cast<CJVRhythm*>(nullptr));
}

INSTANTIATE_TEST_SUITE_P(All, JVGenerations,
                         ::testing::Values(GenerationCase{Generation::JV1080, 83, 75, 30, 51},
                                           GenerationCase{Generation::JV2080, 85, 79, 37, 109},
                                           GenerationCase{Generation::XP, 84, 77, 36, 93},
                                           GenerationCase{Generation::XP30, 84, 77, 36, 93}));

TEST(JVRecords, ShortFormsAreWidenedWithTheirDefaults) {
    const CJVPerformance original = Patterned<CJVPerformance>(7);
    const auto loaded = LoadRecord<CJVPerformance>(original.GetSysExImage(Generation::JV1080));
    const auto common = loaded->Message(0);
    for (int d = 64; d < 68; ++d) EXPECT_EQ(common[kHeaderSize + d], 0) << d;
    for (int p = 0; p < kPerformancePartCount; ++p) {
        const auto part = loaded->PartData(p);
        EXPECT_EQ(std::vector<std::uint8_t>(part.begin() + 19, part.end()),
                  (std::vector<std::uint8_t>{3, 1, 1, 0, 1, 0, 0}));
    }
    const auto patch = LoadRecord<CJVPatch>(Patterned<CJVPatch>(8).GetSysExImage(Generation::JV1080));
    EXPECT_EQ(patch->Message(0)[kHeaderSize + 72], 0);
    EXPECT_EQ(patch->Message(0)[kHeaderSize + 73], 0);
}

TEST(JVRecords, LoadRejectsIncompleteOrForeignDataAndChangesNothing) {
    const CJVPatch source = Patterned<CJVPatch>(9);
    const auto wire = source.GetSysExImage(Generation::JV2080);
    auto expectRejected = [](std::vector<std::uint8_t> bytes) {
        CJVPatch record;
        const auto before = std::vector<std::uint8_t>(record.Data().begin(), record.Data().end());
        CMemFile file(std::move(bytes), "bad.syx");
        EXPECT_THROW(record.Load(file), CFileException);
        EXPECT_EQ(file.GetPosition(), 0u);
        EXPECT_TRUE(std::equal(before.begin(), before.end(), record.Data().begin()));
    };
    expectRejected(std::vector<std::uint8_t>(wire.begin(), wire.end() - 1));  // cut short
    expectRejected(std::vector<std::uint8_t>(wire.begin() + 85, wire.end()));  // starts with a tone
    auto missingTone = std::vector<std::uint8_t>(wire.begin(), wire.begin() + 85 + 140);
    missingTone.insert(missingTone.end(), wire.begin() + 85 + 280, wire.end());
    missingTone.insert(missingTone.end(), wire.begin() + 85, wire.begin() + 85 + 140);  // tone 1 again at the end
    expectRejected(missingTone);
    const auto perf = Patterned<CJVPerformance>(1).GetSysExImage(Generation::JV2080);
    expectRejected(perf);  // a performance is no patch
}

TEST(JVRecords, SysExDataGoesToTheTemporaryAreasWithTheDeviceByte) {
    ScopedJVSettings settings(Generation::JV2080, 3);
    auto expectAddresses = [](const std::vector<std::uint8_t>& bytes, std::uint8_t area, std::uint8_t number) {
        for (const auto& m : SplitMessages(bytes)) {
            EXPECT_EQ(m[kPosDevice], 0x13);
            EXPECT_EQ(m[kPosArea], area);
            EXPECT_EQ(m[kPosNumber], number);
            EXPECT_TRUE(HasValidChecksum(m));
        }
    };
    const CJVPatch patch = Patterned<CJVPatch>(1);
    expectAddresses(patch.GetSysExData(true), kAreaTempPatch, 0);
    expectAddresses(patch.GetSysExData(false), kAreaUserPatch, 5);
    EXPECT_EQ(patch.GetSysExData(true).size(), 645u);
    expectAddresses(CJVPerformance().GetSysExData(true), kAreaTempPerformance, 0);
    expectAddresses(CJVRhythm().GetSysExData(true), kAreaTempPartPatch, kRhythmPart);
    EXPECT_TRUE(CJVSystem().GetSysExData(true).empty());
    expectAddresses(CJVSystem().GetSysExData(false), kAreaSystem, 0);
}

TEST(JVRecords, EqualSoundsCompareEqualWhereverTheyAreStored) {
    CJVPatch a = Patterned<CJVPatch>(5);
    auto b = a.Clone();
    auto& rb = static_cast<CJVPatch&>(*b);
    rb.Readdress(kAreaCardPatch, 77, 0x1F);
    rb.SetName("Other name");
    EXPECT_TRUE(a.IsEqual(rb));
    EXPECT_EQ(a.GetFingerprint(), rb.GetFingerprint());
    rb.ToneData(3)[100] ^= 1;
    EXPECT_FALSE(a.IsEqual(rb));
    EXPECT_NE(a.GetFingerprint(), rb.GetFingerprint());
    EXPECT_FALSE(CJVSystem().IsEqual(CJVRhythm()));
    EXPECT_TRUE(CJVSystem().IsEqual(CJVSystem()));
}

TEST(JVRecords, InitImagesAreCompleteMessages) {
    ScopedJVSettings settings(Generation::JV2080, 2);
    const CJVPatch patch;
    const CJVPerformance perf;
    const CJVRhythm rhythm;
    EXPECT_EQ(patch.GetName(), "Init Patch  ");
    EXPECT_EQ(perf.GetName(), "Init Perform");
    EXPECT_EQ(rhythm.GetName(), "Init Rhythm ");
    EXPECT_EQ(patch.ToneData(0)[kToneSwitch], 1);
    EXPECT_EQ(patch.ToneData(1)[kToneSwitch], 0);
    for (int p = 0; p < kPerformancePartCount; ++p) EXPECT_EQ(perf.PartData(p)[1], p);
    for (const CJVRecord* r : std::initializer_list<const CJVRecord*>{&patch, &perf, &rhythm}) {
        const auto messages = SplitMessages(r->Data());
        EXPECT_EQ(static_cast<int>(messages.size()), r->GetMessageCount());
        for (const auto& m : messages) {
            EXPECT_EQ(m[kPosDevice], 0x12);
            EXPECT_TRUE(HasValidChecksum(m));
        }
    }
    EXPECT_EQ(rhythm.Message(1)[kPosNumber], 0x40);
    EXPECT_EQ(rhythm.Message(64)[kPosBlock], 0x62);
}
