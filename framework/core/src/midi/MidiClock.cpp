#include "MidiClock.h"

namespace {

class CSteadyMidiClock final : public IMidiClock {
public:
    time_point Now() const override { return std::chrono::steady_clock::now(); }
    bool WaitUntil(std::condition_variable_any& cv, std::unique_lock<std::mutex>& lock, std::stop_token stop,
                   time_point t, const std::function<bool()>& done) const override {
        return cv.wait_until(lock, stop, t, done);
    }
};

}  // namespace

std::shared_ptr<const IMidiClock> SteadyMidiClock() {
    static const auto clock = std::make_shared<const CSteadyMidiClock>();
    return clock;
}
