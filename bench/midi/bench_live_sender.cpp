// Live sending of a knob drag on a 3,125 B/s cable (the loopback limited to a
// real cable's speed, a synth pausing 20 ms between messages): how many 12-byte
// messages reach the port during one second of N changes, and how long after the
// drag ends its last value arrives.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <thread>
#include <unistd.h>

#include "LiveSender.h"
#include "Midi.h"
#include "Synth.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

class CBenchSynth : public CSynth {
public:
    CBenchSynth() : CSynth("LiveSenderBench.ini") {
        SetMidiOutputDevice(0);
        SetRealtimeUpdate(true);
    }
    int GetMessagePause() const override { return 20; }
};

std::vector<std::uint8_t> Message(int value) {
    return {0xF0,
            0x41,
            0x10,
            0x6A,
            0x12,
            0x03,
            0x00,
            0x01,
            static_cast<std::uint8_t>((value >> 7) & 0x7F),
            static_cast<std::uint8_t>(value & 0x7F),
            0x00 /* checksum: unread */,
            0xF7};
}

void BM_LiveDrag(benchmark::State& state) {
    const int changes = static_cast<int>(state.range(0));  // per second, for one second
    double messages = 0, lastDelay = 0, lastArrived = 0;
    for (auto _ : state) {
        CMidi::Delete();
        const auto loop = CMidiLoopback::Create(1);
        CMidi::Get().SetBackend(loop->MakeBackend());
        CMidi::Get().GetOutput(0).SetByteRate(3125);
        CBenchSynth synth;
        CLiveSender sender(synth);
        const auto start = Clock::now();
        const auto step = std::chrono::duration_cast<Clock::duration>(1s) / changes;
        for (int i = 0; i < changes; ++i) {
            std::this_thread::sleep_until(start + i * step);
            sender.Send("cutoff", Message(i));
        }
        const auto dragEnd = Clock::now();
        sender.Flush();
        const auto writes = loop->GetWrites();
        messages = static_cast<double>(writes.size());
        const int last = writes.empty() ? -1 : writes.back().bytes[8] * 128 + writes.back().bytes[9];
        lastArrived = last == changes - 1 ? 1 : 0;
        lastDelay =
            writes.empty() ? 0 : std::chrono::duration<double, std::milli>(writes.back().time - dragEnd).count();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    CMidi::Delete();
    state.counters["messages"] = messages;
    state.counters["last_value_arrived"] = lastArrived;
    state.counters["last_value_delay_ms"] = lastDelay;
}
BENCHMARK(BM_LiveDrag)
    ->Arg(25)
    ->Arg(50)
    ->Arg(100)
    ->Arg(400)
    ->Arg(1000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // The bench's synth writes its settings file: never into the user's settings.
    const std::filesystem::path config =
        std::filesystem::temp_directory_path() / ("tonalith-bench-" + std::to_string(::getpid()));
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(config, ec);
    return 0;
}
