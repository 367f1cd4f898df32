#pragma once

// A JACK server with the dummy back end under a name of its own, and child
// processes next to it, for the end-to-end tests, the fault tests and the
// benchmarks (target tonalith-jack-test-support). Waits are for a process to
// end (a pidfd in poll).

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tonalith::test {

// Waits until the child pid has ended or timeout passes; its wait status when it
// ended (the child is reaped), nullopt when it still runs. A pidfd becomes
// readable when the process ends, so this sleeps in poll, not in steps.
inline std::optional<int> WaitForExit(pid_t pid, std::chrono::milliseconds timeout) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return status;
    // The machines we run on have pidfds (Linux 5.3 on); failing to open one means
    // the process is gone already.
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0) return ::waitpid(pid, &status, WNOHANG) == pid ? std::optional<int>(status) : std::nullopt;
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(timeout.count()));
    ::close(fd);
    if (ready > 0 && ::waitpid(pid, &status, 0) == pid) return status;
    return std::nullopt;
}

// Waits until the first of several children ends, or timeout passes: its index
// in pids (it is not reaped; WaitForExit does that), or -1.
inline int WaitForFirstExit(const std::vector<pid_t>& pids, std::chrono::milliseconds timeout) {
    std::vector<pollfd> fds;
    for (const pid_t pid : pids) {
        const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
        if (fd < 0) {  // already gone
            for (const pollfd& p : fds) ::close(p.fd);
            return static_cast<int>(fds.size());
        }
        fds.push_back({fd, POLLIN, 0});
    }
    int found = -1;
    if (::poll(fds.data(), fds.size(), static_cast<int>(timeout.count())) > 0)
        for (std::size_t i = 0; i < fds.size() && found < 0; ++i)
            if (fds[i].revents & POLLIN) found = static_cast<int>(i);
    for (const pollfd& p : fds) ::close(p.fd);
    return found;
}

inline std::optional<std::string> FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    dirs += ":/usr/bin:/usr/sbin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string candidate = dir + "/" + name;
        if (!dir.empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return std::nullopt;
}

// A child process; SIGTERM and a bounded wait when it goes out of scope.
class CChild {
public:
    CChild() = default;
    CChild(const CChild&) = delete;
    CChild& operator=(const CChild&) = delete;
    ~CChild() { Stop(); }

    // Starts argv[0] with its stdout on a pipe (readable with ReadLine) and
    // stderr to errPath (or inherited).
    // The child gets SIGTERM when this process dies, even by a crash or a
    // test-runner kill, so no server is left behind holding a JACK slot.
    bool Start(const std::vector<std::string>& args, const std::string& errPath = {}) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return false;
        const int err = errPath.empty() ? -1 : ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const pid_t parent = ::getpid();
        const pid_t pid = ::fork();
        if (pid == 0) {  // only async-signal-safe calls from here on
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent) ::_exit(127);
            ::dup2(fds[1], 1);
            if (err >= 0) ::dup2(err, 2);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        if (err >= 0) ::close(err);
        m_out = fds[0];
        if (pid < 0) return false;
        m_pid = pid;
        return true;
    }
    // One line of the child's stdout, or nullopt after the timeout.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (true) {
            if (const auto nl = m_buffer.find('\n'); nl != std::string::npos) {
                std::string line = m_buffer.substr(0, nl);
                m_buffer.erase(0, nl + 1);
                return line;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || m_out < 0) return std::nullopt;
            pollfd p{m_out, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char buf[256];
            const ssize_t n = ::read(m_out, buf, sizeof buf);
            if (n <= 0) return std::nullopt;
            m_buffer.append(buf, static_cast<std::size_t>(n));
        }
    }
    bool Running() {
        if (m_pid <= 0) return false;
        int status;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return false;
        }
        return true;
    }
    void Stop() {
        if (m_out >= 0) ::close(m_out);
        m_out = -1;
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        if (!WaitForExit(m_pid, std::chrono::seconds(3))) {
            ::kill(m_pid, SIGKILL);
            int status;
            ::waitpid(m_pid, &status, 0);
        }
        m_pid = -1;
    }
    // Waits until the child ends by itself; its wait status, or nullopt after the timeout.
    std::optional<int> Wait(std::chrono::milliseconds timeout) {
        if (m_pid <= 0) return std::nullopt;
        const std::optional<int> status = WaitForExit(m_pid, timeout);
        if (status) m_pid = -1;
        return status;
    }
    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_buffer;
};

// jackd -n NAME -S -t 2000 --no-realtime -d dummy -r 48000 -p 64; this process
// then talks to it (JACK_DEFAULT_SERVER) and never starts a server by accident.
//
// -S matters: in JACK's default asynchronous mode a client that misses its cycle
// (a non-realtime client on a loaded machine does, often) loses or repeats the
// MIDI events of that cycle, whole pieces of SysEx at a time. In synchronous
// mode the server waits for every client before the next cycle; -t lets it wait
// that long (the wait is ten times the client timeout).
class CJackServer {
public:
    enum Outcome { Running, NotInstalled, DidNotStart };

    Outcome Start(const std::string& name, int period = 64) {
        // TONALITH_JACKD names the server program ("" or a missing file: not installed).
        std::optional<std::string> jackd;
        if (const char* forced = std::getenv("TONALITH_JACKD")) {
            if (*forced && ::access(forced, X_OK) == 0) jackd = forced;
        } else {
            jackd = FindProgram("jackd");
        }
        const auto jackWait = FindProgram("jack_wait");
        if (!jackd || !jackWait) return NotInstalled;
        m_name = name;
        ::setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
        ::setenv("JACK_NO_START_SERVER", "1", 1);
        m_log = (std::filesystem::temp_directory_path() / (name + "-jackd.log")).string();
        if (!m_jackd.Start({*jackd, "-n", name, "-S", "-t", "2000", "--no-realtime", "-d", "dummy", "-r", "48000", "-p",
                            std::to_string(period), "-C", "0", "-P", "0"},
                           m_log))
            return DidNotStart;
        // jack_wait -w ends when the server takes clients; jackd ending first
        // means it did not start. Up to 15 s on a loaded machine.
        CChild waiter;
        if (!waiter.Start({*jackWait, "-s", name, "-w", "-t", "15"}, "/dev/null")) {
            m_jackd.Stop();
            return DidNotStart;
        }
        const int first = WaitForFirstExit({m_jackd.Pid(), waiter.Pid()}, std::chrono::seconds(16));
        const std::optional<int> waited = first == 1 ? waiter.Wait(std::chrono::seconds(1)) : std::nullopt;
        if (waited && WIFEXITED(*waited) && WEXITSTATUS(*waited) == 0 && m_jackd.Running()) return Running;
        waiter.Stop();
        m_jackd.Stop();
        return DidNotStart;
    }

    // What a test does about its server: run, skip (jackd is not installed and
    // TONALITH_REQUIRE_JACK=1 does not demand it) or fail, with the reason.
    struct TestStart {
        enum Verdict { Run, Skip, Fail } verdict = Run;
        std::string reason;
    };
    // Starts a server named prefix-<pid>-<clock>, unique to this process and call.
    TestStart StartForTest(const std::string& prefix, int period = 64) {
        const std::string name = prefix + "-" + std::to_string(::getpid()) + "-" +
                                 std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000);
        switch (Start(name, period)) {
        case Running: return {};
        case NotInstalled: {
            const char* require = std::getenv("TONALITH_REQUIRE_JACK");
            const bool required = require && std::string(require) == "1";
            return {required ? TestStart::Fail : TestStart::Skip, "jackd is not installed (install jackd2)"};
        }
        case DidNotStart: break;
        }
        return {TestStart::Fail, "jackd is installed but did not start; see " + m_log};
    }
    void Stop() { m_jackd.Stop(); }
    const std::string& Log() const { return m_log; }

private:
    std::string m_name;
    std::string m_log;
    CChild m_jackd;
};

}  // namespace tonalith::test
