#pragma once

// The MIDI system under the devices: a list of ports and a way to open them.
// RtMidi (ALSA sequencer or JACK) in the program; an in-process loopback in tests.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "MidiClock.h"

// A port that cannot be opened or used; the text says why.
class CMidiError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raw bytes as the system delivers them; callback boundaries are not message
// boundaries. Called on the back end's own thread: copy and return.
using MidiInputCallback = std::function<void(std::span<const std::uint8_t>)>;

// An open input port; closes on destruction, after which no callback runs.
class IMidiInputPort {
public:
    virtual ~IMidiInputPort() = default;
};

// An open output port. Send may block (a JACK server that went away blocks for
// good), so callers never call it on a thread that must stay responsive.
class IMidiOutputPort {
public:
    virtual ~IMidiOutputPort() = default;
    virtual void Send(std::span<const std::uint8_t> bytes) = 0;  // throws CMidiError
};

enum class MidiSystem { None, Alsa, Jack, Loopback };

// Tells whoever waits on a port that the system under it has gone (a JACK
// server that quit). Going is for good: a lost signal never comes back.
class CMidiLossSignal {
public:
    CMidiLossSignal() = default;
    CMidiLossSignal(const CMidiLossSignal&) = delete;
    CMidiLossSignal& operator=(const CMidiLossSignal&) = delete;

    bool IsLost() const { return m_state->lost.load(); }
    // Marks the loss and calls every watcher once; safe from any thread.
    void MarkLost();
    // wake runs on the thread that marks the loss (at once when it is already
    // lost), so it only wakes a waiter: no locks of the back end, no MIDI calls.
    // Once the returned handle is released, wake is not running and never runs.
    // Never release the handle while holding a lock that wake takes.
    std::shared_ptr<void> Watch(std::function<void()> wake);

private:
    struct State {
        std::mutex mutex;
        std::atomic<bool> lost{false};
        std::uint64_t next = 0;
        std::vector<std::pair<std::uint64_t, std::function<void()>>> watchers;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

class IMidiBackend {
public:
    virtual ~IMidiBackend() = default;
    virtual MidiSystem GetSystem() const = 0;
    virtual std::vector<std::string> GetInputPortNames() = 0;
    virtual std::vector<std::string> GetOutputPortNames() = 0;
    // index is a position in the port list; name, when not empty, wins over it.
    virtual std::unique_ptr<IMidiInputPort> OpenInput(int index, const std::string& name,
                                                      MidiInputCallback callback) = 0;
    virtual std::unique_ptr<IMidiOutputPort> OpenOutput(int index, const std::string& name) = 0;
    // Ports other programs connect to (the simulated synth offers these).
    virtual std::unique_ptr<IMidiInputPort> OpenVirtualInput(const std::string& portName,
                                                             MidiInputCallback callback) = 0;
    virtual std::unique_ptr<IMidiOutputPort> OpenVirtualOutput(const std::string& portName) = 0;
    // True once the system has gone (a JACK server that quit): open ports are
    // dead and nothing opens any more.
    virtual bool IsLost() const { return false; }
    // See CMidiLossSignal::Watch; null where the system cannot go away.
    virtual std::shared_ptr<void> WatchLoss(std::function<void()> wake) { return nullptr; }
};

// RtMidi over the ALSA sequencer or JACK; throws CMidiError when that system is
// not there. clientName names this program's ports.
std::unique_ptr<IMidiBackend> CreateRtMidiBackend(MidiSystem api, const std::string& clientName);
std::string_view MidiSystemName(MidiSystem api);
MidiSystem MidiSystemFromName(std::string_view name);  // "ALSA", "JACK", "LOOPBACK", "NONE"

// Resolves a stored device: the port of that name if it exists, else the index
// if it is in range, else -1.
int ResolveMidiPort(const std::vector<std::string>& ports, int index, const std::string& name);

// In-process loopback for tests: output port i delivers to input port i. Every
// write is logged with its time, a responder may answer writes, and a port can
// be made to block like a JACK port whose server has gone.
class CMidiLoopback : public IMidiBackend, public std::enable_shared_from_this<CMidiLoopback> {
public:
    struct Write {
        int port;
        std::chrono::steady_clock::time_point time;
        std::vector<std::uint8_t> bytes;
    };
    using Responder = std::function<void(CMidiLoopback&, int port, std::span<const std::uint8_t>)>;

    static std::shared_ptr<CMidiLoopback> Create(int ports = 2);
    // A back end that shares this loopback (CMidi owns back ends by unique_ptr).
    std::unique_ptr<IMidiBackend> MakeBackend();

    MidiSystem GetSystem() const override { return MidiSystem::Loopback; }
    std::vector<std::string> GetInputPortNames() override;
    std::vector<std::string> GetOutputPortNames() override;
    std::unique_ptr<IMidiInputPort> OpenInput(int index, const std::string& name, MidiInputCallback callback) override;
    std::unique_ptr<IMidiOutputPort> OpenOutput(int index, const std::string& name) override;
    std::unique_ptr<IMidiInputPort> OpenVirtualInput(const std::string&, MidiInputCallback) override;
    std::unique_ptr<IMidiOutputPort> OpenVirtualOutput(const std::string&) override;

    // Delivers bytes to input port `port` as one callback.
    void Inject(int port, std::span<const std::uint8_t> bytes);
    // When set, writes go to the responder instead of the input of the same number.
    void SetResponder(Responder responder);
    void SetBlocked(bool blocked);  // writes wait while blocked
    int GetBlockedWrites() const;  // writes waiting for the block to lift now
    // The clock that stamps the logged writes (null: the monotonic clock).
    void SetClock(std::shared_ptr<const IMidiClock> clock);
    // Behaves like a JACK server that quit: watchers are told, opens fail and
    // writes block (until unblocked, so a test can end).
    void SimulateLoss();
    bool IsLost() const override { return m_loss.IsLost(); }
    std::shared_ptr<void> WatchLoss(std::function<void()> wake) override { return m_loss.Watch(std::move(wake)); }
    std::vector<Write> GetWrites() const;
    void ClearWrites();

private:
    explicit CMidiLoopback(int ports);
    void DoWrite(int port, std::span<const std::uint8_t> bytes);
    void Detach(int port, const void* owner);

    friend class CLoopbackInput;
    friend class CLoopbackOutput;

    int m_ports;
    mutable std::mutex m_mutex;
    std::condition_variable m_unblocked;
    bool m_blocked = false;
    int m_blockedWrites = 0;
    std::vector<std::shared_ptr<MidiInputCallback>> m_inputs;
    Responder m_responder;
    std::vector<Write> m_writes;
    std::shared_ptr<const IMidiClock> m_clock = SteadyMidiClock();
    CMidiLossSignal m_loss;
};
