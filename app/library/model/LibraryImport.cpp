#include "LibraryImport.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <unordered_map>

#include "File.h"
#include "Guid.h"
#include "Layer.h"
#include "Library.h"
#include "Patch.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"

namespace fs = std::filesystem;

namespace LibraryImport {
namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string Count(int n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

// Equal patches found by type and fingerprint, confirmed with IsEqual.
class CSeenPatches {
public:
    bool Contains(const CPatch& patch) const {
        const std::optional<std::uint64_t> print = patch.GetFingerprint();
        if (!print) return false;
        const auto range = m_byPrint.equal_range(Key(patch.GetPatchType(), *print));
        return std::any_of(range.first, range.second, [&](const auto& seen) {
            return seen.second->GetPatchType() == patch.GetPatchType() && seen.second->IsEqual(patch);
        });
    }
    void Add(const CPatch& patch) {
        if (const std::optional<std::uint64_t> print = patch.GetFingerprint())
            m_byPrint.emplace(Key(patch.GetPatchType(), *print), &patch);
    }

private:
    static std::uint64_t Key(const GUID& type, std::uint64_t print) { return GuidHash{}(type)*31 + print; }
    std::unordered_multimap<std::uint64_t, const CPatch*> m_byPrint;
};

}  // namespace

MemoryReader FactoryReader(MemoryPreparer prepare) {
    return [prepare = std::move(prepare)](const std::string& path) -> std::unique_ptr<CSynthMemory> {
        CFile file(path, CFile::modeRead);
        std::unique_ptr<CSynthMemory> memory = CSynthMemoryFactory::Get().CreateMatchingMemory(file);
        if (!memory || memory->IsGeneric()) return nullptr;
        if (prepare) prepare(*memory);
        try {
            memory->Load(file);
        } catch (const CFileException& e) {
            // A dump cut short gives what was read, as opening it does.
            if (e.m_cause != CFileException::endOfFile) throw;
        }
        return memory;
    };
}

std::vector<std::string> CollectFiles(std::span<const std::string> paths, bool recursive,
                                      std::vector<std::string>& problems) {
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        std::error_code error;
        if (fs::is_regular_file(path, error)) {
            files.push_back(path);
            continue;
        }
        if (!fs::is_directory(path, error)) {
            problems.push_back(Quoted(path) + ": no such file or directory");
            continue;
        }
        std::vector<std::string> found;
        const auto options = fs::directory_options::skip_permission_denied;
        if (recursive) {
            for (fs::recursive_directory_iterator it(path, options, error), end; !error && it != end;
                 it.increment(error))
                if (it->is_regular_file(error)) found.push_back(it->path().string());
        } else {
            for (fs::directory_iterator it(path, options, error), end; !error && it != end; it.increment(error))
                if (it->is_regular_file(error)) found.push_back(it->path().string());
        }
        if (error) problems.push_back(Quoted(path) + ": " + error.message());
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    }
    return files;
}

Result Import(const CLibrary& library, std::span<const std::string> files, const Options& options,
              const MemoryReader& read, const Progress& progress) {
    Result result;
    CSeenPatches seen;
    if (options.skipDuplicates)
        for (int i = 0; i < library.GetSize(); ++i)
            if (const CPatch* patch = library.GetPatch(i)) seen.Add(*patch);

    for (std::size_t f = 0; f < files.size(); ++f) {
        const std::string& path = files[f];
        if (progress && !progress(f, files.size(), path)) {
            result.entries.clear();
            result.cancelled = true;
            return result;
        }
        std::unique_ptr<CSynthMemory> memory;
        try {
            memory = read(path);
        } catch (const CFileException& e) {
            ++result.filesSkipped;
            result.lines.push_back(e.GetErrorMessage());
            continue;
        } catch (const std::exception& e) {
            ++result.filesSkipped;
            result.lines.push_back(Quoted(path) + ": " + e.what());
            continue;
        }
        if (!memory) {
            ++result.filesSkipped;
            result.lines.push_back(Quoted(path) + ": no plug-in reads this file; skipped");
            continue;
        }
        ++result.filesRead;
        for (const std::string& problem : memory->GetLoadProblems())
            result.lines.push_back(Quoted(path) + ": " + problem);

        int withReferences = 0;
        for (int l = 0; l < memory->GetLayerCount(); ++l) {
            const CLayer& layer = memory->GetLayer(l);
            if (!layer.IsInFile()) continue;
            for (int i = 0; i < layer.GetPatchCount(); ++i) {
                if (!layer.IsPatchInFile(i)) continue;
                const CPatch* patch = layer.GetPatch(i);
                if (!patch) continue;
                if (patch->HasReferences()) {
                    ++withReferences;
                    continue;
                }
                if (options.skipDuplicates && seen.Contains(*patch)) {
                    ++result.duplicatesSkipped;
                    continue;
                }
                auto entry = std::make_unique<CLibraryPatch>(*patch);
                if (options.skipDuplicates) seen.Add(*entry->GetPatch());
                result.entries.push_back(std::move(entry));
            }
        }
        if (withReferences > 0) {
            result.referencesSkipped += withReferences;
            result.lines.push_back(Quoted(path) + ": " + Count(withReferences, "patch refers", "patches refer") +
                                   " to patches in other layers and " + (withReferences == 1 ? "was" : "were") +
                                   " left out; the library does not hold such patches");
        }
    }
    if (progress) progress(files.size(), files.size(), {});
    return result;
}

std::string Summary(const Result& result) {
    if (result.cancelled) return "Import cancelled; nothing was added";
    std::string text = Count(static_cast<int>(result.entries.size()), "patch", "patches") + " imported from " +
                       Count(result.filesRead, "file", "files");
    if (result.filesSkipped > 0) text += ", " + Count(result.filesSkipped, "file", "files") + " skipped";
    if (result.duplicatesSkipped > 0)
        text += ", " + Count(result.duplicatesSkipped, "duplicate", "duplicates") + " left out";
    if (result.referencesSkipped > 0)
        text += ", " + Count(result.referencesSkipped, "patch", "patches") + " with references left out";
    return text;
}

}  // namespace LibraryImport
