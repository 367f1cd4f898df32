#pragma once

// The MIDI side of the command line: the back end, ports by index or name, and
// watching a transfer with a progress line on a terminal.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <tonalith/Midi.h>

namespace cli {

// Notifications run on the device threads ("alsa" or "jack" replaces the back end
// the settings name; empty keeps it). Throws Failure when that system is not there.
void InitMidi(const std::string& api);

// PORT is an index into the list or any part of a port's name (the first port
// whose name contains it). Throws Failure naming the ports there are.
int ResolvePort(const std::vector<std::string>& ports, const std::string& port, const char* kind);

CMidiOutput& OpenOutput(const std::string& port);
CMidiInput& OpenInput(const std::string& port);

// Follows one transfer through its notifications.
class CTransferWatch : public IMidiListener {
public:
    explicit CTransferWatch(long expected = 0) : m_expected(expected) {}
    void OnMidiNotify(unsigned message, unsigned wParam, long lParam) override;
    // Waits for the end, drawing "bytes / expected, rate" on stderr when it is a
    // terminal. False on timeout (quiet time with no progress).
    bool Wait(std::chrono::milliseconds quietLimit);
    bool Failed() const { return m_error >= 0; }
    long GetError() const { return m_error; }
    long GetBytes() const { return m_bytes; }

private:
    long m_expected;
    std::atomic<long> m_bytes{0};
    std::atomic<bool> m_ended{false};
    std::atomic<long> m_error{-1};
};

// Sends complete messages with notifications and waits until they are out;
// throws Failure.
void SendAndWait(CMidiOutput& output, const std::vector<std::uint8_t>& bytes);

}  // namespace cli
