#include <string>
#include <vector>

#include "Archive.h"
#include "File.h"
#include "TestSupport.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Stored(const std::string& text) {
    CMemFile file;
    CArchive ar(file, CArchive::store);
    ar.WriteString(text);
    return file.Data();
}

std::string Loaded(const Bytes& bytes) {
    CMemFile file(bytes, "form.cof");
    CArchive ar(file, CArchive::load);
    return ar.ReadString();
}

}  // namespace

TEST(Archive, IntegersAreLittleEndian) {
    CMemFile file;
    CArchive out(file, CArchive::store);
    out << std::uint8_t{0x01} << std::uint16_t{0x0203} << std::uint32_t{0x04050607} << std::int32_t{-2};
    EXPECT_EQ(file.Data(), (Bytes{0x01, 0x03, 0x02, 0x07, 0x06, 0x05, 0x04, 0xFE, 0xFF, 0xFF, 0xFF}));
    file.SeekToBegin();
    CArchive in(file, CArchive::load);
    std::uint8_t a = 0;
    std::uint16_t b = 0;
    std::uint32_t c = 0;
    std::int32_t d = 0;
    in >> a >> b >> c >> d;
    EXPECT_EQ(a, 0x01);
    EXPECT_EQ(b, 0x0203);
    EXPECT_EQ(c, 0x04050607u);
    EXPECT_EQ(d, -2);
    EXPECT_THROW(in >> a, CFileException);
}

TEST(Archive, StringPrefixesAtEveryBoundary) {
    struct Case {
        std::size_t length;
        Bytes prefix;
    };
    const std::vector<Case> cases{{0, {0x00}},
                                  {254, {0xFE}},
                                  {255, {0xFF, 0xFF, 0x00}},
                                  {65533, {0xFF, 0xFD, 0xFF}},
                                  {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
                                  {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}}};
    for (const Case& c : cases) {
        const std::string text(c.length, 'x');
        const Bytes bytes = Stored(text);
        ASSERT_EQ(bytes.size(), c.prefix.size() + c.length) << c.length;
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(c.prefix.size())), c.prefix) << c.length;
        EXPECT_EQ(Loaded(bytes), text) << c.length;
    }
}

TEST(Archive, WideStringsBecomeCodePageText) {
    // FF FFFE, then 4 characters: 'A', U+20AC (0x80 in the code page), U+00E9, U+0416 (none).
    const Bytes bytes{0xFF, 0xFE, 0xFF, 0x04, 0x41, 0x00, 0xAC, 0x20, 0xE9, 0x00, 0x16, 0x04};
    EXPECT_EQ(Loaded(bytes), "A\x80\xE9?");
    // A surrogate pair is one character.
    EXPECT_EQ(Loaded({0xFF, 0xFE, 0xFF, 0x02, 0x3D, 0xD8, 0x00, 0xDE}), "?");
}

TEST(Archive, LyingLengthsFailBeforeAllocating) {
    const auto cause = [](const Bytes& bytes) {
        try {
            Loaded(bytes);
        } catch (const CFileException& e) {
            return e.m_cause;
        }
        return CFileException::none;
    };
    EXPECT_EQ(cause({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'}), CFileException::badFormat);
    EXPECT_EQ(cause({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}), CFileException::badFormat);
    EXPECT_EQ(cause({0x05, 'a', 'b'}), CFileException::badFormat);
    EXPECT_EQ(cause({0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x00}), CFileException::badFormat);
    EXPECT_EQ(cause({0xFF, 0x10}), CFileException::endOfFile);
}
