#pragma once

// Names of waves, preset sounds and expansion-board sounds, read from the name
// files beside the plug-in: preset groups "XV<n>.pre", JV80 expansion boards
// "<n>.boa" (shared with the JV/XP plug-in) and SRX boards "<n>.xboa".

#include <array>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CXVBoardDatabase {
public:
    enum Kind { Preset = 0, Jv80Board = 1, SrxBoard = 2, Sample = 3 };
    enum Section { Wave = 0, Patch = 1, Rhythm = 2 };

    static constexpr int kGroups = 127;
    static constexpr int kJv80Boards = 99;
    static constexpr int kSrxBoards = 12;
    // Preset groups: internal waves, PR-A..PR-H, GM2.
    static constexpr int kInternalWaves = 1;
    static constexpr int kFirstPresetBank = 2;
    static constexpr int kGm2 = 10;

    struct Group {
        std::string name;
        std::array<std::vector<std::string>, 3> lists;  // by Section
    };

    // The plug-in's database, reading the files beside the plug-in.
    static CXVBoardDatabase& Get();
    explicit CXVBoardDatabase(std::string folder);

    // group is 1-based.
    std::string GetGroupName(int group, Kind kind) const;
    // index is the 0-based name number.
    std::string GetName(int group, Section section, int index, Kind kind) const;
    int GetListLength(int group, Section section, Kind kind) const;
    // Files that should be there and could not be read.
    std::vector<std::string> GetProblems() const;
    // Reads a group's file now; a board the user installed must be there too,
    // so a file that cannot be read becomes a problem whatever its kind.
    void Require(int group, Kind kind) const;

    static std::string FileName(int group, Kind kind);
    static Group Parse(std::string_view text);
    static constexpr const char* kUnknown = "Unknown (No .boa file ?)";

private:
    const Group* Find(int group, Kind kind) const;

    std::string m_folder;
    mutable std::mutex m_mutex;
    mutable std::map<std::pair<int, int>, Group> m_groups;
    mutable std::vector<std::string> m_problems;
    mutable std::set<std::pair<int, int>> m_missing;
};
