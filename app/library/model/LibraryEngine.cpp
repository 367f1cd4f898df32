#include "LibraryEngine.h"

#include <algorithm>
#include <numeric>

#include "Library.h"
#include "LibraryKeys.h"
#include "Patch.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"

namespace LibraryEngine {

namespace {

unsigned char LowerChar(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    // Windows-1252: À..Þ except × lower by 32; Š Œ Ž and Ÿ have their own partners.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
    if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<unsigned char>(c + 16);
    if (c == 0x9F) return 0xFF;
    return c;
}

int CompareBytes(std::string_view a, std::string_view b) {
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// atoi at a position: leading blanks, a sign, digits; 0 when there is nothing.
int NumberAt(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) return 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) negative = text[pos++] == '-';
    long value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && value < 100000000; ++pos)
        value = value * 10 + (text[pos] - '0');
    return static_cast<int>(negative ? -value : value);
}

bool HasKey(const CLibraryPatch& entry, std::uint8_t key) {
    const auto& keys = entry.Keys();
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

bool NameContains(std::string_view name, std::string_view lowerFragment) {
    if (lowerFragment.empty()) return true;
    const auto it =
        std::search(name.begin(), name.end(), lowerFragment.begin(), lowerFragment.end(), [](char n, char f) {
            return LowerChar(static_cast<unsigned char>(n)) == static_cast<unsigned char>(f);
        });
    return it != name.end();
}

}  // namespace

MemoryNameLookup FactoryMemoryNames() {
    return [](const GUID& type) -> std::optional<std::string> {
        const CSynthMemory* memory = CSynthMemoryFactory::Get().GetSynthMemoryfromPatchType(type);
        if (!memory) return std::nullopt;
        return memory->GetName();
    };
}

std::string TrimRight(std::string_view text) {
    const auto end = text.find_last_not_of(" \t\r\n\v\f");
    return std::string(end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1));
}

std::string ToLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(LowerChar(static_cast<unsigned char>(c)));
    return lower;
}

int CompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = LowerChar(static_cast<unsigned char>(a[i]));
        const unsigned char y = LowerChar(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string GetCellText(const CLibraryPatch& entry, int column, const CLibraryKeyNames& keyNames,
                        const MemoryNameLookup& memoryName) {
    switch (column) {
    case COLUMN_NAME: return entry.Name();
    case COLUMN_DATE: return entry.Date();
    case COLUMN_COMMENT: return entry.Comment();
    case COLUMN_TYPE: {
        const CPatch* patch = entry.GetPatch();
        if (!patch) return kUnknownMemory;
        std::optional<std::string> memory = memoryName ? memoryName(patch->GetPatchType()) : std::nullopt;
        return (memory ? *memory : std::string(kUnknownMemory)) + " " + patch->GetTypeName();
    }
    default:
        if (column >= COLUMN_KEY1 && column < COLUMN_KEY1 + CLibraryPatch::kKeyCount)
            return keyNames.CellText(entry.Key(column - COLUMN_KEY1));
        return {};
    }
}

// ---------------------------------------------------------------- filter

const char* CSearchFilter::OpText(std::uint8_t op) {
    static constexpr std::array<const char*, 5> kTexts{"END", "AND", "OR", "AND NOT", "OR NOT"};
    return op < kTexts.size() ? kTexts[op] : kTexts[END];
}

bool CSearchFilter::Evaluate(const std::array<bool, kKeyCount + 1>& operands,
                             const std::array<std::uint8_t, kKeyCount>& ops) {
    // Fixed arrays: this runs once per entry on every refresh.
    std::array<bool, kKeyCount + 1> values{operands[0]};
    std::array<std::uint8_t, kKeyCount> joins{};
    std::size_t count = 0;  // operators left
    for (std::size_t i = 0; i < static_cast<std::size_t>(kKeyCount); ++i) {
        const std::uint8_t op = ops[i];
        if (op == END || op > OR_NOT) break;  // an unknown code ends the expression like END
        joins[count++] = op;
        values[count] = operands[i + 1];
    }
    // Fold the leftmost operator of a kind into its two operands.
    const auto fold = [&](std::uint8_t plain, std::uint8_t negated) {
        std::size_t k = 0;
        while (k < count && joins[k] != plain && joins[k] != negated) ++k;
        if (k == count) return false;
        const bool right = joins[k] == negated ? !values[k + 1] : values[k + 1];
        values[k] = plain == AND ? (values[k] && right) : (values[k] || right);
        for (std::size_t m = k + 1; m < count; ++m) {
            values[m] = values[m + 1];
            joins[m - 1] = joins[m];
        }
        --count;
        return true;
    };
    for (;;) {
        while (fold(AND, AND_NOT)) {}
        if (!fold(OR, OR_NOT)) break;
    }
    return values[0];
}

bool CSearchFilter::Matches(const CLibraryPatch& entry) const {
    std::array<bool, kKeyCount + 1> operands{};
    operands[0] = name.empty() || NameContains(entry.Name(), ToLower(name));
    for (int i = 0; i < kKeyCount; ++i)
        operands[static_cast<std::size_t>(i) + 1] = HasKey(entry, keys[static_cast<std::size_t>(i)]);
    return Evaluate(operands, ops);
}

std::string CSearchFilter::Describe(const CLibraryKeyNames& keyNames) const {
    std::string text = name;
    for (int i = 0; i < kKeyCount; ++i) {
        const std::uint8_t op = ops[static_cast<std::size_t>(i)];
        // The text names what the filter applies: the expression stops at its first END.
        if (op == END || op > OR_NOT) break;
        text += " ";
        text += OpText(op);
        text += " ";
        text += keyNames.Get(keys[static_cast<std::size_t>(i)]);
    }
    return text.empty() ? std::string("None") : "\"" + text + "\"";
}

std::string CSearchFilter::StatusText(const CLibraryKeyNames& keyNames) const {
    return "Applied Search Filter: " + Describe(keyNames);
}

std::vector<int> FilterRows(const CLibrary& library, const CSearchFilter& filter) {
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(library.GetSize()));
    const std::string fragment = ToLower(filter.name);
    // Keys behind the first END take no part in the expression.
    int active = 0;
    while (active < CSearchFilter::kKeyCount && filter.ops[static_cast<std::size_t>(active)] != CSearchFilter::END &&
           filter.ops[static_cast<std::size_t>(active)] <= CSearchFilter::OR_NOT)
        ++active;
    std::array<bool, CSearchFilter::kKeyCount + 1> operands{};
    for (int i = 0; i < library.GetSize(); ++i) {
        const CLibraryPatch& entry = library.Get(i);
        operands[0] = fragment.empty() || NameContains(entry.Name(), fragment);
        for (int k = 0; k < active; ++k)
            operands[static_cast<std::size_t>(k) + 1] = HasKey(entry, filter.keys[static_cast<std::size_t>(k)]);
        if (CSearchFilter::Evaluate(operands, filter.ops)) rows.push_back(i);
    }
    return rows;
}

// ---------------------------------------------------------------- sorting

std::array<int, 5> DateKey(std::string_view date) {
    return {NumberAt(date, 6), NumberAt(date, 3), NumberAt(date, 0), NumberAt(date, 11), NumberAt(date, 14)};
}

int CompareEntries(const CLibraryPatch& a, const CLibraryPatch& b, int column, const CLibraryKeyNames& keyNames) {
    switch (column) {
    case COLUMN_NAME: return CompareBytes(a.Name(), b.Name());
    case COLUMN_COMMENT: return CompareBytes(a.Comment(), b.Comment());
    case COLUMN_DATE: {
        const auto x = DateKey(a.Date());
        const auto y = DateKey(b.Date());
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    case COLUMN_TYPE: {
        const std::string x = a.GetPatch() ? a.GetPatch()->GetTypeName() : std::string();
        const std::string y = b.GetPatch() ? b.GetPatch()->GetTypeName() : std::string();
        return CompareNoCase(x, y);
    }
    default:
        if (column >= COLUMN_KEY1 && column < COLUMN_KEY1 + CLibraryPatch::kKeyCount)
            return CompareBytes(keyNames.CellText(a.Key(column - COLUMN_KEY1)),
                                keyNames.CellText(b.Key(column - COLUMN_KEY1)));
        return 0;
    }
}

void SortRows(std::vector<int>& rows, const CLibrary& library, int column, const CLibraryKeyNames& keyNames) {
    // Each row's sort key is computed once: asking the patches inside the
    // comparison costs a virtual call and a string per comparison.
    const auto sortByKeys = [&rows](const auto& keys, auto less) {
        std::vector<std::size_t> order(rows.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t x, std::size_t y) { return less(keys[x], keys[y]); });
        std::vector<int> sorted(rows.size());
        for (std::size_t i = 0; i < order.size(); ++i) sorted[i] = rows[order[i]];
        rows = std::move(sorted);
    };
    const auto texts = [&](auto text) {
        std::vector<std::string> keys;
        keys.reserve(rows.size());
        for (int row : rows) keys.push_back(text(library.Get(row)));
        return keys;
    };
    const auto bytesLess = [](const std::string& x, const std::string& y) { return x < y; };

    switch (column) {
    case COLUMN_NAME: sortByKeys(texts([](const CLibraryPatch& e) { return e.Name(); }), bytesLess); return;
    case COLUMN_COMMENT: sortByKeys(texts([](const CLibraryPatch& e) { return e.Comment(); }), bytesLess); return;
    case COLUMN_DATE: {
        std::vector<std::array<int, 5>> keys;
        keys.reserve(rows.size());
        for (int row : rows) keys.push_back(DateKey(library.Get(row).Date()));
        sortByKeys(keys, [](const auto& x, const auto& y) { return x < y; });
        return;
    }
    case COLUMN_TYPE:
        sortByKeys(
            texts([](const CLibraryPatch& e) { return e.GetPatch() ? e.GetPatch()->GetTypeName() : std::string(); }),
            [](const std::string& x, const std::string& y) { return CompareNoCase(x, y) < 0; });
        return;
    default:
        if (column >= COLUMN_KEY1 && column < COLUMN_KEY1 + CLibraryPatch::kKeyCount) {
            const int k = column - COLUMN_KEY1;
            sortByKeys(texts([&](const CLibraryPatch& e) { return keyNames.CellText(e.Key(k)); }), bytesLess);
        }
        return;
    }
}

}  // namespace LibraryEngine
