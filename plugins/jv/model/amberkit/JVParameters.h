#pragma once

// The parameter tables of the JV/XP records: every parameter of a patch,
// performance, rhythm set and the system as data, one table per record type and
// generation (older units have fewer parameters), built on first use.

#include <cstdint>
#include <string>
#include <vector>

#include <tonalith/Parameters.h>

#include "amberkit/JVConstants.h"
#include "amberkit/JVSynth.h"

namespace amberkit {

struct RecordLayout;

enum class RecordKind : int { Patch = 0, Performance, Rhythm, System };
inline constexpr int kRecordKindCount = 4;

// A table over one record layout: a parameter's block is the record's message
// (0 the common, 1.. the repeated blocks), its offset the data offset inside it.
class CJVParameterTable final : public CParameterTable {
public:
    CJVParameterTable(RecordKind kind, Generation generation);

    RecordKind GetKind() const { return m_kind; }
    const RecordLayout& Layout() const { return *m_layout; }

    std::size_t DataIndex(const CParameter& parameter) const override;
    // Byte 7: 00 for the common, the block's address for the others, plus the
    // carry of offsets past 7F (the tone's reverb send lives at 01 00).
    CParameterAddress GetAddress(const CParameter& parameter) const override;
    // A DT1 with the parameter's stored bytes to the record type's temporary area.
    std::vector<std::uint8_t> BuildLiveMessage(const CPatch& patch, const CParameter& parameter) const override;
    CSynth* GetSynth() const override;

private:
    RecordKind m_kind;
    const RecordLayout* m_layout;
    TemporaryArea m_area;
};

// The table of a record type for a generation; lives until the program ends.
const CJVParameterTable& GetJVParameterTable(RecordKind kind, Generation generation);

// The entries of each record type, in editor page order (JVPatchParameters.cpp, ...).
std::vector<CParameter> BuildPatchParameters(Generation generation);
std::vector<CParameter> BuildPerformanceParameters(Generation generation);
std::vector<CParameter> BuildRhythmParameters();
std::vector<CParameter> BuildSystemParameters(Generation generation);

// Is value a controller the unit offers as a system control source (1..5, 7..31, 64..95, 96 bender, 97 aftertouch)?
bool IsSystemControlSource(int value);

// Note names of MIDI notes 0..127: "C-1" .. "G9".
std::string NoteName(int note);

}  // namespace amberkit
