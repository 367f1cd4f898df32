#include "amberkit/JVBoardDatabase.h"

#include <fstream>
#include <iterator>

#include <tonalith/Functions.h>

namespace amberkit {

namespace {

constexpr std::array<std::string_view, 3> kSectionTags{"WAVE", "PATCH", "RHYTHM"};
// Name files are a few kilobytes; anything far larger is not one.
constexpr std::streamoff kMaxFileSize = 4 * 1024 * 1024;

std::optional<std::string> ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || size > kMaxFileSize) return std::nullopt;
    in.seekg(0, std::ios::beg);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in.read(text.data(), size)) return std::nullopt;
    return text;
}

std::string FilePath(const std::string& folder, int number, CJVBoardDatabase::Kind kind) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/') path += '/';
    return path + std::to_string(number) + (kind == CJVBoardDatabase::Kind::Preset ? ".pre" : ".boa");
}

}  // namespace

CJVBoardDatabase& CJVBoardDatabase::Get() {
    static CJVBoardDatabase database(DefaultFolder());
    return database;
}

std::string CJVBoardDatabase::DefaultFolder() {
    return CFunctions::GetModulePath(reinterpret_cast<const void*>(&CJVBoardDatabase::DefaultFolder));
}

CJVBoardDatabase::Group CJVBoardDatabase::ParseFile(std::string_view text) {
    Group group;
    std::vector<std::string>* list = nullptr;
    bool first = true;
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (first) {
            group.name = std::string(line);
            first = false;
            continue;
        }
        bool tag = false;
        for (std::size_t s = 0; s < kSectionTags.size(); ++s) {
            const std::string open = "[" + std::string(kSectionTags[s]) + "]";
            const std::string close = "[/" + std::string(kSectionTags[s]) + "]";
            if (line == open) {
                list = &group.lists[s];
                tag = true;
            } else if (line == close) {
                list = nullptr;
                tag = true;
            }
        }
        if (!tag && list) list->emplace_back(line);
    }
    return group;
}

void CJVBoardDatabase::Load(const std::string& folder) {
    for (int k = 0; k < 2; ++k) {
        const auto kind = static_cast<Kind>(k);
        const int files = kind == Kind::Preset ? kPresetFileCount : kGroupCount;
        for (int i = 0; i < kGroupCount; ++i) {
            auto& slot = m_groups[static_cast<std::size_t>(k)][static_cast<std::size_t>(i)];
            m_fileRead[static_cast<std::size_t>(k)][static_cast<std::size_t>(i)] = false;
            slot.reset();
            if (i >= files) continue;
            if (const auto text = ReadText(FilePath(folder, i + 1, kind))) {
                slot = ParseFile(*text);
                m_fileRead[static_cast<std::size_t>(k)][static_cast<std::size_t>(i)] = true;
            } else {
                slot = Group{"<" + std::to_string(i + 1) + ">", {}};
            }
        }
    }
}

const CJVBoardDatabase::Group* CJVBoardDatabase::Find(int group, Kind kind) const {
    if (group < 1 || group > kGroupCount) return nullptr;
    const auto& slot = m_groups[static_cast<std::size_t>(kind)][static_cast<std::size_t>(group - 1)];
    return slot ? &*slot : nullptr;
}

bool CJVBoardDatabase::HasGroup(int group, Kind kind) const { return Find(group, kind) != nullptr; }

std::string CJVBoardDatabase::GetGroupName(int group, Kind kind) const {
    const Group* g = Find(group, kind);
    return g ? g->name : kUnknown;
}

std::string CJVBoardDatabase::GetName(int group, Section section, int index, Kind kind) const {
    const Group* g = Find(group, kind);
    if (!g) return kUnknown;
    const auto& list = g->lists[static_cast<std::size_t>(section)];
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return kUnknown;
    return list[static_cast<std::size_t>(index)];
}

int CJVBoardDatabase::GetListLength(int group, Section section, Kind kind) const {
    const Group* g = Find(group, kind);
    return g ? static_cast<int>(g->lists[static_cast<std::size_t>(section)].size()) : 0;
}

std::vector<int> CJVBoardDatabase::GetInstalledBoards() const {
    std::vector<int> out;
    for (int i = 0; i < kGroupCount; ++i)
        if (m_fileRead[static_cast<std::size_t>(Kind::Board)][static_cast<std::size_t>(i)]) out.push_back(i + 1);
    return out;
}

}  // namespace amberkit
