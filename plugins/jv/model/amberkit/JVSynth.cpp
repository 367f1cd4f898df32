#include "amberkit/JVSynth.h"

#include <algorithm>

#include <tonalith/Functions.h>
#include <tonalith/Midi.h>

#include "amberkit/JVBoardDatabase.h"

namespace amberkit {

namespace {

constexpr const char* kIniFile = "Amberkit.ini";
constexpr const char* kKeyWhichSynth = "WHICHSYNTH";
constexpr const char* kKeyPcmCard = "PCMCARD";

std::string BoardKey(int slot) { return "BOARD" + std::to_string(slot); }

constexpr std::array<std::string_view, kGenerationCount> kGenerationNames{"JV-1010 / 1080", "JV-2080",
                                                                          "XP-50 / 60 / 80", "XP-30"};
constexpr std::array<std::string_view, 9> kPcmCardNames{"None",
                                                        "Piano Selection (SO-PCM1-01)",
                                                        "Guitar & Brass (SO-PCM1-02)",
                                                        "Rock Drums (SO-PCM1-03)",
                                                        "Grand Piano (SO-PCM1-04)",
                                                        "Accordion (SO-PCM1-05)",
                                                        "Baroque (SO-PCM1-06)",
                                                        "Orchestral FX (SO-PCM1-07)",
                                                        "Country/Folk/Bluegrass (SO-PCM1-08)"};

// Address bytes 5 and 6 of each temporary area.
constexpr std::array<std::array<std::uint8_t, 2>, 4> kAreaAddress{
    {{kAreaTempPatch, 0x00}, {kAreaTempPerformance, 0x00}, {kAreaTempPartPatch, kRhythmPart}, {kAreaSystem, 0x00}}};

// Request spans (address units). The system span covers the common and the
// 17 scale-tune blocks that follow it.
constexpr Address kSystemAddress{0x00, 0x00, 0x00, 0x00};
constexpr Address kSystemSpan{0x00, 0x00, 0x20, 0x0C};
constexpr Address kUserPerformanceAddress{kAreaUserPerformance, 0x00, 0x00, 0x00};
constexpr Address kUserPerformanceSpan{0x00, 0x20, 0x00, 0x00};
constexpr Address kUserRhythmAddress{kAreaUserPerformance, kRhythmNumberBase, 0x00, 0x00};
constexpr Address kUserRhythmSpan{0x00, 0x02, 0x00, 0x00};
constexpr Address kUserPatchAddress{kAreaUserPatch, 0x00, 0x00, 0x00};
constexpr Address kUserPatchSpan{0x01, 0x00, 0x00, 0x00};
constexpr Address kUserAllAddress{kAreaUserPerformance, 0x00, 0x00, 0x00};
constexpr Address kUserAllSpan{0x02, 0x00, 0x00, 0x00};

std::size_t GenIndex(Generation g) { return static_cast<std::size_t>(g); }

}  // namespace

std::vector<std::uint8_t> BuildParameterMessage(std::uint8_t deviceByte, TemporaryArea area, std::uint8_t addr7,
                                                std::uint8_t addr8, std::span<const std::uint8_t> data) {
    const auto& a = kAreaAddress.at(static_cast<std::size_t>(area));
    return BuildDataSet(deviceByte, Address{a[0], a[1], addr7, addr8}, data);
}

std::string_view GenerationName(Generation g) { return kGenerationNames.at(GenIndex(g)); }

long PatchBankSize(Generation g) {
    return kPatchesPerLayer * static_cast<long>(kPatchCommonSizes[GenIndex(g)] + kPatchToneCount * kPatchToneSize);
}

long PerformanceBankSize(Generation g) {
    return kPerformancesPerLayer * static_cast<long>(kPerformanceCommonSizes[GenIndex(g)] +
                                                     kPerformancePartCount * kPerformancePartSizes[GenIndex(g)]);
}

long RhythmBankSize() { return kRhythmsPerLayer * static_cast<long>(kRhythmSize); }

long SystemDumpSize(Generation g) {
    return kSystemCommonSizes[GenIndex(g)] + static_cast<long>(kScaleTuneCount) * kScaleTuneSize;
}

std::vector<CDumpCommand> BuildDumpCommands(Generation g, std::uint8_t deviceByte) {
    auto request = [deviceByte](const Address& address, const Address& span) {
        return CFunctions::HexToString(BuildRequest(deviceByte, address, span));
    };
    auto command = [](std::string name, std::string text, long size) {
        CDumpCommand c;
        c.m_name = std::move(name);
        c.m_request = std::move(text);
        c.m_expectedSize = size;
        c.m_outputSetting = kMessagePauseMs;
        return c;
    };
    const long everything = SystemDumpSize(g) + PerformanceBankSize(g) + RhythmBankSize() + PatchBankSize(g);
    return {
        command("User Patches", request(kUserPatchAddress, kUserPatchSpan), PatchBankSize(g)),
        command("User Performances", request(kUserPerformanceAddress, kUserPerformanceSpan), PerformanceBankSize(g)),
        command("User Rhythm Sets", request(kUserRhythmAddress, kUserRhythmSpan), RhythmBankSize()),
        command("System", request(kSystemAddress, kSystemSpan), SystemDumpSize(g)),
        command("Everything", request(kSystemAddress, kSystemSpan) + " " + request(kUserAllAddress, kUserAllSpan),
                everything),
    };
}

CJVSynth& CJVSynth::Get() {
    static CJVSynth synth;
    return synth;
}

CJVSynth::CJVSynth() : CSynth(kIniFile) { UpdateDumpCommands(); }

CJVSynth::~CJVSynth() { Save(); }

Generation CJVSynth::GetWhichSynth() const {
    const int value = GetConfig().GetInt(kKeyWhichSynth, static_cast<int>(kDefaultGeneration));
    return value >= 0 && value < kGenerationCount ? static_cast<Generation>(value) : kDefaultGeneration;
}

void CJVSynth::SetWhichSynth(Generation generation) {
    GetConfig().PutInt(kKeyWhichSynth, static_cast<int>(generation));
    UpdateDumpCommands();
}

int CJVSynth::GetBoard(int slot) const {
    if (slot < 0 || slot >= kBoardSlotCount) return 0;
    const int board = GetConfig().GetInt(BoardKey(slot), 0);
    return board >= 0 && board <= CJVBoardDatabase::kGroupCount ? board : 0;
}

void CJVSynth::SetBoard(int slot, int board) {
    if (slot < 0 || slot >= kBoardSlotCount) return;
    GetConfig().PutInt(BoardKey(slot), std::clamp(board, 0, CJVBoardDatabase::kGroupCount));
}

int CJVSynth::GetPcmCard() const {
    const int card = GetConfig().GetInt(kKeyPcmCard, 0);
    return card >= 0 && card < static_cast<int>(kPcmCardNames.size()) ? card : 0;
}

EnvelopePreset CJVSynth::GetEnvelopePreset(int preset) const {
    EnvelopePreset out;
    if (preset < 0 || preset >= kEnvelopePresetCount) return out;
    const std::string n = std::to_string(preset);
    out.name = GetConfig().GetString("ENV_NAME" + n, "Preset");
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string suffix = n + "_" + std::to_string(i);
        const int time = GetConfig().GetInt("ENV_TIME" + suffix, 0);
        const int level = GetConfig().GetInt("ENV_LEVEL" + suffix, 0);
        out.times[i] = time >= 0 && time <= 127 ? time : 0;
        out.levels[i] = level >= 0 && level <= 127 ? level : 0;
    }
    return out;
}

void CJVSynth::SetEnvelopePreset(int preset, const EnvelopePreset& value) {
    if (preset < 0 || preset >= kEnvelopePresetCount) return;
    const std::string n = std::to_string(preset);
    GetConfig().PutString("ENV_NAME" + n, value.name);
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string suffix = n + "_" + std::to_string(i);
        GetConfig().PutInt("ENV_TIME" + suffix, std::clamp(value.times[i], 0, 127));
        GetConfig().PutInt("ENV_LEVEL" + suffix, std::clamp(value.levels[i], 0, 127));
    }
}

void CJVSynth::SetPcmCard(int card) { GetConfig().PutInt(kKeyPcmCard, card); }

void CJVSynth::UpdateDumpCommands() {
    while (GetDumpCommandsCount() > 0) RemoveDumpCommand(GetDumpCommandsCount() - 1);
    for (CDumpCommand& c : BuildDumpCommands(GetWhichSynth(), GetDeviceByte())) AddDumpCommand(std::move(c));
}

std::vector<CSettingField> CJVSynth::GetSettingFields() const {
    std::vector<CSettingField> fields;
    CSettingField which;
    which.key = kKeyWhichSynth;
    which.label = "Which synth to use";
    which.kind = CSettingField::Kind::Choice;
    which.minimum = 0;
    which.maximum = kGenerationCount - 1;
    which.choices.assign(kGenerationNames.begin(), kGenerationNames.end());
    which.defaultValue = std::to_string(static_cast<int>(kDefaultGeneration));
    fields.push_back(which);

    // Board settings hold the board number, so the list runs over every number;
    // numbers without a board file show as "<n>".
    const CJVBoardDatabase& db = CJVBoardDatabase::Get();
    std::vector<std::string> boards{"None"};
    for (int b = 1; b <= CJVBoardDatabase::kGroupCount; ++b)
        boards.push_back(db.GetGroupName(b, CJVBoardDatabase::Kind::Board));
    for (int slot = 0; slot < kBoardSlotCount; ++slot) {
        CSettingField board;
        board.key = BoardKey(slot);
        board.label = "Board " + std::to_string(slot + 1) + ":";
        board.kind = CSettingField::Kind::Choice;
        board.minimum = 0;
        board.maximum = CJVBoardDatabase::kGroupCount;
        board.choices = boards;
        board.defaultValue = "0";
        fields.push_back(std::move(board));
    }

    CSettingField pcm;
    pcm.key = kKeyPcmCard;
    pcm.label = "PCM card:";
    pcm.kind = CSettingField::Kind::Choice;
    pcm.minimum = 0;
    pcm.maximum = static_cast<int>(kPcmCardNames.size()) - 1;
    pcm.choices.assign(kPcmCardNames.begin(), kPcmCardNames.end());
    pcm.defaultValue = "0";
    fields.push_back(std::move(pcm));
    return fields;
}

void CJVSynth::SendParameter(std::uint8_t addr7, std::uint8_t addr8, std::span<const std::uint8_t> data,
                             TemporaryArea area, bool enabled) const {
    if (!enabled) return;
    const auto message = BuildParameterMessage(GetDeviceByte(), area, addr7, addr8, data);
    CMidi::Get().GetOutput(*this).SendLong(message);
}

void CJVSynth::SendValue(std::uint8_t addr7, std::uint8_t addr8, std::uint8_t value, TemporaryArea area,
                         bool enabled) const {
    const std::array<std::uint8_t, 1> data{value};
    SendParameter(addr7, addr8, data, area, enabled);
}

void CJVSynth::SendValue(std::uint8_t addr8, std::uint8_t value, TemporaryArea area, bool enabled) const {
    SendValue(0, addr8, value, area, enabled);
}

void CJVSynth::SendName(const std::string& name, TemporaryArea area, bool enabled) const {
    const std::string padded = ToUnitName(name);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(padded.data()), kNameLength);
    SendParameter(0, 0, bytes, area, enabled);
}

}  // namespace amberkit
