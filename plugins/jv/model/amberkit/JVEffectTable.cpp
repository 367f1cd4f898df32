#include "amberkit/JVEffectTable.h"

#include <cstdio>
#include <initializer_list>
#include <stdexcept>

namespace amberkit {

namespace {

constexpr std::array<std::string_view, 17> kFrequencies{"200",  "250",  "315",  "400",  "500",  "630",
                                                        "800",  "1000", "1250", "1600", "2000", "2500",
                                                        "3150", "4000", "5000", "6300", "8000"};
constexpr std::array<std::string_view, 10> kNoteValues{"16th",        "8th Triplet", "Dotted 16th", "8th",
                                                       "4tr Triplet", "Dotted 8th",  "Quarter",     "Half Triplet",
                                                       "Dotted 4th",  "Half"};

CJVEffectParameter S(std::string_view label, std::initializer_list<std::string_view> values) {
    CJVEffectParameter p{label, "S", {}};
    if (values.size() > p.texts.size()) throw std::logic_error("too many effect values");
    std::size_t i = 0;
    for (const std::string_view v : values) p.texts[i++] = v;
    return p;
}
CJVEffectParameter Freq(std::string_view label) {
    CJVEffectParameter p{label, "S", {}};
    for (std::size_t i = 0; i < kFrequencies.size(); ++i) p.texts[i] = kFrequencies[i];
    return p;
}
CJVEffectParameter Damp(std::string_view label) {
    CJVEffectParameter p = Freq(label);
    p.texts[kFrequencies.size()] = "BYPASS";
    return p;
}
CJVEffectParameter V(std::string_view label, std::string_view from, std::string_view to) {
    return {label, "V", {from, to}};
}
CJVEffectParameter Pan(std::string_view label) { return {label, "L64", {}}; }
CJVEffectParameter K(std::string_view label, std::string_view kind) { return {label, kind, {}}; }
CJVEffectType T(std::string_view name, std::initializer_list<CJVEffectParameter> parameters) {
    CJVEffectType t{name, {}};
    if (parameters.size() > t.parameters.size()) throw std::logic_error("too many effect parameters");
    std::size_t i = 0;
    for (const CJVEffectParameter& s : parameters) t.parameters[i++] = s;
    return t;
}

const std::array<CJVEffectType, kEffectTypeCount> kEffectTypes{{
    T("01:STEREO-EQ",
      {S("Low Frequency:", {"200", "400"}), V("Low Gain:", "-15", "15"), S("High Frequency:", {"4000", "8000"}),
       V("High Gain:", "-15", "15"), Freq("Peaking1 Frequency:"), S("Peaking1 Q:", {"0.5", "1.0", "2.0", "4.0", "9.0"}),
       V("Peaking1 Gain:", "-15", "15"), Freq("Peaking2 Frequency:"),
       S("Peaking2 Q:", {"0.5", "1.0", "2.0", "4.0", "9.0"}), V("Peaking2 Gain:", "-15", "15"),
       V("Output Level:", "0", "127")}),
    T("02:OVERDRIVE",
      {V("Drive:", "0", "127"), Pan("Output Pan:"), S("Amp Type:", {"SMALL", "BUILT-IN", "2STACK", "3STACK"}),
       V("Low Gain:", "-15", "15"), V("High Gain:", "-15", "15"), V("Output Level:", "0", "127")}),
    T("03:DISTORTION",
      {V("Drive:", "0", "127"), Pan("Output Pan:"), S("Amp Type:", {"SMALL", "BUILT-IN", "2STACK", "3STACK"}),
       V("Low Gain:", "-15", "15"), V("High Gain:", "-15", "15"), V("Output Level:", "0", "127")}),
    T("04:PHASER",
      {K("Manual:", "1"), K("Phaser Rate:", "2"), V("Phaser Depth:", "0", "127"), V("Resonance:", "0", "127"),
       V("Mix Level:", "0", "127"), Pan("Output Pan:"), V("Output Level:", "0", "127")}),
    T("05:SPECTRUM", {V("Band 1 Level:", "-15", "15"), V("Band 2 Level:", "-15", "15"), V("Band 3 Level:", "-15", "15"),
                      V("Band 4 Level:", "-15", "15"), V("Band 5 Level:", "-15", "15"), V("Band 6 Level:", "-15", "15"),
                      V("Band 7 Level:", "-15", "15"), V("Band 8 Level:", "-15", "15"), V("Band Width:", "1", "5"),
                      Pan("Output Pan:"), V("Output Level:", "0", "127")}),
    T("06:ENHANCER", {V("Sensitivity:", "0", "127"), V("Mix Level:", "0", "127"), V("Low Gain:", "-15", "15"),
                      V("High Gain:", "-15", "15"), V("Output Level:", "0", "127")}),
    T("07:AUTO-WAH", {S("Filter Type:", {"LPF", "BPF"}), K("LFO Rate:", "2"), V("LFO Depth:", "0", "127"),
                      V("Sensitivity:", "0", "127"), V("Manual:", "0", "127"), V("Peak:", "0", "127"),
                      V("Output Level:", "0", "127")}),
    T("08:ROTARY",
      {K("High Frq. Slow Rate:", "2"), K("Low Frq. Slow Rate:", "2"), K("High Frq. Fast Rate:", "2"),
       K("Low Frq. Fast Rate:", "2"), S("Speed:", {"SLOW", "FAST"}), V("High Frq. Acceleration:", "0", "15"),
       V("Low Frq. Acceleration:", "0", "15"), V("High Frq. Level:", "0", "127"), V("Low Frq. Level:", "0", "127"),
       V("Separation:", "0", "127"), V("Output Level:", "0", "127")}),
    T("09:COMPRESSOR", {V("Sustain Rate:", "0", "127"), V("Attack Rate:", "0", "127"), Pan("Output Pan:"),
                        S("Post Gain:", {"x1", "x2", "x4", "x8"}), V("Low Gain:", "-15", "15"),
                        V("High Gain:", "-15", "15"), V("Output Level:", "0", "127")}),
    T("10:LIMITER",
      {V("Threshold:", "0", "127"), V("Release Time:", "0", "127"), S("Ratio:", {"1.5:1", "2:1", "4:1", "100:1"}),
       Pan("Output Pan:"), S("Post Gain:", {"x1", "x2", "x4", "x8"}), V("Low Gain:", "-15", "15"),
       V("High Gain:", "-15", "15"), V("Output Level:", "0", "127")}),
    T("11:HEXA-CHORUS", {K("Pre Delay Time:", "3"), K("Chorus Rate:", "2"), V("Chorus Depth:", "0", "127"),
                         V("Pre Delay Deviation:", "0", "20"), V("Depth Deviation:", "-20", "20"),
                         V("Pan Deviation:", "0", "20"), K("Effect Balance:", "4"), V("Output Level:", "0", "127")}),
    T("12:TREMOLO-CHORUS", {K("Pre Delay Time:", "3"), K("Chorus Rate:", "2"), V("Chorus Depth:", "0", "127"),
                            K("Tremolo Rate:", "2"), V("Tremolo Separation:", "0", "127"),
                            V("Chorus Phase:", "0", "180"), K("Effect Balance:", "4"), V("Output Level:", "0", "127")}),
    T("13:SPACE-D", {K("Pre Delay Time:", "3"), K("Chorus Rate:", "2"), V("Chorus Depth:", "0", "127"),
                     V("Phase:", "0", "180"), V("Low Gain:", "-15", "15"), V("High Gain:", "-15", "15"),
                     K("Effect Balance:", "4"), V("Output Level:", "0", "127")}),
    T("14:STEREO-CHORUS",
      {S("Filter Type:", {"OFF", "LPF", "HPF"}), Freq("Cutoff Frequency:"), K("Pre Delay Time:", "3"),
       K("Chorus Rate:", "2"), V("Chorus Depth:", "0", "127"), V("Phase:", "0", "180"), V("Low Gain:", "-15", "15"),
       V("High Gain:", "-15", "15"), K("Effect Balance:", "4"), V("Output Level:", "0", "127")}),
    T("15:STEREO-FLANGER", {S("Filter Type:", {"OFF", "LPF", "HPF"}), Freq("Cutoff Frequency:"),
                            K("Pre Delay Time:", "3"), K("LFO Rate:", "2"), V("LFO Depth:", "0", "127"),
                            V("Phase:", "0", "180"), V("Feedback:", "-98", "98"), V("Low Gain:", "-15", "15"),
                            V("High Gain:", "-15", "15"), K("Effect Balance:", "4"), V("Output Level:", "0", "127")}),
    T("16:STEP-FLANGER",
      {K("Pre Delay Time:", "3"), K("LFO Rate:", "2"), V("LFO Depth:", "0", "127"), V("Feedback:", "-98", "98"),
       K("Step Rate:", "5"), V("Phase:", "0", "180"), V("Low Gain:", "-15", "15"), V("High Gain:", "-15", "15"),
       K("Effect Balance:", "4"), V("Output Level:", "0", "127")}),
    T("17:STEREO-DELAY",
      {S("Feedback Mode:", {"NORMAL", "CROSS"}), K("Delay Time Left:", "6"), K("Delay Time Right:", "6"),
       S("Phase Left:", {"NORMAL", "INVERT"}), S("Phase Right:", {"NORMAL", "INVERT"}), V("Feedback:", "-98", "98"),
       Damp("High Frequency Damp:"), V("Low Gain:", "-15", "15"), V("High Gain:", "-15", "15"),
       K("Effect Balance:", "4"), V("Output Level:", "0", "127")}),
    T("18:MODULATION-DELAY",
      {S("Feedback Mode:", {"NORMAL", "CROSS"}), K("Delay Time Left:", "6"), K("Delay Time Right:", "6"),
       V("Feedback:", "-98", "98"), Damp("High Frequency Damp:"), K("Modulation Rate:", "2"),
       V("Modulation Depth:", "0", "127"), V("Phase:", "0", "180"), V("Low Gain:", "-15", "15"),
       V("High Gain:", "-15", "15"), K("Effect Balance:", "4"), V("Output Level:", "0", "127")}),
    T("19:TRIPLE-TAP-DELAY",
      {K("Delay Time Left:", "8"), K("Delay Time Right:", "8"), K("Delay Time Center:", "8"),
       V("Feedback:", "-98", "98"), Damp("High Frequency Damp:"), V("Left Level:", "0", "127"),
       V("Right Level:", "0", "127"), V("Center Level:", "0", "127"), V("Low Gain:", "-15", "15"),
       V("High Gain:", "-15", "15"), K("Effect Balance:", "4"), V("Output Level:", "0", "127")}),
    T("20:QUADRUPLE-TAP-DELAY",
      {K("Delay Time 1:", "8"), K("Delay Time 2:", "8"), K("Delay Time 3:", "8"), K("Delay Time 4:", "8"),
       V("Level 1:", "0", "127"), V("Level 2:", "0", "127"), V("Level 3:", "0", "127"), V("Level 4:", "0", "127"),
       V("Feedback:", "-98", "98"), Damp("High Frequency Damp:"), K("Effect Balance:", "4"),
       V("Output Level:", "0", "127")}),
    T("21:TIME-CONTROL-DELAY",
      {K("Delay Time:", "9"), V("Feedback:", "-98", "98"), V("Acceleration:", "0", "15"), Damp("High Frequency Damp:"),
       Pan("Output Pan:"), V("Low Gain:", "-15", "15"), V("High Gain:", "-15", "15"), K("Effect Balance:", "4"),
       V("Output Level:", "0", "127")}),
    T("22:2VOICE-PITCH-SHIFTER",
      {V("Pitch Shift Mode:", "1", "5"), V("Coarse Pitch A:", "-24", "12"), V("Coarse Pitch B:", "-24", "12"),
       V("Fine Pitch A:", "-100", "100"), V("Fine Pitch B:", "-100", "100"), K("Pre Delay Time A:", "6"),
       K("Pre Delay Time B:", "6"), Pan("Output Pan A:"), Pan("Output Pan B:"), K("Level Balance:", "7"),
       K("Effect Balance:", "4"), V("Output Level:", "0", "127")}),
    T("23:FBK-PITCH-SHIFTER",
      {V("Pitch Shift Mode:", "1", "5"), V("Coarse Pitch:", "-24", "12"), V("Fine Pitch:", "-100", "100"),
       K("Pre Delay Time:", "6"), V("Feedback:", "-98", "98"), Pan("Output Pan:"), V("Low Gain:", "-15", "15"),
       V("High Gain:", "-15", "15"), K("Effect Balance:", "4"), V("Output Level:", "0", "127")}),
    T("24:REVERB",
      {S("Reverb Type:", {"ROOM 1", "ROOM 2", "STAGE 1", "STAGE 2", "HALL 1", "HALL 2"}), K("Pre Delay Time:", "3"),
       V("Reverb Time:", "0", "127"), Damp("High Frequency Damp:"), V("Low Gain:", "-15", "15"),
       V("High Gain:", "-15", "15"), K("Effect Balance:", "4"), V("Output Level:", "0", "127")}),
    T("25:GATE-REVERB", {S("Reverb Type:", {"NORMAL", "REVERSE", "SWEEP 1", "SWEEP 2"}), K("Pre Delay Time:", "3"),
                         V("Gate Time:", "5", "500"), V("Low Gain:", "-15", "15"), V("High Gain:", "-15", "15"),
                         K("Effect Balance:", "4"), V("Output Level:", "0", "127")}),
    T("26:OVERDRIVE->CHORUS",
      {V("Drive:", "0", "127"), Pan("Overdrive Pan:"), K("Chorus Pre Delay:", "3"), K("Chorus Rate:", "2"),
       V("Chorus Depth:", "0", "127"), K("Chorus Balance:", "4"), V("Output Level:", "0", "127")}),
    T("27:OVERDRIVE->FLANGER",
      {V("Drive:", "0", "127"), Pan("Overdrive Pan:"), K("Flanger Pre Delay:", "3"), K("Flanger Rate;", "2"),
       V("Flanger Depth:", "0", "127"), V("Flanger Feedback:", "-98", "98"), K("Flanger Balance:", "4"),
       V("Output Level:", "0", "127")}),
    T("28:OVERDRIVE->DELAY",
      {V("Drive:", "0", "127"), Pan("Overdrive Pan:"), K("Delay Time:", "6"), V("Delay Feedback:", "-98", "98"),
       Damp("Delay HF Damp:"), K("Delay Balance:", "4"), V("Output Level:", "0", "127")}),
    T("29:DISTORTION->CHORUS",
      {V("Drive:", "0", "127"), Pan("Overdrive Pan:"), K("Chorus Pre Delay:", "3"), K("Chorus Rate:", "2"),
       V("Chorus Depth:", "0", "127"), K("Chorus Balance:", "4"), V("Output Level:", "0", "127")}),
    T("30:DISTORTION->FLANGER",
      {V("Drive:", "0", "127"), Pan("Overdrive Pan:"), K("Flanger Pre Delay:", "3"), K("Flanger Rate;", "2"),
       V("Flanger Depth:", "0", "127"), V("Flanger Feedback:", "-98", "98"), K("Flanger Balance:", "4"),
       V("Output Level:", "0", "127")}),
    T("31:DISTORTION->DELAY",
      {V("Drive:", "0", "127"), Pan("Overdrive Pan:"), K("Delay Time:", "6"), V("Delay Feedback:", "-98", "98"),
       Damp("Delay HF Damp:"), K("Delay Balance:", "4"), V("Output Level:", "0", "127")}),
    T("32:ENHANCER->CHORUS",
      {V("Sensitivity:", "0", "127"), V("Mix Level:", "0", "127"), K("Chorus Pre Delay:", "3"), K("Chorus Rate:", "2"),
       V("Chorus Depth:", "0", "127"), K("Chorus Balance:", "4"), V("Output Level:", "0", "127")}),
    T("33:ENHANCER->FLANGER",
      {V("Sensitivity:", "0", "127"), V("Mix Level:", "0", "127"), K("Flanger Pre Delay:", "3"),
       K("Flanger Rate:", "2"), V("Flanger Depth:", "0", "127"), V("Flanger Feedback:", "-98", "98"),
       K("Flanger Balance:", "4"), V("Output Level:", "0", "127")}),
    T("34:ENHANCER->DELAY", {V("Sensitivity:", "0", "127"), V("Mix Level:", "0", "127"), K("Delay Time:", "6"),
                             V("Delay Feedback:", "-98", "98"), Damp("Delay HF Damp:"), K("Delay Balance:", "4"),
                             V("Output Level:", "0", "127")}),
    T("35:CHORUS->DELAY", {K("Chorus Pre Delay:", "3"), K("Chorus Rate:", "2"), V("Chorus Depth:", "0", "127"),
                           K("Chorus Balance:", "4"), K("Delay Time:", "6"), V("Delay Feedback:", "-98", "98"),
                           Damp("Delay HF Damp:"), K("Delay Balance:", "4"), V("Output Level:", "0", "127")}),
    T("36:FLANGER->DELAY", {K("Flanger Pre Delay:", "3"), K("Flanger Rate:", "2"), V("Flanger Depth:", "0", "127"),
                            V("Flanger Feedback:", "-98", "98"), K("Flanger Balance:", "4"), K("Delay Time:", "6"),
                            V("Delay Feedback:", "-98", "98"), Damp("Delay HF Damp:"), K("Delay Balance:", "4"),
                            V("Output Level:", "0", "127")}),
    T("37:CHORUS->FLANGER",
      {K("Chorus Pre Delay:", "3"), K("Chorus Rate:", "2"), V("Chorus Depth:", "0", "127"), K("Chorus Balance:", "4"),
       K("Flanger Pre Delay:", "3"), K("Flanger Rate:", "2"), V("Flanger Depth:", "0", "127"),
       V("Flanger Feedback:", "-98", "98"), K("Flanger Balance:", "4"), V("Output Level:", "0", "127")}),
    T("38:CHORUS/DELAY", {K("Chorus Pre Delay:", "3"), K("Chorus Rate:", "2"), V("Chorus Depth:", "0", "127"),
                          K("Chorus Balance:", "4"), K("Delay Time:", "6"), V("Delay Feedback:", "-98", "98"),
                          Damp("Delay HF Damp:"), K("Delay Balance:", "4"), V("Output Level:", "0", "127")}),
    T("39:FLANGER/DELAY", {K("Flanger Pre Delay:", "3"), K("Flanger Rate:", "2"), V("Flanger Depth:", "0", "127"),
                           V("Flanger Feedback:", "-98", "98"), K("Flanger Balance:", "4"), K("Delay Time:", "6"),
                           V("Delay Feedback:", "-98", "98"), Damp("Delay HF Damp:"), K("Delay Balance:", "4"),
                           V("Output Level:", "0", "127")}),
    T("40:CHORUS/FLANGER",
      {K("Chorus Pre Delay:", "3"), K("Chorus Rate:", "2"), V("Chorus Depth:", "0", "127"), K("Chorus Balance:", "4"),
       K("Flanger Pre Delay:", "3"), K("Flanger Rate:", "2"), V("Flanger Depth:", "0", "127"),
       V("Flanger Feedback:", "-98", "98"), K("Flanger Balance:", "4"), V("Output Level:", "0", "127")}),
}};

// A run of decimal values, accumulated in double precision as the unit's
// documentation counts them, printed with format.
void AddSteps(std::vector<std::string>& out, double start, double step, int count, const char* format) {
    double value = start;
    char text[32];
    for (int i = 0; i < count; ++i, value += step) {
        std::snprintf(text, sizeof text, format, value);
        out.emplace_back(text);
    }
}

void AddIntegers(std::vector<std::string>& out, int from, int to, int step) {
    for (int v = from; v <= to; v += step) out.push_back(std::to_string(v));
}

std::vector<std::string> Rates() {
    std::vector<std::string> out;
    AddSteps(out, 0.05, 0.05, 99, "%.2f");
    AddSteps(out, 5.0, 0.1, 20, "%.1f");
    AddSteps(out, 7.0, 0.5, 7, "%.1f");
    return out;
}

// Two percentages that add up to 100, e.g. "D100:0E" .. "D0:100E".
std::vector<std::string> Balances(char first, char second) {
    std::vector<std::string> out;
    char text[32];
    for (int i = 0; i <= 100; ++i) {
        std::snprintf(text, sizeof text, "%c%d:%d%c", first, 100 - i, i, second);
        out.emplace_back(text);
    }
    return out;
}

void AddNoteValues(std::vector<std::string>& out) {
    for (const std::string_view n : kNoteValues) out.emplace_back(n);
}

int ToInt(std::string_view text) {
    try {
        return std::stoi(std::string(text));
    } catch (const std::exception&) {
        return 0;
    }
}

}  // namespace

int CJVEffectType::GetParameterCount() const {
    int n = 0;
    for (const CJVEffectParameter& s : parameters)
        if (!s.IsEmpty()) ++n;
    return n;
}

const std::array<CJVEffectType, kEffectTypeCount>& GetEffectTypes() { return kEffectTypes; }

std::vector<std::string> GetEffectTypeNames() {
    std::vector<std::string> out;
    for (const CJVEffectType& t : kEffectTypes) out.emplace_back(t.name);
    return out;
}

std::vector<std::string> GetEffectSourceNames() {
    std::vector<std::string> out{"PERFORM"};
    for (int part = 1; part <= 16; ++part)
        if (part != 10) out.push_back(std::to_string(part));
    return out;
}

std::vector<std::string> GetEffectValueList(const CJVEffectParameter& p) {
    std::vector<std::string> out;
    if (p.IsEmpty()) return out;
    const std::string_view kind = p.kind;
    if (kind == "S") {
        for (const std::string_view t : p.texts) {
            if (t.empty()) break;
            out.emplace_back(t);
        }
    } else if (kind == "V") {
        AddIntegers(out, ToInt(p.texts[0]), ToInt(p.texts[1]), 1);
    } else if (kind == "L64") {
        for (int d = 64; d >= 1; --d) out.push_back("L" + std::to_string(d));
        out.emplace_back("0");
        for (int d = 1; d <= 63; ++d) out.push_back("R" + std::to_string(d));
    } else if (kind == "1") {  // frequencies
        AddIntegers(out, 100, 300, 10);
        AddIntegers(out, 320, 1000, 20);
        AddIntegers(out, 1100, 8000, 100);
    } else if (kind == "2") {  // rates
        out = Rates();
    } else if (kind == "3") {  // pre-delay times
        AddSteps(out, 0.0, 0.1, 51, "%.1f");
        AddSteps(out, 5.5, 0.5, 10, "%.1f");
        AddIntegers(out, 11, 100, 1);
    } else if (kind == "4") {
        out = Balances('D', 'E');
    } else if (kind == "5") {  // rates or note values
        out = Rates();
        AddNoteValues(out);
    } else if (kind == "6") {  // delay times
        AddSteps(out, 0.0, 0.1, 51, "%.1f");
        AddSteps(out, 5.5, 0.5, 10, "%.1f");
        AddIntegers(out, 11, 40, 1);
        AddIntegers(out, 50, 300, 10);
        AddIntegers(out, 320, 500, 20);
    } else if (kind == "7") {
        out = Balances('A', 'B');
    } else if (kind == "8") {  // tap delay times or note values
        AddIntegers(out, 200, 550, 5);
        AddIntegers(out, 560, 1000, 10);
        AddNoteValues(out);
    } else if (kind == "9") {  // time-control delay times
        AddIntegers(out, 200, 600, 5);
        AddIntegers(out, 610, 1000, 10);
    }
    return out;
}

}  // namespace amberkit
