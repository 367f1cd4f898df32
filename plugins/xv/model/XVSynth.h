#pragma once

// The XV synth description: settings file "Cobaltkit.ini", device byte, dump
// commands for Receive and the parameter messages the editors send.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Synth.h"
#include "XVMessages.h"

class CXVSynth : public CSynth {
public:
    // Edit buffers a parameter message can go to.
    enum TemporaryArea { TempPatch = 0, TempPerformance = 1, TempRhythm = 2, SystemArea = 3 };
    enum WhichSynth { XV3080 = 0, XV5080 = 1, XV88 = 2 };
    static constexpr int kBoardSlots = 8;  // 0..3 JV80 expansions, 4..7 SRX expansions
    static constexpr int kFirstSrxSlot = 4;
    static constexpr int kCardBankCount = 8;
    static constexpr const char* kCardBankNotSet = "Not Set";

    // The plug-in's one instance, created on first use; it writes its settings
    // back when the plug-in is unloaded.
    static CXVSynth& Get();

    CXVSynth();

    std::vector<CSettingField> GetSettingFields() const override;
    // The family's DT1 pacing.
    int GetMessagePause() const override { return 20; }

    // 10 hex plus the device ID.
    std::uint8_t GetDeviceByte() const;
    int GetMaxDeviceId() const override { return 15; }

    int GetWhichSynth() const;
    void SetWhichSynth(int which);
    // Board number in slot i (0: none).
    int GetBoard(int slot) const;
    void SetBoard(int slot, int board);
    // The SysEx file bound to card bank i, or "Not Set".
    std::string GetCardBank(int bank) const;
    void SetCardBank(int bank, const std::string& path);

    // Ten envelope presets ("ENV_NAME%d", "ENV_TIME%d_%d", "ENV_LEVEL%d_%d"):
    // a name and four times and four levels each.
    static constexpr int kEnvelopePresetCount = 10;
    struct EnvelopePreset {
        std::string name = "Preset";
        std::array<int, 4> times{};
        std::array<int, 4> levels{};
    };
    EnvelopePreset GetEnvelopePreset(int preset) const;
    void SetEnvelopePreset(int preset, const EnvelopePreset& values);

    // Sends data to address (area of temporary) a3 a4 at once when enabled.
    void SendParameter(std::uint8_t a3, std::uint8_t a4, std::span<const std::uint8_t> data, TemporaryArea area,
                       bool enabled) const;
    void SendValue(std::uint8_t a3, std::uint8_t a4, std::uint8_t value, TemporaryArea area, bool enabled) const;
    void SendValue(std::uint8_t a4, std::uint8_t value, TemporaryArea area, bool enabled) const;
    // The name padded with blanks to 12 characters, at offset 00 00 of area.
    void SendName(std::string_view name, TemporaryArea area, bool enabled) const;

    // Rebuilds the Receive commands for the current device ID.
    void UpdateDumpCommands();
    void RefreshDumpCommands() override { UpdateDumpCommands(); }
};

namespace xv {

// The first two address bytes of an edit buffer.
Address TemporaryAreaAddress(CXVSynth::TemporaryArea area, std::uint8_t a3, std::uint8_t a4);
std::vector<std::uint8_t> BuildParameterMessage(std::uint8_t deviceByte, CXVSynth::TemporaryArea area, std::uint8_t a3,
                                                std::uint8_t a4, std::span<const std::uint8_t> data);
// The Receive commands: user patches, performances, rhythm sets and system, each
// a request per block with the size of the answer.
std::vector<CDumpCommand> BuildDumpCommands(std::uint8_t deviceByte);

}  // namespace xv
