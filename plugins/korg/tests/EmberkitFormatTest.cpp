// The 01/W message layer on its own: packing, message building and the name file.
#include <gtest/gtest.h>

#include "model/EmberkitFormat.h"
#include "model/EmberkitSynth.h"
#include "File.h"
#include "FileX.h"
#include "Ui.h"

using namespace emberkit;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Pattern(std::size_t n) {
    Bytes data(n);
    for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<std::uint8_t>(i * 151 + 7);  // every bit 7 pattern
    return data;
}

TEST(EmberkitPacking, SizesAndRoundTripsKeepBit7) {
    EXPECT_EQ(PackedSize(172), 197u);
    EXPECT_EQ(PackedSize(128), 147u);
    EXPECT_EQ(PackedSize(420), 480u);
    EXPECT_EQ(PackedSize(21), 24u);
    EXPECT_EQ(PackedSize(200 * 172), 39315u);
    EXPECT_EQ(PackedSize(200 * 128), 29258u);
    for (const std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{8}, std::size_t{172}}) {
        const Bytes data = Pattern(n);
        const Bytes packed = Pack(data);
        ASSERT_EQ(packed.size(), PackedSize(n));
        for (const std::uint8_t b : packed) EXPECT_LT(b, 0x80);
        EXPECT_EQ(Unpack(packed, n), data) << n;
    }
    // The top bits travel first: bit i of the group's first byte belongs to data byte i.
    EXPECT_EQ(Pack(Bytes{0x80, 0x01, 0xFF}), (Bytes{0x05, 0x00, 0x01, 0x7F}));
}

TEST(EmberkitPacking, UnpackRefusesShortOrStatusBytes) {
    Bytes packed = Pack(Pattern(21));
    EXPECT_FALSE(Unpack(std::span(packed).first(23), 21));
    packed[9] = 0xF7;
    EXPECT_FALSE(Unpack(packed, 21));
}

TEST(EmberkitMessages, WriteRequestModeChangeAndChannel) {
    EXPECT_EQ(BuildWriteRequest(kProgramWriteRequest, 150, 1), (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x11, 0x01, 0x32, 0xF7}));
    EXPECT_EQ(BuildWriteRequest(kCombinationWriteRequest, 7, 1),
              (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x1A, 0x00, 0x07, 0xF7}));
    EXPECT_EQ(BuildModeChange(kModeProgramEdit, 16), (Bytes{0xF0, 0x42, 0x3F, 0x2B, 0x4E, 0x03, 0x00, 0xF7}));
    EXPECT_EQ(FormatByte(0), 0x30);  // out of range counts as channel 1
    EXPECT_EQ(FormatByte(17), 0x30);

    const Bytes single = BuildSingleDump(kProgramDump, Pattern(172), 3);
    ASSERT_EQ(single.size(), 203u);
    EXPECT_EQ(Bytes(single.begin(), single.begin() + 5), (Bytes{0xF0, 0x42, 0x32, 0x2B, 0x40}));
    EXPECT_EQ(single.back(), 0xF7);
    EXPECT_EQ(BuildBankDump(kAllProgramsDump, Pattern(200 * 172), 1).size(), 6u + 39315u + 1u);
}

TEST(EmberkitMessages, ReadSysExStopsAtTheNextMessageAndParseDumpExplains) {
    Bytes file = BuildBankDump(kGlobalDump, Pattern(21), 1);
    file.resize(20);  // cut off, followed by another message
    const Bytes next{0xF0, 0x7E, 0x00, 0x06, 0x01, 0xF7};
    file.insert(file.end(), next.begin(), next.end());
    CMemFile in(file, "cut.syx");
    const SysExMessage message = ReadSysEx(in, 100);
    EXPECT_FALSE(message.complete);
    EXPECT_EQ(in.GetPosition(), 20u);
    try {
        ParseDump(message, kHeaderSize, 21, "global dump", "cut.syx");
        FAIL() << "a cut-off dump was accepted";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::endOfFile);
        EXPECT_EQ(e.m_detail, "global dump ends after 14 of 24 bytes");
        EXPECT_EQ(e.m_strFileName, "cut.syx");
    }
}

TEST(EmberkitMessages, DumpRequestsAnswerWithTheirSizes) {
    const auto& requests = DumpRequests();
    ASSERT_EQ(requests.size(), 6u);
    EXPECT_EQ(requests[0].expectedSize, 39322);
    EXPECT_EQ(requests[1].expectedSize, 29265);
    EXPECT_EQ(RequestText(requests[2], 1), "");  // drum kits are dumped from the panel
    EXPECT_EQ(RequestText(requests[3], 2), "F0 42 31 2B 0E 00 F7");
    EXPECT_EQ(requests[3].expectedSize, 31);
    EXPECT_EQ(RequestText(requests[5], 1), "F0 42 30 2B 10 F7");
    EXPECT_EQ(requests[5].expectedSize, 203);
}

TEST(EmberkitNames, ParsesBothListsAndShowsNumbersForUnknownEntries) {
    const auto names = CEmberkitSoundNames::Parse("000: A.Piano\r\n001\n\n000: Kick\r\n\r\nnotes\n");
    EXPECT_EQ(names.multisounds, (std::vector<std::string>{"000: A.Piano", "001"}));
    EXPECT_EQ(names.drumSounds, (std::vector<std::string>{"000: Kick"}));
    EXPECT_EQ(CEmberkitSoundNames::Lookup(names.multisounds, 0), "000: A.Piano");
    EXPECT_EQ(CEmberkitSoundNames::Lookup(names.multisounds, 123), "123");
}

TEST(EmberkitNames, ShippedFileHoldsTheKnownNamesOnly) {
    CScopedScriptedUi ui;
    CEmberkitSynth synth(EMBERKIT_DATA_DIR);
    EXPECT_TRUE(ui->messages.empty());
    const auto& names = synth.GetSoundNames();
    ASSERT_EQ(names.multisounds.size(), 255u);
    EXPECT_EQ(names.drumSounds.size(), 118u);
    EXPECT_EQ(synth.GetMultisoundName(0), "000: A.Piano");
    EXPECT_EQ(synth.GetMultisoundName(222), "222: Mini 1a");
    EXPECT_EQ(synth.GetMultisoundName(254), "254: Sine");
    EXPECT_EQ(synth.GetMultisoundName(123), "123");
    EXPECT_EQ(synth.GetDrumSoundName(5), "005");
    for (const auto& entry : names.multisounds) EXPECT_LE(entry.size(), 15u);

    synth.LoadSoundNames("/nonexistent/Emberkit.pcm");
    EXPECT_EQ(ui->messages, (std::vector<std::string>{"Error opening file \"Emberkit.pcm\""}));
    EXPECT_TRUE(synth.GetSoundNames().multisounds.empty());
    EXPECT_EQ(synth.GetMultisoundName(1), "001");
}

}  // namespace
