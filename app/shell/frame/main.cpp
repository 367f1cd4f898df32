// Tonalith: the program. Arguments are documents to open; --screenshot FILE
// renders the main window after start-up into a PNG and ends, and --hex FILE
// shows a file's raw bytes in the hex viewer.
#include <QApplication>
#include <QMdiArea>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "File.h"
#include "FileX.h"
#include "MainFrame.h"
#include "TonalithApp.h"
#include "tonalith/ui/BytemapDialog.h"
#include "tonalith/ui/Guard.h"

int main(int argc, char** argv) {
    const auto started = std::chrono::steady_clock::now();
    // Answered before Qt starts, so they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) break;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::puts("usage: tonalith [--screenshot FILE.png] [--hex FILE] [--version] [FILE...]\n"
                      "Opens each FILE (a bank .syx, a library .clb or a controller form .cof) in its own window.\n"
                      "  --screenshot FILE.png  render the window after start-up into FILE.png and quit\n"
                      "  --hex FILE             show FILE's raw bytes in the hex viewer");
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("tonalith " TONALITH_VERSION);
            return 0;
        }
    }
    tonalith::ui::CGuardedApplication app(argc, argv);
    std::vector<std::string> documents;
    QString screenshot, hexFile;
    const QStringList args = QApplication::arguments();
    bool optionsEnded = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (!optionsEnded && args[i] == "--") optionsEnded = true;
        else if (!optionsEnded && args[i] == "--screenshot" && i + 1 < args.size()) screenshot = args[++i];
        else if (!optionsEnded && args[i] == "--hex" && i + 1 < args.size()) hexFile = args[++i];
        else documents.push_back(args[i].toStdString());
    }
    CTonalithApp tonalith;
    if (!tonalith.InitInstance(documents)) return 1;
    if (std::getenv("TONALITH_STARTUP_TIME")) {
        const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
        std::fprintf(stderr, "start-up: %.1f ms\n", ms);
    }
    CBytemapDialog* hex = nullptr;
    if (!hexFile.isEmpty()) {
        try {
            const std::vector<std::uint8_t> bytes = CFileX::Read(hexFile.toStdString());
            hex = new CBytemapDialog(bytes, hexFile.section('/', -1), tonalith.GetMainFrame());
            hex->setAttribute(Qt::WA_DeleteOnClose);
            hex->show();
        } catch (const CFileException& e) {
            std::fprintf(stderr, "%s\n", e.GetErrorMessage().c_str());
        }
    }
    if (!screenshot.isEmpty()) {
        QTimer::singleShot(300, [&] {
            QWidget* target = hex ? static_cast<QWidget*>(hex) : tonalith.GetMainFrame();
            const bool ok = target->grab().save(screenshot, "PNG");
            if (!ok) std::fprintf(stderr, "could not write %s\n", screenshot.toLocal8Bit().constData());
            tonalith.GetMainFrame()->close();
            QApplication::exit(ok ? 0 : 1);
        });
    }
    const int rc = app.exec();
    tonalith.ExitInstance();
    return rc;
}

// Sanitized builds: the system's font and bus libraries keep caches for the life
// of the process.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libdbus\nleak:libglib\nleak:libxcb\nleak:libX11\n";
}
