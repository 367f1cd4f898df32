#include <gtest/gtest.h>

#include <tonalith/File.h>
#include <tonalith/Functions.h>

#include "amberkit/JVMessages.h"
#include "amberkit/JVSynth.h"

using namespace amberkit;

namespace {
std::string Hex(std::span<const std::uint8_t> bytes) { return CFunctions::HexToString(bytes); }
}  // namespace

TEST(JVMessages, BuildsThePublishedMessages) {
    EXPECT_EQ(Hex(BuildRequest(0x10, {0x01, 0, 0, 0}, {0, 0, 0x1F, 0x19})),
              "F0 41 10 6A 11 01 00 00 00 00 00 1F 19 47 F7");
    const std::array<std::uint8_t, 1> six{0x06};
    EXPECT_EQ(Hex(BuildParameterMessage(0x10, TemporaryArea::Performance, 0x00, 0x28, six)),
              "F0 41 10 6A 12 01 00 00 28 06 51 F7");
    EXPECT_EQ(Hex(BuildModeSelect(0x10, kModePatch)), "F0 41 10 6A 12 00 00 00 00 01 7F F7");
    EXPECT_EQ(Hex(BuildModeSelect(DeviceByte(3), kModePerformance)), "F0 41 13 6A 12 00 00 00 00 00 00 F7");
    EXPECT_EQ(Hex(BuildParameterMessage(0x1F, TemporaryArea::Rhythm, 0x23, 0x05, six)).substr(0, 26),
              "F0 41 1F 6A 12 02 09 23 05");
    EXPECT_EQ(DeviceByte(3), 0x13);
    EXPECT_EQ(DeviceByte(15), 0x1F);
    EXPECT_EQ(DeviceByte(16), 0x10);
    EXPECT_EQ(DeviceByte(-1), 0x10);
}

TEST(JVMessages, DumpCommandsPerGeneration) {
    const auto jv1080 = BuildDumpCommands(Generation::JV1080, 0x10);
    ASSERT_EQ(jv1080.size(), 5u);
    EXPECT_EQ(jv1080[0].m_request, "F0 41 10 6A 11 11 00 00 00 01 00 00 00 6E F7");
    EXPECT_EQ(jv1080[1].m_request, "F0 41 10 6A 11 10 00 00 00 00 20 00 00 50 F7");
    EXPECT_EQ(jv1080[2].m_request, "F0 41 10 6A 11 10 40 00 00 00 02 00 00 2E F7");
    EXPECT_EQ(jv1080[0].m_expectedSize, 82304);
    EXPECT_EQ(jv1080[1].m_expectedSize, 17760);
    EXPECT_EQ(jv1080[2].m_expectedSize, 8878);
    EXPECT_EQ(jv1080[3].m_expectedSize, 51 + 17 * 23);
    EXPECT_EQ(jv1080[4].m_expectedSize, 51 + 17 * 23 + 17760 + 8878 + 82304);
    // "Everything" asks twice: the system, then every user area.
    EXPECT_EQ(jv1080[4].m_request.size(), 2 * 44 + 1);

    const auto jv2080 = BuildDumpCommands(Generation::JV2080, 0x13);
    EXPECT_EQ(jv2080[0].m_expectedSize, 128 * 645);
    EXPECT_EQ(jv2080[1].m_expectedSize, 32 * (79 + 16 * 37));
    EXPECT_EQ(jv2080[3].m_expectedSize, 109 + 17 * 23);
    EXPECT_EQ(jv2080[0].m_request.substr(0, 8), "F0 41 13");
    for (const Generation g : {Generation::XP, Generation::XP30}) {
        const auto xp = BuildDumpCommands(g, 0x10);
        EXPECT_EQ(xp[0].m_expectedSize, 128 * (84 + 4 * 140));
        EXPECT_EQ(xp[1].m_expectedSize, 32 * (77 + 16 * 36));
        EXPECT_EQ(xp[3].m_expectedSize, 93 + 17 * 23);
    }
    for (const auto& c : jv2080) {
        const auto bytes = CFunctions::StringToHex(c.m_request);
        EXPECT_EQ(bytes.size() % 15, 0u) << c.m_name;
    }
    EXPECT_EQ(CJVSynth::Get().GetMessagePause(), 20);
}

TEST(JVMessages, ShortenAndWidenKeepChecksumsValid) {
    std::vector<std::uint8_t> data(26);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(0x20 + i);
    const auto part = BuildDataSet(0x10, {0x10, 0x05, 0x13, 0}, data);
    ASSERT_EQ(part.size(), 37u);
    const auto shortPart = ShortenMessage(part, 30);
    ASSERT_EQ(shortPart.size(), 30u);
    EXPECT_TRUE(HasValidChecksum(shortPart));
    EXPECT_EQ(shortPart.back(), 0xF7);
    const auto wide = WidenMessage(shortPart, 37, kPartTailDefaults, kPartTailFirst);
    ASSERT_EQ(wide.size(), 37u);
    EXPECT_TRUE(HasValidChecksum(wide));
    EXPECT_TRUE(std::equal(part.begin(), part.begin() + 28, wide.begin()));
    EXPECT_EQ(std::vector<std::uint8_t>(wide.begin() + 9 + 19, wide.begin() + 9 + 26),
              (std::vector<std::uint8_t>{3, 1, 1, 0, 1, 0, 0}));
}

TEST(JVMessages, ReadDataSetRejectsWhatIsNotOneMessage) {
    const std::array<int, 2> sizes{12, 14};
    auto expectThrow = [&](std::vector<std::uint8_t> bytes, CFileException::Cause cause) {
        CMemFile file(std::move(bytes), "bad.syx");
        try {
            ReadDataSet(file, sizes);
            ADD_FAILURE() << "no exception";
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_cause, cause);
            EXPECT_EQ(e.m_strFileName, "bad.syx");
        }
        EXPECT_EQ(file.GetPosition(), 0u);
    };
    expectThrow({0xF0, 0x41, 0x10, 0x6A, 0x12, 0, 0}, CFileException::endOfFile);
    expectThrow({0xF0, 0x43, 0x10, 0x6A, 0x12, 0, 0, 0, 0, 1, 0x7F, 0xF7}, CFileException::badFormat);
    expectThrow({0xF0, 0x41, 0x10, 0x6A, 0x12, 0, 0, 0, 0, 0, 0, 0x7F, 0xF7}, CFileException::badFormat);
    expectThrow({0xF0, 0x41, 0x10, 0x6A, 0x12, 0, 0, 0, 0, 0x7F, 0xF0}, CFileException::badFormat);
    expectThrow({}, CFileException::endOfFile);

    std::vector<std::uint8_t> two = BuildModeSelect(0x10, 1);
    two.insert(two.end(), {0xF0, 0x41});
    CMemFile file(two, "ok.syx");
    EXPECT_EQ(ReadDataSet(file, sizes).size(), 12u);
    EXPECT_EQ(file.GetPosition(), 12u);
}

TEST(JVMessages, UnitNamesAreTwelveSevenBitCharacters) {
    EXPECT_EQ(ToUnitName("Pad"), "Pad         ");
    EXPECT_EQ(ToUnitName("A very long name"), "A very long ");
    EXPECT_EQ(ToUnitName("Caf\xE9\x01"), "Caf??       ");
}
