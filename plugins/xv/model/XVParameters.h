#pragma once

// The parameter tables of the XV records, one per record type, built on first
// use: what the command line's params/set/diff and the editors work from.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Parameters.h"
#include "XVLayout.h"
#include "XVSynth.h"

namespace xv {

// A parameter's block is the record's message index (Layout order); its
// offset the data offset inside that message.
class CXVParameterTable final : public CParameterTable {
public:
    explicit CXVParameterTable(RecordKind kind);

    RecordKind GetKind() const { return m_kind; }

    std::size_t DataIndex(const CParameter& parameter) const override;
    // Third and fourth address bytes: the block's address plus the offset, with
    // the 7-bit carry (a tone's LFO2 delay lives at 21 00).
    CParameterAddress GetAddress(const CParameter& parameter) const override;
    // A DT1 with the parameter's stored bytes to the record type's temporary area.
    std::vector<std::uint8_t> BuildLiveMessage(const CPatch& patch, const CParameter& parameter) const override;
    CSynth* GetSynth() const override;

private:
    RecordKind m_kind;
};

// The table of a record type; lives until the program ends.
const CXVParameterTable& GetParameterTable(RecordKind kind);

// The entries of each record type, in editor page order.
std::vector<CParameter> BuildPatchParameters();
std::vector<CParameter> BuildPerformanceParameters();
std::vector<CParameter> BuildRhythmParameters();
std::vector<CParameter> BuildSystemParameters();

// Ids of the tone's wave entries, for the editor's wave page.
std::string ToneParameterId(int tone, std::string_view baseId);

}  // namespace xv
