// What the plug-in sends to the instrument, observed on the loopback MIDI port.
#include <gtest/gtest.h>

#include "Midi.h"
#include "MidiBackend.h"
#include "Patch.h"
#include "model/EmberkitEditing.h"
#include "model/EmberkitFormat.h"
#include "model/EmberkitSynth.h"
#include "model/EmberkitSynthMemory.h"
#include "Ui.h"

using namespace std::chrono_literals;
using namespace emberkit;
using Bytes = std::vector<std::uint8_t>;

namespace {

class EmberkitSend : public ::testing::Test {
protected:
    void SetUp() override {
        CMidi::Delete();
        m_loop = CMidiLoopback::Create(1);
        CMidi::Get().SetBackend(m_loop->MakeBackend());
        m_synth.GetConfig().SetReadOnly(true);  // this run only
    }
    void TearDown() override {
        m_synth.SetMidiOutputDevice(-1);
        CMidi::Delete();
    }
    std::vector<Bytes> Sent() {
        EXPECT_TRUE(CMidi::Get().GetOutput(m_synth).WaitDone(5s));
        std::vector<Bytes> messages;
        Bytes pending;
        for (const auto& write : m_loop->GetWrites()) {
            pending.insert(pending.end(), write.bytes.begin(), write.bytes.end());
            if (!pending.empty() && pending.back() == kSysExEnd)
                messages.push_back(std::move(pending)), pending.clear();
        }
        return messages;
    }

    CScopedScriptedUi m_ui;
    CEmberkitSynth& m_synth = CEmberkitSynth::Get();
    std::shared_ptr<CMidiLoopback> m_loop;
    CEmberkitSynthMemory m_memory;
};

TEST_F(EmberkitSend, WriteSendsTheProgramThenStoresItAtItsNumber) {
    m_synth.SetMidiOutputDevice(0);
    const CPatch& program = *m_memory.GetLayer(kProgramLayer).GetPatch(150);
    program.Send(m_synth, false);
    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], BuildSingleDump(kProgramDump, program.Data(), 1));
    EXPECT_EQ(sent[1], (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x11, 0x01, 0x32, 0xF7}));

    m_loop->ClearWrites();
    m_synth.GetConfig().PutInt("CHANNEL", 2);
    m_memory.GetLayer(kCombinationLayer).GetPatch(7)->Send(m_synth, true);  // audition: no write
    m_memory.GetLayer(kCombinationLayer).SwitchMode(m_synth, true);
    m_memory.GetLayer(kDrumLayer).SwitchMode(m_synth, false);
    const auto more = Sent();
    m_synth.GetConfig().PutInt("CHANNEL", 1);
    ASSERT_EQ(more.size(), 3u);
    EXPECT_EQ(more[0].size(), 153u);
    EXPECT_EQ(more[0][2], 0x31);
    EXPECT_EQ(more[1], (Bytes{0xF0, 0x42, 0x31, 0x2B, 0x4E, 0x01, 0x00, 0xF7}));
    EXPECT_EQ(more[2], (Bytes{0xF0, 0x42, 0x31, 0x2B, 0x4E, 0x04, 0x00, 0xF7}));
}

TEST_F(EmberkitSend, NoWriteRequestWhenTheProgramCouldNotGoOut) {
    m_synth.SetMidiOutputDevice(5);  // no such port
    m_memory.GetLayer(kProgramLayer).GetPatch(3)->Send(m_synth, false);
    m_synth.SetMidiOutputDevice(0);
    EXPECT_TRUE(Sent().empty());
}

}  // namespace

namespace {

TEST_F(EmberkitSend, VirtualSynthSwitchesToProgramEditAroundItsPanel) {
    m_synth.SetMidiOutputDevice(0);
    bool ran = false;
    emberkit::SetEditors({nullptr, [&](CEmberkitSynthMemory&, const CToolContext&) {
                              ran = true;
                              EXPECT_EQ(Sent().size(), 1u);  // program edit mode first
                          }});
    m_memory.GetAdditionalTool(0).Execute({});
    emberkit::SetEditors({});
    EXPECT_TRUE(ran);
    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], BuildModeChange(kModeProgramEdit, 1));
    EXPECT_EQ(sent[1], BuildModeChange(kModeProgram, 1));

    m_loop->ClearWrites();
    const std::size_t told = m_ui->messages.size();
    m_memory.GetAdditionalTool(0).Execute({});  // no window: says so, sends nothing
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(m_ui->messages.size(), told + 1);
}

}  // namespace
