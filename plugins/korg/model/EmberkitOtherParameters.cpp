// The combination, drum kit and global parameters.
#include <cstdio>
#include <string>

#include "EmberkitParameterRows.h"
#include "EmberkitParameters.h"
#include "EmberkitSynth.h"

namespace emberkit {

namespace {

using rows::CRowWriter;
using rows::Texts;

Texts Numbers(int from, int to) {
    Texts texts;
    for (int v = from; v <= to; ++v) texts.push_back(std::to_string(v));
    return texts;
}

std::string TimbreGroup(int t) { return "Timbre " + std::to_string(t + 1); }
std::string TimbrePrefix(int t) { return "timbre" + std::to_string(t + 1) + "."; }

}  // namespace

std::vector<ParameterEntry> BuildCombinationEntries() {
    std::vector<ParameterEntry> out;
    const Texts programs = PatchNumberTexts();
    CRowWriter w(out, "Page 0: Timbre", 0);
    w.SetGroup("Combination");
    w.Number(kCombinationMode, 8, 0, "mode", "Mode:", 0, 255);
    for (int t = 0; t < kTimbreCount; ++t) {
        const int timbre = kTimbreOffset + kTimbreSize * t;
        w.SetGroup(TimbreGroup(t), t, TimbrePrefix(t));
        w.Bits(timbre + kTimbreStatus, 0x0F, t, 0, "channel", "Midi Channel:", Numbers(1, 16));
        w.List(timbre, t, 1, "program", "Program:", programs);
        w.Number(timbre + kTimbreLevel, t, 2, "level", "Level:", 0, 127);
    }
    w.SetPage("Page 1: Timbre", 1);
    for (int t = 0; t < kTimbreCount; ++t) {
        const int timbre = kTimbreOffset + kTimbreSize * t;
        w.SetGroup(TimbreGroup(t), t, TimbrePrefix(t));
        w.List(timbre + 2, t, 0, "transpose", "Transpose:", SignedTexts(-24, 24), -24);
        w.List(timbre + 3, t, 1, "detune", "Detune:", SignedTexts(-50, 50), -50);
        w.Number(timbre + 4, t, 2, "panpot", "Panpot:", 0, 255);
    }
    w.SetPage("Page 2: Window", 2);
    for (int t = 0; t < kTimbreCount; ++t) {
        const int timbre = kTimbreOffset + kTimbreSize * t;
        w.SetGroup(TimbreGroup(t), t, TimbrePrefix(t));
        w.Number(timbre + kTimbreBottomVelocity, t, 0, "velbottom", "Vel Window Bottom:", 1, 127);
        w.Number(timbre + kTimbreTopVelocity, t, 1, "veltop", "Vel Window Top:", 1, 127);
        w.List(timbre + kTimbreTopKey + 1, t, 2, "keybottom", "Key Window Bottom:", NoteNames(0, 127));
        w.List(timbre + kTimbreTopKey, t, 3, "keytop", "Key Window Top:", NoteNames(0, 127));
    }
    w.SetPage("Page 3: Midi Filter", 3);
    for (int t = 0; t < kTimbreCount; ++t) {
        const int filter = kTimbreOffset + kTimbreSize * t + 9;
        w.SetGroup(TimbreGroup(t), t, TimbrePrefix(t));
        w.Bits(filter, 0x01, t, 0, "progchange", "Program Change:", rows::OffOn());
        w.Bits(filter, 0x02, t, 1, "controlchange", "Control Change:", rows::OffOn());
        w.Bits(filter, 0x04, t, 2, "damper", "Damper:", rows::OffOn());
        w.Bits(filter, 0x08, t, 3, "aftertouch", "Aftertouch:", rows::OffOn());
    }
    AddEffectEntries(out, kCombinationEffects);
    return out;
}

// The instrument has no edit buffer for drum kits: their edits go out as the
// whole kit dump, never as parameter changes.
std::vector<ParameterEntry> BuildDrumEntries() {
    std::vector<ParameterEntry> out;
    const CEmberkitSynth& synth = CEmberkitSynth::Get();
    Texts sounds;
    const int soundCount = static_cast<int>(synth.GetSoundNames().drumSounds.size());
    for (int i = 0; i < (soundCount > 0 ? soundCount : 256); ++i) sounds.push_back(synth.GetDrumSoundName(i));
    CRowWriter w(out, "Drum", 0);
    w.SetLive(false);
    for (int e = 0; e < kDrumEntryCount; ++e) {
        const int entry = kDrumEntrySize * e;
        char name[16];
        std::snprintf(name, sizeof name, "Entry %02d", e);
        w.SetGroup(name, e, "entry" + std::to_string(e) + ".");
        w.List(entry, e, 0, "sound", "Multisound:", sounds);
        w.List(entry + 1, e, 1, "key", "Key:", NoteNames(kLowestDrumKey, 127), kLowestDrumKey);
        w.Bits(entry + 2, 0x0F, e, 2, "pan", "Pan:", Numbers(0, 15));
        w.Number(entry + 3, e, 3, "tune", "Tune:", -120, 120);
        w.Number(entry + 4, e, 4, "level", "Level:", -99, 99);
        w.Number(entry + 5, e, 5, "decay", "Decay:", -99, 99);
        w.Bits(entry + 2, 0xF0, e, 6, "group", "Group:", Numbers(0, 15));
    }
    return out;
}

// Shown, not sent: the instrument takes its global data only as a whole dump.
std::vector<ParameterEntry> BuildGlobalEntries() {
    std::vector<ParameterEntry> out;
    CRowWriter w(out, "Global", 0);
    w.SetLive(false);
    w.SetGroup("Global");
    w.List(0, 0, 0, "mastertune", "Master Tune:", SignedTexts(-50, 50), -50);
    w.List(1, 0, 1, "transpose", "Key Transpose:", SignedTexts(-12, 12), -12);
    w.List(2, 0, 2, "damper", "Damper Polarity:", {"-", "+"});
    const Texts pedal{"Off",           "Prog Up", "Prog Down",  "Seq Start/Stop", "Seq Punch In/Out",
                      "Effect On/Off", "Volume",  "VDF Cutoff", "Effect Control", "Data Entry"};
    w.List(3, 0, 3, "pedal1", "Assignable Pedal 1:", pedal);
    w.List(4, 0, 4, "pedal2", "Assignable Pedal 2:", pedal);
    w.List(5, 0, 5, "purekey", "Pure Type Key:", {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"});
    w.List(6, 0, 6, "scaletype", "Scale Type:", {"Equal Temp", "Equal Temp 2", "Pure Major", "Pure Minor", "User"});
    w.List(19, 0, 19, "velocitycurve", "Velocity Curve:", Numbers(1, 8));
    w.List(20, 0, 20, "aftertouchcurve", "After Touch Curve:", Numbers(1, 8));
    w.SetGroup("User Scale");
    static const char* const kNotes[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    for (int n = 0; n < 12; ++n)
        w.List(7 + n, 0, 7 + n, std::string("userscale.") + kNotes[n], std::string(kNotes[n]) + ":",
               SignedTexts(-50, 50), -50);
    return out;
}

}  // namespace emberkit
