#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Guid.h"

class CLibrary;
class CLibraryPatch;
class CLibraryKeyNames;

// What the library window shows and how it searches and sorts, without the window.
namespace LibraryEngine {

enum Column : int {
    COLUMN_NAME = 0,
    COLUMN_DATE = 1,
    COLUMN_COMMENT = 2,
    COLUMN_KEY1 = 3,  // .. COLUMN_KEY1 + 7
    COLUMN_TYPE = 11,
    COLUMN_COUNT = 12,
};
inline constexpr std::array<const char*, COLUMN_COUNT> kColumnTitles{
    "Name", "Date", "Comment", "Key 1", "Key 2", "Key 3", "Key 4", "Key 5", "Key 6", "Key 7", "Key 8", "Type"};
inline constexpr const char* kUnknownMemory = "<Unknown synth memory>";

// The synth memory's name for a patch type, or nullopt when no plug-in has it.
using MemoryNameLookup = std::function<std::optional<std::string>(const GUID&)>;
MemoryNameLookup FactoryMemoryNames();

std::string GetCellText(const CLibraryPatch& entry, int column, const CLibraryKeyNames& keyNames,
                        const MemoryNameLookup& memoryName);

std::string TrimRight(std::string_view text);
// Lower case of Windows-1252 text (ASCII and the accented Latin letters).
std::string ToLower(std::string_view text);
// Case-insensitive comparison of Windows-1252 text.
int CompareNoCase(std::string_view a, std::string_view b);

// The search filter: name fragment AND/OR the four keys, AND before OR.
struct CSearchFilter {
    enum Op : std::uint8_t { END = 0, AND = 1, OR = 2, AND_NOT = 3, OR_NOT = 4 };
    static constexpr int kKeyCount = 4;

    std::string name;
    std::array<std::uint8_t, kKeyCount> keys{};
    std::array<std::uint8_t, kKeyCount> ops{};  // ops[i] joins operand i and operand i + 1

    static const char* OpText(std::uint8_t op);
    // Operand 0 is the name test, operand i + 1 key i; the expression stops at the first END.
    static bool Evaluate(const std::array<bool, kKeyCount + 1>& operands,
                         const std::array<std::uint8_t, kKeyCount>& ops);

    bool Matches(const CLibraryPatch& entry) const;
    // "\"<name> AND <key> ...\"" or "None".
    std::string Describe(const CLibraryKeyNames& keyNames) const;
    // The status bar text "Applied Search Filter: ...".
    std::string StatusText(const CLibraryKeyNames& keyNames) const;
};

// The library indices that pass the filter, ascending.
std::vector<int> FilterRows(const CLibrary& library, const CSearchFilter& filter);

// Ascending order of two entries by a column (<0, 0, >0).
int CompareEntries(const CLibraryPatch& a, const CLibraryPatch& b, int column, const CLibraryKeyNames& keyNames);
// Sorts rows (library indices) by a column; equal rows keep their order.
void SortRows(std::vector<int>& rows, const CLibrary& library, int column, const CLibraryKeyNames& keyNames);

// The date text's numbers in chronological order of weight: year, month, day, hour, minute.
std::array<int, 5> DateKey(std::string_view date);

}  // namespace LibraryEngine
