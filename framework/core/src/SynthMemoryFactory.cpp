#include "SynthMemoryFactory.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <set>
#include <unistd.h>

#include "BasicConfig.h"
#include "File.h"
#include "Functions.h"
#include "GenericMemory.h"
#include "Patch.h"
#include "PluginLibrary.h"
#include "SynthMemory.h"
#include "Synth.h"

namespace fs = std::filesystem;

namespace {

std::unique_ptr<CSynthMemoryFactory>& Instance() {
    static std::unique_ptr<CSynthMemoryFactory> instance;
    return instance;
}

std::optional<std::vector<std::string>>& SearchPathOverride() {
    static std::optional<std::vector<std::string>> path;
    return path;
}

constexpr int kMessagesToRecognise = 64;

// Offsets of the first message starts (F0) of the file, skipping bytes outside messages.
std::vector<std::uint64_t> FindMessageStarts(CFile& file, int maxCount) {
    std::vector<std::uint64_t> starts;
    std::array<std::uint8_t, 8192> buffer{};
    std::uint64_t offset = file.GetPosition();
    while (static_cast<int>(starts.size()) < maxCount) {
        const std::size_t n = file.Read(buffer.data(), buffer.size());
        if (n == 0) break;
        for (std::size_t i = 0; i < n && static_cast<int>(starts.size()) < maxCount; ++i) {
            if (buffer[i] == 0xF0) starts.push_back(offset + i);
        }
        offset += n;
    }
    return starts;
}

// The disabled plug-ins of the program settings, by file name.
std::set<std::string> DisabledPluginFiles() {
    std::set<std::string> names;
    CBasicConfig config(CFunctions::GetConfigPath() + "Tonalith.ini", "SETUP");
    for (int i = 0;; ++i) {
        const std::string name = config.GetString("DISABLEDMEM" + std::to_string(i));
        if (name.empty()) break;
        const std::string path = config.GetString("DISABLEDMEMPATH" + std::to_string(i));
        if (!path.empty()) names.insert(fs::path(path).filename().string());
    }
    return names;
}

std::string ProgramDirectory() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

}  // namespace

CSynthMemoryFactory& CSynthMemoryFactory::Get() {
    auto& instance = Instance();
    if (!instance) {
        instance.reset(new CSynthMemoryFactory());  // private constructor
        instance->LoadPlugins(SearchPathOverride() ? *SearchPathOverride() : DefaultSearchPath());
        // A program that exits without Delete() must not reach dead synths. The
        // synths are function-local statics, destroyed at exit in reverse order of
        // construction, so construct them now and register the Delete after them:
        // it then runs first.
        for (const auto& memory : instance->m_memories) (void)memory->GetSynth();
        std::atexit([] { Delete(); });
    }
    return *instance;
}

void CSynthMemoryFactory::Delete() { Instance().reset(); }

void CSynthMemoryFactory::SetSearchPath(std::vector<std::string> folders) { SearchPathOverride() = std::move(folders); }

std::vector<std::string> CSynthMemoryFactory::DefaultSearchPath() {
    std::vector<std::string> folders;
    if (const char* env = std::getenv("TONALITH_PLUGIN_PATH"); env && *env) {
        std::string list = env;
        std::size_t start = 0;
        while (start <= list.size()) {
            const std::size_t end = std::min(list.find(':', start), list.size());
            if (end > start) folders.push_back(list.substr(start, end - start));
            start = end + 1;
        }
    }
    if (const std::string dir = ProgramDirectory(); !dir.empty())
        folders.push_back((fs::path(dir) / ".." / "lib" / "tonalith" / "plugins").lexically_normal().string());
#ifdef TONALITH_BUILD_PLUGIN_DIR
    folders.push_back(TONALITH_BUILD_PLUGIN_DIR);
#endif
    return folders;
}

CSynthMemoryFactory::CSynthMemoryFactory() = default;

CSynthMemoryFactory::~CSynthMemoryFactory() {
    // Settings are written while the plug-ins are still loaded; then every object a
    // plug-in made goes before its library is unloaded.
    for (const auto& memory : m_memories) {
        try {
            if (CSynth* synth = memory->GetSynth()) synth->Save();
        } catch (const std::exception& e) {
            std::cerr << "tonalith: could not write the settings of " << memory->GetName() << ": " << e.what() << '\n';
        }
    }
    m_memories.clear();
    m_libraries.clear();
}

void CSynthMemoryFactory::LoadPlugins(const std::vector<std::string>& folders) {
    const std::set<std::string> disabled = DisabledPluginFiles();
    std::set<std::string> seenFiles;
    std::set<GUID> seenMemories;

    for (const std::string& folder : folders) {
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) continue;
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(folder, ec))
            if (entry.path().extension() == ".so") files.push_back(entry.path());
        std::sort(files.begin(), files.end(),
                  [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });

        for (const fs::path& file : files) {
            const std::string name = file.filename().string();
            if (!seenFiles.insert(name).second) continue;  // the first folder with this plug-in wins
            if (disabled.count(name)) continue;
            try {
                auto library = std::make_unique<CPluginLibrary>(file.string());
                const CRuntimeClass* memoryClass = library->GetMemoryClass();
                std::unique_ptr<CObject> object = memoryClass->CreateObject();
                auto* memory = dynamic_cast<CSynthMemory*>(object.get());
                if (!memory) throw std::runtime_error("its class record does not create a synth memory");
                std::unique_ptr<CSynthMemory> owned(memory);
                object.release();
                if (memory->GetLayerCount() == 0) throw std::runtime_error("its memory has no layers");
                for (int i = 0; i < memory->GetLayerCount(); ++i)
                    if (memory->GetLayer(i).GetPatchCount() == 0)
                        throw std::runtime_error("layer \"" + memory->GetLayer(i).GetName() + "\" has no patches");
                if (!seenMemories.insert(memory->GetMemoryGuid()).second)
                    throw std::runtime_error("a plug-in with the same memory identity is already loaded");
                m_memories.push_back(std::move(owned));
                m_paths.push_back(fs::absolute(file).lexically_normal().string());
                m_libraries.push_back(std::move(library));
            } catch (const std::exception& e) {
                m_loadErrors.push_back(file.string() + ": " + e.what());
                std::cerr << "tonalith: skipped plug-in " << file.string() << ": " << e.what() << '\n';
            }
        }
    }
    m_memories.push_back(CreateGenericMemory());
    m_paths.emplace_back();
}

CSynthMemory& CSynthMemoryFactory::GetMemory(int i) const { return *m_memories.at(static_cast<std::size_t>(i)); }

CSynthMemory& CSynthMemoryFactory::GetGenericMemory() const { return *m_memories.back(); }

std::unique_ptr<CSynthMemory> CSynthMemoryFactory::CreateMatchingMemory(CFile& file) const {
    const std::uint64_t start = file.GetPosition();
    const std::vector<std::uint64_t> starts = FindMessageStarts(file, kMessagesToRecognise);
    std::unique_ptr<CSynthMemory> result;
    for (const auto& memory : m_memories) {
        if (memory->IsGeneric()) continue;
        for (const std::uint64_t offset : starts) {
            file.Seek(static_cast<std::int64_t>(offset), CFile::begin);
            if (memory->GetMatchingLayer(file) >= 0) {
                result = memory->CreateMemory();
                break;
            }
        }
        if (result) break;
    }
    file.Seek(static_cast<std::int64_t>(start), CFile::begin);
    return result;
}

CSynthMemory* CSynthMemoryFactory::GetSynthMemoryfromPatchType(const GUID& patchType) const {
    for (const auto& memory : m_memories)
        for (int l = 0; l < memory->GetLayerCount(); ++l)
            if (memory->GetLayer(l).GetPatch(0)->GetPatchType() == patchType) return memory.get();
    return nullptr;
}

std::unique_ptr<CPatch> CSynthMemoryFactory::CreatePatch(const GUID& patchType) const {
    for (const auto& memory : m_memories) {
        for (int l = 0; l < memory->GetLayerCount(); ++l) {
            const CPatch* prototype = memory->GetLayer(l).GetPatch(0);
            if (prototype->GetPatchType() != patchType) continue;
            std::unique_ptr<CPatch> patch = prototype->Clone();
            patch->Init();
            // A free-standing patch belongs to no memory's layers.
            patch->RemoveParentLayers();
            patch->RemoveChildLayers();
            return patch;
        }
    }
    return nullptr;
}

std::string CSynthMemoryFactory::GetDLLPathFromName(std::string_view name) const {
    for (std::size_t i = 0; i < m_memories.size(); ++i)
        if (m_memories[i]->GetName() == name) return m_paths[i];
    return {};
}

std::vector<const CPatch*> CSynthMemoryFactory::GetPatchTemplates() const {
    std::vector<const CPatch*> templates;
    std::set<GUID> seen;
    for (const auto& memory : m_memories)
        for (int l = 0; l < memory->GetLayerCount(); ++l) {
            const CPatch* p = memory->GetLayer(l).GetPatch(0);
            if (seen.insert(p->GetPatchType()).second) templates.push_back(p);
        }
    return templates;
}
