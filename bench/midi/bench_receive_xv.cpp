// The XV user-patch receive through tonalith-cli, against synthsim on a JACK
// dummy server started for the run, at a MIDI cable's 3,125 bytes per second:
// the time taken against the time the answers need on the wire. The request list
// holds one data request per message of each patch (1,152 requests).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "JackServer.h"

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

constexpr long kWireRate = 3125;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

void BM_ReceiveXVUserPatches(benchmark::State& state) {
    tonalith::test::CJackServer jack;
    if (jack.Start("tonalith-bench-xv-" + std::to_string(::getpid())) != tonalith::test::CJackServer::Running) {
        state.SkipWithError("jackd is not installed or did not start");
        return;
    }
    const fs::path dir = fs::temp_directory_path() / ("tonalith-bench-xv-" + std::to_string(::getpid()));
    fs::create_directories(dir / "config");
    // The command line's settings (the default byte rate among them) never come from the user's.
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    const std::string cli = Quote(TONALITH_CLI_PATH);
    const fs::path bank = dir / "xv.syx", received = dir / "received.syx";
    if (std::system((cli + " new --synth 'Roland XV' -o " + Quote(bank.string()) + " >/dev/null").c_str()) != 0) {
        state.SkipWithError("tonalith-cli new failed");
        return;
    }
    const std::string sim = "xvsim-" + std::to_string(::getpid());
    tonalith::test::CChild synthsim;
    if (!synthsim.Start({SYNTHSIM_PATH, "--name", sim, "--jack", "--rate", std::to_string(kWireRate), "--data",
                         bank.string(), "--quiet"}) ||
        !synthsim.ReadLine(std::chrono::seconds(10))) {
        state.SkipWithError("synthsim did not start");
        return;
    }
    const std::string receive = cli + " receive --synth 'Roland XV' --command 'User Patches' --api jack --in " + sim +
                                " --out " + sim + " -o " + Quote(received.string()) + " >/dev/null";
    double seconds = 0, bytes = 0;
    for (auto _ : state) {
        fs::remove(received);
        const auto start = Clock::now();
        const int status = std::system(receive.c_str());
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (status != 0) {
            state.SkipWithError("the receive failed");
            break;
        }
        bytes = static_cast<double>(fs::file_size(received));
        state.SetIterationTime(seconds);
    }
    const double wire = bytes / kWireRate;
    state.counters["bytes"] = bytes;
    state.counters["wire_s"] = wire;
    state.counters["took_s"] = seconds;
    state.counters["times_wire"] = wire > 0 ? seconds / wire : 0;
    synthsim.Stop();
    jack.Stop();
    std::error_code ec;
    fs::remove_all(dir, ec);
}
BENCHMARK(BM_ReceiveXVUserPatches)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
