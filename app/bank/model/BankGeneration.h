#pragma once

// Which model generation a loaded bank was written for, against the one the
// synth's settings name: a save writes records in the length of the latter, so
// a bank of another generation is worth a word when it opens.

#include <optional>
#include <string>
#include <string_view>

#include "Synth.h"

class CSynthMemory;

namespace BankGeneration {

// The setting that picks the model generation among a plug-in's instruments.
inline constexpr std::string_view kKey = "WHICHSYNTH";

// The synth's generation setting (a choice), when it has one.
std::optional<CSettingField> Field(const CSynth& synth);

// True when name is one of the generations a plug-in reports for a load ("A or B").
bool Names(std::string_view loaded, std::string_view name);

// The text of a choice, or the number itself outside the list.
std::string ChoiceText(const CSettingField& field, int value);

struct Mismatch {
    std::string loaded;  // what the messages tell, as the plug-in reports it
    std::string key;  // the setting
    std::string current;  // its value in effect
    std::string setting;  // the generation that value names: what a save writes
    std::optional<int> keep;  // the value that names the file's generation, if one does
};

// Empty when the memory cannot tell its generation, has no such setting, or the
// setting names the file's generation.
std::optional<Mismatch> Check(const CSynthMemory& memory);

}  // namespace BankGeneration
