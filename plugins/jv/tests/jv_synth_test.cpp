#include <gtest/gtest.h>

#include <chrono>

#include <tonalith/Midi.h>
#include <tonalith/MidiBackend.h>

#include "JVTestSupport.h"
#include "amberkit/JVLayers.h"

using namespace amberkit;

TEST(JVSynth, SettingFieldsDescribeGenerationBoardsAndPcmCard) {
    const auto fields = CJVSynth::Get().GetSettingFields();
    ASSERT_EQ(fields.size(), 10u);
    EXPECT_EQ(fields[0].key, "WHICHSYNTH");
    EXPECT_EQ(fields[0].choices, (std::vector<std::string>{"JV-1010 / 1080", "JV-2080", "XP-50 / 60 / 80", "XP-30"}));
    EXPECT_EQ(fields[0].defaultValue, "1");
    EXPECT_EQ(fields[1].key, "BOARD0");
    EXPECT_EQ(fields[8].label, "Board 8:");
    EXPECT_EQ(fields[1].choices.size(), 128u);  // "None" and board numbers 1..127
    EXPECT_EQ(fields[1].choices[0], "None");
    EXPECT_EQ(fields[9].key, "PCMCARD");
    EXPECT_EQ(fields[9].choices.size(), 9u);

    jvtest::ScopedJVSettings settings(Generation::JV1080, 0);
    EXPECT_EQ(CJVSynth::Get().GetDumpCommand(0).m_expectedSize, 82304);
    CJVSynth::Get().SetWhichSynth(Generation::XP);
    EXPECT_EQ(CJVSynth::Get().GetDumpCommand(0).m_expectedSize, 128 * 644);
    CJVSynth::Get().GetConfig().PutInt("WHICHSYNTH", 9);  // damaged setting: the default generation
    EXPECT_EQ(CJVSynth::Get().GetWhichSynth(), Generation::JV2080);
}

// Parameter messages and mode switches leave with the device byte of the set device ID.
TEST(JVSynth, SentMessagesCarryTheDeviceByte) {
    auto loopback = CMidiLoopback::Create(2);
    CMidi::Get().SetBackend(loopback->MakeBackend());
    CJVSynth& synth = CJVSynth::Get();
    const int oldOutput = synth.GetMidiOutputDevice();
    synth.SetMidiOutputDevice(0);
    {
        jvtest::ScopedJVSettings settings(Generation::JV2080, 3);
        const std::array<std::uint8_t, 2> data{0x01, 0x02};
        synth.SendParameter(0x10, 0x03, data, TemporaryArea::Patch, false);  // real-time update off
        synth.SendParameter(0x10, 0x03, data, TemporaryArea::Patch, true);
        synth.SendValue(0x05, 0x40, TemporaryArea::Performance, true);
        synth.SendName("Short", TemporaryArea::Rhythm, true);
        CAmberkitSynthMemory memory;
        memory.GetLayer(kUserPatchLayer).SwitchMode(synth, true);
        memory.GetLayer(kUserRhythmLayer).SwitchMode(synth, false);
        memory.GetLayer(kSystemLayer).SwitchMode(synth, true);
        memory.GetLayer(kUserPatchLayer).GetPatch(0)->Send(synth, true);
        ASSERT_TRUE(CMidi::Get().GetOutput(synth).WaitDone(std::chrono::seconds(10)));
    }
    std::vector<std::uint8_t> sent;
    for (const auto& w : loopback->GetWrites()) jvtest::Append(sent, w.bytes);
    const auto messages = jvtest::SplitMessages(sent);
    ASSERT_EQ(messages.size(), 5u + 5u);
    for (const auto& m : messages) {
        EXPECT_EQ(m[kPosDevice], 0x13);
        EXPECT_TRUE(HasValidChecksum(m));
    }
    EXPECT_EQ(messages[0], (std::vector<std::uint8_t>{0xF0, 0x41, 0x13, 0x6A, 0x12, 0x03, 0x00, 0x10, 0x03, 0x01, 0x02,
                                                      0x67, 0xF7}));
    EXPECT_EQ(std::vector<std::uint8_t>(messages[1].begin() + 5, messages[1].end() - 2),
              (std::vector<std::uint8_t>{0x01, 0x00, 0x00, 0x05, 0x40}));
    EXPECT_EQ(messages[2].size(), 23u);
    EXPECT_EQ(std::string(messages[2].begin() + 9, messages[2].begin() + 21), "Short       ");
    EXPECT_EQ(messages[3][9], kModePatch);
    EXPECT_EQ(messages[4][9], kModePerformance);
    EXPECT_EQ(messages[5][kPosArea], kAreaTempPatch);
    synth.SetMidiOutputDevice(oldOutput);
    CMidi::Delete();
}
