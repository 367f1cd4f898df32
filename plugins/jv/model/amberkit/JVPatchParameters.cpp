// The patch: the common block (effects, controls, tempo) and four tones.

#include <string>

#include "amberkit/JVEffectTable.h"
#include "amberkit/JVParameterRows.h"
#include "amberkit/JVParameters.h"

namespace amberkit {

namespace {

using namespace rows;

Texts PatchCategories() {
    return {"NO ASSIGN",  "AC.PIANO",    "EL.PIANO",  "KEYBOARDS",    "BELL",        "MALLET",   "ORGAN",
            "ACCORDION",  "HARMONICA",   "AC.GUITAR", "EL.GUITAR",    "DIST.GUITAR", "BASS",     "SYNTH BASS",
            "STRINGS",    "ORCHESTRA",   "HIT&STAB",  "WIND",         "FLUTE",       "AC.BRASS", "SYNTH BRASS",
            "SAX",        "HARD LEAD",   "SOFT LEAD", "TECHNO SYNTH", "PULSATING",   "SYNTH FX", "OTHER SYNTH",
            "BRIGHT PAD", "SOFT PAD",    "VOX",       "PLUCKED",      "ETHNIC",      "FRETTED",  "PERCUSSION",
            "SOUND FX",   "BEAT&GROOVE", "DRUMS",     "COMBINATION"};
}

Texts PatchControlSources() {
    return Concat(EffectControlSources(), {"LFO1", "LFO2", "VELOCITY", "KEYFOLLOW", "PLAYMATE"});
}

Texts HoldPeak() { return {"OFF", "HOLD", "PEAK"}; }

Texts ControllerDestinations() {
    return {"OFF", "PCH", "CUT", "RES", "LEV", "PAN", "MIX", "CHO", "REV", "PL1",
            "PL2", "FL1", "FL2", "AL1", "AL2", "pL1", "pL2", "L1R", "L2R"};
}

// Bend down 0..48 semitones, shown as the downward interval.
Texts BendDown() {
    Texts out{"0"};
    for (int v = 1; v <= 48; ++v) out.push_back("-" + std::to_string(v));
    return out;
}

void AddCommon(std::vector<CParameter>& out, Generation generation) {
    CRowWriter w(out, 0);

    w.SetPage("Common");
    w.Tempo(0x2C, "tempo", "Patch Tempo");
    w.Number(0x2E, "level", "Patch Level");
    w.List(0x2F, "pan", "Patch Pan", CommonPans());
    w.Number(0x30, "analogfeel", "Analog Feel");
    w.Number(0x31, "bend.up", "Bend Range Up", 0, 12);
    w.List(0x32, "bend.down", "Bend Range Down", BendDown());
    w.List(0x33, "keyassign", "Key Assign Mode", {"POLY", "SOLO"});
    w.Switch(0x34, "legato", "Solo Legato");
    w.Switch(0x35, "portamento", "Portamento Switch");
    w.List(0x36, "portamento.mode", "Portamento Mode", {"NORMAL", "LEGATO"});
    w.List(0x37, "portamento.type", "Portamento Type", {"RATE", "TIME"});
    w.List(0x38, "portamento.start", "Portamento Start", {"PITCH", "NOTE"});
    w.Number(0x39, "portamento.time", "Portamento Time");
    w.Switch(0x40, "velocityrange", "Velocity Range Switch");
    w.Number(0x41, "octave", "Octave Shift", 0, 6, -3);
    w.List(0x42, "stretchtune", "Stretch Tune Depth", {"OFF", "1", "2", "3"});
    w.List(0x43, "priority", "Voice Priority", {"LAST", "LOUDEST"});
    w.Number(0x44, "structure12", "Structure Type 1&2", 0, 9, 1);
    w.List(0x45, "booster12", "Booster 1&2", {"0", "+6", "+12", "+18"});
    w.Number(0x46, "structure34", "Structure Type 3&4", 0, 9, 1);
    w.List(0x47, "booster34", "Booster 3&4", {"0", "+6", "+12", "+18"});
    if (generation != Generation::JV1080) w.List(0x48, "clock", "Clock Source", {"PATCH", "SYSTEM"});
    if (generation == Generation::JV2080) w.List(0x49, "category", "Patch Category", PatchCategories());

    AddChorusReverb(w, 0x21, "Chorus / Reverb");

    w.SetPage("EFX");
    w.SetGroup({});
    AddEffectRows(w, kPatchEffectOffset);
    w.List(0x3C, "efx.holdpeak", "EFX Control Hold/Peak", HoldPeak());

    w.SetPage("Controls");
    w.SetGroup("Common");
    w.List(0x3A, "ctrl2.source", "Patch Control Source 2", PatchControlSources());
    w.List(0x3B, "ctrl3.source", "Patch Control Source 3", PatchControlSources());
    w.List(0x3D, "ctrl1.holdpeak", "Control 1 Hold/Peak", HoldPeak());
    w.List(0x3E, "ctrl2.holdpeak", "Control 2 Hold/Peak", HoldPeak());
    w.List(0x3F, "ctrl3.holdpeak", "Control 3 Hold/Peak", HoldPeak());
}

// One LFO's eight bytes from first.
void AddLfo(CRowWriter& w, int first, int lfo) {
    const std::string id = "lfo" + std::to_string(lfo);
    const std::string caption = "LFO" + std::to_string(lfo) + " ";
    w.SetPage("LFO " + std::to_string(lfo));
    w.List(first, id + ".waveform", caption + "Waveform", {"TRI", "SIN", "SAW", "SQR", "TRP", "S&H", "RND", "CHS"});
    w.Switch(first + 1, id + ".keytrigger", caption + "Key Trigger");
    w.Number(first + 2, id + ".rate", caption + "Rate");
    w.List(first + 3, id + ".offset", caption + "Level Offset", Signed({-100, -50, 0, 50, 100}));
    w.Number(first + 4, id + ".delay", caption + "Delay Time");
    w.List(first + 5, id + ".fade.mode", caption + "Fade Mode", {"ON-IN", "ON-OUT", "OFF-IN", "OFF-OUT"});
    w.Number(first + 6, id + ".fade.time", caption + "Fade Time");
    w.List(first + 7, id + ".sync", caption + "External Sync", {"OFF", "CLOCK", "<TAP>"});
}

// Velocity time 1, time 4 and time keyfollow of an envelope, then its four times.
void AddEnvelopeTimes(CRowWriter& w, int first, std::string_view id, std::string_view caption) {
    const std::string i(id);
    const std::string c(caption);
    w.List(first, i + ".time1.velocity", c + " Velocity Time1", TimeSteps());
    w.List(first + 1, i + ".time4.velocity", c + " Velocity Time4", TimeSteps());
    w.List(first + 2, i + ".time.keyfollow", c + " Time Keyfollow", TimeSteps());
    for (int n = 1; n <= 4; ++n)
        w.Number(first + 2 + n, i + ".time" + std::to_string(n), c + " Time " + std::to_string(n));
}

void AddTone(std::vector<CParameter>& out, int tone) {
    const std::string number = std::to_string(tone + 1);
    CRowWriter w(out, 1 + tone, tone, "tone" + number + ".", "Tone " + number);

    w.SetPage("Controls");
    w.Switch(0x10, "redamper.switch", "Redamper Control Switch");
    w.Switch(0x11, "volume.switch", "Volume Control Switch");
    w.Switch(0x12, "hold.switch", "Hold-1 Control Switch");
    w.Switch(0x13, "bender.switch", "Bender Control Switch");
    w.List(0x14, "pan.switch", "Pan Control Switch", {"OFF", "CONTINUOUS", "KEY-ON"});

    // Three controllers, each with four destination/depth pairs.
    for (int c = 1; c <= 3; ++c) {
        const std::string cid = "ctrl" + std::to_string(c);
        const std::string caption = "Controller " + std::to_string(c);
        w.SetPage(caption);
        for (int d = 1; d <= 4; ++d) {
            const int at = 0x15 + (c - 1) * 8 + (d - 1) * 2;
            const std::string n = std::to_string(d);
            w.List(at, cid + ".dest" + n, caption + " Destination " + n, ControllerDestinations());
            w.Bipolar(at + 1, cid + ".depth" + n, caption + " Depth " + n);
        }
    }

    w.SetPage("Wave");
    w.Switch(0x00, "switch", "Tone Switch");
    w.List(0x01, "wave.group.type", "Wave Group Type", GroupTypes());
    w.Number(0x02, "wave.group.id", "Wave Group ID");
    w.Wide(0x03, "wave", "Wave Number", 254, 1);
    w.List(0x05, "wave.gain", "Wave Gain", WaveGains());
    w.Switch(0x06, "fxm.switch", "FXM Switch");
    w.Number(0x07, "fxm.color", "FXM Color", 0, 3, 1);
    w.Number(0x08, "fxm.depth", "FXM Depth", 0, 15, 1);
    w.List(0x09, "delay.mode", "Tone Delay Mode",
           {"NORMAL", "HOLD", "PLAYMATE", "CLOCK-SYNC", "<TAP-SYNC>", "KEY-OFF-N", "KEY-OFF-D"});
    w.Number(0x0A, "delay.time", "Tone Delay Time");
    w.Number(0x0B, "velocity.fade", "Velocity Cross Fade");
    w.Number(0x0C, "velocity.lower", "Velocity Range Lower", 1, 127);
    w.Number(0x0D, "velocity.upper", "Velocity Range Upper", 1, 127);
    w.List(0x0E, "key.lower", "Keyboard Range Lower", NoteNames());
    w.List(0x0F, "key.upper", "Keyboard Range Upper", NoteNames());

    AddLfo(w, 0x2D, 1);
    AddLfo(w, 0x35, 2);

    w.SetPage("Pitch");
    w.Bipolar(0x3D, "coarse", "Coarse Tune", 48);
    w.Bipolar(0x3E, "fine", "Fine Tune", 50);
    w.List(0x3F, "pitch.random", "Random Pitch Depth", RandomPitch());
    w.List(0x40, "pitch.keyfollow", "Pitch Keyfollow", KeyfollowSteps());
    w.Bipolar(0x4E, "pitch.lfo1", "Pitch LFO1 Depth");
    w.Bipolar(0x4F, "pitch.lfo2", "Pitch LFO2 Depth");

    w.SetPage("Pitch Envelope");
    w.Bipolar(0x41, "penv.depth", "Pitch Env Depth", 12);
    w.List(0x42, "penv.velocity", "Pitch Env Velocity Sens", VelocitySens());
    AddEnvelopeTimes(w, 0x43, "penv", "Pitch Env");
    for (int n = 1; n <= 4; ++n)
        w.Bipolar(0x49 + n, "penv.level" + std::to_string(n), "Pitch Env Level " + std::to_string(n));

    w.SetPage("TVF");
    w.List(0x50, "filter", "Filter Type", {"OFF", "LPF", "BPF", "HPF", "PKG"});
    w.Number(0x51, "cutoff", "Cutoff Frequency");
    w.List(0x52, "cutoff.keyfollow", "Cutoff Keyfollow", KeyfollowSteps());
    w.Number(0x53, "resonance", "Resonance");
    w.List(0x54, "resonance.velocity", "Resonance Velocity Sens", VelocitySens());
    w.Bipolar(0x63, "filter.lfo1", "Filter LFO1 Depth");
    w.Bipolar(0x64, "filter.lfo2", "Filter LFO2 Depth");

    w.SetPage("TVF Envelope");
    w.Bipolar(0x55, "fenv.depth", "Filter Env Depth");
    w.Number(0x56, "fenv.curve", "Filter Env Velocity Curve", 0, 6, 1);
    w.List(0x57, "fenv.velocity", "Filter Env Velocity Sens", VelocitySens());
    AddEnvelopeTimes(w, 0x58, "fenv", "Filter Env");
    for (int n = 1; n <= 4; ++n)
        w.Number(0x5E + n, "fenv.level" + std::to_string(n), "Filter Env Level " + std::to_string(n));

    w.SetPage("TVA");
    w.Number(0x65, "level", "Tone Level");
    w.List(0x66, "bias.direction", "Bias Direction", {"LOWER", "UPPER", "LOWER&UPPER", "ALL"});
    w.List(0x67, "bias.point", "Bias Position", NoteNames());
    w.List(0x68, "bias.level", "Bias Level", TimeSteps());
    w.Bipolar(0x75, "level.lfo1", "Level LFO1 Depth");
    w.Bipolar(0x76, "level.lfo2", "Level LFO2 Depth");

    w.SetPage("TVA Envelope");
    w.Number(0x69, "aenv.curve", "Level Env Velocity Curve", 0, 6, 1);
    w.List(0x6A, "aenv.velocity", "Level Env Velocity Sens", VelocitySens());
    AddEnvelopeTimes(w, 0x6B, "aenv", "Level Env");
    for (int n = 1; n <= 3; ++n)
        w.Number(0x71 + n, "aenv.level" + std::to_string(n), "Level Env Level " + std::to_string(n));

    w.SetPage("Pan / Output");
    // The tone pan covers 0..127 like the common pan; the alternate pan 1..127.
    w.List(0x77, "pan", "Tone Pan", CommonPans());
    w.List(0x78, "pan.keyfollow", "Pan Keyfollow", TimeSteps());
    w.Number(0x79, "pan.random", "Random Pan Depth", 0, 63);
    w.List(0x7A, "pan.alternate", "Alternate Pan Depth", AlternatePans(), 1);
    w.Bipolar(0x7B, "pan.lfo1", "Pan LFO1 Depth");
    w.Bipolar(0x7C, "pan.lfo2", "Pan LFO2 Depth");
    w.List(0x7D, "output", "Output Assign", {"MIX", "EFX", "DIR 1", "DIR 2"});
    w.Number(0x7E, "output.level", "Mix/EFX Send Level");
    w.Number(0x7F, "chorus.send", "Chorus Send Level");
    // Past 7F: the address carries into the next block byte (01 00).
    w.Number(0x80, "reverb.send", "Reverb Send Level");
}

}  // namespace

std::vector<CParameter> BuildPatchParameters(Generation generation) {
    std::vector<CParameter> out;
    AddCommon(out, generation);
    for (int t = 0; t < kPatchToneCount; ++t) AddTone(out, t);
    return out;
}

}  // namespace amberkit
