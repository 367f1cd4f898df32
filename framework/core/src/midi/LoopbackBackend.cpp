// The in-process loopback: output i feeds input i, for tests without a MIDI system.
#include "MidiBackend.h"

class CLoopbackInput : public IMidiInputPort {
public:
    CLoopbackInput(std::shared_ptr<CMidiLoopback> owner, int port, const void* key)
        : m_owner(std::move(owner)), m_port(port), m_key(key) {}
    ~CLoopbackInput() override { m_owner->Detach(m_port, m_key); }

private:
    std::shared_ptr<CMidiLoopback> m_owner;
    int m_port;
    const void* m_key;
};

class CLoopbackOutput : public IMidiOutputPort {
public:
    CLoopbackOutput(std::shared_ptr<CMidiLoopback> owner, int port) : m_owner(std::move(owner)), m_port(port) {}
    void Send(std::span<const std::uint8_t> bytes) override { m_owner->DoWrite(m_port, bytes); }

private:
    std::shared_ptr<CMidiLoopback> m_owner;
    int m_port;
};

namespace {
// CMidi owns its back end by unique_ptr; this forwards to a shared loopback.
class CLoopbackHandle : public IMidiBackend {
public:
    explicit CLoopbackHandle(std::shared_ptr<CMidiLoopback> loop) : m_loop(std::move(loop)) {}
    MidiSystem GetSystem() const override { return MidiSystem::Loopback; }
    std::vector<std::string> GetInputPortNames() override { return m_loop->GetInputPortNames(); }
    std::vector<std::string> GetOutputPortNames() override { return m_loop->GetOutputPortNames(); }
    std::unique_ptr<IMidiInputPort> OpenInput(int i, const std::string& n, MidiInputCallback cb) override {
        return m_loop->OpenInput(i, n, std::move(cb));
    }
    std::unique_ptr<IMidiOutputPort> OpenOutput(int i, const std::string& n) override {
        return m_loop->OpenOutput(i, n);
    }
    std::unique_ptr<IMidiInputPort> OpenVirtualInput(const std::string& n, MidiInputCallback cb) override {
        return m_loop->OpenVirtualInput(n, std::move(cb));
    }
    std::unique_ptr<IMidiOutputPort> OpenVirtualOutput(const std::string& n) override {
        return m_loop->OpenVirtualOutput(n);
    }
    bool IsLost() const override { return m_loop->IsLost(); }
    std::shared_ptr<void> WatchLoss(std::function<void()> wake) override { return m_loop->WatchLoss(std::move(wake)); }

private:
    std::shared_ptr<CMidiLoopback> m_loop;
};
}  // namespace

CMidiLoopback::CMidiLoopback(int ports) : m_ports(ports), m_inputs(static_cast<std::size_t>(ports)) {}

std::shared_ptr<CMidiLoopback> CMidiLoopback::Create(int ports) {
    return std::shared_ptr<CMidiLoopback>(new CMidiLoopback(ports < 1 ? 1 : ports));
}

std::unique_ptr<IMidiBackend> CMidiLoopback::MakeBackend() {
    return std::make_unique<CLoopbackHandle>(shared_from_this());
}

std::vector<std::string> CMidiLoopback::GetInputPortNames() {
    std::vector<std::string> names;
    for (int i = 0; i < m_ports; ++i) names.push_back("Loopback In " + std::to_string(i + 1));
    return names;
}

std::vector<std::string> CMidiLoopback::GetOutputPortNames() {
    std::vector<std::string> names;
    for (int i = 0; i < m_ports; ++i) names.push_back("Loopback Out " + std::to_string(i + 1));
    return names;
}

std::unique_ptr<IMidiInputPort> CMidiLoopback::OpenInput(int index, const std::string& name,
                                                         MidiInputCallback callback) {
    if (IsLost()) throw CMidiError("the loopback has gone");
    const int port = ResolveMidiPort(GetInputPortNames(), index, name);
    if (port < 0) throw CMidiError("no loopback input " + std::to_string(index));
    auto shared = std::make_shared<MidiInputCallback>(std::move(callback));
    std::lock_guard lock(m_mutex);
    if (m_inputs[static_cast<std::size_t>(port)]) throw CMidiError("loopback input in use");
    m_inputs[static_cast<std::size_t>(port)] = shared;
    return std::make_unique<CLoopbackInput>(shared_from_this(), port, shared.get());
}

std::unique_ptr<IMidiOutputPort> CMidiLoopback::OpenOutput(int index, const std::string& name) {
    if (IsLost()) throw CMidiError("the loopback has gone");
    const int port = ResolveMidiPort(GetOutputPortNames(), index, name);
    if (port < 0) throw CMidiError("no loopback output " + std::to_string(index));
    return std::make_unique<CLoopbackOutput>(shared_from_this(), port);
}

std::unique_ptr<IMidiInputPort> CMidiLoopback::OpenVirtualInput(const std::string&, MidiInputCallback) {
    throw CMidiError("the loopback has no virtual ports");
}

std::unique_ptr<IMidiOutputPort> CMidiLoopback::OpenVirtualOutput(const std::string&) {
    throw CMidiError("the loopback has no virtual ports");
}

void CMidiLoopback::Detach(int port, const void* key) {
    std::lock_guard lock(m_mutex);
    auto& slot = m_inputs[static_cast<std::size_t>(port)];
    if (slot.get() == key) slot.reset();
}

void CMidiLoopback::Inject(int port, std::span<const std::uint8_t> bytes) {
    std::shared_ptr<MidiInputCallback> callback;
    {
        std::lock_guard lock(m_mutex);
        if (port < 0 || port >= m_ports) return;
        callback = m_inputs[static_cast<std::size_t>(port)];
    }
    if (callback && *callback) (*callback)(bytes);
}

void CMidiLoopback::DoWrite(int port, std::span<const std::uint8_t> bytes) {
    Responder responder;
    {
        std::unique_lock lock(m_mutex);
        ++m_blockedWrites;
        m_unblocked.wait(lock, [&] { return !m_blocked; });
        --m_blockedWrites;
        m_writes.push_back({port, m_clock->Now(), {bytes.begin(), bytes.end()}});
        responder = m_responder;
    }
    if (responder) responder(*this, port, bytes);
    else Inject(port, bytes);
}

int CMidiLoopback::GetBlockedWrites() const {
    std::lock_guard lock(m_mutex);
    return m_blockedWrites;
}

void CMidiLoopback::SetClock(std::shared_ptr<const IMidiClock> clock) {
    std::lock_guard lock(m_mutex);
    m_clock = clock ? std::move(clock) : SteadyMidiClock();
}

void CMidiLoopback::SetResponder(Responder responder) {
    std::lock_guard lock(m_mutex);
    m_responder = std::move(responder);
}

void CMidiLoopback::SetBlocked(bool blocked) {
    {
        std::lock_guard lock(m_mutex);
        m_blocked = blocked;
    }
    m_unblocked.notify_all();
}

void CMidiLoopback::SimulateLoss() {
    SetBlocked(true);  // a dead JACK port never takes another byte
    m_loss.MarkLost();
}

std::vector<CMidiLoopback::Write> CMidiLoopback::GetWrites() const {
    std::lock_guard lock(m_mutex);
    return m_writes;
}

void CMidiLoopback::ClearWrites() {
    std::lock_guard lock(m_mutex);
    m_writes.clear();
}
