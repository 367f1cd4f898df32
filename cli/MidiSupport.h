#pragma once

// The MIDI side of the command line: the back end, ports by index or name, and
// watching a transfer with a progress line on a terminal.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <tonalith/Midi.h>

namespace CLI {
class App;
}

namespace cli {

// Ends the process with exit 1 and one line on stderr when it is still alive after
// the given seconds (none: no limit). A hang inside a MIDI system's library can
// be ended no other way.
class CDeadline {
public:
    CDeadline(double seconds, std::string what);
    ~CDeadline() = default;  // the watch thread stops and is joined
    CDeadline(const CDeadline&) = delete;
    CDeadline& operator=(const CDeadline&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::jthread m_thread;  // last: stops before the rest goes
};

// --timeout SECONDS: how long the whole command may take, and its watchdog.
void AddTimeoutOption(CLI::App& command, double& seconds);
std::unique_ptr<CDeadline> CommandDeadline(double seconds);

// Notifications run on the device threads ("alsa" or "jack" replaces the back end
// the settings name; empty keeps it). The back end opens under a watchdog; libjack's
// own messages are kept off stderr. Throws Failure when that system is not there.
void InitMidi(const std::string& api);

// PORT is an index into the list, a whole port name, or a part of exactly one
// port's name. Throws UsageError listing the matches when a part names several,
// Failure naming the ports there are when it names none.
int ResolvePort(const std::vector<std::string>& ports, const std::string& port, const char* kind);

CMidiOutput& OpenOutput(const std::string& port);
CMidiInput& OpenInput(const std::string& port);

// Follows one transfer through its notifications.
class CTransferWatch : public IMidiListener {
public:
    // progress: draw the line also when stderr is no terminal (--progress).
    explicit CTransferWatch(long expected = 0, bool progress = false) : m_expected(expected), m_progress(progress) {}
    void OnMidiNotify(unsigned message, unsigned wParam, long lParam) override;
    // Waits for the end, drawing "bytes / expected, rate" on stderr when it is a
    // terminal or progress was asked for. False on timeout (quiet time with no progress).
    bool Wait(std::chrono::milliseconds quietLimit);
    bool Failed() const { return m_error >= 0; }
    long GetError() const { return m_error; }
    long GetBytes() const { return m_bytes; }

private:
    long m_expected;
    bool m_progress;
    std::atomic<long> m_bytes{0};
    std::atomic<bool> m_ended{false};
    std::atomic<long> m_error{-1};
};

// Sends complete messages with notifications and waits until they are out;
// throws Failure.
void SendAndWait(CMidiOutput& output, const std::vector<std::uint8_t>& bytes, bool progress = false);

// Progress lines go to stderr on a terminal, or anywhere when forced (--progress).
bool ShowProgress(bool forced);

}  // namespace cli
