#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "File.h"

// Binary archive over a CFile: little-endian integers and length-prefixed
// strings. Every length read is checked against what remains of the file
// before anything is allocated.
class CArchive {
public:
    enum Mode { load = 1, store = 0 };

    CArchive(CFile& file, Mode mode) : m_file(file), m_mode(mode) {}

    bool IsLoading() const { return m_mode == load; }
    bool IsStoring() const { return m_mode == store; }
    CFile& GetFile() { return m_file; }

    CArchive& operator<<(std::uint8_t v);
    CArchive& operator<<(std::uint16_t v);
    CArchive& operator<<(std::uint32_t v);
    CArchive& operator<<(std::int32_t v);
    CArchive& operator>>(std::uint8_t& v);
    CArchive& operator>>(std::uint16_t& v);
    CArchive& operator>>(std::uint32_t& v);
    CArchive& operator>>(std::int32_t& v);

    // Length below 255: one byte; below 0xFFFE: FF + WORD; else FF FFFF + DWORD.
    void WriteString(std::string_view text);
    // Reads the same forms; FF FFFE announces 16-bit characters, converted to 8-bit.
    std::string ReadString();
    void WriteCount(std::uint32_t count);  // the same prefix scheme, for element counts
    std::uint32_t ReadCount();

    void Write(const void* data, std::size_t size) { m_file.Write(data, size); }
    void Read(void* data, std::size_t size) { m_file.ReadExact(data, size); }

    // Throws badFormat when a stored length exceeds what remains of the file.
    void CheckRemaining(std::uint64_t bytesNeeded) const;

private:
    std::uint32_t ReadLengthPrefix(bool& wide);
    CFile& m_file;
    Mode m_mode;
};
