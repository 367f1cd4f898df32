// A library file as the library window opens it: the entries are read, and what
// cannot be read is kept as the tail and written back. Written back and read
// again, the file must come out byte for byte the same: the tail is the user's
// data. Files without the magic go through the older-format conversion.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "File.h"
#include "FuzzSupport.h"
#include "Library.h"
#include "LibraryFile.h"

namespace {

const PatchCreator& Creator() {
    static const PatchCreator create = LibraryFile::CachingCreator(LibraryFile::FactoryCreator());
    return create;
}

std::vector<std::uint8_t> ReadAndWrite(std::span<const std::uint8_t> bytes) {
    CMemFile file(bytes, "fuzz.clb");
    file.Seek(static_cast<std::int64_t>(LibraryFile::kMagic.size()), CFile::begin);
    CLibrary library;
    const auto read = LibraryFile::ReadRecords(file, library, Creator());
    if (read.entries != library.GetSize()) __builtin_trap();
    CMemFile out;
    LibraryFile::Write(out, library, read.tail);
    return out.Detach();
}

}  // namespace

// The plug-ins load before the first input, so libFuzzer counts their coverage.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    tonalith::fuzz::LoadPlugins();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tonalith::fuzz::LoadPlugins();
    const std::span<const std::uint8_t> bytes(data, size);

    if (LibraryFile::HasMagic(bytes)) {
        const auto first = ReadAndWrite(bytes);
        const auto second = ReadAndWrite(first);
        if (first != second) __builtin_trap();  // a save changed or lost data

        // Opening keeps the patches in the file's bytes: saving gives the input
        // back, and once the patches are made, what the reader above wrote.
        auto source = std::make_shared<CLibraryRecordSource>();
        source->bytes = bytes;
        source->path = "fuzz.clb";
        source->create = Creator();
        CLibrary deferred;
        const auto read = LibraryFile::ReadRecords(source, LibraryFile::kMagic.size(), deferred);
        CMemFile out;
        LibraryFile::Write(out, deferred, read.tail);
        if (!std::ranges::equal(out.Data(), bytes)) __builtin_trap();
        for (int i = 0; i < deferred.GetSize(); ++i) deferred.GetPatch(i);
        CMemFile made;
        LibraryFile::Write(made, deferred, read.tail);
        // A patch loader that reads other than its size stops this reader where
        // the record-at-a-time one reads on out of step; otherwise they agree.
        CMemFile eagerFile(bytes, "fuzz.clb");
        eagerFile.Seek(static_cast<std::int64_t>(LibraryFile::kMagic.size()), CFile::begin);
        CLibrary eager;
        const auto eagerRead = LibraryFile::ReadRecords(eagerFile, eager, Creator());
        if (eagerRead.tailOffset == read.tailOffset && made.Data() != first) __builtin_trap();
        if (read.tail.size() > 0 && eagerRead.tail.size() > 0 && read.tailOffset > eagerRead.tailOffset)
            __builtin_trap();
        return 0;
    }
    try {
        CMemFile oldFile(bytes, "fuzz-old.clb");
        CMemFile converted("fuzz-converted.clb");
        LibraryFile::ConvertOldFormat(oldFile, converted, Creator());
        ReadAndWrite(converted.Data());
    } catch (const CFileException&) {
        // too short, or no plug-in knows the type: reported to the user
    }
    return 0;
}
