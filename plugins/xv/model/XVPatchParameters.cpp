// The patch: common, tone mix table and four tones. MFX, chorus and reverb
// parameters depend on their type and are left to the hex view.

#include <string>

#include "XVParameterRows.h"
#include "XVParameters.h"

namespace xv {

namespace {

using namespace rows;

constexpr int kCommonBlock = 0;
constexpr int kToneMixBlock = 4;
constexpr int kFirstToneMessage = 5;

Texts PatchCategories() {
    return {"NO ASSIGN",  "AC.PIANO",    "EL.PIANO",  "KEYBOARDS",    "BELL",        "MALLET",   "ORGAN",
            "ACCORDION",  "HARMONICA",   "AC.GUITAR", "EL.GUITAR",    "DIST.GUITAR", "BASS",     "SYNTH BASS",
            "STRINGS",    "ORCHESTRA",   "HIT&STAB",  "WIND",         "FLUTE",       "AC.BRASS", "SYNTH BRASS",
            "SAX",        "HARD LEAD",   "SOFT LEAD", "TECHNO SYNTH", "PULSATING",   "SYNTH FX", "OTHER SYNTH",
            "BRIGHT PAD", "SOFT PAD",    "VOX",       "PLUCKED",      "ETHNIC",      "FRETTED",  "PERCUSSION",
            "SOUND FX",   "BEAT&GROOVE", "DRUMS",     "COMBINATION"};
}

Texts MatrixSources() {
    // Values 1..95 are the controller numbers.
    Texts out = Concat({"OFF"}, Numbered("CC", 1, 95));
    for (const char* s : {"BEND", "AFTERTOUCH", "SYS-CTRL1", "SYS-CTRL2", "SYS-CTRL3", "SYS-CTRL4", "VELOCITY",
                          "KEYFOLLOW", "TEMPO", "LFO1", "LFO2", "PITCH-ENV", "TVF-ENV", "TVA-ENV"})
        out.emplace_back(s);
    return out;
}

Texts MatrixDestinations() {
    return {"OFF",      "PITCH",    "CUTOFF",    "RESONANCE", "LEVEL",     "PAN",      "DRY",
            "CHORUS",   "REVERB",   "PIT-LFO1",  "PIT-LFO2",  "TVF-LFO1",  "TVF-LFO2", "TVA-LFO1",
            "TVA-LFO2", "PAN-LFO1", "PAN-LFO2",  "LFO1-RATE", "LFO2-RATE", "PIT-ATK",  "PIT-DCY",
            "PIT-REL",  "TVF-ATK",  "TVF-DCY",   "TVF-REL",   "TVA-ATK",   "TVA-DCY",  "TVA-REL",
            "TMT",      "FXM",      "MFX-CTRL1", "MFX-CTRL2", "MFX-CTRL3", "MFX-CTRL4"};
}

// The steps of time keyfollow, pan keyfollow and bias level: -100..+100 by 10.
Texts TenSteps() { return SignedSteps(-100, 100, 10); }
// Pitch and cutoff keyfollow: -200..+200 by 10.
Texts KeyfollowSteps() { return SignedSteps(-200, 200, 10); }
Texts VelocityCurves() { return Concat({"FIXED"}, Numbers(1, 7)); }

void AddCommon(std::vector<CParameter>& out) {
    CRowWriter w(out, kCommonBlock);
    w.SetPage("Common");
    w.List(0x0C, "category", "Patch Category", PatchCategories());
    w.List(0x0D, "tonetype", "Tone Type", {"4 TONES", "MULTI-PARTIAL"});
    w.Number(0x0E, "level", "Patch Level");
    w.List(0x0F, "pan", "Patch Pan", Pans());
    w.List(0x10, "priority", "Patch Priority", {"LAST", "LOUDEST"});
    w.Centred(0x11, "coarse", "Patch Coarse Tune", 16, 112);
    w.Centred(0x12, "fine", "Patch Fine Tune", 14, 114);
    w.Centred(0x13, "octave", "Octave Shift", 61, 67);
    w.List(0x14, "stretchtune", "Stretch Tune Depth", {"OFF", "1", "2", "3"});
    w.Number(0x15, "analogfeel", "Analog Feel");
    w.List(0x16, "monopoly", "Mono/Poly", {"MONO", "POLY"});
    w.Switch(0x17, "legato", "Legato Switch");
    w.Switch(0x18, "legato.retrigger", "Legato Retrigger");
    w.Switch(0x19, "portamento", "Portamento Switch");
    w.List(0x1A, "portamento.mode", "Portamento Mode", {"NORMAL", "LEGATO"});
    w.List(0x1B, "portamento.type", "Portamento Type", {"RATE", "TIME"});
    w.List(0x1C, "portamento.start", "Portamento Start", {"PITCH", "NOTE"});
    w.Number(0x1D, "portamento.time", "Portamento Time");
    w.List(0x1E, "clock", "Patch Clock Source", {"PATCH", "SYSTEM"});
    w.Tempo(0x1F, "tempo", "Patch Tempo");
    w.Switch(0x21, "oneshot", "One Shot Mode");
    w.Centred(0x22, "cutoff.offset", "Cutoff Offset", 1, 127);
    w.Centred(0x23, "resonance.offset", "Resonance Offset", 1, 127);
    w.Centred(0x24, "attack.offset", "Attack Time Offset", 1, 127);
    w.Centred(0x25, "release.offset", "Release Time Offset", 1, 127);
    w.Centred(0x26, "velocity.offset", "Velocity Sens Offset", 1, 127);
    w.List(0x27, "output", "Patch Output Assign", OutputAssigns("TONE"));
    w.Switch(0x28, "tmt.control", "TMT Control Switch");
    w.Number(0x29, "bend.up", "Pitch Bend Range Up", 0, 48);
    w.Number(0x2A, "bend.down", "Pitch Bend Range Down", 0, 48);

    w.SetPage("Matrix Control");
    for (int c = 0; c < 4; ++c) {
        const std::string n = std::to_string(c + 1);
        const std::string id = "matrix" + n;
        w.SetGroup("Matrix Control " + n);
        const int first = 0x2B + 9 * c;
        w.List(first, id + ".source", "Source", MatrixSources());
        for (int d = 0; d < 4; ++d) {
            const std::string m = std::to_string(d + 1);
            w.List(first + 1 + 2 * d, id + ".dest" + m, "Destination " + m, MatrixDestinations());
            w.Centred(first + 2 + 2 * d, id + ".sens" + m, "Sens " + m, 1, 127);
        }
    }
}

void AddToneMix(std::vector<CParameter>& out) {
    CRowWriter common(out, kToneMixBlock);
    common.SetPage("Tone Mix");
    common.SetGroup("Structure");
    common.Number(0x00, "structure12", "Structure Type 1&2", 0, 9, 1);
    common.List(0x01, "booster12", "Booster 1&2", {"0", "+6", "+12", "+18"});
    common.Number(0x02, "structure34", "Structure Type 3&4", 0, 9, 1);
    common.List(0x03, "booster34", "Booster 3&4", {"0", "+6", "+12", "+18"});
    common.List(0x04, "tmt.velocity", "TMT Velocity Control", {"OFF", "ON", "RANDOM"});
    for (int t = 0; t < kToneCount; ++t) {
        const std::string n = std::to_string(t + 1);
        CRowWriter w(out, kToneMixBlock, t, "tone" + n + ".", "Tone " + n);
        w.SetPage("Tone Mix");
        const int first = kToneMixSwitch + kToneMixStride * t;
        w.Switch(first, "switch", "Tone Switch");
        w.List(first + 1, "key.lower", "Key Range Lower", NoteNames());
        w.List(first + 2, "key.upper", "Key Range Upper", NoteNames());
        w.Number(first + 3, "key.fade.lower", "Key Fade Lower");
        w.Number(first + 4, "key.fade.upper", "Key Fade Upper");
        w.Number(first + 5, "velocity.lower", "Velocity Range Lower", 1, 127);
        w.Number(first + 6, "velocity.upper", "Velocity Range Upper", 1, 127);
        w.Number(first + 7, "velocity.fade.lower", "Velocity Fade Lower");
        w.Number(first + 8, "velocity.fade.upper", "Velocity Fade Upper");
    }
}

void AddLfo(CRowWriter& w, int first, int lfo) {
    const std::string id = "lfo" + std::to_string(lfo);
    const std::string c = "LFO" + std::to_string(lfo) + " ";
    w.SetPage("LFO " + std::to_string(lfo));
    w.List(first, id + ".waveform", c + "Waveform",
           {"SIN", "TRI", "SAW-UP", "SAW-DW", "SQR", "RND", "BEND-UP", "BEND-DW", "TRP", "S&H", "CHS"});
    w.Wide(first + 1, id + ".rate", c + "Rate", 2, 149);
    w.List(first + 3, id + ".offset", c + "Offset", SignedSteps(-100, 100, 50));
    w.Number(first + 4, id + ".detune", c + "Rate Detune");
    w.Number(first + 5, id + ".delay", c + "Delay Time");
    w.List(first + 6, id + ".delay.keyfollow", c + "Delay Time Keyfollow", TenSteps(), 54);
    w.List(first + 7, id + ".fade.mode", c + "Fade Mode", {"ON-IN", "ON-OUT", "OFF-IN", "OFF-OUT"});
    w.Number(first + 8, id + ".fade.time", c + "Fade Time");
    w.Switch(first + 9, id + ".keytrigger", c + "Key Trigger");
    w.Centred(first + 10, id + ".pitch", c + "Pitch Depth", 1, 127);
    w.Centred(first + 11, id + ".filter", c + "Filter Depth", 1, 127);
    w.Centred(first + 12, id + ".amp", c + "Amp Depth", 1, 127);
    w.Centred(first + 13, id + ".pan", c + "Pan Depth", 1, 127);
}

// Velocity sens of time 1 and time 4, time keyfollow, then the four times.
void AddEnvelopeTimes(CRowWriter& w, int first, const std::string& id, const std::string& c) {
    w.Centred(first, id + ".time1.velocity", c + " Time1 Velocity Sens", 1, 127);
    w.Centred(first + 1, id + ".time4.velocity", c + " Time4 Velocity Sens", 1, 127);
    w.List(first + 2, id + ".time.keyfollow", c + " Time Keyfollow", TenSteps(), 54);
    for (int n = 1; n <= 4; ++n)
        w.Number(first + 2 + n, id + ".time" + std::to_string(n), c + " Time " + std::to_string(n));
}

void AddTone(std::vector<CParameter>& out, int tone) {
    const std::string n = std::to_string(tone + 1);
    CRowWriter w(out, kFirstToneMessage + tone, tone, "tone" + n + ".", "Tone " + n);

    w.SetPage("Wave");
    w.List(kToneWaveGroupType, "wave.group.type",
           "Group Type:", {"Internal", "JV80 Expansion", "SRX Expansion", "Sample"});
    w.Wide(kToneWaveGroupId, "wave.group.id", "Group ID:", 4, 16383);
    w.Wide(kToneWaveLeft, "wave.left", "Number L:", 4, 16383);
    w.Wide(kToneWaveRight, "wave.right", "Number R:", 4, 16383);
    w.List(0x34, "wave.gain", "Gain:", {"-6", "0", "+6", "+12"});
    w.Switch(0x35, "fxm.switch", "Switch:");
    w.Number(0x36, "fxm.color", "Color:", 0, 3, 1);
    w.Number(0x37, "fxm.depth", "Depth:", 0, 16);
    w.List(0x09, "delay.mode", "Mode:", {"NORMAL", "HOLD", "KEY-OFF-NORMAL", "KEY-OFF-DECAY"});
    w.Wide(0x0A, "delay.time", "Time:", 2, 149);
    w.Switch(0x38, "wave.temposync", "Tempo Sync:");

    w.SetPage("Tone");
    w.Number(0x00, "level", "Tone Level");
    w.Centred(0x01, "coarse", "Coarse Tune", 16, 112);
    w.Centred(0x02, "fine", "Fine Tune", 14, 114);
    w.List(0x03, "pitch.random", "Random Pitch Depth", RandomPitch());
    w.List(0x04, "pan", "Tone Pan", Pans());
    w.List(0x05, "pan.keyfollow", "Pan Keyfollow", TenSteps(), 54);
    w.Number(0x06, "pan.random", "Random Pan Depth", 0, 63);
    w.Centred(0x07, "pan.alternate", "Alternate Pan Depth", 1, 127);
    w.List(0x08, "envmode", "Envelope Mode", {"NO-SUS", "SUSTAIN"});

    w.SetPage("Output");
    w.Number(0x0C, "dry.send", "Dry Send Level");
    w.Number(0x0D, "chorus.send.mfx", "Chorus Send Level (MFX)");
    w.Number(0x0E, "reverb.send.mfx", "Reverb Send Level (MFX)");
    w.Number(0x0F, "chorus.send", "Chorus Send Level");
    w.Number(0x10, "reverb.send", "Reverb Send Level");
    w.List(0x11, "output", "Tone Output Assign", OutputAssigns({}));
    w.Switch(0x12, "rx.bender", "Receive Bender");
    w.Switch(0x13, "rx.expression", "Receive Expression");
    w.Switch(0x14, "rx.hold", "Receive Hold-1");
    w.List(0x15, "rx.panmode", "Receive Pan Mode", {"CONTINUOUS", "KEY-ON"});
    w.Switch(0x16, "redamper", "Redamper Switch");

    w.SetPage("Control Switch");
    for (int m = 0; m < 4; ++m)
        for (int d = 0; d < 4; ++d) {
            const std::string mn = std::to_string(m + 1), dn = std::to_string(d + 1);
            w.List(0x17 + 4 * m + d, "matrix" + mn + ".switch" + dn, "Matrix " + mn + " Switch " + dn,
                   {"OFF", "ON", "REVERSE"});
        }

    w.SetPage("Pitch");
    w.List(0x39, "pitch.keyfollow", "Pitch Keyfollow", KeyfollowSteps(), 44);
    w.Centred(0x3A, "penv.depth", "Pitch Env Depth", 52, 76);
    w.Centred(0x3B, "penv.velocity", "Pitch Env Velocity Sens", 1, 127);
    AddEnvelopeTimes(w, 0x3C, "penv", "Pitch Env");
    for (int l = 0; l <= 4; ++l)
        w.Centred(0x43 + l, "penv.level" + std::to_string(l), "Pitch Env Level " + std::to_string(l), 1, 127);

    w.SetPage("TVF");
    w.List(0x48, "filter", "Filter Type", {"OFF", "LPF", "BPF", "HPF", "PKG", "LPF2", "LPF3"});
    w.Number(0x49, "cutoff", "Cutoff Frequency");
    w.List(0x4A, "cutoff.keyfollow", "Cutoff Keyfollow", KeyfollowSteps(), 44);
    w.List(0x4B, "cutoff.curve", "Cutoff Velocity Curve", VelocityCurves());
    w.Centred(0x4C, "cutoff.velocity", "Cutoff Velocity Sens", 1, 127);
    w.Number(0x4D, "resonance", "Resonance");
    w.Centred(0x4E, "resonance.velocity", "Resonance Velocity Sens", 1, 127);
    w.Centred(0x4F, "fenv.depth", "Filter Env Depth", 1, 127);
    w.List(0x50, "fenv.curve", "Filter Env Velocity Curve", VelocityCurves());
    w.Centred(0x51, "fenv.velocity", "Filter Env Velocity Sens", 1, 127);
    AddEnvelopeTimes(w, 0x52, "fenv", "Filter Env");
    for (int l = 0; l <= 4; ++l)
        w.Number(0x59 + l, "fenv.level" + std::to_string(l), "Filter Env Level " + std::to_string(l));

    w.SetPage("TVA");
    w.List(0x5E, "bias.level", "Bias Level", TenSteps(), 54);
    w.List(0x5F, "bias.position", "Bias Position", NoteNames());
    w.List(0x60, "bias.direction", "Bias Direction", {"LOWER", "UPPER", "LOWER&UPPER", "ALL"});
    w.List(0x61, "aenv.curve", "Amp Env Velocity Curve", VelocityCurves());
    w.Centred(0x62, "aenv.velocity", "Amp Env Velocity Sens", 1, 127);
    AddEnvelopeTimes(w, 0x63, "aenv", "Amp Env");
    for (int l = 1; l <= 3; ++l)
        w.Number(0x69 + l, "aenv.level" + std::to_string(l), "Amp Env Level " + std::to_string(l));

    AddLfo(w, 0x6D, 1);
    AddLfo(w, 0x7B, 2);
}

}  // namespace

std::vector<CParameter> BuildPatchParameters() {
    std::vector<CParameter> out;
    // The wave page comes first: it is what the patch editor opens on.
    for (int t = 0; t < kToneCount; ++t) AddTone(out, t);
    AddCommon(out);
    AddToneMix(out);
    return out;
}

}  // namespace xv
