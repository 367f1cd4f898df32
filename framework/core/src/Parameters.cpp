#include "Parameters.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "Patch.h"

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

std::optional<int> ParseInteger(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return number;
}

int LowestBit(int mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

}  // namespace

CParameterTable::~CParameterTable() = default;

const CParameter* CParameterTable::Find(std::string_view idOrCaption) const {
    idOrCaption = Trim(idOrCaption);
    for (const CParameter& p : m_parameters)
        if (p.id == idOrCaption) return &p;
    for (const CParameter& p : m_parameters)
        if (EqualNoCase(p.id, idOrCaption)) return &p;
    // A caption is only a name when it names one entry: "Cutoff Frequency" exists once per tone.
    const CParameter* found = nullptr;
    for (const CParameter& p : m_parameters) {
        if (!EqualNoCase(p.caption, idOrCaption)) continue;
        if (found) return nullptr;
        found = &p;
    }
    return found;
}

const CParameter* CParameterTable::FindSibling(const CParameter& parameter, int instance) const {
    if (parameter.instance == instance) return &parameter;
    for (const CParameter& p : m_parameters)
        if (p.instance == instance && p.baseId == parameter.baseId && !p.baseId.empty()) return &p;
    return nullptr;
}

std::vector<std::string> CParameterTable::GetPages() const {
    std::vector<std::string> pages;
    for (const CParameter& p : m_parameters)
        if (std::find(pages.begin(), pages.end(), p.page) == pages.end()) pages.push_back(p.page);
    return pages;
}

int CParameterTable::GetRaw(const CPatch& patch, const CParameter& parameter) const {
    const std::span<const std::uint8_t> data = patch.Data();
    const std::size_t first = DataIndex(parameter);
    const std::size_t size = static_cast<std::size_t>(parameter.Size());
    if (first + size > data.size()) return 0;
    if (parameter.nibbles == 0) {
        const int byte = data[first];
        if (parameter.mask != 0) return (byte & parameter.mask) >> LowestBit(parameter.mask);
        if (parameter.wholeByte && parameter.minimum + parameter.storedOffset < 0)
            return static_cast<std::int8_t>(byte);
        return byte;
    }
    int raw = 0;
    for (std::size_t i = 0; i < size; ++i) raw = (raw << 4) | (data[first + i] & 0x0F);
    return raw;
}

int CParameterTable::GetValue(const CPatch& patch, const CParameter& parameter) const {
    return GetRaw(patch, parameter) - parameter.storedOffset;
}

void CParameterTable::SetValue(CPatch& patch, const CParameter& parameter, int value) const {
    value = std::clamp(value, parameter.minimum, parameter.maximum);
    const std::span<std::uint8_t> data = patch.Data();
    const std::size_t first = DataIndex(parameter);
    const std::size_t size = static_cast<std::size_t>(parameter.Size());
    if (first + size > data.size()) return;
    const int raw = value + parameter.storedOffset;
    if (parameter.nibbles == 0 && parameter.mask != 0) {
        const int shifted = (raw << LowestBit(parameter.mask)) & parameter.mask;
        data[first] = static_cast<std::uint8_t>((data[first] & ~parameter.mask) | shifted);
        return;
    }
    if (parameter.nibbles == 0 && parameter.wholeByte) {
        data[first] = static_cast<std::uint8_t>(raw & 0xFF);
        return;
    }
    if (parameter.nibbles == 0) {
        // A stored byte travels in a SysEx message: never let it reach the status range.
        data[first] = static_cast<std::uint8_t>(raw & 0x7F);
        return;
    }
    for (std::size_t i = 0; i < size; ++i)
        data[first + i] = static_cast<std::uint8_t>((raw >> (4 * (size - 1 - i))) & 0x0F);
}

std::string CParameterTable::FormatValue(const CParameter& parameter, int value) const {
    if (parameter.IsList()) {
        const int index = value - parameter.minimum;
        if (index >= 0 && static_cast<std::size_t>(index) < parameter.texts.size())
            return parameter.texts[static_cast<std::size_t>(index)];
        // Out of the list (a damaged record): show the number rather than invent a text.
        return "#" + std::to_string(value);
    }
    return std::to_string(value + parameter.displayOffset);
}

std::optional<int> CParameterTable::ParseValue(const CParameter& parameter, std::string_view text) const {
    text = Trim(text);
    if (parameter.IsList()) {
        for (std::size_t i = 0; i < parameter.texts.size(); ++i)
            if (EqualNoCase(parameter.texts[i], text)) return parameter.minimum + static_cast<int>(i);
        // "#n" names a list entry by its value, as FormatValue shows values outside the list.
        if (!text.empty() && text.front() == '#') {
            const std::optional<int> value = ParseInteger(text.substr(1));
            if (value && *value >= parameter.minimum && *value <= parameter.maximum) return value;
        }
        return std::nullopt;
    }
    const std::optional<int> shown = ParseInteger(text);
    if (!shown) return std::nullopt;
    const int value = *shown - parameter.displayOffset;
    if (value < parameter.minimum || value > parameter.maximum) return std::nullopt;
    return value;
}

std::string CParameterTable::DescribeRange(const CParameter& parameter) const {
    if (parameter.IsList()) {
        if (parameter.texts.size() <= 8) {
            std::string all;
            for (const std::string& t : parameter.texts) all += (all.empty() ? "" : ", ") + t;
            return all;
        }
        return parameter.texts.front() + " .. " + parameter.texts.back();
    }
    return std::to_string(parameter.minimum + parameter.displayOffset) + ".." +
           std::to_string(parameter.maximum + parameter.displayOffset);
}

CParameterAddress CParameterTable::GetAddress(const CParameter& parameter) const {
    return {parameter.block, parameter.offset};
}

std::vector<std::uint8_t> CParameterTable::BuildLiveMessage(const CPatch&, const CParameter&) const { return {}; }

std::string CParameterTable::CheckLayout(std::size_t dataSize) const {
    // The bits each byte of the record has given away, and to whom.
    std::vector<int> used(dataSize, 0);
    std::vector<const CParameter*> owner(dataSize, nullptr);
    std::vector<std::string_view> ids;
    for (const CParameter& p : m_parameters) {
        if (p.id.empty()) return "a parameter without an id (\"" + p.caption + "\")";
        ids.push_back(p.id);
        if (p.minimum > p.maximum) return p.id + ": minimum above maximum";
        if (p.IsList() && p.texts.size() != static_cast<std::size_t>(p.maximum - p.minimum + 1))
            return p.id + ": " + std::to_string(p.texts.size()) + " texts for " +
                   std::to_string(p.maximum - p.minimum + 1) + " values";
        const int lowest = p.minimum + p.storedOffset;
        const int highest = p.maximum + p.storedOffset;
        int floor = 0;
        int limit = p.nibbles > 0 ? (1 << (4 * p.nibbles)) - 1 : 127;
        if (p.mask != 0) {
            if (p.mask < 0 || p.mask > 0xFF || p.nibbles > 0) return p.id + ": a mask must lie in one byte";
            limit = p.mask >> LowestBit(p.mask);
        } else if (p.wholeByte) {
            floor = lowest < 0 ? -128 : 0;
            limit = lowest < 0 ? 127 : 255;
        }
        if (lowest < floor || highest > limit) return p.id + ": stored values do not fit its bytes";
        const std::size_t first = DataIndex(p);
        const std::size_t end = first + static_cast<std::size_t>(p.Size());
        if (end > dataSize) return p.id + ": lies outside the record";
        const int bits = p.mask != 0 ? p.mask : 0xFF;
        for (std::size_t b = first; b < end; ++b) {
            if ((used[b] & bits) != 0) return owner[b]->id + " and " + p.id + " overlap";
            used[b] |= bits;
            owner[b] = &p;
        }
    }
    std::sort(ids.begin(), ids.end());
    if (const auto twin = std::adjacent_find(ids.begin(), ids.end()); twin != ids.end())
        return std::string(*twin) + ": id used twice";
    return {};
}
