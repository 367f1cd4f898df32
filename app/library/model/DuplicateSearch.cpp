#include "DuplicateSearch.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <unordered_map>

#include "Library.h"
#include "LibraryEngine.h"
#include "Patch.h"

namespace DuplicateSearch {

namespace {

struct BucketKey {
    GUID type;
    std::uint64_t fingerprint;
    friend bool operator==(const BucketKey&, const BucketKey&) = default;
};

struct BucketKeyHash {
    std::size_t operator()(const BucketKey& k) const noexcept {
        return GuidHash{}(k.type) ^ static_cast<std::size_t>(k.fingerprint * 0x9E3779B97F4A7C15ull);
    }
};

// Reports whole percents between from and to as done advances.
class ProgressMeter {
public:
    ProgressMeter(const Progress& progress) : m_progress(progress) {}
    void Report(int from, int to, std::uint64_t done, std::uint64_t total) {
        if (!m_progress) return;
        const int percent = total == 0 ? to : from + static_cast<int>((to - from) * done / total);
        if (percent != m_last) m_progress(m_last = percent);
    }

private:
    const Progress& m_progress;
    int m_last = -1;
};

bool Equal(const CPatch* a, const CPatch* b) {
    return a && b && a->GetPatchType() == b->GetPatchType() && a->IsEqual(*b);
}

}  // namespace

std::string PairText(const CLibraryPatch& a, const CLibraryPatch& b) {
    return "\"" + LibraryEngine::TrimRight(a.Name()) + "\" and \"" + LibraryEngine::TrimRight(b.Name()) +
           "\" are equal";
}

std::vector<CDuplicatePair> FindAllPairs(const CLibrary& library, std::stop_token stop) {
    std::vector<CDuplicatePair> pairs;
    const int n = library.GetSize();
    for (int i = 0; i < n && !stop.stop_requested(); ++i)
        for (int j = i + 1; j < n; ++j)
            if (Equal(library.GetPatch(i), library.GetPatch(j)))
                pairs.push_back({i, j, PairText(library.Get(i), library.Get(j))});
    return pairs;
}

std::vector<CDuplicatePair> Find(const CLibrary& library, std::stop_token stop, const Progress& progress) {
    ProgressMeter meter(progress);
    const int n = library.GetSize();
    constexpr int kCheckEvery = 1024;

    // Entries whose fingerprint is nullopt are never equal to anything. Buckets
    // list their members in ascending index order.
    std::unordered_map<BucketKey, std::vector<int>, BucketKeyHash> buckets;
    buckets.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        if (i % kCheckEvery == 0) {
            if (stop.stop_requested()) return {};
            meter.Report(0, 50, static_cast<std::uint64_t>(i), static_cast<std::uint64_t>(n));
        }
        const CPatch* patch = library.GetPatch(i);
        if (!patch) continue;
        if (const std::optional<std::uint64_t> fp = patch->GetFingerprint())
            buckets[BucketKey{patch->GetPatchType(), *fp}].push_back(i);
    }

    std::vector<const std::vector<int>*> candidates;
    std::uint64_t work = 0;
    for (const auto& [key, members] : buckets) {
        if (members.size() < 2) continue;
        candidates.push_back(&members);
        work += members.size() * (members.size() - 1) / 2;
    }

    std::vector<std::pair<int, int>> found;
    std::uint64_t done = 0;
    for (const std::vector<int>* members : candidates) {
        for (std::size_t a = 0; a < members->size(); ++a) {
            if (stop.stop_requested()) return {};
            for (std::size_t b = a + 1; b < members->size(); ++b) {
                const int i = (*members)[a];
                const int j = (*members)[b];
                if (Equal(library.GetPatch(i), library.GetPatch(j))) found.emplace_back(i, j);
            }
            done += members->size() - a - 1;
            meter.Report(50, 99, done, work);
        }
    }

    std::sort(found.begin(), found.end());
    std::vector<CDuplicatePair> pairs;
    pairs.reserve(found.size());
    for (const auto& [i, j] : found) pairs.push_back({i, j, PairText(library.Get(i), library.Get(j))});
    return pairs;
}

}  // namespace DuplicateSearch

CDuplicateSearchJob::~CDuplicateSearchJob() { Stop(); }

void CDuplicateSearchJob::Start(const CLibrary& library, Callbacks callbacks) {
    Stop();
    m_found.clear();
    m_running = true;
    m_thread = std::jthread([this, &library, callbacks = std::move(callbacks)](std::stop_token stop) {
        std::vector<CDuplicatePair> pairs = DuplicateSearch::Find(library, stop, callbacks.progress);
        const bool completed = !stop.stop_requested();
        if (completed) {
            for (const CDuplicatePair& pair : pairs) {
                m_found.push_back(pair.second);
                if (callbacks.found) callbacks.found(pair);
            }
            if (callbacks.progress) callbacks.progress(100);
        }
        m_running = false;
        if (callbacks.finished) callbacks.finished(completed);
    });
}

void CDuplicateSearchJob::Stop() {
    if (!m_thread.joinable()) return;
    m_thread.request_stop();
    m_thread.join();
}
