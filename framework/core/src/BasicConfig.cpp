#include "BasicConfig.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "File.h"
#include "FileX.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBlanks = " \t\r\f\v";

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

bool IsComment(std::string_view trimmed) { return !trimmed.empty() && (trimmed[0] == ';' || trimmed[0] == '#'); }

// "[NAME]" gives NAME; anything else is not a section header.
std::optional<std::string_view> SectionName(std::string_view trimmed) {
    if (trimmed.size() < 2 || trimmed.front() != '[') return std::nullopt;
    const auto close = trimmed.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(trimmed.substr(1, close - 1));
}

// The value of a "KEY=value" line: trimmed, one pair of surrounding quotes removed.
std::string ValueOf(std::string_view raw) {
    const auto eq = raw.find('=');
    std::string_view value = eq == std::string_view::npos ? std::string_view() : Trim(raw.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return std::string(value);
}

// The text to write after '=': line breaks would split the entry, so they become
// blanks; values the reader would trim or unquote are quoted.
std::string EncodeValue(std::string_view value) {
    std::string v(value);
    std::replace_if(
        v.begin(), v.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    const bool needsQuotes = !v.empty() && (kBlanks.find(v.front()) != std::string_view::npos ||
                                            kBlanks.find(v.back()) != std::string_view::npos ||
                                            (v.size() >= 2 && v.front() == '"' && v.back() == '"'));
    return needsQuotes ? '"' + v + '"' : v;
}

void CheckKey(std::string_view key) {
    if (Trim(key).empty() || key.find_first_of("=[]\r\n") != std::string_view::npos || Trim(key) != key ||
        IsComment(key))
        throw std::invalid_argument("invalid settings key \"" + std::string(key) + "\"");
}

std::string PlacementKey(int index, std::string_view name) {
    return "WIN_PLACEMENT_" + Upper(name) + std::to_string(index);
}

}  // namespace

CBasicConfig::CBasicConfig(std::string path, std::string section)
    : m_path(std::move(path)), m_section(std::move(section)) {
    std::error_code ec;
    if (m_path.empty() || !fs::exists(m_path, ec)) return;
    std::ifstream in(m_path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        // A file we cannot read must not be replaced by one holding only our defaults.
        m_readOnly = true;
        return;
    }
    ParseText(text);
}

CBasicConfig::~CBasicConfig() = default;

void CBasicConfig::ParseText(std::string_view text) {
    m_lines.clear();
    m_overlay.clear();
    m_modified = false;
    // UTF-8 byte order marks; every one, or a second would become part of the
    // first key and come back as the key itself after a save.
    while (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::string section;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view raw = text.substr(pos, end - pos);
        pos = end + 1;
        // Every CR before the LF: a file converted to CRLF twice ends lines in CR CR LF,
        // and a CR kept in the line would come back as a line end after a save.
        while (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

        Line line{section, {}, std::string(raw)};
        const std::string_view trimmed = Trim(raw);
        if (const auto name = SectionName(trimmed)) {
            section = std::string(*name);
            line.section = section;
        } else if (!IsComment(trimmed)) {
            if (const auto eq = trimmed.find('='); eq != std::string_view::npos)
                line.key = std::string(Trim(trimmed.substr(0, eq)));
        }
        m_lines.push_back(std::move(line));
    }
}

std::string CBasicConfig::ToText() const {
    std::string text;
    for (const Line& line : m_lines) {
        text += line.raw;
        text += '\n';
    }
    return text;
}

CBasicConfig::Line* CBasicConfig::Find(std::string_view key) {
    return const_cast<Line*>(std::as_const(*this).Find(key));
}

const CBasicConfig::Line* CBasicConfig::Find(std::string_view key) const {
    for (const Line& line : m_lines)
        if (!line.key.empty() && EqualNoCase(line.key, key) && EqualNoCase(line.section, m_section)) return &line;
    return nullptr;
}

std::string CBasicConfig::GetString(std::string_view key, std::string_view def) const {
    if (const auto it = m_overlay.find(Upper(key)); it != m_overlay.end()) return it->second;
    if (const Line* line = Find(key)) return ValueOf(line->raw);
    return std::string(def);
}

int CBasicConfig::GetInt(std::string_view key, int def) const {
    const std::string text(Trim(GetString(key)));
    if (text.empty()) return def;
    // Like the Windows reader: the leading number counts, garbage after it is ignored.
    const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
    int value = 0;
    const auto result = std::from_chars(begin, text.data() + text.size(), value);
    return result.ec == std::errc() ? value : def;
}

bool CBasicConfig::GetBoolean(std::string_view key, bool def) const { return GetInt(key, def ? 1 : 0) != 0; }

bool CBasicConfig::HasKey(std::string_view key) const {
    return m_overlay.count(Upper(key)) > 0 || Find(key) != nullptr;
}

void CBasicConfig::PutString(std::string_view key, std::string_view value) {
    CheckKey(key);
    if (m_readOnly) {
        m_overlay[Upper(key)] = std::string(value);
        return;
    }
    m_overlay.erase(Upper(key));
    const std::string encoded = EncodeValue(value);
    if (Line* line = Find(key)) {
        const std::string raw = line->key + "=" + encoded;
        if (ValueOf(line->raw) == ValueOf(raw)) return;
        line->raw = raw;
        m_modified = true;
        return;
    }
    // A new key goes after the last entry of its section, before trailing blank lines.
    auto sectionEnd = m_lines.end();
    bool found = false;
    for (auto it = m_lines.begin(); it != m_lines.end(); ++it) {
        if (!EqualNoCase(it->section, m_section)) continue;
        if (it->key.empty() && Trim(it->raw).empty() && found) continue;
        found = true;
        sectionEnd = it + 1;
    }
    Line line{m_section, std::string(key), std::string(key) + "=" + encoded};
    if (!found) {
        if (!m_lines.empty() && !Trim(m_lines.back().raw).empty())
            m_lines.push_back(Line{m_lines.back().section, {}, {}});
        m_lines.push_back(Line{m_section, {}, "[" + m_section + "]"});
        m_lines.push_back(std::move(line));
    } else {
        m_lines.insert(sectionEnd, std::move(line));
    }
    m_modified = true;
}

void CBasicConfig::PutInt(std::string_view key, int value) { PutString(key, std::to_string(value)); }

void CBasicConfig::PutBoolean(std::string_view key, bool value) { PutInt(key, value ? 1 : 0); }

CWindowPlacement CBasicConfig::ReadWindowPlacement(int index, std::string_view name) const {
    // "showCmd,left,top,right,bottom"
    CWindowPlacement placement;
    const std::string text = GetString(PlacementKey(index, name));
    int values[5]{};
    std::size_t pos = 0;
    for (int i = 0; i < 5; ++i) {
        const std::size_t comma = i < 4 ? text.find(',', pos) : text.size();
        if (comma == std::string::npos) return placement;
        const std::string_view field = Trim(std::string_view(text).substr(pos, comma - pos));
        const auto result = std::from_chars(field.data(), field.data() + field.size(), values[i]);
        if (field.empty() || result.ec != std::errc() || result.ptr != field.data() + field.size()) return placement;
        pos = comma + 1;
    }
    if (values[0] < 0 || values[0] > 11 || values[1] > values[3] || values[2] > values[4]) return placement;
    placement.showCmd = values[0];
    placement.left = values[1];
    placement.top = values[2];
    placement.right = values[3];
    placement.bottom = values[4];
    placement.valid = true;
    return placement;
}

void CBasicConfig::WriteWindowPlacement(const CWindowPlacement& placement, int index, std::string_view name) {
    char text[80];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d,%d", placement.showCmd, placement.left, placement.top,
                  placement.right, placement.bottom);
    PutString(PlacementKey(index, name), text);
}

bool CBasicConfig::Save() {
    if (m_readOnly || !m_modified || m_path.empty()) return true;
    try {
        std::error_code ec;
        const fs::path folder = fs::path(m_path).parent_path();
        if (!folder.empty()) fs::create_directories(folder, ec);
        const std::string text = ToText();
        CFileX::SaveAtomically(m_path, [&text](CFile& file) { file.Write(text.data(), text.size()); });
    } catch (const CFileException&) {
        return false;  // the caller reports it; the values stay modified for a later attempt
    }
    m_modified = false;
    return true;
}
