#pragma once

// Turning a MIDI byte stream into messages and messages into pieces a port can
// carry. Shared by the devices, the simulated synth and the tests.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <vector>

// Re-splits a byte stream at message boundaries, whatever pieces it arrives in.
// SysEx runs from F0 to F7; a status byte or a new F0 before the F7 means bytes
// were lost, and the broken start is dropped (and counted) rather than glued to
// what follows. Real-time bytes (F8-FF) are skipped, also inside SysEx. Short
// messages honour running status.
class CMidiStreamParser {
public:
    using Sink = std::function<void(std::span<const std::uint8_t> message)>;
    explicit CMidiStreamParser(Sink sink) : m_sink(std::move(sink)) {}

    void Feed(std::span<const std::uint8_t> bytes);
    void Reset();
    // Bytes of a SysEx message begun but not yet ended.
    std::size_t PendingSysExBytes() const { return m_inSysEx ? m_buffer.size() : 0; }
    int GetDroppedMessages() const { return m_dropped; }
    // Longest SysEx message accepted; a longer one is dropped (bounds memory).
    void SetMaxSysExSize(std::size_t bytes) { m_maxSysEx = bytes; }

private:
    void Emit();
    Sink m_sink;
    std::vector<std::uint8_t> m_buffer;
    bool m_inSysEx = false;
    bool m_overflow = false;
    std::uint8_t m_runningStatus = 0;
    std::size_t m_needed = 0;  // data bytes a short message still needs
    int m_dropped = 0;
    std::size_t m_maxSysEx = 16u << 20;
};

// The complete messages of a byte block (a .syx file, a request text).
std::vector<std::vector<std::uint8_t>> SplitMidiMessages(std::span<const std::uint8_t> bytes);

// Data bytes of a short message with this status byte (0 for one-byte messages,
// -1 for bytes that start no short message).
int MidiDataBytes(std::uint8_t status);

// A packed short message (status in the low byte) as its bytes.
std::vector<std::uint8_t> UnpackShortMessage(std::uint32_t message);

// Bounds what is handed to a port that buffers writes without telling how full it
// is. RtMidi's JACK output queues into a 16 KiB ring that JACK empties once per
// period into a 32 KB port buffer; a writer that gets ahead makes RtMidi spin
// until there is room, and many tiny events overflow the port buffer, whose
// excess is discarded without a word. So at most `bytes` (counting RtMidi's
// 4-byte header per event) and `events` go out per window. A write that blocked
// shows the window is shorter than the port's real period (a large period, a
// starved process thread): the window doubles, up to maxWindow, and creeps back
// while writes go through at once.
class CMidiWriteBudget {
public:
    using Clock = std::chrono::steady_clock;
    CMidiWriteBudget(std::size_t bytes, std::size_t events, Clock::duration window, Clock::duration maxWindow);
    // How long to wait before an event of n bytes may be written; zero: it is
    // booked now. Call again after waiting.
    Clock::duration Reserve(std::size_t n, Clock::time_point now);
    // The write of the booked event took this long.
    void Written(Clock::duration took);
    Clock::duration GetWindow() const { return m_window; }

private:
    struct Entry {
        Clock::time_point time;
        std::size_t bytes;
    };
    std::size_t m_bytes, m_events;
    Clock::duration m_baseWindow, m_window, m_maxWindow;
    std::deque<Entry> m_booked;
    std::size_t m_bookedBytes = 0;
};
