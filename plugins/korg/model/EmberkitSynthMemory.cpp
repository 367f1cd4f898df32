#include "EmberkitSynthMemory.h"

#include "EmberkitFormat.h"
#include "EmberkitLayers.h"
#include "EmberkitSynth.h"
#include "EmberkitVirtualSynth.h"
#include "Patch.h"

IMPLEMENT_DYNCREATE(CEmberkitSynthMemory, CObject)

CEmberkitSynthMemory::CEmberkitSynthMemory() {
    auto programs = std::make_unique<CEmberkitProgramLayer>();
    auto combinations = std::make_unique<CEmberkitCombinationLayer>();
    auto drums = std::make_unique<CEmberkitDrumLayer>();
    auto global = std::make_unique<CEmberkitGlobalLayer>(*this);

    // Combination timbres play programs.
    programs->AddParentLayer(combinations.get());
    combinations->AddChildLayer(programs.get());

    AddLayer(std::move(programs));
    AddLayer(std::move(combinations));
    AddLayer(std::move(drums));
    AddLayer(std::move(global));
    AddAdditionalTool(std::make_unique<CEmberkitVirtualSynthTool>(*this));
}

const GUID& CEmberkitSynthMemory::GetMemoryGuid() const { return emberkit::kMemoryGuid; }

CSynth* CEmberkitSynthMemory::GetSynth() const { return &CEmberkitSynth::Get(); }

std::unique_ptr<CHeader> CEmberkitSynthMemory::ReadHeader(CFile& file) const {
    return ReadHeaderAt<CEmberkitHeader>(file);
}

void CEmberkitSynthMemory::Load(CFile& file) {
    dynamic_cast<CEmberkitGlobalLayer&>(GetLayer(emberkit::kGlobalLayer)).ForgetAllData();
    CSynthMemory::Load(file);
}

void CEmberkitSynthMemory::Save(CFile& file, bool allLayers) {
    const auto& global = dynamic_cast<const CEmberkitGlobalLayer&>(GetLayer(emberkit::kGlobalLayer));
    if (!global.HoldsAllData() ||
        (!allLayers && GetLayersToSave().size() != static_cast<std::size_t>(GetLayerCount()))) {
        CSynthMemory::Save(file, allLayers);
        return;
    }
    file.Write(global.BuildAllDataDump());
    if (!GetUnreadBytes().empty()) file.Write(GetUnreadBytes());
}
