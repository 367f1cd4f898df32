#pragma once

// Names of waves, preset patches and rhythm sets of the preset groups and the
// expansion boards, read from the name files that lie beside the plug-in:
// "<n>.pre" for the preset groups 1..8 and "<n>.boa" for boards 1..127.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace amberkit {

class CJVBoardDatabase {
public:
    enum class Kind { Preset = 0, Board = 1 };
    enum class Section { Wave = 0, Patch = 1, Rhythm = 2 };

    static constexpr int kGroupCount = 127;
    static constexpr int kPresetFileCount = 8;
    // Preset files by the groups they hold (see data/README.md).
    static constexpr int kUserGroup = 1;
    static constexpr int kCardGroup = 2;
    static constexpr int kPcmCardGroup = 8;
    static constexpr const char* kUnknown = "Unknown (No .boa file ?)";

    // The database of the plug-in's own folder, read on first use.
    static CJVBoardDatabase& Get();
    // The folder the plug-in's data files lie in.
    static std::string DefaultFolder();

    CJVBoardDatabase() = default;
    explicit CJVBoardDatabase(const std::string& folder) { Load(folder); }
    // Reads every name file of folder, replacing what was read before.
    void Load(const std::string& folder);

    // group is 1-based. A group that is not present (or whose file is missing,
    // for the lists) gives kUnknown, and so does an index outside its list.
    std::string GetGroupName(int group, Kind kind) const;
    std::string GetName(int group, Section section, int index, Kind kind) const;
    int GetListLength(int group, Section section, Kind kind) const;
    bool HasGroup(int group, Kind kind = Kind::Preset) const;
    // Board numbers whose file was read, ascending.
    std::vector<int> GetInstalledBoards() const;

    struct Group {
        std::string name;
        std::array<std::vector<std::string>, 3> lists;  // by Section
    };
    // One name file's text: CR LF (or LF) lines, the group name first, then the
    // optional sections "[WAVE]", "[PATCH]", "[RHYTHM]", each closed by its "[/...]" line.
    static Group ParseFile(std::string_view text);

private:
    const Group* Find(int group, Kind kind) const;

    std::array<std::array<std::optional<Group>, kGroupCount>, 2> m_groups;
    std::array<std::array<bool, kGroupCount>, 2> m_fileRead{};
};

}  // namespace amberkit
