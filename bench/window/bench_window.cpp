// What the user waits for in the windows, offscreen with every plug-in loaded:
// a 100,000-entry library of real JV patches (open to first paint, a filter
// change, a sort, a repaint while scrolling) and the JV/XP editors (open, a tab
// switch). The patches come from a field JV bank ($TONALITH_FIELD_DATA) or, without
// one, from the plug-in's own initial bank.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include <time.h>

#include "BankView.h"
#include "Layer.h"
#include "Library.h"
#include "LibraryDocument.h"
#include "LibraryModel.h"
#include "LibraryView.h"
#include "MainFrame.h"
#include "Patch.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "TonalithDoc.h"
#include "Ui.h"
#include "tonalith/ui/DialogRunner.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kEntries = 100000;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// This thread's processor time: on a shared machine it says what the work costs, not the waiting.
double ThreadSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Counts the paint events a widget receives, so a measurement can end at its first paint.
class CPaintCounter final : public QObject {
public:
    explicit CPaintCounter(QWidget& widget) : QObject(&widget) { widget.installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

// Shows a widget and returns once it has painted.
void ShowAndPaint(QWidget& widget) {
    auto* counter = new CPaintCounter(widget);
    widget.show();
    QApplication::processEvents();
    if (counter->count == 0) widget.repaint();
    delete counter;
}

CSynthMemory* JvMemory() {
    CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
    for (int m = 0; m < factory.GetCount(); ++m)
        if (factory.GetMemory(m).GetName() == "Roland JV/XP") return &factory.GetMemory(m);
    return nullptr;
}

const CLayer* LayerNamed(const CSynthMemory& memory, const std::string& part) {
    for (int i = 0; i < memory.GetLayerCount(); ++i)
        if (memory.GetLayer(i).GetName().find(part) != std::string::npos) return &memory.GetLayer(i);
    return nullptr;
}

// The main frame with the plug-ins, a JV bank and the 100,000-entry library file.
class CEnvironment {
public:
    CEnvironment() {
        m_frame = std::make_unique<CMainFrame>();
        m_frame->resize(1280, 1000);
        ShowAndPaint(*m_frame);
        const CSynthMemory* jv = JvMemory();
        if (!jv) {
            m_error = "the JV plug-in is not loaded";
            return;
        }
        m_bank = std::make_unique<CTonalithDoc>();
        const char* field = std::getenv("TONALITH_FIELD_DATA");
        const fs::path dump = fs::path(field ? field : "") / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx";
        m_realNames =
            field && fs::exists(dump) && m_bank->OnOpenDocument(dump.string()) && !m_bank->GetMemory()->IsGeneric();
        if (!m_realNames) m_bank->SetMemory(jv->CreateMemory());  // the plug-in's own bank
        const CLayer* patches = LayerNamed(*m_bank->GetMemory(), "User Patch");
        const CLayer* rhythms = LayerNamed(*m_bank->GetMemory(), "Rhythm");
        if (!patches || !rhythms) {
            m_error = "the JV bank has no user patch or rhythm layer";
            return;
        }
        m_patch = patches->GetPatch(0)->Clone();
        // A JV bank read from the field holds no rhythm set: the plug-in's initial one.
        m_rhythm = rhythms->GetPatch(0)->Clone();
        m_library =
            (fs::temp_directory_path() / ("tonalith-bench-window-" + std::to_string(::getpid()) + ".clb")).string();
        WriteLibrary(*patches);
    }
    ~CEnvironment() {
        m_frame->MdiArea().closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_patch.reset();  // made by the plug-in: gone before the frame unloads it
        m_rhythm.reset();
        m_bank.reset();
        m_frame.reset();
        if (!m_library.empty()) fs::remove(m_library);
    }

    const std::string& Error() const { return m_error; }
    CMainFrame& Frame() { return *m_frame; }
    const std::string& LibraryPath() const { return m_library; }
    CPatch& Patch() { return *m_patch; }
    CPatch& Rhythm() { return *m_rhythm; }
    bool RealNames() const { return m_realNames; }

    CLibraryView* OpenLibrary() {
        QMdiSubWindow* window = m_frame->OpenDocumentFile(m_library);
        return window ? qobject_cast<CLibraryView*>(window->widget()) : nullptr;
    }
    void CloseAll() {
        m_frame->MdiArea().closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }

private:
    // The bank's patches in turn, with dates over some years, a few comments and random keys.
    void WriteLibrary(const CLayer& patches) {
        CLibraryDocument document;
        std::mt19937 engine(7);
        const auto random = [&engine](unsigned n) { return static_cast<unsigned>(engine() % n); };
        const char* comments[] = {"", "", "from the field", "warm", "needs a softer attack", "live set"};
        for (int i = 0; i < kEntries; ++i) {
            const CPatch& patch = *patches.GetPatch(i % patches.GetPatchCount());
            auto entry = std::make_unique<CLibraryPatch>(patch);
            std::array<std::uint8_t, CLibraryPatch::kKeyCount> keys{};
            for (auto& k : keys) k = static_cast<std::uint8_t>(random(64));
            const std::string name = m_realNames ? patch.GetName() : "Patch " + std::to_string(random(10000));
            char date[32];
            std::snprintf(date, sizeof date, "%02u.%02u.%u %02u:%02u", 1 + random(28), 1 + random(12),
                          2000 + random(26), random(24), random(60));
            entry->Set(name, keys.data(), comments[random(6)], date);
            document.GetLibrary().Add(std::move(entry));
        }
        if (!document.OnSaveDocument(m_library)) m_error = "could not write " + m_library;
    }

    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<CTonalithDoc> m_bank;
    std::unique_ptr<CPatch> m_patch;
    std::unique_ptr<CPatch> m_rhythm;
    std::string m_library;
    std::string m_error;
    bool m_realNames = false;
};

std::unique_ptr<CEnvironment>& Environment() {
    static std::unique_ptr<CEnvironment> environment;
    return environment;
}

CEnvironment* Get(benchmark::State& state) {
    if (!Environment()) Environment() = std::make_unique<CEnvironment>();
    if (!Environment()->Error().empty()) {
        state.SkipWithError(Environment()->Error().c_str());
        return nullptr;
    }
    return Environment().get();
}

// ---- the library window ----

void BM_LibraryOpenToFirstPaint(benchmark::State& state) {
    CEnvironment* env = Get(state);
    if (!env) return;
    for (auto _ : state) {
        const auto start = Clock::now();
        CLibraryView* view = env->OpenLibrary();
        if (!view) {
            state.SkipWithError("the library did not open");
            return;
        }
        ShowAndPaint(*view->window());
        view->Table().viewport()->repaint();  // at least one paint of the rows, wherever it came from
        state.SetIterationTime(Seconds(start));
        if (view->Model().rowCount() != kEntries) state.SkipWithError("rows missing");
        env->CloseAll();
    }
    state.counters["real_names"] = env->RealNames();
}
BENCHMARK(BM_LibraryOpenToFirstPaint)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// A library window kept open over a set of benchmarks.
class COpenLibrary {
public:
    explicit COpenLibrary(CEnvironment& env) : m_env(env), m_view(env.OpenLibrary()) {
        if (m_view) ShowAndPaint(*m_view->window());
    }
    ~COpenLibrary() {
        if (m_view) m_view->GetDocument().SetModifiedFlag(false);  // sorting counts as a change: no question
        m_env.CloseAll();
    }
    CLibraryView* View() const { return m_view; }

private:
    CEnvironment& m_env;
    CLibraryView* m_view;
};

void BM_LibraryFilterChange(benchmark::State& state) {
    CEnvironment* env = Get(state);
    if (!env) return;
    COpenLibrary open(*env);
    if (!open.View()) return state.SkipWithError("the library did not open");
    CLibraryView& view = *open.View();
    // Applying a name filter and taking it away again: the second gives back every row.
    LibraryEngine::CSearchFilter some;
    some.name = state.range(0) ? "a" : "pad";
    bool filtered = false;
    int passed = 0;
    for (auto _ : state) {
        filtered = !filtered;
        view.Model().SetFilter(filtered ? some : LibraryEngine::CSearchFilter{});
        view.Table().viewport()->repaint();
        if (filtered) passed = view.Model().rowCount();
    }
    state.counters["rows_passing"] = passed;
}
BENCHMARK(BM_LibraryFilterChange)->Arg(0)->Arg(1)->ArgName("broad")->Unit(benchmark::kMillisecond);

void BM_LibrarySort(benchmark::State& state) {
    CEnvironment* env = Get(state);
    if (!env) return;
    COpenLibrary open(*env);
    if (!open.View()) return state.SkipWithError("the library did not open");
    CLibraryView& view = *open.View();
    // Alternates with the name column, so every round really reorders the rows.
    const int column = static_cast<int>(state.range(0));
    bool toColumn = false;
    for (auto _ : state) {
        toColumn = !toColumn;
        view.SortByColumn(toColumn ? column : LibraryEngine::COLUMN_NAME);
        view.Table().viewport()->repaint();
    }
}
BENCHMARK(BM_LibrarySort)
    ->Arg(LibraryEngine::COLUMN_DATE)
    ->Arg(LibraryEngine::COLUMN_COMMENT)
    ->Arg(LibraryEngine::COLUMN_TYPE)
    ->Arg(LibraryEngine::COLUMN_COUNT - 2)  // a key
    ->ArgName("column")
    ->Unit(benchmark::kMillisecond);

void BM_LibraryScrollRepaint(benchmark::State& state) {
    CEnvironment* env = Get(state);
    if (!env) return;
    COpenLibrary open(*env);
    if (!open.View()) return state.SkipWithError("the library did not open");
    QTableView& table = open.View()->Table();
    QScrollBar& bar = *table.verticalScrollBar();
    // A page at a time through the whole list, so every paint draws rows not seen before.
    for (auto _ : state) {
        bar.setValue(bar.value() >= bar.maximum() ? 0 : bar.value() + bar.pageStep());
        table.viewport()->repaint();
    }
    state.counters["rows_visible"] = table.viewport()->height() / std::max(1, table.rowHeight(0));
}
BENCHMARK(BM_LibraryScrollRepaint)->Unit(benchmark::kMillisecond);

// ---- the JV/XP editors ----

// Edit on the patch; the runner measures until the dialog has painted, then closes it.
void OpenEditor(benchmark::State& state, CPatch& patch, const QString& title) {
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        bool seen = false;
        tonalith::ui::ScopedDialogRunner runner([&](QDialog& dialog) {
            ShowAndPaint(dialog);
            state.SetIterationTime(Seconds(start));
            seen = dialog.windowTitle().startsWith(title);
            return int(QDialog::Rejected);
        });
        patch.Edit();
        if (!seen) {
            state.SkipWithError("the editor did not open");
            return;
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void BM_EditPatchOpen(benchmark::State& state) {
    if (CEnvironment* env = Get(state)) OpenEditor(state, env->Patch(), "Edit Patch");
}
BENCHMARK(BM_EditPatchOpen)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_EditRhythmOpen(benchmark::State& state) {
    if (CEnvironment* env = Get(state)) OpenEditor(state, env->Rhythm(), "Edit Rhythm");
}
BENCHMARK(BM_EditRhythmOpen)->Unit(benchmark::kMillisecond)->UseManualTime();

// Every tab of a new "Edit Patch" in turn; an iteration's time is its slowest switch.
// Pages are built when first shown, so first visits (range 1) cost more than returns.
void BM_EditPatchTabSwitch(benchmark::State& state) {
    CEnvironment* env = Get(state);
    if (!env) return;
    const bool firstVisits = state.range(0) != 0;
    int tabs = 0;
    double total = 0;
    double totalCpu = 0;
    double slowestCpu = 0;
    int switches = 0;
    for (auto _ : state) {
        tonalith::ui::ScopedDialogRunner runner([&](QDialog& dialog) {
            ShowAndPaint(dialog);
            auto* widget = dialog.findChild<QTabWidget*>();
            if (!widget) return int(QDialog::Rejected);
            tabs = widget->count();
            if (!firstVisits)
                for (int i = 0; i < tabs; ++i) widget->setCurrentIndex(i);  // every page built once
            widget->setCurrentIndex(0);
            QApplication::processEvents();
            double slowest = 0;
            for (int i = 1; i < tabs; ++i) {
                const auto start = Clock::now();
                const double startCpu = ThreadSeconds();
                widget->setCurrentIndex(i);
                QApplication::processEvents();
                widget->currentWidget()->repaint();
                const double t = Seconds(start);
                const double cpu = ThreadSeconds() - startCpu;
                slowest = std::max(slowest, t);
                slowestCpu = std::max(slowestCpu, cpu);
                total += t;
                totalCpu += cpu;
                ++switches;
            }
            state.SetIterationTime(slowest);
            return int(QDialog::Rejected);
        });
        env->Patch().Edit();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    if (tabs < 2) state.SkipWithError("the editor has no tabs to switch");
    state.counters["tabs"] = tabs;
    state.counters["mean_ms"] = switches ? 1000.0 * total / switches : 0.0;
    state.counters["mean_cpu_ms"] = switches ? 1000.0 * totalCpu / switches : 0.0;
    state.counters["slowest_cpu_ms"] = 1000.0 * slowestCpu;
}
BENCHMARK(BM_EditPatchTabSwitch)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("first_visit")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string config = "/tmp/tonalith-bench-window-" + std::to_string(::getpid());
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    QApplication app(argc, argv);
    CUi::Install(std::make_unique<CScriptedUi>());  // a message box must not wait for a click
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    Environment().reset();
    fs::remove_all(config);
    return 0;
}
