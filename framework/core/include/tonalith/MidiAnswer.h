#pragma once

// How much answer a dump request asks for, where the request itself says so.
// A receive that knows when an answer is whole can send the next request at
// once instead of waiting for the line to go quiet.

#include <cstdint>
#include <span>
#include <vector>

// A Roland data request (RQ1: F0 41 dev model... 11 address size sum F7) names
// the address and the size, in 7-bit units, of the data it wants; the unit
// answers with data sets (DT1: F0 41 dev model... 12 address data... sum F7) of
// the same model, one or several. Any other request names no size.
class CMidiAnswerCount {
public:
    CMidiAnswerCount() = default;
    explicit CMidiAnswerCount(std::span<const std::uint8_t> request);

    // The request named how much answer it wants.
    bool IsKnown() const { return m_needed > 0; }
    // Counts one incoming SysEx message; only data sets for the requested
    // range count, so a stray message never completes an answer.
    void Add(std::span<const std::uint8_t> message);
    bool IsComplete() const { return IsKnown() && m_got >= m_needed; }

private:
    std::vector<std::uint8_t> m_model;  // the bytes between the device byte and the command
    std::uint32_t m_start = 0;
    long m_needed = 0;
    long m_got = 0;
};
