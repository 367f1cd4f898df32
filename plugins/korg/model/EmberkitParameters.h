#pragma once

// The parameter tables of the 01/W records: every edited parameter of a program,
// a combination, a drum kit and the global data as data, with the byte it lives
// in and the page/position/parameter address its parameter change message uses.

#include <string>
#include <string_view>
#include <vector>

#include "EmberkitFormat.h"
#include "Parameters.h"

namespace emberkit {

enum class TableKind { Program, Combination, Drum, Global };

// One table entry: the parameter (its offset is the byte in the record) and the
// address it is sent to; live is false for types with no parameter change the
// instrument takes (the global data is shown only).
struct ParameterEntry {
    CParameter parameter;
    ParameterAddress address;
    bool live = true;
};

class CEmberkitParameterTable final : public CParameterTable {
public:
    CEmberkitParameterTable(TableKind kind, std::vector<ParameterEntry> entries);

    TableKind GetKind() const { return m_kind; }
    std::size_t DataIndex(const CParameter& parameter) const override;
    // Page, position and parameter of the parameter change message.
    CParameterAddress GetAddress(const CParameter& parameter) const override;
    ParameterAddress GetKorgAddress(const CParameter& parameter) const;
    // The 41 message (drum kits: 41 or 53) with the stored value, on the
    // instrument's global channel; empty for shown-only parameters.
    std::vector<std::uint8_t> BuildLiveMessage(const CPatch& patch, const CParameter& parameter) const override;
    CSynth* GetSynth() const override;

private:
    std::size_t IndexOf(const CParameter& parameter) const;

    TableKind m_kind;
    std::vector<ParameterAddress> m_addresses;  // parallel to the parameters
    std::vector<bool> m_live;
};

// The table of a record type; lives until the program ends.
const CEmberkitParameterTable& GetParameterTable(TableKind kind);

// The entries (EmberkitProgramParameters.cpp, EmberkitOtherParameters.cpp).
std::vector<ParameterEntry> BuildProgramEntries();
std::vector<ParameterEntry> BuildCombinationEntries();
std::vector<ParameterEntry> BuildDrumEntries();
std::vector<ParameterEntry> BuildGlobalEntries();
// The effect block (29 bytes) at first: programs from 142, combinations from 10.
void AddEffectEntries(std::vector<ParameterEntry>& out, int first);

// Patch numbers 0..199 as "A00".."B99".
std::vector<std::string> PatchNumberTexts();
// Note names of MIDI notes from..to: "C-1" .. "G9".
std::vector<std::string> NoteNames(int from, int to);
// The texts of from..to: "-3", "0", "+3".
std::vector<std::string> SignedTexts(int from, int to);

// Where the effect block starts in each record.
inline constexpr int kProgramEffects = 142;
inline constexpr int kCombinationEffects = 10;
inline constexpr int kCombinationMode = 39;

}  // namespace emberkit
