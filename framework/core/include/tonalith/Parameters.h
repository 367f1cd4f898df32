#pragma once

// Parameter tables: a patch type describes each of its parameters once, as
// data, and everything else (editor pages, the command line's params/set/diff,
// live messages) is built from that description.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CPatch;
class CSynth;

// One parameter of a patch type.
struct CParameter {
    std::string id;  // stable and script-friendly, unique in its table: "tone1.cutoff"
    std::string caption;  // what the user reads: "Cutoff Frequency"
    std::string page;  // the editor page it is shown on: "TVF"
    std::string group;  // a box on that page: "Tone 1"; empty: none
    int instance = -1;  // tone, part or key it belongs to (0-based); -1: the common block
    std::string baseId;  // id without the instance ("cutoff"): finds the same parameter of another tone

    int block = 0;  // message (block) of the record: 0 common, 1.. the repeated blocks
    int offset = 0;  // data offset inside that block
    int nibbles = 0;  // 0: one byte; N: N bytes of 4 bits each, high nibble first
    int storedOffset = 0;  // stored number = value + storedOffset
    // Records packed 7-in-8 on the wire keep all 8 bits of a byte: a whole byte
    // holds 0..255, or -128..127 (two's complement) when minimum is negative.
    bool wholeByte = false;
    // Bits of the one byte that hold the value (0x70: bits 4-6, read shifted
    // down); 0: all of its byte(s). Entries with disjoint masks share a byte.
    int mask = 0;

    int minimum = 0;  // value range; the value is what controls hold (a list index for text lists)
    int maximum = 127;
    int defaultValue = 0;
    int displayOffset = 0;  // numeric text = value + displayOffset ("-64".."63")
    std::vector<std::string> texts;  // named values: texts[value - minimum]; empty: numeric

    int Size() const { return nibbles > 0 ? nibbles : 1; }
    bool IsList() const { return !texts.empty(); }
};

// Where a parameter's bytes go on the wire, as a listing shows it.
struct CParameterAddress {
    int block = 0;  // for Roland records: address byte 7
    int offset = 0;  // address byte 8
    int parameter = -1;  // a third address byte where the message has one; -1: none
};

// A patch type's parameters and how they map onto its data. Plug-ins derive
// one table per record layout and say where a block's data lies in the
// patch, how it is addressed on the wire and how a live message is built.
class CParameterTable {
public:
    virtual ~CParameterTable();

    std::span<const CParameter> GetParameters() const { return m_parameters; }
    // By id, else by caption (case-insensitive; a caption shared by several entries matches none).
    const CParameter* Find(std::string_view idOrCaption) const;
    // The same parameter of another instance (tone 1's cutoff -> tone 3's), or null.
    const CParameter* FindSibling(const CParameter& parameter, int instance) const;
    // Page names in the order of first appearance.
    std::vector<std::string> GetPages() const;

    // The stored number (nibbles joined), and the value (stored - storedOffset).
    int GetRaw(const CPatch& patch, const CParameter& parameter) const;
    int GetValue(const CPatch& patch, const CParameter& parameter) const;
    // Writes value + storedOffset; values outside minimum..maximum are clamped.
    void SetValue(CPatch& patch, const CParameter& parameter, int value) const;

    std::string FormatValue(const CParameter& parameter, int value) const;
    // A text of the list (case-insensitive) or a number as FormatValue shows it;
    // nullopt when it is neither or lies outside the range.
    std::optional<int> ParseValue(const CParameter& parameter, std::string_view text) const;
    // "0..127", "-64..63", or the list's first and last text: for error messages.
    std::string DescribeRange(const CParameter& parameter) const;

    // Index of the parameter's first byte in the patch's data.
    virtual std::size_t DataIndex(const CParameter& parameter) const = 0;
    virtual CParameterAddress GetAddress(const CParameter& parameter) const;
    // The message that sets the parameter to its current value in the patch on the
    // instrument's edit buffer; empty when the type has none.
    virtual std::vector<std::uint8_t> BuildLiveMessage(const CPatch& patch, const CParameter& parameter) const;
    // The synth description live messages go through; null when none.
    virtual CSynth* GetSynth() const { return nullptr; }

    // Every entry lies inside a patch of dataSize bytes and no two overlap; the
    // first problem found, or empty.
    std::string CheckLayout(std::size_t dataSize) const;

protected:
    CParameterTable() = default;
    explicit CParameterTable(std::vector<CParameter> parameters) : m_parameters(std::move(parameters)) {}
    void SetParameters(std::vector<CParameter> parameters) { m_parameters = std::move(parameters); }

private:
    std::vector<CParameter> m_parameters;
};
