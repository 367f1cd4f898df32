// The main of a fuzz target in the ordinary (g++) test build, where libFuzzer is
// not available: replays the regression inputs and seeds, then mutates them at
// random for a bounded time from a fixed start, so a run can be repeated. An input
// that crashes, or runs longer than the per-input limit, is written to
// crash-<target>-<n> in the working folder for replay and minimising.
//
//   fuzz_<target> [--seconds S] [--runs N] [--start N] [--max-len N] [--timeout S] FILE|DIR...
#include <sanitizer/common_interface_defs.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Mutator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Options {
    double seconds = 0;
    std::uint64_t runs = UINT64_MAX;
    std::uint64_t start = 1;
    std::size_t maxLen = 0;  // 0: twice the largest input, between 4 and 16 KiB
    double timeout = 20;
    std::vector<std::string> paths;
};

// What is running now, for the death callback and the watchdog.
std::mutex g_mutex;
std::vector<std::uint8_t> g_current;
std::string g_currentName;
std::atomic<std::int64_t> g_startedNs{0};  // 0: idle
std::string g_program;

void DumpCurrent(const char* why) {
    std::lock_guard lock(g_mutex);  // the callbacks run once, on the dying thread
    std::fprintf(stderr, "\n== fuzz: %s on input %s (%zu bytes)\n", why, g_currentName.c_str(), g_current.size());
    for (int n = 0;; ++n) {
        const std::string name = "crash-" + g_program + "-" + std::to_string(n);
        if (fs::exists(name)) continue;
        std::ofstream(name, std::ios::binary)
            .write(reinterpret_cast<const char*>(g_current.data()), static_cast<std::streamsize>(g_current.size()));
        std::fprintf(stderr, "== fuzz: input written to %s\n", (fs::current_path() / name).c_str());
        break;
    }
}

void Run(const std::vector<std::uint8_t>& input, std::string name) {
    {
        std::lock_guard lock(g_mutex);
        g_current = input;
        g_currentName = std::move(name);
    }
    g_startedNs = Clock::now().time_since_epoch().count();
    // A copy of exactly the input's size, so a read past its end is caught.
    std::vector<std::uint8_t> copy(input);
    LLVMFuzzerTestOneInput(copy.empty() ? nullptr : copy.data(), copy.size());
    g_startedNs = 0;
}

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--seconds" && hasValue) o.seconds = std::atof(argv[++i]);
        else if (a == "--runs" && hasValue) o.runs = std::strtoull(argv[++i], nullptr, 10);
        else if (a == "--start" && hasValue) o.start = std::strtoull(argv[++i], nullptr, 10);
        else if (a == "--max-len" && hasValue) o.maxLen = std::strtoull(argv[++i], nullptr, 10);
        else if (a == "--timeout" && hasValue) o.timeout = std::atof(argv[++i]);
        else if (a.starts_with("--")) return false;
        else o.paths.push_back(a);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s [--seconds S] [--runs N] [--start N] [--max-len N] [--timeout S] FILE|DIR...\n",
                     argv[0]);
        return 2;
    }
    g_program = fs::path(argv[0]).filename().string();
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    __sanitizer_set_death_callback([] { DumpCurrent("sanitizer report"); });
    // A failed check (__builtin_trap), an abort or a division by zero: keep the input.
    for (const int signal : {SIGILL, SIGABRT, SIGFPE, SIGBUS}) {
        std::signal(signal, [](int caught) {
            DumpCurrent(caught == SIGILL ? "failed check" : "fatal signal");
            std::signal(caught, SIG_DFL);
            std::raise(caught);
        });
    }
    std::set_terminate([] {
        DumpCurrent("uncaught exception");
        std::abort();
    });

    // One input running longer than the limit is a hang: keep it and stop.
    std::jthread watchdog([limit = options.timeout](std::stop_token stop) {
        while (!stop.stop_requested()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const auto started = g_startedNs.load();
            if (started && Clock::now().time_since_epoch().count() - started > limit * 1e9) {
                DumpCurrent("timeout");
                std::_Exit(3);
            }
        }
    });

    std::vector<std::vector<std::uint8_t>> corpus;
    std::size_t largest = 0;
    const auto start = Clock::now();
    for (const auto& p : options.paths) {
        std::error_code ec;
        if (!fs::exists(p, ec)) continue;  // folders of starting inputs are optional
        std::vector<fs::path> files;
        if (fs::is_directory(p, ec)) {
            for (const auto& entry : fs::recursive_directory_iterator(p, ec))
                if (entry.is_regular_file()) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
        } else {
            files.emplace_back(p);
        }
        for (const auto& f : files) {
            auto bytes = ReadFile(f);
            Run(bytes, f.string());
            largest = std::max(largest, bytes.size());
            corpus.push_back(std::move(bytes));
        }
    }
    const std::size_t replayed = corpus.size();
    corpus.emplace_back();  // the empty input also seeds the mutations

    const std::size_t maxLen =
        options.maxLen ? options.maxLen : std::min<std::size_t>(16384, std::max<std::size_t>(4096, 2 * largest));
    tonalith::fuzz::CMutator mutator(options.start, maxLen);
    const auto deadline = start + std::chrono::duration<double>(options.seconds);
    std::uint64_t runs = 0;
    while (runs < options.runs && Clock::now() < deadline) {
        const auto& base = corpus[mutator.Pick(corpus.size())];
        const auto& other = corpus[mutator.Pick(corpus.size())];
        Run(mutator.Mutate(base, other),
            "mutation " + std::to_string(runs) + " (start " + std::to_string(options.start) + ")");
        ++runs;
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%s: %zu inputs replayed, %llu mutations, %.1f s\n", g_program.c_str(), replayed,
                static_cast<unsigned long long>(runs), elapsed);
    return 0;
}
