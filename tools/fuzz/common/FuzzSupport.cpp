#include "FuzzSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "SynthMemoryFactory.h"
#include "Ui.h"

namespace tonalith::fuzz {
namespace {

class CQuietUi : public CUi {
public:
    void MessageBox(std::string_view, Icon) override {}
    bool AskYesNo(std::string_view) override { return false; }
    std::optional<std::string> ChooseOpenFile(std::string_view, std::string_view) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(std::string_view, std::string_view, std::string_view) override {
        return std::nullopt;
    }
    void ShowHex(std::span<const std::uint8_t>, std::string_view) override {}
};

}  // namespace

void InstallQuietUi() {
    static std::once_flag once;
    std::call_once(once, [] { CUi::Install(std::make_unique<CQuietUi>()); });
}

void LoadPlugins() {
    static std::once_flag once;
    std::call_once(once, [] {
        InstallQuietUi();
        const char* env = std::getenv("TONALITH_PLUGIN_PATH");
        CSynthMemoryFactory::SetSearchPath({env && *env ? env : TONALITH_FUZZ_PLUGIN_DIR});
        auto& factory = CSynthMemoryFactory::Get();
        // A build without its plug-ins would fuzz only the generic memory and look fine.
        if (factory.GetCount() < 2) {
            std::fprintf(stderr, "fuzz: no synth plug-ins found in %s\n", TONALITH_FUZZ_PLUGIN_DIR);
            for (const auto& e : factory.GetLoadErrors()) std::fprintf(stderr, "  %s\n", e.c_str());
            std::abort();
        }
    });
}

const std::string& WriteScratchFile(std::span<const std::uint8_t> bytes, const char* extension) {
    static const std::string path = [extension] {
        namespace fs = std::filesystem;
        const fs::path dir = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        return (dir / ("tonalith-fuzz-" + std::to_string(::getpid()) + extension)).string();
    }();
    static const bool cleanup = [] { return std::atexit([] { std::remove(path.c_str()); }) == 0; }();
    (void)cleanup;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw std::runtime_error("fuzz: cannot write " + path);
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) throw std::runtime_error("fuzz: cannot write " + path);
    return path;
}

}  // namespace tonalith::fuzz
