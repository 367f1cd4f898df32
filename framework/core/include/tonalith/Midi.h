#pragma once

// MIDI devices and their listener lists. Every MIDI event reaches the program
// through listeners; devices hand notifications to a dispatcher the application
// installs (the GUI queues them to its thread, tests and the CLI call directly
// or pump a CMidiEventQueue).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "MidiAnswer.h"
#include "MidiBackend.h"
#include "MidiClock.h"

class CSynth;
struct CDumpCommand;
class CFile;
class CMidi;
class CMidiStreamParser;

// Listener messages (the numbers the program's windows have always used).
enum : unsigned {
    MIDI_WM_USER = 0x400,
    MIDI_PROGRESS = MIDI_WM_USER + 1,  // wParam = lParam = byte count so far
    MIDI_PROGRESS_MESSAGE = MIDI_WM_USER + 2,  // same, after each complete message
    MIDI_END = MIDI_WM_USER + 3,  // wParam 0: ended; 1: error, lParam = code
    MIDI_CONTROLLER = MIDI_WM_USER + 4,  // wParam controller, lParam value
    MIDI_SHORT = MIDI_WM_USER + 5,  // wParam = lParam = packed short message
};

// Error codes of MIDI_END with wParam 1 (shown with messages 62100 + code).
enum : long {
    MIDI_ERR_OPEN_INPUT = 0,
    MIDI_ERR_OPEN_OUTPUT = 1,
    MIDI_ERR_SEND_LONG = 2,
    MIDI_ERR_SEND_SHORT = 3,
    MIDI_ERR_INPUT_BUFFER = 4,  // received data could not be kept (full queue, failed write)
    MIDI_ERR_UNPREPARE_INPUT = 5,
    MIDI_ERR_UNPREPARE_OUTPUT = 6,
};

class IMidiListener {
public:
    virtual ~IMidiListener() = default;
    virtual void OnMidiNotify(unsigned message, unsigned wParam, long lParam) = 0;
};

// Runs a notification where the application wants it.
using MidiDispatcher = std::function<void(std::function<void()>)>;

// A list of listeners and the message number of its two-argument Notify.
class CListenerManager {
public:
    CListenerManager() = default;
    explicit CListenerManager(unsigned message) : m_message(message) {}

    void Add(IMidiListener* listener);  // once; adding again does nothing
    // After Remove returns the listener is not called again, and no call to it
    // is running on another thread: Remove waits for one in progress, so the
    // listener may be destroyed right after. (A call on the removing thread
    // itself, a listener removing itself, is not waited for.)
    void Remove(IMidiListener* listener);
    bool Contains(IMidiListener* listener) const;
    int GetSize() const;
    void Notify(unsigned wParam, long lParam) const { Notify(m_message, wParam, lParam); }
    // Listeners may add or remove listeners from inside OnMidiNotify.
    void Notify(unsigned message, unsigned wParam, long lParam) const;
    unsigned GetMessage() const { return m_message; }

private:
    struct Call {
        IMidiListener* listener;
        std::thread::id thread;
    };
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_callEnded;
    std::vector<IMidiListener*> m_listeners;
    mutable std::vector<Call> m_calls;  // calls running now
    unsigned m_message = 0xFFFFFFFFu;
};

// Queues notifications until Pump runs them (tests and the command line).
class CMidiEventQueue {
public:
    MidiDispatcher Dispatcher();
    // Runs what is queued; waits up to timeout for the first item. Returns the count run.
    int Pump(std::chrono::milliseconds timeout = std::chrono::milliseconds(0));

private:
    std::shared_ptr<struct MidiEventQueueState> m_state = MakeState();
    static std::shared_ptr<struct MidiEventQueueState> MakeState();
};

class CMidiDevice {
public:
    explicit CMidiDevice(int deviceId = -1);
    virtual ~CMidiDevice();
    CMidiDevice(const CMidiDevice&) = delete;
    CMidiDevice& operator=(const CMidiDevice&) = delete;

    virtual void Init(const std::string& portName);
    virtual bool Open() = 0;
    virtual void Close() = 0;
    // Ends the running transfer; the end notification follows at once.
    virtual bool Stop() = 0;
    virtual void SetBlockDimensions(int count, int size);

    int GetDeviceId() const { return m_deviceId; }
    const std::string& GetPortName() const { return m_portName; }
    bool IsOpen() const { return m_open; }
    long GetBytesTransferred() const { return m_bytesTransferred; }
    int GetBlockSize() const { return m_blockSize; }
    int GetBlockCount() const { return m_blockCount; }
    std::string GetFileName() const;

protected:
    void CloseFile();
    void SetFileName(std::string name);
    // Hands a notification for one list to the dispatcher; the list is looked up
    // when it runs, so a listener removed meanwhile is not called.
    void Post(const std::shared_ptr<CListenerManager>& list, unsigned message, unsigned wParam, long lParam);

    friend class CMidi;
    CMidi* m_midi = nullptr;  // the owner; null for a device made on its own
    std::uint32_t m_reserved = 0;
    int m_deviceId = -1;
    std::atomic<bool> m_open{false};
    std::atomic<long> m_bytesTransferred{0};
    int m_blockSize = 1024;
    int m_blockCount = 64;
    mutable std::mutex m_fileMutex;
    std::string m_fileName;
    std::unique_ptr<CFile> m_file;
    std::string m_portName;
};

class CMidiOutput : public CMidiDevice {
public:
    enum SendFlags { SEND_NOTIFY = 1 };  // progress and end notifications (transfers)

    explicit CMidiOutput(int deviceId = -1);
    ~CMidiOutput() override;

    void AddSendListener(IMidiListener* l) {
        if (m_sendListeners) m_sendListeners->Add(l);
    }
    void RemoveSendListener(IMidiListener* l) {
        if (m_sendListeners) m_sendListeners->Remove(l);
    }
    bool ContainsSendListener(IMidiListener* l) const { return m_sendListeners && m_sendListeners->Contains(l); }
    void NotifySendListener(unsigned message, unsigned wParam, long lParam);

    // Milliseconds between messages of a transfer (a dump command's output setting).
    int GetDelay() const { return m_delay; }
    void SetDelay(int ms) { m_delay = ms < 0 ? 0 : ms; }
    // The synth's own pause between messages; the longer of the two applies.
    void SetMessagePause(int ms) { m_messagePause = ms < 0 ? 0 : ms; }
    int GetMessagePause() const { return m_messagePause; }
    // Bytes per second a piece of SysEx may take; 0: pieces go as fast as the port takes them.
    void SetByteRate(long bytesPerSecond) { m_byteRate = bytesPerSecond < 0 ? 0 : bytesPerSecond; }
    long GetByteRate() const { return m_byteRate; }
    // How long one write to the port may take before the send fails.
    void SetWriteTimeout(std::chrono::milliseconds t) { m_writeTimeout = t; }
    // Largest piece handed to the port (the block size, at most 4096 bytes).
    int GetPieceSize() const;
    // The clock that paces sends and times writes out (null: the monotonic clock).
    // Set it while nothing is being sent; a port already open keeps its clock
    // until it is opened again.
    void SetClock(std::shared_ptr<const IMidiClock> clock);

    static int GetDeviceCount();
    static std::string GetDeviceName(int id);

    bool Open() override;
    void Close() override;
    bool Stop() override;
    bool IsDone() const { return m_pending == 0; }
    // Waits until every queued send has ended; false on timeout.
    bool WaitDone(std::chrono::milliseconds timeout) const;

    // Queues complete messages (SysEx or short) for the sender thread and returns;
    // false when the port cannot be opened.
    virtual bool SendLong(std::span<const std::uint8_t> bytes, int flags = 0);
    // What became of one queued send: the bytes written, and whether all of them were.
    using SendDone = std::function<void(long sent, bool complete)>;
    // As above; done runs once when the send has ended (on the sender thread, or in
    // Stop for a send that never started), so a caller can wait for its bytes and
    // learn whether they all went. Not called when this returns false.
    bool SendLong(std::span<const std::uint8_t> bytes, int flags, SendDone done);
    // Streams the messages of a SysEx file, with notifications. Throws CFileException.
    bool SendLong(const std::string& fileName);
    // A short message packed with the status in the low byte; never inside a SysEx.
    virtual bool SendShort(std::uint32_t message);

private:
    struct Job {
        std::vector<std::vector<std::uint8_t>> messages;
        bool notify = false;
        int pause = 0;
        SendDone done;
    };
    class Writer;
    bool EnsureOpen();
    void SenderLoop(std::stop_token stop);
    bool WritePiece(std::span<const std::uint8_t> bytes, std::stop_token& stop, unsigned generation);
    void DrainShort(std::stop_token& stop);
    bool WaitUntil(const IMidiClock& clock, std::chrono::steady_clock::time_point t, std::stop_token& stop,
                   unsigned generation, bool allowShort);
    void Fail(long code, bool notify);
    void OnSystemLost();

    std::shared_ptr<CListenerManager> m_sendListeners;
    int m_delay = 0;
    std::atomic<int> m_messagePause{0};
    std::atomic<long> m_byteRate{0};
    std::chrono::milliseconds m_writeTimeout{2000};
    std::atomic<std::shared_ptr<const IMidiClock>> m_clock{SteadyMidiClock()};

    std::mutex m_portMutex;  // guards m_writer and m_lossWatch
    std::shared_ptr<Writer> m_writer;
    // The back end's system went away (a JACK server that quit): for good.
    std::atomic<bool> m_systemLost{false};
    std::shared_ptr<void> m_lossWatch;

    mutable std::mutex m_queueMutex;
    mutable std::condition_variable_any m_queueCv;
    std::deque<Job> m_jobs;
    std::deque<std::uint32_t> m_shorts;
    std::atomic<int> m_pending{0};
    std::atomic<unsigned> m_stopGeneration{0};
    std::chrono::steady_clock::time_point m_nextWrite{};  // sender thread only
    std::jthread m_sender;

    friend class CMidiInput;
};

class CMidiInput : public CMidiDevice {
public:
    explicit CMidiInput(int deviceId = -1);
    ~CMidiInput() override;

    void AddReceiveListener(IMidiListener* l) {
        if (m_receiveListeners) m_receiveListeners->Add(l);
    }
    void RemoveReceiveListener(IMidiListener* l) {
        if (m_receiveListeners) m_receiveListeners->Remove(l);
    }
    bool ContainsReceiveListener(IMidiListener* l) const {
        return m_receiveListeners && m_receiveListeners->Contains(l);
    }
    void NotifyReceiveListener(unsigned message, unsigned wParam, long lParam);
    void AddControllerListener(IMidiListener* l) {
        if (m_controllerListeners) m_controllerListeners->Add(l);
    }
    void RemoveControllerListener(IMidiListener* l) {
        if (m_controllerListeners) m_controllerListeners->Remove(l);
    }
    bool ContainsControllerListener(IMidiListener* l) const {
        return m_controllerListeners && m_controllerListeners->Contains(l);
    }
    void NotifyControllerListener(std::uint8_t controller, std::uint8_t value);
    void AddNoteListener(IMidiListener* l) {
        if (m_noteListeners) m_noteListeners->Add(l);
    }
    void RemoveNoteListener(IMidiListener* l) {
        if (m_noteListeners) m_noteListeners->Remove(l);
    }
    bool ContainsNoteListener(IMidiListener* l) const { return m_noteListeners && m_noteListeners->Contains(l); }
    void NotifyNoteListener(unsigned wParam, long lParam);

    static int GetDeviceCount();
    static std::string GetDeviceName(int id);

    bool Open() override;
    // Starts delivering short messages to the note and controller listeners.
    bool Start();
    void Close() override;
    bool Stop() override;

    // Sends the request messages on output (one at a time, each after the answer
    // to the previous one) and records incoming SysEx into targetFile, or into a
    // buffer when targetFile is empty (TakeReceivedData). Ends at expectedSize
    // bytes (0: no size), on Stop, or after the inactivity timeout. Returns at
    // once; false (with an error notification) when a device cannot be opened.
    // Throws CFileException when the target file cannot be created.
    bool ReceiveLong(const std::string& targetFile, CMidiOutput* output, std::span<const std::uint8_t> request,
                     long expectedSize = 0);
    std::vector<std::uint8_t> TakeReceivedData();
    // Quiet time after the last byte that ends a receive.
    void SetInactivityTimeout(std::chrono::milliseconds t) { m_inactivity = t; }
    // How long a request may go unanswered before the next one is sent (or the
    // receive ends, after the last one).
    void SetAnswerTimeout(std::chrono::milliseconds t) { m_answerTimeout = t; }
    // Quiet time that marks the end of one answer in a list of requests, when the
    // request does not say how much answer it wants (see CMidiAnswerCount); an
    // answer of known size is over once it is whole.
    void SetAnswerGap(std::chrono::milliseconds t) { m_answerGap = t; }
    // The clock the timeouts above run on (null: the monotonic clock).
    void SetClock(std::shared_ptr<const IMidiClock> clock) {
        m_clock.store(clock ? std::move(clock) : SteadyMidiClock());
    }
    bool IsReceiving() const { return m_receiving; }
    int GetDroppedMessages() const { return m_droppedMessages; }

protected:
    bool IsDone() const { return !m_receiving; }

private:
    void OnBytes(std::span<const std::uint8_t> bytes);
    void WorkerLoop(std::stop_token stop);
    void OnMessage(std::span<const std::uint8_t> message);
    void EndReceive(long kind, long code);
    bool SendNextRequest();
    void CheckClocks(std::chrono::steady_clock::time_point now);
    std::chrono::steady_clock::time_point NextCheck() const;
    void OnSystemLost();

    std::shared_ptr<CListenerManager> m_receiveListeners;
    std::shared_ptr<CListenerManager> m_controllerListeners;
    std::shared_ptr<CListenerManager> m_noteListeners;

    std::unique_ptr<IMidiInputPort> m_port;
    std::mutex m_portMutex;  // guards m_port and m_lossWatch
    std::shared_ptr<void> m_lossWatch;
    // Guards the receive state; recursive because a listener called directly
    // from the worker may call Stop.
    std::recursive_mutex m_recvMutex;

    // Filled by the port's callback, emptied by the worker.
    std::mutex m_inMutex;
    std::condition_variable_any m_inCv;
    std::vector<std::uint8_t> m_incoming;
    bool m_overflow = false;
    bool m_systemLost = false;  // the back end's system went away; for good
    bool m_stopRequested = false;
    std::jthread m_worker;

    // Receive state, owned by the worker thread once a receive runs.
    std::atomic<bool> m_receiving{false};
    std::atomic<bool> m_delivering{false};
    std::vector<std::uint8_t> m_buffer;
    std::vector<std::vector<std::uint8_t>> m_requests;
    std::size_t m_nextRequest = 0;
    CMidiOutput* m_requestOutput = nullptr;
    long m_expected = 0;
    long m_recorded = 0;
    bool m_answerStarted = false;
    CMidiAnswerCount m_answer;  // of the request sent last
    std::chrono::steady_clock::time_point m_lastByte;
    std::chrono::steady_clock::time_point m_requestSent;
    std::chrono::steady_clock::time_point m_lastProgress;
    std::chrono::milliseconds m_inactivity{3000};
    std::chrono::milliseconds m_answerTimeout{5000};
    std::chrono::milliseconds m_answerGap{300};
    std::atomic<std::shared_ptr<const IMidiClock>> m_clock{SteadyMidiClock()};
    std::atomic<int> m_droppedMessages{0};
    std::unique_ptr<CMidiStreamParser> m_parser;
    std::mutex m_bufferMutex;
};

// The MIDI system of the process: the back end and one device per index.
class CMidi {
public:
    static CMidi& Get();
    static void Delete();

    // The back end named by $TONALITH_MIDI_API, else the MIDIAPI setting of
    // Tonalith.ini ("ALSA" by default, or "JACK"), is created on first use.
    // Replacing it closes every device.
    void SetBackend(std::unique_ptr<IMidiBackend> backend);
    IMidiBackend* GetBackend();
    // Why there are no devices (empty when a back end runs).
    std::string GetBackendError();
    void SetDispatcher(MidiDispatcher dispatcher);
    void Dispatch(std::function<void()> call);
    // A name that makes this process's ports recognisable ("tonalith").
    void SetClientName(std::string name);
    const std::string& GetClientName() const { return m_clientName; }

    CMidiInput& GetInput(int index);
    CMidiOutput& GetOutput(int index);
    // The synth's devices, found by port name first; the output takes the synth's
    // pause between messages.
    CMidiInput& GetInput(const CSynth& synth);
    CMidiOutput& GetOutput(const CSynth& synth);
    // A dump command's devices, found by port name first, then by index.
    CMidiInput& GetInput(const CDumpCommand& command);
    CMidiOutput& GetOutput(const CDumpCommand& command);

    void AddControllerListener(IMidiListener* l) { m_controllerListeners->Add(l); }
    void RemoveControllerListener(IMidiListener* l) { m_controllerListeners->Remove(l); }
    void NotifyControllerListener(std::uint8_t controller, std::uint8_t value);
    // The "REMOTE" setting: the controller number of the basic MIDI controller.
    void SetRemoteController(int controller) { m_remoteController = controller; }
    int GetRemoteController() const { return m_remoteController; }

    std::vector<std::string> GetInputNames();
    std::vector<std::string> GetOutputNames();

    ~CMidi();

private:
    CMidi();
    void EnsureBackend();
    void CloseDevices();

    std::recursive_mutex m_mutex;
    std::unique_ptr<IMidiBackend> m_backend;
    bool m_backendTried = false;
    std::string m_backendError;
    std::string m_clientName = "tonalith";
    long m_byteRate = 3125;
    std::mutex m_dispatchMutex;
    MidiDispatcher m_dispatcher;
    std::map<int, std::unique_ptr<CMidiInput>> m_inputs;
    std::map<int, std::unique_ptr<CMidiOutput>> m_outputs;
    std::shared_ptr<CListenerManager> m_controllerListeners;
    int m_remoteController = 6;
};
