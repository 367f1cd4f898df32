#pragma once

// What the bank and library tools of the JV/XP memory do to records and keys,
// apart from their dialogs: random patches, copying effect settings between
// patches and performances, turning four rhythm keys into a patch, and using
// the patch category as a library key. Each change is one undoable command.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <tonalith/Commands.h>

#include "amberkit/JVConstants.h"

class CBasicConfig;
class CDocument;
class CLibrary;
class CPatch;

namespace amberkit {

class CJVBoardDatabase;
class CJVLayer;
class CJVPatch;
class CJVRecord;
class CJVRhythm;

// ---- Random Patches ---------------------------------------------------------

// The boxes of each tone in the "Random" dialog, in its order.
enum class RandomCategory : int { Effect, Wave, Controller, Lfo, PitchEnvelope, Tvf, Tva, Output };
inline constexpr int kRandomCategoryCount = 8;

// "Effect", "Wave", "Controller", "LFO", "P-ENV", "TVF", "TVA", "Output".
std::string_view RandomCategoryCaption(RandomCategory category);
// The settings key of a box: "Effect1".."Output4" (tone 0..3).
std::string RandomFlagKey(int tone, RandomCategory category);

struct RandomFlags {
    std::array<std::array<bool, kRandomCategoryCount>, kPatchToneCount> ticked{};

    static RandomFlags All(bool value);
    bool Get(int tone, RandomCategory category) const {
        return ticked[static_cast<std::size_t>(tone)][static_cast<std::size_t>(category)];
    }
    void Set(int tone, RandomCategory category, bool value) {
        ticked[static_cast<std::size_t>(tone)][static_cast<std::size_t>(category)] = value;
    }
    // The common (effect) block is randomised when any tone's "Effect" is ticked.
    bool AnyEffect() const;
    bool operator==(const RandomFlags&) const = default;
};

// The 32 boxes from and to the plug-in's settings; a missing key reads ticked.
RandomFlags ReadRandomFlags(const CBasicConfig& config);
void WriteRandomFlags(CBasicConfig& config, const RandomFlags& flags);

// r(n): 0..n-1 from a fixed start, the same on every platform (the standard
// distributions are not), so a start given on the command line repeats a bank.
class CJVRandom {
public:
    explicit CJVRandom(std::uint32_t start) : m_engine(start) {}
    int operator()(int n);
    // A 12-character name that reads like a word: consonants and vowels in turn.
    std::string Word();

private:
    std::mt19937 m_engine;
};

// Where a randomised wave comes from: its group type and id and how many waves
// the group's name list has.
struct WaveSource {
    std::uint8_t groupType = kGroupTypeInternal;
    std::uint8_t groupId = kGroupIdUser;
    int waveCount = 0;
};
struct WaveSources {
    std::array<WaveSource, 2> internal;  // group ids 1 and 2 (3.pre and 4.pre)
    std::vector<WaveSource> boards;  // the installed expansion boards
};
// boardSlots holds the board number of each slot (0: none); only slots 1..4
// count unless the unit is a JV-2080, which has eight.
WaveSources MakeWaveSources(std::span<const int> boardSlots, Generation generation, const CJVBoardDatabase& names);

// One patch randomised in place as the ticked boxes say (name, common block,
// then tone by tone). Addresses and checksums are left to the layer.
void RandomizePatch(CJVPatch& patch, const RandomFlags& flags, const WaveSources& waves, CJVRandom& random);

// Puts a set of patches into a layer and takes the layer's back: Execute and
// Undo are the same swap, so Redo brings back exactly the patches first put in.
class CSwapPatchesCommand : public CBasicCommand {
public:
    CSwapPatchesCommand(CJVLayer& layer, std::vector<std::unique_ptr<CPatch>> patches, std::string text,
                        CDocument* document = nullptr);
    void Execute() override { Swap(); }
    void Undo() override { Swap(); }
    std::string GetText() const override { return m_text; }

private:
    void Swap();

    CJVLayer& m_layer;
    std::vector<std::unique_ptr<CPatch>> m_held;
    std::string m_text;
    CDocument* m_document;
};

// "Random Patches" over every patch of the layer (the User Patch layer), not
// yet executed.
std::unique_ptr<CSwapPatchesCommand> MakeRandomPatchesCommand(CJVLayer& layer, const RandomFlags& flags,
                                                              const WaveSources& waves, CJVRandom& random,
                                                              CDocument* document = nullptr);

// ---- Copy Effect Settings ---------------------------------------------------

enum class CopyType : int { All = 0, Efx, Chorus, Reverb };
inline constexpr std::array<std::string_view, 4> kCopyTypeNames{"All", "EFX", "Chorus", "Reverb"};

struct ByteRun {
    int first = 0;  // data offset inside the common message
    int count = 0;
};
// The common bytes a copy type takes: counted from data offset 12 of a patch,
// 13 of a performance (its effect block starts one byte later).
ByteRun EffectRun(const CJVRecord& record, CopyType type);

// A copy of destination with the run of source's effect bytes in it.
std::unique_ptr<CJVRecord> CopyEffectSettings(const CJVRecord& source, const CJVRecord& destination, CopyType type);

// An edit command named "<prefix>"<name>"" after the new record's name.
class CNamedEditCommand : public CEditCommand {
public:
    explicit CNamedEditCommand(std::string prefix) : m_prefix(std::move(prefix)) {}
    std::string GetText() const override { return m_prefix + "\"" + TrimmedNewName() + "\""; }

private:
    std::string m_prefix;
};

inline constexpr std::string_view kCopyEffectPrefix = "Copy Effect to ";
inline constexpr std::string_view kCopyRhythmKeysPrefix = "Copy Rhythm Keys to ";

// ---- Copy Rhythm Keys to a Patch --------------------------------------------

inline constexpr int kRhythmKeysPerPatch = 4;
inline constexpr std::string_view kRhythmPatchName = "RhythmExtrct";

// One tone data byte and the rhythm key data byte it takes.
struct KeyToToneByte {
    int tone;
    int key;
};
std::span<const KeyToToneByte> RhythmKeyToToneMap();

// The patch made of four keys of a rhythm set (key indices 0..63, any order;
// they become tones 1..4 in ascending order); everything else of the patch
// stays. Empty when the keys are not four different indices in range.
std::unique_ptr<CJVPatch> RhythmKeysToPatch(const CJVRhythm& rhythm, std::span<const int> keys, const CJVPatch& patch);

// ---- Use Categories ---------------------------------------------------------

inline constexpr int kCategoryOffset = 73;  // common data offset of the patch category
inline constexpr int kCategoryCount = 39;
// The Key 1 value of a category index; none outside the list.
std::optional<std::uint8_t> CategoryKey(int category);

// The Key 1 every entry gets: a JV/XP patch's category key, else its own Key 1.
std::vector<std::uint8_t> CategoryKeys(const CLibrary& library);

class CUseCategoriesCommand : public CBasicCommand {
public:
    CUseCategoriesCommand(CLibrary& library, std::vector<std::uint8_t> newKeys, CDocument* document = nullptr);
    void Execute() override { Put(m_new); }
    void Undo() override { Put(m_old); }
    std::string GetText() const override { return "Use Categories"; }

private:
    void Put(const std::vector<std::uint8_t>& keys);

    CLibrary& m_library;
    std::vector<std::uint8_t> m_old;
    std::vector<std::uint8_t> m_new;
    CDocument* m_document;
};

}  // namespace amberkit
