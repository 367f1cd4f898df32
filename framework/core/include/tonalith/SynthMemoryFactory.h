#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Guid.h"

class CFile;
class CPatch;
class CSynthMemory;
class CPluginLibrary;

// Loads the synth plug-ins and keeps one prototype memory per plug-in, plus the
// generic memory "Generic" for SysEx no plug-in recognises (always last).
class CSynthMemoryFactory {
public:
    // The singleton, populated on first use.
    static CSynthMemoryFactory& Get();
    // Destroys every prototype, then unloads the plug-ins. Objects made by a plug-in
    // (documents' memories, patches) must be gone before.
    static void Delete();
    // Folders to search instead of the default path; takes effect at the next Get().
    static void SetSearchPath(std::vector<std::string> folders);
    // The default: $TONALITH_PLUGIN_PATH, <program dir>/../lib/tonalith/plugins, the build tree's folder.
    static std::vector<std::string> DefaultSearchPath();

    ~CSynthMemoryFactory();

    int GetCount() const { return static_cast<int>(m_memories.size()); }
    CSynthMemory& GetMemory(int i) const;
    // A new memory of the first plug-in (factory order) that recognises any of the
    // file's first 64 messages; null when none does. The file position is restored.
    std::unique_ptr<CSynthMemory> CreateMatchingMemory(CFile& file) const;
    // The prototype whose layers hold patches of this type, or null.
    CSynthMemory* GetSynthMemoryfromPatchType(const GUID& patchType) const;
    // A new initial patch of this type, or null for an unknown type.
    std::unique_ptr<CPatch> CreatePatch(const GUID& patchType) const;
    // The plug-in file a memory came from ("" for the generic memory or an unknown name).
    std::string GetDLLPathFromName(std::string_view name) const;
    // One initial patch of every patch type, in factory and layer order.
    std::vector<const CPatch*> GetPatchTemplates() const;
    CSynthMemory& GetGenericMemory() const;
    // Why plug-ins were skipped: "<file>: <reason>".
    const std::vector<std::string>& GetLoadErrors() const { return m_loadErrors; }

private:
    CSynthMemoryFactory();
    void LoadPlugins(const std::vector<std::string>& folders);

    std::vector<std::unique_ptr<CPluginLibrary>> m_libraries;  // unloaded last
    std::vector<std::unique_ptr<CSynthMemory>> m_memories;
    std::vector<std::string> m_paths;  // plug-in file per memory
    std::vector<std::string> m_loadErrors;
};
