#pragma once

// The answering logic of the simulated instrument, apart from its ports so it
// can be driven in-process as well.

#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <string>
#include <vector>

using SynthMessage = std::vector<std::uint8_t>;

// The dump the instrument holds and the requests it understands:
// - Roland RQ1 (F0 41 dev model... 11 address size sum F7): every held DT1 of that
//   model whose address lies in [address, address + size), sizes in 7-bit units;
// - Korg 01/W requests (F0 42 3g 2B code ...): the held dumps of the answering
//   function (10->40, 19->49, 0E->51, 12->42, 1C->4C, 1D->4D, 0F->50, 18->48);
// - Sample Dump Standard dump request (F0 7E cc 03 ss ss F7): the held dump header
//   of that sample and the data packets after it.
class CSynthSimData {
public:
    void Add(std::span<const std::uint8_t> syxBytes);
    std::size_t GetMessageCount() const { return m_messages.size(); }
    // True when the message is a request; answer then holds the messages to send
    // (maybe none: a request for nothing held is not answered, as units do).
    bool Answer(std::span<const std::uint8_t> message, std::vector<SynthMessage>& answer) const;

private:
    std::vector<SynthMessage> m_messages;
};

// Decides which requests get answered, each exactly once. Like a Roland unit, a
// request that comes while an answer is going out is dropped; with queueing on,
// it waits its turn instead, but a copy of a request already waiting or being
// answered is still dropped (a re-sent request must not bring a second answer).
class CSynthSimGate {
public:
    explicit CSynthSimGate(bool queue) : m_queue(queue) {}
    // On arrival: true when the request is to be answered (it is then pending).
    bool Accept(const SynthMessage& request);
    // The oldest pending answer has gone out completely.
    void Done();
    bool Busy() const;

private:
    mutable std::mutex m_mutex;
    bool m_queue;
    std::deque<SynthMessage> m_pending;
};

// The sync message a test sends until it comes back (non-commercial ID 7D).
bool IsSyncMessage(std::span<const std::uint8_t> message);
