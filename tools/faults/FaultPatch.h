#pragma once

// A plain patch type for the fault tests and their saver: raw bytes with the
// name in front, so a library of any size can be built without a plug-in.

#include <algorithm>
#include <memory>
#include <string>

#include "File.h"
#include "Guid.h"
#include "Library.h"
#include "Patch.h"

namespace tonalith::faults {

inline constexpr GUID kFaultPatchType{0x5A17F00D, 0x1234, 0x5678, {1, 3, 5, 7, 9, 11, 13, 15}};
inline constexpr int kFaultPatchSize = 400;

class CFaultPatch : public CPatch {
public:
    CFaultPatch() : CPatch("Fault Patch", 12, kFaultPatchSize, 0) { CFaultPatch::Init(); }
    const GUID& GetPatchType() const override { return kFaultPatchType; }
    void Init() override {
        std::fill(m_data.begin(), m_data.end(), std::uint8_t{0});
        SetName("Init");
    }
    void SetName(const std::string& name) override {
        for (std::size_t i = 0; i < static_cast<std::size_t>(GetNameLength()); ++i)
            m_data[i] = i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0;
    }
    void Save(CFile& file) const override { file.Write(m_data.data(), m_data.size()); }
    void Load(CFile& file) override { file.ReadExact(m_data.data(), m_data.size()); }
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<CFaultPatch>(*this); }
    bool Edit() override { return false; }
    std::vector<std::uint8_t> GetSysExData(bool) const override { return {}; }
    void Fill(std::uint8_t value) { std::fill(m_data.begin() + GetNameLength(), m_data.end(), value); }
};

inline PatchCreator FaultCreator() {
    return [](const GUID& type) -> std::unique_ptr<CPatch> {
        if (type != kFaultPatchType) return nullptr;
        return std::make_unique<CFaultPatch>();
    };
}

// A library of count entries that all carry the generation: in the comment and
// in every data byte, so a file mixing two saves shows at once.
inline void FillLibrary(CLibrary& library, int count, int generation) {
    library.RemoveAll();
    CFaultPatch patch;
    patch.Fill(static_cast<std::uint8_t>(generation));
    for (int i = 0; i < count; ++i) {
        const int index = library.Add(patch);
        library.Get(index).Set("P" + std::to_string(i), nullptr, "generation " + std::to_string(generation),
                               "01.02.2003 04:05");
    }
}

}  // namespace tonalith::faults
