// The MIDI singleton: picks the back end, owns one device per index.
#include <cstdlib>

#include "BasicConfig.h"
#include "Functions.h"
#include "Midi.h"
#include "Synth.h"

namespace {
std::mutex g_instanceMutex;
std::unique_ptr<CMidi> g_instance;  // the one process-wide MIDI object

struct MidiSettings {
    MidiSystem api = MidiSystem::Alsa;
    long byteRate = 3125;  // a MIDI cable's speed: what hardware behind the port can take
    bool fromEnvironment = false;
};

MidiSettings ReadSettings() {
    MidiSettings s;
    std::string apiName;
    long rate = -1;
    try {
        CBasicConfig config(CFunctions::GetConfigPath() + "Tonalith.ini");
        apiName = config.GetString("MIDIAPI", "ALSA");
        rate = config.GetInt("MIDIBYTERATE", -1);
    } catch (const std::exception&) {
        apiName = "ALSA";  // unreadable settings: the defaults
    }
    if (const char* env = std::getenv("TONALITH_MIDI_API"); env && *env) {
        apiName = env;
        s.fromEnvironment = true;
    }
    s.api = MidiSystemFromName(apiName);
    if (rate >= 0) s.byteRate = rate;
    return s;
}
}  // namespace

CMidi& CMidi::Get() {
    std::lock_guard lock(g_instanceMutex);
    if (!g_instance) g_instance.reset(new CMidi());
    return *g_instance;
}

void CMidi::Delete() {
    std::unique_ptr<CMidi> doomed;
    {
        std::lock_guard lock(g_instanceMutex);
        doomed = std::move(g_instance);
    }
}

CMidi::CMidi() : m_controllerListeners(std::make_shared<CListenerManager>(MIDI_CONTROLLER)) {}

CMidi::~CMidi() { CloseDevices(); }

void CMidi::CloseDevices() {
    std::map<int, std::unique_ptr<CMidiInput>> inputs;
    std::map<int, std::unique_ptr<CMidiOutput>> outputs;
    {
        std::lock_guard lock(m_mutex);
        inputs.swap(m_inputs);
        outputs.swap(m_outputs);
    }
    // Inputs first: a running receive may still queue requests on an output.
    inputs.clear();
    outputs.clear();
}

void CMidi::EnsureBackend() {
    std::lock_guard lock(m_mutex);
    if (m_backendTried) return;
    m_backendTried = true;
    const MidiSettings settings = ReadSettings();
    m_byteRate = settings.byteRate;
    if (settings.api == MidiSystem::Loopback && settings.fromEnvironment) {
        // Tests of whole programs (the command line): ports that loop back inside
        // the process, without a MIDI system. The setting never selects it.
        m_backend = CMidiLoopback::Create()->MakeBackend();
        m_byteRate = 0;
        return;
    }
    if (settings.api == MidiSystem::None || settings.api == MidiSystem::Loopback) {
        m_backendError = "MIDI is switched off (MIDIAPI setting): no MIDI devices.";
        return;
    }
    try {
        m_backend = CreateRtMidiBackend(settings.api, m_clientName);
    } catch (const CMidiError& e) {
        m_backendError = std::string("No MIDI devices: the ") +
                         (settings.api == MidiSystem::Jack ? "JACK server" : "ALSA sequencer") + " is not available (" +
                         e.what() + ").";
    }
}

void CMidi::SetBackend(std::unique_ptr<IMidiBackend> backend) {
    CloseDevices();
    std::lock_guard lock(m_mutex);
    m_backend = std::move(backend);
    m_backendTried = true;
    m_backendError = m_backend ? std::string() : std::string("No MIDI devices.");
    if (m_backend && m_backend->GetSystem() == MidiSystem::Loopback) m_byteRate = 0;
}

IMidiBackend* CMidi::GetBackend() {
    EnsureBackend();
    std::lock_guard lock(m_mutex);
    return m_backend.get();
}

std::string CMidi::GetBackendError() {
    EnsureBackend();
    std::lock_guard lock(m_mutex);
    return m_backendError;
}

void CMidi::SetDispatcher(MidiDispatcher dispatcher) {
    std::lock_guard lock(m_dispatchMutex);
    m_dispatcher = std::move(dispatcher);
}

void CMidi::Dispatch(std::function<void()> call) {
    MidiDispatcher dispatcher;
    {
        std::lock_guard lock(m_dispatchMutex);
        dispatcher = m_dispatcher;
    }
    if (dispatcher) dispatcher(std::move(call));
    else call();
}

void CMidi::SetClientName(std::string name) {
    std::lock_guard lock(m_mutex);
    m_clientName = std::move(name);
}

std::vector<std::string> CMidi::GetInputNames() {
    IMidiBackend* backend = GetBackend();
    std::lock_guard lock(m_mutex);
    try {
        return backend ? backend->GetInputPortNames() : std::vector<std::string>{};
    } catch (const CMidiError&) {
        return {};
    }
}

std::vector<std::string> CMidi::GetOutputNames() {
    IMidiBackend* backend = GetBackend();
    std::lock_guard lock(m_mutex);
    try {
        return backend ? backend->GetOutputPortNames() : std::vector<std::string>{};
    } catch (const CMidiError&) {
        return {};
    }
}

CMidiInput& CMidi::GetInput(int index) {
    const auto names = GetInputNames();
    std::lock_guard lock(m_mutex);
    auto& slot = m_inputs[index];
    if (!slot) {
        slot = std::make_unique<CMidiInput>(index);
        slot->m_midi = this;
        if (index >= 0 && index < static_cast<int>(names.size())) slot->Init(names[static_cast<std::size_t>(index)]);
    }
    return *slot;
}

CMidiOutput& CMidi::GetOutput(int index) {
    const auto names = GetOutputNames();
    std::lock_guard lock(m_mutex);
    auto& slot = m_outputs[index];
    if (!slot) {
        slot = std::make_unique<CMidiOutput>(index);
        slot->m_midi = this;
        slot->SetByteRate(m_byteRate);
        if (index >= 0 && index < static_cast<int>(names.size())) slot->Init(names[static_cast<std::size_t>(index)]);
    }
    return *slot;
}

CMidiInput& CMidi::GetInput(const CSynth& synth) {
    const int index = ResolveMidiPort(GetInputNames(), synth.GetMidiInputDevice(), synth.GetMidiInputDeviceName());
    return GetInput(index >= 0 ? index : synth.GetMidiInputDevice());
}

CMidiOutput& CMidi::GetOutput(const CSynth& synth) {
    const int index = ResolveMidiPort(GetOutputNames(), synth.GetMidiOutputDevice(), synth.GetMidiOutputDeviceName());
    CMidiOutput& output = GetOutput(index >= 0 ? index : synth.GetMidiOutputDevice());
    output.SetMessagePause(synth.GetMessagePause());
    return output;
}

CMidiInput& CMidi::GetInput(const CDumpCommand& command) {
    const int index = ResolveMidiPort(GetInputNames(), command.m_inputDevice, command.m_inputName);
    return GetInput(index >= 0 ? index : command.m_inputDevice);
}

CMidiOutput& CMidi::GetOutput(const CDumpCommand& command) {
    const int index = ResolveMidiPort(GetOutputNames(), command.m_outputDevice, command.m_outputName);
    return GetOutput(index >= 0 ? index : command.m_outputDevice);
}

void CMidi::NotifyControllerListener(std::uint8_t controller, std::uint8_t value) {
    m_controllerListeners->Notify(controller, value);
}

int CMidiInput::GetDeviceCount() { return static_cast<int>(CMidi::Get().GetInputNames().size()); }

std::string CMidiInput::GetDeviceName(int id) {
    const auto names = CMidi::Get().GetInputNames();
    return id >= 0 && id < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(id)] : std::string();
}

int CMidiOutput::GetDeviceCount() { return static_cast<int>(CMidi::Get().GetOutputNames().size()); }

std::string CMidiOutput::GetDeviceName(int id) {
    const auto names = CMidi::Get().GetOutputNames();
    return id >= 0 && id < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(id)] : std::string();
}
