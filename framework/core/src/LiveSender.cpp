// The live sender keeps one waiting message per parameter and hands them to the
// synth's output one at a time. A send without notifications reports nothing when
// it ends (only failures reach the send listeners), so the worker learns that a
// message has left from the output's own WaitDone, which also covers whatever
// else is on the output: a patch or a dump in progress holds the live changes
// back instead of having them pile up behind it.
#include "LiveSender.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

#include "Midi.h"
#include "MidiStream.h"
#include "Synth.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {
// How often a worker waiting for the output looks whether it is to stop: the
// output's wait cannot be interrupted, so this bounds how long destruction takes.
constexpr auto kStopCheck = 20ms;
// The next message is handed over this much before the output may send it, so
// the output never idles waiting for the worker to wake up.
constexpr auto kHandOverLead = 2ms;
}  // namespace

struct CLiveSender::State {
    struct Item {
        std::string key;
        std::vector<std::uint8_t> message;
    };

    State(const CSynth& s, Gate g) : synth(s), gate(g) {}
    void Run(std::stop_token stop);
    // Time the output needs after a message before it sends the next one.
    static Clock::duration GapAfter(const CMidiOutput& output, std::size_t bytes);

    const CSynth& synth;  // GUI thread only
    const Gate gate;
    mutable std::mutex mutex;
    std::condition_variable_any cv;
    std::deque<Item> waiting;
    CMidiOutput* output = nullptr;  // set while nothing is waiting or in flight
    bool inFlight = false;  // a message handed to the output has not left yet
    Clock::time_point nextHandOver{};
    std::jthread worker;  // last: stops before the rest goes
};

CLiveSender::CLiveSender(const CSynth& synth, Gate gate) : m_state(std::make_unique<State>(synth, gate)) {
    m_state->worker = std::jthread([state = m_state.get()](std::stop_token stop) { state->Run(stop); });
}

CLiveSender::~CLiveSender() {
    m_state->worker.request_stop();
    m_state->worker.join();
}

bool CLiveSender::Send(std::string_view key, std::vector<std::uint8_t> message) {
    State& s = *m_state;
    if ((s.gate == Gate::RealtimeUpdate && !s.synth.GetRealtimeUpdate()) || s.synth.GetMidiOutputDevice() < 0)
        return false;
    if (SplitMidiMessages(message).empty()) return false;
    bool idle;
    {
        std::lock_guard lock(s.mutex);
        idle = s.waiting.empty() && !s.inFlight;
    }
    if (idle) {
        // Between bursts the device is looked up again, so a change in the
        // settings takes effect; during a drag this costs nothing.
        CMidiOutput& output = CMidi::Get().GetOutput(s.synth);
        if (!output.Open()) return false;
        std::lock_guard lock(s.mutex);
        if (s.waiting.empty() && !s.inFlight) s.output = &output;
    }
    {
        std::lock_guard lock(s.mutex);
        const auto same =
            std::find_if(s.waiting.begin(), s.waiting.end(), [&](const State::Item& item) { return item.key == key; });
        if (same != s.waiting.end()) same->message = std::move(message);
        else s.waiting.push_back({std::string(key), std::move(message)});
    }
    s.cv.notify_all();
    return true;
}

bool CLiveSender::Flush(std::chrono::milliseconds timeout) {
    State& s = *m_state;
    std::unique_lock lock(s.mutex);
    if (s.cv.wait_for(lock, timeout, [&] { return s.waiting.empty() && !s.inFlight; })) return true;
    // The port does not take what it is given: sending later would only reorder
    // these changes after the record that follows.
    s.waiting.clear();
    return false;
}

int CLiveSender::GetPendingCount() const {
    std::lock_guard lock(m_state->mutex);
    return static_cast<int>(m_state->waiting.size());
}

Clock::duration CLiveSender::State::GapAfter(const CMidiOutput& output, std::size_t bytes) {
    Clock::duration gap = std::chrono::milliseconds(output.GetMessagePause());
    if (const long rate = output.GetByteRate(); rate > 0)
        gap = std::max<Clock::duration>(gap, std::chrono::microseconds(static_cast<long long>(bytes) * 1000000 / rate));
    return gap;
}

void CLiveSender::State::Run(std::stop_token stop) {
    std::unique_lock lock(mutex);
    while (!stop.stop_requested()) {
        if (!cv.wait(lock, stop, [&] { return !waiting.empty(); })) return;
        if (Clock::now() < nextHandOver) {
            // The output could not send it yet anyway; until then it may still be replaced.
            cv.wait_until(lock, stop, nextHandOver, [] { return false; });
            continue;  // Flush may have dropped it meanwhile
        }
        Item item = std::move(waiting.front());
        waiting.pop_front();
        CMidiOutput* out = output;
        inFlight = true;
        lock.unlock();

        bool handed = false;
        try {
            handed = out->SendLong(item.message);
        } catch (const std::exception&) {
            handed = false;
        }
        if (handed) {
            while (!out->WaitDone(kStopCheck))
                if (stop.stop_requested()) return;
        }
        const Clock::duration gap = handed ? GapAfter(*out, item.message.size()) : Clock::duration::zero();

        lock.lock();
        inFlight = false;
        // A port that cannot be opened takes none of the others either.
        if (!handed) waiting.clear();
        nextHandOver = Clock::now() + gap - kHandOverLead;
        lock.unlock();
        cv.notify_all();
        lock.lock();
    }
}
