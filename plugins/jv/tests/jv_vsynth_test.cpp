// The Virtual Synth's model: the temporary patch it sends on opening, the
// knob templates and the tool's start.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include <tonalith/Midi.h>
#include <tonalith/MidiBackend.h>
#include <tonalith/Parameters.h>
#include <tonalith/Ui.h>

#include "JVTestSupport.h"
#include "amberkit/JVParameters.h"
#include "amberkit/JVVirtualSynth.h"

using namespace amberkit;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Hex(const std::string& text) {
    Bytes out;
    std::istringstream in(text);
    std::string pair;
    while (in >> pair) out.push_back(static_cast<std::uint8_t>(std::stoi(pair, nullptr, 16)));
    return out;
}

// Written out here rather than taken from the model: the default patch data.
const char* const kCommonData =
    "00 00 0F 00 0F 07 01 0F 07 01 0F 7F 00 00 7F 00 00 00 3F 00 3F 7F 03 50 00 00 00 02 7F 5A 0D 00 07 08 7F 40 "
    "00 02 02 00 00 00 00 00 00 00 01 02 00 00 00 00 00 03 00 00 00 00 00 00 00 00";
const char* const kToneData =
    "00 01 00 00 01 00 00 00 00 00 00 01 7F 00 7F 00 01 01 01 01 00 3F 00 3F 00 3F 00 3F 00 3F 00 3F 00 3F 00 3F "
    "00 3F 00 3F 00 3F 00 3F 00 00 5C 02 00 00 00 00 00 00 5C 02 00 00 00 00 30 32 00 0C 0C 32 07 07 07 00 00 00 "
    "00 3F 3F 3F 3F 3F 3F 00 7F 05 00 32 3F 00 32 07 07 07 00 00 00 00 7F 7F 7F 7F 3F 3F 7F 03 3C 07 00 64 07 07 "
    "07 00 00 00 0A 7F 7F 7F 3F 3F 40 07 00 40 3F 3F 00 7F 00 00";  // data 1..128; data 0 is the switch

// F0 41 dev 6A 12 address data checksum F7, the checksum computed here.
Bytes Message(std::uint8_t device, Bytes address, const Bytes& data) {
    Bytes m{0xF0, 0x41, device, 0x6A, 0x12};
    m.insert(m.end(), address.begin(), address.end());
    m.insert(m.end(), data.begin(), data.end());
    int sum = 0;
    for (std::size_t i = 5; i < m.size(); ++i) sum += m[i];
    m.push_back(static_cast<std::uint8_t>((128 - sum % 128) % 128));
    m.push_back(0xF7);
    return m;
}

Bytes ExpectedPatch(std::uint8_t device, std::size_t commonDataBytes) {
    Bytes common(std::begin("VirtualSynth"), std::end("VirtualSynth") - 1);
    const Bytes rest = Hex(kCommonData);
    common.insert(common.end(), rest.begin(), rest.end());
    common.resize(commonDataBytes);
    Bytes out = Message(device, {0x03, 0x00, 0x00, 0x00}, common);
    for (int tone = 0; tone < 4; ++tone) {
        Bytes data{static_cast<std::uint8_t>(tone < 2 ? 1 : 0)};
        const Bytes rest2 = Hex(kToneData);
        data.insert(data.end(), rest2.begin(), rest2.end());
        jvtest::Append(out, Message(device, {0x03, 0x00, static_cast<std::uint8_t>(0x10 + 2 * tone), 0x00}, data));
    }
    return out;
}

}  // namespace

TEST(JVVirtualSynth, PatchIsTheDefaultPatchNamedVirtualSynthWithTwoTonesOn) {
    EXPECT_EQ(vsynth::PatchImage(Generation::JV2080, 0x10), ExpectedPatch(0x10, 74));
    // Older units take their shorter common; another device ID its own device byte.
    EXPECT_EQ(vsynth::PatchImage(Generation::JV1080, 0x13), ExpectedPatch(0x13, 72));
    EXPECT_EQ(vsynth::PatchImage(Generation::XP, 0x1F), ExpectedPatch(0x1F, 73));
}

TEST(JVVirtualSynth, TemplatesBecomeBytesWithValueToneAndChecksum) {
    const std::string text = "F0 41 10 6A 12 03 00 NN 4E XX KK F7";
    const Bytes bytes = vsynth::FillTemplate(text, 0x12, 0x50, 0x1A);
    EXPECT_EQ(bytes.size(), text.size() / 3 + 1);
    EXPECT_EQ(bytes, Message(0x1A, {0x03, 0x00, 0x12, 0x4E}, {0x50}));
    EXPECT_EQ(vsynth::FillTemplate("F0 41 10 6A 12 00 00 00 44 XX KK F7", 0, 200, 0x10)[9], 200 & 0x7F)
        << "data stays 7-bit";
    EXPECT_TRUE(vsynth::FillTemplate("F0 41 1G 6A", 0, 0, 0x10).empty());
    EXPECT_TRUE(vsynth::FillTemplate("F0 41 10 6A 12 03 00 00 44 XX K", 0, 0, 0x10).empty());
    EXPECT_TRUE(vsynth::FillTemplate("F0 KK F7", 0, 0, 0x10).empty()) << "a checksum needs an address";
}

// Each knob must move the parameter the table says its template addresses, in
// the table's range, on the tones the patch plays; otherwise a knob is silent
// or writes a neighbouring parameter.
TEST(JVVirtualSynth, EveryKnobSendsItsParameterOnThePlayingTones) {
    const CParameterTable& table = GetJVParameterTable(RecordKind::Patch, Generation::JV2080);
    std::set<std::string> keys;
    for (const vsynth::KnobInfo& knob : vsynth::Knobs()) {
        SCOPED_TRACE(knob.key);
        EXPECT_TRUE(keys.insert(knob.key).second) << "keys are unique";
        const vsynth::KnobRange range = vsynth::RangeOf(knob);
        ASSERT_LT(range.minimum, range.maximum);
        EXPECT_GE(range.defaultValue, range.minimum);
        EXPECT_LE(range.defaultValue, range.maximum);
        for (const int value : {range.minimum, range.maximum}) {
            const auto messages = vsynth::MessagesFor(knob, value, 0x10);
            ASSERT_FALSE(messages.empty());
            std::set<std::string> sendKeys;
            for (const vsynth::KnobMessage& m : messages) {
                ASSERT_EQ(m.bytes.size(), 12u);
                EXPECT_TRUE(HasValidChecksum(m.bytes));
                EXPECT_EQ(m.bytes[5], 0x03) << "the temporary patch";
                EXPECT_LT(m.bytes[9], 0x80);
                EXPECT_TRUE(sendKeys.insert(m.key).second) << "no message replaces a sibling";
            }
            const CParameter* p = table.Find(knob.parameter);
            if (!p) {
                ASSERT_FALSE(knob.positions.empty()) << "a knob without a parameter has named positions";
                continue;
            }
            const CParameterAddress address = table.GetAddress(*p);
            const int raw = value + p->storedOffset;
            std::set<int> blocks;
            for (const vsynth::KnobMessage& m : messages) blocks.insert(m.bytes[7]);
            EXPECT_TRUE(blocks.count(address.block)) << "the parameter's own tone (or the common)";
            if (p->nibbles == 2) {
                ASSERT_EQ(messages.size(), 2u);
                EXPECT_EQ(messages[0].bytes[8], address.offset);
                EXPECT_EQ(messages[1].bytes[8], address.offset + 1);
                EXPECT_EQ(messages[0].bytes[9] * 16 + messages[1].bytes[9], raw);
                continue;
            }
            if (p->instance == 0) {
                EXPECT_EQ(blocks, (std::set<int>{0x10, 0x12})) << "both tones the patch plays";
            }
            for (const vsynth::KnobMessage& m : messages) {
                EXPECT_EQ(m.bytes[8], address.offset);
                EXPECT_EQ(m.bytes[9], raw);
            }
        }
    }
    EXPECT_EQ(vsynth::ValueText(*vsynth::FindKnob("osc2.coarse"), 36), "-12");
    EXPECT_EQ(vsynth::ValueText(*vsynth::FindKnob("filter.type"), 1), "LPF");
    EXPECT_EQ(vsynth::ValueText(*vsynth::FindKnob("structure"), 0), "1");
    const auto wave = vsynth::MessagesFor(*vsynth::FindKnob("osc2.wave"), 0x2B, 0x10);
    ASSERT_EQ(wave.size(), 2u);
    EXPECT_EQ(wave[0].bytes, Message(0x10, {0x03, 0x00, 0x12, 0x03}, {0x02}));
    EXPECT_EQ(wave[1].bytes, Message(0x10, {0x03, 0x00, 0x12, 0x04}, {0x0B}));
}

TEST(JVVirtualSynth, ControlKnobsRouteTheControllerWithFullDepthOrNone) {
    const vsynth::KnobInfo& control = *vsynth::FindKnob("control2");
    EXPECT_EQ(vsynth::ValueText(control, 2), "CUT");
    const auto off = vsynth::MessagesFor(control, 0, 0x10);
    ASSERT_EQ(off.size(), 4u);  // destination and depth, each on both tones
    EXPECT_EQ(off[0].bytes, Message(0x10, {0x03, 0x00, 0x10, 0x1D}, {0x00}));
    EXPECT_EQ(off[3].bytes, Message(0x10, {0x03, 0x00, 0x12, 0x1E}, {0x3F}));
    const auto filterLfo = vsynth::MessagesFor(control, 4, 0x10);
    EXPECT_EQ(filterLfo[1].bytes, Message(0x10, {0x03, 0x00, 0x12, 0x1D}, {0x0B}));
    EXPECT_EQ(filterLfo[2].bytes, Message(0x10, {0x03, 0x00, 0x10, 0x1E}, {0x7E}));
    EXPECT_EQ(vsynth::MessagesFor(control, 99, 0x10)[0].bytes[9], 0x0B) << "out of range: the last position";
}

TEST(JVVirtualSynth, ToolSwitchesToPatchModeThenRunsThePanelOrSaysItNeedsTheWindow) {
    auto loop = CMidiLoopback::Create(1);
    CMidi::Get().SetBackend(loop->MakeBackend());
    CJVSynth& synth = CJVSynth::Get();
    const int oldOutput = synth.GetMidiOutputDevice();
    synth.SetMidiOutputDevice(0);
    CAmberkitSynthMemory memory;
    CBasicSynthTool* tool = nullptr;
    for (int i = 0; i < memory.GetAdditionalToolsCount(); ++i)
        if (memory.GetAdditionalTool(i).GetMenuText() == "&Virtual Synth...") tool = &memory.GetAdditionalTool(i);
    ASSERT_NE(tool, nullptr);
    EXPECT_TRUE(tool->UseForBank());
    {
        CScopedScriptedUi ui;
        const vsynth::Runner previous = vsynth::SetRunner({});
        tool->Execute({});
        EXPECT_EQ(ui->messages.size(), 1u);
        EXPECT_TRUE(loop->GetWrites().empty());
        vsynth::SetRunner(previous);
    }
    int runs = 0;
    const vsynth::Runner previous = vsynth::SetRunner([&](const CToolContext&) {
        EXPECT_TRUE(CMidi::Get().GetOutput(synth).WaitDone(std::chrono::seconds(5)));
        Bytes sent;
        for (const auto& w : loop->GetWrites()) jvtest::Append(sent, w.bytes);
        EXPECT_EQ(sent, Hex("F0 41 10 6A 12 00 00 00 00 01 7F F7")) << "patch mode first";
        ++runs;
    });
    tool->Execute({});
    vsynth::SetRunner(previous);
    EXPECT_EQ(runs, 1);
    synth.SetMidiOutputDevice(oldOutput);
    CMidi::Delete();
}
