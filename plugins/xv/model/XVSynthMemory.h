#pragma once

// The XV synth memory: four user layers (performances, patches, rhythm sets,
// system) and the performance import tool.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "Header.h"
#include "Layer.h"
#include "SynthMemory.h"
#include "XVRecords.h"

class CXVHeader : public CHeader {
public:
    CXVHeader();
};

namespace xv {

// Where a record whose first message has this header goes in its layer: the
// index, and whether it is a single edit-buffer record (loading stops after it).
struct LoadTarget {
    int index;
    bool single;
};

bool MatchesPatchHeader(std::span<const std::uint8_t> header);
bool MatchesPerformanceHeader(std::span<const std::uint8_t> header);
bool MatchesRhythmHeader(std::span<const std::uint8_t> header);
bool MatchesSystemHeader(std::span<const std::uint8_t> header);

// User records go to the slot their address names; the temporary patch to
// patch 1, a performance part's temporary patch to the part's number (1..32);
// the temporary performance to performance 1 and every temporary rhythm set to
// rhythm set 1.
std::optional<LoadTarget> PatchTarget(std::span<const std::uint8_t> header);
std::optional<LoadTarget> PerformanceTarget(std::span<const std::uint8_t> header);
std::optional<LoadTarget> RhythmTarget(std::span<const std::uint8_t> header);

// The mode messages the layers send before and after editing.
std::span<const std::uint8_t> PatchModeMessages();
std::span<const std::uint8_t> PerformanceModeMessage();

}  // namespace xv

// What the layers share: records of one type at fixed user addresses.
class CXVLayer : public CPatchLayer {
public:
    CXVLayer(std::string name, int count, xv::RecordKind kind);

    bool MatchesHeader(const CHeader& header) const override;
    void UpdatePatchNumbers() override;
    void Save(CFile& file) override;
    void Load(CFile& file) override;
    std::string GetPatchLabel(int i) const override;

    CXVRecord& GetRecord(int i) const { return static_cast<CXVRecord&>(*GetPatch(i)); }
    // Offsets of the messages with a wrong checksum the loads since the last call
    // read (their data was kept); cleared.
    std::vector<std::uint64_t> TakeBadChecksums() { return std::exchange(m_badChecksums, {}); }

protected:
    virtual bool Matches(std::span<const std::uint8_t> header) const = 0;
    virtual std::optional<xv::LoadTarget> Target(std::span<const std::uint8_t> header) const = 0;
    // Area and record number byte of user record i.
    virtual std::pair<std::uint8_t, std::uint8_t> UserAddress(int i) const = 0;
    virtual void AfterRecordLoaded(CXVRecord& record, CFile& file) {}
    virtual void SaveRecord(const CXVRecord& record, CFile& file) const { record.Save(file); }

    xv::RecordKind m_kind;
    std::vector<std::uint64_t> m_badChecksums;
};

class CXVPatchLayer : public CXVLayer {
public:
    CXVPatchLayer();
    const GUID& GetLayerGuid() const override { return xv::kPatchLayerGuid; }
    void UpdatePatchNumbers() override;
    // Sends the patch mode messages only when leaving the editor (on is false).
    void SwitchMode(const CSynth& synth, bool on) override;

protected:
    bool Matches(std::span<const std::uint8_t> h) const override { return xv::MatchesPatchHeader(h); }
    std::optional<xv::LoadTarget> Target(std::span<const std::uint8_t> h) const override { return xv::PatchTarget(h); }
    std::pair<std::uint8_t, std::uint8_t> UserAddress(int i) const override;
    void AfterRecordLoaded(CXVRecord& record, CFile& file) override;
    void SaveRecord(const CXVRecord& record, CFile& file) const override;
};

class CXVPerformanceLayer : public CXVLayer {
public:
    CXVPerformanceLayer();
    const GUID& GetLayerGuid() const override { return xv::kPerformanceLayerGuid; }
    void SwitchMode(const CSynth& synth, bool on) override;
    std::string GetInfoForPatch(int i) const override;

    CXVPerformance& GetPerformance(int i) const { return static_cast<CXVPerformance&>(*GetPatch(i)); }

protected:
    bool Matches(std::span<const std::uint8_t> h) const override { return xv::MatchesPerformanceHeader(h); }
    std::optional<xv::LoadTarget> Target(std::span<const std::uint8_t> h) const override {
        return xv::PerformanceTarget(h);
    }
    std::pair<std::uint8_t, std::uint8_t> UserAddress(int i) const override;
    std::vector<int> GetPatchReferences(const CLayer& child, int index) const override;
    void AdaptLayer(const CLayer& child, std::span<const std::uint32_t> map, bool undo) override;

private:
    // The bank select MSB of the user sounds a child layer holds (patch or rhythm set); 0 for another layer.
    std::uint8_t UserMsbFor(const CLayer& child) const;
};

class CXVRhythmLayer : public CXVLayer {
public:
    CXVRhythmLayer();
    const GUID& GetLayerGuid() const override { return xv::kRhythmLayerGuid; }
    void SwitchMode(const CSynth&, bool) override {}

protected:
    bool Matches(std::span<const std::uint8_t> h) const override { return xv::MatchesRhythmHeader(h); }
    std::optional<xv::LoadTarget> Target(std::span<const std::uint8_t> h) const override { return xv::RhythmTarget(h); }
    std::pair<std::uint8_t, std::uint8_t> UserAddress(int i) const override;
};

class CXVSystemLayer : public CXVLayer {
public:
    CXVSystemLayer();
    const GUID& GetLayerGuid() const override { return xv::kSystemLayerGuid; }
    void SwitchMode(const CSynth&, bool) override {}
    std::string GetPatchLabel(int) const override { return "01 System"; }

protected:
    bool Matches(std::span<const std::uint8_t> h) const override { return xv::MatchesSystemHeader(h); }
    std::optional<xv::LoadTarget> Target(std::span<const std::uint8_t> h) const override;
    std::pair<std::uint8_t, std::uint8_t> UserAddress(int) const override { return {xv::kAreaSystem, 0}; }
};

class CXVSynthMemory : public CSynthMemory {
    DECLARE_DYNCREATE(CXVSynthMemory)
public:
    // Layer order as the application shows it.
    enum { kPerformanceLayer = 0, kPatchLayer = 1, kRhythmLayer = 2, kSystemLayer = 3 };

    CXVSynthMemory();

    const GUID& GetMemoryGuid() const override { return xv::kMemoryGuid; }
    std::unique_ptr<CSynthMemory> CreateMemory() const override;
    std::string GetName() const override { return "Roland XV"; }
    CSynth* GetSynth() const override;
    std::string GetVersion() const override { return "0.2"; }
    unsigned GetToolbarId() const override { return 600; }
    std::unique_ptr<CHeader> ReadHeader(CFile& file) const override;
    // Also reports every message whose checksum is wrong (its data is kept).
    void Load(CFile& file) override;

    CXVPerformanceLayer& GetPerformanceLayer() const {
        return static_cast<CXVPerformanceLayer&>(GetLayer(kPerformanceLayer));
    }
    CXVPatchLayer& GetPatchLayer() const { return static_cast<CXVPatchLayer&>(GetLayer(kPatchLayer)); }
    CXVRhythmLayer& GetRhythmLayer() const { return static_cast<CXVRhythmLayer&>(GetLayer(kRhythmLayer)); }
    CXVSystemLayer& GetSystemLayer() const { return static_cast<CXVSystemLayer&>(GetLayer(kSystemLayer)); }
};
