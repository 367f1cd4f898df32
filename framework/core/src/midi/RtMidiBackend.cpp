// RtMidi over the ALSA sequencer or JACK. Errors come back through RtMidi's
// error callback (with one installed RtMidi does not throw), so every call is
// followed by a look at what the callback recorded.
#include <RtMidi.h>
#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <utility>

#include "MidiBackend.h"
#include "MidiStream.h"

namespace {

// What belonged to a JACK server that has gone: its destructors go back into
// libjack, which may block on the dead server or crash in its shutdown race,
// so these objects are kept, never destroyed (a deliberate, bounded leak: a
// few ports per lost server). Reachable from here, so leak checkers stay quiet.
void Abandon(std::shared_ptr<void> remains) {
    static std::mutex mutex;
    static auto* graveyard = new std::vector<std::shared_ptr<void>>;  // never freed, see above
    std::lock_guard lock(mutex);
    graveyard->push_back(std::move(remains));
}

template <class T>
void Abandon(std::unique_ptr<T>& object) {
    if (object) Abandon(std::shared_ptr<void>(object.release(), [](void*) {}));
}

// A small client of our own whose only job is to hear the JACK server quit;
// RtMidi offers no such notice.
class CJackWatch {
public:
    // Throws CMidiError when no server runs.
    explicit CJackWatch(const std::string& clientName, std::shared_ptr<CMidiLossSignal> loss)
        : m_loss(std::move(loss)) {
        jack_status_t status{};
        m_client = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
        if (!m_client) throw CMidiError("JACK: the server is not running");
        // The signal outlives the client (it is abandoned, never closed, once lost).
        jack_on_info_shutdown(m_client, &CJackWatch::OnShutdown, m_loss.get());
        if (jack_activate(m_client) != 0) {
            jack_client_close(m_client);
            throw CMidiError("JACK: the server refused a client");
        }
    }
    ~CJackWatch() {
        if (m_loss->IsLost()) {
            // Closing would talk to a server that is gone.
            Abandon(std::shared_ptr<void>(m_client, [](void*) {}));
            Abandon(m_loss);
            return;
        }
        jack_deactivate(m_client);
        jack_client_close(m_client);
    }
    CJackWatch(const CJackWatch&) = delete;
    CJackWatch& operator=(const CJackWatch&) = delete;

private:
    static void OnShutdown(jack_status_t, const char*, void* arg) { static_cast<CMidiLossSignal*>(arg)->MarkLost(); }
    std::shared_ptr<CMidiLossSignal> m_loss;
    jack_client_t* m_client = nullptr;
};

struct ErrorSink {
    std::mutex mutex;
    std::string text;
    static void Callback(RtMidiError::Type type, const std::string& message, void* user) {
        if (type == RtMidiError::WARNING || type == RtMidiError::DEBUG_WARNING) return;
        auto* self = static_cast<ErrorSink*>(user);
        std::lock_guard lock(self->mutex);
        self->text = message;
    }
    std::string Take() {
        std::lock_guard lock(mutex);
        return std::exchange(text, {});
    }
};

RtMidi::Api ToRtApi(MidiSystem api) { return api == MidiSystem::Jack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA; }

template <class T>
std::vector<std::string> PortNames(T& midi) {
    std::vector<std::string> names;
    const unsigned count = midi.getPortCount();
    for (unsigned i = 0; i < count; ++i) names.push_back(midi.getPortName(i));
    return names;
}

// The callback may still be entered while the port closes; it checks a flag
// under a lock so nothing runs once the owner is gone.
struct InputState {
    std::mutex mutex;
    bool alive = true;
    MidiInputCallback callback;
    static void Callback(double, std::vector<unsigned char>* message, void* user) {
        auto* self = static_cast<InputState*>(user);
        if (!message || message->empty()) return;
        std::lock_guard lock(self->mutex);
        if (self->alive && self->callback) self->callback(*message);
    }
};

class CRtInputPort : public IMidiInputPort {
public:
    CRtInputPort(std::unique_ptr<RtMidiIn> in, std::unique_ptr<InputState> state, std::unique_ptr<ErrorSink> errors,
                 std::shared_ptr<CMidiLossSignal> loss)
        : m_in(std::move(in)), m_state(std::move(state)), m_errors(std::move(errors)), m_loss(std::move(loss)) {}
    ~CRtInputPort() override {
        {
            std::lock_guard lock(m_state->mutex);
            m_state->alive = false;
        }
        if (m_loss && m_loss->IsLost()) {
            // RtMidi keeps pointers to the state and the sink: all three stay.
            Abandon(m_in);
            Abandon(m_state);
            Abandon(m_errors);
            return;
        }
        m_in->cancelCallback();
        m_in->closePort();
        m_in.reset();
    }

private:
    std::unique_ptr<RtMidiIn> m_in;
    std::unique_ptr<InputState> m_state;
    std::unique_ptr<ErrorSink> m_errors;
    std::shared_ptr<CMidiLossSignal> m_loss;  // null where the system cannot go away
};

// RtMidi's JACK output drops a message that does not fit its 16 KiB ring (with
// a 4-byte header) without a word; ours are cut smaller, so a larger one is a
// fault to report, not to lose.
constexpr std::size_t kJackLargestEvent = 16383 - 4;

class CRtOutputPort : public IMidiOutputPort {
public:
    CRtOutputPort(std::unique_ptr<RtMidiOut> out, std::unique_ptr<ErrorSink> errors, MidiSystem api,
                  std::shared_ptr<CMidiLossSignal> loss)
        : m_out(std::move(out)), m_errors(std::move(errors)), m_api(api), m_loss(std::move(loss)) {}
    ~CRtOutputPort() override {
        if (Lost()) {
            Abandon(m_out);
            Abandon(m_errors);
            return;
        }
        m_out->closePort();
    }
    void Send(std::span<const std::uint8_t> bytes) override {
        using namespace std::chrono_literals;
        if (bytes.empty()) return;
        if (m_api == MidiSystem::Jack && bytes.size() > kJackLargestEvent)
            throw CMidiError("MIDI event of " + std::to_string(bytes.size()) + " bytes is too large for JACK");
        std::lock_guard lock(m_mutex);
        // Half of RtMidi's ring per window: room for what the process thread has
        // not taken yet. 256 events keep JACK's port buffer clear of overflow.
        for (int i = 0; i < 1000 && !Lost(); ++i) {
            const auto wait = m_budget.Reserve(bytes.size(), std::chrono::steady_clock::now());
            if (wait <= wait.zero()) break;
            std::this_thread::sleep_for(wait);
        }
        // A dead server's ring never drains: the write would block for good.
        if (Lost()) throw CMidiError("JACK: the server has gone");
        const auto start = std::chrono::steady_clock::now();
        m_out->sendMessage(bytes.data(), bytes.size());
        m_budget.Written(std::chrono::steady_clock::now() - start);
        if (auto error = m_errors->Take(); !error.empty()) throw CMidiError(error);
    }

private:
    bool Lost() const { return m_loss && m_loss->IsLost(); }

    std::unique_ptr<RtMidiOut> m_out;
    std::unique_ptr<ErrorSink> m_errors;
    MidiSystem m_api;
    std::shared_ptr<CMidiLossSignal> m_loss;
    std::mutex m_mutex;
    CMidiWriteBudget m_budget{8192, 256, std::chrono::milliseconds(10), std::chrono::milliseconds(50)};
};

class CRtMidiBackend : public IMidiBackend {
public:
    CRtMidiBackend(MidiSystem api, std::string clientName) : m_api(api), m_client(std::move(clientName)) {
        if (m_api == MidiSystem::Jack) {
            m_loss = std::make_shared<CMidiLossSignal>();
            try {
                m_watch = std::make_unique<CJackWatch>(m_client + "-watch", m_loss);
            } catch (const CMidiError&) {
                // No server yet: RtMidi only warns here, and so do we; opens retry.
            }
        }
        try {
            m_probeIn = std::make_unique<RtMidiIn>(ToRtApi(api), m_client + "-list");
            m_probeIn->setErrorCallback(&ErrorSink::Callback, &m_probeErrors);
            m_probeOut = std::make_unique<RtMidiOut>(ToRtApi(api), m_client + "-list");
            m_probeOut->setErrorCallback(&ErrorSink::Callback, &m_probeErrors);
        } catch (const RtMidiError& e) {
            throw CMidiError(std::string(MidiSystemName(api)) + ": " + e.getMessage());
        }
    }
    ~CRtMidiBackend() override {
        if (IsLost()) {
            Abandon(m_probeIn);
            Abandon(m_probeOut);
        }
    }
    MidiSystem GetSystem() const override { return m_api; }
    bool IsLost() const override { return m_loss && m_loss->IsLost(); }
    std::shared_ptr<void> WatchLoss(std::function<void()> wake) override {
        return m_loss ? m_loss->Watch(std::move(wake)) : nullptr;
    }
    std::vector<std::string> GetInputPortNames() override {
        std::lock_guard lock(m_mutex);
        if (IsLost()) return {};  // a dead client lists nothing
        return PortNames(*m_probeIn);
    }
    std::vector<std::string> GetOutputPortNames() override {
        std::lock_guard lock(m_mutex);
        if (IsLost()) return {};
        return PortNames(*m_probeOut);
    }

    std::unique_ptr<IMidiInputPort> OpenInput(int index, const std::string& name, MidiInputCallback callback) override {
        const int port = ResolveMidiPort(GetInputPortNames(), index, name);
        if (port < 0) throw CMidiError("MIDI input not found: " + (name.empty() ? std::to_string(index) : name));
        return MakeInput(
            callback, [&](RtMidiIn& in) { in.openPort(static_cast<unsigned>(port), "in"); }, true);
    }
    std::unique_ptr<IMidiOutputPort> OpenOutput(int index, const std::string& name) override {
        const int port = ResolveMidiPort(GetOutputPortNames(), index, name);
        if (port < 0) throw CMidiError("MIDI output not found: " + (name.empty() ? std::to_string(index) : name));
        return MakeOutput([&](RtMidiOut& out) { out.openPort(static_cast<unsigned>(port), "out"); }, true);
    }
    std::unique_ptr<IMidiInputPort> OpenVirtualInput(const std::string& portName, MidiInputCallback callback) override {
        return MakeInput(
            callback, [&](RtMidiIn& in) { in.openVirtualPort(portName); }, false);
    }
    std::unique_ptr<IMidiOutputPort> OpenVirtualOutput(const std::string& portName) override {
        return MakeOutput([&](RtMidiOut& out) { out.openVirtualPort(portName); }, false);
    }

private:
    std::string NextClientName() { return m_client + "-" + std::to_string(++m_clients); }

    // Ports are opened only while the watch can tell when they die.
    void EnsureWatched() {
        if (!m_loss) return;
        std::lock_guard lock(m_mutex);
        if (m_loss->IsLost()) throw CMidiError("JACK: the server has gone");
        if (!m_watch) m_watch = std::make_unique<CJackWatch>(m_client + "-watch", m_loss);
    }

    template <class OpenFn>
    std::unique_ptr<IMidiInputPort> MakeInput(MidiInputCallback callback, OpenFn open, bool connects) {
        EnsureWatched();
        auto errors = std::make_unique<ErrorSink>();
        auto state = std::make_unique<InputState>();
        state->callback = std::move(callback);
        std::unique_ptr<RtMidiIn> in;
        try {
            in = std::make_unique<RtMidiIn>(ToRtApi(m_api), NextClientName(), 1000);
            in->setErrorCallback(&ErrorSink::Callback, errors.get());
            in->ignoreTypes(false, true, true);  // SysEx on, timing and active sensing off
            in->setCallback(&InputState::Callback, state.get());
            open(*in);
        } catch (const RtMidiError& e) {
            throw CMidiError(e.getMessage());
        }
        if (auto error = errors->Take(); !error.empty()) throw CMidiError(error);
        // A virtual port connects to nothing, and RtMidi reports it as not open.
        if (connects && !in->isPortOpen()) throw CMidiError("MIDI input could not be opened");
        return std::make_unique<CRtInputPort>(std::move(in), std::move(state), std::move(errors), m_loss);
    }

    template <class OpenFn>
    std::unique_ptr<IMidiOutputPort> MakeOutput(OpenFn open, bool connects) {
        EnsureWatched();
        auto errors = std::make_unique<ErrorSink>();
        std::unique_ptr<RtMidiOut> out;
        try {
            out = std::make_unique<RtMidiOut>(ToRtApi(m_api), NextClientName());
            out->setErrorCallback(&ErrorSink::Callback, errors.get());
            open(*out);
        } catch (const RtMidiError& e) {
            throw CMidiError(e.getMessage());
        }
        if (auto error = errors->Take(); !error.empty()) throw CMidiError(error);
        if (connects && !out->isPortOpen()) throw CMidiError("MIDI output could not be opened");
        return std::make_unique<CRtOutputPort>(std::move(out), std::move(errors), m_api, m_loss);
    }

    MidiSystem m_api;
    std::string m_client;
    std::atomic<int> m_clients{0};
    std::mutex m_mutex;
    ErrorSink m_probeErrors;
    std::unique_ptr<RtMidiIn> m_probeIn;
    std::unique_ptr<RtMidiOut> m_probeOut;
    std::shared_ptr<CMidiLossSignal> m_loss;  // JACK only
    std::unique_ptr<CJackWatch> m_watch;  // declared last: goes first, before the probes
};

}  // namespace

void CMidiLossSignal::MarkLost() {
    // Under the lock, so a watcher released meanwhile is either called in full
    // before its release returns or not at all.
    std::lock_guard lock(m_state->mutex);
    if (m_state->lost.exchange(true)) return;
    for (auto& [id, wake] : m_state->watchers) wake();
}

std::shared_ptr<void> CMidiLossSignal::Watch(std::function<void()> wake) {
    std::uint64_t id;
    bool lost;
    {
        std::lock_guard lock(m_state->mutex);
        id = ++m_state->next;
        m_state->watchers.emplace_back(id, wake);
        lost = m_state->lost;
    }
    if (lost && wake) wake();
    // The handle keeps the state alive, so its release works after the signal's owner has gone.
    return std::shared_ptr<void>(static_cast<void*>(m_state.get()), [state = m_state, id](void*) {
        std::lock_guard lock(state->mutex);
        std::erase_if(state->watchers, [id](const auto& w) { return w.first == id; });
    });
}

std::unique_ptr<IMidiBackend> CreateRtMidiBackend(MidiSystem api, const std::string& clientName) {
    if (api != MidiSystem::Alsa && api != MidiSystem::Jack) throw CMidiError("not an RtMidi system");
    return std::make_unique<CRtMidiBackend>(api, clientName);
}

std::string_view MidiSystemName(MidiSystem api) {
    switch (api) {
    case MidiSystem::Alsa: return "ALSA";
    case MidiSystem::Jack: return "JACK";
    case MidiSystem::Loopback: return "LOOPBACK";
    default: return "NONE";
    }
}

MidiSystem MidiSystemFromName(std::string_view name) {
    std::string upper(name);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    if (upper == "ALSA") return MidiSystem::Alsa;
    if (upper == "JACK") return MidiSystem::Jack;
    if (upper == "LOOPBACK") return MidiSystem::Loopback;
    return MidiSystem::None;
}

int ResolveMidiPort(const std::vector<std::string>& ports, int index, const std::string& name) {
    if (!name.empty()) {
        const auto it = std::find(ports.begin(), ports.end(), name);
        if (it != ports.end()) return static_cast<int>(it - ports.begin());
    }
    return index >= 0 && index < static_cast<int>(ports.size()) ? index : -1;
}
