#pragma once

// What the XV parameter data files share: a writer that fills in block,
// instance, id prefix, group and page of a run of entries, and the value lists
// several record types use. Not part of the plug-in's interface.

#include <string>
#include <string_view>
#include <vector>

#include "Parameters.h"

namespace xv::rows {

using Texts = std::vector<std::string>;

class CRowWriter {
public:
    CRowWriter(std::vector<CParameter>& out, int block, int instance = -1, std::string idPrefix = {},
               std::string group = {})
        : m_out(out), m_block(block), m_instance(instance), m_prefix(std::move(idPrefix)), m_group(std::move(group)) {}

    void SetPage(std::string page) { m_page = std::move(page); }
    void SetGroup(std::string group) { m_group = std::move(group); }
    void SetBlock(int block) { m_block = block; }

    // The returned reference is valid until the next entry is written.
    // A stored range: the value is the stored byte, shown plus displayOffset.
    CParameter& Number(int offset, std::string_view id, std::string_view caption, int minimum = 0, int maximum = 127,
                       int displayOffset = 0);
    CParameter& List(int offset, std::string_view id, std::string_view caption, Texts texts, int minimum = 0);
    CParameter& Switch(int offset, std::string_view id, std::string_view caption);
    // A byte stored around 64: minimum..maximum shown as minimum-64..maximum-64.
    CParameter& Centred(int offset, std::string_view id, std::string_view caption, int minimum, int maximum);
    // nibbles bytes of 4 bits holding 0..maximum.
    CParameter& Wide(int offset, std::string_view id, std::string_view caption, int nibbles, int maximum);
    // 20..250 BPM in two nibbles.
    CParameter& Tempo(int offset, std::string_view id, std::string_view caption);

private:
    std::vector<CParameter>& m_out;
    int m_block;
    int m_instance;
    std::string m_prefix;
    std::string m_group;
    std::string m_page;
};

Texts OffOn();
Texts Numbers(int from, int to);
Texts Concat(Texts a, const Texts& b);
// "C-1" .. "G9".
Texts NoteNames();
// 0..127: "L64".."L01", "0", "01R".."63R".
Texts Pans();
// Steps from, from + step, .. to, signed ("+10").
Texts SignedSteps(int from, int to, int step);
// 0 MFX, 1..4 A..D, 5..12 outputs 1..8, then last (TONE, PATCH) unless empty.
Texts OutputAssigns(std::string_view last);
// 0..10, 20..100, 200..1200 cents.
Texts RandomPitch();

}  // namespace xv::rows
