#pragma once

// Helpers the parameter data files share: a writer that fills in the block,
// instance, id prefix, group and page of a run of entries, and the value lists
// several record types use. Not part of the plug-in's interface.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include <tonalith/Parameters.h>

namespace amberkit::rows {

using Texts = std::vector<std::string>;

// Appends entries of one block, or of one instance of a repeated block
// (ids "tone1.cutoff" with baseId "cutoff").
class CRowWriter {
public:
    CRowWriter(std::vector<CParameter>& out, int block, int instance = -1, std::string idPrefix = {},
               std::string group = {})
        : m_out(out), m_block(block), m_instance(instance), m_prefix(std::move(idPrefix)), m_group(std::move(group)) {}

    void SetPage(std::string page) { m_page = std::move(page); }
    void SetGroup(std::string group) { m_group = std::move(group); }
    // Entries written from now on go to another block (a part's voice reserve
    // lives in the common block but belongs to the part).
    void SetBlock(int block) { m_block = block; }

    // The returned reference is valid until the next entry is written.
    CParameter& Number(int offset, std::string_view id, std::string_view caption, int minimum = 0, int maximum = 127,
                       int displayOffset = 0);
    CParameter& List(int offset, std::string_view id, std::string_view caption, Texts texts, int minimum = 0);
    CParameter& Switch(int offset, std::string_view id, std::string_view caption);
    // 0..2*half stored as is, shown -half..+half ("-63".."63").
    CParameter& Bipolar(int offset, std::string_view id, std::string_view caption, int half = 63);
    // Two nibbles holding 0..maximum.
    CParameter& Wide(int offset, std::string_view id, std::string_view caption, int maximum, int displayOffset = 0);
    // A tempo: 20..250 BPM in two nibbles; the value counts from 20 BPM.
    CParameter& Tempo(int offset, std::string_view id, std::string_view caption);

private:
    std::vector<CParameter>& m_out;
    int m_block;
    int m_instance;
    std::string m_prefix;
    std::string m_group;
    std::string m_page;
};

// "OFF", "ON".
Texts OffOn();
// The texts of values: "+10" for positive numbers, "0", "-10".
Texts Signed(std::initializer_list<int> values);
// from, from + step, ... to as Signed texts.
Texts SignedSteps(int from, int to, int step);
// from .. to as plain numbers.
Texts Numbers(int from, int to);
// prefix + two digits: "CC00".."CC95".
Texts Numbered(std::string_view prefix, int from, int to);
// "C-1" .. "G9".
Texts NoteNames();
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

Texts Concat(Texts a, const Texts& b);

}  // namespace amberkit::rows
