// How long the bank view takes to paint a 200-patch layer, and the main frame
// to come up with every plug-in loaded. Runs offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>

#include "AppConfig.h"
#include "BankView.h"
#include "GridMemory.h"
#include "MainFrame.h"
#include "SynthMemoryFactory.h"
#include "TonalithDoc.h"

namespace {

void BM_PaintLayerOf200(benchmark::State& state) {
    auto doc = std::make_unique<CTonalithDoc>();
    doc->SetMemory(std::make_unique<gridtest::CGridMemory>(200));
    CTonalithView view(std::move(doc));
    const CBankGrid& grid = view.Grid();
    QImage image(grid.TotalWidth() + 2, grid.TotalHeight() + 2, QImage::Format_ARGB32_Premultiplied);
    view.Selection().SelectRange(0, 40);  // some highlighted cells, as in use
    for (auto _ : state) {
        QPainter painter(&image);
        view.PaintGrid(painter, image.rect());
        painter.end();
        benchmark::DoNotOptimize(image.bits());
    }
    state.counters["cells"] = grid.patchCount;
}
BENCHMARK(BM_PaintLayerOf200)->Unit(benchmark::kMillisecond);

void BM_StartMainFrame(benchmark::State& state) {
    for (auto _ : state) {
        auto frame = std::make_unique<CMainFrame>();
        benchmark::DoNotOptimize(CSynthMemoryFactory::Get().GetCount());
        frame->show();
        QApplication::processEvents();
        frame.reset();  // unloads the plug-ins, so each round loads them again
    }
}
BENCHMARK(BM_StartMainFrame)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string config = "/tmp/tonalith-bench-" + std::to_string(::getpid());
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    QApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
