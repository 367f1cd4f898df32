#pragma once

// The multi-effect (EFX) of patches and performances: 40 types with up to 12
// parameters each. The editors show one selector per parameter; the stored
// byte is the index into the parameter's value list.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace amberkit {

inline constexpr int kEffectTypeCount = 40;
inline constexpr int kEffectSlotCount = 12;
inline constexpr int kEffectMaxValueTexts = 19;
// Data offset of the EFX type inside the common message; parameters 1..12 follow.
inline constexpr int kPatchEffectOffset = 12;
inline constexpr int kPerformanceEffectOffset = 13;

// One parameter slot. Kinds: "S" the listed texts; "V" the integers from the
// first text to the second; "L64" pan positions; "1".."9" generated lists of
// frequencies, rates, times and balances.
struct CJVEffectParameter {
    std::string_view label;  // empty: unused slot, its selector is hidden
    std::string_view kind;
    std::array<std::string_view, kEffectMaxValueTexts> texts{};

    bool IsEmpty() const { return label.empty(); }
};

struct CJVEffectType {
    std::string_view name;  // "01:STEREO-EQ"
    std::array<CJVEffectParameter, kEffectSlotCount> parameters{};

    int GetParameterCount() const;
};

// The 40 types, type 1 first.
const std::array<CJVEffectType, kEffectTypeCount>& GetEffectTypes();
// The texts of the type selector.
std::vector<std::string> GetEffectTypeNames();
// The texts of a performance's EFX source selector: "PERFORM" and the parts but 10.
std::vector<std::string> GetEffectSourceNames();
// The texts a parameter's selector shows, index 0 first (empty for an unused slot).
std::vector<std::string> GetEffectValueList(const CJVEffectParameter& parameter);

}  // namespace amberkit
