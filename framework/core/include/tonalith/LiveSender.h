#pragma once

// Live sending of editor changes. A knob dragged on a slow MIDI cable changes
// far faster than the messages can leave, so while the output is busy only the
// newest message of each parameter is kept: no backlog builds up, the last value
// set is always the last value sent, and changes of different parameters keep
// their order.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CSynth;

class CLiveSender {
public:
    // Sends on the synth's MIDI output while its real-time update is on.
    explicit CLiveSender(const CSynth& synth);
    ~CLiveSender();  // sends nothing more; what is pending is dropped
    CLiveSender(const CLiveSender&) = delete;
    CLiveSender& operator=(const CLiveSender&) = delete;

    // Queues message under key (a parameter's id); replaces a message of the
    // same key that has not left yet. Nothing is queued while real-time update
    // is off or the synth has no output.
    void Send(const std::string& key, std::vector<std::uint8_t> message);
    // Waits until everything pending has been handed to the output (before
    // "Send Patch" sends the whole record).
    void Flush();
    // Messages queued and not yet handed to the output.
    int GetPendingCount() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
