#pragma once

// A patch type for library tests and benchmarks: raw data with the name in its
// first bytes; equality and fingerprint cover the bytes behind the name.

#include <algorithm>
#include <memory>
#include <string>

#include "File.h"
#include "Guid.h"
#include "Library.h"
#include "Patch.h"

namespace tonalith::test {

// The types the older library format implies, with their plug-ins' data sizes.
inline constexpr GUID kJvPatchType{0x07EBB663, 0x08B4, 0x11D3, {0x94, 0x6D, 0x00, 0x1D, 0x07, 0xC1, 0x00, 0x00}};
inline constexpr GUID kKorgProgramType{0x43024212, 0xF88A, 0x11D2, {0x98, 0x47, 0x00, 0x60, 0x08, 0xCC, 0x23, 0xFE}};
inline constexpr GUID kTinyType{0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
// Known to the creator but never equal to anything (the default IsEqual).
inline constexpr GUID kNoCompareType{0x44444444, 0x5555, 0x6666, {9, 9, 9, 9, 9, 9, 9, 9}};
inline constexpr GUID kUnknownType{0xDEADBEEF, 0x0001, 0x0002, {0xA, 0xB, 0xC, 0xD, 0xE, 0xF, 0x1, 0x2}};

class CTestPatch : public CPatch {
public:
    CTestPatch(const GUID& type, std::string typeName, int dataSize, bool comparable = true)
        : CPatch(std::move(typeName), 10, dataSize, 0), m_type(type), m_comparable(comparable) {
        CTestPatch::Init();
    }

    const GUID& GetPatchType() const override { return m_type; }
    void Init() override {
        std::fill(m_data.begin(), m_data.end(), std::uint8_t{0});
        SetName("Init");
    }
    // Unlike most synths, the name is NUL-padded, so names read back as written.
    void SetName(const std::string& name) override {
        for (std::size_t i = 0; i < static_cast<std::size_t>(GetNameLength()) && i < m_data.size(); ++i)
            m_data[i] = i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0;
    }
    void Save(CFile& file) const override { file.Write(m_data.data(), m_data.size()); }
    void Load(CFile& file) override { file.ReadExact(m_data.data(), m_data.size()); }
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<CTestPatch>(*this); }
    bool Edit() override { return false; }
    std::vector<std::uint8_t> GetSysExData(bool) const override { return {}; }
    bool IsEqual(const CPatch& other) const override {
        if (!m_comparable || other.GetPatchType() != m_type || other.GetDataSize() != GetDataSize()) return false;
        return std::equal(Sound().begin(), Sound().end(), other.Data().begin() + GetNameLength());
    }
    std::optional<std::uint64_t> GetFingerprint() const override {
        if (!m_comparable) return std::nullopt;
        return HashBytes(Sound());
    }

private:
    std::span<const std::uint8_t> Sound() const {
        const auto skip = std::min<std::size_t>(static_cast<std::size_t>(GetNameLength()), m_data.size());
        return Data().subspan(skip);
    }

    GUID m_type;
    bool m_comparable;
};

inline std::unique_ptr<CPatch> CreateTestPatch(const GUID& type) {
    if (type == kJvPatchType) return std::make_unique<CTestPatch>(type, "Patch", 645);
    if (type == kKorgProgramType) return std::make_unique<CTestPatch>(type, "Program", 172);
    if (type == kTinyType) return std::make_unique<CTestPatch>(type, "tiny", 12);
    if (type == kNoCompareType) return std::make_unique<CTestPatch>(type, "Opaque", 16, false);
    return nullptr;
}

inline PatchCreator TestCreator() { return CreateTestPatch; }

}  // namespace tonalith::test
