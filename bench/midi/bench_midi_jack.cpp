// SysEx over a JACK dummy server started for the run (period 64 at 48 kHz):
// throughput of 1 MB sent by the program's output to a port of this process,
// and the timing error of 128 messages paced at 20 ms.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <mutex>

#include "JackServer.h"
#include "Midi.h"
#include "MidiStream.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

tonalith::test::CJackServer* g_jack = nullptr;
std::string g_jackError;

bool EnsureJack() {
    if (g_jack) return true;
    if (!g_jackError.empty()) return false;
    auto jack = std::make_unique<tonalith::test::CJackServer>();
    const auto outcome = jack->Start("tonalith-bench-" + std::to_string(::getpid()));
    if (outcome != tonalith::test::CJackServer::Running) {
        g_jackError =
            outcome == tonalith::test::CJackServer::NotInstalled ? "jackd is not installed" : "jackd did not start";
        return false;
    }
    g_jack = jack.release();
    return true;
}

// A port of this process that the output connects to; counts what arrives.
struct Sink {
    std::mutex mutex;
    std::vector<Clock::time_point> arrivals;
    std::atomic<long> bytes{0};
    CMidiStreamParser parser{[this](std::span<const std::uint8_t> m) {
        bytes += static_cast<long>(m.size());
        arrivals.push_back(Clock::now());
    }};
    std::unique_ptr<IMidiInputPort> port;
};

CMidiOutput* Connect(Sink& sink, const std::string& name) {
    CMidi::Delete();
    CMidi::Get().SetBackend(CreateRtMidiBackend(MidiSystem::Jack, "tonalith-bench"));
    IMidiBackend* backend = CMidi::Get().GetBackend();
    sink.port = backend->OpenVirtualInput(name, [&sink](std::span<const std::uint8_t> b) {
        std::lock_guard lock(sink.mutex);
        sink.parser.Feed(b);
    });
    const auto names = CMidi::Get().GetOutputNames();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i].size() > name.size() && names[i].compare(names[i].size() - name.size(), name.size(), name) == 0)
            return &CMidi::Get().GetOutput(static_cast<int>(i));
    return nullptr;
}

bool WaitForBytes(Sink& sink, long bytes, std::chrono::seconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (sink.bytes < bytes && Clock::now() < deadline) std::this_thread::sleep_for(1ms);
    return sink.bytes >= bytes;
}

void BM_SysExThroughput(benchmark::State& state) {
    if (!EnsureJack()) {
        state.SkipWithError(g_jackError.c_str());
        return;
    }
    const long rate = state.range(0);
    std::vector<std::uint8_t> data;
    for (int m = 0; m < 1024; ++m) {  // 1 MB as 1,024 messages of 1,024 bytes
        std::vector<std::uint8_t> message(1024, static_cast<std::uint8_t>(m & 0x7F));
        message.front() = 0xF0;
        message.back() = 0xF7;
        data.insert(data.end(), message.begin(), message.end());
    }
    double bytesPerSecond = 0, lost = 0;
    for (auto _ : state) {
        Sink sink;
        CMidiOutput* output = Connect(sink, "sink");
        if (!output) {
            state.SkipWithError("the sink port is not listed");
            return;
        }
        output->SetByteRate(rate);
        output->SetMessagePause(0);
        // Settle the connection before timing.
        output->SendLong(std::vector<std::uint8_t>{0xF0, 0x7D, 0x00, 0xF7});
        WaitForBytes(sink, 4, 2s);
        sink.bytes = 0;
        const auto start = Clock::now();
        output->SendLong(data);
        WaitForBytes(sink, static_cast<long>(data.size()), 30s);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        bytesPerSecond = sink.bytes / seconds;
        lost = static_cast<double>(data.size()) - sink.bytes;
        state.SetIterationTime(seconds);
        CMidi::Delete();
    }
    state.counters["bytes_per_second"] = bytesPerSecond;
    state.counters["bytes_lost"] = lost;
}
BENCHMARK(BM_SysExThroughput)->Arg(1000000)->Arg(250000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_PacingDeviation(benchmark::State& state) {
    if (!EnsureJack()) {
        state.SkipWithError(g_jackError.c_str());
        return;
    }
    double worst = 0;
    for (auto _ : state) {
        Sink sink;
        CMidiOutput* output = Connect(sink, "pacing");
        if (!output) {
            state.SkipWithError("the sink port is not listed");
            return;
        }
        output->SetMessagePause(20);
        output->SendLong(std::vector<std::uint8_t>{0xF0, 0x7D, 0x00, 0xF7});
        WaitForBytes(sink, 4, 2s);
        {
            std::lock_guard lock(sink.mutex);
            sink.arrivals.clear();
        }
        std::vector<std::uint8_t> messages;
        for (int i = 0; i < 128; ++i) {
            const std::uint8_t m[] = {0xF0, 0x7D, static_cast<std::uint8_t>(i), 0x01, 0x02, 0xF7};
            messages.insert(messages.end(), std::begin(m), std::end(m));
        }
        output->SendLong(messages);
        WaitForBytes(sink, 4 + 128 * 6, 10s);
        std::lock_guard lock(sink.mutex);
        for (std::size_t i = 1; i < sink.arrivals.size(); ++i) {
            const double gap =
                std::chrono::duration<double, std::milli>(sink.arrivals[i] - sink.arrivals[i - 1]).count();
            worst = std::max(worst, std::abs(gap - 20.0));
        }
        state.counters["messages"] = static_cast<double>(sink.arrivals.size());
        CMidi::Delete();
    }
    state.counters["max_deviation_ms"] = worst;
}
BENCHMARK(BM_PacingDeviation)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    CMidi::Delete();
    if (g_jack) g_jack->Stop();
    delete g_jack;
    return 0;
}
