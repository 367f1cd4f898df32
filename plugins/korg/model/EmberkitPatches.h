#pragma once

// The four patch types of the Korg 01/W: programs, combinations, drum kits and
// the global data. Their Edit opens the editor the plug-in's editors install
// (EmberkitEditing.h); without one, the framework's.

#include <memory>
#include <string>

#include "EmberkitFormat.h"
#include "Patch.h"

// Every 01/W patch keeps its raw data in libraries, so whatever is filed there
// comes back as it was.
class CEmberkitLayer;

class CEmberkitPatch : public CPatch {
public:
    using CPatch::CPatch;
    void Save(CFile& file) const override;
    void Load(CFile& file) override;
    bool Edit() override;
    const CParameterTable* GetParameterTable() const override;
    // The layer stores the patch at index.
    virtual void SetPlace(const CEmberkitLayer* layer, int index) {}
};

// A program or combination: it knows its place in the instrument (0-199), the
// number its layer gives it, so Write can store it there.
class CEmberkitNumberedPatch : public CEmberkitPatch {
public:
    using CEmberkitPatch::CEmberkitPatch;
    int GetPatchNumber() const { return m_number; }
    void SetPatchNumber(int number) { m_number = number; }
    void SetPlace(const CEmberkitLayer*, int index) override { m_number = index; }

protected:
    // Sends the patch to the edit buffer and, for a write, then asks the
    // instrument to store it at its number.
    void SendAndWrite(const CSynth& synth, bool temporary, std::uint8_t writeFunction) const;

    int m_number = 0;
};

class CEmberkitProgram : public CEmberkitNumberedPatch {
public:
    CEmberkitProgram();

    const GUID& GetPatchType() const override { return emberkit::kProgramPatchGuid; }
    void Init() override;
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<CEmberkitProgram>(*this); }
    std::string GetInfoForPatch() const override;
    std::vector<std::uint8_t> GetSysExData(bool temporary) const override;
    bool IsEqual(const CPatch& other) const override;
    std::optional<std::uint64_t> GetFingerprint() const override;
    void Send(const CSynth& synth, bool temporary) const override;
};

class CEmberkitCombination : public CEmberkitNumberedPatch {
public:
    CEmberkitCombination();

    const GUID& GetPatchType() const override { return emberkit::kCombinationPatchGuid; }
    void Init() override;
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<CEmberkitCombination>(*this); }
    std::vector<std::uint8_t> GetSysExData(bool temporary) const override;
    void Send(const CSynth& synth, bool temporary) const override;

    // The program timbre t (0-7) plays.
    int GetTimbreProgram(int t) const;
    void SetTimbreProgram(int t, int program);
};

// A drum kit carries no name of its own; the instrument takes kits only as a
// whole layer.
class CEmberkitDrumKit : public CEmberkitPatch {
public:
    CEmberkitDrumKit();

    const GUID& GetPatchType() const override { return emberkit::kDrumPatchGuid; }
    void Init() override;
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<CEmberkitDrumKit>(*this); }
    void SetName(const std::string&) override {}
    std::string GetName() const override { return "Drum Kit"; }
    std::vector<std::uint8_t> GetSysExData(bool temporary) const override;
    void SetPlace(const CEmberkitLayer* layer, int index) override {
        m_kits = layer;
        m_slot = index;
    }

    // Where the kit lies in its bank (0-3, shown A00, A01, B00, B01).
    int GetSlot() const { return m_slot; }
    // The drum kits dump that puts this kit into slot (0-3) and keeps the other
    // kits of its layer (a kit without a layer: initial kits); empty for a slot
    // outside 0-3. The instrument takes drum kits only this way.
    std::vector<std::uint8_t> BuildDumpIntoSlot(int slot, int channel) const;

private:
    const CEmberkitLayer* m_kits = nullptr;
    int m_slot = 0;
};

class CEmberkitGlobal : public CEmberkitPatch {
public:
    CEmberkitGlobal();

    const GUID& GetPatchType() const override { return emberkit::kGlobalPatchGuid; }
    // The global data has no initial values: Init keeps what is there.
    void Init() override {}
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<CEmberkitGlobal>(*this); }
    void SetName(const std::string&) override {}
    std::string GetName() const override { return "Global"; }
    std::vector<std::uint8_t> GetSysExData(bool temporary) const override;
};
