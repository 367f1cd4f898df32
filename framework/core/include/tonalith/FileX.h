#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CFile;

class CFileX {
public:
    static bool Exists(const std::string& path);
    // The path with "/" appended unless it already ends with one.
    static std::string EnsureSlash(const std::string& path);
    // The whole file; throws CFileException.
    static std::vector<std::uint8_t> Read(const std::string& path);
    // Writes through a private temporary file beside path, flushes it to disk and
    // renames it over path. On any failure the temporary is removed, the old file
    // is untouched, and the CFileException (naming path) propagates.
    static void SaveAtomically(const std::string& path, const std::function<void(CFile&)>& writer);
};
