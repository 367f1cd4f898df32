#include "FileX.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <system_error>
#include <utility>

#include "File.h"

namespace fs = std::filesystem;

namespace {

// A stream (a pipe, a device) has no length to read up to; this bounds what is
// taken from one, so an endless source such as /dev/zero fails instead of filling memory.
constexpr std::size_t kMaxStreamBytes = std::size_t{256} << 20;

[[noreturn]] void ThrowErrno(const std::string& path, int error, const std::string& prefix = {}) {
    throw CFileException(CFileException::CauseFromErrno(error), path, prefix + std::strerror(error));
}

// The mode a newly created file gets: 0666 less the process's umask. Read from
// /proc so that no other thread sees a temporarily changed umask.
mode_t NewFileMode() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            try {
                return 0666 & ~static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
            } catch (const std::exception&) {
                break;
            }
        }
    }
    return 0644;
}

// Removes the temporary file unless released, whatever made the save fail.
class TempFileGuard {
public:
    explicit TempFileGuard(std::string path) : m_path(std::move(path)) {}
    ~TempFileGuard() {
        if (!m_path.empty()) ::unlink(m_path.c_str());
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void Release() { m_path.clear(); }

private:
    std::string m_path;
};

class FdGuard {
public:
    explicit FdGuard(int fd) : m_fd(fd) {}
    ~FdGuard() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int Get() const { return m_fd; }
    // Closes now so that an error of the close (a late write error) is seen.
    int Close() { return ::close(std::exchange(m_fd, -1)); }

private:
    int m_fd;
};

void SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // best effort: the rename itself has already succeeded
    ::close(fd);
}

bool IsNumber(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// The links in /proc/<pid>/fd (reached also as /dev/stdout, /dev/fd/N, /proc/self/fd/N)
// name open files, not places in the tree: what they read as may not exist at all
// ("pipe:[1234]"), and renaming over them would replace the link. For this
// process's own descriptors the descriptor number, so that it is written where it stands.
struct Descriptor {
    bool isDescriptor = false;
    std::optional<int> own;
};

Descriptor DescriptorOf(const fs::path& link) {
    std::error_code ec;
    const fs::path folder = fs::canonical(link.has_parent_path() ? link.parent_path() : fs::path("."), ec);
    if (ec || folder.filename() != "fd" || !IsNumber(link.filename().string())) return {};
    // /proc/<pid>/fd or /proc/<pid>/task/<tid>/fd
    auto part = folder.begin();
    if (part == folder.end() || *part != "/" || ++part == folder.end() || *part != "proc" || ++part == folder.end())
        return {};
    const std::string pid = part->string();
    if (!IsNumber(pid)) return {};
    Descriptor result{true, std::nullopt};
    if (pid == std::to_string(::getpid())) {
        int fd = -1;
        const std::string name = link.filename().string();
        if (std::from_chars(name.data(), name.data() + name.size(), fd).ec == std::errc()) result.own = fd;
    }
    return result;
}

// Where a save goes: a regular file (or none yet) is replaced through a rename;
// anything else is written as a stream, never replaced.
struct SaveTarget {
    enum Kind { Replace, Stream, OwnDescriptor } kind = Replace;
    fs::path path;  // the file itself, links followed (Replace, Stream)
    int fd = -1;  // OwnDescriptor
};

SaveTarget FindSaveTarget(const std::string& userPath) {
    fs::path path(userPath);
    // Follow the links one by one: the file the last one names is what is saved,
    // so a link stays a link. The limit is the kernel's own (ELOOP).
    for (int hops = 0;; ++hops) {
        if (hops == 40) ThrowErrno(userPath, ELOOP);
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        if (const Descriptor descriptor = DescriptorOf(path); descriptor.isDescriptor) {
            struct stat file {};
            if (::stat(path.c_str(), &file) != 0) ThrowErrno(userPath, errno);
            if (S_ISDIR(file.st_mode)) break;  // reported below
            if (descriptor.own) return {SaveTarget::OwnDescriptor, path, *descriptor.own};
            return {SaveTarget::Stream, path};
        }
        std::error_code ec;
        const fs::path next = fs::read_symlink(path, ec);
        if (ec) ThrowErrno(userPath, ec.value());
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {SaveTarget::Replace, path};  // a new file
    if (S_ISDIR(st.st_mode))
        throw CFileException(CFileException::accessDenied, userPath, "this is a folder, not a file");
    if (S_ISREG(st.st_mode)) return {SaveTarget::Replace, path};
    return {SaveTarget::Stream, path};
}

void WriteAll(int fd, std::span<const std::uint8_t> bytes, const std::string& userPath) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowErrno(userPath, errno, "write error: ");
        if (n == 0) throw CFileException(CFileException::generic, userPath, "write error: nothing was written");
        done += static_cast<std::size_t>(n);
    }
}

// A device, FIFO or open descriptor gets the bytes as they are, opened without
// O_CREAT or O_TRUNC: it is written to, never created or replaced.
void SaveToStream(const SaveTarget& target, const std::string& userPath, const std::function<void(CFile&)>& writer) {
    // The whole content first: a writer that fails sends nothing.
    CMemFile content(userPath);
    writer(content);

    FdGuard fd(target.kind == SaveTarget::OwnDescriptor ? ::fcntl(target.fd, F_DUPFD_CLOEXEC, 0)
                                                        : ::open(target.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0) {
        const int error = errno;
        // A socket cannot be opened by name, only connected to.
        if (error == ENXIO)
            throw CFileException(CFileException::accessDenied, userPath, "this cannot be opened for writing");
        ThrowErrno(userPath, error);
    }
    WriteAll(fd.Get(), content.Data(), userPath);
    if (fd.Close() != 0 && errno != EINTR) ThrowErrno(userPath, errno, "write error: ");
}

void SaveReplacing(const fs::path& target, const std::string& userPath, const std::function<void(CFile&)>& writer) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string tempPath = (folder / ("." + target.filename().string() + ".XXXXXX")).string();

    const int fd = ::mkstemp(tempPath.data());
    if (fd < 0) ThrowErrno(userPath, errno);
    TempFileGuard guard(tempPath);

    // mkstemp creates the file private (0600); give it the permissions of the file it replaces.
    struct stat old {};
    const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : NewFileMode();
    ::fchmod(fd, mode);
    ::close(fd);

    try {
        CFile file(tempPath, CFile::modeWrite | CFile::modeCreate);
        writer(file);
        file.Flush();
        file.Close();
    } catch (const CFileException& e) {
        // Report the file the user chose, not the temporary name.
        throw CFileException(e.m_cause, userPath, e.m_detail);
    }
    if (::rename(tempPath.c_str(), target.c_str()) != 0) ThrowErrno(userPath, errno);
    guard.Release();
    SyncFolder(folder);
}

}  // namespace

bool CFileX::Exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::exists(path, ec);
}

std::string CFileX::EnsureSlash(const std::string& path) {
    // An empty folder stays empty (the current folder) rather than becoming the root.
    if (path.empty() || path.back() == '/') return path;
    return path + '/';
}

std::vector<std::uint8_t> CFileX::Read(const std::string& path) {
    CFile file(path, CFile::modeRead);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        const std::uint64_t length = file.GetLength();
        if (length > static_cast<std::uint64_t>(std::vector<std::uint8_t>().max_size()))
            throw CFileException(CFileException::generic, path, "file too large");
        return file.ReadBytes(static_cast<std::size_t>(length));
    }
    // A stream reports no length: read up to its end.
    std::vector<std::uint8_t> bytes;
    constexpr std::size_t kChunk = 1 << 16;
    for (;;) {
        const std::size_t have = bytes.size();
        if (have >= kMaxStreamBytes)
            throw CFileException(CFileException::generic, path,
                                 "more than " + std::to_string(kMaxStreamBytes >> 20) + " MB; not a file to open");
        bytes.resize(have + kChunk);
        const std::size_t n = file.Read(bytes.data() + have, kChunk);
        bytes.resize(have + n);
        if (n == 0) break;
    }
    return bytes;
}

void CFileX::SaveAtomically(const std::string& path, const std::function<void(CFile&)>& writer) {
    const SaveTarget target = FindSaveTarget(path);
    if (target.kind == SaveTarget::Replace) SaveReplacing(target.path, path, writer);
    else SaveToStream(target, path, writer);
}
