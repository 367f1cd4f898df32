#include "amberkit/JVVirtualSynth.h"

#include <algorithm>
#include <cctype>
#include <span>
#include <utility>

#include <tonalith/Layer.h>
#include <tonalith/Parameters.h>
#include <tonalith/Ui.h>

#include "amberkit/JVBoardDatabase.h"
#include "amberkit/JVMessages.h"
#include "amberkit/JVParameters.h"
#include "amberkit/JVRecords.h"
#include "amberkit/JVSynth.h"
#include "amberkit/JVSynthMemory.h"

namespace amberkit {

namespace vsynth {

namespace {

constexpr std::size_t kChecksumFrom = 5;  // the checksum covers address and data
constexpr std::uint8_t kDepthOff = 0x3F;  // a bipolar depth of 0
constexpr std::uint8_t kDepthFull = 0x7E;  // ... and of +63

// "F0 41 10 6A 12 03 00 <block> <offset> XX KK F7".
std::string Template(std::string_view block, std::string_view offset) {
    return "F0 41 10 6A 12 03 00 " + std::string(block) + " " + std::string(offset) + " XX KK F7";
}
std::string Common(std::string_view offset) { return Template("00", offset); }
std::string Tones(std::string_view offset) { return Template("NN", offset); }
std::string Tone2(std::string_view offset) { return Template("12", offset); }

// A knob on both tones' parameter at offset (the patch table's "tone1.<id>").
KnobInfo BothTones(std::string key, std::string section, std::string caption, std::string_view offset,
                   std::string_view parameter) {
    return {std::move(key),
            std::move(section),
            std::move(caption),
            {Tones(offset)},
            {kTone1Block, kTone2Block},
            "tone1." + std::string(parameter),
            {},
            {}};
}

// Controller destination and depth of a tone: off, or full depth to pitch,
// cutoff, pitch LFO 1 or filter LFO 1.
KnobInfo Destination(std::string key, std::string caption, std::string_view destination, std::string_view depth) {
    return {std::move(key),
            "Control",
            std::move(caption),
            {Tones(destination), Tones(depth)},
            {kTone1Block, kTone2Block},
            {},
            {{0x00, kDepthOff}, {0x01, kDepthFull}, {0x02, kDepthFull}, {0x09, kDepthFull}, {0x0B, kDepthFull}},
            {"OFF", "PCH", "CUT", "PL1", "FL1"}};
}

// Envelopes: attack is time 1, decay time 3 down to the sustain level 3 (level 1
// and 2 stay full, so time 2 makes no sound), release time 4.
std::vector<KnobInfo> MakeKnobs() {
    return {
        {"structure", "Oscillators", "Structure", {Common("44")}, {}, "structure12", {}, {}},
        {"osc1.wave",
         "Oscillators",
         "Osc 1 Wave",
         {Template("10", "03"), Template("10", "04")},
         {},
         "tone1.wave",
         {},
         {},
         true},
        {"osc2.wave",
         "Oscillators",
         "Osc 2 Wave",
         {Template("12", "03"), Template("12", "04")},
         {},
         "tone2.wave",
         {},
         {},
         true},
        {"osc2.coarse", "Oscillators", "Osc 2 Coarse", {Tone2("3D")}, {}, "tone2.coarse", {}, {}},
        {"osc2.fine", "Oscillators", "Osc 2 Fine", {Tone2("3E")}, {}, "tone2.fine", {}, {}},
        BothTones("filter.type", "Filter", "Type", "50", "filter"),
        BothTones("filter.cutoff", "Filter", "Cutoff", "51", "cutoff"),
        BothTones("filter.resonance", "Filter", "Resonance", "53", "resonance"),
        BothTones("filter.envdepth", "Filter", "Env Depth", "55", "fenv.depth"),
        BothTones("fenv.attack", "Filter Env", "Attack", "5B", "fenv.time1"),
        BothTones("fenv.decay", "Filter Env", "Decay", "5D", "fenv.time3"),
        BothTones("fenv.sustain", "Filter Env", "Sustain", "61", "fenv.level3"),
        BothTones("aenv.attack", "Amp Env", "Attack", "6E", "aenv.time1"),
        BothTones("aenv.decay", "Amp Env", "Decay", "70", "aenv.time3"),
        BothTones("aenv.sustain", "Amp Env", "Sustain", "74", "aenv.level3"),
        BothTones("aenv.release", "Amp Env", "Release", "71", "aenv.time4"),
        BothTones("lfo1.wave", "LFO 1", "Wave", "2D", "lfo1.waveform"),
        BothTones("lfo1.rate", "LFO 1", "Rate", "2F", "lfo1.rate"),
        BothTones("lfo1.pitch", "LFO 1", "Pitch", "4E", "pitch.lfo1"),
        BothTones("lfo1.filter", "LFO 1", "Filter", "63", "filter.lfo1"),
        BothTones("lfo2.wave", "LFO 2", "Wave", "35", "lfo2.waveform"),
        BothTones("lfo2.rate", "LFO 2", "Rate", "37", "lfo2.rate"),
        BothTones("lfo2.pitch", "LFO 2", "Pitch", "4F", "pitch.lfo2"),
        BothTones("lfo2.level", "LFO 2", "Level", "76", "level.lfo2"),
        Destination("control1", "Control 1", "15", "16"),
        Destination("control2", "Control 2", "1D", "1E"),
    };
}

const CParameterTable& PatchTable() { return GetJVParameterTable(RecordKind::Patch, Generation::JV2080); }

const CParameter* ParameterOf(const KnobInfo& knob) {
    return knob.parameter.empty() ? nullptr : PatchTable().Find(knob.parameter);
}

// The patch as the panel starts from, for the knobs' starting values.
const CJVPatch& StartPatch() {
    static const std::unique_ptr<CJVPatch> patch = MakePatch(kDeviceByteBase);
    return *patch;
}

// The waves of the group the patch's tones play (group type 0, id 1: the
// first internal group, whose names are in 3.pre).
constexpr int kWaveGroupFile = kGroupIdUser + 2;

int WaveCount() {
    return CJVBoardDatabase::Get().GetListLength(kWaveGroupFile, CJVBoardDatabase::Section::Wave,
                                                 CJVBoardDatabase::Kind::Preset);
}

int HexDigit(char c) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

Runner& InstalledRunner() {
    static Runner runner;
    return runner;
}

}  // namespace

std::unique_ptr<CJVPatch> MakePatch(std::uint8_t deviceByte) {
    auto patch = std::make_unique<CJVPatch>();
    patch->SetName(std::string(kPatchName));
    patch->ToneData(1)[kToneSwitch] = 1;
    patch->Readdress(kAreaTempPatch, 0, deviceByte);
    return patch;
}

Bytes PatchImage(Generation generation, std::uint8_t deviceByte) {
    return MakePatch(deviceByte)->GetSysExImage(generation);
}

const std::vector<KnobInfo>& Knobs() {
    static const std::vector<KnobInfo> knobs = MakeKnobs();
    return knobs;
}

const KnobInfo* FindKnob(std::string_view key) {
    const auto& knobs = Knobs();
    const auto it = std::find_if(knobs.begin(), knobs.end(), [key](const KnobInfo& k) { return k.key == key; });
    return it == knobs.end() ? nullptr : &*it;
}

KnobRange RangeOf(const KnobInfo& knob) {
    if (const CParameter* p = ParameterOf(knob)) {
        // Without the name file every wave number stays reachable.
        const int maximum = knob.waveNames && WaveCount() > 0 ? std::min(p->maximum, WaveCount() - 1) : p->maximum;
        return {p->minimum, maximum, PatchTable().GetValue(StartPatch(), *p)};
    }
    return {0, std::max(0, static_cast<int>(knob.positions.size()) - 1), 0};
}

std::string ValueText(const KnobInfo& knob, int value) {
    if (knob.waveNames && value < WaveCount())
        return CJVBoardDatabase::Get().GetName(kWaveGroupFile, CJVBoardDatabase::Section::Wave, value,
                                               CJVBoardDatabase::Kind::Preset);
    if (const CParameter* p = ParameterOf(knob)) return PatchTable().FormatValue(*p, value);
    if (value >= 0 && value < static_cast<int>(knob.positionTexts.size()))
        return knob.positionTexts[static_cast<std::size_t>(value)];
    return std::to_string(value);
}

Bytes FillTemplate(std::string_view text, std::uint8_t toneBlock, int value, std::uint8_t deviceByte) {
    // Pairs separated by one blank: anything left over is a broken template.
    if (text.size() % 3 != 2) return {};
    Bytes bytes;
    bytes.reserve(text.size() / 3 + 1);
    for (std::size_t i = 0; i + 1 < text.size(); i += 3) {
        if (i + 2 < text.size() && text[i + 2] != ' ') return {};
        const std::string_view pair = text.substr(i, 2);
        if (pair == "NN") {
            bytes.push_back(toneBlock);
        } else if (pair == "XX") {
            bytes.push_back(static_cast<std::uint8_t>(value & 0x7F));
        } else if (pair == "KK") {
            if (bytes.size() < kChecksumFrom) return {};
            bytes.push_back(RolandChecksum(std::span<const std::uint8_t>(bytes).subspan(kChecksumFrom)));
        } else {
            const int high = HexDigit(pair[0]);
            const int low = HexDigit(pair[1]);
            if (high < 0 || low < 0) return {};
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        }
    }
    if (IsDataSetHeader(bytes)) bytes[kPosDevice] = deviceByte;
    return bytes;
}

std::vector<KnobMessage> MessagesFor(const KnobInfo& knob, int value, std::uint8_t deviceByte) {
    const KnobRange range = RangeOf(knob);
    value = std::clamp(value, range.minimum, range.maximum);
    std::vector<KnobMessage> out;
    for (std::size_t t = 0; t < knob.templates.size(); ++t) {
        const std::string& text = knob.templates[t];
        int data = value;
        if (!knob.positions.empty()) {
            data = knob.positions[static_cast<std::size_t>(value)].at(t);
        } else if (const CParameter* p = ParameterOf(knob)) {
            data = value + p->storedOffset;
            if (p->nibbles == 2) data = t == 0 ? (data >> 4) & 0x0F : data & 0x0F;
        }
        const bool perTone = text.find("NN") != std::string::npos;
        const std::vector<std::uint8_t> blocks = perTone ? knob.toneBlocks : std::vector<std::uint8_t>{0};
        for (const std::uint8_t block : blocks)
            out.push_back({knob.key + "/" + std::to_string(t) + "/" + std::to_string(block),
                           FillTemplate(text, block, data, deviceByte)});
    }
    return out;
}

Runner SetRunner(Runner runner) { return std::exchange(InstalledRunner(), std::move(runner)); }

}  // namespace vsynth

CJVVirtualSynthTool::CJVVirtualSynthTool(CAmberkitSynthMemory& memory) : CSynthTool(memory) {}

void CJVVirtualSynthTool::Execute(const CToolContext& context) {
    const vsynth::Runner& runner = vsynth::InstalledRunner();
    if (!runner) {
        CUi::Get().MessageBox("The Virtual Synth needs the program's window.", CUi::Icon::Information);
        return;
    }
    // The panel plays the temporary patch, which sounds only in patch mode.
    m_memory.GetLayer(kUserPatchLayer).SwitchMode(*m_memory.GetSynth(), true);
    runner(context);
}

}  // namespace amberkit
