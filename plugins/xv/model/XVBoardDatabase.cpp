#include "XVBoardDatabase.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "FileX.h"
#include "Functions.h"

namespace {

constexpr const char* kSectionTags[3][2] = {{"[WAVE]", "[/WAVE]"}, {"[PATCH]", "[/PATCH]"}, {"[RHYTHM]", "[/RHYTHM]"}};
// A name file is a few hundred kilobytes at most; anything far larger is not one.
constexpr std::streamoff kMaxFileSize = 4 << 20;

std::string_view TrimLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    return line;
}

}  // namespace

CXVBoardDatabase& CXVBoardDatabase::Get() {
    static CXVBoardDatabase instance(CFunctions::GetModulePath(reinterpret_cast<const void*>(&CXVBoardDatabase::Get)));
    return instance;
}

CXVBoardDatabase::CXVBoardDatabase(std::string folder) : m_folder(CFileX::EnsureSlash(folder)) {}

std::string CXVBoardDatabase::FileName(int group, Kind kind) {
    switch (kind) {
    case Preset: return "XV" + std::to_string(group) + ".pre";
    case Jv80Board: return std::to_string(group) + ".boa";
    case SrxBoard: return std::to_string(group) + ".xboa";
    case Sample: break;
    }
    return {};
}

CXVBoardDatabase::Group CXVBoardDatabase::Parse(std::string_view text) {
    Group group;
    std::size_t pos = 0;
    bool first = true;
    int open = -1;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = TrimLineEnd(text.substr(pos, end - pos));
        pos = end + 1;
        if (first) {
            group.name = std::string(line);
            first = false;
            continue;
        }
        if (open < 0) {
            for (int s = 0; s < 3; ++s)
                if (line == kSectionTags[s][0]) open = s;
        } else if (line == kSectionTags[open][1]) {
            open = -1;
        } else {
            group.lists[static_cast<std::size_t>(open)].emplace_back(line);
        }
    }
    return group;
}

const CXVBoardDatabase::Group* CXVBoardDatabase::Find(int group, Kind kind) const {
    if (kind == Sample || group < 1 || group > kGroups) return nullptr;
    std::lock_guard lock(m_mutex);
    const auto key = std::make_pair(static_cast<int>(kind), group);
    if (const auto it = m_groups.find(key); it != m_groups.end()) return &it->second;

    const std::string name = FileName(group, kind);
    Group loaded;
    std::ifstream in(m_folder + name, std::ios::binary);
    bool ok = false;
    if (in) {
        in.seekg(0, std::ios::end);
        const std::streamoff size = in.tellg();
        in.seekg(0, std::ios::beg);
        if (size >= 0 && size <= kMaxFileSize) {
            std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            loaded = Parse(text);
            ok = true;
        }
    }
    if (!ok) {
        m_missing.insert(key);
        loaded.name = "<" + std::to_string(group) + ">";
        // Preset files ship with the plug-in; boards are only there when installed.
        if (kind == Preset) m_problems.push_back("Error opening file \"" + name + "\"");
    }
    return &m_groups.emplace(key, std::move(loaded)).first->second;
}

std::string CXVBoardDatabase::GetGroupName(int group, Kind kind) const {
    if (kind == Sample) return "Sample";
    const Group* g = Find(group, kind);
    return g ? g->name : kUnknown;
}

std::string CXVBoardDatabase::GetName(int group, Section section, int index, Kind kind) const {
    if (kind == Sample) return std::to_string(index + 1) + ": Sample";
    const Group* g = Find(group, kind);
    if (!g || section < Wave || section > Rhythm) return kUnknown;
    const auto& list = g->lists[static_cast<std::size_t>(section)];
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return kUnknown;
    return list[static_cast<std::size_t>(index)];
}

int CXVBoardDatabase::GetListLength(int group, Section section, Kind kind) const {
    const Group* g = Find(group, kind);
    if (!g || section < Wave || section > Rhythm) return 0;
    return static_cast<int>(g->lists[static_cast<std::size_t>(section)].size());
}

void CXVBoardDatabase::Require(int group, Kind kind) const {
    if (!Find(group, kind) || kind == Preset) return;  // presets report themselves
    std::lock_guard lock(m_mutex);
    if (!m_missing.count({static_cast<int>(kind), group})) return;
    const std::string problem = "Error opening file \"" + FileName(group, kind) + "\"";
    if (std::find(m_problems.begin(), m_problems.end(), problem) == m_problems.end()) m_problems.push_back(problem);
}

std::vector<std::string> CXVBoardDatabase::GetProblems() const {
    std::lock_guard lock(m_mutex);
    return m_problems;
}
