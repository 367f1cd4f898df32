#pragma once

// The seven layers of the JV/XP memory: User and Card patches, performances
// and rhythm sets, and the system settings.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include <tonalith/Layer.h>

#include "amberkit/JVRecords.h"

namespace amberkit {

enum class Bank { User = 0, Card = 1 };

// What a layer's loads noticed without failing, for the memory to report.
struct LoadFindings {
    std::vector<std::uint64_t> badChecksums;  // file offsets of messages whose checksum is wrong
    unsigned generations = (1u << kGenerationCount) - 1;  // bit g: every length read fits generation g
    bool lengthsTell = false;  // some message had a length that not every generation uses
};

// Checks one record's messages as they were in the file (bytes, starting at
// offset): each checksum, and which generations send messages of their lengths.
void InspectRecord(std::span<const std::uint8_t> bytes, std::uint64_t offset, const RecordLayout& layout,
                   LoadFindings& findings);

class CJVLayer : public CPatchLayer {
public:
    const GUID& GetLayerGuid() const override { return m_guid; }
    // The common rule (F0 41 .. 6A 12), a message that starts a record, and the
    // areas this layer reads.
    bool MatchesHeader(const CHeader& header) const override;
    // Bank code, record number, block addresses, device byte and checksums of every record.
    void UpdatePatchNumbers() override;
    // Every record in the message lengths of the generation in use.
    void Save(CFile& file) override;
    // Reads this layer's records from the position on, each into the slot its
    // address names; stops before the first message that is not one of its
    // records, and after a temporary record. Throws (nothing changed) when the
    // first record cannot be read; a later failure ends the dump before it.
    void Load(CFile& file) override;
    void Init() override;
    std::string GetPatchLabel(int i) const override;
    // Stores a clone addressed to slot i of this layer.
    void SetPatch(int i, const CPatch& patch) override;

    Bank GetBank() const { return m_bank; }
    CJVRecord& Record(int i) const { return static_cast<CJVRecord&>(*GetPatch(i)); }
    // What the loads since the last call noticed; cleared.
    LoadFindings TakeLoadFindings() { return std::exchange(m_findings, {}); }
    // The generation Save writes; none: the one the settings name.
    void SetSaveGeneration(std::optional<Generation> generation) { m_saveGeneration = generation; }

protected:
    CJVLayer(std::string name, int count, const GUID& guid, Bank bank);

    // The bank code of this layer's records (address byte 5).
    virtual std::uint8_t BankCode() const = 0;
    virtual bool IsOwnArea(std::uint8_t area, std::uint8_t number) const = 0;
    // The slot a record at this address goes to; -1 when there is none.
    virtual int TargetIndex(std::uint8_t area, std::uint8_t number) const = 0;
    // Sends mode select: patch mode for patch layers, performance mode for the others.
    void SendMode(const CSynth& synth, std::uint8_t mode) const;

    GUID m_guid;
    Bank m_bank;
    LoadFindings m_findings;
    std::optional<Generation> m_saveGeneration;
};

class CJVPatchLayer : public CJVLayer {
public:
    explicit CJVPatchLayer(Bank bank);
    void SwitchMode(const CSynth& synth, bool on) override { SendMode(synth, kModePatch); }

protected:
    std::uint8_t BankCode() const override { return m_bank == Bank::Card ? kAreaCardPatch : kAreaUserPatch; }
    bool IsOwnArea(std::uint8_t area, std::uint8_t number) const override;
    int TargetIndex(std::uint8_t area, std::uint8_t number) const override;
};

class CJVPerformanceLayer : public CJVLayer {
public:
    explicit CJVPerformanceLayer(Bank bank);
    void SwitchMode(const CSynth& synth, bool on) override { SendMode(synth, kModePerformance); }

    using CLayer::GetReferencedPatches;
    // The string form lists every part looked at, whatever its group, as the info text shows it.
    void GetReferencedPatches(const CLayer& other, int index, std::vector<std::string>& out) const override;
    CJVPerformance& Performance(int i) const { return static_cast<CJVPerformance&>(*GetPatch(i)); }

protected:
    std::uint8_t BankCode() const override {
        return m_bank == Bank::Card ? kAreaCardPerformance : kAreaUserPerformance;
    }
    bool IsOwnArea(std::uint8_t area, std::uint8_t number) const override;
    int TargetIndex(std::uint8_t area, std::uint8_t number) const override;
    std::vector<int> GetPatchReferences(const CLayer& child, int index) const override;
    void AdaptLayer(const CLayer& child, std::span<const std::uint32_t> map, bool undo) override;

private:
    // Child 0..3: User Patch, Card Patch, User Rhythm, Card Rhythm; -1 for another layer.
    int ChildIndex(const CLayer& child) const;
    // The parts that refer into child c: part 10 for rhythm layers, the others for patch layers.
    static std::vector<int> PartsFor(int childIndex);
};

class CJVRhythmLayer : public CJVLayer {
public:
    explicit CJVRhythmLayer(Bank bank);
    void SwitchMode(const CSynth& synth, bool on) override { SendMode(synth, kModePerformance); }

protected:
    std::uint8_t BankCode() const override {
        return m_bank == Bank::Card ? kAreaCardPerformance : kAreaUserPerformance;
    }
    bool IsOwnArea(std::uint8_t area, std::uint8_t number) const override;
    int TargetIndex(std::uint8_t area, std::uint8_t number) const override;
};

class CJVSystemLayer : public CJVLayer {
public:
    CJVSystemLayer();
    void SwitchMode(const CSynth&, bool) override {}
    void UpdatePatchNumbers() override;
    std::string GetPatchLabel(int i) const override { return "01 System"; }

protected:
    std::uint8_t BankCode() const override { return kAreaSystem; }
    bool IsOwnArea(std::uint8_t area, std::uint8_t number) const override;
    int TargetIndex(std::uint8_t area, std::uint8_t number) const override { return 0; }
};

}  // namespace amberkit
