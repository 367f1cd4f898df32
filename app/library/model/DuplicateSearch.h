#pragma once

#include <atomic>
#include <functional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

class CLibrary;
class CLibraryPatch;

// Equal patches in a library: every pair (i < j) of entries of the same patch type
// whose first patch's IsEqual accepts the second, in the order i, then j.
struct CDuplicatePair {
    int first;
    int second;
    std::string text;  // "\"<name>\" and \"<name>\" are equal"

    friend bool operator==(const CDuplicatePair&, const CDuplicatePair&) = default;
};

namespace DuplicateSearch {

std::string PairText(const CLibraryPatch& a, const CLibraryPatch& b);

// Progress in percent (0..99 while running); called only when it changes.
using Progress = std::function<void(int percent)>;

// Compares every pair: the reference result, far too slow for large libraries.
std::vector<CDuplicatePair> FindAllPairs(const CLibrary& library, std::stop_token stop = {});
// The same result: entries are bucketed by patch type and fingerprint, and only
// pairs inside a bucket are confirmed with IsEqual. Partial when stopped.
std::vector<CDuplicatePair> Find(const CLibrary& library, std::stop_token stop = {}, const Progress& progress = {});

}  // namespace DuplicateSearch

// The search as a background job for the "Find double patches" dialog. Callbacks
// run on the worker thread: a window queues them to its own thread. The library
// must not change while the job runs (the dialog is modal).
class CDuplicateSearchJob {
public:
    struct Callbacks {
        DuplicateSearch::Progress progress;
        std::function<void(const CDuplicatePair& pair)> found;  // in result order
        std::function<void(bool completed)> finished;  // last call; progress 100 before it when completed
    };

    CDuplicateSearchJob() = default;
    ~CDuplicateSearchJob();  // stops and waits
    CDuplicateSearchJob(const CDuplicateSearchJob&) = delete;
    CDuplicateSearchJob& operator=(const CDuplicateSearchJob&) = delete;

    void Start(const CLibrary& library, Callbacks callbacks);
    // Asks the job to stop and waits until it has ended.
    void Stop();
    bool IsRunning() const { return m_running; }
    // The second index of every found pair, in order (valid once finished).
    const std::vector<int>& GetFoundIndices() const { return m_found; }

private:
    std::jthread m_thread;
    std::atomic<bool> m_running{false};
    std::vector<int> m_found;
};
