#include "PluginLibrary.h"

#include <dlfcn.h>
#include <stdexcept>
#include <utility>

#include "RuntimeClass.h"

CPluginLibrary::CPluginLibrary(const std::string& path) : m_path(path) {
    m_handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        const char* err = ::dlerror();
        throw std::runtime_error(err ? err : "cannot be loaded");
    }
}

CPluginLibrary::~CPluginLibrary() {
    if (m_handle) ::dlclose(m_handle);
}

CPluginLibrary::CPluginLibrary(CPluginLibrary&& other) noexcept
    : m_path(std::move(other.m_path)), m_handle(std::exchange(other.m_handle, nullptr)) {}

CRuntimeClass* CPluginLibrary::GetMemoryClass() const {
    using InfoFunction = CRuntimeClass* (*)(CRuntimeClass**);
    void* symbol = ::dlsym(m_handle, "SynthMemoryInfo");
    if (!symbol) throw std::runtime_error("it does not export SynthMemoryInfo");
    auto info = reinterpret_cast<InfoFunction>(symbol);
    CRuntimeClass* out = nullptr;
    CRuntimeClass* result = info(&out);
    if (!result || result != out) throw std::runtime_error("SynthMemoryInfo returned no class record");
    return result;
}
