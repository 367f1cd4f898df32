// synthsim: a simulated instrument. It opens an input and an output port,
// answers dump requests from the .syx data it holds, echoes sync messages and
// stores every other SysEx it receives.
//
//   synthsim --data FILE.syx [--data FILE ...] [options]
//     --name NAME        client and port name prefix (default "synthsim")
//     --jack | --alsa    MIDI system (default JACK)
//     --store FILE       append every received SysEx that is not a request to FILE
//     --delay MS         wait before answering a request (a slow unit)
//     --pause MS         pause between the messages of an answer
//     --rate BYTES       bytes per second on the wire (default 3125, a MIDI cable)
//     --piece BYTES      largest piece handed to the port (default 1024)
//     --queue            answer requests that arrive while busy afterwards
//                        (default: drop them, as Roland units do)
//     --quiet            no log on stderr
// Prints "ready IN OUT" (the port names to connect to) on stdout once the ports
// are open; runs until SIGTERM, SIGINT or the end of stdin with --stdin.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <iostream>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "MidiBackend.h"
#include "MidiStream.h"
#include "SynthSim.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

std::atomic<bool> g_quit{false};  // set by the signal handler

void OnSignal(int) { g_quit = true; }

struct Options {
    std::vector<std::string> data;
    std::string name = "synthsim";
    MidiSystem system = MidiSystem::Jack;
    std::string store;
    int delay = 0, pause = 0;
    long rate = 3125;
    std::size_t piece = 1024;
    bool queue = false, quiet = false;
};

[[noreturn]] void Usage(const std::string& why) {
    std::cerr << "synthsim: " << why << "\n"
              << "usage: synthsim --data FILE.syx [--data FILE ...] [--name NAME] [--jack|--alsa]\n"
              << "                [--store FILE] [--delay MS] [--pause MS] [--rate BYTES] [--piece BYTES]\n"
              << "                [--queue] [--quiet]\n";
    std::exit(2);
}

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) Usage(a + " needs a value");
            return argv[++i];
        };
        auto number = [&]() -> long {
            const std::string v = value();
            char* end = nullptr;
            const long n = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end || n < 0) Usage(a + " needs a number, not '" + v + "'");
            return n;
        };
        if (a == "--data") o.data.push_back(value());
        else if (a == "--name") o.name = value();
        else if (a == "--jack") o.system = MidiSystem::Jack;
        else if (a == "--alsa") o.system = MidiSystem::Alsa;
        else if (a == "--store") o.store = value();
        else if (a == "--delay") o.delay = static_cast<int>(number());
        else if (a == "--pause") o.pause = static_cast<int>(number());
        else if (a == "--rate") o.rate = number();
        else if (a == "--piece") o.piece = static_cast<std::size_t>(std::max(16L, std::min(4096L, number())));
        else if (a == "--queue") o.queue = true;
        else if (a == "--quiet") o.quiet = true;
        else Usage("unknown option " + a);
    }
    return o;
}

class CSim {
public:
    CSim(Options options, IMidiBackend& backend) : m_o(std::move(options)) {
        for (const auto& path : m_o.data) {
            std::ifstream in(path, std::ios::binary);
            if (!in) throw std::runtime_error("cannot read " + path);
            const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
            m_data.Add(bytes);
        }
        if (!m_o.store.empty()) {
            m_store = std::fopen(m_o.store.c_str(), "ab");
            if (!m_store) throw std::runtime_error("cannot write " + m_o.store);
        }
        m_out = backend.OpenVirtualOutput("out");
        m_in = backend.OpenVirtualInput("in", [this](std::span<const std::uint8_t> b) { OnBytes(b); });
        m_worker = std::thread([this] { Work(); });
    }
    ~CSim() {
        if (m_store) std::fclose(m_store);
    }
    void Log(const std::string& text) {
        if (!m_o.quiet) std::cerr << "synthsim: " << text << std::endl;
    }
    void Flush() {
        if (m_store) std::fflush(m_store);
    }
    std::thread& Worker() { return m_worker; }
    void Quit() {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_cv.notify_all();
    }
    std::unique_ptr<IMidiInputPort> m_in;
    std::unique_ptr<IMidiOutputPort> m_out;

private:
    // Runs on the MIDI system's thread: split, decide, queue. Whether the unit is
    // busy is judged when the request arrives, as on the real thing.
    void OnBytes(std::span<const std::uint8_t> bytes) { m_parser.Feed(bytes); }

    void OnMessage(const SynthMessage& m) {
        if (m.empty() || m[0] != 0xF0) return;
        Answer answer;
        if (IsSyncMessage(m)) {
            answer.messages.push_back(m);
        } else if (m_data.Answer(m, answer.messages)) {
            if (!m_gate.Accept(m)) {
                Log("busy: request dropped");
                return;
            }
            Log("request answered with " + std::to_string(answer.messages.size()) + " messages");
            answer.gated = true;
        } else {
            if (m_store) {
                std::fwrite(m.data(), 1, m.size(), m_store);
                std::fflush(m_store);
            }
            return;
        }
        {
            std::lock_guard lock(m_mutex);
            m_answers.push_back(std::move(answer));
        }
        m_cv.notify_all();
    }

    // Sends one message in pieces at the wire rate. A piece goes to the port once
    // its bytes would have crossed the cable: the last byte of an answer arrives
    // when the unit is done with it, as on a real line, not a piece's time before
    // the unit takes requests again.
    void Send(const SynthMessage& m) {
        for (std::size_t offset = 0; offset < m.size();) {
            const std::size_t n = std::min(m_o.piece, m.size() - offset);
            if (m_o.rate > 0) std::this_thread::sleep_for(std::chrono::microseconds(n * 1000000 / m_o.rate));
            m_out->Send(std::span(m.data() + offset, n));
            offset += n;
        }
    }

    void Work() {
        while (true) {
            Answer answer;
            {
                std::unique_lock lock(m_mutex);
                m_cv.wait(lock, [&] { return m_quit || !m_answers.empty(); });
                if (m_quit) return;
                answer = std::move(m_answers.front());
                m_answers.pop_front();
            }
            if (answer.gated) std::this_thread::sleep_for(std::chrono::milliseconds(m_o.delay));
            try {
                for (std::size_t i = 0; i < answer.messages.size(); ++i) {
                    if (i) std::this_thread::sleep_for(std::chrono::milliseconds(m_o.pause));
                    Send(answer.messages[i]);
                }
            } catch (const CMidiError& e) {
                Log(std::string("answer cut short: ") + e.what());
            }
            if (answer.gated) m_gate.Done();
        }
    }

    struct Answer {
        std::vector<SynthMessage> messages;
        bool gated = false;  // a request's answer (not a sync echo)
    };

    Options m_o;
    CSynthSimData m_data;
    std::FILE* m_store = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    CMidiStreamParser m_parser{[this](std::span<const std::uint8_t> m) { OnMessage({m.begin(), m.end()}); }};
    std::deque<Answer> m_answers;
    CSynthSimGate m_gate{m_o.queue};
    bool m_quit = false;
    std::thread m_worker;
};

}  // namespace

int main(int argc, char** argv) {
    const Options options = Parse(argc, argv);
    if (options.data.empty()) Usage("no --data file");
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    try {
        auto backend = CreateRtMidiBackend(options.system, options.name);
        CSim sim(options, *backend);
        std::cout << "ready " << options.name << " in out" << std::endl;
        sim.Log("holding data, waiting for requests");
        while (!g_quit) std::this_thread::sleep_for(20ms);
        sim.Flush();
        // A port of a JACK server that went away can block for good: never let
        // the shutdown hang.
        std::thread([] {
            std::this_thread::sleep_for(2s);
            std::_Exit(0);
        }).detach();
        sim.Quit();
        sim.Worker().join();
        sim.m_in.reset();
        sim.m_out.reset();
    } catch (const std::exception& e) {
        std::cerr << "synthsim: " << e.what() << std::endl;
        return 1;
    }
    return 0;
}
