#include "XVImport.h"

#include <algorithm>

#include "File.h"
#include "FileX.h"
#include "Ui.h"
#include "XVSynthMemory.h"

namespace jvimport {
namespace {

// JV/XP DT1: F0 41 dev 6A 12 a1 a2 a3 a4 data cs F7.
constexpr std::uint8_t kJVModel = 0x6A;
constexpr int kJVHeader = 9;
constexpr std::uint8_t kJVTempPerformance = 0x01;
constexpr std::uint8_t kJVUserPerformance = 0x10;
constexpr std::uint8_t kJVCardPerformance = 0x20;
constexpr std::uint8_t kJVFirstPartBlock = 0x10;
constexpr std::uint8_t kJVRhythmNumbers = 0x40;  // numbers from 40 hex on are rhythm sets
constexpr int kNameLength = 12;

// Older generations send shorter parts; the missing bytes get the values a
// JV-2080 part has there.
constexpr std::array<std::uint8_t, 7> kWidenFrom19{3, 1, 1, 0, 1, 0, 0};

bool IsJVDT1(std::span<const std::uint8_t> m) {
    return m.size() >= static_cast<std::size_t>(kJVHeader + 2) && m[0] == 0xF0 && m[1] == 0x41 && m[3] == kJVModel &&
           m[4] == 0x12;
}

bool IsPerformanceArea(std::uint8_t area, std::uint8_t number) {
    return (area == kJVTempPerformance || area == kJVUserPerformance || area == kJVCardPerformance) &&
           number < kJVRhythmNumbers;
}

std::optional<std::array<std::uint8_t, kJVPartData>> WidenPart(std::span<const std::uint8_t> data) {
    std::array<std::uint8_t, kJVPartData> part{};
    if (data.size() == 19) {
        std::copy(data.begin(), data.end(), part.begin());
        std::copy(kWidenFrom19.begin(), kWidenFrom19.end(), part.begin() + 19);
    } else if (data.size() == 25 || data.size() == 26) {
        std::copy(data.begin(), data.end(), part.begin());
    } else {
        return std::nullopt;
    }
    return part;
}

std::uint8_t Clamp7(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 127)); }

}  // namespace

std::vector<JVPerformance> ReadJVPerformances(std::span<const std::uint8_t> bytes) {
    std::vector<JVPerformance> result;
    std::uint8_t currentArea = 0, currentNumber = 0;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        if (bytes[pos] != 0xF0) {
            ++pos;
            continue;
        }
        // The message runs to its F7; a new F0 first means it was cut off.
        std::size_t end = pos + 1;
        while (end < bytes.size() && bytes[end] != 0xF7 && bytes[end] != 0xF0) ++end;
        if (end >= bytes.size()) break;
        if (bytes[end] == 0xF0) {
            pos = end;
            continue;
        }
        const auto m = bytes.subspan(pos, end - pos + 1);
        pos = end + 1;
        if (!IsJVDT1(m)) continue;
        const std::uint8_t area = m[5], number = m[6], block = m[7], low = m[8];
        if (!IsPerformanceArea(area, number) || low != 0) continue;
        const auto data = m.subspan(kJVHeader, m.size() - kJVHeader - 2);
        if (block == 0x00) {
            if (data.size() < static_cast<std::size_t>(kNameLength)) continue;
            if (result.size() >= static_cast<std::size_t>(kMaxPerformances)) break;
            if (!result.empty() && result.front().temporary) break;
            JVPerformance perf;
            perf.name.assign(data.begin(), data.begin() + kNameLength);
            perf.temporary = area == kJVTempPerformance;
            result.push_back(std::move(perf));
            currentArea = area;
            currentNumber = number;
        } else if (block >= kJVFirstPartBlock && block < kJVFirstPartBlock + kJVParts && !result.empty() &&
                   area == currentArea && number == currentNumber) {
            result.back().parts[static_cast<std::size_t>(block - kJVFirstPartBlock)] = WidenPart(data);
        }
    }
    return result;
}

void ConvertJVPart(std::span<const std::uint8_t, kJVPartData> j, std::span<std::uint8_t> x) {
    const int groupType = j[2], groupId = j[3];
    const int number = j[4] * 16 + j[5];
    int base;
    if (groupType == 2) base = 2 * groupId - 2;  // expansion board
    else if (groupType == 0 && groupId == 1) base = 32;  // JV user patches: card bank A
    else if (groupType == 0 && groupId == 2) base = 33;  // JV card patches: card bank B
    else base = groupId + 61;  // presets
    x[0] = j[1];
    x[1] = j[0];
    x[4] = groupType == 2 ? 0x59 : 0x57;
    x[5] = Clamp7(number / 128 + base);
    x[6] = static_cast<std::uint8_t>(number % 128);
    x[7] = j[6];
    x[8] = j[7];
    x[9] = Clamp7(j[8] + 16);
    x[10] = Clamp7(j[9] + 14);
    x[21] = Clamp7(j[19] + 61);
    x[23] = j[17];
    x[24] = j[18];
    // XV 1B is the part's mute switch, JV 14 its local switch (on by default):
    // copied over, every imported part would be muted. A JV part has no mute.
    x[27] = 0;
    x[28] = j[11];
    x[29] = j[12];
    x[30] = j[13];
    x[31] = j[10] == 0 ? 1 : j[10] == 1 ? 0 : j[10] == 4 ? 13 : j[10];
    // XV 20 selects MFX A..C; JV 18 is the low nibble of the transmit volume
    // (0..F), no MFX choice: the XV part keeps its own.
    // Data bytes of a message must stay below 80 hex whatever the file held.
    for (std::size_t i = 0; i < x.size(); ++i) x[i] &= 0x7F;
}

void ConvertJVPerformance(const JVPerformance& jv, CXVPerformance& xv) {
    xv.SetName(jv.name);
    for (int p = 0; p < kJVParts; ++p)
        if (const auto& part = jv.parts[static_cast<std::size_t>(p)]) ConvertJVPart(*part, xv.PartData(p));
}

}  // namespace jvimport

// ---------------------------------------------------------------- the command

CImportPerformancesCommand::CImportPerformancesCommand(CXVPerformanceLayer& layer, std::vector<int> indices,
                                                       std::vector<std::unique_ptr<CPatch>> newPatches)
    : m_layer(layer), m_indices(std::move(indices)), m_new(std::move(newPatches)) {
    for (const int i : m_indices) m_old.push_back(m_layer.GetPatch(i)->Clone());
}

CImportPerformancesCommand::~CImportPerformancesCommand() = default;

void CImportPerformancesCommand::Execute() {
    for (std::size_t k = 0; k < m_indices.size(); ++k) m_layer.SetPatch(m_indices[k], *m_new[k]);
}

void CImportPerformancesCommand::Undo() {
    for (std::size_t k = 0; k < m_indices.size(); ++k) m_layer.SetPatch(m_indices[k], *m_old[k]);
}

std::unique_ptr<CImportPerformancesCommand> MakeJVPerformanceImport(std::span<const std::uint8_t> bytes,
                                                                    CXVPerformanceLayer& layer) {
    const auto performances = jvimport::ReadJVPerformances(bytes);
    if (performances.empty()) return nullptr;
    std::vector<int> indices;
    std::vector<std::unique_ptr<CPatch>> converted;
    for (std::size_t k = 0; k < performances.size() && static_cast<int>(k) < layer.GetPatchCount(); ++k) {
        auto clone = layer.GetPatch(static_cast<int>(k))->Clone();
        jvimport::ConvertJVPerformance(performances[k], static_cast<CXVPerformance&>(*clone));
        indices.push_back(static_cast<int>(k));
        converted.push_back(std::move(clone));
    }
    return std::make_unique<CImportPerformancesCommand>(layer, std::move(indices), std::move(converted));
}

int ImportJVPerformances(std::span<const std::uint8_t> bytes, CXVPerformanceLayer& layer, CCmdManager* commands) {
    auto command = MakeJVPerformanceImport(bytes, layer);
    if (!command) return 0;
    const int count = command->GetCount();
    if (commands) commands->Execute(std::move(command));
    else command->Execute();
    return count;
}

// ---------------------------------------------------------------- the tool

CImportJVPerformancesTool::CImportJVPerformancesTool(CXVSynthMemory& memory) : CSynthTool(memory) {}

void CImportJVPerformancesTool::Execute(const CToolContext& context) {
    const auto path =
        CUi::Get().ChooseOpenFile("Import JV/XP performances", "System Exclusive (*.syx)|*.syx|All Files (*.*)|*.*||");
    if (!path) return;
    std::vector<std::uint8_t> bytes;
    try {
        bytes = CFileX::Read(*path);
    } catch (const CFileException& e) {
        CUi::Get().MessageBox(e.GetErrorMessage(), CUi::Icon::Error);
        return;
    }
    auto& memory = static_cast<CXVSynthMemory&>(m_memory);
    if (ImportJVPerformances(bytes, memory.GetPerformanceLayer(), context.commands) == 0)
        CUi::Get().MessageBox("\"" + *path + "\" holds no JV/XP performances; nothing was imported.",
                              CUi::Icon::Warning);
}
