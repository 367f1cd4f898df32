#pragma once

// A memory of one plain layer of any number of patches, for view tests and the
// benchmark; nothing of a plug-in is needed to make it.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "File.h"
#include "Header.h"
#include "Layer.h"
#include "Patch.h"
#include "Synth.h"
#include "SynthMemory.h"

namespace gridtest {

inline constexpr GUID kGridMemory{0x6A1D0001, 1, 1, {9, 9, 9, 9, 9, 9, 9, 1}};
inline constexpr GUID kGridLayer{0x6A1D0002, 1, 1, {9, 9, 9, 9, 9, 9, 9, 2}};
inline constexpr GUID kGridPatch{0x6A1D0003, 1, 1, {9, 9, 9, 9, 9, 9, 9, 3}};

class CGridPatch final : public CPatch {
public:
    CGridPatch() : CPatch("Grid Patch", 8, 16, 18) { Init(); }
    CGridPatch(const CGridPatch&) = default;
    const GUID& GetPatchType() const override { return kGridPatch; }
    void Init() override {
        std::fill(m_data.begin(), m_data.end(), 0);
        SetName("Init");
    }
    void Save(CFile& file) const override { file.Write(m_data.data(), m_data.size()); }
    void Load(CFile& file) override { file.ReadExact(m_data.data(), m_data.size()); }
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<CGridPatch>(*this); }
    std::vector<std::uint8_t> GetSysExData(bool) const override { return {}; }
};

class CGridLayer final : public CPatchLayer {
public:
    explicit CGridLayer(int count) : CPatchLayer("Grid", count) {
        for (int i = 0; i < count; ++i) {
            auto patch = std::make_unique<CGridPatch>();
            char name[16];
            std::snprintf(name, sizeof name, "P%03d", i);
            patch->SetName(name);
            AddPatch(std::move(patch));
        }
    }
    const GUID& GetLayerGuid() const override { return kGridLayer; }
    bool MatchesHeader(const CHeader&) const override { return false; }
    void UpdatePatchNumbers() override {}
    void Save(CFile& file) override {
        for (int i = 0; i < GetPatchCount(); ++i) GetPatch(i)->Save(file);
    }
    void Load(CFile&) override {}
    void SwitchMode(const CSynth&, bool) override {}
    std::string GetPatchLabel(int i) const override { return GetPatch(i)->GetName(); }
    std::string GetInfoForPatch(int i) const override { return "Patch " + std::to_string(i); }
};

class CGridMemory final : public CSynthMemory {
public:
    explicit CGridMemory(int count) : m_count(count) { AddLayer(std::make_unique<CGridLayer>(count)); }
    const GUID& GetMemoryGuid() const override { return kGridMemory; }
    std::unique_ptr<CSynthMemory> CreateMemory() const override { return std::make_unique<CGridMemory>(m_count); }
    std::string GetName() const override { return "Grid"; }
    CSynth* GetSynth() const override { return nullptr; }
    std::string GetVersion() const override { return "1"; }
    std::unique_ptr<CHeader> ReadHeader(CFile&) const override { return nullptr; }

private:
    int m_count;
};

}  // namespace gridtest
