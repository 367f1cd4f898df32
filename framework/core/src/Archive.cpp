#include "Archive.h"

#include "Cp1252.h"

#include <array>
#include <limits>
#include <stdexcept>
#include <vector>

namespace {

constexpr std::uint8_t kByteEscape = 0xFF;
constexpr std::uint16_t kWideMark = 0xFFFE;
constexpr std::uint16_t kWordEscape = 0xFFFF;

template <typename T>
void WriteLittle(CFile& file, T value) {
    std::array<std::uint8_t, sizeof(T)> bytes{};
    for (std::size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    file.Write(bytes.data(), bytes.size());
}

template <typename T>
T ReadLittle(CFile& file) {
    std::array<std::uint8_t, sizeof(T)> bytes{};
    file.ReadExact(bytes.data(), bytes.size());
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) value |= std::uint64_t{bytes[i]} << (8 * i);
    return static_cast<T>(value);
}

}  // namespace

CArchive& CArchive::operator<<(std::uint8_t v) {
    WriteLittle(m_file, v);
    return *this;
}
CArchive& CArchive::operator<<(std::uint16_t v) {
    WriteLittle(m_file, v);
    return *this;
}
CArchive& CArchive::operator<<(std::uint32_t v) {
    WriteLittle(m_file, v);
    return *this;
}
CArchive& CArchive::operator<<(std::int32_t v) {
    WriteLittle(m_file, static_cast<std::uint32_t>(v));
    return *this;
}
CArchive& CArchive::operator>>(std::uint8_t& v) {
    v = ReadLittle<std::uint8_t>(m_file);
    return *this;
}
CArchive& CArchive::operator>>(std::uint16_t& v) {
    v = ReadLittle<std::uint16_t>(m_file);
    return *this;
}
CArchive& CArchive::operator>>(std::uint32_t& v) {
    v = ReadLittle<std::uint32_t>(m_file);
    return *this;
}
CArchive& CArchive::operator>>(std::int32_t& v) {
    v = static_cast<std::int32_t>(ReadLittle<std::uint32_t>(m_file));
    return *this;
}

void CArchive::WriteCount(std::uint32_t count) {
    if (count < kByteEscape) {
        *this << static_cast<std::uint8_t>(count);
    } else if (count < kWideMark) {
        *this << kByteEscape << static_cast<std::uint16_t>(count);
    } else {
        *this << kByteEscape << kWordEscape << count;
    }
}

void CArchive::WriteString(std::string_view text) {
    if (text.size() > std::numeric_limits<std::uint32_t>::max())
        throw CFileException(CFileException::generic, m_file.GetFilePath(), "text too long to store");
    WriteCount(static_cast<std::uint32_t>(text.size()));
    Write(text.data(), text.size());
}

std::uint32_t CArchive::ReadLengthPrefix(bool& wide) {
    wide = false;
    for (int round = 0; round < 2; ++round) {
        std::uint8_t b = 0;
        *this >> b;
        if (b != kByteEscape) return b;
        std::uint16_t w = 0;
        *this >> w;
        if (w == kWordEscape) {
            std::uint32_t d = 0;
            *this >> d;
            return d;
        }
        if (w != kWideMark) return w;
        if (wide) break;  // the wide mark may appear once only
        wide = true;  // 16-bit characters; their count follows in the same scheme
    }
    throw CFileException(CFileException::badFormat, m_file.GetFilePath(), "repeated wide-string mark");
}

std::string CArchive::ReadString() {
    bool wide = false;
    const std::uint32_t length = ReadLengthPrefix(wide);
    if (!wide) {
        CheckRemaining(length);
        std::string text(length, '\0');
        Read(text.data(), length);
        return text;
    }
    CheckRemaining(std::uint64_t{length} * 2);
    std::vector<std::uint8_t> raw(std::size_t{length} * 2);
    Read(raw.data(), raw.size());
    std::string text;
    text.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        const auto unit = static_cast<std::uint16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
        // A surrogate pair is one character outside the code page: one '?'.
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length) {
            const auto next = static_cast<std::uint16_t>(raw[2 * i + 2] | (raw[2 * i + 3] << 8));
            if (next >= 0xDC00 && next <= 0xDFFF) ++i;
        }
        text += static_cast<char>(cp1252::FromUnicode(unit).value_or('?'));
    }
    return text;
}

std::uint32_t CArchive::ReadCount() {
    bool wide = false;
    const std::uint32_t count = ReadLengthPrefix(wide);
    if (wide) throw CFileException(CFileException::badFormat, m_file.GetFilePath(), "wide-string mark in a count");
    return count;
}

void CArchive::CheckRemaining(std::uint64_t bytesNeeded) const {
    const std::uint64_t length = m_file.GetLength();
    const std::uint64_t position = m_file.GetPosition();
    const std::uint64_t remaining = position < length ? length - position : 0;
    if (bytesNeeded > remaining)
        throw CFileException(CFileException::badFormat, m_file.GetFilePath(),
                             "a stored length exceeds the rest of the file");
}
