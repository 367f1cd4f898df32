#pragma once
// A MIDI clock that stands still until the test moves it. Waiters look at it in
// short real slices, so a test advances time and then waits on what follows.
// Every wait's deadline is on record: a test can see that a thread waits until
// exactly the time it should before moving the clock there.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <vector>

#include "MidiClock.h"

namespace tonalith::test {

class CManualMidiClock final : public IMidiClock {
public:
    time_point Now() const override { return time_point(time_point::duration(m_ticks.load())); }
    void Advance(time_point::duration d) { m_ticks += d.count(); }
    // True while some thread waits until exactly t.
    bool IsAwaited(time_point t) const {
        std::lock_guard lock(m_mutex);
        return std::find(m_deadlines.begin(), m_deadlines.end(), t) != m_deadlines.end();
    }

    bool WaitUntil(std::condition_variable_any& cv, std::unique_lock<std::mutex>& lock, std::stop_token stop,
                   time_point t, const std::function<bool()>& done) const override {
        Enter(t);
        while (!done() && !stop.stop_requested() && Now() < t) cv.wait_for(lock, stop, kSlice, done);
        Leave(t);
        return done();
    }

private:
    void Enter(time_point t) const {
        std::lock_guard lock(m_mutex);
        m_deadlines.push_back(t);
    }
    void Leave(time_point t) const {
        std::lock_guard lock(m_mutex);
        m_deadlines.erase(std::find(m_deadlines.begin(), m_deadlines.end(), t));
    }

    static constexpr auto kSlice = std::chrono::milliseconds(1);
    // Far from zero, so nothing mistakes the start for "never".
    std::atomic<time_point::rep> m_ticks{time_point::duration(std::chrono::hours(1)).count()};
    mutable std::mutex m_mutex;
    mutable std::vector<time_point> m_deadlines;
};

}  // namespace tonalith::test
