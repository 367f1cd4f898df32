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
    // The whole file; throws CFileException. What is not a regular file (a pipe,
    // a FIFO, a device, standard input) is read as a stream up to its end.
    static std::vector<std::uint8_t> Read(const std::string& path);
    // A regular file (or a new one) is written through a private temporary file
    // beside it, flushed to disk and renamed over it. On any failure the temporary
    // is removed, the old file is untouched, and the CFileException (naming path)
    // propagates. A symbolic link stays a link: the file it points to is replaced.
    // Anything else that exists (a device, a FIFO, a socket, an open descriptor such
    // as /dev/stdout, or a link to one) is never replaced: the writer's bytes are
    // collected in memory and written to it as a stream, write errors included.
    static void SaveAtomically(const std::string& path, const std::function<void(CFile&)>& writer);
};
