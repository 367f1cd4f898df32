#pragma once

// Helpers the parameter data files share: a writer that fills in the block,
// instance, id prefix, group and page of a run of entries, and the value lists
// several record types use. Not part of the plug-in's interface.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include <tonalith/ParameterRows.h>
#include <tonalith/Parameters.h>

namespace amberkit::rows {

using Texts = std::vector<std::string>;

// The framework's writer with the JV/XP shapes: values around a centre and
// two-nibble numbers shown from an offset.
class CRowWriter : public CParameterRowWriter {
public:
    using CParameterRowWriter::CParameterRowWriter;

    // 0..2*half stored as is, shown -half..+half ("-63".."63").
    CParameter& Bipolar(int offset, std::string_view id, std::string_view caption, int half = 63) {
        return Number(offset, id, caption, 0, 2 * half, -half);
    }
    // Two nibbles holding 0..maximum.
    CParameter& Wide(int offset, std::string_view id, std::string_view caption, int maximum, int displayOffset = 0) {
        CParameter& p = CParameterRowWriter::Wide(offset, id, caption, 2, maximum);
        p.displayOffset = displayOffset;
        return p;
    }
};

using ParameterTexts::Concat;
using ParameterTexts::NoteNames;
using ParameterTexts::Numbered;
using ParameterTexts::Numbers;
using ParameterTexts::OffOn;
using ParameterTexts::SignedSteps;

// The texts of values: "+10" for positive numbers, "0", "-10".
Texts Signed(std::initializer_list<int> values);
// 0..127: "L64".."L01", "0", "01R".."63R".
Texts CommonPans();
// 1..127: "L63".."L01", "0", "R01".."R63".
Texts AlternatePans();
// -100..+150 in steps of 2 (126 values): velocity sensitivities.
Texts VelocitySens();
// The 15 steps of velocity time, time keyfollow, bias level and pan keyfollow.
Texts TimeSteps();
// The 16 steps of pitch and cutoff keyfollow.
Texts KeyfollowSteps();
// 0..10, 20..100, 200..1200 cents.
Texts RandomPitch();
// INT, PCM, EXP.
Texts GroupTypes();
// -6, 0, +6, +12 dB.
Texts WaveGains();
// The reverb and chorus lists of patch and performance.
Texts ChorusOutputs();
Texts ReverbTypes();
Texts HfDamps();
Texts EffectOutputs();
Texts EffectControlSources();

// The chorus and reverb rows, the same run of 11 bytes in a patch common (from 21)
// and a performance common (from 22), on the page of that editor.
void AddChorusReverb(CRowWriter& w, int first, const std::string& page);
// The EFX type, its 12 parameters, output, sends and the two control sources:
// the same run in a patch common (type at 0C) and a performance common (at 0D).
void AddEffectRows(CRowWriter& w, int type);

}  // namespace amberkit::rows
