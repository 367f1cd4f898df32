#pragma once

// The 01/W effect types: their names, the modulation sources, and per type the
// eight parameter labels with the descriptor that says how a parameter's value
// reads. Only what published material gives is named; the rest shows its raw
// number.

#include <array>
#include <string>
#include <vector>

namespace emberkit {

// How a parameter's value list is made.
enum class EffectValueKind {
    Raw,  // no published list: the stored number itself
    Times,  // "1": 0.03..3.00, 3.1..12.9, 13.0..30.0
    Balance,  // "2": T+10..T-10, S-10..S+10 (42 entries)
    Range,  // "F": start to end by step, one decimal
    Strings,  // "S": the effect's own texts
};

struct EffectParameterDescriptor {
    std::string label;  // up to 30 characters; empty: the parameter is hidden
    EffectValueKind kind = EffectValueKind::Raw;
    double start = 0;
    double end = 0;
    double step = 0;
    std::vector<std::string> strings;

    // A descriptor's kind letter ("1", "2", "F", "S"; anything else is Raw).
    static EffectValueKind KindOf(char letter);
};

struct EffectTypeInfo {
    std::string name;  // "01: Hall"
    std::array<EffectParameterDescriptor, 8> parameters;
    // Whether published material names this type's parameters (all or some).
    bool published = false;
};

inline constexpr int kEffectTypeCount = 48;
inline constexpr int kEffectParameterCount = 8;
// The stored range of a parameter without a published list.
inline constexpr int kRawEffectMaximum = 255;

const std::vector<EffectTypeInfo>& EffectTypes();
std::vector<std::string> EffectTypeNames();
const std::vector<std::string>& ModulationSources();

// The value texts of a descriptor, in stored order; empty for Raw.
std::vector<std::string> EffectValueList(const EffectParameterDescriptor& descriptor);
std::vector<std::string> EffectTimeValues();
std::vector<std::string> EffectBalanceValues();
std::vector<std::string> EffectRangeValues(double start, double end, double step);

}  // namespace emberkit
