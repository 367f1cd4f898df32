// The performance: the common block (effects, tempo, voice reserve) and 16 parts.

#include <string>

#include "amberkit/JVEffectTable.h"
#include "amberkit/JVParameterRows.h"
#include "amberkit/JVParameters.h"

namespace amberkit {

namespace {

using namespace rows;

constexpr int kVoiceReserveOffset = 0x30;

std::string PartPrefix(int part) { return "part" + std::to_string(part + 1) + "."; }
std::string PartGroup(int part) { return "Part " + std::to_string(part + 1); }

void AddCommon(CRowWriter& w, Generation generation) {
    w.SetPage("Common");
    w.Tempo(0x2D, "tempo", "Performance Tempo");
    w.Switch(0x2F, "keyrange", "Keyboard Range Switch");
    if (generation != Generation::JV1080) {
        w.List(0x40, "keymode", "Keyboard Mode", {"LAYER", "SINGLE"});
        w.List(0x41, "clock", "Clock Source", {"PERFORMANCE", "SYSTEM"});
    }
}

void AddEffects(CRowWriter& w) {
    AddChorusReverb(w, 0x22, "Chorus/Reverb");

    w.SetPage("EFX");
    w.SetGroup({});
    w.List(0x0C, "efx.source", "EFX Source", GetEffectSourceNames());
    AddEffectRows(w, kPerformanceEffectOffset);
}

// What a part plays and how it listens.
void AddPart(std::vector<CParameter>& out, int part, Generation generation) {
    CRowWriter w(out, 1 + part, part, PartPrefix(part), PartGroup(part));
    w.SetPage("Part");
    w.Switch(0x00, "receive", "Receive Switch");
    w.Number(0x01, "channel", "MIDI Channel", 0, 15, 1);
    w.List(0x02, "group.type", "Patch Group Type", GroupTypes());
    w.Number(0x03, "group.id", "Patch Group ID");
    w.Wide(0x04, "patch", "Patch Number", 254, 1);
    w.Bipolar(0x08, "coarse", "Part Coarse Tune", 48);
    w.Bipolar(0x09, "fine", "Part Fine Tune", 50);
    w.Switch(0x0E, "rx.program", "Receive Program Change Switch");
    w.Switch(0x0F, "rx.volume", "Receive Volume Switch");
    w.Switch(0x10, "rx.hold", "Receive Hold-1 Switch");
    w.List(0x11, "key.lower", "Keyboard Range Lower", NoteNames());
    w.List(0x12, "key.upper", "Keyboard Range Upper", NoteNames());
    if (generation == Generation::JV1080) return;
    w.Number(0x13, "octave", "Octave Shift", 0, 6, -3);
    w.Switch(0x14, "local", "Local Switch");
    w.Switch(0x15, "transmit", "Transmit Switch");
    w.List(0x16, "tx.bankgroup", "Transmit Bank Select Group",
           {"PATCH", "GROUP1", "GROUP2", "GROUP3", "GROUP4", "GROUP5", "GROUP6", "GROUP7"});
    w.List(0x17, "tx.volume", "Transmit Volume", Concat(Numbers(0, 127), {"OFF"})).nibbles = 2;
}

// Level, pan, outputs and the voices reserved for the part.
void AddPartMix(std::vector<CParameter>& out, int part, Generation generation) {
    CRowWriter w(out, 1 + part, part, PartPrefix(part), PartGroup(part));
    w.SetPage("Mix");
    w.Number(0x06, "level", "Part Level");
    w.List(0x07, "pan", "Part Pan", CommonPans());
    w.List(0x0A, "output", "Output Assign", {"MIX", "EFX", "DIR1", "DIR2", "PATCH"});
    w.Number(0x0B, "output.level", "Mix/EFX Send Level");
    w.Number(0x0C, "chorus.send", "Chorus Send Level");
    w.Number(0x0D, "reverb.send", "Reverb Send Level");
    if (generation == Generation::JV2080) w.List(0x19, "output.select", "Output Select", {"A", "B", "C"});
    // The voices reserved per part are set together on the common page.
    w.SetBlock(0);
    w.SetPage("Common");
    w.SetGroup("Voice Reserve");
    w.Number(kVoiceReserveOffset + part, "reserve", PartGroup(part), 0, 64);
}

}  // namespace

std::vector<CParameter> BuildPerformanceParameters(Generation generation) {
    std::vector<CParameter> out;
    CRowWriter common(out, 0);
    AddCommon(common, generation);
    for (int p = 0; p < kPerformancePartCount; ++p) AddPart(out, p, generation);
    AddEffects(common);
    for (int p = 0; p < kPerformancePartCount; ++p) AddPartMix(out, p, generation);
    return out;
}

}  // namespace amberkit
