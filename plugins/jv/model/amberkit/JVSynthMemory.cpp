#include "amberkit/JVSynthMemory.h"

#include <array>

#include "amberkit/JVLayers.h"
#include "amberkit/JVSynth.h"
#include "amberkit/JVSynthTools.h"
#include "amberkit/JVVirtualSynth.h"

#include <tonalith/Ui.h>

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

    // In menu order.
    AddAdditionalTool(std::make_unique<CJVRandomPatchesTool>(*this));
    AddAdditionalTool(std::make_unique<CJVCopyEffectTool>(*this));
    AddAdditionalTool(std::make_unique<CJVCopyRhythmKeysTool>(*this));
    AddAdditionalTool(std::make_unique<CJVVirtualSynthTool>(*this));
    AddAdditionalTool(std::make_unique<CJVUseCategoriesTool>());
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
    m_fileGenerations = 0;
    m_keepFileGeneration.reset();
    for (int l = 0; l < GetLayerCount(); ++l) static_cast<CJVLayer&>(GetLayer(l)).TakeLoadFindings();
    CSynthMemory::Load(file);
    unsigned generations = (1u << kGenerationCount) - 1;
    bool lengthsTell = false;
    for (int l = 0; l < GetLayerCount(); ++l) {
        auto& layer = static_cast<CJVLayer&>(GetLayer(l));
        const LoadFindings findings = layer.TakeLoadFindings();
        for (const std::uint64_t offset : findings.badChecksums)
            ReportLoadIssue(
                {offset, "checksum", layer.GetName(), "the message's checksum is wrong (its data was kept)"});
        generations &= findings.generations;
        lengthsTell = lengthsTell || findings.lengthsTell;
    }
    if (!lengthsTell) return;
    if (generations == 0) {
        m_generation = "mixed";
        return;
    }
    m_fileGenerations = generations;
    for (int g = 0; g < kGenerationCount; ++g)
        if (generations & (1u << g))
            m_generation +=
                (m_generation.empty() ? "" : " or ") + std::string(GenerationName(static_cast<Generation>(g)));
}

void CAmberkitSynthMemory::PrepareSave() {
    const Generation setting = CJVSynth::Get().GetWhichSynth();
    std::optional<Generation> write;
    if (m_fileGenerations != 0 && !(m_fileGenerations & (1u << static_cast<int>(setting)))) {
        Generation file = setting;
        for (int g = kGenerationCount - 1; g >= 0; --g)
            if (m_fileGenerations & (1u << g)) file = static_cast<Generation>(g);
        if (!m_keepFileGeneration) {
            const std::string fileName(GenerationName(file)), settingName(GenerationName(setting));
            m_keepFileGeneration = CUi::Get().AskYesNo(
                "This bank was read from a file written for the " + fileName + "; the settings name the " +
                settingName + ".\nKeep writing it for the " + fileName + "?\n(No writes it for the " + settingName +
                ", in that model's message lengths.)");
        }
        if (*m_keepFileGeneration) write = file;
    }
    for (int l = 0; l < GetLayerCount(); ++l) static_cast<CJVLayer&>(GetLayer(l)).SetSaveGeneration(write);
}

}  // namespace amberkit
