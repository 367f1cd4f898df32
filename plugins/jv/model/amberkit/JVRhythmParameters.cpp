// The rhythm set: the common block holds only the name; each of the 64 keys
// (MIDI notes 35..98) is a small tone of its own.

#include <string>

#include "amberkit/JVParameterRows.h"
#include "amberkit/JVParameters.h"

namespace amberkit {

namespace {

using namespace rows;

void AddKey(std::vector<CParameter>& out, int key) {
    const int note = kFirstRhythmKeyNote + key;
    CRowWriter w(out, 1 + key, key, "key" + std::to_string(note) + ".", NoteName(note));

    w.SetPage("Wave");
    w.Switch(0x00, "switch", "Tone Switch");
    w.List(0x01, "wave.group.type", "Wave Group Type", GroupTypes());
    w.Number(0x02, "wave.group.id", "Wave Group ID");
    w.Wide(0x03, "wave", "Wave Number", 254, 1);
    w.List(0x05, "wave.gain", "Wave Gain", WaveGains());
    w.Number(0x06, "bend", "Bend Range", 0, 12);
    w.List(0x07, "mutegroup", "Mute Group", Concat({"OFF"}, Numbers(1, 31)));
    w.List(0x08, "envmode", "Envelope Mode", {"NO-SUS", "SUSTAIN"});
    w.Switch(0x09, "volume.switch", "Volume Control Switch");
    w.Switch(0x0A, "hold.switch", "Hold-1 Control Switch");
    w.List(0x0B, "pan.switch", "Pan Control Switch", {"OFF", "CONTINUOUS", "KEY-ON"});

    w.SetPage("Pitch");
    w.List(0x0C, "sourcekey", "Source Key", NoteNames());
    w.Bipolar(0x0D, "fine", "Fine Tune", 50);
    w.List(0x0E, "pitch.random", "Random Pitch Depth", RandomPitch());
    w.Bipolar(0x0F, "penv.depth", "Pitch Env Depth", 12);
    w.List(0x10, "penv.velocity", "Pitch Env Velocity Sens", VelocitySens());
    w.List(0x11, "penv.time.velocity", "Pitch Env Velocity Time", TimeSteps());
    for (int n = 1; n <= 4; ++n)
        w.Number(0x11 + n, "penv.time" + std::to_string(n), "Pitch Env Time " + std::to_string(n));
    for (int n = 1; n <= 4; ++n)
        w.Bipolar(0x15 + n, "penv.level" + std::to_string(n), "Pitch Env Level " + std::to_string(n));

    w.SetPage("TVF");
    w.List(0x1A, "filter", "Filter Type", {"OFF", "LPF", "BPF", "HPF", "PKG"});
    w.Number(0x1B, "cutoff", "Cutoff Frequency");
    w.Number(0x1C, "resonance", "Resonance");
    w.List(0x1D, "resonance.velocity", "Resonance Velocity Sens", VelocitySens());
    w.Bipolar(0x1E, "fenv.depth", "Filter Env Depth");
    w.List(0x1F, "fenv.velocity", "Filter Env Velocity Sens", VelocitySens());
    w.List(0x20, "fenv.time.velocity", "Filter Env Velocity Time", TimeSteps());
    for (int n = 1; n <= 4; ++n)
        w.Number(0x20 + n, "fenv.time" + std::to_string(n), "Filter Env Time " + std::to_string(n));
    for (int n = 1; n <= 4; ++n)
        w.Number(0x24 + n, "fenv.level" + std::to_string(n), "Filter Env Level " + std::to_string(n));

    w.SetPage("TVA");
    w.Number(0x29, "level", "Tone Level");
    w.List(0x2A, "aenv.velocity", "Level Env Velocity Sens", VelocitySens());
    w.List(0x2B, "aenv.time.velocity", "Level Env Velocity Time", TimeSteps());
    for (int n = 1; n <= 4; ++n)
        w.Number(0x2B + n, "aenv.time" + std::to_string(n), "Level Env Time " + std::to_string(n));
    for (int n = 1; n <= 3; ++n)
        w.Number(0x2F + n, "aenv.level" + std::to_string(n), "Level Env Level " + std::to_string(n));
    w.List(0x33, "pan", "Tone Pan", CommonPans());
    w.Number(0x34, "pan.random", "Random Pan Depth", 0, 63);
    w.List(0x35, "pan.alternate", "Alternate Pan Depth", AlternatePans(), 1);
    w.List(0x36, "output", "Output Assign", {"MIX", "EFX", "OUTPUT 1", "OUTPUT 2"});
    w.Number(0x37, "output.level", "Mix/EFX Send Level");
    w.Number(0x38, "chorus.send", "Chorus Send Level");
    w.Number(0x39, "reverb.send", "Reverb Send Level");
}

}  // namespace

std::vector<CParameter> BuildRhythmParameters() {
    std::vector<CParameter> out;
    for (int k = 0; k < kRhythmKeyCount; ++k) AddKey(out, k);
    return out;
}

}  // namespace amberkit
