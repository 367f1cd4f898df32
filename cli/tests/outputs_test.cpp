// Where commands write and read: standard input and output ("-"), FIFOs and links
// that must stay what they are, an output that is the input, and new files over old ones.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "CliRunner.h"
#include "TestSupport.h"

extern char** environ;

using clitest::Cli;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

namespace {

struct Piped {
    int exitCode = -1;
    Bytes out;
    std::string err;
};

Bytes ReadAll(int fd) {
    Bytes out;
    std::uint8_t buffer[16384];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        out.insert(out.end(), buffer, buffer + n);
    }
    return out;
}

// For this thread only: a write to a pipe nobody reads fails with EPIPE instead of
// killing the process.
void IgnoreBrokenPipes() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void WriteAll(int fd, const Bytes& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // the command stopped reading
        done += static_cast<std::size_t>(n);
    }
}

// tonalith-cli with standard output on a pipe, as in a shell pipeline, and standard
// input on a pipe fed with input, or from the file stdinFile.
Piped RunPiped(const std::vector<std::string>& args, const Bytes& input = {}, const fs::path& stdinFile = {}) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    const fs::path errPath = clitest::Scratch() / "stderr.txt";
    std::vector<std::string> argv{TONALITH_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargs;
    for (std::string& a : argv) cargs.push_back(a.data());
    cargs.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdinFile.empty()) posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    else posix_spawn_file_actions_addopen(&actions, 0, stdinFile.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, cargs[0], &actions, nullptr, cargs.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);

    std::thread feeder([&] {
        IgnoreBrokenPipes();  // a command that does not read its input must not end the test
        WriteAll(in[1], input);
        ::close(in[1]);
    });
    Piped result;
    result.out = ReadAll(out[0]);
    ::close(out[0]);
    feeder.join();
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {}
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errPath);
    std::ostringstream text;
    text << err.rdbuf();
    result.err = text.str();
    return result;
}

mode_t TypeOf(const fs::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

// The field bank (larger than a pipe holds at once) when there is field data, else a new bank.
fs::path SourceBank(const fs::path& dir) {
    if (const auto data = tonalith::test::FieldDataDir()) {
        const fs::path field = *data / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx";
        if (fs::exists(field)) return field;
    }
    const fs::path bank = dir / "korg.syx";
    EXPECT_EXIT_CODE(Cli({"new", "--synth", "Korg", "-o", bank.string()}), 0);
    return bank;
}

// What convert writes to a regular file: the bytes every other target must receive.
Bytes Converted(const fs::path& bank, const fs::path& dir) {
    const fs::path file = dir / "converted.syx";
    EXPECT_EXIT_CODE(Cli({"convert", bank.string(), file.string()}), 0);
    return tonalith::test::ReadFile(file);
}

// Whatever reaches the FIFO while fn runs. The test holds a write end itself, so the
// reader neither blocks on opening nor ends before fn is done, even if fn never writes.
template <typename Fn>
Bytes ReceiveThroughFifo(const fs::path& fifo, Fn fn) {
    const int hold = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    // Opened here, before fn, so that nothing fn writes can come and go unread.
    const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(hold, 0);
    EXPECT_GE(fd, 0);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    Bytes received;
    std::thread reader([&] {
        received = ReadAll(fd);
        ::close(fd);
    });
    fn();
    ::close(hold);
    reader.join();
    return received;
}

void Put16(Bytes& out, unsigned v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& out, unsigned v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// A 16-bit mono RIFF/WAVE file of a ramp.
Bytes MonoWave(int count) {
    Bytes w{'R', 'I', 'F', 'F'};
    Put32(w, 36 + static_cast<unsigned>(count * 2));
    for (char c : std::string("WAVEfmt ")) w.push_back(static_cast<std::uint8_t>(c));
    for (const unsigned v : {16u, 1u | (1u << 16), 22050u, 44100u, 2u | (16u << 16)}) Put32(w, v);
    for (char c : std::string("data")) w.push_back(static_cast<std::uint8_t>(c));
    Put32(w, static_cast<unsigned>(count * 2));
    for (int i = 0; i < count; ++i) Put16(w, static_cast<unsigned>((i * 977) % 65536));
    return w;
}

// A library with the first two patches of a new bank.
fs::path NewLibrary(const fs::path& dir) {
    const fs::path bank = dir / "for-lib.syx";
    const fs::path lib = dir / "lib.clb";
    EXPECT_EXIT_CODE(Cli({"new", "--synth", "Korg", "-o", bank.string()}), 0);
    EXPECT_EXIT_CODE(Cli({"lib", "new", lib.string()}), 0);
    EXPECT_EXIT_CODE(Cli({"lib", "add", lib.string(), bank.string(), "--layer", "0", "--patches", "0-1"}), 0);
    return lib;
}

}  // namespace

TEST(cliOutputs, StandardOutputByDashOrDevStdoutGetsTheBytes) {
    const fs::path dir = clitest::Scratch();
    const fs::path bank = SourceBank(dir);
    const Bytes expected = Converted(bank, dir);
    ASSERT_FALSE(expected.empty());

    auto r = RunPiped({"convert", bank.string(), "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, expected);
    EXPECT_FALSE(fs::exists("-"));

    if (TypeOf("/dev/stdout") == S_IFLNK) {
        r = RunPiped({"convert", bank.string(), "/dev/stdout"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, expected);
        EXPECT_EQ(TypeOf("/dev/stdout"), S_IFLNK);  // still the link, not a file put in its place
    }

    // "-" in, "-" out: a filter.
    const Bytes source = tonalith::test::ReadFile(bank);
    r = RunPiped({"convert", "-", "-"}, source);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, expected);
}

TEST(cliOutputs, ReportsGoToStderrWhenStdoutCarriesTheData) {
    const fs::path dir = clitest::Scratch();
    tonalith::test::WriteFile(dir / "in.wav", MonoWave(500));
    ASSERT_EXIT_CODE(Cli({"wav2sds", (dir / "in.wav").string(), (dir / "dump.syx").string()}), 0);
    const Bytes dump = tonalith::test::ReadFile(dir / "dump.syx");

    auto r = RunPiped({"wav2sds", (dir / "in.wav").string(), "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, dump);
    EXPECT_NE(r.err.find("500 samples"), std::string::npos) << r.err;

    // The WAV writer needs a file it can seek in; standard output gets the finished file.
    ASSERT_EXIT_CODE(Cli({"sds2wav", (dir / "dump.syx").string(), (dir / "back.wav").string()}), 0);
    r = RunPiped({"sds2wav", (dir / "dump.syx").string(), "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, tonalith::test::ReadFile(dir / "back.wav"));
}

TEST(cliOutputs, DashReadsStandardInputEverywhere) {
    const fs::path dir = clitest::Scratch();
    const fs::path bank = SourceBank(dir);
    const Bytes source = tonalith::test::ReadFile(bank);

    auto fromFile = Cli({"info", bank.string(), "--json"});
    ASSERT_EXIT_CODE(fromFile, 0);
    auto r = RunPiped({"info", "-", "--json"}, source);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto piped = nlohmann::json::parse(std::string(r.out.begin(), r.out.end()));
    EXPECT_EQ(piped["layers"], fromFile.Json()["layers"]);

    r = RunPiped({"hexdump", "-", "--json"}, source);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(std::string(r.out.begin(), r.out.end()))["size"], source.size());

    // A library edited as a filter: read from stdin, written to stdout.
    const fs::path lib = NewLibrary(dir);
    const fs::path korg = dir / "for-lib.syx";
    r = RunPiped({"lib", "add", "-", korg.string(), "--layer", "0", "--patches", "2"}, tonalith::test::ReadFile(lib));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("1 patches added"), std::string::npos) << r.err;  // the report, not in the data
    tonalith::test::WriteFile(dir / "filtered.clb", r.out);
    auto list = Cli({"lib", "list", (dir / "filtered.clb").string(), "--json"});
    ASSERT_EXIT_CODE(list, 0);
    EXPECT_EQ(list.Json()["total"], 3);
    r = RunPiped({"lib", "list", "-", "--json"}, r.out);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EXIT_CODE(Cli({"lib", "add", "-", "-", "--layer", "0"}), 2);

    // A form, which is read by seeking, and a WAV file.
    const fs::path form = dir / "panel.cof";
    ASSERT_EXIT_CODE(Cli({"form", "new", form.string(), "--author", "Ann"}), 0);
    r = RunPiped({"form", "info", "-", "--json"}, tonalith::test::ReadFile(form));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(std::string(r.out.begin(), r.out.end()))["author"], "Ann");
    r = RunPiped({"wav2sds", "-", (dir / "from-stdin.syx").string()}, MonoWave(300));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_GT(tonalith::test::ReadFile(dir / "from-stdin.syx").size(), 300u);
    r = RunPiped({"wav2sds", "-", (dir / "x.syx").string()}, {'n', 'o', 't'});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.find("tonalith-cli-"), std::string::npos) << r.err;  // names "-", not a private copy
}

TEST(cliOutputs, AFifoAndALinkToItStayAndReceiveTheBytes) {
    const fs::path dir = clitest::Scratch();
    const fs::path bank = SourceBank(dir);
    const Bytes expected = Converted(bank, dir);
    const fs::path fifo = dir / "out.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("out.fifo", dir / "link");

    clitest::Result r;
    EXPECT_EQ(ReceiveThroughFifo(fifo, [&] { r = Cli({"convert", bank.string(), fifo.string()}); }), expected);
    EXPECT_EXIT_CODE(r, 0);
    EXPECT_EQ(TypeOf(fifo), S_IFIFO);

    EXPECT_EQ(ReceiveThroughFifo(fifo, [&] { r = Cli({"sds2wav", "-", (dir / "link").string()}); }), Bytes{});
    EXPECT_EXIT_CODE(r, 1);  // stdin is empty: nothing to convert, nothing sent

    ASSERT_EXIT_CODE(Cli({"lib", "new", (dir / "empty.clb").string()}), 0);
    const Bytes empty = tonalith::test::ReadFile(dir / "empty.clb");
    EXPECT_EQ(ReceiveThroughFifo(fifo, [&] { r = Cli({"lib", "new", (dir / "link").string()}); }), empty);
    EXPECT_EXIT_CODE(r, 0);  // a FIFO is no file to keep: "new" writes to it without --force
    EXPECT_EQ(TypeOf(dir / "link"), S_IFLNK);
    EXPECT_EQ(TypeOf(fifo), S_IFIFO);
}

TEST(cliOutputs, ALinkStaysALinkAndItsFileGetsTheOutput) {
    const fs::path dir = clitest::Scratch();
    fs::create_directory(dir / "real");
    tonalith::test::WriteFile(dir / "in.wav", MonoWave(400));
    ASSERT_EXIT_CODE(Cli({"wav2sds", (dir / "in.wav").string(), (dir / "dump.syx").string()}), 0);
    ASSERT_EXIT_CODE(Cli({"sds2wav", (dir / "dump.syx").string(), (dir / "plain.wav").string()}), 0);

    tonalith::test::WriteFile(dir / "real" / "out.wav", {1, 2, 3});
    fs::create_symlink("real/out.wav", dir / "out.wav");
    ASSERT_EXIT_CODE(Cli({"sds2wav", (dir / "dump.syx").string(), (dir / "out.wav").string()}), 0);
    EXPECT_EQ(TypeOf(dir / "out.wav"), S_IFLNK);
    EXPECT_EQ(tonalith::test::ReadFile(dir / "real" / "out.wav"), tonalith::test::ReadFile(dir / "plain.wav"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "real"), fs::directory_iterator()), 1);  // no temporaries
}

TEST(cliOutputs, AnOutputThatIsTheInputOfAnotherKindIsRefused) {
    const fs::path dir = clitest::Scratch();
    const fs::path lib = NewLibrary(dir);
    const Bytes libBytes = tonalith::test::ReadFile(lib);
    fs::create_hard_link(lib, dir / "hard.clb");
    const std::string dotted = (dir / "." / "lib.clb").string();
    for (const std::string& out : {lib.string(), dotted, (dir / "hard.clb").string()}) {
        const auto r = Cli({"lib", "extract", lib.string(), "--entries", "0", "-o", out});
        EXPECT_EXIT_CODE(r, 2);
        EXPECT_NE(r.err.find(out), std::string::npos) << r.err;
        EXPECT_EQ(tonalith::test::ReadFile(lib), libBytes);
    }
    EXPECT_EXIT_CODE(Cli({"lib", "add", lib.string(), dotted, "--layer", "0"}), 2);
    EXPECT_EQ(tonalith::test::ReadFile(lib), libBytes);

    tonalith::test::WriteFile(dir / "w.wav", MonoWave(200));
    const Bytes wave = tonalith::test::ReadFile(dir / "w.wav");
    EXPECT_EXIT_CODE(Cli({"wav2sds", (dir / "w.wav").string(), (dir / "w.wav").string()}), 2);
    EXPECT_EQ(tonalith::test::ReadFile(dir / "w.wav"), wave);
    ASSERT_EXIT_CODE(Cli({"wav2sds", (dir / "w.wav").string(), (dir / "s.syx").string()}), 0);
    const Bytes dump = tonalith::test::ReadFile(dir / "s.syx");
    fs::create_hard_link(dir / "s.syx", dir / "s-hard.wav");
    for (const char* out : {"s.syx", "s-hard.wav"}) {
        EXPECT_EXIT_CODE(Cli({"sds2wav", (dir / "s.syx").string(), (dir / out).string()}), 2);
        EXPECT_EQ(tonalith::test::ReadFile(dir / "s.syx"), dump);
    }
    // Standard input redirected from the output file is caught as well.
    const auto r = RunPiped({"lib", "extract", "-", "--entries", "0", "-o", lib.string()}, {}, lib);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_EQ(tonalith::test::ReadFile(lib), libBytes);

    // Editing a file in place keeps its kind, and stays allowed.
    const fs::path bank = dir / "for-lib.syx";
    EXPECT_EXIT_CODE(Cli({"convert", bank.string(), bank.string()}), 0);
    EXPECT_EXIT_CODE(Cli({"rename", bank.string(), "--layer", "0", "--patch", "0", "--name", "Kept", "-o",
                          (dir / "." / "for-lib.syx").string()}),
                     0);
    const auto info = Cli({"info", bank.string(), "--json"});
    ASSERT_EXIT_CODE(info, 0);
    EXPECT_EQ(info.Json()["layers"][0]["patches"][0]["name"].get<std::string>().substr(0, 4), "Kept");
}

TEST(cliOutputs, NewCommandsReplaceAnExistingFileOnlyWithForce) {
    const fs::path dir = clitest::Scratch();
    const fs::path lib = NewLibrary(dir);
    const fs::path form = dir / "panel.cof";
    ASSERT_EXIT_CODE(Cli({"form", "new", form.string()}), 0);
    ASSERT_EXIT_CODE(Cli({"form", "add", form.string(), "--type", "Knob", "--rect", "0,0,10,10"}), 0);
    const fs::path bank = dir / "for-lib.syx";
    ASSERT_EXIT_CODE(
        Cli({"rename", bank.string(), "--layer", "0", "--patch", "0", "--name", "Mine", "-o", bank.string()}), 0);
    struct Case {
        fs::path file;
        std::vector<std::string> args;
    };
    const std::vector<Case> cases{{lib, {"lib", "new", lib.string()}},
                                  {form, {"form", "new", form.string()}},
                                  {bank, {"new", "--synth", "Korg", "-o", bank.string()}}};
    for (const Case& c : cases) {
        const Bytes before = tonalith::test::ReadFile(c.file);
        const auto refused = Cli(c.args);
        EXPECT_EXIT_CODE(refused, 2);
        EXPECT_NE(refused.err.find(c.file.string()), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
        EXPECT_EQ(tonalith::test::ReadFile(c.file), before);

        std::vector<std::string> forced = c.args;
        forced.push_back("--force");
        EXPECT_EXIT_CODE(Cli(forced), 0);
        EXPECT_NE(tonalith::test::ReadFile(c.file), before);
    }
    // The same through a link: the file it names is what would be lost.
    fs::create_symlink("panel.cof", dir / "form-link.cof");
    EXPECT_EXIT_CODE(Cli({"form", "new", (dir / "form-link.cof").string()}), 2);
    EXPECT_EXIT_CODE(Cli({"lib", "new", (dir / "fresh.clb").string()}), 0);
}
