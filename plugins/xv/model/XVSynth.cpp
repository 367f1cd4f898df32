#include "XVSynth.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "Functions.h"
#include "Midi.h"
#include "XVBoardDatabase.h"

using namespace xv;

namespace {

constexpr int kDefaultWhichSynth = CXVSynth::XV5080;
constexpr int kMessagePauseMs = 20;

std::string Key(const char* base, int i) { return base + std::to_string(i); }

}  // namespace

CXVSynth& CXVSynth::Get() {
    static CXVSynth instance;
    return instance;
}

CXVSynth::CXVSynth() : CSynth("Cobaltkit.ini") { UpdateDumpCommands(); }

std::uint8_t CXVSynth::GetDeviceByte() const {
    return static_cast<std::uint8_t>(kDeviceBase + std::clamp(GetDeviceId(), 0, GetMaxDeviceId()));
}

int CXVSynth::GetWhichSynth() const { return std::clamp(GetConfig().GetInt("WHICHSYNTH", kDefaultWhichSynth), 0, 2); }
void CXVSynth::SetWhichSynth(int which) { GetConfig().PutInt("WHICHSYNTH", std::clamp(which, 0, 2)); }

int CXVSynth::GetBoard(int slot) const {
    if (slot < 0 || slot >= kBoardSlots) return 0;
    return std::max(0, GetConfig().GetInt(Key("BOARD", slot), 0));
}
void CXVSynth::SetBoard(int slot, int board) {
    if (slot >= 0 && slot < kBoardSlots) GetConfig().PutInt(Key("BOARD", slot), std::max(0, board));
}

std::string CXVSynth::GetCardBank(int bank) const {
    if (bank < 0 || bank >= kCardBankCount) return kCardBankNotSet;
    const std::string path = GetConfig().GetString(Key("CARDBANK", bank), kCardBankNotSet);
    return path.empty() ? kCardBankNotSet : path;
}
void CXVSynth::SetCardBank(int bank, const std::string& path) {
    if (bank >= 0 && bank < kCardBankCount)
        GetConfig().PutString(Key("CARDBANK", bank), path.empty() ? kCardBankNotSet : path);
}

CXVSynth::EnvelopePreset CXVSynth::GetEnvelopePreset(int preset) const {
    EnvelopePreset values;
    if (preset < 0 || preset >= kEnvelopePresetCount) return values;
    values.name = GetConfig().GetString(Key("ENV_NAME", preset), values.name);
    for (int i = 0; i < 4; ++i) {
        const std::string suffix = std::to_string(preset) + "_" + std::to_string(i);
        values.times[static_cast<std::size_t>(i)] = std::clamp(GetConfig().GetInt("ENV_TIME" + suffix, 0), 0, 127);
        values.levels[static_cast<std::size_t>(i)] = std::clamp(GetConfig().GetInt("ENV_LEVEL" + suffix, 0), 0, 127);
    }
    return values;
}

void CXVSynth::SetEnvelopePreset(int preset, const EnvelopePreset& values) {
    if (preset < 0 || preset >= kEnvelopePresetCount) return;
    GetConfig().PutString(Key("ENV_NAME", preset), values.name);
    for (int i = 0; i < 4; ++i) {
        const std::string suffix = std::to_string(preset) + "_" + std::to_string(i);
        GetConfig().PutInt("ENV_TIME" + suffix, std::clamp(values.times[static_cast<std::size_t>(i)], 0, 127));
        GetConfig().PutInt("ENV_LEVEL" + suffix, std::clamp(values.levels[static_cast<std::size_t>(i)], 0, 127));
    }
}

std::vector<CSettingField> CXVSynth::GetSettingFields() const {
    std::vector<CSettingField> fields;
    CSettingField which;
    which.key = "WHICHSYNTH";
    which.label = "Which synth to use";
    which.kind = CSettingField::Kind::Choice;
    which.choices = {"XV-3080", "XV-5080", "XV-88"};
    which.minimum = 0;
    which.maximum = 2;
    which.defaultValue = std::to_string(kDefaultWhichSynth);
    fields.push_back(which);

    const CXVBoardDatabase& boards = CXVBoardDatabase::Get();
    for (int slot = 0; slot < kBoardSlots; ++slot) {
        const bool srx = slot >= kFirstSrxSlot;
        const int number = srx ? slot - kFirstSrxSlot + 1 : slot + 1;
        CSettingField board;
        board.key = Key("BOARD", slot);
        board.label =
            std::string(srx ? "SRX Expansions" : "JV80 Expansions") + ": Board " + std::to_string(number) + ":";
        board.kind = CSettingField::Kind::Choice;
        board.defaultValue = "0";
        const auto kind = srx ? CXVBoardDatabase::SrxBoard : CXVBoardDatabase::Jv80Board;
        const int count = srx ? CXVBoardDatabase::kSrxBoards : CXVBoardDatabase::kJv80Boards;
        board.choices.push_back("None");
        for (int b = 1; b <= count; ++b) board.choices.push_back(boards.GetGroupName(b, kind));
        board.minimum = 0;
        board.maximum = count;
        fields.push_back(std::move(board));
    }
    for (int bank = 0; bank < kCardBankCount; ++bank) {
        CSettingField card;
        card.key = Key("CARDBANK", bank);
        card.label = "Card Bank " + std::to_string(bank + 1) + ":";
        card.kind = CSettingField::Kind::File;
        card.defaultValue = kCardBankNotSet;
        fields.push_back(std::move(card));
    }
    return fields;
}

void CXVSynth::SendParameter(std::uint8_t a3, std::uint8_t a4, std::span<const std::uint8_t> data, TemporaryArea area,
                             bool enabled) const {
    if (!enabled) return;
    CMidi::Get().GetOutput(*this).SendLong(BuildParameterMessage(GetDeviceByte(), area, a3, a4, data));
}

void CXVSynth::SendValue(std::uint8_t a3, std::uint8_t a4, std::uint8_t value, TemporaryArea area, bool enabled) const {
    const std::uint8_t data[1] = {value};
    SendParameter(a3, a4, data, area, enabled);
}

void CXVSynth::SendValue(std::uint8_t a4, std::uint8_t value, TemporaryArea area, bool enabled) const {
    SendValue(0, a4, value, area, enabled);
}

void CXVSynth::SendName(std::string_view name, TemporaryArea area, bool enabled) const {
    std::array<std::uint8_t, kNameLength> padded{};
    padded.fill(' ');
    for (std::size_t i = 0; i < padded.size() && i < name.size(); ++i) padded[i] = static_cast<std::uint8_t>(name[i]);
    SendParameter(0, 0, padded, area, enabled);
}

void CXVSynth::UpdateDumpCommands() {
    while (GetDumpCommandsCount() > 0) RemoveDumpCommand(0);
    for (CDumpCommand& command : BuildDumpCommands(GetDeviceByte())) AddDumpCommand(std::move(command));
}

namespace xv {

Address TemporaryAreaAddress(CXVSynth::TemporaryArea area, std::uint8_t a3, std::uint8_t a4) {
    switch (area) {
    case CXVSynth::TempPatch: return {kAreaTemp, 0x00, a3, a4};
    case CXVSynth::TempPerformance: return {kAreaTempPerformance, 0x00, a3, a4};
    case CXVSynth::TempRhythm: return {kAreaTemp, kTempRhythmNumber, a3, a4};
    case CXVSynth::SystemArea: return {kAreaSystem, 0x00, a3, a4};
    }
    return {kAreaSystem, 0x00, a3, a4};
}

std::vector<std::uint8_t> BuildParameterMessage(std::uint8_t deviceByte, CXVSynth::TemporaryArea area, std::uint8_t a3,
                                                std::uint8_t a4, std::span<const std::uint8_t> data) {
    return BuildDT1(deviceByte, TemporaryAreaAddress(area, a3, a4), data);
}

std::vector<CDumpCommand> BuildDumpCommands(std::uint8_t deviceByte) {
    struct Dump {
        const char* name;
        RecordKind kind;
        std::uint8_t area;
        int count;
        int numberStep;
    };
    static constexpr Dump kDumps[] = {
        {"User Patches", RecordKind::Patch, kAreaUserPatch, kUserPatches, 1},
        {"User Performances", RecordKind::Performance, kAreaUserPerformance, kUserPerformances, 1},
        {"User Rhythm Sets", RecordKind::Rhythm, kAreaUserRhythm, kUserRhythmSets, kUserRhythmStep},
        {"System", RecordKind::System, kAreaSystem, 1, 0},
    };
    std::vector<CDumpCommand> commands;
    for (const Dump& d : kDumps) {
        // One request per block: the instrument answers only requests for a whole block.
        std::vector<std::uint8_t> requests;
        for (int i = 0; i < d.count; ++i) {
            const auto number = static_cast<std::uint8_t>(i * d.numberStep);
            for (const Block& b : Layout(d.kind)) {
                const auto rq = BuildRQ1(deviceByte, BlockAddress(d.area, number, b.address), b.dataSize);
                requests.insert(requests.end(), rq.begin(), rq.end());
            }
        }
        CDumpCommand command;
        command.m_name = d.name;
        command.m_request = CFunctions::HexToString(requests);
        command.m_expectedSize = static_cast<long>(d.count) * RecordSize(d.kind);
        command.m_outputSetting = kMessagePauseMs;
        commands.push_back(std::move(command));
    }
    return commands;
}

}  // namespace xv
