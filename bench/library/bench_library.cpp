// A library of 100,000 entries, JV-sized (645 bytes) and Korg-sized (172 bytes)
// patches half and half, 2% of them duplicates of earlier entries.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "DuplicateSearch.h"
#include "File.h"
#include "LibraryDocument.h"
#include "LibraryEngine.h"
#include "LibraryFile.h"
#include "LibraryTestPatch.h"
#include "Ui.h"

using namespace tonalith::test;
namespace fs = std::filesystem;

namespace {

constexpr int kEntries = 100000;

void Fill(CLibrary& library) {
    std::mt19937 random(42);
    const char* words[] = {"Pad", "Lead", "Bass", "Strings", "Brass", "Bell", "Choir", "Organ"};
    for (int i = 0; i < kEntries; ++i) {
        if (i > 0 && random() % 50 == 0) {  // a duplicate of an earlier entry
            library.Add(library.Get(static_cast<int>(random() % static_cast<unsigned>(i))).Clone());
            continue;
        }
        auto patch = CreateTestPatch(i % 2 ? kJvPatchType : kKorgProgramType);
        for (auto& b : patch->Data()) b = static_cast<std::uint8_t>(random() & 0x7F);
        patch->SetName(std::string(words[random() % 8]) + " " + std::to_string(random() % 1000));
        auto entry = std::make_unique<CLibraryPatch>(*patch);
        std::array<std::uint8_t, 8> keys;
        for (auto& k : keys) k = static_cast<std::uint8_t>(random() % 64);
        entry->Set(entry->Name(), keys.data(), "comment", "01.01.2020 12:00");
        library.Add(std::move(entry));
    }
}

struct Fixture {
    Fixture() : document(CLibraryKeyNames(), TestCreator()) {
        CUi::Install(std::make_unique<CScriptedUi>());
        Fill(document.GetLibrary());
        path = (fs::temp_directory_path() / "tonalith-bench-library.clb").string();
        document.OnSaveDocument(path);
    }
    ~Fixture() { fs::remove(path); }
    CLibraryDocument document;
    std::string path;
};

Fixture& Get() {
    static Fixture fixture;
    return fixture;
}

void BM_Open(benchmark::State& state) {
    const std::string& path = Get().path;
    for (auto _ : state) {
        CLibraryDocument doc(CLibraryKeyNames(), TestCreator());
        if (!doc.OnOpenDocument(path) || doc.GetLibrary().GetSize() != kEntries) state.SkipWithError("open failed");
    }
}

void BM_Save(benchmark::State& state) {
    for (auto _ : state)
        if (!Get().document.OnSaveDocument(Get().path)) state.SkipWithError("save failed");
}

void BM_Filter(benchmark::State& state) {
    LibraryEngine::CSearchFilter filter;
    filter.name = "pad";
    filter.ops = {LibraryEngine::CSearchFilter::AND, LibraryEngine::CSearchFilter::OR,
                  LibraryEngine::CSearchFilter::AND_NOT, LibraryEngine::CSearchFilter::END};
    filter.keys = {3, 17, 40, 0};
    for (auto _ : state) benchmark::DoNotOptimize(LibraryEngine::FilterRows(Get().document.GetLibrary(), filter));
}

void BM_SortByName(benchmark::State& state) {
    const CLibrary& library = Get().document.GetLibrary();
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<int> rows(static_cast<std::size_t>(library.GetSize()));
        for (int i = 0; i < library.GetSize(); ++i) rows[static_cast<std::size_t>(i)] = library.GetSize() - 1 - i;
        state.ResumeTiming();
        LibraryEngine::SortRows(rows, library, LibraryEngine::COLUMN_NAME, Get().document.GetKeyNames());
        benchmark::DoNotOptimize(rows.data());
    }
}

void BM_DuplicateSearch(benchmark::State& state) {
    std::size_t pairs = 0;
    for (auto _ : state) pairs = DuplicateSearch::Find(Get().document.GetLibrary()).size();
    state.counters["pairs"] = static_cast<double>(pairs);
}

}  // namespace

BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Filter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortByName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DuplicateSearch)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
