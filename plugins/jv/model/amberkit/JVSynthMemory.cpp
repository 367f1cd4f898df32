#include "amberkit/JVSynthMemory.h"

#include <array>

#include "amberkit/JVLayers.h"
#include "amberkit/JVSynth.h"

namespace amberkit {

IMPLEMENT_DYNCREATE(CAmberkitSynthMemory, CObject)

CAmberkitSynthMemory::CAmberkitSynthMemory() {
    auto userPatch = std::make_unique<CJVPatchLayer>(Bank::User);
    auto userPerformance = std::make_unique<CJVPerformanceLayer>(Bank::User);
    auto userRhythm = std::make_unique<CJVRhythmLayer>(Bank::User);
    auto cardPatch = std::make_unique<CJVPatchLayer>(Bank::Card);
    auto cardPerformance = std::make_unique<CJVPerformanceLayer>(Bank::Card);
    auto cardRhythm = std::make_unique<CJVRhythmLayer>(Bank::Card);

    // Performances name patches (parts 1..16 but 10) and rhythm sets (part 10)
    // of both areas; the child order is the one the performance layer relies on.
    const std::array<CJVLayer*, 4> children{userPatch.get(), cardPatch.get(), userRhythm.get(), cardRhythm.get()};
    for (CJVLayer* performance : std::array<CJVLayer*, 2>{userPerformance.get(), cardPerformance.get()})
        for (CJVLayer* child : children) {
            child->AddParentLayer(performance);
            performance->AddChildLayer(child);
        }

    AddLayer(std::move(userPatch));
    AddLayer(std::move(userPerformance));
    AddLayer(std::move(userRhythm));
    AddLayer(std::move(cardPatch));
    AddLayer(std::move(cardPerformance));
    AddLayer(std::move(cardRhythm));
    AddLayer(std::make_unique<CJVSystemLayer>());
}

const GUID& CAmberkitSynthMemory::GetMemoryGuid() const { return kMemoryGuid; }

std::unique_ptr<CSynthMemory> CAmberkitSynthMemory::CreateMemory() const {
    return std::make_unique<CAmberkitSynthMemory>();
}

CSynth* CAmberkitSynthMemory::GetSynth() const { return &CJVSynth::Get(); }

std::unique_ptr<CHeader> CAmberkitSynthMemory::ReadHeader(CFile& file) const { return ReadHeaderAt<CJVHeader>(file); }

void CAmberkitSynthMemory::Load(CFile& file) {
    m_loadIssues.clear();
    m_generation.clear();
    for (int l = 0; l < GetLayerCount(); ++l) static_cast<CJVLayer&>(GetLayer(l)).TakeLoadFindings();
    CSynthMemory::Load(file);
    unsigned generations = (1u << kGenerationCount) - 1;
    bool lengthsTell = false;
    for (int l = 0; l < GetLayerCount(); ++l) {
        auto& layer = static_cast<CJVLayer&>(GetLayer(l));
        const LoadFindings findings = layer.TakeLoadFindings();
        for (const std::uint64_t offset : findings.badChecksums)
            ReportLoadIssue({offset, "checksum", layer.GetName(), "the message's checksum is wrong (its data was kept)"});
        generations &= findings.generations;
        lengthsTell = lengthsTell || findings.lengthsTell;
    }
    if (!lengthsTell) return;
    if (generations == 0) {
        m_generation = "mixed";
        return;
    }
    for (int g = 0; g < kGenerationCount; ++g)
        if (generations & (1u << g))
            m_generation += (m_generation.empty() ? "" : " or ") + std::string(GenerationName(static_cast<Generation>(g)));
}

}  // namespace amberkit
