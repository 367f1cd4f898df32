// The program's parameters. Published material names the record's first bytes
// (name, oscillator mode, multisounds); the other bytes follow the order of the
// family's records: the common block (10-39), one block of 51 bytes per
// oscillator (from 40 and 91) and the effect block (from 142). The address of a
// parameter change is the editor page, the row (position) and the parameter in
// the row, the scheme the Virtual Synth's messages use.
#include <string>

#include "EmberkitParameterRows.h"
#include "EmberkitParameters.h"
#include "EmberkitSynth.h"

namespace emberkit {

namespace {

using rows::CRowWriter;
using rows::Texts;

constexpr int kOscBlock = 40;
constexpr int kOscBlockSize = 51;

Texts Multisounds() {
    const CEmberkitSynth& synth = CEmberkitSynth::Get();
    Texts texts;
    for (int i = 0; i < 255; ++i) texts.push_back(synth.GetMultisoundName(i));
    return texts;
}

Texts Waveforms() { return {"TRI", "SAW", "SQR", "RND"}; }

void AddOscPage(std::vector<ParameterEntry>& out, const Texts& multisounds) {
    CRowWriter w(out, "Page 0: Osc", 0);
    w.SetGroup("Common");
    w.Bits(10, 0x03, 0, 0, "oscmode", "OSC Mode:", {"SINGLE", "DOUBLE", "DRUMS"});
    w.Bits(11, 0x01, 1, 0, "voicemode", "Voice Mode:", {"POLY", "MONO"});
    for (int i = 0; i < 2; ++i) {
        const int block = kOscBlock + kOscBlockSize * i;
        const int position = 2 + i;
        w.SetGroup("OSC " + std::to_string(i + 1), i, "osc" + std::to_string(i + 1) + ".");
        w.List(i == 0 ? kOsc1Multisound : kOsc2Multisound, position, 0, "multisound", "Multisound:", multisounds);
        w.Number(block + 23, position, 3, "level", "Level:", 0, 99);
        w.List(i == 0 ? 14 : 17, position, 4, "octave", "Octave:", {"32'", "16'", "8'", "4'"}, -2);
        w.Number(block, position, 1, "pitchegamount", "Pitch EG Amount:", -99, 99);
        w.Number(block + 24, position, 2, "pan", "Pan:", 0, 255);
    }
    w.SetGroup("OSC 2 Pitch");
    w.List(18, 4, 0, "interval", "Interval:", SignedTexts(-12, 12), -12);
    w.List(19, 4, 3, "detune", "Detune:", SignedTexts(-50, 50), -50);
    w.Number(20, 4, 1, "delay", "Delay:", 0, 99);
    w.SetGroup("Velocity Sense");
    w.Number(28, 6, 0, "pitchvel.level", "Level:", -99, 99);
    w.Number(27, 6, 1, "pitchvel.time", "Time:", -99, 99);
    w.SetGroup("Pitch Envelope");
    w.Number(21, 5, 0, "pitcheg.start", "Start:", -99, 99);
    w.Number(23, 5, 4, "pitcheg.attacklevel", "Attack:", -99, 99);
    w.Number(26, 5, 5, "pitcheg.releaselevel", "Release:", -99, 99);
    w.Number(22, 5, 1, "pitcheg.attack", "Attack:", 0, 99);
    w.Number(24, 5, 3, "pitcheg.decay", "Decay:", 0, 99);
    w.Number(25, 5, 2, "pitcheg.release", "Release:", 0, 99);
}

void AddWaveShapingPage(std::vector<ParameterEntry>& out) {
    CRowWriter w(out, "Page 1: Emp./W.S.", 1);
    for (int i = 0; i < 2; ++i) {
        const int block = kOscBlock + kOscBlockSize * i;
        const std::string osc = "OSC " + std::to_string(i + 1);
        const std::string prefix = "osc" + std::to_string(i + 1) + ".";
        w.SetGroup(osc + " Emphasis", i, prefix);
        w.Number(block + 11, i, 0, "emphasis", "Intensity:", 0, 99);
        w.Number(block + 12, i, 1, "emphasisvel", "Velocity Sense:", -99, 99);
        w.SetGroup(osc + " Wave Shaping", i, prefix);
        w.Number(block + 13, i, 2, "wstable", "Table:", 0, 255);
        w.Number(block + 14, i, 3, "wsvel", "Velocity Sense:", -99, 99);
        w.Number(block + 15, i, 4, "wsstart", "Start Level:", 0, 99);
        w.Number(block + 16, i, 5, "wsdecay", "Decay Time:", 0, 99);
        w.Number(block + 17, i, 6, "wssustain", "Sustain Level:", 0, 99);
    }
}

// Keyboard track rows of VDF and VDA: intensity, point key, mode.
void AddKeyboardTrack(CRowWriter& w, int first) {
    w.Number(first, 1, 0, "kbdtrack", "Intensity:", -99, 99);
    w.List(first + 1, 1, 1, "pointkey", "Point Key:", NoteNames(0, 127));
    w.Number(first + 2, 1, 2, "kbdmode", "Mode:", 0, 255);
}

void AddFilterAndAmpPages(std::vector<ParameterEntry>& out) {
    for (int i = 0; i < 2; ++i) {
        const int block = kOscBlock + kOscBlockSize * i;
        const std::string n = std::to_string(i + 1);
        const std::string vdf = "vdf" + n + ".";
        CRowWriter w(out, "Page " + std::to_string(2 + i) + ": VDF " + n, 2 + i);
        w.SetGroup("VDF " + n, i, vdf);
        w.Number(block + 10, 0, 0, "cutoff", "Cutoff:", 0, 99);
        w.Number(block + 21, 2, 0, "egintensity", "EG Intensity:", 0, 99);
        w.Number(block + 22, 3, 0, "velocity", "Velocity Sense:", -99, 99);
        w.SetGroup("Keyboard Track", i, vdf);
        AddKeyboardTrack(w, block + 18);
        w.SetGroup("Envelope Generator Time", i, vdf);
        w.Number(block + 25, 5, 0, "attack", "Attack:", 0, 99);
        w.Number(block + 26, 5, 2, "decay", "Decay:", 0, 99);
        w.Number(block + 27, 5, 4, "slope", "Slope:", 0, 99);
        w.Number(block + 28, 5, 6, "release", "Release:", 0, 99);
        w.SetGroup("Envelope Generator Level", i, vdf);
        w.Number(block + 30, 5, 3, "break", "Break:", 0, 99);
        w.Number(block + 31, 5, 5, "sustain", "Sustain:", 0, 99);
    }
    for (int i = 0; i < 2; ++i) {
        const int block = kOscBlock + kOscBlockSize * i;
        const std::string n = std::to_string(i + 1);
        const std::string vda = "vda" + n + ".";
        CRowWriter w(out, "Page " + std::to_string(4 + i) + ": VDA " + n, 4 + i);
        w.SetGroup("VDA " + n, i, vda);
        w.Number(block + 33, 3, 0, "velocity", "Velocity Sense:", -99, 99);
        w.SetGroup("Keyboard Track", i, vda);
        AddKeyboardTrack(w, block + 34);
        w.SetGroup("Envelope Generator", i, vda);
        w.Number(block + 37, 5, 0, "attack", "Attack:", 0, 99);
        w.Number(block + 38, 5, 2, "decay", "Decay:", 0, 99);
        w.Number(block + 39, 5, 4, "slope", "Slope:", 0, 99);
        w.Number(block + 40, 5, 6, "release", "Release:", 0, 99);
        w.Number(block + 41, 5, 3, "break", "Break:", 0, 99);
        w.Number(block + 32, 5, 5, "sustain", "Sustain:", 0, 99);
    }
}

void AddModulationPages(std::vector<ParameterEntry>& out) {
    CRowWriter w(out, "Page 6: Pitch MG", 6);
    w.SetGroup("Pitch Bend", -1, "bend.");
    w.Number(37, 0, 0, "joystick", "Joystick:", -12, 12);
    w.Number(33, 0, 1, "aftertouch", "Aftertouch:", -12, 12);
    for (int i = 0; i < 2; ++i) {
        const int block = kOscBlock + kOscBlockSize * i;
        const int position = 2 + 2 * i;
        w.SetGroup("Pitch Modulation Generator OSC " + std::to_string(i + 1), i,
                   "pitchmg" + std::to_string(i + 1) + ".");
        w.Bits(block + 1, 0x07, position, 0, "waveform", "Waveform:", Waveforms());
        w.Number(block + 2, position, 3, "frequency", "Frequency:", 0, 99);
        w.Number(block + 4, position, 5, "intensity", "Intensity:", 0, 99);
        w.Number(block + 3, position, 2, "delay", "Delay:", 0, 99);
        w.Number(block + 5, position, 4, "kbdtrack", "KBD Track:", -99, 99);
        w.Number(block + 6, position, 8, "freqcontrol", "Frequency Control:", -99, 99);
        w.Number(block + 7, position, 7, "aftertouch", "Aftertouch:", 0, 99);
        w.Number(block + 8, position, 6, "joystick", "Joystick:", 0, 99);
        w.Bits(block + 1, 0x80, position, 1, "keysync", "Key Sync", rows::OffOn());
    }

    w.SetPage("Page 7: VDF MG", 7);
    w.SetGroup("Cutoff", -1, "cutoff.");
    w.Number(38, 0, 0, "joystick", "Joystick:", -99, 99);
    w.Number(34, 0, 4, "aftertouch", "Aftertouch:", -99, 99);
    w.SetGroup("Cutoff Modulation Generator", -1, "vdfmg.");
    w.Bits(29, 0x07, 3, 0, "waveform", "Waveform:", Waveforms());
    w.Number(30, 3, 5, "frequency", "Frequency:", 0, 99);
    w.Number(32, 3, 3, "intensity", "Intensity:", 0, 99);
    w.Number(31, 3, 2, "delay", "Delay:", 0, 99);
    w.Bits(29, 0x60, 3, 4, "destination", "Destination:", {"OFF", "OSC 1", "OSC 2", "OSC 1+2"});
    w.Number(35, 4, 5, "aftertouch", "Aftertouch:", 0, 99);
    w.Number(39, 4, 6, "joystick", "Joystick:", 0, 99);
    w.Bits(29, 0x80, 3, 1, "keysync", "Key Sync", rows::OffOn());
    w.SetGroup("Amplitude", -1, "amp.");
    w.Number(36, 1, 0, "aftertouch", "Aftertouch Amp Modulation:", -99, 99);
}

}  // namespace

std::vector<ParameterEntry> BuildProgramEntries() {
    std::vector<ParameterEntry> out;
    AddOscPage(out, Multisounds());
    AddWaveShapingPage(out);
    AddFilterAndAmpPages(out);
    AddModulationPages(out);
    AddEffectEntries(out, kProgramEffects);
    return out;
}

}  // namespace emberkit
