#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include <gtest/gtest.h>

#include <memory>

#include "ManualMidiClock.h"
#include "Midi.h"
#include "MidiBackend.h"

namespace tonalith::test {

// Records every notification it gets, from whatever thread.
class CRecordingListener : public IMidiListener {
public:
    struct Event {
        unsigned message;
        unsigned wParam;
        long lParam;
        std::chrono::steady_clock::time_point time;
    };
    void OnMidiNotify(unsigned message, unsigned wParam, long lParam) override {
        {
            std::lock_guard lock(m_mutex);
            m_events.push_back({message, wParam, lParam, std::chrono::steady_clock::now()});
        }
        m_cv.notify_all();
    }
    // Waits until an event with this message arrived; returns it (message 0 on timeout).
    Event WaitFor(unsigned message, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        std::unique_lock lock(m_mutex);
        Event found{};
        m_cv.wait_for(lock, timeout, [&] {
            for (const auto& e : m_events)
                if (e.message == message) {
                    found = e;
                    return true;
                }
            return false;
        });
        return found;
    }
    std::vector<Event> Events() const {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    void Clear() {
        std::lock_guard lock(m_mutex);
        m_events.clear();
    }
    int Count(unsigned message) const {
        std::lock_guard lock(m_mutex);
        int n = 0;
        for (const auto& e : m_events) n += e.message == message;
        return n;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<Event> m_events;
};

// A SysEx message of n bytes with 7-bit data derived from salt.
inline std::vector<std::uint8_t> MakeSysEx(std::size_t n, unsigned salt = 1) {
    std::vector<std::uint8_t> m(n < 2 ? 2 : n);
    m.front() = 0xF0;
    m.back() = 0xF7;
    for (std::size_t i = 1; i + 1 < m.size(); ++i) m[i] = static_cast<std::uint8_t>((i * 31 + salt * 7) & 0x7F);
    return m;
}

// The MIDI singleton over an in-process loopback of two ports, with output 0 and
// input 0 at hand and listeners recording what each reports.
class CLoopbackMidiTest : public ::testing::Test {
protected:
    void SetUp() override {
        CMidi::Delete();
        m_loop = CMidiLoopback::Create(2);
        CMidi::Get().SetBackend(m_loop->MakeBackend());
        m_output = &CMidi::Get().GetOutput(0);
        m_input = &CMidi::Get().GetInput(0);
        m_output->AddSendListener(&m_sent);
        m_input->AddReceiveListener(&m_received);
    }
    // From here on output 0 and the loopback's log, and input 0 unless left out,
    // run on a clock the test moves. Leaving the input out keeps its idle waits
    // from being taken for the output's.
    enum class ClockedInput { Yes, No };
    CManualMidiClock& UseManualClock(ClockedInput input = ClockedInput::Yes) {
        m_clock = std::make_shared<CManualMidiClock>();
        m_loop->SetClock(m_clock);
        m_output->SetClock(m_clock);
        if (input == ClockedInput::Yes) m_input->SetClock(m_clock);
        return *m_clock;
    }
    void TearDown() override {
        m_loop->SetBlocked(false);  // lets an abandoned write finish
        CMidi::Delete();
    }

    std::shared_ptr<CMidiLoopback> m_loop;
    CMidiOutput* m_output = nullptr;
    CMidiInput* m_input = nullptr;
    std::shared_ptr<CManualMidiClock> m_clock;
    CRecordingListener m_sent, m_received;
};

}  // namespace tonalith::test
