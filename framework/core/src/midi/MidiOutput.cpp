// Sending: messages are queued for a sender thread that cuts SysEx into pieces
// (RtMidi over JACK drops a message of 16 KB or more without a word, ALSA loses
// large ones too) and paces them. Each write goes through a writer thread with a
// timeout, since a port whose server has gone blocks for good.
#include <algorithm>

#include "File.h"
#include "Midi.h"
#include "MidiStream.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class CMidiOutput::Writer {
public:
    enum Result { Written, Failed, TimedOut, Cancelled };

    Writer(std::unique_ptr<IMidiOutputPort> port, Clock::duration settle, std::shared_ptr<const IMidiClock> clock)
        : m_state(std::make_shared<State>()), m_clock(std::move(clock)) {
        m_state->port = std::move(port);
        m_state->readyAt = m_clock->Now() + settle;
        m_thread = std::thread([state = m_state] { Run(*state); });
    }
    ~Writer() {
        {
            std::lock_guard lock(m_state->mutex);
            m_state->quit = true;
        }
        m_state->cv.notify_all();
        // A write that never returned keeps its thread; it holds the port alive
        // and ends by itself if the port ever lets go.
        if (m_stuck) m_thread.detach();
        else m_thread.join();
    }
    bool IsStuck() const { return m_stuck; }
    // The port's system has gone: a write in progress may never return, so the
    // thread is left to itself instead of joined.
    void Abandon() { m_stuck = true; }

    template <class CancelFn>
    Result Write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds timeout, CancelFn cancelled) {
        std::unique_lock lock(m_state->mutex);
        const auto deadline = m_clock->Now() + timeout;
        // The previous write (one given up on by Stop) must finish first.
        if (!WaitIdle(lock, deadline, cancelled)) return m_stuck ? TimedOut : Cancelled;
        // Messages sent right after connecting can be lost: let the connection settle.
        // Cancelling is not signalled on this condition, hence the short slices.
        while (m_clock->Now() < m_state->readyAt && !cancelled())
            m_clock->WaitUntil(m_state->cv, lock, {}, std::min(m_state->readyAt, m_clock->Now() + 5ms),
                               [&] { return cancelled(); });
        if (cancelled()) return Cancelled;
        m_state->data.assign(bytes.begin(), bytes.end());
        m_state->error.clear();
        m_state->busy = true;
        m_state->cv.notify_all();
        if (!WaitIdle(lock, deadline, cancelled)) return m_stuck ? TimedOut : Cancelled;
        return m_state->error.empty() ? Written : Failed;
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable_any cv;
        std::unique_ptr<IMidiOutputPort> port;
        std::vector<std::uint8_t> data;
        std::string error;
        bool busy = false;
        bool quit = false;
        Clock::time_point readyAt;
    };

    template <class CancelFn>
    bool WaitIdle(std::unique_lock<std::mutex>& lock, Clock::time_point deadline, CancelFn& cancelled) {
        while (m_state->busy) {
            if (m_clock->Now() >= deadline) {
                m_stuck = true;
                return false;
            }
            if (cancelled()) return false;
            m_clock->WaitUntil(m_state->cv, lock, {}, std::min(deadline, m_clock->Now() + 5ms),
                               [&] { return !m_state->busy || cancelled(); });
        }
        return true;
    }

    static void Run(State& state) {
        std::unique_lock lock(state.mutex);
        while (true) {
            state.cv.wait(lock, [&] { return state.busy || state.quit; });
            if (!state.busy) return;  // quit with nothing to write
            std::vector<std::uint8_t> data = state.data;
            lock.unlock();
            std::string error;
            try {
                state.port->Send(data);
            } catch (const std::exception& e) {
                error = e.what();
                if (error.empty()) error = "write failed";
            }
            lock.lock();
            state.error = std::move(error);
            state.busy = false;
            state.cv.notify_all();
            if (state.quit) return;
        }
    }

    std::shared_ptr<State> m_state;
    std::shared_ptr<const IMidiClock> m_clock;
    std::thread m_thread;
    std::atomic<bool> m_stuck{false};  // set by the sender thread, and by Abandon from any thread
};

CMidiOutput::CMidiOutput(int deviceId) : CMidiDevice(deviceId), m_sendListeners(std::make_shared<CListenerManager>()) {
    m_sender = std::jthread([this](std::stop_token stop) { SenderLoop(stop); });
}

CMidiOutput::~CMidiOutput() {
    {
        // First, so no loss notice arrives while this object goes.
        std::lock_guard lock(m_portMutex);
        m_lossWatch.reset();
    }
    m_sender.request_stop();
    m_queueCv.notify_all();
    if (m_sender.joinable()) m_sender.join();
    for (const Job& job : m_jobs)
        if (job.done) job.done(0, false);  // whoever waits for them learns they never went
    std::lock_guard lock(m_portMutex);
    m_writer.reset();
}

void CMidiOutput::NotifySendListener(unsigned message, unsigned wParam, long lParam) {
    if (m_sendListeners) m_sendListeners->Notify(message, wParam, lParam);
}

int CMidiOutput::GetPieceSize() const { return std::clamp(m_blockSize, 16, 4096); }

void CMidiOutput::SetClock(std::shared_ptr<const IMidiClock> clock) {
    m_clock.store(clock ? std::move(clock) : SteadyMidiClock());
}

bool CMidiOutput::Open() { return EnsureOpen(); }

bool CMidiOutput::EnsureOpen() {
    std::lock_guard lock(m_portMutex);
    if (m_systemLost && m_writer) m_writer->Abandon();
    if (m_writer && !m_writer->IsStuck()) return true;
    m_writer.reset();
    m_open = false;
    if (m_systemLost) return false;
    IMidiBackend* backend = m_midi ? m_midi->GetBackend() : nullptr;
    if (!backend) return false;
    // Watched before the port opens, so a loss in between is not missed.
    if (!m_lossWatch) m_lossWatch = backend->WatchLoss([this] { OnSystemLost(); });
    try {
        auto port = backend->OpenOutput(m_deviceId, m_portName);
        const auto settle = backend->GetSystem() == MidiSystem::Loopback ? Clock::duration(0) : Clock::duration(50ms);
        m_writer = std::make_shared<Writer>(std::move(port), settle, m_clock.load());
    } catch (const CMidiError&) {
        return false;
    }
    m_open = true;
    return true;
}

void CMidiOutput::Close() {
    Stop();
    WaitDone(500ms);
    std::lock_guard lock(m_portMutex);
    m_writer.reset();
    m_open = false;
}

bool CMidiOutput::Stop() {
    std::deque<Job> dropped;
    {
        std::lock_guard lock(m_queueMutex);
        ++m_stopGeneration;
        dropped.swap(m_jobs);
        m_pending -= static_cast<int>(dropped.size());
    }
    m_queueCv.notify_all();
    for (const Job& job : dropped) {
        if (job.done) job.done(0, false);
        if (job.notify) Post(m_sendListeners, MIDI_END, 0, 0);
    }
    return true;
}

bool CMidiOutput::WaitDone(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_queueMutex);
    return m_queueCv.wait_for(lock, timeout, [&] { return m_pending == 0 && m_shorts.empty(); });
}

void CMidiOutput::OnSystemLost() {
    m_systemLost = true;
    // Taking the lock orders this after a waiter's check, so its wait sees the notice.
    { std::lock_guard lock(m_queueMutex); }
    m_queueCv.notify_all();
}

void CMidiOutput::Fail(long code, bool notify) {
    (void)notify;  // errors always reach the listeners: the user has to see them
    Post(m_sendListeners, MIDI_END, 1, code);
}

bool CMidiOutput::SendLong(std::span<const std::uint8_t> bytes, int flags) { return SendLong(bytes, flags, nullptr); }

bool CMidiOutput::SendLong(std::span<const std::uint8_t> bytes, int flags, SendDone done) {
    const bool notify = (flags & SEND_NOTIFY) != 0;
    if (!EnsureOpen()) {
        Fail(MIDI_ERR_OPEN_OUTPUT, notify);
        return false;
    }
    Job job;
    job.messages = SplitMidiMessages(bytes);
    job.notify = notify;
    job.pause = std::max(m_delay, m_messagePause.load());
    job.done = std::move(done);
    if (job.messages.empty() && !notify) {
        if (job.done) job.done(0, bytes.empty());  // no complete message: nothing can go
        return true;
    }
    {
        std::lock_guard lock(m_queueMutex);
        m_jobs.push_back(std::move(job));
        ++m_pending;
    }
    m_queueCv.notify_all();
    return true;
}

bool CMidiOutput::SendLong(const std::string& fileName) {
    CFile file(fileName, CFile::modeRead);
    constexpr std::uint64_t kMaxFile = 256u << 20;  // far beyond any dump; bounds memory
    if (file.GetLength() > kMaxFile) throw CFileException(CFileException::badFormat, fileName, "file too large");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.GetLength()));
    file.ReadExact(bytes.data(), bytes.size());
    SetFileName(fileName);
    return SendLong(bytes, SEND_NOTIFY);
}

bool CMidiOutput::SendShort(std::uint32_t message) {
    if (UnpackShortMessage(message).empty()) return false;
    if (!EnsureOpen()) {
        Fail(MIDI_ERR_OPEN_OUTPUT, false);
        return false;
    }
    {
        std::lock_guard lock(m_queueMutex);
        m_shorts.push_back(message);
    }
    m_queueCv.notify_all();
    return true;
}

bool CMidiOutput::WritePiece(std::span<const std::uint8_t> bytes, std::stop_token& stop, unsigned generation) {
    std::shared_ptr<Writer> writer;
    {
        std::lock_guard lock(m_portMutex);
        writer = m_writer;
    }
    if (!writer) return false;
    const auto result = writer->Write(bytes, m_writeTimeout, [&] {
        return m_systemLost || stop.stop_requested() || (generation != 0 && generation != m_stopGeneration);
    });
    if (result != Writer::Written && m_systemLost) {
        // The write will never complete; the device stays closed from now on.
        std::lock_guard lock(m_portMutex);
        writer->Abandon();
        if (m_writer == writer) {
            m_writer.reset();
            m_open = false;
        }
        return false;
    }
    if (result == Writer::Cancelled) return true;  // the caller sees the stop itself
    if (result == Writer::Written) return true;
    if (result == Writer::TimedOut) {
        // The port is gone; the next send opens it again (or reports it cannot).
        std::lock_guard lock(m_portMutex);
        if (m_writer == writer) {
            m_writer.reset();
            m_open = false;
        }
    }
    return false;
}

void CMidiOutput::DrainShort(std::stop_token& stop) {
    while (!stop.stop_requested()) {
        std::uint32_t message;
        {
            std::lock_guard lock(m_queueMutex);
            if (m_shorts.empty()) break;
            message = m_shorts.front();
        }
        const auto bytes = UnpackShortMessage(message);
        if (!WritePiece(bytes, stop, 0)) Fail(MIDI_ERR_SEND_SHORT, false);
        // Taken off the queue only once written, so WaitDone never reports done
        // while a message is still on its way (this thread is the only one popping).
        std::lock_guard lock(m_queueMutex);
        if (!m_shorts.empty()) m_shorts.pop_front();
    }
    m_queueCv.notify_all();
}

bool CMidiOutput::WaitUntil(const IMidiClock& clock, Clock::time_point t, std::stop_token& stop, unsigned generation,
                            bool allowShort) {
    while (true) {
        {
            std::unique_lock lock(m_queueMutex);
            clock.WaitUntil(m_queueCv, lock, stop, t, [&] {
                return (allowShort && !m_shorts.empty()) || generation != m_stopGeneration || m_systemLost;
            });
            if (stop.stop_requested() || generation != m_stopGeneration || m_systemLost) return false;
            if (!allowShort || m_shorts.empty()) return true;  // the time has come
        }
        DrainShort(stop);  // short messages go out in the gaps between messages, never inside one
        if (clock.Now() >= t) return true;
    }
}

void CMidiOutput::SenderLoop(std::stop_token stop) {
    while (!stop.stop_requested()) {
        Job job;
        unsigned generation = 0;
        {
            std::unique_lock lock(m_queueMutex);
            m_queueCv.wait(lock, stop, [&] { return !m_jobs.empty() || !m_shorts.empty(); });
            if (stop.stop_requested()) return;
            if (m_jobs.empty()) {
                lock.unlock();
                DrainShort(stop);
                continue;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            generation = m_stopGeneration;
        }
        DrainShort(stop);

        const auto clockHandle = m_clock.load();
        const IMidiClock& clock = *clockHandle;
        const std::size_t pieceSize = static_cast<std::size_t>(GetPieceSize());
        const long rate = m_byteRate;
        long sent = 0;
        bool failed = false;
        bool stopped = false;
        // The pause after the previous job's last message still applies.
        auto next = std::max(clock.Now(), m_nextWrite);
        auto lastProgress = clock.Now();
        m_bytesTransferred = 0;
        for (const auto& message : job.messages) {
            for (std::size_t offset = 0; offset < message.size() && !failed && !stopped;) {
                if (!WaitUntil(clock, next, stop, generation, offset == 0)) {
                    // A pause cut short by the system going is a failed send, not a stop.
                    if (m_systemLost && !stop.stop_requested() && generation == m_stopGeneration) failed = true;
                    else stopped = true;
                    break;
                }
                const std::size_t n = std::min(pieceSize, message.size() - offset);
                const std::span<const std::uint8_t> piece(message.data() + offset, n);
                if (!WritePiece(piece, stop, generation)) {
                    failed = true;
                    break;
                }
                if (stop.stop_requested() || generation != m_stopGeneration) {
                    stopped = true;
                    break;
                }
                offset += n;
                sent += static_cast<long>(n);
                m_bytesTransferred = sent;
                const auto now = clock.Now();
                next = now;
                if (rate > 0) next += std::chrono::microseconds(static_cast<long long>(n) * 1000000 / rate);
                if (job.notify && now - lastProgress >= 50ms) {
                    lastProgress = now;
                    Post(m_sendListeners, MIDI_PROGRESS, static_cast<unsigned>(sent), sent);
                }
            }
            if (failed || stopped) break;
            next = std::max(next, clock.Now() + std::chrono::milliseconds(job.pause));
        }
        m_nextWrite = next;
        if (job.done) job.done(sent, !failed && !stopped);
        if (failed) {
            Fail(MIDI_ERR_SEND_LONG, job.notify);
        } else if (job.notify) {
            Post(m_sendListeners, MIDI_PROGRESS, static_cast<unsigned>(sent), sent);
            Post(m_sendListeners, MIDI_END, 0, 0);
        }
        {
            std::lock_guard lock(m_queueMutex);
            --m_pending;
        }
        m_queueCv.notify_all();
    }
}
