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

}  // namespace amberkit
