#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

class CLibrary;
class CLibraryPatch;
class CSynthMemory;

// Filing whole dump files into a library: every patch the files held, as new
// entries the caller adds in one step (CImportCommand in the window, so one
// undo takes the whole import back).
namespace LibraryImport {

struct Options {
    bool recursive = false;  // directories: their subdirectories too
    bool skipDuplicates = false;  // leave out patches equal to an entry already there (or imported before)
};

struct Result {
    // The new entries (keys 1, no comment, dated now): files in the order given,
    // a directory's files by name, then layer and slot order.
    std::vector<std::unique_ptr<CLibraryPatch>> entries;
    int filesRead = 0;  // files a plug-in read, whether or not they gave entries
    int filesSkipped = 0;  // no plug-in reads them, or they cannot be read
    int duplicatesSkipped = 0;
    int referencesSkipped = 0;  // patches referring to other layers, which a library cannot hold
    // For the user: one line per skipped file, per file with patches left out for
    // their references, and per load problem, each naming the file.
    std::vector<std::string> lines;
    bool cancelled = false;  // then entries is empty: an import adds everything or nothing
};

// Called before each file (done of total files so far) and once at the end
// (done == total); returning false cancels the import.
using Progress = std::function<bool(std::size_t done, std::size_t total, const std::string& path)>;
// Makes the synth memory holding a file's patches; null when no plug-in reads the
// file. Throws CFileException when the file cannot be read.
using MemoryReader = std::function<std::unique_ptr<CSynthMemory>(const std::string& path)>;

// Called with each memory made for a file before the file is read into it (the
// plug-in settings the reading goes by); may throw to end the import.
using MemoryPreparer = std::function<void(CSynthMemory& memory)>;

// The plug-ins of the synth memory factory; raw SysEx that no plug-in
// recognises counts as unread.
MemoryReader FactoryReader(MemoryPreparer prepare = {});

// The files named: files as given, directories expanded (by name; their
// subdirectories with recursive). A name that is neither adds a line to problems.
std::vector<std::string> CollectFiles(std::span<const std::string> paths, bool recursive,
                                      std::vector<std::string>& problems);

// Reads every file and makes an entry of every patch of every layer the file held
// (only the slots it held, never a layer's initial patches). library is only read,
// for skipDuplicates.
Result Import(const CLibrary& library, std::span<const std::string> files, const Options& options,
              const MemoryReader& read = FactoryReader(), const Progress& progress = {});

// "N patches imported from M files" and the counts of what was left out.
std::string Summary(const Result& result);

}  // namespace LibraryImport
