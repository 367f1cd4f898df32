#pragma once

#include <string>

struct CRuntimeClass;

// A loaded plug-in library: a move-only owner of the dlopen handle.
class CPluginLibrary {
public:
    // Loads path; throws std::runtime_error with the reason when it cannot.
    explicit CPluginLibrary(const std::string& path);
    ~CPluginLibrary();
    CPluginLibrary(CPluginLibrary&& other) noexcept;
    CPluginLibrary& operator=(CPluginLibrary&&) = delete;
    CPluginLibrary(const CPluginLibrary&) = delete;
    CPluginLibrary& operator=(const CPluginLibrary&) = delete;

    // The memory class record from the exported SynthMemoryInfo; throws when missing.
    CRuntimeClass* GetMemoryClass() const;
    const std::string& GetPath() const { return m_path; }

private:
    std::string m_path;
    void* m_handle = nullptr;
};
