#include <gtest/gtest.h>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <thread>

#include "File.h"
#include "FileX.h"
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

// ---- saving to what is not a regular file ----------------------------------

namespace fs = std::filesystem;

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return bytes;
}

void SaveBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    CFileX::SaveAtomically(path, [&](CFile& f) { f.Write(bytes); });
}

mode_t TypeOf(const fs::path& path, bool followLinks = false) {
    struct stat st {};
    const int rc = followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
    return rc == 0 ? (st.st_mode & S_IFMT) : 0;
}

std::vector<std::uint8_t> ReadAll(int fd) {
    std::vector<std::uint8_t> out;
    std::uint8_t buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        out.insert(out.end(), buffer, buffer + n);
    }
    return out;
}

// Whatever reaches the FIFO while fn runs. The test holds a write end itself, so
// the reader neither blocks on opening nor sees the end before fn is done, even
// when fn never opens the FIFO at all.
template <typename Fn>
std::vector<std::uint8_t> ReceiveThroughFifo(const fs::path& fifo, Fn fn) {
    const int hold = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    // Opened here, before fn, so that nothing fn writes can come and go unread.
    const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(hold, 0);
    EXPECT_GE(fd, 0);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::vector<std::uint8_t> received;
    std::thread reader([&] {
        received = ReadAll(fd);
        ::close(fd);
    });
    fn();
    ::close(hold);
    reader.join();
    return received;
}

TEST(AtomicSaveStreams, AFifoAndALinkToItReceiveTheBytesAndStayFifos) {
    const fs::path dir = tonalith::test::TempDir();
    const fs::path fifo = dir / "out.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(dir / "sub");
    fs::create_symlink("../out.fifo", dir / "sub" / "link");

    const auto bytes = Pattern(200'000);  // more than a pipe holds at once
    EXPECT_EQ(ReceiveThroughFifo(fifo, [&] { SaveBytes(fifo.string(), bytes); }), bytes);
    EXPECT_EQ(TypeOf(fifo), S_IFIFO);

    const auto small = Pattern(10);
    EXPECT_EQ(ReceiveThroughFifo(fifo, [&] { SaveBytes((dir / "sub" / "link").string(), small); }), small);
    EXPECT_EQ(TypeOf(dir / "sub" / "link"), S_IFLNK);
    EXPECT_EQ(TypeOf(fifo), S_IFIFO);
    // No temporary was left beside the FIFO or the link.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "sub"), fs::directory_iterator()), 1);
}

TEST(AtomicSaveStreams, OwnDescriptorsAreWrittenWhereTheyStandNotReplaced) {
    // A pipe, as standard output is when a command's output is piped on.
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    const auto bytes = Pattern(1000);
    SaveBytes("/proc/self/fd/" + std::to_string(ends[1]), bytes);
    ::close(ends[1]);
    EXPECT_EQ(ReadAll(ends[0]), bytes);
    ::close(ends[0]);

    // A regular file opened for appending, as with ">>": appended to, not truncated or replaced.
    const fs::path log = tonalith::test::TempDir() / "log.syx";
    tonalith::test::WriteFile(log, {1, 2, 3});
    struct stat before {};
    ASSERT_EQ(::stat(log.c_str(), &before), 0);
    const int fd = ::open(log.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    SaveBytes("/dev/fd/" + std::to_string(fd), {4, 5});
    ::close(fd);
    EXPECT_EQ(tonalith::test::ReadFile(log), (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
    struct stat after {};
    ASSERT_EQ(::stat(log.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST(AtomicSaveStreams, DeviceNodesStayAndReportWriteErrors) {
    const fs::path dir = tonalith::test::TempDir();
    const fs::path full = dir / "full";
    const fs::path null = dir / "null";
    if (::mknod(full.c_str(), S_IFCHR | 0600, makedev(1, 7)) != 0 ||
        ::mknod(null.c_str(), S_IFCHR | 0600, makedev(1, 3)) != 0)
        GTEST_SKIP() << "cannot make device nodes here: " << std::strerror(errno);
    const int probe = ::open(null.c_str(), O_WRONLY | O_CLOEXEC);
    if (probe >= 0) ::close(probe);

    const auto bytes = Pattern(100'000);
    try {
        SaveBytes(full.string(), bytes);
        ADD_FAILURE() << "a full device was reported as written";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_strFileName, full.string());
        if (probe >= 0) {
            EXPECT_EQ(e.m_cause, CFileException::diskFull);
        }
    }
    if (probe >= 0) {
        EXPECT_NO_THROW(SaveBytes(null.string(), bytes));
    }
    EXPECT_EQ(TypeOf(full), S_IFCHR);
    EXPECT_EQ(TypeOf(null), S_IFCHR);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
}

TEST(AtomicSaveStreams, SocketsAndFoldersAreRefusedAndStay) {
    const fs::path dir = tonalith::test::TempDir();
    const fs::path socketPath = dir / "s.sock";
    const int sock = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.string().size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_THROW(SaveBytes(socketPath.string(), {1}), CFileException);
    EXPECT_EQ(TypeOf(socketPath), S_IFSOCK);
    ::close(sock);

    fs::create_directory(dir / "folder");
    EXPECT_THROW(SaveBytes((dir / "folder").string(), {1}), CFileException);
    EXPECT_EQ(TypeOf(dir / "folder"), S_IFDIR);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
}

TEST(AtomicSave, ALinkStaysALinkAndItsFileIsReplacedWithItsMode) {
    const fs::path dir = tonalith::test::TempDir();
    fs::create_directory(dir / "real");
    fs::create_directory(dir / "links");
    const fs::path real = dir / "real" / "bank.syx";
    tonalith::test::WriteFile(real, {1, 2, 3});
    ::chmod(real.c_str(), 0604);
    fs::create_symlink("../real/bank.syx", dir / "links" / "one");
    fs::create_symlink("one", dir / "links" / "two");  // a link to a link

    SaveBytes((dir / "links" / "two").string(), {9, 8});
    EXPECT_EQ(TypeOf(dir / "links" / "two"), S_IFLNK);
    EXPECT_EQ(TypeOf(dir / "links" / "one"), S_IFLNK);
    EXPECT_EQ(tonalith::test::ReadFile(real), (std::vector<std::uint8_t>{9, 8}));
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    // The temporary was made beside the real file and is gone.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "real"), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "links"), fs::directory_iterator()), 2);

    // A dangling link makes the file it names; a loop of links is an error.
    fs::create_symlink("../real/new.syx", dir / "links" / "dangling");
    SaveBytes((dir / "links" / "dangling").string(), {5});
    EXPECT_EQ(TypeOf(dir / "links" / "dangling"), S_IFLNK);
    EXPECT_EQ(tonalith::test::ReadFile(dir / "real" / "new.syx"), (std::vector<std::uint8_t>{5}));
    fs::create_symlink("loop-b", dir / "links" / "loop-a");
    fs::create_symlink("loop-a", dir / "links" / "loop-b");
    EXPECT_THROW(SaveBytes((dir / "links" / "loop-a").string(), {5}), CFileException);
    EXPECT_EQ(TypeOf(dir / "links" / "loop-a"), S_IFLNK);
}

TEST(FileRead, AStreamIsReadToItsEnd) {
    const fs::path fifo = tonalith::test::TempDir() / "in.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto bytes = Pattern(150'000);
    std::thread writer([&] {
        // A reader that stops early must fail the test, not end the process.
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &set, nullptr);
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) return;
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ::close(fd);
    });
    std::vector<std::uint8_t> read;
    EXPECT_NO_THROW(read = CFileX::Read(fifo.string()));
    writer.join();
    EXPECT_EQ(read, bytes);
}

}  // namespace
