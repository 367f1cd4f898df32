// Performance (common and 32 parts), rhythm set common and system common. The
// effect blocks, the performance MIDI blocks, the rhythm keys and the system EQ
// and scale tunes are not described well enough to list; the hex view shows them.

#include <string>

#include "XVParameterRows.h"
#include "XVParameters.h"
#include "XVRecords.h"

namespace xv {

namespace {

using namespace rows;

Texts PartsOrOff() { return Concat({"OFF"}, Numbers(1, kPartCount)); }
Texts PerformOrParts() { return Concat({"PERFORM"}, Numbers(1, kPartCount)); }
Texts ChannelsOrOff() { return Concat(Numbers(1, 16), {"OFF"}); }

void AddPerformanceCommon(std::vector<CParameter>& out) {
    CRowWriter w(out, 0);
    w.SetPage("Common");
    w.List(0x0C, "solo", "Solo Part", PartsOrOff());
    w.List(0x0D, "mfx.channel", "MFX Control Channel", ChannelsOrOff());
    w.List(0x30, "mfxa.source", "MFX-A Source", PerformOrParts());
    w.List(0x31, "mfxb.source", "MFX-B Source", PerformOrParts());
    w.List(0x32, "mfxc.source", "MFX-C Source", PerformOrParts());
    w.List(0x33, "chorus.source", "Chorus Source", PerformOrParts());
    w.List(0x34, "reverb.source", "Reverb Source", PerformOrParts());
}

void AddPart(std::vector<CParameter>& out, int part) {
    const std::string n = std::to_string(part + 1);
    CRowWriter w(out, CXVPerformance::FirstPartMessage() + part, part, "part" + n + ".", "Part " + n);
    // Eight parts to a page: one page of all 32 would build a thousand controls at once.
    w.SetPage("Parts " + std::to_string(part / 8 * 8 + 1) + "-" + std::to_string(part / 8 * 8 + 8));
    w.Number(0x00, "channel", "Receive Channel", 0, 15, 1);
    w.Switch(0x01, "receive", "Receive Switch");
    w.Number(kPartBankMsb, "bank.msb", "Bank Select MSB");
    w.Number(kPartBankLsb, "bank.lsb", "Bank Select LSB");
    w.Number(kPartProgram, "program", "Program Number", 0, 127, 1);
    w.Number(0x07, "level", "Part Level");
    w.List(0x08, "pan", "Part Pan", Pans());
    w.Centred(0x09, "coarse", "Part Coarse Tune", 16, 112);
    w.Centred(0x0A, "fine", "Part Fine Tune", 14, 114);
    w.List(0x0B, "monopoly", "Part Mono/Poly", {"MONO", "POLY", "PATCH"});
    w.List(0x0C, "legato", "Part Legato", {"OFF", "ON", "PATCH"});
    w.List(0x0D, "bend", "Part Bend Range", Concat(Numbers(0, 24), {"PATCH"}));
    w.List(0x0E, "portamento", "Part Portamento Switch", {"OFF", "ON", "PATCH"});
    w.List(0x0F, "portamento.time", "Part Portamento Time", Concat(Numbers(0, 127), {"PATCH"})).nibbles = 2;
    w.Centred(0x11, "cutoff.offset", "Cutoff Offset", 0, 127);
    w.Centred(0x12, "resonance.offset", "Resonance Offset", 0, 127);
    w.Centred(0x13, "attack.offset", "Attack Offset", 0, 127);
    w.Centred(0x14, "release.offset", "Release Offset", 0, 127);
    w.Centred(0x15, "octave", "Octave Shift", 61, 67);
    w.Centred(0x16, "velocity.offset", "Velocity Sens Offset", 1, 127);
    w.List(0x17, "key.lower", "Key Range Lower", NoteNames());
    w.List(0x18, "key.upper", "Key Range Upper", NoteNames());
    w.Number(0x19, "key.fade.lower", "Key Fade Lower");
    w.Number(0x1A, "key.fade.upper", "Key Fade Upper");
    w.Switch(0x1B, "mute", "Mute Switch");
    w.Number(0x1C, "dry.send", "Dry Send Level");
    w.Number(0x1D, "chorus.send", "Chorus Send Level");
    w.Number(0x1E, "reverb.send", "Reverb Send Level");
    w.List(0x1F, "output", "Output Assign", OutputAssigns("PATCH"));
    w.List(0x20, "output.mfx", "Output MFX Select", {"A", "B", "C"});
    // The voice reserve lives in the common block but belongs to the part.
    w.SetBlock(0);
    w.List(0x10 + part, "reserve", "Voice Reserve", Concat(Numbers(0, 63), {"FULL"}));
}

}  // namespace

std::vector<CParameter> BuildPerformanceParameters() {
    std::vector<CParameter> out;
    AddPerformanceCommon(out);
    for (int p = 0; p < kPartCount; ++p) AddPart(out, p);
    return out;
}

std::vector<CParameter> BuildRhythmParameters() {
    std::vector<CParameter> out;
    CRowWriter w(out, 0);
    w.SetPage("Common");
    w.Number(0x0C, "level", "Rhythm Level");
    w.List(0x0D, "clock", "Clock Source", {"RHYTHM", "SYSTEM"});
    w.Tempo(0x0E, "tempo", "Rhythm Tempo");
    w.Switch(0x10, "oneshot", "One Shot Mode");
    w.List(0x11, "output", "Output Assign", OutputAssigns("KEY"));
    return out;
}

std::vector<CParameter> BuildSystemParameters() {
    std::vector<CParameter> out;
    CRowWriter w(out, 0);
    w.SetPage("System");
    w.List(0x00, "soundmode", "Sound Mode", {"PERFORM", "PATCH", "GM1", "GM2", "GS"});
    CParameter& tune = w.Wide(0x01, "mastertune", "Master Tune", 4, 2000);
    tune.storedOffset = 24;  // 24..2024: -100.0..+100.0 cents in tenths
    tune.displayOffset = -1000;
    w.Centred(0x05, "keyshift", "Master Key Shift", 40, 88);
    w.Number(0x06, "level", "Master Level");
    w.Switch(0x07, "scaletune", "Scale Tune Switch");
    w.Switch(0x08, "patchremain", "Patch Remain");
    w.List(0x09, "mixparallel", "Mix/Parallel", {"MIX", "PARALLEL"});
    w.Switch(0x0A, "mfx", "MFX Switch");
    w.Switch(0x0B, "chorus", "Chorus Switch");
    w.Switch(0x0C, "reverb", "Reverb Switch");
    w.List(0x0D, "perform.channel", "Performance Control Channel", ChannelsOrOff());
    w.Number(0x0E, "perform.msb", "Performance Bank MSB");
    w.Number(0x0F, "perform.lsb", "Performance Bank LSB");
    w.Number(0x10, "perform.program", "Performance Program Number", 0, 127, 1);
    w.Number(0x11, "patch.channel", "Patch Receive Channel", 0, 15, 1);
    w.Number(0x12, "patch.msb", "Patch Bank MSB");
    w.Number(0x13, "patch.lsb", "Patch Bank LSB");
    w.Number(0x14, "patch.program", "Patch Program Number", 0, 127, 1);
    w.List(0x15, "clock", "System Clock Source", {"INT", "MIDI"});
    w.Tempo(0x16, "tempo", "System Tempo");
    const Texts sources = Concat(Concat({"OFF"}, Numbered("CC", 1, 95)), {"BEND", "AFTERTOUCH"});
    for (int s = 0; s < 4; ++s)
        w.List(0x18 + s, "control" + std::to_string(s + 1), "System Control Source " + std::to_string(s + 1), sources);
    w.Switch(0x1C, "rx.program", "Receive Program Change");
    w.Switch(0x1D, "rx.bank", "Receive Bank Select");
    return out;
}

}  // namespace xv
