#include "TestSupport.h"

#include <thread>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tonalith::test {
namespace {

std::optional<fs::path> FromEnvOrDefault(const char* env, const char* fallback) {
    if (const char* v = std::getenv(env); v && *v) {
        if (fs::is_directory(v)) return fs::path(v);
        return std::nullopt;
    }
    if (fs::is_directory(fallback)) return fs::path(fallback);
    return std::nullopt;
}

}  // namespace

std::optional<fs::path> FieldDataDir() { return FromEnvOrDefault("TONALITH_FIELD_DATA", TONALITH_FIELD_DATA_DEFAULT); }

std::optional<fs::path> ReferenceDir() { return FromEnvOrDefault("TONALITH_REFERENCE", TONALITH_REFERENCE_DEFAULT); }

bool FieldDataRequired() {
    const char* v = std::getenv("TONALITH_REQUIRE_FIELD_DATA");
    return v && std::string(v) == "1";
}

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

fs::path TempDir() {
    static int counter = 0;
    const char* base = std::getenv("TONALITH_TEST_TMP");
    fs::path dir = fs::path(base ? base : fs::temp_directory_path().string()) / ("t" + std::to_string(counter++));
    fs::create_directories(dir);
    return dir;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace tonalith::test
