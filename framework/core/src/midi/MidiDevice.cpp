// Listener lists, the event queue for tests and the command line, and the parts
// every device shares.
#include <algorithm>

#include "File.h"
#include "Midi.h"

void CListenerManager::Add(IMidiListener* listener) {
    if (!listener) return;
    std::lock_guard lock(m_mutex);
    if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void CListenerManager::Remove(IMidiListener* listener) {
    std::unique_lock lock(m_mutex);
    std::erase(m_listeners, listener);
    const std::thread::id self = std::this_thread::get_id();
    m_callEnded.wait(lock, [&] {
        return std::none_of(m_calls.begin(), m_calls.end(),
                            [&](const Call& c) { return c.listener == listener && c.thread != self; });
    });
}

bool CListenerManager::Contains(IMidiListener* listener) const {
    std::lock_guard lock(m_mutex);
    return std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end();
}

int CListenerManager::GetSize() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_listeners.size());
}

void CListenerManager::Notify(unsigned message, unsigned wParam, long lParam) const {
    std::vector<IMidiListener*> listeners;
    {
        std::lock_guard lock(m_mutex);
        listeners = m_listeners;
    }
    const std::thread::id self = std::this_thread::get_id();
    for (IMidiListener* l : listeners) {
        {
            // A listener removed by an earlier one in this round, or by another
            // thread meanwhile, is not called.
            std::lock_guard lock(m_mutex);
            if (std::find(m_listeners.begin(), m_listeners.end(), l) == m_listeners.end()) continue;
            m_calls.push_back({l, self});
        }
        // Ends the call's record however the call ends, and wakes a Remove waiting for it.
        struct CallEnd {
            const CListenerManager& list;
            IMidiListener* listener;
            std::thread::id thread;
            ~CallEnd() {
                {
                    std::lock_guard lock(list.m_mutex);
                    const auto at = std::find_if(list.m_calls.begin(), list.m_calls.end(), [&](const Call& c) {
                        return c.listener == listener && c.thread == thread;
                    });
                    if (at != list.m_calls.end()) list.m_calls.erase(at);
                }
                list.m_callEnded.notify_all();
            }
        } end{*this, l, self};
        l->OnMidiNotify(message, wParam, lParam);
    }
}

struct MidiEventQueueState {
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<std::function<void()>> items;
};

std::shared_ptr<MidiEventQueueState> CMidiEventQueue::MakeState() { return std::make_shared<MidiEventQueueState>(); }

MidiDispatcher CMidiEventQueue::Dispatcher() {
    std::weak_ptr<MidiEventQueueState> weak = m_state;
    return [weak](std::function<void()> call) {
        if (auto state = weak.lock()) {
            {
                std::lock_guard lock(state->mutex);
                state->items.push_back(std::move(call));
            }
            state->cv.notify_all();
        }
    };
}

int CMidiEventQueue::Pump(std::chrono::milliseconds timeout) {
    std::deque<std::function<void()>> items;
    {
        std::unique_lock lock(m_state->mutex);
        m_state->cv.wait_for(lock, timeout, [&] { return !m_state->items.empty(); });
        items.swap(m_state->items);
    }
    for (auto& call : items) call();
    return static_cast<int>(items.size());
}

CMidiDevice::CMidiDevice(int deviceId) : m_deviceId(deviceId) {}

CMidiDevice::~CMidiDevice() { CloseFile(); }

void CMidiDevice::Init(const std::string& portName) { m_portName = portName; }

void CMidiDevice::SetBlockDimensions(int count, int size) {
    if (count > 0) m_blockCount = count;
    if (size > 0) m_blockSize = size;
}

std::string CMidiDevice::GetFileName() const {
    std::lock_guard lock(m_fileMutex);
    return m_fileName;
}

void CMidiDevice::SetFileName(std::string name) {
    std::lock_guard lock(m_fileMutex);
    m_fileName = std::move(name);
}

void CMidiDevice::CloseFile() {
    std::unique_ptr<CFile> file;
    {
        std::lock_guard lock(m_fileMutex);
        file = std::move(m_file);
    }
    if (!file) return;
    try {
        file->Close();
    } catch (const CFileException&) {
        // The receive already reported; a destructor must not throw.
    }
}

void CMidiDevice::Post(const std::shared_ptr<CListenerManager>& list, unsigned message, unsigned wParam, long lParam) {
    if (!list) return;
    std::weak_ptr<CListenerManager> weak = list;
    auto call = [weak, message, wParam, lParam] {
        if (auto l = weak.lock()) l->Notify(message, wParam, lParam);
    };
    if (m_midi) m_midi->Dispatch(std::move(call));
    else call();
}
