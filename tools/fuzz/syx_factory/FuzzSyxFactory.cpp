// A .syx file as the program opens it: the factory picks the memory of the first
// plug-in that recognises the file, the memory loads it, and every layer is
// saved again. One other memory (a plug-in's or the generic one, picked by the
// input's length so every one gets its turn) also loads the same bytes, as when
// a file is opened into a synth chosen by hand.
#include <cstddef>
#include <cstdint>
#include <span>

#include "File.h"
#include "FuzzSupport.h"
#include "Layer.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"

namespace {

void LoadAndSaveEveryLayer(CSynthMemory& memory, std::span<const std::uint8_t> bytes) {
    CMemFile file(bytes, "fuzz.syx");
    memory.Load(file);
    for (int l = 0; l < memory.GetLayerCount(); ++l) {
        CMemFile out;
        memory.GetLayer(l).Save(out);
    }
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
    auto& factory = CSynthMemoryFactory::Get();

    CMemFile file(bytes, "fuzz.syx");
    auto matching = factory.CreateMatchingMemory(file);
    if (file.GetPosition() != 0) __builtin_trap();  // the position must be restored
    if (matching) LoadAndSaveEveryLayer(*matching, bytes);

    CSynthMemory& prototype = factory.GetMemory(static_cast<int>(size % static_cast<std::size_t>(factory.GetCount())));
    if (!matching || prototype.GetMemoryGuid() != matching->GetMemoryGuid()) {
        auto memory = prototype.CreateMemory();
        LoadAndSaveEveryLayer(*memory, bytes);
    }
    return 0;
}
