#pragma once

// Standard MIDI files: the parser (formats 0 and 1) and the player that sends a
// file's events to MIDI outputs on a thread of its own.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "MidiClock.h"

class CMidiOutput;

struct SmfEvent {
    enum Kind { Channel, SysEx, Escape, Meta };
    std::uint64_t tick = 0;  // absolute, in the file's ticks
    double seconds = 0;  // absolute, through the tempo map (merged order)
    int track = 0;
    Kind kind = Channel;
    std::uint8_t metaType = 0;
    // Channel: status and data bytes. SysEx: F0 and the bytes that follow it in
    // the file (F7 included when present). Escape: the raw bytes. Meta: the payload.
    std::vector<std::uint8_t> data;
};

class SmfFile {
public:
    // False when the file cannot be read or is not a well-formed standard MIDI
    // file; GetError() then names the file and the fault. Nothing is kept.
    bool Open(const std::string& path);
    bool Parse(std::span<const std::uint8_t> bytes, const std::string& name = "(memory)");
    void Clear();

    const std::string& GetError() const { return m_error; }
    const std::string& GetPath() const { return m_path; }
    bool IsOpen() const { return m_open; }
    int GetFormat() const { return m_format; }
    int GetDivision() const { return m_division; }
    const std::vector<std::vector<SmfEvent>>& GetTracks() const { return m_tracks; }
    // Every track's events in playing order (by tick, ties in track order) with
    // their times in seconds; End of Track events are left out.
    const std::vector<SmfEvent>& GetEvents() const { return m_events; }
    double GetDuration() const { return m_events.empty() ? 0.0 : m_events.back().seconds; }

private:
    void BuildTimeline();

    std::string m_path;
    std::string m_error;
    bool m_open = false;
    int m_format = 0;
    int m_division = 0;  // ticks per quarter note, or SMPTE when negative in the high byte
    std::vector<std::vector<SmfEvent>> m_tracks;
    std::vector<SmfEvent> m_events;
};

// Plays an SmfFile to one or more outputs. Timing follows a monotonic clock, so
// a change of the wall clock never stretches or skips the music. Each SysEx goes
// through the output's long send (pieces, pauses, byte rate) and the song waits
// until it is out: events after it never overtake it, and the song ends only
// when every byte has gone or is known lost.
class CSmfFilePlayer {
public:
    enum State { NoFile, Stopped, Playing, Paused };
    // The SysEx of the current or last play, counted once per output it was sent to.
    struct SysExReport {
        long messages = 0;  // complete messages the file gave, and unterminated ones
        long bytes = 0;
        long sentMessages = 0;  // of those, the ones every byte of which was written
        long sentBytes = 0;
        long pending = 0;  // sends still on their way
        bool Complete() const { return pending == 0 && sentMessages == messages && sentBytes == bytes; }
    };

    CSmfFilePlayer();
    virtual ~CSmfFilePlayer();
    CSmfFilePlayer(const CSmfFilePlayer&) = delete;
    CSmfFilePlayer& operator=(const CSmfFilePlayer&) = delete;

    bool Open(const std::string& path);
    // The clock the song's times are measured on (null: the monotonic clock);
    // takes effect when playing next (re)starts.
    void SetClock(std::shared_ptr<const IMidiClock> clock);
    // Adds the output (once) and starts playing if stopped. Called once per output.
    bool Play(CMidiOutput& output);
    bool Pause();
    bool Restart();  // resumes where Pause left off
    // Ends playing, silences the sounding notes and rewinds; true also when idle.
    bool Stop();
    void Close();

    State GetState() const;
    double GetPosition() const;  // seconds from the start
    const std::string& GetError() const { return m_file.GetError(); }
    std::string GetPath() const;
    const SmfFile& GetFile() const { return m_file; }
    // Reset when a play starts from the beginning.
    SysExReport GetSysExReport() const;

private:
    struct Ledger;
    void StartThread();
    void JoinThread();
    void Run(std::stop_token stop);
    void SilenceNotes();
    // Sends one complete SysEx to every output and waits until each send has
    // ended (or the player is paused or stopped meanwhile).
    void SendSysEx(const std::vector<CMidiOutput*>& outputs, const std::vector<std::uint8_t>& sysex,
                   std::stop_token& stop);
    void CountLost(std::size_t bytes);

    SmfFile m_file;
    mutable std::mutex m_mutex;
    std::condition_variable_any m_cv;
    State m_state = NoFile;
    std::vector<CMidiOutput*> m_outputs;
    std::size_t m_next = 0;  // the next event to send
    double m_position = 0;  // seconds, while paused or stopped
    std::vector<std::uint8_t> m_pendingSysEx;  // a SysEx divided into packets
    std::uint16_t m_sounding[16][8] = {};  // note bitmap per channel
    // Shared with the outputs' completion calls, which may come after the player has gone.
    std::shared_ptr<Ledger> m_ledger;
    std::shared_ptr<const IMidiClock> m_clock = SteadyMidiClock();
    std::jthread m_thread;
};
