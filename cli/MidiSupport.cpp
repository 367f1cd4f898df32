#include "MidiSupport.h"

#include <jack/jack.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "CliSupport.h"

namespace cli {

namespace {

// Opening the MIDI system's client normally takes milliseconds.
constexpr double kOpenLimitSeconds = 10;

void Unheard(const char*) {}

std::string WhatToDo(MidiSystem system) {
    return system == MidiSystem::Jack
               ? "no JACK server is running: start one (or choose --api alsa) and try again"
               : "the ALSA sequencer is not available: load the snd-seq module (or choose --api jack)";
}

}  // namespace

CDeadline::CDeadline(double seconds, std::string what) {
    if (seconds <= 0) return;
    m_thread = std::jthread([this, seconds, what = std::move(what)](std::stop_token stop) {
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, stop, std::chrono::duration<double>(seconds), [] { return false; });
        if (stop.stop_requested()) return;
        std::fprintf(stderr, "tonalith-cli: %s\n", what.c_str());
        std::fflush(stderr);
        std::_Exit(kExitFailure);
    });
}

void AddTimeoutOption(CLI::App& command, double& seconds) {
    command
        .add_option("--timeout", seconds, "Seconds the whole command may take before it stops with exit 1; 0: no limit")
        ->check(CLI::Range(0.0, 86400.0))
        ->capture_default_str();
}

std::unique_ptr<CDeadline> CommandDeadline(double seconds) {
    return std::make_unique<CDeadline>(
        seconds, fmt::format("the command did not finish within {:g} s (--timeout); stopped", seconds));
}

void InitMidi(const std::string& api) {
    CMidi& midi = CMidi::Get();
    midi.SetClientName("tonalith-cli");
    midi.SetDispatcher([](std::function<void()> call) { call(); });
    MidiSystem system = MidiSystem::None;
    if (!api.empty()) {
        system = MidiSystemFromName(api == "alsa" ? "ALSA" : api == "jack" ? "JACK" : api);
        if (system != MidiSystem::Alsa && system != MidiSystem::Jack)
            throw UsageError("--api: \"" + api + "\" is not alsa or jack");
    }
    // libjack prints several lines of its own when no server runs; the reason is
    // told once, in this program's words, where it is needed.
    jack_set_error_function(&Unheard);
    jack_set_info_function(&Unheard);
    // Opening a JACK client was seen to hang inside libjack (once in dozens of runs).
    const CDeadline watchdog(kOpenLimitSeconds, "the MIDI system did not answer within " +
                                                    std::to_string(static_cast<int>(kOpenLimitSeconds)) +
                                                    " s while opening its client; is its server stuck?");
    if (system == MidiSystem::None) {
        midi.GetBackend();  // the back end the settings name, opened now, under the watchdog
        return;
    }
    // Without a server RtMidi's JACK ports print lines of their own and lose memory;
    // a client of ours asks first.
    if (system == MidiSystem::Jack) {
        jack_status_t status{};
        jack_client_t* probe = jack_client_open((midi.GetClientName() + "-probe").c_str(), JackNoStartServer, &status);
        if (!probe) throw Failure(WhatToDo(system));
        jack_client_close(probe);
    }
    try {
        midi.SetBackend(CreateRtMidiBackend(system, midi.GetClientName()));
    } catch (const CMidiError& e) {
        throw Failure(WhatToDo(system) + " (" + e.what() + ")");
    }
}

int ResolvePort(const std::vector<std::string>& ports, const std::string& port, const char* kind) {
    const bool numeric = !port.empty() && port.size() < 6 && port.find_first_not_of("0123456789") == std::string::npos;
    if (numeric) {
        const auto index = static_cast<std::size_t>(std::stoi(port));
        if (index < ports.size()) return static_cast<int>(index);
    } else if (!port.empty()) {
        // A whole name wins; a part of a name must name one port, or the transfer
        // could go to an instrument the user did not mean.
        std::vector<std::size_t> matches;
        for (std::size_t i = 0; i < ports.size(); ++i) {
            if (ports[i] == port) return static_cast<int>(i);
            if (ports[i].find(port) != std::string::npos) matches.push_back(i);
        }
        if (matches.size() == 1) return static_cast<int>(matches.front());
        if (matches.size() > 1) {
            std::string listed;
            for (const std::size_t i : matches) listed += "\n  " + std::to_string(i) + ": " + ports[i];
            throw UsageError(std::string("\"") + port + "\" names " + std::to_string(matches.size()) + " MIDI " + kind +
                             " ports; give more of the name or the index:" + listed);
        }
    }
    std::string known;
    for (std::size_t i = 0; i < ports.size(); ++i) known += "\n  " + std::to_string(i) + ": " + ports[i];
    const std::string why = CMidi::Get().GetBackendError();
    throw Failure(std::string("no MIDI ") + kind + " port \"" + port + "\"" +
                  (ports.empty() ? "; there are none" + (why.empty() ? std::string() : " (" + why + ")")
                                 : "; the ports are:" + known));
}

CMidiOutput& OpenOutput(const std::string& port) {
    const int index = ResolvePort(CMidi::Get().GetOutputNames(), port, "output");
    CMidiOutput& output = CMidi::Get().GetOutput(index);
    if (!output.Open()) throw Failure("cannot open the MIDI output \"" + output.GetPortName() + "\"");
    return output;
}

CMidiInput& OpenInput(const std::string& port) {
    const int index = ResolvePort(CMidi::Get().GetInputNames(), port, "input");
    return CMidi::Get().GetInput(index);
}

void CTransferWatch::OnMidiNotify(unsigned message, unsigned wParam, long lParam) {
    if (message == MIDI_PROGRESS || message == MIDI_PROGRESS_MESSAGE) {
        m_bytes = lParam;
    } else if (message == MIDI_END) {
        if (wParam == 1) m_error = lParam;
        m_ended = true;
    }
}

bool CTransferWatch::Wait(std::chrono::milliseconds quietLimit) {
    using Clock = std::chrono::steady_clock;
    const bool terminal = ShowProgress(m_progress);
    const auto start = Clock::now();
    auto lastChange = start;
    long lastBytes = -1;
    while (!m_ended) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const long bytes = m_bytes;
        const auto now = Clock::now();
        if (bytes != lastBytes) lastBytes = bytes, lastChange = now;
        if (now - lastChange > quietLimit) break;
        if (terminal) {
            const double seconds = std::chrono::duration<double>(now - start).count();
            std::fprintf(stderr, "\r%ld / %ld bytes, %.0f bytes/s   ", bytes, m_expected,
                         seconds > 0 ? bytes / seconds : 0.0);
        }
    }
    if (terminal) std::fprintf(stderr, "\n");
    return m_ended;
}

bool ShowProgress(bool forced) { return forced || (StderrIsTerminal() && StdoutIsTerminal()); }

void SendAndWait(CMidiOutput& output, const std::vector<std::uint8_t>& bytes, bool progress) {
    CTransferWatch watch(static_cast<long>(bytes.size()), progress);
    output.AddSendListener(&watch);
    const bool queued = output.SendLong(bytes, CMidiOutput::SEND_NOTIFY);
    const bool ended = queued && watch.Wait(std::chrono::seconds(10));
    if (!ended) output.Stop();
    output.WaitDone(std::chrono::seconds(2));
    output.RemoveSendListener(&watch);
    if (!queued) throw Failure("cannot send on the MIDI output \"" + output.GetPortName() + "\"");
    if (!ended) throw Failure("sending on \"" + output.GetPortName() + "\" made no progress for 10 s");
    if (watch.Failed())
        throw Failure("sending on \"" + output.GetPortName() + "\" failed (error " + std::to_string(watch.GetError()) +
                      ")");
}

}  // namespace cli
