// The bank and library tools: what each does to the bytes of the records, and
// that each is one command Undo takes back exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>

#include <tonalith/BasicConfig.h>
#include <tonalith/Commands.h>
#include <tonalith/Document.h>
#include <tonalith/Library.h>

#include "JVTestSupport.h"
#include "amberkit/JVBoardDatabase.h"
#include "amberkit/JVLayers.h"
#include "amberkit/JVSynthTools.h"
#include "amberkit/JVTools.h"

using namespace amberkit;

namespace {

using Bytes = std::vector<std::uint8_t>;

CJVBoardDatabase& Names() {
    static CJVBoardDatabase names(JV_DATA_DIR);
    return names;
}

// A new memory holds initial records.
std::unique_ptr<CAmberkitSynthMemory> InitMemory() { return std::make_unique<CAmberkitSynthMemory>(); }

CJVLayer& Layer(CAmberkitSynthMemory& memory, int index) { return static_cast<CJVLayer&>(memory.GetLayer(index)); }
CJVPatch& Patch(CAmberkitSynthMemory& memory, int i) {
    return static_cast<CJVPatch&>(Layer(memory, kUserPatchLayer).Record(i));
}

Bytes Data(std::span<const std::uint8_t> message) { return {message.begin() + kHeaderSize, message.end() - 2}; }

// Randomises the User Patch layer through the command and returns it executed.
std::unique_ptr<CSwapPatchesCommand> Randomize(CAmberkitSynthMemory& memory, const RandomFlags& flags,
                                               const WaveSources& waves, std::uint32_t start = 7) {
    CJVRandom random(start);
    auto command = MakeRandomPatchesCommand(Layer(memory, kUserPatchLayer), flags, waves, random);
    command->Execute();
    return command;
}

// Every message of a saved layer: a valid checksum and 7-bit data.
void ExpectSendable(CLayer& layer) {
    const Bytes saved = jvtest::SaveLayer(layer);
    const auto messages = jvtest::SplitMessages(saved);
    ASSERT_EQ(messages.size(), static_cast<std::size_t>(kPatchesPerLayer * (1 + kPatchToneCount)));
    for (const Bytes& m : messages) {
        EXPECT_TRUE(HasValidChecksum(m));
        EXPECT_TRUE(std::all_of(m.begin() + 1, m.end() - 1, [](std::uint8_t b) { return b < 0x80; }));
    }
}

}  // namespace

TEST(JVRandomPatches, WithoutBoardsEveryWaveIsInternalAndTonesSwitchOnInOrder) {
    auto memory = InitMemory();
    const WaveSources waves = MakeWaveSources(std::array{0, 0, 0, 0, 0, 0, 0, 0}, Generation::JV2080, Names());
    ASSERT_GT(waves.internal[0].waveCount, 0);
    Randomize(*memory, RandomFlags::All(true), waves);
    std::set<std::string> names;
    std::array<int, kPatchToneCount> onCount{};
    for (int i = 0; i < kPatchesPerLayer; ++i) {
        const CJVPatch& patch = Patch(*memory, i);
        names.insert(patch.GetName());
        for (int t = 0; t < kPatchToneCount; ++t) {
            const auto tone = patch.ToneData(t);
            EXPECT_EQ(tone[kToneWaveGroupType], kGroupTypeInternal);
            EXPECT_TRUE(tone[kToneWaveGroupId] == 1 || tone[kToneWaveGroupId] == 2);
            const int wave = tone[kToneWaveHigh] * 16 + tone[kToneWaveLow];
            EXPECT_LT(wave, waves.internal[tone[kToneWaveGroupId] - 1u].waveCount);
            if (t > 0 && tone[kToneSwitch]) {
                EXPECT_NE(patch.ToneData(t - 1)[kToneSwitch], 0) << i << " tone " << t;
            }
            onCount[static_cast<std::size_t>(t)] += tone[kToneSwitch];
        }
    }
    EXPECT_EQ(onCount[0], kPatchesPerLayer);
    EXPECT_GT(onCount[1], 0);  // the switches really are drawn
    EXPECT_GT(names.size(), 120u);
    ExpectSendable(Layer(*memory, kUserPatchLayer));

    // What was saved loads back into the same records.
    const Bytes saved = jvtest::SaveLayer(Layer(*memory, kUserPatchLayer));
    auto reloaded = jvtest::LoadMemory(saved);
    EXPECT_TRUE(reloaded->GetLoadIssues().empty());
    EXPECT_EQ(jvtest::SaveLayer(Layer(*reloaded, kUserPatchLayer)), saved);
}

TEST(JVRandomPatches, BoardsComeFromTheSlotsTheUnitHas) {
    const std::array slots{0, 2, 0, 0, 5, 0, 0, 0};
    const WaveSources four = MakeWaveSources(slots, Generation::XP, Names());
    ASSERT_EQ(four.boards.size(), 1u);  // slot 5 is beyond the four an XP has
    EXPECT_EQ(four.boards[0].groupId, 2);
    EXPECT_EQ(four.boards[0].waveCount,
              Names().GetListLength(2, CJVBoardDatabase::Section::Wave, CJVBoardDatabase::Kind::Board));
    EXPECT_EQ(MakeWaveSources(slots, Generation::JV2080, Names()).boards.size(), 2u);

    auto memory = InitMemory();
    Randomize(*memory, RandomFlags::All(true), four);
    int fromBoard = 0;
    for (int i = 0; i < kPatchesPerLayer; ++i)
        for (int t = 0; t < kPatchToneCount; ++t) {
            const auto tone = Patch(*memory, i).ToneData(t);
            if (tone[kToneWaveGroupType] != kGroupTypeBoard) continue;
            ++fromBoard;
            EXPECT_EQ(tone[kToneWaveGroupId], 2);
        }
    EXPECT_GT(fromBoard, 0);

    // Without name files there is no wave list to draw from: every wave is the group's first.
    const CJVBoardDatabase none("/nonexistent");
    const WaveSources empty = MakeWaveSources(slots, Generation::JV2080, none);
    EXPECT_EQ(empty.internal[1].waveCount, 0);
    Randomize(*memory, RandomFlags::All(true), empty);
    for (int i = 0; i < kPatchesPerLayer; ++i)
        for (int t = 0; t < kPatchToneCount; ++t) {
            EXPECT_EQ(Patch(*memory, i).ToneData(t)[kToneWaveHigh], 0);
            EXPECT_EQ(Patch(*memory, i).ToneData(t)[kToneWaveLow], 0);
        }
}

TEST(JVRandomPatches, OnlyTheTickedBytesChange) {
    auto memory = InitMemory();
    Patch(*memory, 3).ToneData(0)[kToneSwitch] = 0;  // tone 2 of this patch must stay off
    Layer(*memory, kUserPatchLayer).UpdatePatchNumbers();
    auto before = InitMemory();
    Layer(*before, kUserPatchLayer).SetPatch(3, Patch(*memory, 3));
    RandomFlags flags = RandomFlags::All(false);
    flags.Set(1, RandomCategory::Wave, true);
    Randomize(*memory, flags, MakeWaveSources({}, Generation::JV2080, Names()));
    for (int i = 0; i < kPatchesPerLayer; ++i) {
        const CJVPatch& now = Patch(*memory, i);
        const CJVPatch& old = Patch(*before, i);
        const Bytes common = Data(now.Message(0)), oldCommon = Data(old.Message(0));
        EXPECT_TRUE(std::equal(common.begin() + kNameLength, common.end(), oldCommon.begin() + kNameLength));
        for (int t = 0; t < kPatchToneCount; ++t) {
            const auto tone = now.ToneData(t);
            const auto oldTone = old.ToneData(t);
            for (std::size_t b = 0; b < tone.size(); ++b)
                if (t != 1 || b > 8) {
                    ASSERT_EQ(tone[b], oldTone[b]) << "patch " << i << " tone " << t << " byte " << b;
                }
        }
    }
    EXPECT_EQ(Patch(*memory, 3).ToneData(1)[kToneSwitch], 0);

    // Effect alone rewrites the common block from offset 12 and leaves the tones.
    auto effects = InitMemory();
    flags = RandomFlags::All(false);
    flags.Set(3, RandomCategory::Effect, true);
    Randomize(*effects, flags, MakeWaveSources({}, Generation::JV2080, Names()));
    const Bytes common = Data(Patch(*effects, 0).Message(0));
    EXPECT_EQ(common[44], 7);
    EXPECT_EQ(common[46], 127);
    EXPECT_EQ(common[65], 3);
    for (int t = 0; t < kPatchToneCount; ++t)
        EXPECT_TRUE(std::ranges::equal(Patch(*effects, 0).ToneData(t), Patch(*before, 0).ToneData(t)));
}

TEST(JVRandomPatches, UndoRestoresEveryByteAndRedoBringsTheSamePatchesBack) {
    auto memory = jvtest::LoadMemory(jvtest::SaveLayer(Layer(*InitMemory(), kUserPatchLayer)));
    Patch(*memory, 9).SetName("Keep Me");
    CJVLayer& layer = Layer(*memory, kUserPatchLayer);
    const Bytes original = jvtest::SaveLayer(layer);
    CDocument document;
    CCmdManager manager(&document);
    CJVRandom random(42);
    manager.Execute(MakeRandomPatchesCommand(layer, RandomFlags::All(true),
                                             MakeWaveSources({}, Generation::JV2080, Names()), random, &document));
    EXPECT_EQ(manager.GetUndoText(), "Random Patches");
    const Bytes randomised = jvtest::SaveLayer(layer);
    ASSERT_NE(randomised, original);
    manager.Undo();
    EXPECT_EQ(jvtest::SaveLayer(layer), original);
    manager.Redo();
    EXPECT_EQ(jvtest::SaveLayer(layer), randomised);

    // The same start gives the same bank.
    auto again = jvtest::LoadMemory(original);
    Randomize(*again, RandomFlags::All(true), MakeWaveSources({}, Generation::JV2080, Names()), 42);
    EXPECT_EQ(jvtest::SaveLayer(Layer(*again, kUserPatchLayer)), randomised);
}

TEST(JVRandomPatches, FlagsUseTheSettingsKeysAndDefaultToTicked) {
    CBasicConfig config("/nonexistent/Amberkit.ini");
    EXPECT_EQ(ReadRandomFlags(config), RandomFlags::All(true));
    RandomFlags flags = RandomFlags::All(true);
    flags.Set(3, RandomCategory::PitchEnvelope, false);
    flags.Set(0, RandomCategory::Effect, false);
    WriteRandomFlags(config, flags);
    EXPECT_FALSE(config.GetBoolean("PENV4", true));
    EXPECT_FALSE(config.GetBoolean("Effect1", true));
    EXPECT_TRUE(config.GetBoolean("Output4", false));
    EXPECT_EQ(ReadRandomFlags(config), flags);
    EXPECT_TRUE(flags.AnyEffect());
}

TEST(JVCopyEffect, EachCopyTypeChangesExactlyItsRun) {
    struct Case {
        CopyType type;
        int patchFirst, performanceFirst, count;
    };
    const std::array cases{Case{CopyType::All, 12, 13, 32}, Case{CopyType::Efx, 12, 13, 20},
                           Case{CopyType::Chorus, 33, 34, 6}, Case{CopyType::Reverb, 39, 40, 5}};
    auto memory = InitMemory();
    // Sources whose effect bytes differ from every destination's.
    CJVRecord& patchSource = Layer(*memory, kUserPatchLayer).Record(1);
    CJVRecord& performanceSource = Layer(*memory, kUserPerformanceLayer).Record(1);
    for (CJVRecord* r : {&patchSource, &performanceSource}) {
        auto data = r->Message(0).subspan(kHeaderSize + kNameLength, 50);
        for (std::size_t b = 0; b < data.size(); ++b) data[b] = static_cast<std::uint8_t>(100 + b % 20);
    }
    for (const Case& c : cases)
        for (const bool sourcePerf : {false, true})
            for (const bool destinationPerf : {false, true}) {
                const CJVRecord& source = sourcePerf ? performanceSource : patchSource;
                const CJVRecord& destination =
                    Layer(*memory, destinationPerf ? kUserPerformanceLayer : kUserPatchLayer).Record(0);
                const auto copy = CopyEffectSettings(source, destination, c.type);
                const Bytes in = Data(source.Message(0)), out = Data(copy->Message(0)),
                            was = Data(destination.Message(0));
                const int from = sourcePerf ? c.performanceFirst : c.patchFirst;
                const int to = destinationPerf ? c.performanceFirst : c.patchFirst;
                for (int b = 0; b < static_cast<int>(out.size()); ++b) {
                    const bool inRun = b >= to && b < to + c.count;
                    EXPECT_EQ(out[static_cast<std::size_t>(b)],
                              inRun ? in[static_cast<std::size_t>(from + b - to)] : was[static_cast<std::size_t>(b)])
                        << kCopyTypeNames[static_cast<std::size_t>(c.type)] << " byte " << b;
                }
                for (int m = 1; m < copy->GetMessageCount(); ++m)
                    EXPECT_TRUE(std::ranges::equal(copy->Message(m), destination.Message(m)));
                EXPECT_TRUE(HasValidChecksum(copy->Message(0)));
            }

    CCmdManager manager(nullptr);
    const Bytes before = jvtest::SaveLayer(Layer(*memory, kUserPerformanceLayer));
    manager.Execute(MakeCopyEffectCommand(*memory, {false, 1, true, 0, CopyType::Reverb}));
    EXPECT_EQ(manager.GetUndoText(),
              "Copy Effect to \"" + Layer(*memory, kUserPerformanceLayer).Record(0).GetName() + "\"");
    EXPECT_NE(jvtest::SaveLayer(Layer(*memory, kUserPerformanceLayer)), before);
    manager.Undo();
    EXPECT_EQ(jvtest::SaveLayer(Layer(*memory, kUserPerformanceLayer)), before);
    EXPECT_EQ(MakeCopyEffectCommand(*memory, {false, 128, false, 0, CopyType::All}), nullptr);
}

TEST(JVCopyRhythmKeys, FourKeysBecomeTonesByTheMapping) {
    auto memory = InitMemory();
    CJVLayer& rhythms = Layer(*memory, kUserRhythmLayer);
    // Every key data byte distinct enough to tell where it went.
    auto& rhythm = static_cast<CJVRhythm&>(rhythms.Record(1));
    for (int k = 0; k < kRhythmKeyCount; ++k) {
        auto data = rhythm.Message(1 + k).subspan(kHeaderSize, kRhythmKeySize - kFrameOverhead);
        for (std::size_t b = 0; b < data.size(); ++b) data[b] = static_cast<std::uint8_t>((k * 7 + b) % 128);
    }
    const CJVPatch& patch = Patch(*memory, 5);
    const std::array keys{40, 3, 63, 10};  // any order: tones follow the list
    const std::array sorted{3, 10, 40, 63};
    const auto made = RhythmKeysToPatch(rhythm, keys, patch);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetName(), "RhythmExtrct");
    const Bytes common = Data(made->Message(0)), oldCommon = Data(patch.Message(0));
    EXPECT_TRUE(std::equal(common.begin() + kNameLength, common.end(), oldCommon.begin() + kNameLength));
    for (int t = 0; t < kRhythmKeysPerPatch; ++t) {
        const auto key = rhythm.Message(1 + sorted[static_cast<std::size_t>(t)]).subspan(kHeaderSize);
        const auto tone = made->ToneData(t);
        const auto oldTone = patch.ToneData(t);
        std::vector<bool> written(tone.size());
        for (const KeyToToneByte& m : RhythmKeyToToneMap()) {
            EXPECT_EQ(tone[static_cast<std::size_t>(m.tone)], key[static_cast<std::size_t>(m.key)])
                << t << ":" << m.tone;
            written[static_cast<std::size_t>(m.tone)] = true;
        }
        EXPECT_EQ(tone[14], 36 + 12 * t);
        EXPECT_EQ(tone[15], 47 + 12 * t);
        EXPECT_EQ(tone[61], 66 - 12 * t);
        for (std::size_t b = 0; b < tone.size(); ++b)
            if (!written[b] && b != 14 && b != 15 && b != 61) {
                EXPECT_EQ(tone[b], oldTone[b]) << t << ":" << b;
            }
    }
    EXPECT_EQ(RhythmKeyToToneMap().size(), 57u);

    // Three keys, a key twice or a key out of range make nothing.
    EXPECT_EQ(RhythmKeysToPatch(rhythm, std::array{1, 2, 3}, patch), nullptr);
    EXPECT_EQ(RhythmKeysToPatch(rhythm, std::array{1, 2, 2, 3}, patch), nullptr);
    EXPECT_EQ(RhythmKeysToPatch(rhythm, std::array{1, 2, 3, 64}, patch), nullptr);

    CCmdManager manager(nullptr);
    const Bytes before = jvtest::SaveLayer(Layer(*memory, kUserPatchLayer));
    manager.Execute(MakeRhythmKeysCommand(*memory, {1, keys, 5}));
    EXPECT_EQ(manager.GetUndoText(), "Copy Rhythm Keys to \"RhythmExtrct\"");
    EXPECT_EQ(Patch(*memory, 5).GetName(), "RhythmExtrct");
    ExpectSendable(Layer(*memory, kUserPatchLayer));
    manager.Undo();
    EXPECT_EQ(jvtest::SaveLayer(Layer(*memory, kUserPatchLayer)), before);
}

namespace {

const GUID kOtherType{0xABCD};
class OtherPatch : public CPatch {
public:
    OtherPatch() : CPatch("Other", 100, 100, 0) {}
    const GUID& GetPatchType() const override { return kOtherType; }
    void Init() override { std::fill(m_data.begin(), m_data.end(), 73); }  // 73 where a JV patch has its category
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<OtherPatch>(*this); }
    std::vector<std::uint8_t> GetSysExData(bool) const override { return {}; }
};

}  // namespace

TEST(JVUseCategories, JVPatchesTakeTheirCategoryKeyAndOthersKeepKey1) {
    CJVPatch bell, unknown, none;
    for (CJVPatch* p : {&bell, &unknown, &none}) p->Init();
    bell.Message(0)[kHeaderSize + kCategoryOffset] = 4;  // "BELL"
    unknown.Message(0)[kHeaderSize + kCategoryOffset] = 39;  // past the list
    none.Message(0)[kHeaderSize + kCategoryOffset] = 0;
    OtherPatch other;
    other.Init();
    CLibrary library;
    for (const CPatch* p : std::initializer_list<const CPatch*>{&bell, &other, &unknown, &none}) {
        library.Get(library.Add(*p)).SetKey(0, 0x55);
        library.Get(library.GetSize() - 1).SetKey(1, 0x66);
    }
    EXPECT_EQ(CategoryKeys(library), (Bytes{0x22, 0x55, 0x55, 0x00}));
    EXPECT_EQ(CategoryKey(38), 0xA5);
    EXPECT_EQ(CategoryKey(20), 0x62);

    CCmdManager manager(nullptr);
    manager.Execute(std::make_unique<CUseCategoriesCommand>(library, CategoryKeys(library)));
    EXPECT_EQ(manager.GetUndoText(), "Use Categories");
    EXPECT_EQ(library.Get(0).Key(0), 0x22);
    EXPECT_EQ(library.Get(0).Key(1), 0x66);
    EXPECT_EQ(library.Get(1).Key(0), 0x55);
    manager.Undo();
    for (int i = 0; i < library.GetSize(); ++i) EXPECT_EQ(library.Get(i).Key(0), 0x55);
}

TEST(JVTools, TheMemoryOffersItsToolsInMenuOrder) {
    CAmberkitSynthMemory memory;
    std::vector<std::string> texts;
    std::vector<bool> bank;
    for (int t = 0; t < memory.GetAdditionalToolsCount(); ++t) {
        texts.push_back(memory.GetAdditionalTool(t).GetMenuText());
        bank.push_back(memory.GetAdditionalTool(t).UseForBank());
    }
    EXPECT_EQ(texts,
              (std::vector<std::string>{"&Random Patches...", "Copy &Effect Settings...",
                                        "&Copy Rhythm Keys to a Patch...", "&Virtual Synth...", "&Use Categories..."}));
    EXPECT_EQ(bank, (std::vector<bool>{true, true, true, true, false}));
}
