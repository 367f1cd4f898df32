// Standard MIDI file parser. Every length is bounded by the bytes that remain;
// a file that breaks the format is refused with a message naming the fault.
#include <algorithm>
#include <fstream>
#include <iterator>

#include "MidiStream.h"
#include "Smf.h"

namespace {

struct Fault {
    std::string text;
};

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    std::size_t Remaining() const { return m_bytes.size() - m_pos; }
    std::size_t Position() const { return m_pos; }
    std::uint8_t Byte(const char* what) {
        if (m_pos >= m_bytes.size()) throw Fault{std::string("the data ends inside ") + what};
        return m_bytes[m_pos++];
    }
    std::uint8_t Peek(const char* what) {
        if (m_pos >= m_bytes.size()) throw Fault{std::string("the data ends inside ") + what};
        return m_bytes[m_pos];
    }
    std::uint32_t Big(int n, const char* what) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) v = (v << 8) | Byte(what);
        return v;
    }
    std::uint32_t Vlq(const char* what) {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint8_t b = Byte(what);
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) return v;
        }
        throw Fault{std::string("a variable-length number in ") + what + " is longer than 4 bytes"};
    }
    std::span<const std::uint8_t> Take(std::size_t n, const char* what) {
        if (n > Remaining()) throw Fault{std::string("the data ends inside ") + what};
        const auto s = m_bytes.subspan(m_pos, n);
        m_pos += n;
        return s;
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

std::vector<SmfEvent> ParseTrack(std::span<const std::uint8_t> chunk, int track) {
    std::vector<SmfEvent> events;
    Reader r(chunk);
    std::uint64_t tick = 0;
    std::uint8_t running = 0;  // kept across meta and SysEx events, as common files expect
    while (r.Remaining() > 0) {
        tick += r.Vlq("a delta time");
        SmfEvent e;
        e.tick = tick;
        e.track = track;
        std::uint8_t status = r.Peek("an event");
        if (status < 0x80) {
            if (!running) throw Fault{"a data byte appears without a status (running status)"};
            status = running;
        } else {
            r.Byte("an event");
        }
        if (status == 0xFF) {
            e.kind = SmfEvent::Meta;
            e.metaType = r.Byte("a meta event");
            if (e.metaType >= 0x80) throw Fault{"a meta event has an invalid type"};
            const auto n = r.Vlq("a meta event");
            const auto data = r.Take(n, "a meta event");
            e.data.assign(data.begin(), data.end());
        } else if (status == 0xF0 || status == 0xF7) {
            const auto n = r.Vlq("a SysEx event");
            const auto data = r.Take(n, "a SysEx event");
            if (status == 0xF0) {
                e.kind = SmfEvent::SysEx;
                e.data.push_back(0xF0);
                for (std::size_t i = 0; i < data.size(); ++i)
                    if (data[i] >= 0x80 && !(data[i] == 0xF7 && i + 1 == data.size()))
                        throw Fault{"a SysEx event holds a status byte"};
            } else {
                e.kind = SmfEvent::Escape;
            }
            e.data.insert(e.data.end(), data.begin(), data.end());
        } else if (status >= 0xF0) {
            throw Fault{"a track holds a system message that files cannot carry"};
        } else {
            e.kind = SmfEvent::Channel;
            running = status;
            e.data.push_back(status);
            for (int i = MidiDataBytes(status); i > 0; --i) {
                const std::uint8_t b = r.Byte("a channel message");
                if (b >= 0x80) throw Fault{"a channel message is cut short by a status byte"};
                e.data.push_back(b);
            }
        }
        events.push_back(std::move(e));
    }
    return events;
}

}  // namespace

void SmfFile::Clear() {
    m_open = false;
    m_format = 0;
    m_division = 0;
    m_tracks.clear();
    m_events.clear();
}

bool SmfFile::Open(const std::string& path) {
    Clear();
    m_path = path;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        m_error = "Could not open MIDI file '" + path + "'.";
        return false;
    }
    in.seekg(0, std::ios::end);
    const auto size = static_cast<std::streamoff>(in.tellg());
    constexpr std::streamoff kMaxFile = 64 << 20;  // far beyond any song
    if (size < 0 || size > kMaxFile) {
        m_error = "'" + path + "' is too large for a MIDI file.";
        return false;
    }
    in.seekg(0);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    if (!in) {
        m_error = "Could not read MIDI file '" + path + "'.";
        return false;
    }
    return Parse(bytes, path);
}

bool SmfFile::Parse(std::span<const std::uint8_t> bytes, const std::string& name) {
    Clear();
    m_path = name;
    m_error.clear();
    try {
        Reader r(bytes);
        const auto id = r.Take(r.Remaining() < 4 ? r.Remaining() : 4, "the header");
        if (id.size() < 4 || !std::equal(id.begin(), id.end(), "MThd")) throw Fault{"it is not a standard MIDI file"};
        const std::uint32_t headerLength = r.Big(4, "the header");
        if (headerLength < 6) throw Fault{"its header is too short"};
        const auto header = r.Take(headerLength, "the header");
        const int format = (header[0] << 8) | header[1];
        const int declaredTracks = (header[2] << 8) | header[3];
        const int division = (header[4] << 8) | header[5];
        if (format > 1) throw Fault{"MIDI file format " + std::to_string(format) + " cannot be played"};
        if (division == 0) throw Fault{"its time division is 0"};
        if (division & 0x8000) {
            const int fps = -static_cast<std::int8_t>(division >> 8);
            if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || (division & 0xFF) == 0)
                throw Fault{"its SMPTE time division is invalid"};
        }
        std::vector<std::vector<SmfEvent>> tracks;
        while (r.Remaining() >= 8 && static_cast<int>(tracks.size()) < declaredTracks) {
            const auto chunkId = r.Take(4, "a chunk");
            const std::uint32_t length = r.Big(4, "a chunk");
            if (length > r.Remaining()) throw Fault{"a chunk is longer than the rest of the file (truncated file)"};
            const auto body = r.Take(length, "a chunk");
            // Chunks of unknown types are skipped, as the format asks.
            if (std::equal(chunkId.begin(), chunkId.end(), "MTrk"))
                tracks.push_back(ParseTrack(body, static_cast<int>(tracks.size())));
        }
        if (static_cast<int>(tracks.size()) < declaredTracks)
            throw Fault{"it holds " + std::to_string(tracks.size()) + " of its " + std::to_string(declaredTracks) +
                        " tracks"};
        m_format = format;
        m_division = division;
        m_tracks = std::move(tracks);
    } catch (const Fault& f) {
        Clear();
        m_error = "'" + name + "' is not a valid MIDI file: " + f.text + ".";
        return false;
    }
    BuildTimeline();
    m_open = true;
    return true;
}

void SmfFile::BuildTimeline() {
    m_events.clear();
    for (const auto& track : m_tracks)
        for (const auto& e : track)
            if (!(e.kind == SmfEvent::Meta && e.metaType == 0x2F)) m_events.push_back(e);
    std::stable_sort(m_events.begin(), m_events.end(),
                     [](const SmfEvent& a, const SmfEvent& b) { return a.tick < b.tick; });
    const bool smpte = (m_division & 0x8000) != 0;
    double secondsPerTick = 0;
    if (smpte) {
        const int fps = -static_cast<std::int8_t>(m_division >> 8);
        const double rate = fps == 29 ? 29.97 : fps;
        secondsPerTick = 1.0 / (rate * (m_division & 0xFF));
    }
    double tempo = 500000;  // microseconds per quarter note until a tempo event says otherwise
    double seconds = 0;
    std::uint64_t lastTick = 0;
    for (auto& e : m_events) {
        const auto delta = static_cast<double>(e.tick - lastTick);
        seconds += smpte ? delta * secondsPerTick : delta * tempo * 1e-6 / m_division;
        lastTick = e.tick;
        e.seconds = seconds;
        if (e.kind == SmfEvent::Meta && e.metaType == 0x51 && e.data.size() == 3)
            tempo = (e.data[0] << 16) | (e.data[1] << 8) | e.data[2];
    }
}
