#pragma once

// The card banks: each of the eight is bound (setup page, "CARDBANK%d") to a
// SysEx file of XV user patches and rhythm sets, whose names the info texts of
// performance parts show. Files are read on first use and again when they change.

#include <array>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

class CXVCardBanks {
public:
    static constexpr int kBanks = 8;

    struct Names {
        std::vector<std::string> patches;  // by program, empty where the file holds none
        std::vector<std::string> rhythms;
    };

    // The plug-in's card banks, bound through CXVSynth's settings.
    static CXVCardBanks& Get();

    // The name of a sound of card bank (0..7); nullopt when the bank is not
    // set, its file cannot be read or holds no such sound.
    std::optional<std::string> GetName(int bank, bool rhythm, int program);
    // Reads the bank's file now (a problem is recorded when it cannot be read).
    void Require(int bank);
    // Files that could not be read, each once.
    std::vector<std::string> GetProblems() const;

    // The names of the user patches and rhythm sets whose first message a dump holds.
    static Names ReadNames(std::span<const std::uint8_t> bytes);

private:
    struct Entry {
        std::string path;
        std::filesystem::file_time_type time{};
        std::uintmax_t size = 0;
        bool ok = false;
        Names names;
    };
    const Entry& Load(int bank);

    mutable std::mutex m_mutex;
    std::array<Entry, kBanks> m_entries;
    std::vector<std::string> m_problems;
};

namespace xv {

// Shows, in one message, the name files and card bank files that could not be
// read and have not been shown yet. Reads the preset files, the installed
// boards and the bound card banks first.
void ShowNameFileProblems();

}  // namespace xv
