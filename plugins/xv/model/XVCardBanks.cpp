#include "XVCardBanks.h"

#include <algorithm>
#include <set>
#include <system_error>

#include "File.h"
#include "FileX.h"
#include "Ui.h"
#include "XVBoardDatabase.h"
#include "XVLayout.h"
#include "XVMessages.h"
#include "XVSynth.h"

using namespace xv;

namespace {

// A card bank file is a bank of this plug-in, a few hundred kilobytes; refuse what cannot be one.
constexpr std::uintmax_t kMaxBankFile = 16u << 20;

std::string Trimmed(std::span<const std::uint8_t> name) {
    std::string text(name.begin(), name.end());
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return text;
}

}  // namespace

CXVCardBanks& CXVCardBanks::Get() {
    static CXVCardBanks instance;
    return instance;
}

CXVCardBanks::Names CXVCardBanks::ReadNames(std::span<const std::uint8_t> bytes) {
    Names names;
    names.patches.resize(kUserPatches);
    names.rhythms.resize(kUserRhythmSets);
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const auto start = std::find(bytes.begin() + static_cast<std::ptrdiff_t>(pos), bytes.end(), kSysExStart);
        if (start == bytes.end()) break;
        const auto end = std::find(start + 1, bytes.end(), kSysExEnd);
        if (end == bytes.end()) break;
        const std::span<const std::uint8_t> m(&*start, static_cast<std::size_t>(end - start) + 1);
        pos = static_cast<std::size_t>(end - bytes.begin()) + 1;
        // The first message of a record (block 00 00) carries the name.
        if (m.size() < static_cast<std::size_t>(kNameOffset + kNameLength + 2) || !IsDT1Header(m) || m[kBlock] != 0 ||
            m[kBlockLow] != 0 || std::find(m.begin() + 1, m.end() - 1, kSysExStart) != m.end() - 1)
            continue;
        const auto name = m.subspan(kNameOffset, kNameLength);
        if (m[kArea] == kAreaUserPatch && m[kNumber] < kUserPatches) names.patches[m[kNumber]] = Trimmed(name);
        else if (m[kArea] == kAreaUserRhythm && m[kNumber] % kUserRhythmStep == 0 &&
                 m[kNumber] / kUserRhythmStep < kUserRhythmSets)
            names.rhythms[m[kNumber] / kUserRhythmStep] = Trimmed(name);
    }
    return names;
}

const CXVCardBanks::Entry& CXVCardBanks::Load(int bank) {
    Entry& entry = m_entries[static_cast<std::size_t>(bank)];
    const std::string path = CXVSynth::Get().GetCardBank(bank);
    if (path == CXVSynth::kCardBankNotSet) {
        entry = Entry{};
        return entry;
    }
    std::error_code error;
    const auto time = std::filesystem::last_write_time(path, error);
    const auto size = error ? 0 : std::filesystem::file_size(path, error);
    if (!error && entry.ok && entry.path == path && entry.time == time && entry.size == size) return entry;
    if (entry.path == path && !entry.ok && error) return entry;  // still missing: reported once
    entry = Entry{};
    entry.path = path;
    if (!error && size <= kMaxBankFile) {
        try {
            entry.names = ReadNames(CFileX::Read(path));
            entry.time = time;
            entry.size = size;
            entry.ok = true;
        } catch (const CFileException&) {}
    }
    if (!entry.ok) {
        const std::string problem = "Error opening file \"" + path + "\"";
        if (std::find(m_problems.begin(), m_problems.end(), problem) == m_problems.end()) m_problems.push_back(problem);
    }
    return entry;
}

std::optional<std::string> CXVCardBanks::GetName(int bank, bool rhythm, int program) {
    if (bank < 0 || bank >= kBanks || program < 0) return std::nullopt;
    std::lock_guard lock(m_mutex);
    const Entry& entry = Load(bank);
    const auto& list = rhythm ? entry.names.rhythms : entry.names.patches;
    if (!entry.ok || static_cast<std::size_t>(program) >= list.size() ||
        list[static_cast<std::size_t>(program)].empty())
        return std::nullopt;
    return list[static_cast<std::size_t>(program)];
}

void CXVCardBanks::Require(int bank) {
    if (bank < 0 || bank >= kBanks) return;
    std::lock_guard lock(m_mutex);
    Load(bank);
}

std::vector<std::string> CXVCardBanks::GetProblems() const {
    std::lock_guard lock(m_mutex);
    return m_problems;
}

namespace xv {

void ShowNameFileProblems() {
    static std::mutex mutex;
    static std::set<std::string> shown;
    const CXVBoardDatabase& names = CXVBoardDatabase::Get();
    for (int group = 1; group <= CXVBoardDatabase::kGm2; ++group) names.Require(group, CXVBoardDatabase::Preset);
    const CXVSynth& synth = CXVSynth::Get();
    for (int slot = 0; slot < CXVSynth::kBoardSlots; ++slot)
        if (const int board = synth.GetBoard(slot); board > 0)
            names.Require(board,
                          slot >= CXVSynth::kFirstSrxSlot ? CXVBoardDatabase::SrxBoard : CXVBoardDatabase::Jv80Board);
    CXVCardBanks& cards = CXVCardBanks::Get();
    for (int bank = 0; bank < CXVCardBanks::kBanks; ++bank) cards.Require(bank);

    std::vector<std::string> problems = names.GetProblems();
    const auto more = cards.GetProblems();
    problems.insert(problems.end(), more.begin(), more.end());
    std::string text;
    {
        std::lock_guard lock(mutex);
        for (const std::string& problem : problems)
            if (shown.insert(problem).second) text += (text.empty() ? "" : "\n") + problem;
    }
    if (!text.empty())
        CUi::Get().MessageBox("Some name files could not be read; their names are shown as unknown.\n" + text,
                              CUi::Icon::Warning);
}

}  // namespace xv
