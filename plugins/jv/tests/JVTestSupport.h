#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <tonalith/File.h>

#include "amberkit/JVConstants.h"
#include "amberkit/JVMessages.h"
#include "amberkit/JVSynth.h"
#include "amberkit/JVSynthMemory.h"

namespace jvtest {

// Sets the generation and device ID for one test and puts the old ones back.
class ScopedJVSettings {
public:
    explicit ScopedJVSettings(amberkit::Generation generation, int deviceId = 0)
        : m_generation(amberkit::CJVSynth::Get().GetWhichSynth()), m_deviceId(amberkit::CJVSynth::Get().GetDeviceId()) {
        amberkit::CJVSynth::Get().SetWhichSynth(generation);
        amberkit::CJVSynth::Get().SetDeviceId(deviceId);
    }
    ~ScopedJVSettings() {
        amberkit::CJVSynth::Get().SetWhichSynth(m_generation);
        amberkit::CJVSynth::Get().SetDeviceId(m_deviceId);
    }

private:
    amberkit::Generation m_generation;
    int m_deviceId;
};

inline std::vector<std::uint8_t> SaveLayer(CLayer& layer) {
    CMemFile file("(save)");
    layer.Save(file);
    return file.Data();
}

inline std::unique_ptr<amberkit::CAmberkitSynthMemory> LoadMemory(std::vector<std::uint8_t> bytes,
                                                                  std::string name = "(test)") {
    auto memory = std::make_unique<amberkit::CAmberkitSynthMemory>();
    CMemFile file(std::move(bytes), std::move(name));
    memory->Load(file);
    return memory;
}

// Splits a byte stream into its F0..F7 messages.
inline std::vector<std::vector<std::uint8_t>> SplitMessages(std::span<const std::uint8_t> bytes) {
    std::vector<std::vector<std::uint8_t>> out;
    std::vector<std::uint8_t> current;
    for (const std::uint8_t b : bytes) {
        if (b == amberkit::kSysExStart) current.clear();
        current.push_back(b);
        if (b == amberkit::kSysExEnd) out.push_back(current);
    }
    return out;
}

inline void Append(std::vector<std::uint8_t>& to, std::span<const std::uint8_t> bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

}  // namespace jvtest
