#pragma once

// A synth's settings as the command line sees them (config, --set): the keys
// every synth has and its plug-in's own, each value checked against what the
// key takes, so nothing is silently stored as something else.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <tonalith/Synth.h>

#include "BankGeneration.h"

class CSynthMemory;

namespace CLI {
class App;
}

namespace cli {

// Every key the synth's settings take: the MIDI devices, device ID and real-time
// switch first, then the plug-in's fields.
std::vector<CSettingField> SettingFields(const CSynth& synth);

// What a key takes, for messages and listings: "0..15", "0..2 (0 XV-3080, ...)".
std::string ValidValues(const CSettingField& field);

// The value in effect: the stored one, else the default.
std::string CurrentValue(const CSynth& synth, const CSettingField& field);

struct Setting {
    std::string key;  // upper case
    std::string value;  // as stored: a choice given by its text becomes its number
};

// Checks "KEY=VALUE" for the synth. Throws UsageError naming the key or value
// and listing the valid keys or values; what says which option it came from.
Setting CheckSetting(const CSynth& synth, std::string_view memoryName, std::string_view assignment,
                     std::string_view what);

// --set KEY=VALUE (repeatable) on a command that reads, writes, sends or receives a bank.
void AddSetOption(CLI::App& command, std::vector<std::string>& sets);

// When a loaded bank was written for another model generation than the one the
// settings name: a note naming both and what a save will write. Empty otherwise.
std::string GenerationNote(const CSynthMemory& memory);
std::string GenerationNote(const std::optional<BankGeneration::Mismatch>& mismatch);

// A dump whose size is the one another model generation than the settings name
// sends for the command, and whose messages tell that generation when loaded:
// the generation setting's value for it, its name, and the note a load gives.
struct OtherGeneration {
    std::string key;
    int value = 0;
    std::string name;
    std::string note;
};
std::optional<OtherGeneration> CompleteForOtherGeneration(const CSynthMemory& memory, std::string_view commandName,
                                                          std::span<const std::uint8_t> data);

}  // namespace cli
