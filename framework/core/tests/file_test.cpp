#include <gtest/gtest.h>

#include <filesystem>

#include "File.h"
#include "Guid.h"
#include "TestSupport.h"

namespace {

TEST(Guid, PrintsParsesAndStoresLittleEndian) {
    constexpr GUID korg{0x90FFCDB0, 0xF3F8, 0x11D2, {0x98, 0x47, 0x00, 0x60, 0x08, 0xCC, 0x23, 0xFE}};
    EXPECT_EQ(korg.ToString(), "{90FFCDB0-F3F8-11D2-9847-006008CC23FE}");
    EXPECT_EQ(GUID::Parse("{90ffcdb0-f3f8-11d2-9847-006008cc23fe}"), korg);
    EXPECT_EQ(GUID::Parse("90FFCDB0-F3F8-11D2-9847-006008CC23FE"), korg);
    EXPECT_FALSE(GUID::Parse("{90FFCDB0-F3F8-11D2-9847-006008CC23F}"));
    EXPECT_FALSE(GUID::Parse("{90FFCDB0-F3F8-11D2-9847-006008CC23FG}"));
    const auto bytes = korg.ToBytes();
    EXPECT_EQ(bytes[0], 0xB0);
    EXPECT_EQ(bytes[3], 0x90);
    EXPECT_EQ(bytes[4], 0xF8);
    EXPECT_EQ(bytes[8], 0x98);
    EXPECT_EQ(GUID::FromBytes(bytes), korg);
    EXPECT_TRUE(GUID{}.IsNull());
}

TEST(File, ReadsShortAtTheEndAndThrowsForExactReads) {
    CMemFile mem(std::vector<std::uint8_t>{1, 2, 3}, "three.syx");
    std::uint8_t buf[8];
    EXPECT_EQ(mem.Read(buf, 8), 3u);
    mem.SeekToBegin();
    try {
        mem.ReadExact(buf, 4);
        FAIL();
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::endOfFile);
        EXPECT_EQ(e.m_strFileName, "three.syx");
    }
    EXPECT_THROW(mem.Seek(-1, CFile::begin), CFileException);
    EXPECT_EQ(mem.PeekByte(), -1);
}

TEST(File, DiskFileWritesReadsAndNamesMissingFiles) {
    const auto path = (tonalith::test::TempDir() / "a.bin").string();
    {
        CFile f(path, CFile::modeCreate | CFile::modeWrite);
        f.Write(std::vector<std::uint8_t>{9, 8, 7});
        f.Close();
    }
    CFile f(path, CFile::modeRead);
    EXPECT_EQ(f.GetLength(), 3u);
    EXPECT_EQ(f.ReadBytes(3), (std::vector<std::uint8_t>{9, 8, 7}));
    try {
        CFile missing(path + ".none", CFile::modeRead);
        FAIL();
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
        EXPECT_NE(e.GetErrorMessage().find("a.bin.none"), std::string::npos);
    }
}

TEST(File, AFullDiskIsReportedNotIgnored) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    CFile f("/dev/full", CFile::modeWrite);
    const std::vector<std::uint8_t> block(1 << 16, 0x55);
    try {
        f.Write(block);
        f.Flush();
        FAIL() << "the write was reported as success";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::diskFull);
    }
}

}  // namespace
