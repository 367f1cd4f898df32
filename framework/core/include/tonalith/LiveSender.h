#pragma once

// Live sending of editor changes. A knob dragged on a slow MIDI cable changes
// far faster than the messages can leave, so while the output is busy only the
// newest message of each parameter is kept: no backlog builds up, the last value
// set is always the last value sent, and changes of different parameters keep
// their order.
//
// One message at a time is handed to the synth's output, the next only once the
// previous one has left (and the output's pause after it has nearly run out), so
// a waiting message can still be replaced until the moment it can go. A small
// worker thread does the hand-over; Send, Flush and the destructor are for the
// GUI thread. The sender uses a device of CMidi: destroy it before the MIDI
// devices go (CMidi::SetBackend, CMidi::Delete).

#include <chrono>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class CSynth;

class CLiveSender {
public:
    // When the sender sends: editors follow the synth's real-time update switch;
    // a panel that exists only to play the synth sends whenever there is an output.
    enum class Gate { RealtimeUpdate, Always };

    // Sends on the synth's MIDI output (while its real-time update is on, unless
    // gate is Always). The synth must outlive the sender.
    explicit CLiveSender(const CSynth& synth, Gate gate = Gate::RealtimeUpdate);
    ~CLiveSender();  // sends nothing more and returns promptly; what is pending is dropped
    CLiveSender(const CLiveSender&) = delete;
    CLiveSender& operator=(const CLiveSender&) = delete;

    // Queues message under key (a parameter's id); replaces, in its place, a
    // message of the same key that has not been handed to the output yet.
    // Nothing is queued (false) while real-time update is off (for a sender
    // gated by it), when the synth has no output device or it cannot be opened,
    // or when message holds no complete MIDI message.
    bool Send(std::string_view key, std::vector<std::uint8_t> message);
    // Waits until everything pending has been handed to the output and has left
    // it (before "Send Patch" sends the whole record). Gives up after timeout (a
    // dead or stuck port), drops what was still waiting and returns false.
    bool Flush(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Messages queued and not yet handed to the output.
    int GetPendingCount() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
