#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

// Every file error names its cause and the file.
class CFileException : public std::runtime_error {
public:
    enum Cause { none, generic, fileNotFound, accessDenied, diskFull, endOfFile, badFormat, badSeek };

    CFileException(Cause cause, std::string fileName, std::string detail = {});

    Cause m_cause;
    std::string m_strFileName;
    std::string m_detail;

    // A sentence for the user: what went wrong, with the file name.
    std::string GetErrorMessage() const;
    static const char* CauseText(Cause cause);
    // The cause an errno value stands for.
    static Cause CauseFromErrno(int error);
};

// A random-access byte file. The base class is a buffered disk file; CMemFile
// serves the same interface from memory, so loaders work on both.
class CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        modeCreate = 0x1000,  // create, truncating an existing file
        modeNoTruncate = 0x2000,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() = default;
    CFile(const std::string& path, unsigned flags);  // throws CFileException
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    virtual void Open(const std::string& path, unsigned flags);
    // Reads up to count bytes; fewer only at the end of the file.
    virtual std::size_t Read(void* buffer, std::size_t count);
    virtual void Write(const void* buffer, std::size_t count);
    virtual std::uint64_t Seek(std::int64_t offset, SeekPosition from);
    virtual std::uint64_t GetPosition() const;
    virtual std::uint64_t GetLength() const;
    virtual std::string GetFilePath() const;
    // Pushes buffered data to the disk (fsync), so a following rename is safe.
    virtual void Flush();
    virtual void Close();
    virtual bool IsOpen() const;

    void SeekToBegin() { Seek(0, begin); }
    std::uint64_t SeekToEnd() { return Seek(0, end); }
    std::uint64_t GetRemaining() const { return GetLength() - GetPosition(); }

    // Reads exactly count bytes or throws endOfFile, leaving the position where the data ran out.
    void ReadExact(void* buffer, std::size_t count);
    std::vector<std::uint8_t> ReadBytes(std::size_t count);  // exact, throws endOfFile
    void Write(std::span<const std::uint8_t> bytes) { Write(bytes.data(), bytes.size()); }
    // The next byte without consuming it; -1 at the end.
    int PeekByte();

protected:
    [[noreturn]] void Throw(CFileException::Cause cause, const std::string& detail = {}) const;
    std::string m_path;

private:
    std::FILE* m_file = nullptr;
    bool m_writable = false;
};

// A file in memory: reading from a byte buffer, or writing into one that grows.
class CMemFile : public CFile {
public:
    explicit CMemFile(std::string name = "(memory)");
    explicit CMemFile(std::vector<std::uint8_t> data, std::string name = "(memory)");
    CMemFile(std::span<const std::uint8_t> data, std::string name);

    void Open(const std::string& path, unsigned flags) override;
    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    using CFile::Write;
    std::uint64_t Seek(std::int64_t offset, SeekPosition from) override;
    std::uint64_t GetPosition() const override { return m_position; }
    std::uint64_t GetLength() const override { return m_data.size(); }
    std::string GetFilePath() const override { return m_path; }
    void Flush() override {}
    void Close() override {}
    bool IsOpen() const override { return true; }

    const std::vector<std::uint8_t>& Data() const { return m_data; }
    std::vector<std::uint8_t> Detach();

private:
    std::vector<std::uint8_t> m_data;
    std::size_t m_position = 0;
};
