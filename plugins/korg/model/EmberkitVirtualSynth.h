#pragma once

// The Virtual Synth: a panel that plays the 01/W as a two-oscillator analog
// synthesizer. Each control carries a message template; moving it sends the
// template filled with its value. This is the panel as data and the messages
// its controls send; the dialog is in the editors.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "SynthTool.h"

namespace emberkit::vsynth {

using Bytes = std::vector<std::uint8_t>;

// What moving a control does.
enum class Handler {
    Plain,  // the template with the value
    Mix,  // two levels moving oppositely
    Lfo2Depth,  // the depth to the remembered destination
    Lfo2Destination,  // remembers the destination and re-sends the depth
    ControlWheel,  // the modulation wheel's route
    ControlPressure,  // the aftertouch's route
    None,  // shown, sends nothing
};

struct ControlSpec {
    int id;
    std::string section;  // "Osc A", "Filter Env", ...
    std::string caption;  // "Wave", "Cutoff", ...
    std::vector<std::string> choices;  // a selector's items; empty: a knob
    std::string text;  // the template
    Handler handler = Handler::Plain;
    int minimum = 0;
    int maximum = 99;
    int defaultValue = 0;  // a selector's: the item index (its value is index + first)
    int firstValue = 0;  // the value of a selector's first item

    bool IsKnob() const { return choices.empty(); }
};

// Every control, in panel (and tab) order.
const std::vector<ControlSpec>& Controls();
const ControlSpec* FindControl(int id);

// Template text to bytes: read in steps of three characters; two hex digits
// give a byte, "XX" the value & 7F, "YY" 7F for a negative value, else bit 7 of
// the value's low byte. A template may hold several messages; the result is one
// buffer of text length / 3 + 1 bytes. Messages of this instrument go out on
// its global channel. Empty when the text holds something else.
Bytes FillTemplate(std::string_view text, int value, int channel = 1);

// The sends (one buffer each) of a control moved to value. The LFO 2 handlers
// need the remembered destination (1 A, 2 B, 3 AB) and depth.
struct PanelState {
    int lfo2Destination = 1;
    int lfo2Depth = 0;
};
std::vector<Bytes> MessagesFor(const ControlSpec& control, int value, PanelState& state, int channel = 1);

// The mix knob: the template with 99 - value, then the oscillator 2 level
// (the digit at character 19 made "3") with value.
std::vector<Bytes> MixMessages(std::string_view text, int value, int channel = 1);
std::vector<Bytes> Lfo2Messages(int destination, int depth, int channel = 1);
// Routes 1..3 (Filter, L1 Dp, L2 Dp) and 1..4 (Filter, Amp, L1 Dp, L2 Dp); the
// chosen route gets 63, the others 00. Empty outside the range.
Bytes WheelRouteMessages(int route, int channel = 1);
Bytes PressureRouteMessages(int route, int channel = 1);

// "Init": the single program "Virtual Sy" (function 40, 203 bytes) as one template.
const std::string& InitProgramText();

// A remote controller moves a knob to minimum + value (at most its maximum),
// but only when that lies within 10 of where the knob is, so a controller far
// from the knob's setting cannot make it jump. nullopt: the knob stays.
std::optional<int> FollowController(int current, int minimum, int maximum, int value);
inline constexpr int kCatchRange = 10;

}  // namespace emberkit::vsynth

class CEmberkitSynthMemory;

// "&Virtual Synth...": puts the instrument into program edit mode, runs the
// panel and switches back.
class CEmberkitVirtualSynthTool final : public CSynthTool {
public:
    explicit CEmberkitVirtualSynthTool(CEmberkitSynthMemory& memory);
    void Execute(const CToolContext& context) override;
    std::string GetMenuText() const override { return "&Virtual Synth..."; }
};
