#pragma once
// The clock MIDI timing runs on: byte rates, pauses between messages, timeouts
// and the file player's schedule. The program uses the monotonic clock; a test
// hands in a clock it moves itself, so timing is checked without waiting it out.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>

class IMidiClock {
public:
    using time_point = std::chrono::steady_clock::time_point;
    virtual ~IMidiClock() = default;
    virtual time_point Now() const = 0;
    // Waits on cv, with lock held by the caller, until done() holds, stop is
    // requested or Now() reaches t. Returns done(); lock is held again on return.
    virtual bool WaitUntil(std::condition_variable_any& cv, std::unique_lock<std::mutex>& lock, std::stop_token stop,
                           time_point t, const std::function<bool()>& done) const = 0;
};

// The monotonic clock. It has no state, so every device shares the one instance.
std::shared_ptr<const IMidiClock> SteadyMidiClock();
