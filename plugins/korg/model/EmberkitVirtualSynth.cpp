#include "EmberkitVirtualSynth.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "EmberkitEditing.h"
#include "EmberkitFormat.h"
#include "EmberkitLayers.h"
#include "EmberkitSynth.h"
#include "EmberkitSynthMemory.h"
#include "Ui.h"

namespace emberkit::vsynth {

namespace {

// One parameter change with the value: "F0 42 30 2B 41 a b c XX YY F7".
std::string Change(const char* address) { return std::string("F0 42 30 2B 41 ") + address + " XX YY F7"; }
// The same with a fixed value: "F0 42 30 2B 41 a b c lo hi F7".
std::string Fixed(const char* addressAndValue) { return std::string("F0 42 30 2B 41 ") + addressAndValue + " F7"; }
std::string Join(std::initializer_list<std::string> messages) {
    std::string text;
    for (const std::string& m : messages) text += (text.empty() ? "" : " ") + m;
    return text;
}

// Filter and amp envelopes: both oscillators' pages (02/03, 04/05).
std::string Both(const char* first, const char* second, const char* rest) {
    return Join(
        {Change((std::string(first) + " " + rest).c_str()), Change((std::string(second) + " " + rest).c_str())});
}
std::string Sustain(const char* first, const char* second) {
    return Join({Change((std::string(first) + " 05 03").c_str()), Change((std::string(first) + " 05 05").c_str()),
                 Change((std::string(second) + " 05 03").c_str()), Change((std::string(second) + " 05 05").c_str())});
}
// The oscillator 2 pitch envelope starts at 0 whatever the knob.
std::string PitchEg(const char* parameter) {
    return Join({Fixed("00 05 00 00 00"), Change((std::string("00 05 ") + parameter).c_str())});
}

ControlSpec Knob(int id, std::string section, std::string caption, std::string text, int minimum = 0, int maximum = 99,
                 int defaultValue = 0, Handler handler = Handler::Plain) {
    return {id, std::move(section), std::move(caption), {}, std::move(text), handler, minimum, maximum, defaultValue,
            0};
}
ControlSpec Selector(int id, std::string section, std::string caption, std::vector<std::string> choices,
                     std::string text, Handler handler = Handler::Plain, int firstValue = 0) {
    const int last = firstValue + static_cast<int>(choices.size()) - 1;
    return {id, std::move(section), std::move(caption), std::move(choices), std::move(text), handler, firstValue, last,
            0,  firstValue};
}

std::vector<ControlSpec> MakeControls() {
    const std::vector<std::string> pulses{"SAW", "PULS 25 %", "PULS 16 %", "PULS 8 %", "PULS 4 %"};
    std::vector<std::string> withNoise = pulses;
    withNoise.push_back("NOISE");
    const std::vector<std::string> lfoWaves{"TRI", "SAW", "SQR", "RND"};
    return {
        Selector(3036, "Osc A", "Wave", pulses, Change("00 02 00")),
        Selector(3037, "Osc A", "Octave", {"4'", "8'", "16'", "32'"}, Join({Change("00 02 04"), Change("00 03 04")})),
        Knob(3018, "Mix", "Mix", Change("00 02 03"), 0, 99, 50, Handler::Mix),
        Knob(3000, "Filter", "Cutoff", Join({Change("02 00 00"), Change("03 00 00")}), 0, 99, 99),
        Knob(3002, "Filter", "Env", Join({Change("02 02 00"), Change("03 02 00")})),
        Selector(3040, "Osc B", "Wave", withNoise, Change("00 03 00")),
        Knob(3017, "Osc B", "Interval", Change("00 04 00"), -12, 12, 0),
        Knob(3016, "Osc B", "Tune", Change("00 04 03"), -50, 50, 0),
        Knob(3010, "Filter Env", "Attack", Both("02", "03", "05 00")),
        Knob(3008, "Filter Env", "Decay", Both("02", "03", "05 02")),
        Knob(3006, "Filter Env", "Sustain", Sustain("02", "03"), 0, 99, 99),
        Knob(3005, "Filter Env", "Release", Both("02", "03", "05 06")),
        Knob(3003, "Filter Env", "Velo->Dpth", Both("02", "03", "03 00")),
        Knob(3015, "Osc B Pitch EG", "Attack", PitchEg("01")),
        Knob(3014, "Osc B Pitch EG", "Decay", PitchEg("03")),
        Knob(3013, "Osc B Pitch EG", "Release", PitchEg("02")),
        Knob(3028, "Amp Env", "Attack", Both("04", "05", "05 00")),
        Knob(3027, "Amp Env", "Decay", Both("04", "05", "05 02")),
        Knob(3026, "Amp Env", "Sustain", Sustain("04", "05"), 0, 99, 99),
        Knob(3025, "Amp Env", "Release", Both("04", "05", "05 06")),
        Knob(3024, "Amp Env", "Velo->Dpth", Both("04", "05", "03 00")),
        Selector(3041, "Filter Lfo", "Wave", lfoWaves, Change("07 03 00")),
        Knob(3012, "Filter Lfo", "Depth", Change("07 03 03")),
        Knob(3011, "Filter Lfo", "Rate", Change("07 03 05")),
        Selector(3042, "Pitch Lfo", "Wave", lfoWaves, Join({Change("06 02 00"), Change("06 04 00")})),
        Knob(3033, "Pitch Lfo", "Rate", Join({Change("06 02 03"), Change("06 04 03")})),
        Knob(3032, "Pitch Lfo", "Depth", {}, 0, 99, 0, Handler::Lfo2Depth),
        Selector(3043, "Pitch Lfo", "Dest", {"A", "B", "AB"}, {}, Handler::Lfo2Destination, 1),
        Selector(3044, "Control", "MW", {"Filter", "L1 Dp", "L2 Dp"}, {}, Handler::ControlWheel, 1),
        Selector(3045, "Control", "Press", {"Filter", "Amp", "L1 Dp", "L2 Dp"}, {}, Handler::ControlPressure, 1),
        Selector(3046, "Control", "Voice", {"Poly", "Mono"}, Change("00 01 00")),
    };
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Sets the channel of every message of this instrument in buffer.
void ApplyChannel(Bytes& buffer, int channel) {
    for (std::size_t i = 0; i + 3 < buffer.size(); ++i)
        if (buffer[i] == kSysExStart && buffer[i + 1] == kKorgId && (buffer[i + 2] & 0xF0) == kFormatId &&
            buffer[i + 3] == kModelId)
            buffer[i + 2] = FormatByte(channel);
}

}  // namespace

const std::vector<ControlSpec>& Controls() {
    static const std::vector<ControlSpec> controls = MakeControls();
    return controls;
}

const ControlSpec* FindControl(int id) {
    for (const ControlSpec& c : Controls())
        if (c.id == id) return &c;
    return nullptr;
}

Bytes FillTemplate(std::string_view text, int value, int channel) {
    Bytes bytes;
    bytes.reserve(text.size() / 3 + 1);
    for (std::size_t i = 0; i + 1 < text.size(); i += 3) {
        const char a = text[i];
        const char b = text[i + 1];
        if (i + 2 < text.size() && text[i + 2] != ' ') return {};
        if (a == 'X' && b == 'X') {
            bytes.push_back(static_cast<std::uint8_t>(value & 0x7F));
        } else if (a == 'Y' && b == 'Y') {
            bytes.push_back(static_cast<std::uint8_t>(value < 0 ? 0x7F : ((value & 0xFF) >> 7)));
        } else {
            const int high = HexDigit(a);
            const int low = HexDigit(b);
            if (high < 0 || low < 0) return {};
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        }
    }
    ApplyChannel(bytes, channel);
    return bytes;
}

std::vector<Bytes> MixMessages(std::string_view text, int value, int channel) {
    std::string second(text);
    constexpr std::size_t kOscillatorDigit = 19;
    if (second.size() > kOscillatorDigit) second[kOscillatorDigit] = '3';
    return {FillTemplate(text, 99 - value, channel), FillTemplate(second, value, channel)};
}

std::vector<Bytes> Lfo2Messages(int destination, int depth, int channel) {
    const std::string a = Change("06 02 05");
    const std::string b = Change("06 04 05");
    switch (destination) {
    case 1: return {FillTemplate(a, depth, channel), FillTemplate(Fixed("06 04 05 00 00"), 0, channel)};
    case 2: return {FillTemplate(Fixed("06 02 05 00 00"), 0, channel), FillTemplate(b, depth, channel)};
    case 3: return {FillTemplate(a, depth, channel), FillTemplate(b, depth, channel)};
    default: return {};
    }
}

Bytes WheelRouteMessages(int route, int channel) {
    if (route < 1 || route > 3) return {};
    const auto on = [route](int r) { return route == r ? std::string("63") : std::string("00"); };
    const std::string text =
        Join({Fixed(("07 00 00 " + on(1) + " 00").c_str()), Fixed(("07 04 06 " + on(2) + " 00").c_str()),
              Fixed(("06 02 06 " + on(3) + " 00").c_str()), Fixed(("06 05 06 " + on(3) + " 00").c_str())});
    return FillTemplate(text, 0, channel);
}

Bytes PressureRouteMessages(int route, int channel) {
    if (route < 1 || route > 4) return {};
    const auto on = [route](int r) { return route == r ? std::string("63") : std::string("00"); };
    const std::string text =
        Join({Fixed(("07 00 04 " + on(1) + " 00").c_str()), Fixed(("07 01 00 " + on(2) + " 00").c_str()),
              Fixed(("07 04 05 " + on(3) + " 00").c_str()), Fixed(("06 02 05 " + on(4) + " 00").c_str()),
              Fixed(("06 05 05 " + on(4) + " 00").c_str())});
    return FillTemplate(text, 0, channel);
}

std::vector<Bytes> MessagesFor(const ControlSpec& control, int value, PanelState& state, int channel) {
    switch (control.handler) {
    case Handler::Plain: return {FillTemplate(control.text, value, channel)};
    case Handler::Mix: return MixMessages(control.text, value, channel);
    case Handler::Lfo2Depth: state.lfo2Depth = value; return Lfo2Messages(state.lfo2Destination, value, channel);
    case Handler::Lfo2Destination: state.lfo2Destination = value; return Lfo2Messages(value, state.lfo2Depth, channel);
    case Handler::ControlWheel: return {WheelRouteMessages(value, channel)};
    case Handler::ControlPressure: return {PressureRouteMessages(value, channel)};
    case Handler::None: break;
    }
    return {};
}

const std::string& InitProgramText() {
    static const std::string text = "F0 42 30 2B 40 00 56 69 72 74 75 61 6C 20 20 53 "
                                    "79 01 00 5E 00 02 00 5E 00 00 00 00 00 00 00 00 "
                                    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 63 "
                                    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 63 00 "
                                    "00 00 00 00 00 00 00 63 63 00 00 00 00 00 00 00 "
                                    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                    "00 00 00 00 00 00 00 00 00 63 00 00 00 00 00 00 "
                                    "00 00 00 00 00 00 00 00 63 00 00 00 00 00 00 00 "
                                    "00 63 63 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                    "00 00 00 00 00 00 00 00 00 00 F7";
    return text;
}

std::optional<int> FollowController(int current, int minimum, int maximum, int value) {
    const int target = std::min(minimum + value, maximum);
    if (std::abs(target - current) > kCatchRange) return std::nullopt;
    return target;
}

}  // namespace emberkit::vsynth

CEmberkitVirtualSynthTool::CEmberkitVirtualSynthTool(CEmberkitSynthMemory& memory) : CSynthTool(memory) {}

void CEmberkitVirtualSynthTool::Execute(const CToolContext& context) {
    const emberkit::CEditors& editors = emberkit::GetEditors();
    if (!editors.virtualSynth) {
        CUi::Get().MessageBox("The Virtual Synth needs the program's window.", CUi::Icon::Information);
        return;
    }
    CLayer& programs = m_memory.GetLayer(emberkit::kProgramLayer);
    const CSynth& synth = *m_memory.GetSynth();
    programs.SwitchMode(synth, true);
    editors.virtualSynth(static_cast<CEmberkitSynthMemory&>(m_memory), context);
    programs.SwitchMode(synth, false);
}
