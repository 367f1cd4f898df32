#include "FileX.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "File.h"

namespace fs = std::filesystem;

namespace {

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

void SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // best effort: the rename itself has already succeeded
    ::close(fd);
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
    const std::uint64_t length = file.GetLength();
    if (length > static_cast<std::uint64_t>(std::vector<std::uint8_t>().max_size()))
        throw CFileException(CFileException::generic, path, "file too large");
    return file.ReadBytes(static_cast<std::size_t>(length));
}

void CFileX::SaveAtomically(const std::string& path, const std::function<void(CFile&)>& writer) {
    std::error_code ec;
    fs::path target(path);
    // Saving through a link updates the file it points to and keeps the link.
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string tempPath = (folder / ("." + target.filename().string() + ".XXXXXX")).string();

    const int fd = ::mkstemp(tempPath.data());
    if (fd < 0) {
        const int error = errno;
        throw CFileException(CFileException::CauseFromErrno(error), path, std::strerror(error));
    }
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
        throw CFileException(e.m_cause, path, e.m_detail);
    }
    if (::rename(tempPath.c_str(), target.c_str()) != 0) {
        const int error = errno;
        throw CFileException(CFileException::CauseFromErrno(error), path, std::strerror(error));
    }
    guard.Release();
    SyncFolder(folder);
}
