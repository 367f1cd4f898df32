#pragma once

#include <memory>
#include <optional>
#include <string>

#include <tonalith/SynthMemory.h>

namespace amberkit {

class CJVPatchLayer;
class CJVPerformanceLayer;
class CJVRhythmLayer;
class CJVSystemLayer;

// Layer indices of the memory, in the order the program shows them.
enum JVLayerIndex : int {
    kUserPatchLayer = 0,
    kUserPerformanceLayer,
    kUserRhythmLayer,
    kCardPatchLayer,
    kCardPerformanceLayer,
    kCardRhythmLayer,
    kSystemLayer,
    kJVLayerCount
};

// The Roland JV-1010/1080, JV-2080, XP-50/60/80 and XP-30 memory.
class CAmberkitSynthMemory : public CSynthMemory {
    DECLARE_DYNCREATE(CAmberkitSynthMemory)
public:
    CAmberkitSynthMemory();

    const GUID& GetMemoryGuid() const override;
    std::unique_ptr<CSynthMemory> CreateMemory() const override;
    std::string GetName() const override { return "Roland JV/XP"; }
    CSynth* GetSynth() const override;
    std::string GetVersion() const override { return "6.07"; }
    std::unique_ptr<CHeader> ReadHeader(CFile& file) const override;
    // Also reports every message whose checksum is wrong (its data is kept) and
    // tells the generation from the message lengths.
    void Load(CFile& file) override;
    // "JV-2080", "XP-50 / 60 / 80 or XP-30" (the same lengths), "mixed", or empty
    // when no message length tells.
    std::string GetLoadedGeneration() const override { return m_generation; }
    // A bank read from a file keeps the generation the file was written in: when
    // the settings name another, the user is asked once whether to keep it.
    void PrepareSave() override;

private:
    std::string m_generation;
    unsigned m_fileGenerations = 0;  // bit g: the file's message lengths fit generation g
    std::optional<bool> m_keepFileGeneration;  // the user's answer
};

}  // namespace amberkit
