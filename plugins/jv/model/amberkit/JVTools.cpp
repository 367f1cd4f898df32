#include "amberkit/JVTools.h"

#include <algorithm>

#include <tonalith/BasicConfig.h>
#include <tonalith/Document.h>
#include <tonalith/Library.h>

#include "amberkit/JVBoardDatabase.h"
#include "amberkit/JVLayers.h"
#include "amberkit/JVMessages.h"
#include "amberkit/JVRecords.h"

namespace amberkit {

namespace {

constexpr std::array<std::string_view, kRandomCategoryCount> kCategoryCaptions{
    "Effect", "Wave", "Controller", "LFO", "P-ENV", "TVF", "TVA", "Output"};
constexpr std::array<std::string_view, kRandomCategoryCount> kCategoryKeys{"Effect", "Wave", "Controller", "LFO",
                                                                           "PENV",   "TVF",  "TVA",        "Output"};

// A run of data bytes that gets a fixed value or r(range).
struct Rule {
    int first;
    int last;
    int value;
    bool random;
};
constexpr Rule Fixed(int first, int last, int value) { return {first, last, value, false}; }
constexpr Rule Random(int first, int last, int range) { return {first, last, range, true}; }

// Common data offsets from the first byte after the name.
constexpr std::array kEffectRules{
    Fixed(12, 12, 0),    Random(13, 13, 2),   Random(14, 14, 31),  Random(15, 15, 2),   Random(16, 16, 31),
    Random(17, 17, 17),  Random(18, 18, 5),   Random(19, 19, 31),  Random(20, 20, 17),  Random(21, 21, 5),
    Random(22, 22, 31),  Random(23, 23, 128), Fixed(24, 25, 0),    Random(26, 28, 128), Random(29, 29, 11),
    Random(30, 30, 127), Random(31, 31, 11),  Random(32, 32, 127), Random(33, 37, 128), Fixed(38, 38, 0),
    Random(39, 39, 8),   Random(40, 41, 128), Random(42, 42, 18),  Random(43, 43, 128), Fixed(44, 44, 7),
    Fixed(45, 45, 8),    Fixed(46, 46, 127),  Fixed(47, 47, 64),   Random(48, 48, 128), Random(49, 49, 13),
    Random(50, 50, 49),  Fixed(51, 52, 0),    Random(53, 56, 2),   Random(57, 57, 128), Random(58, 59, 16),
    Fixed(60, 63, 0),    Fixed(64, 64, 1),    Fixed(65, 65, 3),    Fixed(66, 67, 0),    Random(68, 68, 10),
    Random(69, 69, 4),   Random(70, 70, 10),  Random(71, 71, 4),   Fixed(72, 73, 0)};

constexpr std::array kControllerHead{Fixed(14, 14, 0), Fixed(15, 15, 127), Fixed(16, 20, 1)};
constexpr std::array kLfoRules{Random(0, 0, 8),   Random(1, 1, 2), Random(2, 2, 128), Random(3, 3, 5),
                               Random(4, 4, 128), Random(5, 5, 4), Random(6, 6, 128), Fixed(7, 7, 0)};
constexpr std::array kPitchEnvelopeRules{Random(61, 61, 97), Random(62, 62, 101), Random(63, 63, 31),
                                         Random(64, 64, 16), Random(65, 65, 25),  Random(66, 66, 126),
                                         Random(67, 69, 15), Random(70, 73, 128), Random(74, 79, 127)};
constexpr std::array kTvfRules{Random(80, 80, 5),   Random(81, 81, 128), Random(82, 82, 16),  Random(83, 83, 128),
                               Random(84, 84, 126), Random(85, 85, 127), Random(86, 86, 7),   Random(87, 87, 126),
                               Random(88, 90, 15),  Random(91, 98, 128), Random(99, 100, 127)};
constexpr std::array kTvaRules{
    Fixed(101, 101, 127),  Random(102, 102, 4),  Random(103, 103, 128), Random(104, 104, 15),  Random(105, 105, 7),
    Random(106, 106, 126), Random(107, 109, 15), Random(110, 116, 128), Random(117, 118, 127), Random(119, 119, 128),
    Random(120, 120, 15),  Random(121, 121, 64), Random(122, 122, 128), Random(123, 124, 127)};
constexpr std::array kOutputRules{Fixed(125, 125, 0), Random(126, 128, 128)};

constexpr int kControllerFirst = 21;
constexpr int kLfoFirst = 45;
constexpr int kBlockStride = 8;  // controllers and LFOs
constexpr int kControllerCount = 3;
constexpr int kLfoCount = 2;
constexpr int kControllerPairs = 4;

void Apply(std::span<std::uint8_t> data, std::span<const Rule> rules, CJVRandom& random, int base = 0) {
    for (const Rule& rule : rules)
        for (int i = rule.first; i <= rule.last; ++i)
            data[static_cast<std::size_t>(base + i)] =
                static_cast<std::uint8_t>(rule.random ? random(rule.value) : rule.value);
}

void RandomizeWave(std::span<std::uint8_t> tone, bool previousOn, bool firstTone, const WaveSources& waves,
                   CJVRandom& random) {
    tone[kToneSwitch] = firstTone ? 1 : previousOn ? static_cast<std::uint8_t>(random(2)) : 0;
    const bool fromBoard = !waves.boards.empty() && random(2) == 1;
    const WaveSource& source =
        fromBoard ? waves.boards[static_cast<std::size_t>(random(static_cast<int>(waves.boards.size())))]
                  : waves.internal[static_cast<std::size_t>(random(2))];
    tone[kToneWaveGroupType] = source.groupType;
    tone[kToneWaveGroupId] = source.groupId;
    // A group without a name list still gets a valid wave number: its first.
    const int wave = random(source.waveCount);
    tone[kToneWaveHigh] = static_cast<std::uint8_t>((wave >> 4) & 0x7F);
    tone[kToneWaveLow] = static_cast<std::uint8_t>(wave & 0x0F);
    tone[5] = static_cast<std::uint8_t>(random(4));
    tone[6] = static_cast<std::uint8_t>(random(2));
    tone[7] = static_cast<std::uint8_t>(random(4));
    tone[8] = static_cast<std::uint8_t>(random(16));
}

void RandomizeTone(CJVPatch& patch, int t, const RandomFlags& flags, const WaveSources& waves, CJVRandom& random) {
    const std::span<std::uint8_t> tone = patch.ToneData(t);
    if (flags.Get(t, RandomCategory::Wave))
        RandomizeWave(tone, t > 0 && patch.ToneData(t - 1)[kToneSwitch] != 0, t == 0, waves, random);
    if (flags.Get(t, RandomCategory::Controller)) {
        Apply(tone, kControllerHead, random);
        for (int c = 0; c < kControllerCount; ++c)
            for (int p = 0; p < kControllerPairs; ++p) {
                const auto at = static_cast<std::size_t>(kControllerFirst + c * kBlockStride + 2 * p);
                tone[at] = static_cast<std::uint8_t>(random(19));
                tone[at + 1] = static_cast<std::uint8_t>(random(127));
            }
    }
    if (flags.Get(t, RandomCategory::Lfo))
        for (int l = 0; l < kLfoCount; ++l) Apply(tone, kLfoRules, random, kLfoFirst + l * kBlockStride);
    if (flags.Get(t, RandomCategory::PitchEnvelope)) Apply(tone, kPitchEnvelopeRules, random);
    if (flags.Get(t, RandomCategory::Tvf)) Apply(tone, kTvfRules, random);
    if (flags.Get(t, RandomCategory::Tva)) Apply(tone, kTvaRules, random);
    if (flags.Get(t, RandomCategory::Output)) Apply(tone, kOutputRules, random);
}

std::span<std::uint8_t> CommonData(CJVRecord& record) { return record.Message(0).subspan(kHeaderSize); }
std::span<const std::uint8_t> CommonData(const CJVRecord& record) { return record.Message(0).subspan(kHeaderSize); }

constexpr std::array<std::uint8_t, kCategoryCount> kCategoryKeyValues{
    0x00, 0x11, 0x12, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x31, 0x32, 0x33, 0x41,
    0x42, 0x51, 0x52, 0x53, 0x54, 0x55, 0x61, 0x62, 0x63, 0x71, 0x72, 0x73, 0x74,
    0x75, 0x76, 0x81, 0x82, 0x83, 0x91, 0x92, 0x93, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};

constexpr int kRhythmKeyDataSize = kRhythmKeySize - kFrameOverhead;  // 58
constexpr std::array<KeyToToneByte, 57> kKeyToTone{
    {{0, 0},    {1, 1},    {2, 2},    {3, 3},    {4, 4},    {5, 5},    {17, 9},   {18, 10},  {20, 11},  {62, 13},
     {63, 14},  {65, 15},  {66, 16},  {67, 17},  {68, 17},  {70, 18},  {71, 19},  {72, 20},  {73, 21},  {74, 22},
     {75, 23},  {76, 24},  {77, 25},  {80, 26},  {81, 27},  {83, 28},  {84, 29},  {85, 30},  {87, 31},  {88, 32},
     {89, 32},  {91, 33},  {92, 34},  {93, 35},  {94, 36},  {95, 37},  {96, 38},  {97, 39},  {98, 40},  {101, 41},
     {106, 42}, {107, 43}, {108, 43}, {110, 44}, {111, 45}, {112, 46}, {113, 47}, {114, 48}, {115, 49}, {116, 50},
     {118, 51}, {120, 52}, {121, 53}, {125, 54}, {126, 55}, {127, 56}, {128, 57}}};

}  // namespace

// ---- Random Patches ---------------------------------------------------------

std::string_view RandomCategoryCaption(RandomCategory category) {
    return kCategoryCaptions.at(static_cast<std::size_t>(category));
}

std::string RandomFlagKey(int tone, RandomCategory category) {
    return std::string(kCategoryKeys.at(static_cast<std::size_t>(category))) + std::to_string(tone + 1);
}

RandomFlags RandomFlags::All(bool value) {
    RandomFlags flags;
    for (auto& tone : flags.ticked) tone.fill(value);
    return flags;
}

bool RandomFlags::AnyEffect() const {
    return std::any_of(ticked.begin(), ticked.end(),
                       [](const auto& tone) { return tone[static_cast<std::size_t>(RandomCategory::Effect)]; });
}

RandomFlags ReadRandomFlags(const CBasicConfig& config) {
    RandomFlags flags;
    for (int t = 0; t < kPatchToneCount; ++t)
        for (int c = 0; c < kRandomCategoryCount; ++c) {
            const auto category = static_cast<RandomCategory>(c);
            flags.Set(t, category, config.GetBoolean(RandomFlagKey(t, category), true));
        }
    return flags;
}

void WriteRandomFlags(CBasicConfig& config, const RandomFlags& flags) {
    for (int t = 0; t < kPatchToneCount; ++t)
        for (int c = 0; c < kRandomCategoryCount; ++c) {
            const auto category = static_cast<RandomCategory>(c);
            config.PutBoolean(RandomFlagKey(t, category), flags.Get(t, category));
        }
}

int CJVRandom::operator()(int n) {
    if (n <= 0) return 0;
    return static_cast<int>((static_cast<std::uint64_t>(m_engine()) * static_cast<std::uint64_t>(n)) >> 32);
}

std::string CJVRandom::Word() {
    static constexpr std::string_view consonants = "bcdfghjklmnprstvwz";
    static constexpr std::string_view vowels = "aeiou";
    std::string word;
    for (int i = 0; i < kNameLength; ++i) {
        const std::string_view from = i % 2 == 0 ? consonants : vowels;
        word += from[static_cast<std::size_t>((*this)(static_cast<int>(from.size())))];
    }
    word[0] = static_cast<char>(word[0] - 'a' + 'A');
    return word;
}

WaveSources MakeWaveSources(std::span<const int> boardSlots, Generation generation, const CJVBoardDatabase& names) {
    using Db = CJVBoardDatabase;
    WaveSources sources;
    for (std::uint8_t id : {kGroupIdUser, kGroupIdCard})
        sources.internal[id - 1u] = {kGroupTypeInternal, id,
                                     names.GetListLength(id + 2, Db::Section::Wave, Db::Kind::Preset)};
    const std::size_t slots = generation == Generation::JV2080 ? 8 : 4;
    for (std::size_t s = 0; s < std::min(slots, boardSlots.size()); ++s) {
        const int board = boardSlots[s];
        if (board <= 0 || board > Db::kGroupCount) continue;
        sources.boards.push_back({kGroupTypeBoard, static_cast<std::uint8_t>(board),
                                  names.GetListLength(board, Db::Section::Wave, Db::Kind::Board)});
    }
    return sources;
}

void RandomizePatch(CJVPatch& patch, const RandomFlags& flags, const WaveSources& waves, CJVRandom& random) {
    patch.SetName(random.Word());
    if (flags.AnyEffect()) Apply(CommonData(patch), kEffectRules, random);
    for (int t = 0; t < kPatchToneCount; ++t) RandomizeTone(patch, t, flags, waves, random);
}

CSwapPatchesCommand::CSwapPatchesCommand(CJVLayer& layer, std::vector<std::unique_ptr<CPatch>> patches,
                                         std::string text, CDocument* document)
    : m_layer(layer), m_held(std::move(patches)), m_text(std::move(text)), m_document(document) {}

void CSwapPatchesCommand::Swap() {
    for (std::size_t i = 0; i < m_held.size(); ++i) {
        const int index = static_cast<int>(i);
        std::unique_ptr<CPatch> current = m_layer.GetPatch(index)->Clone();
        m_layer.SetPatch(index, *m_held[i]);
        m_held[i] = std::move(current);
    }
    m_layer.UpdatePatchNumbers();
    if (m_document) m_document->UpdateAllViews(nullptr);
}

std::unique_ptr<CSwapPatchesCommand> MakeRandomPatchesCommand(CJVLayer& layer, const RandomFlags& flags,
                                                              const WaveSources& waves, CJVRandom& random,
                                                              CDocument* document) {
    std::vector<std::unique_ptr<CPatch>> patches;
    for (int i = 0; i < layer.GetPatchCount(); ++i) {
        std::unique_ptr<CPatch> patch = layer.GetPatch(i)->Clone();
        if (patch->GetPatchType() == kPatchTypeGuid)
            RandomizePatch(static_cast<CJVPatch&>(*patch), flags, waves, random);
        patches.push_back(std::move(patch));
    }
    return std::make_unique<CSwapPatchesCommand>(layer, std::move(patches), "Random Patches", document);
}

// ---- Copy Effect Settings ---------------------------------------------------

ByteRun EffectRun(const CJVRecord& record, CopyType type) {
    // A performance's effect block starts one byte later than a patch's.
    const int start = record.GetPatchType() == kPerformanceTypeGuid ? 13 : 12;
    switch (type) {
    case CopyType::Efx: return {start, 20};
    case CopyType::Chorus: return {start + 21, 6};
    case CopyType::Reverb: return {start + 27, 5};
    case CopyType::All: break;
    }
    return {start, 32};
}

std::unique_ptr<CJVRecord> CopyEffectSettings(const CJVRecord& source, const CJVRecord& destination, CopyType type) {
    std::unique_ptr<CPatch> copy = destination.Clone();
    auto result = std::unique_ptr<CJVRecord>(static_cast<CJVRecord*>(copy.release()));
    const ByteRun from = EffectRun(source, type);
    const ByteRun to = EffectRun(*result, type);
    const auto in =
        CommonData(source).subspan(static_cast<std::size_t>(from.first), static_cast<std::size_t>(from.count));
    std::copy(in.begin(), in.end(), CommonData(*result).begin() + to.first);
    SealMessage(result->Message(0));
    return result;
}

// ---- Copy Rhythm Keys to a Patch --------------------------------------------

std::span<const KeyToToneByte> RhythmKeyToToneMap() { return kKeyToTone; }

std::unique_ptr<CJVPatch> RhythmKeysToPatch(const CJVRhythm& rhythm, std::span<const int> keys, const CJVPatch& patch) {
    if (keys.size() != kRhythmKeysPerPatch) return nullptr;
    std::array<int, kRhythmKeysPerPatch> sorted{};
    std::copy(keys.begin(), keys.end(), sorted.begin());
    std::sort(sorted.begin(), sorted.end());
    if (sorted.front() < 0 || sorted.back() >= kRhythmKeyCount ||
        std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
        return nullptr;
    auto result = std::make_unique<CJVPatch>(patch);
    for (int t = 0; t < kRhythmKeysPerPatch; ++t) {
        const auto key = rhythm.Message(1 + sorted[static_cast<std::size_t>(t)])
                             .subspan(kHeaderSize, static_cast<std::size_t>(kRhythmKeyDataSize));
        const std::span<std::uint8_t> tone = result->ToneData(t);
        for (const KeyToToneByte& m : kKeyToTone)
            tone[static_cast<std::size_t>(m.tone)] = key[static_cast<std::size_t>(m.key)];
        tone[14] = static_cast<std::uint8_t>(36 + 12 * t);
        tone[15] = static_cast<std::uint8_t>(47 + 12 * t);
        tone[61] = static_cast<std::uint8_t>(66 - 12 * t);
    }
    result->SetName(std::string(kRhythmPatchName));
    return result;
}

// ---- Use Categories ---------------------------------------------------------

std::optional<std::uint8_t> CategoryKey(int category) {
    if (category < 0 || category >= kCategoryCount) return std::nullopt;
    return kCategoryKeyValues[static_cast<std::size_t>(category)];
}

std::vector<std::uint8_t> CategoryKeys(const CLibrary& library) {
    std::vector<std::uint8_t> keys;
    keys.reserve(static_cast<std::size_t>(library.GetSize()));
    for (int i = 0; i < library.GetSize(); ++i) {
        const CLibraryPatch& entry = library.Get(i);
        std::uint8_t key = entry.Key(0);
        // Compared by type GUID: the entry's patch may come from another copy of this module.
        const CPatch* patch = entry.GetPatch();
        if (patch && patch->GetPatchType() == kPatchTypeGuid)
            key = CategoryKey(CommonData(static_cast<const CJVRecord&>(*patch))[kCategoryOffset]).value_or(key);
        keys.push_back(key);
    }
    return keys;
}

CUseCategoriesCommand::CUseCategoriesCommand(CLibrary& library, std::vector<std::uint8_t> newKeys, CDocument* document)
    : m_library(library), m_new(std::move(newKeys)), m_document(document) {
    for (int i = 0; i < library.GetSize(); ++i) m_old.push_back(library.Get(i).Key(0));
    m_new.resize(m_old.size());
}

void CUseCategoriesCommand::Put(const std::vector<std::uint8_t>& keys) {
    const int count = std::min(m_library.GetSize(), static_cast<int>(keys.size()));
    for (int i = 0; i < count; ++i) m_library.Get(i).SetKey(0, keys[static_cast<std::size_t>(i)]);
    if (m_document) m_document->UpdateAllViews(nullptr);
}

}  // namespace amberkit
