#pragma once

// The Korg 01/W memory: 200 programs, 200 combinations, 4 drum kits and the
// global data, in that layer order.

#include "RuntimeClass.h"
#include "SynthMemory.h"

class CEmberkitSynthMemory : public CSynthMemory {
    DECLARE_DYNCREATE(CEmberkitSynthMemory)

public:
    static constexpr unsigned kToolbarId = 200;

    CEmberkitSynthMemory();

    const GUID& GetMemoryGuid() const override;
    std::unique_ptr<CSynthMemory> CreateMemory() const override { return std::make_unique<CEmberkitSynthMemory>(); }
    std::string GetName() const override { return "Korg 01w"; }
    CSynth* GetSynth() const override;
    std::string GetVersion() const override { return "4.54"; }
    unsigned GetToolbarId() const override { return kToolbarId; }
    std::unique_ptr<CHeader> ReadHeader(CFile& file) const override;
    void Load(CFile& file) override;
    // A bank whose file held an all-data dump saves as one again, sequence data
    // included, when every layer is saved; otherwise as the layers' own dumps.
    void Save(CFile& file, bool allLayers = false) override;
};
