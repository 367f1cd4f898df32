// A process killed (SIGKILL) at a random moment while it saves a large library
// leaves the old file or the new one, complete, never a mix or a cut-off file.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <algorithm>
#include <set>
#include <thread>

#include "FaultPatch.h"
#include "File.h"
#include "LibraryDocument.h"
#include "LibraryFile.h"
#include "LibraryKeys.h"
#include "TestSupport.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int kEntries = 3000;  // about 1.5 MB: a save takes many writes

// The generation the whole file holds; fails the test when the file is cut off,
// damaged, or mixes generations.
int Generation(const fs::path& path) {
    CMemFile file(tonalith::test::ReadFile(path), path.string());
    EXPECT_TRUE(LibraryFile::HasMagic(file.Data()));
    file.Seek(static_cast<std::int64_t>(LibraryFile::kMagic.size()), CFile::begin);
    CLibrary library;
    const auto read = LibraryFile::ReadRecords(file, library, tonalith::faults::FaultCreator());
    EXPECT_EQ(read.entries, kEntries);
    EXPECT_TRUE(read.tail.empty()) << read.damage << " at " << read.tailOffset;
    if (library.GetSize() == 0) return -1;
    const CPatch& first = *library.GetPatch(0);
    const std::uint8_t generation = first.Data()[static_cast<std::size_t>(first.GetNameLength())];
    const std::string comment = "generation " + std::to_string(generation);
    for (int i = 0; i < library.GetSize(); ++i) {
        const auto data = library.GetPatch(i)->Data().subspan(static_cast<std::size_t>(first.GetNameLength()));
        const bool same = std::all_of(data.begin(), data.end(), [&](std::uint8_t b) { return b == generation; });
        if (!same || library.Get(i).Comment() != comment) {
            ADD_FAILURE() << "entry " << i << " is not of generation " << int(generation);
            return -1;
        }
    }
    return generation;
}

}  // namespace

TEST(KilledWhileSaving, LibraryIsEitherTheOldOrTheNewFile) {
    const fs::path dir = tonalith::test::TempDir();
    const fs::path path = dir / "large.clb";
    {
        CLibraryDocument doc(CLibraryKeyNames(), tonalith::faults::FaultCreator());
        tonalith::faults::FillLibrary(doc.GetLibrary(), kEntries, 0);
        ASSERT_TRUE(doc.OnSaveDocument(path.string()));
    }
    std::mt19937 random(12);
    std::uniform_int_distribution<int> delay(0, 250);
    std::set<int> generations;
    int killedMidSave = 0;
    const std::string entries = std::to_string(kEntries);
    for (int round = 0; round < 8; ++round) {
        char* argv[] = {const_cast<char*>(FAULT_SAVER_PATH), const_cast<char*>(path.c_str()),
                        const_cast<char*>(entries.c_str()), nullptr};
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ready[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, ready[0]);
        pid_t pid = 0;
        const int spawned = ::posix_spawn(&pid, FAULT_SAVER_PATH, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(ready[1]);
        ASSERT_EQ(spawned, 0);
        char byte = 0;
        const bool started = ::read(ready[0], &byte, 1) == 1;  // both versions built: saving from now on
        ::close(ready[0]);
        if (started) std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
        ASSERT_EQ(::kill(pid, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(started && WIFSIGNALED(status)) << "the saver ended by itself: status " << status;

        const int generation = Generation(path);
        ASSERT_GE(generation, 0) << "round " << round;
        generations.insert(generation);
        // A temporary file left beside it shows the kill landed inside a save.
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path() != path) {
                ++killedMidSave;
                fs::remove(entry.path());
            }
    }
    RecordProperty("generations_seen", static_cast<int>(generations.size()));
    RecordProperty("killed_mid_save", killedMidSave);
    // The saver must have replaced the file at least once, or nothing was tested.
    EXPECT_GE(generations.size(), 2u);
    EXPECT_GE(killedMidSave, 1);
}
