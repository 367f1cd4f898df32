// WAV import of the sample dump plug-in, which reads through a file name. A
// sample that imports must export and import again to the same samples.
#include <cstddef>
#include <cstdint>
#include <span>

#include "FlintkitPatch.h"
#include "FlintkitWave.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tonalith::fuzz::InstallQuietUi();
    const std::string& path = tonalith::fuzz::WriteScratchFile(std::span<const std::uint8_t>(data, size), ".wav");
    flintkit::CWaveSample wave;
    try {
        wave = flintkit::ReadWave(path);
    } catch (const flintkit::CWaveException&) {
        return 0;
    }
    auto patch = flintkit::SampleToPatch(wave, 0);
    const auto back = flintkit::PatchToSample(*patch, path);
    if (back.samples != wave.samples) __builtin_trap();
    return 0;
}
