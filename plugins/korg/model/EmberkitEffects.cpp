#include "EmberkitEffects.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace emberkit {

namespace {

std::string Format(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A run of values by count, so no rounding error adds or drops an entry.
void AddSteps(std::vector<std::string>& out, double start, double step, int count, const char* format) {
    for (int i = 0; i < count; ++i) out.push_back(Format(format, start + step * i));
}

const char* const kTypeNames[kEffectTypeCount] = {
    "00: No Effect",     "01: Hall",          "02: Ensemble Hall", "03: Concert Hall",  "04: Room",
    "05: Large Room",    "06: Live Stage",    "07: Wet Plate",     "08: Dry Plate",     "09: Spring",
    "10: Early Ref 1",   "11: Early Ref 2",   "12: Early Ref 3",   "13: Stereo Delay",  "14: Cross Delay",
    "15: Dual Delay",    "16: Multitap Dly1", "17: Multitap Dly2", "18: Multitap Dly3", "19: Chorus 1",
    "20: Chorus 2",      "21: Quad. Chorus",  "22: XOver Chorus",  "23: Harmonic Cho",  "24: Symphonic Ens",
    "25: Flanger 1",     "26: Flanger 2",     "27: XOver Flanger", "28: Exciter",       "29: Enhancer",
    "30: Distortion",    "31: Over Drive",    "32: Phaser 1",      "33: Phaser 2",      "34: Rotary Speakr",
    "35: Auto Pan",      "36: Tremolo",       "37: Parametric EQ", "38: Chorus Delay",  "39: Flanger-Delay",
    "40: Delay/Hall",    "41: Delay/Room",    "42: Delay/Chorus",  "43: Delay/Flanger", "44: Delay/Dist",
    "45: Delay/OverDrv", "46: Delay/Phaser",  "47: Delay/R.SP",
};

constexpr int kFirstReverb = 1;
constexpr int kLastReverb = 9;
constexpr int kFirstDelay = 13;
constexpr int kLastDelay = 15;

std::vector<EffectTypeInfo> MakeTypes() {
    std::vector<EffectTypeInfo> types(kEffectTypeCount);
    for (int t = 0; t < kEffectTypeCount; ++t) {
        EffectTypeInfo& type = types[static_cast<std::size_t>(t)];
        type.name = kTypeNames[t];
        // Without a published list a parameter is shown by its number and raw value.
        for (int i = 0; i < kEffectParameterCount; ++i)
            type.parameters[static_cast<std::size_t>(i)].label =
                t == 0 ? std::string() : "Parameter " + std::to_string(i + 1) + ":";
    }
    // The labels published for the reverbs and the delays; their value ranges are not.
    static const char* const kReverb[] = {
        "Reverb Time:", "High Damp:", "Pre Delay:", "ER Level:", "EQ High:", "EQ Low:"};
    for (int t = kFirstReverb; t <= kLastReverb; ++t) {
        types[static_cast<std::size_t>(t)].published = true;
        for (std::size_t i = 0; i < std::size(kReverb); ++i)
            types[static_cast<std::size_t>(t)].parameters[i].label = kReverb[i];
    }
    for (int t = kFirstDelay; t <= kLastDelay; ++t) {
        types[static_cast<std::size_t>(t)].published = true;
        types[static_cast<std::size_t>(t)].parameters[0].label = "Delay Time L:";
        types[static_cast<std::size_t>(t)].parameters[1].label = "Delay Time R:";
    }
    return types;
}

}  // namespace

EffectValueKind EffectParameterDescriptor::KindOf(char letter) {
    switch (letter) {
    case '1': return EffectValueKind::Times;
    case '2': return EffectValueKind::Balance;
    case 'F': return EffectValueKind::Range;
    case 'S': return EffectValueKind::Strings;
    default: return EffectValueKind::Raw;
    }
}

const std::vector<EffectTypeInfo>& EffectTypes() {
    static const std::vector<EffectTypeInfo> types = MakeTypes();
    return types;
}

std::vector<std::string> EffectTypeNames() { return {std::begin(kTypeNames), std::end(kTypeNames)}; }

const std::vector<std::string>& ModulationSources() {
    // The sources published; the instrument has further combinations whose names are not.
    static const std::vector<std::string> sources{"NONE",   "JS(+Y)", "JS(-Y)", "AFTT",   "PEDAL1", "PEDAL2",
                                                  "VDA-EG", "SLIDER", "S+J(+)", "S+J(-)", "S+AFTT", "S+PDL1"};
    return sources;
}

std::vector<std::string> EffectTimeValues() {
    std::vector<std::string> values;
    AddSteps(values, 0.03, 0.03, 100, "%.2f");  // 0.03 .. 3.00
    AddSteps(values, 3.1, 0.1, 99, "%.1f");  // 3.1 .. 12.9
    AddSteps(values, 13.0, 1.0, 18, "%.1f");  // 13.0 .. 30.0
    return values;
}

std::vector<std::string> EffectBalanceValues() {
    std::vector<std::string> values;
    char text[8];
    for (int i = 10; i >= 0; --i) values.push_back((std::snprintf(text, sizeof text, "T+%02d", i), text));
    for (int i = 1; i <= 10; ++i) values.push_back((std::snprintf(text, sizeof text, "T-%02d", i), text));
    for (int i = 10; i >= 1; --i) values.push_back((std::snprintf(text, sizeof text, "S-%02d", i), text));
    for (int i = 0; i <= 10; ++i) values.push_back((std::snprintf(text, sizeof text, "S+%02d", i), text));
    return values;
}

std::vector<std::string> EffectRangeValues(double start, double end, double step) {
    if (step == 0) step = 0.1;
    std::vector<std::string> values;
    if ((end - start) / step < 0) return values;
    // A descriptor's range is short; the bound keeps a damaged one from running away.
    const double span = std::floor((end - start) / step + 1e-6);
    const int count = static_cast<int>(std::min(span, 1000.0)) + 1;
    AddSteps(values, start, step, count, "%.1f");
    return values;
}

std::vector<std::string> EffectValueList(const EffectParameterDescriptor& descriptor) {
    switch (descriptor.kind) {
    case EffectValueKind::Times: return EffectTimeValues();
    case EffectValueKind::Balance: return EffectBalanceValues();
    case EffectValueKind::Range: return EffectRangeValues(descriptor.start, descriptor.end, descriptor.step);
    case EffectValueKind::Strings: return descriptor.strings;
    case EffectValueKind::Raw: break;
    }
    return {};
}

}  // namespace emberkit
