#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class CFile;

// The fixed byte block that starts a layer's bulk dump; files and messages are
// recognised by it. Copies share the buffer (shared ownership, never a double free).
class CHeader {
public:
    explicit CHeader(int size);
    virtual ~CHeader();
    CHeader(const CHeader&) = default;
    CHeader& operator=(const CHeader&) = default;

    // Reads GetSize() bytes (fewer at the end of the file); returns how many were read.
    virtual std::size_t Load(CFile& file);
    virtual void Save(CFile& file) const;
    virtual int GetSize() const;

    std::uint8_t* GetData() { return m_data->data(); }
    const std::uint8_t* GetData() const { return m_data->data(); }
    std::span<std::uint8_t> Bytes() { return *m_data; }
    std::span<const std::uint8_t> Bytes() const { return *m_data; }
    std::uint8_t operator[](int i) const { return (*m_data)[static_cast<std::size_t>(i)]; }

protected:
    std::shared_ptr<std::vector<std::uint8_t>> m_data;
};
