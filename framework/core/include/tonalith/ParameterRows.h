#pragma once

// Helpers for writing parameter tables as data: a writer that fills in block,
// instance, id prefix, group and page of a run of entries, and the value texts
// many synthesizers share.

#include <string>
#include <string_view>
#include <vector>

#include "Parameters.h"

// Appends entries of one block, or of one instance of a repeated block (ids
// "tone1.cutoff" with baseId "cutoff").
class CParameterRowWriter {
public:
    CParameterRowWriter(std::vector<CParameter>& out, int block, int instance = -1, std::string idPrefix = {},
                        std::string group = {})
        : m_out(out), m_block(block), m_instance(instance), m_prefix(std::move(idPrefix)), m_group(std::move(group)) {}

    void SetPage(std::string page) { m_page = std::move(page); }
    void SetGroup(std::string group) { m_group = std::move(group); }
    // Entries written from now on go to another block.
    void SetBlock(int block) { m_block = block; }

    // The returned reference is valid until the next entry is written.
    CParameter& Number(int offset, std::string_view id, std::string_view caption, int minimum = 0, int maximum = 127,
                       int displayOffset = 0);
    CParameter& List(int offset, std::string_view id, std::string_view caption, std::vector<std::string> texts,
                     int minimum = 0);
    CParameter& Switch(int offset, std::string_view id, std::string_view caption);
    // A byte stored around 64: minimum..maximum shown as minimum-64..maximum-64.
    CParameter& Centred(int offset, std::string_view id, std::string_view caption, int minimum, int maximum);
    // nibbles bytes of 4 bits holding 0..maximum.
    CParameter& Wide(int offset, std::string_view id, std::string_view caption, int nibbles, int maximum);
    // 20..250 BPM in two nibbles; the value counts from 20 BPM and shows the tempo.
    CParameter& Tempo(int offset, std::string_view id, std::string_view caption);

private:
    std::vector<CParameter>& m_out;
    int m_block;
    int m_instance;
    std::string m_prefix;
    std::string m_group;
    std::string m_page;
};

namespace ParameterTexts {

using Texts = std::vector<std::string>;

// "OFF", "ON".
Texts OffOn();
// from .. to as plain numbers.
Texts Numbers(int from, int to);
Texts Concat(Texts a, const Texts& b);
// prefix + at least two digits: "CC01".."CC95".
Texts Numbered(std::string_view prefix, int from, int to);
// MIDI notes 0..127: "C-1" .. "G9".
Texts NoteNames();
// 0..127: "L64".."L01", "0", "01R".."63R".
Texts Pans();
// from, from + step, .. to, positive ones with a sign ("+10").
Texts SignedSteps(int from, int to, int step);

}  // namespace ParameterTexts
