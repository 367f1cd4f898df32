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

class TempFolderCleanup : public ::testing::Environment {
public:
    explicit TempFolderCleanup(fs::path dir) : m_dir(std::move(dir)) {}
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

private:
    fs::path m_dir;
};

}  // namespace

int main(int argc, char** argv) {
    const fs::path root = fs::temp_directory_path() / ("tonalith-test-" + std::to_string(::getpid()));
    fs::create_directories(root / "config");
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    ::setenv("TONALITH_TEST_TMP", root.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new TempFolderCleanup(root));  // gtest owns it
    return RUN_ALL_TESTS();
}
