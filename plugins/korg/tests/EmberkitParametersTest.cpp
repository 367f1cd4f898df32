// The parameter tables, the parameter change message, the effect value lists and
// the Virtual Synth's messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "File.h"
#include "Layer.h"
#include "TestSupport.h"
#include "model/EmberkitEffects.h"
#include "model/EmberkitFormat.h"
#include "model/EmberkitParameters.h"
#include "model/EmberkitPatches.h"
#include "model/EmberkitSynthMemory.h"
#include "model/EmberkitVirtualSynth.h"
#include "Ui.h"

using namespace emberkit;
using Bytes = std::vector<std::uint8_t>;

namespace {

const CParameter& Get(const CParameterTable& table, const std::string& id) {
    const CParameter* p = table.Find(id);
    if (!p) throw std::runtime_error("no parameter " + id);
    return *p;
}

TEST(EmberkitTables, EveryTableFitsItsRecord) {
    CScopedScriptedUi ui;
    EXPECT_EQ(GetParameterTable(TableKind::Program).CheckLayout(kProgramSize), "");
    EXPECT_EQ(GetParameterTable(TableKind::Combination).CheckLayout(kCombinationSize), "");
    EXPECT_EQ(GetParameterTable(TableKind::Drum).CheckLayout(kDrumKitSize), "");
    EXPECT_EQ(GetParameterTable(TableKind::Global).CheckLayout(kGlobalSize), "");
    const std::vector<std::string> pages = GetParameterTable(TableKind::Program).GetPages();
    EXPECT_EQ(pages, (std::vector<std::string>{"Page 0: Osc", "Page 1: Emp./W.S.", "Page 2: VDF 1", "Page 3: VDF 2",
                                               "Page 4: VDA 1", "Page 5: VDA 2", "Page 6: Pitch MG", "Page 7: VDF MG",
                                               "Page 8: Effect"}));
    EXPECT_EQ(GetParameterTable(TableKind::Combination).GetPages(),
              (std::vector<std::string>{"Page 0: Timbre", "Page 1: Timbre", "Page 2: Window", "Page 3: Midi Filter",
                                        "Page 8: Effect"}));
}

TEST(EmberkitTables, SignedBytesAndBitFieldsKeepTheirNeighbours) {
    CScopedScriptedUi ui;
    CEmberkitProgram program;
    const CParameterTable& table = *program.GetParameterTable();
    program.Data()[14] = 0xFF;  // octave -1, as the instrument stores it
    EXPECT_EQ(table.GetValue(program, Get(table, "osc1.octave")), -1);
    EXPECT_EQ(table.FormatValue(Get(table, "osc1.octave"), -1), "16'");
    table.SetValue(program, Get(table, "osc2.pitchegamount"), -3);
    EXPECT_EQ(program.Data()[91], 0xFD);

    program.Data()[11] = 0x02;  // hold on, poly
    table.SetValue(program, Get(table, "voicemode"), 1);
    EXPECT_EQ(program.Data()[11], 0x03);
    program.Data()[29] = 0x00;
    table.SetValue(program, Get(table, "vdfmg.destination"), 3);
    table.SetValue(program, Get(table, "vdfmg.keysync"), 1);
    table.SetValue(program, Get(table, "vdfmg.waveform"), 2);
    EXPECT_EQ(program.Data()[29], 0xE2);
    EXPECT_EQ(table.GetValue(program, Get(table, "vdfmg.destination")), 3);

    CEmberkitCombination combination;
    const CParameterTable& ct = *combination.GetParameterTable();
    table.SetValue(combination, Get(ct, "timbre3.channel"), 9);  // MIDI channel 10, timbre on kept
    combination.Data()[40 + 22 + 10] |= 0x10;
    ct.SetValue(combination, Get(ct, "timbre3.channel"), 9);
    EXPECT_EQ(combination.Data()[40 + 22 + 10], 0x19);
    EXPECT_EQ(ct.FormatValue(Get(ct, "timbre3.channel"), 9), "10");
}

TEST(EmberkitTables, ParameterChangeValueBytes) {
    const ParameterAddress cutoff{2, 0, 0};
    EXPECT_EQ(BuildParameterChange(cutoff, -3, 1),
              (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x41, 0x02, 0x00, 0x00, 0x7D, 0x7F, 0xF7}));
    EXPECT_EQ(BuildParameterChange(cutoff, 200, 3),
              (Bytes{0xF0, 0x42, 0x32, 0x2B, 0x41, 0x02, 0x00, 0x00, 0x48, 0x01, 0xF7}));
    EXPECT_EQ(BuildParameterChange(cutoff, 300, 1)[9], 0x02);
    EXPECT_EQ(BuildParameterChange(cutoff, 400, 1)[9], 0x03);
    EXPECT_EQ(BuildDrumParameterChange({1, 2, 3}, 300, 1),
              (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x53, 0x00, 0x01, 0x02, 0x03, 0x2C, 0x02, 0xF7}));
    EXPECT_EQ(BuildDrumParameterChange({1, 2, 3}, 100, 1), BuildParameterChange({1, 2, 3}, 100, 1));
}

TEST(EmberkitTables, LiveMessageOfTheFilterCutoff) {
    CScopedScriptedUi ui;
    CEmberkitProgram program;
    const auto& table = static_cast<const CEmberkitParameterTable&>(*program.GetParameterTable());
    const CParameter& cutoff = Get(table, "vdf1.cutoff");
    table.SetValue(program, cutoff, 72);
    EXPECT_EQ(table.BuildLiveMessage(program, cutoff),
              (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x41, 0x02, 0x00, 0x00, 0x48, 0x00, 0xF7}));
    const CParameter& vdf2 = Get(table, "vdf2.cutoff");
    EXPECT_EQ(table.GetAddress(vdf2).block, 3);
    EXPECT_EQ(table.GetAddress(vdf2).parameter, 0);
    // Shown only: the global data has no parameter change.
    CEmberkitGlobal global;
    EXPECT_TRUE(
        global.GetParameterTable()->BuildLiveMessage(global, Get(*global.GetParameterTable(), "mastertune")).empty());
}

// The count bytes printed in hex in a reference file, from marker on (or from
// just after it); tokens such as "4E*" or "|" are read for their hex digits only.
std::optional<Bytes> ReferenceBytes(const char* file, const std::string& marker, bool afterMarker, std::size_t count) {
    const auto dir = tonalith::test::ReferenceDir();
    if (!dir) return std::nullopt;
    std::ifstream in(*dir / file);
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    const std::size_t start = all.find(marker);
    if (start == std::string::npos) return std::nullopt;
    Bytes bytes;
    std::istringstream hex(all.substr(afterMarker ? start + marker.size() : start));
    std::string token;
    while (bytes.size() < count && hex >> token) {
        std::erase_if(token, [](char c) { return !std::isxdigit(static_cast<unsigned char>(c)); });
        if (token.empty()) continue;
        if (token.size() != 2) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(token, nullptr, 16)));
    }
    if (bytes.size() != count) return std::nullopt;
    return bytes;
}

// The program a real 01/W sent, as the reference reproduces it (decoded).
std::optional<Bytes> ReferenceProgram() {
    return ReferenceBytes("korg-01w.md", "53 4F 4C 4F 2D 50 48 41 53 45", false, kProgramSize);
}

// The global data of the reference's example dump (a user scale of 1..12 cents).
std::optional<Bytes> ReferenceGlobal() {
    return ReferenceBytes("korg-01w-extra.md", "CC example (8-bit) `", true, kGlobalSize);
}

// The packing as the reference words it, kept apart from Pack so that a fault
// shared by Pack and Unpack cannot hide: per group of seven bytes one byte of
// their top bits (bit i for byte i), then the seven without them.
Bytes PackAsPublished(const Bytes& data) {
    Bytes packed;
    for (std::size_t group = 0; group < data.size(); group += 7) {
        const std::size_t end = std::min(data.size(), group + 7);
        std::uint8_t top = 0;
        for (std::size_t i = group; i < end; ++i) top |= static_cast<std::uint8_t>((data[i] >> 7) << (i - group));
        packed.push_back(top);
        for (std::size_t i = group; i < end; ++i) packed.push_back(data[i] & 0x7F);
    }
    return packed;
}

Bytes Dump(Bytes head, const Bytes& data) {
    const Bytes packed = PackAsPublished(data);
    head.insert(head.end(), packed.begin(), packed.end());
    head.push_back(0xF7);
    return head;
}

TEST(EmberkitTables, ReadsTheCapturedProgram) {
    const std::optional<Bytes> data = ReferenceProgram();
    if (!data) GTEST_SKIP() << "no reference data (TONALITH_REFERENCE)";
    CScopedScriptedUi ui;
    CEmberkitProgram program;
    std::copy(data->begin(), data->end(), program.Data().begin());
    const CParameterTable& table = *program.GetParameterTable();
    EXPECT_EQ(program.GetName(), "SOLO-PHASE");
    EXPECT_EQ(table.FormatValue(Get(table, "oscmode"), table.GetValue(program, Get(table, "oscmode"))), "SINGLE");
    EXPECT_EQ(table.GetValue(program, Get(table, "osc1.multisound")), 53);
    EXPECT_EQ(table.GetValue(program, Get(table, "osc1.octave")), -1);
    EXPECT_EQ(table.GetValue(program, Get(table, "detune")), -4);
    EXPECT_EQ(table.GetValue(program, Get(table, "bend.joystick")), 2);
    EXPECT_EQ(table.GetValue(program, Get(table, "pitchmg1.keysync")), 1);
    EXPECT_EQ(table.GetValue(program, Get(table, "pitchmg1.frequency")), 55);
}

// The captured program as the instrument sends it: one 203-byte message into
// the memory, every byte in place, and out again unchanged.
TEST(EmberkitReference, TheCapturedProgramLoadsFromItsDump) {
    const std::optional<Bytes> data = ReferenceProgram();
    if (!data) GTEST_SKIP() << "no reference data (TONALITH_REFERENCE)";
    CScopedScriptedUi ui;
    const Bytes dump = Dump({0xF0, 0x42, 0x30, 0x2B, 0x40}, *data);
    ASSERT_EQ(dump.size(), 203u);
    CEmberkitSynthMemory memory;
    CMemFile probe(dump, "solo-phase.syx");
    EXPECT_EQ(memory.GetMatchingLayer(probe), kProgramLayer);
    CMemFile in(dump, "solo-phase.syx");
    memory.Load(in);
    EXPECT_TRUE(memory.GetLoadProblems().empty());
    EXPECT_EQ(in.GetPosition(), dump.size());
    const CPatch& program = *memory.GetLayer(kProgramLayer).GetPatch(0);
    EXPECT_TRUE(std::ranges::equal(program.Data(), *data));
    EXPECT_EQ(memory.GetLayer(kProgramLayer).GetPatchLabel(0), "A00 SOLO-PHASE");
    EXPECT_EQ(program.GetSysExData(true), dump);

    // What the reference reads in the second oscillator's block and the cutoff
    // the editors change (block offset 10: byte 50, 85 in this program).
    const CParameterTable& table = *program.GetParameterTable();
    EXPECT_EQ(table.GetValue(program, Get(table, "osc2.multisound")), 53);
    EXPECT_EQ(table.GetValue(program, Get(table, "osc2.octave")), -1);
    EXPECT_EQ(table.GetValue(program, Get(table, "pitchmg2.keysync")), 1);
    EXPECT_EQ(table.GetValue(program, Get(table, "pitchmg2.frequency")), 52);
    EXPECT_EQ(table.GetValue(program, Get(table, "vdf1.cutoff")), 85);
}

// The reference's global dump (31 bytes): the fields two sources agree on. Its
// first byte is left alone: the reference is unsure of that byte's top bit.
TEST(EmberkitReference, TheExampleGlobalDumpLoads) {
    const std::optional<Bytes> data = ReferenceGlobal();
    if (!data) GTEST_SKIP() << "no reference data (TONALITH_REFERENCE)";
    CScopedScriptedUi ui;
    const Bytes dump = Dump({0xF0, 0x42, 0x30, 0x2B, 0x51, 0x00}, *data);
    ASSERT_EQ(dump.size(), 31u);
    CEmberkitSynthMemory memory;
    CMemFile in(dump, "global.syx");
    memory.Load(in);
    EXPECT_TRUE(memory.GetLoadProblems().empty());
    CLayer& layer = memory.GetLayer(kGlobalLayer);
    const CPatch& global = *layer.GetPatch(0);
    EXPECT_TRUE(std::ranges::equal(global.Data(), *data));
    const CParameterTable& table = *global.GetParameterTable();
    const auto value = [&](const std::string& id) { return table.GetValue(global, Get(table, id)); };
    const auto shown = [&](const std::string& id) { return table.FormatValue(Get(table, id), value(id)); };
    const char* const notes[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    for (int n = 0; n < 12; ++n) EXPECT_EQ(value(std::string("userscale.") + notes[n]), n + 1) << notes[n];
    EXPECT_EQ(value("transpose"), 0);
    EXPECT_EQ(shown("damper"), "+");
    EXPECT_EQ(shown("pedal1"), "Prog Up");
    EXPECT_EQ(shown("pedal2"), "Prog Down");
    EXPECT_EQ(shown("velocitycurve"), "5");
    EXPECT_EQ(shown("aftertouchcurve"), "8");
    CMemFile out;
    layer.Save(out);
    EXPECT_EQ(out.Data(), dump);
}

TEST(EmberkitEffects, ValueListsByKind) {
    const std::vector<std::string> times = EffectTimeValues();
    ASSERT_EQ(times.size(), 217u);
    EXPECT_EQ(times.front(), "0.03");
    EXPECT_EQ(times[99], "3.00");
    EXPECT_EQ(times[100], "3.1");
    EXPECT_EQ(times[198], "12.9");
    EXPECT_EQ(times[199], "13.0");
    EXPECT_EQ(times.back(), "30.0");

    const std::vector<std::string> balance = EffectBalanceValues();
    ASSERT_EQ(balance.size(), 42u);
    EXPECT_EQ(balance[0], "T+10");
    EXPECT_EQ(balance[10], "T+00");
    EXPECT_EQ(balance[11], "T-01");
    EXPECT_EQ(balance[20], "T-10");
    EXPECT_EQ(balance[21], "S-10");
    EXPECT_EQ(balance[31], "S+00");
    EXPECT_EQ(balance.back(), "S+10");

    EXPECT_EQ(EffectRangeValues(1.0, 1.3, 0), (std::vector<std::string>{"1.0", "1.1", "1.2", "1.3"}));
    EXPECT_EQ(EffectRangeValues(0, 10, 2.5).size(), 5u);
    EXPECT_TRUE(EffectRangeValues(5, 1, 1).empty());
    EffectParameterDescriptor strings{"Mode:", EffectParameterDescriptor::KindOf('S'), 0, 0, 0, {"A", "B"}};
    EXPECT_EQ(EffectValueList(strings), (std::vector<std::string>{"A", "B"}));
    EffectParameterDescriptor raw;
    raw.kind = EffectParameterDescriptor::KindOf('?');
    EXPECT_TRUE(EffectValueList(raw).empty());

    ASSERT_EQ(EffectTypes().size(), 48u);
    EXPECT_EQ(EffectTypes()[47].name, "47: Delay/R.SP");
    for (const auto& p : EffectTypes()[0].parameters) EXPECT_TRUE(p.label.empty());  // no effect: all hidden
    EXPECT_EQ(EffectTypes()[1].parameters[0].label, "Reverb Time:");
    EXPECT_EQ(EffectTypes()[14].parameters[1].label, "Delay Time R:");
}

TEST(EmberkitDrums, AKitGoesIntoTheChosenSlotWithTheOtherKitsKept) {
    CScopedScriptedUi ui;
    CEmberkitSynthMemory memory;
    CLayer& kits = memory.GetLayer(kDrumLayer);
    kits.GetPatch(1)->Data()[0] = 9;
    std::unique_ptr<CPatch> edited = kits.GetPatch(0)->Clone();
    edited->Data()[7 * 5 + 3] = 0xF6;  // entry 5 tune -10
    const Bytes dump = static_cast<CEmberkitDrumKit&>(*edited).BuildDumpIntoSlot(2, 1);
    ASSERT_EQ(dump.size(), 6u + 1920u + 1u);
    const std::optional<Bytes> data = Unpack(std::span(dump).subspan(6, 1920), 4 * kDrumKitSize);
    ASSERT_TRUE(data);
    EXPECT_EQ((*data)[kDrumKitSize * 1], 9);  // kit A01 as it is
    EXPECT_EQ((*data)[kDrumKitSize * 2 + 7 * 5 + 3], 0xF6);  // the edit in B00
    EXPECT_EQ((*data)[7 * 5 + 3], 0);  // A00 untouched
    EXPECT_TRUE(static_cast<CEmberkitDrumKit&>(*edited).BuildDumpIntoSlot(4, 1).empty());
}

TEST(EmberkitVirtualSynth, TemplatesBecomeOneBuffer) {
    using namespace vsynth;
    const ControlSpec& cutoff = *FindControl(3000);
    const Bytes two = FillTemplate(cutoff.text, 64);
    ASSERT_EQ(two.size(), 22u);
    EXPECT_EQ(two, (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x41, 0x02, 0x00, 0x00, 0x40, 0x00, 0xF7,
                          0xF0, 0x42, 0x30, 0x2B, 0x41, 0x03, 0x00, 0x00, 0x40, 0x00, 0xF7}));
    const Bytes negative = FillTemplate(FindControl(3017)->text, -3);
    EXPECT_EQ(negative, (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x41, 0x00, 0x04, 0x00, 0x7D, 0x7F, 0xF7}));
    EXPECT_EQ(FillTemplate("F0 42 30 2B 41 00 04 00 XX YY F7", 200)[9], 0x01);
    EXPECT_EQ(FillTemplate("F0 42 30 2B 41 00 04 00 XX YY F7", 5, 4)[2], 0x33);  // the instrument's channel
    EXPECT_TRUE(FillTemplate("F0 4G", 0).empty());
    for (const ControlSpec& c : Controls())
        if (!c.text.empty()) {
            EXPECT_EQ(FillTemplate(c.text, 1).size(), c.text.size() / 3 + 1) << c.id;
        }

    const Bytes init = FillTemplate(InitProgramText(), 0);
    ASSERT_EQ(init.size(), 203u);
    const std::optional<Bytes> program = Unpack(std::span(init).subspan(5, 197), kProgramSize);
    ASSERT_TRUE(program);
    EXPECT_EQ(std::string(program->begin(), program->begin() + 10), "Virtual Sy");
}

TEST(EmberkitVirtualSynth, SpecialHandlers) {
    using namespace vsynth;
    PanelState state;
    const auto mix = MessagesFor(*FindControl(3018), 30, state);
    ASSERT_EQ(mix.size(), 2u);
    EXPECT_EQ(mix[0], (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x41, 0x00, 0x02, 0x03, 69, 0x00, 0xF7}));
    EXPECT_EQ(mix[1], (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x41, 0x00, 0x03, 0x03, 30, 0x00, 0xF7}));

    const auto depth = MessagesFor(*FindControl(3032), 20, state);  // destination A
    ASSERT_EQ(depth.size(), 2u);
    EXPECT_EQ(depth[0], (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x41, 0x06, 0x02, 0x05, 20, 0x00, 0xF7}));
    EXPECT_EQ(depth[1], (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x41, 0x06, 0x04, 0x05, 0x00, 0x00, 0xF7}));
    const auto toB = MessagesFor(*FindControl(3043), 2, state);
    ASSERT_EQ(toB.size(), 2u);
    EXPECT_EQ(toB[0], (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x41, 0x06, 0x02, 0x05, 0x00, 0x00, 0xF7}));
    EXPECT_EQ(toB[1], (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x41, 0x06, 0x04, 0x05, 20, 0x00, 0xF7}));
    const auto both = MessagesFor(*FindControl(3043), 3, state);
    EXPECT_EQ(both[0][8], 20);
    EXPECT_EQ(both[1][8], 20);
    EXPECT_EQ(MessagesFor(*FindControl(3032), 7, state)[0][8], 7);  // both destinations follow the knob

    const Bytes wheel = WheelRouteMessages(2);
    ASSERT_EQ(wheel.size(), 44u);
    EXPECT_EQ(wheel[8], 0x00);
    EXPECT_EQ(Bytes(wheel.begin() + 11, wheel.begin() + 22),
              (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x41, 0x07, 0x04, 0x06, 0x63, 0x00, 0xF7}));
    const Bytes press = PressureRouteMessages(4);
    ASSERT_EQ(press.size(), 55u);
    EXPECT_EQ(press[8 + 33], 0x63);
    EXPECT_EQ(press[8 + 44], 0x63);
    EXPECT_EQ(press[8], 0x00);
    EXPECT_TRUE(WheelRouteMessages(4).empty());
}

TEST(EmberkitVirtualSynth, AKnobFollowsOnlyANearbyController) {
    using vsynth::FollowController;
    EXPECT_EQ(FollowController(40, 0, 99, 60), std::nullopt);
    EXPECT_EQ(FollowController(40, 0, 99, 48), 48);
    EXPECT_EQ(FollowController(0, -12, 12, 5), -7);
    EXPECT_EQ(FollowController(80, 0, 99, 127), std::nullopt);
    EXPECT_EQ(FollowController(92, 0, 99, 100), 99);  // limited to the maximum
}

}  // namespace
