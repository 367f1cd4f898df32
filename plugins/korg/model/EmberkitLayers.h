#pragma once

// The four layers of the Korg 01/W memory and the 6-byte dump header.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "EmberkitFormat.h"
#include "Header.h"
#include "Layer.h"

class CSynthMemory;

// F0 42 3g 2B fn 00: the start of a layer's bulk dump.
class CEmberkitHeader : public CHeader {
public:
    CEmberkitHeader() : CHeader(emberkit::kHeaderSize) { SetType(0); }
    // The header of dump type i: 0 programs, 1 combinations, 2 drum kits, 3 global.
    virtual void SetType(int i);
    std::uint8_t GetFunction() const { return (*this)[4]; }
};

// What tells the layers apart.
struct CEmberkitLayerFormat {
    const char* name;
    int patchCount;
    GUID guid;
    emberkit::DumpType type;
    int patchSize;
    std::uint8_t singleFunction;  // the one-patch message the layer also reads; 0: none
    int labelBankSize;  // patches per bank letter in labels
    const char* dumpName;  // for messages: "all-programs dump"
    int modeOn;  // SwitchMode(true) and (false)
    int modeOff;
};

class CEmberkitLayer : public CPatchLayer {
public:
    const GUID& GetLayerGuid() const override { return m_format.guid; }
    bool MatchesHeader(const CHeader& header) const override;
    void UpdatePatchNumbers() override;
    // The bulk dump, on the global channel of the settings.
    void Save(CFile& file) override;
    // A bulk dump or, where the layer has one, a single-patch message, which goes
    // into patch 0 (the header stays a bulk dump, so saving writes a whole layer).
    // Nothing changes unless the whole message could be read.
    void Load(CFile& file) override;
    void SwitchMode(const CSynth& synth, bool on) override;
    std::string GetPatchLabel(int i) const override;
    void SetPatch(int i, const CPatch& patch) override;

    CEmberkitHeader& GetHeader() { return m_header; }
    const CEmberkitHeader& GetHeader() const { return m_header; }
    // Every patch's data in patch order, as a bulk dump carries it.
    std::vector<std::uint8_t> GetLayerData() const;
    // The reverse; data holds patchCount × patchSize bytes. The header becomes
    // this layer's own bulk dump.
    void SetLayerData(std::span<const std::uint8_t> data);
    std::size_t GetLayerDataSize() const;

protected:
    explicit CEmberkitLayer(const CEmberkitLayerFormat& format);
    // Bulk dump function codes this layer reads besides its own.
    virtual bool AcceptsFunction(std::uint8_t function) const;

    CEmberkitLayerFormat m_format;
    CEmberkitHeader m_header;
};

class CEmberkitProgramLayer : public CEmberkitLayer {
public:
    CEmberkitProgramLayer();
};

// Its combinations' timbres play programs: the "Program" layer is its child.
class CEmberkitCombinationLayer : public CEmberkitLayer {
public:
    CEmberkitCombinationLayer();

protected:
    void AdaptLayer(const CLayer& child, std::span<const std::uint32_t> map, bool undo) override;
    std::vector<int> GetPatchReferences(const CLayer& child, int index) const override;
};

class CEmberkitDrumLayer : public CEmberkitLayer {
public:
    CEmberkitDrumLayer();
};

// Also reads the all-data dump, which fills every layer of its memory.
class CEmberkitGlobalLayer : public CEmberkitLayer {
public:
    explicit CEmberkitGlobalLayer(CSynthMemory& memory);
    std::string GetPatchLabel(int i) const override { return "Global"; }
    void Load(CFile& file) override;

    // Whether the file held an all-data dump. Its sequence data, which no layer
    // reads, is kept so that the bank saves as one all-data dump again.
    bool HoldsAllData() const { return m_allData; }
    // The all-data dump of every layer's current data and the kept sequence data,
    // on the global channel of the settings.
    std::vector<std::uint8_t> BuildAllDataDump() const;
    // A new file is loaded: what an earlier one held no longer applies.
    void ForgetAllData();

protected:
    bool AcceptsFunction(std::uint8_t function) const override;

private:
    void LoadAllData(CFile& file);

    CSynthMemory& m_memory;
    bool m_allData = false;
    std::uint8_t m_sequenceSize[2]{};  // the header's two size bytes, as read
    std::vector<std::uint8_t> m_sequenceData;  // unpacked, after the programs
};
