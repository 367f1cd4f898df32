#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <random>

#include <tonalith/SynthMemoryFactory.h>

#include "JVTestSupport.h"
#include "TestSupport.h"
#include "amberkit/JVLayers.h"
#include "amberkit/JVRecords.h"

using namespace amberkit;
using jvtest::Append;
using jvtest::LoadMemory;
using jvtest::SaveLayer;
using jvtest::ScopedJVSettings;
using jvtest::SplitMessages;

namespace {

std::string NameIn(const std::vector<std::uint8_t>& message) {
    return std::string(message.begin() + kNameOffset, message.begin() + kNameOffset + kNameLength);
}

// A performance whose parts name sounds: (part, group type, group id, number).
CJVPerformance PerformanceWith(std::string name, std::initializer_list<std::array<int, 4>> parts) {
    CJVPerformance perf;
    perf.SetName(name);
    for (const auto& [part, type, id, number] : parts) {
        perf.PartData(part)[kPartGroupType] = static_cast<std::uint8_t>(type);
        perf.PartData(part)[kPartGroupId] = static_cast<std::uint8_t>(id);
        perf.SetPartNumber(part, number);
    }
    return perf;
}

// A record addressed to (area, number) in the given generation's lengths.
template <class R>
std::vector<std::uint8_t> Dump(R record, std::uint8_t area, int number, Generation g = Generation::JV1080) {
    record.Readdress(area, number, 0x10);
    return record.GetSysExImage(g);
}

CJVPatch NamedPatch(const std::string& name) {
    CJVPatch patch;
    patch.SetName(name);
    return patch;
}

}  // namespace

TEST(JVMemory, FieldFilesLoadWithTheirNamesAtTheirNumbers) {
    TONALITH_FIELD_DATA_OR_SKIP(root);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root / "jv")) {
        if (entry.path().extension() != ".syx" && entry.path().extension() != ".SYX") continue;
        ++files;
        const auto bytes = tonalith::test::ReadFile(entry.path());
        const auto memory = LoadMemory(bytes, entry.path().filename().string());
        EXPECT_TRUE(memory->GetLoadProblems().empty()) << entry.path();
        const CLayer& user = memory->GetLayer(kUserPatchLayer);
        std::vector<bool> seen(kPatchesPerLayer, false);
        for (const auto& m : SplitMessages(bytes)) {
            if (m[kPosArea] != kAreaUserPatch || m[kPosBlock] != 0) continue;
            seen[m[kPosNumber]] = true;
            EXPECT_EQ(user.GetPatch(m[kPosNumber])->GetName(), NameIn(m)) << entry.path() << " #" << int(m[kPosNumber]);
        }
        for (int i = 0; i < kPatchesPerLayer; ++i) {
            if (!seen[static_cast<std::size_t>(i)]) {
                EXPECT_EQ(user.GetPatch(i)->GetName(), "Init Patch  ");
            }
        }
    }
    EXPECT_EQ(files, 3);

    const auto single = LoadMemory(tonalith::test::ReadFile(root / "jv" / "JV1080_Super_JV_Pad_slot108.syx"));
    EXPECT_EQ(single->GetLayer(kUserPatchLayer).GetPatchLabel(107), "108 Super JV Pad");
    const auto partial = LoadMemory(tonalith::test::ReadFile(root / "jv" / "JV1080_AGSOUND1.SYX"));
    EXPECT_EQ(partial->GetLayer(kUserPatchLayer).GetPatch(46)->GetName(), "Init Patch  ");
}

TEST(JVMemory, FullBankSavesByteIdenticalAndInTheLongForm) {
    TONALITH_FIELD_DATA_OR_SKIP(root);
    const auto bytes = tonalith::test::ReadFile(root / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx");
    const auto memory = LoadMemory(bytes);
    CLayer& user = memory->GetLayer(kUserPatchLayer);
    {
        ScopedJVSettings settings(Generation::JV1080);
        EXPECT_EQ(SaveLayer(user), bytes);
    }
    ScopedJVSettings settings(Generation::JV2080);
    const auto wide = SaveLayer(user);
    ASSERT_EQ(wide.size(), 128u * 645u);
    for (const auto& m : SplitMessages(wide)) {
        EXPECT_TRUE(HasValidChecksum(m));
        if (m[kPosBlock] != 0) continue;
        ASSERT_EQ(m.size(), 85u);
        EXPECT_EQ(m[kHeaderSize + 72], 0);
        EXPECT_EQ(m[kHeaderSize + 73], 0);
    }
    const auto again = LoadMemory(wide);
    for (int i = 0; i < kPatchesPerLayer; ++i) {
        EXPECT_TRUE(again->GetLayer(kUserPatchLayer).GetPatch(i)->IsEqual(*user.GetPatch(i)));
        EXPECT_EQ(again->GetLayer(kUserPatchLayer).GetPatch(i)->GetName(), user.GetPatch(i)->GetName());
    }
}

TEST(JVMemory, DeviceIdGoesIntoEveryMessageWritten) {
    ScopedJVSettings settings(Generation::XP, 3);
    CAmberkitSynthMemory memory;
    for (int l = 0; l < memory.GetLayerCount(); ++l) {
        const auto bytes = SaveLayer(memory.GetLayer(l));
        for (const auto& m : SplitMessages(bytes)) {
            ASSERT_EQ(m[kPosDevice], 0x13) << memory.GetLayer(l).GetName();
            ASSERT_TRUE(HasValidChecksum(m));
        }
    }
}

TEST(JVMemory, EachGenerationsBankLoadsIntoTheSameRecords) {
    CAmberkitSynthMemory source;
    source.GetLayer(kUserPatchLayer).SetPatch(9, NamedPatch("Ten"));
    source.GetLayer(kUserPerformanceLayer).SetPatch(31, PerformanceWith("Last", {{{0, 0, 1, 9}}}));
    std::vector<std::vector<std::uint8_t>> banks;
    for (int g = 0; g < kGenerationCount; ++g) {
        ScopedJVSettings settings(static_cast<Generation>(g));
        std::vector<std::uint8_t> all;
        for (int l = 0; l < source.GetLayerCount(); ++l) Append(all, SaveLayer(source.GetLayer(l)));
        const auto memory = LoadMemory(all);
        EXPECT_TRUE(memory->GetLoadProblems().empty()) << g;
        EXPECT_EQ(memory->GetLayer(kUserPatchLayer).GetPatchLabel(9), "10 Ten         ");
        EXPECT_EQ(memory->GetLayer(kUserPerformanceLayer).GetPatch(31)->GetName(), "Last        ");
        // Saved again in the same generation: the same bytes.
        std::vector<std::uint8_t> again;
        for (int l = 0; l < memory->GetLayerCount(); ++l) Append(again, SaveLayer(memory->GetLayer(l)));
        EXPECT_EQ(again, all) << g;
    }
}

TEST(JVMemory, PartialBankFollowedByPerformancesLoadsBoth) {
    std::vector<std::uint8_t> stream;
    for (int i = 0; i < 46; ++i) Append(stream, Dump(NamedPatch("P" + std::to_string(i)), kAreaUserPatch, i));
    Append(stream, Dump(PerformanceWith("Perf A", {}), kAreaUserPerformance, 0));
    Append(stream, Dump(PerformanceWith("Perf D", {}), kAreaUserPerformance, 3));
    CJVRhythm rhythm;
    rhythm.SetName("Kit two");
    Append(stream, Dump(rhythm, kAreaUserPerformance, 1));
    const auto memory = LoadMemory(stream);
    EXPECT_TRUE(memory->GetLoadProblems().empty());
    EXPECT_EQ(memory->GetLayer(kUserPatchLayer).GetPatch(45)->GetName(), "P45         ");
    EXPECT_EQ(memory->GetLayer(kUserPatchLayer).GetPatch(46)->GetName(), "Init Patch  ");
    EXPECT_EQ(memory->GetLayer(kUserPerformanceLayer).GetPatch(0)->GetName(), "Perf A      ");
    EXPECT_EQ(memory->GetLayer(kUserPerformanceLayer).GetPatch(1)->GetName(), "Init Perform");
    EXPECT_EQ(memory->GetLayer(kUserPerformanceLayer).GetPatch(3)->GetName(), "Perf D      ");
    EXPECT_EQ(memory->GetLayer(kUserRhythmLayer).GetPatch(1)->GetName(), "Kit two     ");
}

TEST(JVMemory, TemporaryAndCardRecordsLandWhereTheirAddressSays) {
    std::vector<std::uint8_t> stream;
    Append(stream, Dump(NamedPatch("Edit buffer"), kAreaTempPatch, 0));
    Append(stream, Dump(NamedPatch("User six"), kAreaUserPatch, 5));
    Append(stream, Dump(NamedPatch("Part six"), kAreaTempPartPatch, 5));
    Append(stream, Dump(NamedPatch("Card 100"), kAreaCardPatch, 99));
    CJVRhythm rhythm;
    rhythm.SetName("Temp kit");
    Append(stream, Dump(rhythm, kAreaTempPartPatch, 0));
    const auto memory = LoadMemory(stream);
    EXPECT_TRUE(memory->GetLoadProblems().empty());
    const CLayer& user = memory->GetLayer(kUserPatchLayer);
    EXPECT_EQ(user.GetPatch(0)->GetName(), "Edit buffer ");
    EXPECT_EQ(user.GetPatch(5)->GetName(), "Part six    ");  // loaded after "User six"
    EXPECT_EQ(memory->GetLayer(kCardPatchLayer).GetPatch(99)->GetName(), "Card 100    ");
    EXPECT_EQ(memory->GetLayer(kUserRhythmLayer).GetPatch(0)->GetName(), "Temp kit    ");
    // Stored records carry their layer's address, so Write goes to the right slot.
    const auto& stored = static_cast<const CJVRecord&>(*memory->GetLayer(kCardPatchLayer).GetPatch(99));
    EXPECT_EQ(stored.GetArea(), kAreaCardPatch);
    EXPECT_EQ(stored.GetNumberByte(), 99);
    EXPECT_EQ(static_cast<const CJVRecord&>(*user.GetPatch(0)).GetArea(), kAreaUserPatch);
}

TEST(JVMemory, MovingPatchesRewritesUserReferencesAndUndoRestoresThem) {
    CAmberkitSynthMemory memory;
    CLayer& patches = memory.GetLayer(kUserPatchLayer);
    CLayer& rhythms = memory.GetLayer(kUserRhythmLayer);
    auto& performances = static_cast<CJVPerformanceLayer&>(memory.GetLayer(kUserPerformanceLayer));
    patches.SetPatch(2, NamedPatch("Three"));
    // Part 1 -> User 3, part 2 -> Card 3, part 3 -> PR-A 3, part 10 -> User rhythm 2.
    performances.SetPatch(0, PerformanceWith("Refs", {{{0, 0, 1, 2}}, {{1, 0, 2, 2}}, {{2, 0, 3, 2}}, {{9, 0, 1, 1}}}));
    std::vector<std::uint16_t> refs;
    performances.GetReferencedPatches(patches, 0, refs);
    EXPECT_EQ(refs, (std::vector<std::uint16_t>{2}));
    std::vector<std::string> labels;
    performances.GetReferencedPatches(rhythms, 0, labels);
    EXPECT_EQ(labels, (std::vector<std::string>{"2: Init Rhythm "}));

    // Patch 3 moves to position 7: map[new] = old.
    std::vector<std::uint32_t> map(kPatchesPerLayer);
    std::iota(map.begin(), map.end(), 0u);
    map.erase(map.begin() + 2);
    map.insert(map.begin() + 6, 2u);
    patches.AdaptParentLayers(map, false);
    const CJVPerformance& perf = performances.Performance(0);
    EXPECT_EQ(perf.GetPartNumber(0), 6);
    EXPECT_EQ(perf.GetPartNumber(1), 2);  // Card reference untouched
    EXPECT_EQ(perf.GetPartNumber(2), 2);  // preset untouched
    EXPECT_EQ(perf.GetPartNumber(9), 1);  // rhythm part untouched by a patch move
    EXPECT_TRUE(HasValidChecksum(perf.Message(1)));
    patches.AdaptParentLayers(map, true);
    EXPECT_EQ(performances.Performance(0).GetPartNumber(0), 2);

    const std::vector<std::uint32_t> swapRhythms{1, 0};
    rhythms.AdaptParentLayers(swapRhythms, false);
    EXPECT_EQ(performances.Performance(0).GetPartNumber(9), 0);
    EXPECT_EQ(performances.Performance(0).GetPartNumber(0), 2);
}

// Truncated, corrupted and shuffled streams: loading ends, reports problems,
// and every record is either untouched or one of the source records.
TEST(JVMemory, DamagedInputNeverCrashesOrLoops) {
    CAmberkitSynthMemory source;
    for (int i = 0; i < 8; ++i) source.GetLayer(kUserPatchLayer).SetPatch(i, NamedPatch("Src " + std::to_string(i)));
    std::vector<std::uint8_t> all;
    {
        ScopedJVSettings settings(Generation::JV1080);
        for (int l = 0; l < source.GetLayerCount(); ++l) Append(all, SaveLayer(source.GetLayer(l)));
    }
    std::mt19937 random(1234);
    for (int round = 0; round < 40; ++round) {
        std::vector<std::uint8_t> bytes = all;
        switch (round % 4) {
        case 0: bytes.resize(random() % bytes.size()); break;
        case 1:
            for (int k = 0; k < 50; ++k) bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
            break;
        case 2: {
            const std::size_t from = random() % bytes.size();
            bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                        bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), from + random() % 700)));
            break;
        }
        default: {
            auto messages = SplitMessages(bytes);
            std::shuffle(messages.begin(), messages.end(), random);
            bytes.clear();
            for (const auto& m : messages) Append(bytes, m);
        }
        }
        const auto memory = LoadMemory(bytes, "damaged.syx");
        if (round % 4 == 1) continue;  // random bytes may be valid data
        for (int i = 0; i < kPatchesPerLayer; ++i) {
            const CPatch& p = *memory->GetLayer(kUserPatchLayer).GetPatch(i);
            EXPECT_TRUE(p.IsEqual(*source.GetLayer(kUserPatchLayer).GetPatch(i)) || p.GetName() == "Init Patch  ");
        }
    }
    std::vector<std::uint8_t> noise(5000);
    for (auto& b : noise) b = static_cast<std::uint8_t>(random());
    for (std::size_t i = 0; i < noise.size(); i += 97) {
        noise[i] = 0xF0;
        if (i + 4 < noise.size()) noise[i + 1] = 0x41, noise[i + 3] = 0x6A, noise[i + 4] = 0x12;
    }
    LoadMemory(noise);
}

TEST(JVMemory, PluginLoadsThroughTheFactory) {
    CSynthMemoryFactory::SetSearchPath({AMBERKIT_PLUGIN_DIR});
    {
        CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
        CSynthMemory* prototype = factory.GetSynthMemoryfromPatchType(kPerformanceTypeGuid);
        ASSERT_NE(prototype, nullptr) << (factory.GetLoadErrors().empty() ? "" : factory.GetLoadErrors().front());
        EXPECT_EQ(prototype->GetName(), "Roland JV/XP");
        EXPECT_EQ(prototype->GetLayerCount(), 7);
        EXPECT_EQ(prototype->GetLayer(6).GetPatchLabel(0), "01 System");
        CMemFile file(Dump(NamedPatch("Found"), kAreaUserPatch, 3), "one.syx");
        auto memory = factory.CreateMatchingMemory(file);
        ASSERT_NE(memory, nullptr);
        EXPECT_EQ(memory->GetMemoryGuid(), kMemoryGuid);
        memory->Load(file);
        EXPECT_EQ(memory->GetLayer(0).GetPatchLabel(3), "04 Found       ");
        EXPECT_NE(factory.CreatePatch(kRhythmTypeGuid), nullptr);
    }
    CSynthMemoryFactory::Delete();
}

TEST(JVMemory, HeadersAreTakenByTheRightLayer) {
    CAmberkitSynthMemory memory;
    auto owner = [&](std::uint8_t area, std::uint8_t number, std::uint8_t block = 0) {
        CJVHeader header;
        header.GetData()[kPosArea] = area;
        header.GetData()[kPosNumber] = number;
        header.GetData()[kPosBlock] = block;
        for (int l = 0; l < memory.GetLayerCount(); ++l)
            if (memory.GetLayer(l).MatchesHeader(header)) return l;
        return -1;
    };
    EXPECT_EQ(owner(kAreaTempPartPatch, kRhythmPart), kUserRhythmLayer);
    EXPECT_EQ(owner(kAreaTempPartPatch, 0x40), kUserRhythmLayer);
    EXPECT_EQ(owner(kAreaTempPartPatch, 5), kUserPatchLayer);
    EXPECT_EQ(owner(kAreaTempPatch, 0), kUserPatchLayer);
    EXPECT_EQ(owner(kAreaCardPatch, 7), kCardPatchLayer);
    EXPECT_EQ(owner(kAreaCardPerformance, 0x41), kCardRhythmLayer);
    EXPECT_EQ(owner(kAreaTempPerformance, 0), kUserPerformanceLayer);
    EXPECT_EQ(owner(kAreaSystem, 0), kSystemLayer);
    EXPECT_EQ(owner(kAreaUserPatch, 0, 0x10), -1);  // a tone on its own starts no record
    EXPECT_EQ(owner(0x30, 0), -1);
}
