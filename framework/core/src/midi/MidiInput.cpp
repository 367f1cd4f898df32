// Receiving: the port's callback only copies bytes into a queue; a worker
// thread re-splits them into messages, records SysEx, delivers short messages to
// the remote-control listeners and watches the clocks that end a receive.
#include <algorithm>
#include <utility>

#include "File.h"
#include "Midi.h"
#include "MidiStream.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {
constexpr std::size_t kMaxQueued = 64u << 20;  // bytes waiting for the worker
}

CMidiInput::CMidiInput(int deviceId)
    : CMidiDevice(deviceId), m_receiveListeners(std::make_shared<CListenerManager>()),
      m_controllerListeners(std::make_shared<CListenerManager>(MIDI_CONTROLLER)),
      m_noteListeners(std::make_shared<CListenerManager>(MIDI_SHORT)),
      m_parser(std::make_unique<CMidiStreamParser>([this](std::span<const std::uint8_t> m) { OnMessage(m); })) {
    m_worker = std::jthread([this](std::stop_token stop) { WorkerLoop(stop); });
}

CMidiInput::~CMidiInput() {
    {
        std::lock_guard lock(m_portMutex);
        m_lossWatch.reset();  // no loss notice arrives after this
        m_port.reset();  // no callback runs after this
    }
    m_worker.request_stop();
    m_inCv.notify_all();
    if (m_worker.joinable()) m_worker.join();
}

void CMidiInput::NotifyReceiveListener(unsigned message, unsigned wParam, long lParam) {
    Post(m_receiveListeners, message, wParam, lParam);
}

void CMidiInput::NotifyControllerListener(std::uint8_t controller, std::uint8_t value) {
    Post(m_controllerListeners, MIDI_CONTROLLER, controller, value);
}

void CMidiInput::NotifyNoteListener(unsigned wParam, long lParam) { Post(m_noteListeners, MIDI_SHORT, wParam, lParam); }

bool CMidiInput::Open() {
    std::lock_guard lock(m_portMutex);
    bool lost;
    {
        std::lock_guard inLock(m_inMutex);
        lost = m_systemLost;
    }
    if (lost) {
        m_open = false;  // the port stays as it is: releasing it is the close's job
        return false;
    }
    if (m_port) return true;
    IMidiBackend* backend = m_midi ? m_midi->GetBackend() : nullptr;
    if (!backend) return false;
    // Watched before the port opens, so a loss in between is not missed.
    if (!m_lossWatch) m_lossWatch = backend->WatchLoss([this] { OnSystemLost(); });
    try {
        m_port =
            backend->OpenInput(m_deviceId, m_portName, [this](std::span<const std::uint8_t> bytes) { OnBytes(bytes); });
    } catch (const CMidiError&) {
        return false;
    }
    m_open = true;
    return true;
}

bool CMidiInput::Start() {
    if (!Open()) {
        Post(m_receiveListeners, MIDI_END, 1, MIDI_ERR_OPEN_INPUT);
        return false;
    }
    std::lock_guard lock(m_recvMutex);
    m_delivering = true;
    return true;
}

void CMidiInput::Close() {
    Stop();
    {
        std::lock_guard lock(m_recvMutex);
        m_delivering = false;
    }
    std::lock_guard lock(m_portMutex);
    m_port.reset();
    m_open = false;
}

bool CMidiInput::Stop() {
    std::lock_guard lock(m_recvMutex);
    EndReceive(0, 0);
    return true;
}

void CMidiInput::OnSystemLost() {
    {
        std::lock_guard lock(m_inMutex);
        m_systemLost = true;
    }
    m_inCv.notify_all();
}

void CMidiInput::OnBytes(std::span<const std::uint8_t> bytes) {
    {
        std::lock_guard lock(m_inMutex);
        if (m_incoming.size() + bytes.size() > kMaxQueued) m_overflow = true;
        else m_incoming.insert(m_incoming.end(), bytes.begin(), bytes.end());
    }
    m_inCv.notify_one();
}

bool CMidiInput::ReceiveLong(const std::string& targetFile, CMidiOutput* output, std::span<const std::uint8_t> request,
                             long expectedSize) {
    std::lock_guard lock(m_recvMutex);
    EndReceive(0, 0);  // one receive at a time
    if (!Open()) {
        Post(m_receiveListeners, MIDI_END, 1, MIDI_ERR_OPEN_INPUT);
        return false;
    }
    std::unique_ptr<CFile> file;
    if (!targetFile.empty()) file = std::make_unique<CFile>(targetFile, CFile::modeCreate | CFile::modeWrite);
    {
        std::lock_guard fileLock(m_fileMutex);
        m_file = std::move(file);
        m_fileName = targetFile;
    }
    {
        std::lock_guard bufferLock(m_bufferMutex);
        m_buffer.clear();
    }
    {
        std::lock_guard inLock(m_inMutex);
        m_incoming.clear();  // what came before the request is not part of the answer
        m_overflow = false;
    }
    m_parser->Reset();
    m_requests = output ? SplitMidiMessages(request) : std::vector<std::vector<std::uint8_t>>{};
    m_nextRequest = 0;
    m_requestOutput = output;
    m_expected = expectedSize;
    m_recorded = 0;
    m_bytesTransferred = 0;
    m_answerStarted = false;
    m_answer = {};
    m_lastProgress = m_clock.load()->Now();
    m_receiving = true;
    if (!m_requests.empty() && !SendNextRequest()) {
        EndReceive(1, MIDI_ERR_OPEN_OUTPUT);
        return false;
    }
    return true;
}

bool CMidiInput::SendNextRequest() {
    const auto& message = m_requests[m_nextRequest++];
    m_requestSent = m_clock.load()->Now();
    m_answerStarted = false;
    m_answer = CMidiAnswerCount(message);
    return m_requestOutput->SendLong(message, 0);
}

std::vector<std::uint8_t> CMidiInput::TakeReceivedData() {
    std::lock_guard lock(m_bufferMutex);
    return std::exchange(m_buffer, {});
}

void CMidiInput::EndReceive(long kind, long code) {
    if (!m_receiving) return;
    m_receiving = false;
    std::unique_ptr<CFile> file;
    {
        std::lock_guard lock(m_fileMutex);
        file = std::move(m_file);
    }
    if (file) {
        try {
            file->Close();
        } catch (const CFileException&) {
            if (kind == 0) {
                kind = 1;  // what was received did not reach the disk
                code = MIDI_ERR_INPUT_BUFFER;
            }
        }
    }
    m_bytesTransferred = m_recorded;
    Post(m_receiveListeners, MIDI_END, static_cast<unsigned>(kind), code);
}

void CMidiInput::OnMessage(std::span<const std::uint8_t> message) {
    if (message.empty()) return;
    if (message[0] == 0xF0) {
        if (!m_receiving) return;
        try {
            std::lock_guard lock(m_fileMutex);
            if (m_file) {
                m_file->Write(message);
            } else {
                std::lock_guard bufferLock(m_bufferMutex);
                m_buffer.insert(m_buffer.end(), message.begin(), message.end());
            }
        } catch (const CFileException&) {
            EndReceive(1, MIDI_ERR_INPUT_BUFFER);
            return;
        }
        m_recorded += static_cast<long>(message.size());
        m_answer.Add(message);
        m_bytesTransferred = m_recorded;
        Post(m_receiveListeners, MIDI_PROGRESS_MESSAGE, static_cast<unsigned>(m_recorded), m_recorded);
        if (m_expected > 0 && m_recorded >= m_expected) EndReceive(0, 0);
        return;
    }
    if (!m_delivering) return;
    std::uint32_t packed = 0;
    for (std::size_t i = 0; i < message.size() && i < 3; ++i) packed |= std::uint32_t{message[i]} << (8 * i);
    if ((message[0] & 0xF0) == 0xB0 && message.size() == 3) NotifyControllerListener(message[1], message[2]);
    else NotifyNoteListener(packed, static_cast<long>(packed));
}

Clock::time_point CMidiInput::NextCheck() const {
    const bool moreRequests = m_nextRequest < m_requests.size();
    if (m_answerStarted) return m_lastByte + (moreRequests ? m_answerGap : m_inactivity);
    if (!m_requests.empty()) return m_requestSent + m_answerTimeout;
    return Clock::time_point::max();  // waits for the first byte however long it takes
}

void CMidiInput::CheckClocks(Clock::time_point now) {
    const bool moreRequests = m_nextRequest < m_requests.size();
    if (m_answerStarted && m_answer.IsComplete()) {
        // The whole answer is here: nothing more comes for this request.
        if (!moreRequests) EndReceive(0, 0);
        else if (!SendNextRequest()) EndReceive(1, MIDI_ERR_OPEN_OUTPUT);
    } else if (m_answerStarted) {
        if (moreRequests) {
            if (now - m_lastByte >= m_answerGap && !SendNextRequest()) EndReceive(1, MIDI_ERR_OPEN_OUTPUT);
        } else if (now - m_lastByte >= m_inactivity) {
            EndReceive(0, 0);
        }
    } else if (!m_requests.empty() && now - m_requestSent >= m_answerTimeout) {
        // Unanswered (a busy unit drops requests): go on with the next, or give up.
        if (!moreRequests) EndReceive(0, 0);
        else if (!SendNextRequest()) EndReceive(1, MIDI_ERR_OPEN_OUTPUT);
    }
}

void CMidiInput::WorkerLoop(std::stop_token stop) {
    std::vector<std::uint8_t> chunk;
    auto clock = m_clock.load();
    auto wake = clock->Now();  // a receive may already run: look at once
    while (!stop.stop_requested()) {
        bool overflow = false;
        bool lost = false;
        {
            std::unique_lock lock(m_inMutex);
            clock->WaitUntil(m_inCv, lock, stop, wake,
                             [&] { return !m_incoming.empty() || m_overflow || (m_systemLost && m_receiving); });
            chunk.swap(m_incoming);
            overflow = std::exchange(m_overflow, false);
            lost = m_systemLost;
        }
        std::lock_guard lock(m_recvMutex);
        clock = m_clock.load();  // a clock set meanwhile counts from here
        const auto now = clock->Now();
        if (overflow) EndReceive(1, MIDI_ERR_INPUT_BUFFER);
        if (!chunk.empty()) {
            m_lastByte = now;
            if (m_receiving) m_answerStarted = true;
            m_parser->Feed(chunk);
            m_droppedMessages = m_parser->GetDroppedMessages();
            chunk.clear();
            if (m_receiving && now - m_lastProgress >= 50ms) {
                m_lastProgress = now;
                const long count = m_recorded + static_cast<long>(m_parser->PendingSysExBytes());
                Post(m_receiveListeners, MIDI_PROGRESS, static_cast<unsigned>(count), count);
            }
        }
        // What arrived before the loss is kept; the receive cannot go on.
        if (lost) EndReceive(1, MIDI_ERR_INPUT_BUFFER);
        if (m_receiving) CheckClocks(now);
        // A timeout is looked at when it falls due, and in any case every few ms.
        wake = m_receiving ? std::min(now + 10ms, NextCheck()) : now + 100ms;
    }
}
