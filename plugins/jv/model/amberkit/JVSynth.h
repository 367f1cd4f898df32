#pragma once

// The JV/XP synth description: settings file "Amberkit.ini", the generation
// in use, installed expansions, dump commands and the single-parameter messages
// the editors send to the unit's temporary areas.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <tonalith/Synth.h>

#include "amberkit/JVConstants.h"
#include "amberkit/JVMessages.h"

namespace amberkit {

// Where a parameter message goes (address bytes 5 and 6).
enum class TemporaryArea : int { Patch = 0, Performance = 1, Rhythm = 2, System = 3 };

inline constexpr int kBoardSlotCount = 8;
inline constexpr int kEnvelopePresetCount = 10;

// F0 41 dev 6A 12, the area's two address bytes, addr7, addr8, data, checksum, F7.
std::vector<std::uint8_t> BuildParameterMessage(std::uint8_t deviceByte, TemporaryArea area, std::uint8_t addr7,
                                                std::uint8_t addr8, std::span<const std::uint8_t> data);

// The Receive commands for one generation: user patches, user performances,
// user rhythm sets, system, everything; requests carry deviceByte.
std::vector<CDumpCommand> BuildDumpCommands(Generation generation, std::uint8_t deviceByte);

// The units of a generation, as the settings list them ("JV-2080").
std::string_view GenerationName(Generation generation);

// Bytes a unit of this generation sends for each kind of dump.
long PatchBankSize(Generation generation);
long PerformanceBankSize(Generation generation);
long RhythmBankSize();
long SystemDumpSize(Generation generation);

// An envelope shape the user keeps for reuse: four times and four levels.
struct EnvelopePreset {
    std::string name = "Preset";
    std::array<int, 4> times{};
    std::array<int, 4> levels{};
};

class CJVSynth : public CSynth {
public:
    static CJVSynth& Get();

    CJVSynth();
    ~CJVSynth() override;  // writes the settings back

    int GetInputBlockSize() const override { return 1024; }
    int GetInputBlockCount() const override { return 64; }
    int GetMessagePause() const override { return kMessagePauseMs; }
    int GetMaxDeviceId() const override { return 15; }  // device bytes 10..1F
    std::vector<CSettingField> GetSettingFields() const override;

    // Read from the settings each time, so a change takes effect at once.
    Generation GetWhichSynth() const;
    void SetWhichSynth(Generation generation);
    int GetBoard(int slot) const;  // slot 0..7; board number, 0 none
    void SetBoard(int slot, int board);
    int GetPcmCard() const;
    void SetPcmCard(int card);
    std::uint8_t GetDeviceByte() const { return DeviceByte(GetDeviceId()); }
    // Envelope presets 0..9 ("ENV_NAME%d", "ENV_TIME%d_%d", "ENV_LEVEL%d_%d");
    // values outside 0..127 read as 0.
    EnvelopePreset GetEnvelopePreset(int preset) const;
    void SetEnvelopePreset(int preset, const EnvelopePreset& value);

    // Rebuilds the dump commands for the current generation and device ID.
    void UpdateDumpCommands();
    void RefreshDumpCommands() override { UpdateDumpCommands(); }

    // One DT1 to a temporary area, sent at once; nothing when enabled is false
    // (callers pass the real-time update switch).
    void SendParameter(std::uint8_t addr7, std::uint8_t addr8, std::span<const std::uint8_t> data, TemporaryArea area,
                       bool enabled) const;
    void SendValue(std::uint8_t addr7, std::uint8_t addr8, std::uint8_t value, TemporaryArea area, bool enabled) const;
    void SendValue(std::uint8_t addr8, std::uint8_t value, TemporaryArea area, bool enabled) const;
    // The name padded with blanks to 12 characters, to offset 00 00 of the area.
    void SendName(const std::string& name, TemporaryArea area, bool enabled) const;
};

}  // namespace amberkit
