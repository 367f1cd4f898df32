// The main of every test executable: a private settings folder and temporary
// folder per process, so tests never read or write the user's settings, and the
// offscreen Qt platform so widget tests run without a display.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string& TempRoot() {
    static std::string root;
    return root;
}

// Registered first, so it runs after the destructors of every static made later:
// settings singletons write their files at exit and must find the folder still there.
void RemoveTempRoot() {
    std::error_code ec;
    fs::remove_all(TempRoot(), ec);
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path root = fs::temp_directory_path() / ("tonalith-test-" + std::to_string(::getpid()));
    TempRoot() = root.string();
    std::atexit(RemoveTempRoot);
    fs::create_directories(root / "config");
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    ::setenv("TONALITH_TEST_TMP", root.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
