// WAV -> dump -> WAV for the longest sample a dump header can describe.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

#include "FlintkitDump.h"
#include "FlintkitPatch.h"
#include "FlintkitWave.h"

namespace fs = std::filesystem;
using namespace flintkit;

namespace {

struct Files {
    fs::path folder;
    std::string in, out;
    Files() {
        folder = fs::temp_directory_path() / ("bench-sampledump-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        in = (folder / "in.wav").string();
        out = (folder / "out.wav").string();
        CWaveSample wave{44100, std::vector<std::int32_t>(kMaxSampleLength), CWaveLoop{kLoopForward, 1000, 2'000'000}};
        std::uint32_t x = 1;
        for (auto& s : wave.samples) s = static_cast<std::int16_t>((x = x * 1664525u + 1013904223u) >> 16);
        WriteWave(in, wave);
    }
    ~Files() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

void BM_WaveToDumpToWave(benchmark::State& state) {
    static Files files;
    for (auto _ : state) {
        const auto patch = ImportWave(files.in, 0);
        ExportWave(*patch, files.out);
        benchmark::DoNotOptimize(patch->GetDataSize());
    }
    state.SetItemsProcessed(state.iterations() * kMaxSampleLength);
}
BENCHMARK(BM_WaveToDumpToWave)->Unit(benchmark::kMillisecond);

void BM_EncodeDecode(benchmark::State& state) {
    const std::vector<std::int16_t> samples(kMaxSampleLength, 1234);
    for (auto _ : state) {
        const auto dump = BuildDump(EncodeSamples16(samples), 0);
        benchmark::DoNotOptimize(DecodeSamples16(dump).size());
    }
}
BENCHMARK(BM_EncodeDecode)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
