// The drag and clipboard payload: another program (or another copy of this one)
// controls these bytes. What was read must write back to a payload that reads
// the same.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "FuzzSupport.h"
#include "Library.h"
#include "LibraryFile.h"

namespace {

std::vector<std::uint8_t> Rewrite(const LibraryFile::Payload& payload) {
    std::vector<const CLibraryPatch*> entries;
    for (const auto& e : payload.entries) entries.push_back(e.get());
    return LibraryFile::WritePayload(entries);
}

}  // namespace

// The plug-ins load before the first input, so libFuzzer counts their coverage.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    tonalith::fuzz::LoadPlugins();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tonalith::fuzz::LoadPlugins();
    static const PatchCreator create = LibraryFile::CachingCreator(LibraryFile::FactoryCreator());

    const auto payload = LibraryFile::ReadPayload(std::span<const std::uint8_t>(data, size), create);
    const auto bytes = Rewrite(payload);
    const auto again = LibraryFile::ReadPayload(bytes, create);
    if (!again.complete || again.entries.size() != payload.entries.size()) __builtin_trap();
    if (Rewrite(again) != bytes) __builtin_trap();
    return 0;
}
