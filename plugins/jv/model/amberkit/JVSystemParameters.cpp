// The system common block. The JV-1080 has 40 bytes; the XP keyboards add MIDI
// transmit, keyboard and pedal settings and seven bank select groups; the
// JV-2080 adds a system tempo. The scale-tune blocks are not described here.

#include <string>
#include <utility>

#include "amberkit/JVParameterRows.h"
#include "amberkit/JVParameters.h"

namespace amberkit {

namespace {

using namespace rows;

constexpr int kBankGroupCount = 7;

Texts PedalSources() { return {"OFF", "HOLD-1", "SOSTENUTO", "SOFT", "HOLD-2"}; }

// 0..97: the 96 controller numbers, then bender and aftertouch.
Texts ControlSources() { return Concat(Numbered("CC", 0, 95), {"BENDER", "AFTERTOUCH"}); }

// What a pedal of an XP keyboard can be assigned to (0..102).
Texts PedalAssigns() {
    return Concat(Numbered("CC", 0, 95), {"BEND", "AFT", "PROG-UP", "PROG-DOWN", "START/STOP", "PUNCH I/O", "TAP"});
}

// 0..97 as the system control sources show them: "CC01:MODULATION" for the
// controllers with a name, "CC03" for the others, then bender and aftertouch.
// The unit offers 1..5, 7..31 and 64..97 (IsSystemControlSource).
Texts SystemControlSources() {
    static const std::pair<int, const char*> kNamed[] = {
        {1, "MODULATION"}, {2, "BREATH"},      {4, "FOOT-TYPE"},   {5, "PORT-TIME"},   {7, "VOLUME"},
        {8, "BALANCE"},    {10, "PANPOT"},     {11, "EXPRESSION"}, {16, "GENERAL-1"},  {17, "GENERAL-2"},
        {18, "GENERAL-3"}, {19, "GENERAL-4"},  {64, "HOLD-1"},     {65, "PORTAMENTO"}, {66, "SOSTENUTO"},
        {67, "SOFT"},      {69, "HOLD-2"},     {70, "SOUND VAR."}, {71, "HARMONNIC"},  {72, "RELEASE TM"},
        {73, "ATTACK TM"}, {74, "BRIGHTNESS"}, {80, "GENERAL-5"},  {81, "GENERAL-6"},  {82, "GENERAL-7"},
        {83, "GENERAL-8"}, {84, "PORT_CTRL"},  {91, "REVERB"},     {92, "TREMOLO"},    {93, "CHORUS"},
        {94, "CELESTE"},   {95, "PHASER"}};
    Texts out = Numbered("CC", 0, 95);
    for (const auto& [cc, name] : kNamed) out[static_cast<std::size_t>(cc)] += std::string(":") + name;
    return Concat(out, {"96:PITCH BEND", "97:AFTERTOUCH"});
}

Texts OutputModes() { return {"OFF", "INT", "MIDI", "INT&MIDI"}; }
Texts Polarities() { return {"STANDARD", "REVERSE"}; }

void AddJV1080(CRowWriter& w) {
    w.SetPage("Tune");
    w.Bipolar(0x06, "mastertune", "Master Tune");
    w.Switch(0x07, "scaletune", "Scale Tune Switch");

    w.SetPage("Effects");
    w.Switch(0x08, "efx", "EFX Switch");
    w.Switch(0x09, "chorus", "Chorus Switch");
    w.Switch(0x0A, "reverb", "Reverb Switch");

    w.SetPage("Setup");
    w.List(0x00, "mode", "Sound Mode", {"PERFORM", "PATCH", "GM"});
    w.Number(0x01, "performance", "Performance Number");
    w.List(0x02, "patch.group.type", "Patch Group Type", GroupTypes());
    w.Number(0x03, "patch.group.id", "Patch Group ID");
    w.Wide(0x04, "patch", "Patch Number", 254, 1);
    w.Switch(0x0B, "patchremain", "Patch Remain");
    w.List(0x0C, "clock", "Clock Source", {"INT", "MIDI"});
    w.List(0x1E, "rhythm.edit", "Rhythm Edit Source", {"PNL", "PNL&MIDI"});
    w.SetGroup("Preview");
    // The initial system image (JVRecords.cpp) holds 2 here: there is a third mode.
    w.List(0x1F, "preview.mode", "Preview Sound Mode", {"SINGLE", "CHORD", "PHRASE"});
    for (int n = 1; n <= 4; ++n) {
        const std::string s = std::to_string(n);
        w.List(0x1E + 2 * n, "preview" + s + ".key", "Preview Key " + s, NoteNames());
        w.Number(0x1F + 2 * n, "preview" + s + ".velocity", "Preview Velocity " + s);
    }
    w.SetGroup({});

    w.SetPage("Midi");
    w.Switch(0x14, "rx.program", "Receive Program Change");
    w.Switch(0x15, "rx.bank", "Receive Bank Select");
    w.Switch(0x16, "rx.control", "Receive Control Change");
    w.Switch(0x17, "rx.modulation", "Receive Modulation");
    w.Switch(0x18, "rx.volume", "Receive Volume");
    w.Switch(0x19, "rx.hold", "Receive Hold-1");
    w.Switch(0x1A, "rx.bender", "Receive Bender");
    w.Switch(0x1B, "rx.aftertouch", "Receive Aftertouch");
    w.List(0x1C, "control.channel", "Control Channel", Concat(Numbers(1, 16), {"OFF"}));
    w.Number(0x1D, "patch.channel", "Patch Receive Channel", 0, 15, 1);

    w.SetPage("Control Source");
    w.List(0x0D, "tap.source", "Tap Control Source", PedalSources());
    w.List(0x0E, "hold.source", "Hold Control Source", PedalSources());
    w.List(0x0F, "peak.source", "Peak Control Source", PedalSources());
    w.List(0x10, "volume.source", "Volume Control Source", {"VOLUME", "VOL&EXP"});
    w.List(0x11, "aftertouch.source", "Aftertouch Control Source", {"CHANNEL", "POLY", "CH&POLY"});
    w.List(0x12, "sysctrl1.source", "System Control Source 1", SystemControlSources());
    w.List(0x13, "sysctrl2.source", "System Control Source 2", SystemControlSources());
}

// Rows 28..51 of the XP keyboards (the JV-2080 keeps the same layout).
void AddKeyboardRows(CRowWriter& w) {
    w.SetPage("Tune");
    w.Switch(0x2B, "transpose.switch", "Transpose Switch");
    w.Number(0x2C, "transpose", "Transpose", 0, 11, -5);
    w.Number(0x2D, "octave", "Octave Shift", 0, 6, -3);

    w.SetPage("Setup");
    w.SetGroup("Keyboard");
    w.List(0x2E, "keyboard.velocity", "Keyboard Velocity", Concat({"REAL"}, Numbers(1, 127)));
    w.List(0x2F, "keyboard.sens", "Keyboard Sensitivity", {"LIGHT", "STANDARD", "HEAVY"});
    w.Number(0x30, "aftertouch.sens", "Aftertouch Sensitivity", 0, 100);
    w.SetGroup({});

    w.SetPage("Midi");
    w.Switch(0x28, "tx.program", "Transmit Program Change");
    w.Switch(0x29, "tx.bank", "Transmit Bank Select");
    w.List(0x2A, "patch.txchannel", "Patch Transmit Channel", Concat(Numbers(1, 16), {"RX-CH", "OFF"}));
    for (int g = 1; g <= kBankGroupCount; ++g) {
        const std::string s = std::to_string(g);
        const int at = 0x3D + 3 * (g - 1);
        w.SetGroup("Bank Select Group " + s);
        w.Switch(at, "bankgroup" + s + ".switch", "Bank Select Group " + s + " Switch");
        w.Number(at + 1, "bankgroup" + s + ".msb", "Bank Select Group " + s + " MSB");
        w.Number(at + 2, "bankgroup" + s + ".lsb", "Bank Select Group " + s + " LSB");
    }
    w.SetGroup({});

    w.SetPage("Control Source");
    for (int pedal = 1; pedal <= 2; ++pedal) {
        const std::string s = std::to_string(pedal);
        const int at = 0x31 + 3 * (pedal - 1);
        w.SetGroup("Pedal " + s);
        w.List(at, "pedal" + s + ".assign", "Pedal " + s + " Assign", PedalAssigns());
        w.List(at + 1, "pedal" + s + ".mode", "Pedal " + s + " Output Mode", OutputModes());
        w.List(at + 2, "pedal" + s + ".polarity", "Pedal " + s + " Polarity", Polarities());
    }
    for (int c = 1; c <= 2; ++c) {
        const std::string s = std::to_string(c);
        const int at = 0x37 + 2 * (c - 1);
        w.SetGroup("C" + s);
        w.List(at, "c" + s + ".assign", "C" + s + " Assign", ControlSources());
        w.List(at + 1, "c" + s + ".mode", "C" + s + " Output Mode", OutputModes());
    }
    w.SetGroup("Hold Pedal");
    w.List(0x3B, "holdpedal.mode", "Hold Pedal Output Mode", OutputModes());
    w.List(0x3C, "holdpedal.polarity", "Hold Pedal Polarity", Polarities());
    w.SetGroup({});
}

}  // namespace

bool IsSystemControlSource(int value) {
    return (value >= 1 && value <= 31 && value != 6) || (value >= 64 && value <= 97);
}

std::vector<CParameter> BuildSystemParameters(Generation generation) {
    std::vector<CParameter> out;
    CRowWriter w(out, 0);
    AddJV1080(w);
    if (generation != Generation::JV1080) AddKeyboardRows(w);
    if (generation == Generation::JV2080) {
        w.SetPage("Setup");
        w.Tempo(0x60, "tempo", "System Tempo");
    }
    return out;
}

}  // namespace amberkit
