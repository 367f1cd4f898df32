// Wrong checksums in a dump: the data is kept (instruments differ in what they
// accept) and each one is a load problem naming its message; the message
// lengths tell the generation the dump was written for.
#include <gtest/gtest.h>

#include "JVTestSupport.h"
#include "TestSupport.h"
#include "Ui.h"
#include "amberkit/JVLayers.h"
#include "amberkit/JVRecords.h"
#include "amberkit/JVSynthMemory.h"

using namespace amberkit;
using jvtest::LoadMemory;
using jvtest::ScopedJVSettings;

namespace {

// The offset of message n (0-based) in a stream of messages.
std::size_t MessageOffset(const std::vector<std::uint8_t>& bytes, int n) {
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == kSysExStart && n-- == 0) return i;
    return bytes.size();
}

// Changes the checksum of the message at offset so it no longer fits.
void FlipChecksum(std::vector<std::uint8_t>& bytes, std::size_t offset) {
    std::size_t end = offset;
    while (bytes[end] != kSysExEnd) ++end;
    bytes[end - 1] ^= 0x01;
}

}  // namespace

TEST(JVChecksum, AFieldBankWithOneWrongChecksumLoadsWithExactlyOneProblem) {
    TONALITH_FIELD_DATA_OR_SKIP(root);
    const auto clean = tonalith::test::ReadFile(root / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx");
    const auto good = LoadMemory(clean);
    EXPECT_TRUE(good->GetLoadProblems().empty());
    EXPECT_TRUE(good->GetLoadIssues().empty());
    EXPECT_EQ(good->GetLoadedGeneration(), "JV-1010 / 1080");

    // Patch 2's second tone.
    auto damaged = clean;
    const std::size_t at = MessageOffset(damaged, 2 * 5 + 2);
    FlipChecksum(damaged, at);
    const auto loaded = LoadMemory(damaged, "flipped.syx");
    ASSERT_EQ(loaded->GetLoadProblems().size(), 1u);
    EXPECT_NE(loaded->GetLoadProblems()[0].find("at byte " + std::to_string(at)), std::string::npos)
        << loaded->GetLoadProblems()[0];
    ASSERT_EQ(loaded->GetLoadIssues().size(), 1u);
    EXPECT_EQ(loaded->GetLoadIssues()[0].offset, at);
    EXPECT_EQ(loaded->GetLoadIssues()[0].kind, "checksum");
    EXPECT_EQ(loaded->GetLoadIssues()[0].layer, "User Patch");
    // Kept: every patch is there as in the clean bank, the damaged one too.
    for (int i = 0; i < kPatchesPerLayer; ++i)
        EXPECT_TRUE(
            loaded->GetLayer(kUserPatchLayer).GetPatch(i)->IsEqual(*good->GetLayer(kUserPatchLayer).GetPatch(i)))
            << i;

    // Loading again starts afresh.
    CMemFile again(clean, "clean.syx");
    loaded->Load(again);
    EXPECT_TRUE(loaded->GetLoadProblems().empty());
    EXPECT_TRUE(loaded->GetLoadIssues().empty());
}

TEST(JVChecksum, InspectRecordChecksEveryMessageAndNarrowsTheGeneration) {
    CJVPerformance perf;
    perf.Readdress(kAreaUserPerformance, 3, 0x10);
    const RecordLayout& layout = perf.Layout();
    for (int g = 0; g < kGenerationCount; ++g) {
        LoadFindings findings;
        InspectRecord(perf.GetSysExImage(static_cast<Generation>(g)), 100, layout, findings);
        EXPECT_TRUE(findings.badChecksums.empty());
        EXPECT_TRUE(findings.lengthsTell);
        // XP and XP-30 send the same lengths.
        const unsigned expected = g >= static_cast<int>(Generation::XP) ? 0b1100u : 1u << g;
        EXPECT_EQ(findings.generations, expected) << g;
    }

    // A rhythm set's messages are alike in every generation: they tell nothing.
    CJVRhythm rhythm;
    LoadFindings findings;
    auto image = rhythm.GetSysExImage(Generation::JV2080);
    image[image.size() - 2] ^= 0x01;  // the last key's checksum
    InspectRecord(image, 1000, rhythm.Layout(), findings);
    EXPECT_FALSE(findings.lengthsTell);
    ASSERT_EQ(findings.badChecksums.size(), 1u);
    EXPECT_EQ(findings.badChecksums[0], 1000 + image.size() - kRhythmKeySize);
}

TEST(JVChecksum, TheGenerationComesFromTheLengthsAndAMixIsSaidToBe) {
    const ScopedJVSettings settings(Generation::JV2080);
    CJVPatch patch;
    patch.Readdress(kAreaUserPatch, 0, 0x10);
    std::vector<std::uint8_t> xp = patch.GetSysExImage(Generation::XP);
    EXPECT_EQ(LoadMemory(xp)->GetLoadedGeneration(), "XP-50 / 60 / 80 or XP-30");
    patch.Readdress(kAreaUserPatch, 1, 0x10);
    const auto jv1080 = patch.GetSysExImage(Generation::JV1080);
    xp.insert(xp.end(), jv1080.begin(), jv1080.end());
    const auto mixed = LoadMemory(xp);
    EXPECT_EQ(mixed->GetLoadedGeneration(), "mixed");
    EXPECT_TRUE(mixed->GetLoadProblems().empty());
}

TEST(JVGeneration, ABankKeepsItsFilesGenerationWhenTheUserSaysSo) {
    TONALITH_FIELD_DATA_OR_SKIP(root);
    const auto original = tonalith::test::ReadFile(root / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx");
    ASSERT_EQ(original.size(), 82304u);
    ScopedJVSettings settings(Generation::JV2080);
    const auto save = [](CSynthMemory& memory) {
        CMemFile out;
        memory.Save(out);
        return out.Data();
    };
    {
        CScopedScriptedUi ui;
        ui->answers = {true};
        const auto memory = LoadMemory(original);
        EXPECT_EQ(save(*memory), original);  // only the layer the file held, as it was written
        EXPECT_EQ(save(*memory), original);  // asked once
        ASSERT_EQ(ui->questions.size(), 1u);
        EXPECT_NE(ui->questions[0].find("JV-1010 / 1080"), std::string::npos);
        EXPECT_NE(ui->questions[0].find("JV-2080"), std::string::npos);
    }
    {
        CScopedScriptedUi ui;  // No: written as the settings say, 85-byte commons
        const auto memory = LoadMemory(original);
        EXPECT_EQ(save(*memory).size(), 82560u);
        EXPECT_EQ(ui->questions.size(), 1u);
    }
    {
        ScopedJVSettings same(Generation::JV1080);  // nothing to ask
        CScopedScriptedUi ui;
        EXPECT_EQ(save(*LoadMemory(original)), original);
        EXPECT_TRUE(ui->questions.empty());
    }
}
