// The MIDI file player: one thread that sends each event at its time, measured
// on the monotonic clock from the moment playing (re)started.
#include <algorithm>

#include "Midi.h"
#include "Smf.h"

struct CSmfFilePlayer::Ledger {
    std::mutex mutex;
    std::condition_variable_any cv;
    SysExReport report;
};

CSmfFilePlayer::CSmfFilePlayer() : m_ledger(std::make_shared<Ledger>()) {}

CSmfFilePlayer::~CSmfFilePlayer() { Stop(); }

void CSmfFilePlayer::SetClock(std::shared_ptr<const IMidiClock> clock) {
    std::lock_guard lock(m_mutex);
    m_clock = clock ? std::move(clock) : SteadyMidiClock();
}

bool CSmfFilePlayer::Open(const std::string& path) {
    Stop();
    std::lock_guard lock(m_mutex);
    if (!m_file.Open(path)) {
        m_state = NoFile;
        return false;
    }
    m_state = Stopped;
    m_next = 0;
    m_position = 0;
    return true;
}

void CSmfFilePlayer::Close() {
    Stop();
    std::lock_guard lock(m_mutex);
    m_file.Clear();
    m_outputs.clear();
    m_state = NoFile;
}

CSmfFilePlayer::State CSmfFilePlayer::GetState() const {
    std::lock_guard lock(m_mutex);
    return m_state;
}

double CSmfFilePlayer::GetPosition() const {
    std::lock_guard lock(m_mutex);
    return m_position;
}

CSmfFilePlayer::SysExReport CSmfFilePlayer::GetSysExReport() const {
    std::shared_ptr<Ledger> ledger;
    {
        std::lock_guard lock(m_mutex);
        ledger = m_ledger;
    }
    std::lock_guard lock(ledger->mutex);
    return ledger->report;
}

std::string CSmfFilePlayer::GetPath() const {
    std::lock_guard lock(m_mutex);
    return m_file.GetPath();
}

bool CSmfFilePlayer::Play(CMidiOutput& output) {
    std::unique_lock lock(m_mutex);
    if (m_state == NoFile) return false;
    if (std::find(m_outputs.begin(), m_outputs.end(), &output) == m_outputs.end()) m_outputs.push_back(&output);
    if (m_state == Playing || m_state == Paused) return true;
    // A play from the beginning counts afresh; sends of an earlier play report to their own ledger.
    if (m_next == 0) m_ledger = std::make_shared<Ledger>();
    m_state = Playing;
    lock.unlock();
    StartThread();
    return true;
}

bool CSmfFilePlayer::Pause() {
    {
        std::lock_guard lock(m_mutex);
        if (m_state != Playing) return m_state == Paused;
        m_state = Paused;
    }
    m_cv.notify_all();
    JoinThread();
    SilenceNotes();
    return true;
}

bool CSmfFilePlayer::Restart() {
    {
        std::lock_guard lock(m_mutex);
        if (m_state != Paused) return m_state == Playing;
        m_state = Playing;
    }
    StartThread();
    return true;
}

bool CSmfFilePlayer::Stop() {
    {
        std::lock_guard lock(m_mutex);
        if (m_state == Playing || m_state == Paused) m_state = Stopped;
    }
    m_cv.notify_all();
    JoinThread();
    SilenceNotes();
    std::lock_guard lock(m_mutex);
    m_next = 0;
    m_position = 0;
    m_pendingSysEx.clear();
    return true;
}

void CSmfFilePlayer::StartThread() {
    JoinThread();
    m_thread = std::jthread([this](std::stop_token stop) { Run(stop); });
}

void CSmfFilePlayer::JoinThread() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) {
        m_thread.request_stop();
        m_cv.notify_all();
        m_thread.join();
    }
}

void CSmfFilePlayer::SilenceNotes() {
    std::vector<CMidiOutput*> outputs;
    std::vector<std::uint32_t> offs;
    {
        std::lock_guard lock(m_mutex);
        outputs = m_outputs;
        for (unsigned ch = 0; ch < 16; ++ch)
            for (unsigned note = 0; note < 128; ++note)
                if (m_sounding[ch][note / 16] & (1u << (note % 16))) offs.push_back(0x80 | ch | note << 8);
        std::fill(&m_sounding[0][0], &m_sounding[0][0] + 16 * 8, std::uint16_t{0});
    }
    for (CMidiOutput* out : outputs)
        for (std::uint32_t m : offs) out->SendShort(m);
}

void CSmfFilePlayer::CountLost(std::size_t bytes) {
    const long outputs = static_cast<long>(m_outputs.size());
    std::lock_guard lock(m_ledger->mutex);
    m_ledger->report.messages += outputs;
    m_ledger->report.bytes += static_cast<long>(bytes) * outputs;
}

void CSmfFilePlayer::SendSysEx(const std::vector<CMidiOutput*>& outputs, const std::vector<std::uint8_t>& sysex,
                               std::stop_token& stop) {
    std::shared_ptr<Ledger> ledger;
    {
        std::lock_guard lock(m_mutex);
        ledger = m_ledger;
    }
    const long size = static_cast<long>(sysex.size());
    for (CMidiOutput* out : outputs) {
        {
            std::lock_guard lock(ledger->mutex);
            ++ledger->report.messages;
            ledger->report.bytes += size;
            ++ledger->report.pending;
        }
        const bool queued = out->SendLong(sysex, 0, [ledger](long sent, bool complete) {
            {
                std::lock_guard lock(ledger->mutex);
                --ledger->report.pending;
                ledger->report.sentBytes += sent;
                if (complete) ++ledger->report.sentMessages;
            }
            ledger->cv.notify_all();
        });
        if (!queued) {
            std::lock_guard lock(ledger->mutex);
            --ledger->report.pending;  // the port cannot be opened: counted as lost
        }
    }
    // Pause and Stop request the thread's stop, which ends this wait; the send
    // itself goes on and reports to the ledger when it ends.
    std::unique_lock lock(ledger->mutex);
    ledger->cv.wait(lock, stop, [&] { return ledger->report.pending == 0; });
}

void CSmfFilePlayer::Run(std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    const auto& events = m_file.GetEvents();
    using Duration = IMidiClock::time_point::duration;
    const auto clock = m_clock;
    const auto start = clock->Now() - std::chrono::duration_cast<Duration>(std::chrono::duration<double>(m_position));
    while (m_state == Playing && !stop.stop_requested()) {
        if (m_next >= events.size()) {
            if (!m_pendingSysEx.empty()) {
                CountLost(m_pendingSysEx.size());  // the file never ended it
                m_pendingSysEx.clear();
            }
            // The song ends when its last SysEx is out, not when it was handed over.
            const auto ledger = m_ledger;
            lock.unlock();
            {
                std::unique_lock wait(ledger->mutex);
                ledger->cv.wait(wait, stop, [&] { return ledger->report.pending == 0; });
            }
            lock.lock();
            if (stop.stop_requested() || m_state != Playing) break;
            m_state = Stopped;  // the end of the song: rewind for the next Play
            m_next = 0;
            m_position = 0;
            return;
        }
        const SmfEvent& e = events[m_next];
        const auto due = start + std::chrono::duration_cast<Duration>(std::chrono::duration<double>(e.seconds));
        if (clock->WaitUntil(m_cv, lock, stop, due, [&] { return m_state != Playing; })) break;
        if (stop.stop_requested()) break;
        if (clock->Now() < due) continue;
        ++m_next;
        m_position = e.seconds;
        std::vector<std::uint8_t> sysex;
        std::uint32_t shortMessage = 0;
        if (e.kind == SmfEvent::Channel) {
            for (std::size_t i = 0; i < e.data.size(); ++i) shortMessage |= std::uint32_t{e.data[i]} << (8 * i);
            const unsigned kind = e.data[0] & 0xF0, ch = e.data[0] & 0x0F;
            if ((kind == 0x90 || kind == 0x80) && e.data.size() == 3) {
                const unsigned note = e.data[1];
                auto& bits = m_sounding[ch][note / 16];
                if (kind == 0x90 && e.data[2] > 0) bits |= 1u << (note % 16);
                else bits &= ~(1u << (note % 16));
            }
        } else if (e.kind == SmfEvent::SysEx) {
            // A SysEx without its F7 continues in escape packets: send it once complete.
            if (!m_pendingSysEx.empty()) CountLost(m_pendingSysEx.size());  // a new one began instead
            m_pendingSysEx = e.data;
            if (m_pendingSysEx.back() == 0xF7) sysex.swap(m_pendingSysEx);
        } else if (e.kind == SmfEvent::Escape && !m_pendingSysEx.empty()) {
            m_pendingSysEx.insert(m_pendingSysEx.end(), e.data.begin(), e.data.end());
            if (!m_pendingSysEx.empty() && m_pendingSysEx.back() == 0xF7) sysex.swap(m_pendingSysEx);
            else if (m_pendingSysEx.size() > (16u << 20)) {
                CountLost(m_pendingSysEx.size());
                m_pendingSysEx.clear();
            }
        }
        if (!shortMessage && sysex.empty()) continue;
        const auto outputs = m_outputs;
        lock.unlock();
        if (shortMessage) {
            for (CMidiOutput* out : outputs) out->SendShort(shortMessage);
        } else {
            SendSysEx(outputs, sysex, stop);
        }
        lock.lock();
    }
    if (m_state == Paused) m_position = std::chrono::duration<double>(clock->Now() - start).count();
}
