#pragma once

// The Virtual Synth: a panel of knobs that plays the unit's temporary patch
// like an analog synthesizer. Opening it (and "Init") sends the patch
// "VirtualSynth" (the default patch with tones 1 and 2 on); each knob then sends
// message templates filled with its value. The panel as data and the messages
// its knobs send; the dialog is in the editors.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <tonalith/SynthTool.h>

#include "amberkit/JVConstants.h"

namespace amberkit {

class CAmberkitSynthMemory;
class CJVPatch;

namespace vsynth {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::string_view kPatchName = "VirtualSynth";
// The tone blocks (address byte 7) of the two tones the patch plays.
inline constexpr std::uint8_t kTone1Block = kFirstToneBlock;
inline constexpr std::uint8_t kTone2Block = kFirstToneBlock + kToneBlockStep;

// The temporary patch, addressed to the temporary patch area (03 00).
std::unique_ptr<CJVPatch> MakePatch(std::uint8_t deviceByte);
// Its five messages in the lengths the generation uses.
Bytes PatchImage(Generation generation, std::uint8_t deviceByte);

// One knob. Templates are DT1 texts of hex pairs in which NN stands for a tone
// block, XX for the value and KK for the checksum; a template with NN is sent
// once per tone block of the knob.
struct KnobInfo {
    std::string key;  // stable: "filter.cutoff"
    std::string section;  // the box on the panel: "Filter"
    std::string caption;  // "Cutoff"
    std::vector<std::string> templates;
    std::vector<std::uint8_t> toneBlocks;
    // The patch parameter whose range, value texts and place the knob takes
    // ("tone1.cutoff"); empty for a knob of named positions.
    std::string parameter;
    // A knob of named positions: position p sets template i to positions[p][i].
    std::vector<std::vector<std::uint8_t>> positions;
    std::vector<std::string> positionTexts;
    // The value is a wave of the tone's wave group, shown by its name.
    bool waveNames = false;
};

// Every knob, in panel order.
const std::vector<KnobInfo>& Knobs();
const KnobInfo* FindKnob(std::string_view key);

// What a knob can be set to and where it starts (the patch's own value).
struct KnobRange {
    int minimum = 0;
    int maximum = 127;
    int defaultValue = 0;
};
KnobRange RangeOf(const KnobInfo& knob);
// The value as the unit's display shows it ("-12", "LPF").
std::string ValueText(const KnobInfo& knob, int value);

// A parameter of two nibbles (a wave number) takes two templates: the high
// nibble, then the low one.

// Template text to bytes: read in steps of three characters, so a text of n
// characters gives n / 3 + 1 bytes. The device byte replaces the template's.
// Empty when the text holds anything but hex pairs, NN, XX and KK.
Bytes FillTemplate(std::string_view text, std::uint8_t toneBlock, int value, std::uint8_t deviceByte);

// One message a knob sends, with the key under which a newer value of the same
// knob, template and tone replaces it while it still waits.
struct KnobMessage {
    std::string key;
    Bytes bytes;
};
std::vector<KnobMessage> MessagesFor(const KnobInfo& knob, int value, std::uint8_t deviceByte);

// The dialog, installed by the plug-in's editors; without it (tests, the
// command line) the tool says it needs the program's window.
using Runner = std::function<void(const CToolContext&)>;
Runner SetRunner(Runner runner);  // returns the previous one

}  // namespace vsynth

// "&Virtual Synth...": puts the unit into patch mode and runs the panel.
class CJVVirtualSynthTool final : public CSynthTool {
public:
    explicit CJVVirtualSynthTool(CAmberkitSynthMemory& memory);
    void Execute(const CToolContext& context) override;
    std::string GetMenuText() const override { return "&Virtual Synth..."; }
};

}  // namespace amberkit
