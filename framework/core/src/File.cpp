#include "File.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <sys/stat.h>
#include <unistd.h>

// ---- CFileException ----

CFileException::CFileException(Cause cause, std::string fileName, std::string detail)
    : std::runtime_error(fileName + ": " + (detail.empty() ? CauseText(cause) : detail)), m_cause(cause),
      m_strFileName(std::move(fileName)), m_detail(std::move(detail)) {}

const char* CFileException::CauseText(Cause cause) {
    switch (cause) {
    case none: return "no error";
    case fileNotFound: return "the file was not found";
    case accessDenied: return "access was denied";
    case diskFull: return "the disk is full";
    case endOfFile: return "the file ends too early";
    case badFormat: return "the file is damaged or of another format";
    case badSeek: return "a position outside the file was asked for";
    case generic: break;
    }
    return "the file could not be read or written";
}

std::string CFileException::GetErrorMessage() const {
    std::string text = "\"" + m_strFileName + "\": ";
    text += m_detail.empty() ? CauseText(m_cause) : m_detail;
    return text;
}

CFileException::Cause CFileException::CauseFromErrno(int err) {
    switch (err) {
    case ENOENT:
    case ENOTDIR: return CFileException::fileNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return CFileException::accessDenied;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG: return CFileException::diskFull;
    default: return CFileException::generic;
    }
}

// ---- CFile ----

CFile::CFile(const std::string& path, unsigned flags) { Open(path, flags); }

CFile::~CFile() {
    if (m_file) std::fclose(m_file);  // errors were reported by an explicit Close
}

void CFile::Throw(CFileException::Cause cause, const std::string& detail) const {
    throw CFileException(cause, m_path, detail);
}

void CFile::Open(const std::string& path, unsigned flags) {
    if (m_file) Close();
    m_path = path;
    const bool create = flags & modeCreate;
    const bool noTruncate = flags & modeNoTruncate;
    const unsigned access = flags & 0x3;
    const char* mode = "rb";
    if (access == modeWrite || access == modeReadWrite) {
        if (create && !noTruncate) mode = access == modeWrite ? "wb" : "w+b";
        else mode = "r+b";
    }
    m_file = std::fopen(path.c_str(), mode);
    if (!m_file && create && noTruncate && errno == ENOENT) m_file = std::fopen(path.c_str(), "w+b");
    if (!m_file) Throw(CFileException::CauseFromErrno(errno), std::string(std::strerror(errno)));
    m_writable = access != modeRead;
    struct stat st {};
    if (::fstat(::fileno(m_file), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(m_file);
        m_file = nullptr;
        Throw(CFileException::accessDenied, "this is a folder, not a file");
    }
}

bool CFile::IsOpen() const { return m_file != nullptr; }

std::size_t CFile::Read(void* buffer, std::size_t count) {
    if (!m_file) Throw(CFileException::generic, "the file is not open");
    if (count == 0) return 0;
    const std::size_t n = std::fread(buffer, 1, count, m_file);
    if (n < count && std::ferror(m_file)) {
        std::clearerr(m_file);
        Throw(CFileException::CauseFromErrno(errno), std::string("read error: ") + std::strerror(errno));
    }
    std::clearerr(m_file);  // allow writing or reading again after the end
    return n;
}

void CFile::Write(const void* buffer, std::size_t count) {
    if (!m_file || !m_writable) Throw(CFileException::accessDenied, "the file is not open for writing");
    if (count == 0) return;
    if (std::fwrite(buffer, 1, count, m_file) != count) {
        const int err = errno;
        std::clearerr(m_file);
        Throw(CFileException::CauseFromErrno(err), std::string("write error: ") + std::strerror(err));
    }
}

std::uint64_t CFile::Seek(std::int64_t offset, SeekPosition from) {
    if (!m_file) Throw(CFileException::generic, "the file is not open");
    std::int64_t base = 0;
    if (from == current) base = static_cast<std::int64_t>(GetPosition());
    else if (from == end) base = static_cast<std::int64_t>(GetLength());
    const std::int64_t target = base + offset;
    if (target < 0) Throw(CFileException::badSeek);
    if (::fseeko(m_file, static_cast<off_t>(target), SEEK_SET) != 0) Throw(CFileException::badSeek);
    return static_cast<std::uint64_t>(target);
}

std::uint64_t CFile::GetPosition() const {
    if (!m_file) return 0;
    const off_t pos = ::ftello(m_file);
    return pos < 0 ? 0 : static_cast<std::uint64_t>(pos);
}

std::uint64_t CFile::GetLength() const {
    if (!m_file) return 0;
    if (m_writable) std::fflush(m_file);
    struct stat st {};
    if (::fstat(::fileno(m_file), &st) != 0) return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

std::string CFile::GetFilePath() const { return m_path; }

void CFile::Flush() {
    if (!m_file) return;
    if (std::fflush(m_file) != 0)
        Throw(CFileException::CauseFromErrno(errno), std::string("write error: ") + std::strerror(errno));
    if (m_writable && ::fsync(::fileno(m_file)) != 0 && errno != EINVAL)
        Throw(CFileException::CauseFromErrno(errno), std::string("write error: ") + std::strerror(errno));
}

void CFile::Close() {
    if (!m_file) return;
    std::FILE* f = m_file;
    m_file = nullptr;
    if (std::fclose(f) != 0 && m_writable)
        Throw(CFileException::CauseFromErrno(errno), std::string("write error: ") + std::strerror(errno));
}

void CFile::ReadExact(void* buffer, std::size_t count) {
    const std::size_t n = Read(buffer, count);
    if (n < count)
        Throw(CFileException::endOfFile,
              "the file ends too early (" + std::to_string(n) + " of " + std::to_string(count) + " bytes)");
}

std::vector<std::uint8_t> CFile::ReadBytes(std::size_t count) {
    if (count > GetRemaining()) {
        Throw(CFileException::endOfFile, "the file ends too early (" + std::to_string(GetRemaining()) + " of " +
                                             std::to_string(count) + " bytes)");
    }
    std::vector<std::uint8_t> bytes(count);
    ReadExact(bytes.data(), count);
    return bytes;
}

int CFile::PeekByte() {
    std::uint8_t b = 0;
    if (Read(&b, 1) != 1) return -1;
    Seek(-1, current);
    return b;
}

// ---- CMemFile ----

CMemFile::CMemFile(std::string name) { m_path = std::move(name); }

CMemFile::CMemFile(std::vector<std::uint8_t> data, std::string name) : m_data(std::move(data)) {
    m_path = std::move(name);
}

CMemFile::CMemFile(std::span<const std::uint8_t> data, std::string name) : m_data(data.begin(), data.end()) {
    m_path = std::move(name);
}

void CMemFile::Open(const std::string& path, unsigned) { m_path = path; }

std::size_t CMemFile::Read(void* buffer, std::size_t count) {
    const std::size_t n = std::min(count, m_data.size() - std::min(m_position, m_data.size()));
    if (n) std::memcpy(buffer, m_data.data() + m_position, n);
    m_position += n;
    return n;
}

void CMemFile::Write(const void* buffer, std::size_t count) {
    if (count == 0) return;
    if (m_position + count > m_data.size()) m_data.resize(m_position + count);
    std::memcpy(m_data.data() + m_position, buffer, count);
    m_position += count;
}

std::uint64_t CMemFile::Seek(std::int64_t offset, SeekPosition from) {
    std::int64_t base = 0;
    if (from == current) base = static_cast<std::int64_t>(m_position);
    else if (from == end) base = static_cast<std::int64_t>(m_data.size());
    const std::int64_t target = base + offset;
    if (target < 0) Throw(CFileException::badSeek);
    m_position = static_cast<std::size_t>(target);
    return m_position;
}

std::vector<std::uint8_t> CMemFile::Detach() {
    m_position = 0;
    return std::exchange(m_data, {});
}
