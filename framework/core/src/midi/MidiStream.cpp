#include "MidiStream.h"

#include <algorithm>

int MidiDataBytes(std::uint8_t status) {
    if (status < 0x80) return -1;
    if (status < 0xF0) {
        const std::uint8_t kind = status & 0xF0;
        return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
    }
    switch (status) {
    case 0xF1:
    case 0xF3: return 1;
    case 0xF2: return 2;
    case 0xF6: return 0;
    default: return -1;  // F0/F7 (SysEx), F4/F5 (undefined), real-time handled apart
    }
}

std::vector<std::uint8_t> UnpackShortMessage(std::uint32_t message) {
    const auto status = static_cast<std::uint8_t>(message & 0xFF);
    const int n = MidiDataBytes(status);
    if (n < 0) return {};
    std::vector<std::uint8_t> bytes{status};
    for (int i = 1; i <= n; ++i) bytes.push_back(static_cast<std::uint8_t>((message >> (8 * i)) & 0x7F));
    return bytes;
}

void CMidiStreamParser::Reset() {
    m_buffer.clear();
    m_inSysEx = false;
    m_overflow = false;
    m_runningStatus = 0;
    m_needed = 0;
}

void CMidiStreamParser::Emit() {
    if (m_sink) m_sink(m_buffer);
}

void CMidiStreamParser::Feed(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t b : bytes) {
        if (b >= 0xF8) continue;  // real-time: may appear anywhere, never part of a message
        if (m_inSysEx) {
            if (b == 0xF7) {
                if (m_overflow || m_buffer.size() >= m_maxSysEx) {  // with its F7 it would be too long
                    ++m_dropped;
                } else {
                    m_buffer.push_back(b);
                    Emit();
                }
                m_buffer.clear();
                m_inSysEx = false;
                m_overflow = false;
                continue;
            }
            if (b < 0x80) {
                if (m_buffer.size() < m_maxSysEx) m_buffer.push_back(b);
                else m_overflow = true;
                continue;
            }
            // A status byte before F7: the end was lost. Drop the start and go on.
            ++m_dropped;
            m_buffer.clear();
            m_inSysEx = false;
            m_overflow = false;
        }
        if (b == 0xF0) {
            m_buffer.assign(1, b);
            m_inSysEx = true;
            m_runningStatus = 0;
            m_needed = 0;
            continue;
        }
        if (b >= 0x80) {
            const int n = MidiDataBytes(b);
            if (n < 0) {  // stray F7 or undefined status: ignore, cancels running status
                m_runningStatus = 0;
                m_needed = 0;
                m_buffer.clear();
                continue;
            }
            m_buffer.assign(1, b);
            m_runningStatus = b < 0xF0 ? b : 0;
            m_needed = static_cast<std::size_t>(n);
            if (m_needed == 0) {
                Emit();
                m_buffer.clear();
            }
            continue;
        }
        // A data byte outside SysEx.
        if (m_needed == 0) {
            if (m_runningStatus == 0) continue;  // no status to apply it to
            m_buffer.assign(1, m_runningStatus);
            m_needed = static_cast<std::size_t>(MidiDataBytes(m_runningStatus));
        }
        m_buffer.push_back(b);
        if (--m_needed == 0) {
            Emit();
            m_buffer.clear();
        }
    }
}

std::vector<std::vector<std::uint8_t>> SplitMidiMessages(std::span<const std::uint8_t> bytes) {
    std::vector<std::vector<std::uint8_t>> messages;
    CMidiStreamParser parser([&](std::span<const std::uint8_t> m) { messages.emplace_back(m.begin(), m.end()); });
    parser.Feed(bytes);
    return messages;
}

namespace {
constexpr std::size_t kEventHeader = 4;  // RtMidi's size field in its ring
}

CMidiWriteBudget::CMidiWriteBudget(std::size_t bytes, std::size_t events, Clock::duration window,
                                   Clock::duration maxWindow)
    : m_bytes(bytes), m_events(events < 1 ? 1 : events), m_baseWindow(window), m_window(window),
      m_maxWindow(maxWindow < window ? window : maxWindow) {}

CMidiWriteBudget::Clock::duration CMidiWriteBudget::Reserve(std::size_t n, Clock::time_point now) {
    while (!m_booked.empty() && now - m_booked.front().time >= m_window) {
        m_bookedBytes -= m_booked.front().bytes;
        m_booked.pop_front();
    }
    const std::size_t cost = n + kEventHeader;
    // An event larger than the whole budget goes alone into an empty window.
    const bool fits = m_booked.empty() || (m_bookedBytes + cost <= m_bytes && m_booked.size() < m_events);
    if (!fits) return m_booked.front().time + m_window - now;
    m_booked.push_back({now, cost});
    m_bookedBytes += cost;
    return Clock::duration::zero();
}

void CMidiWriteBudget::Written(Clock::duration took) {
    using namespace std::chrono_literals;
    if (took >= 2ms) {
        m_window = std::min(m_window * 2, m_maxWindow);
    } else if (m_window > m_baseWindow) {
        m_window = std::max(m_baseWindow, m_window - m_baseWindow / 16);
    }
}
