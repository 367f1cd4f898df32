#include "amberkit/JVSynthTools.h"

#include <algorithm>
#include <random>
#include <stdexcept>
#include <utility>

#include <tonalith/Commands.h>
#include <tonalith/Library.h>
#include <tonalith/Ui.h>

#include "amberkit/JVBoardDatabase.h"
#include "amberkit/JVLayers.h"
#include "amberkit/JVRecords.h"
#include "amberkit/JVSynth.h"
#include "amberkit/JVSynthMemory.h"

namespace amberkit {

namespace {

ToolDialogs& Dialogs() {
    static ToolDialogs dialogs;
    return dialogs;
}

CDocument* DocumentOf(const CCmdManager* commands) { return commands ? commands->GetDocument() : nullptr; }

// A headless setting by name; throws when it is missing.
template <typename T>
T Setting(const std::vector<std::pair<std::string, T>>& values, const std::string& name) {
    const auto it = std::find_if(values.begin(), values.end(), [&name](const auto& v) { return v.first == name; });
    if (it == values.end()) throw std::invalid_argument(name + " is missing");
    return it->second;
}

int Number(const CToolSettings& settings, const std::string& name, int count) {
    const int value = Setting(settings.numbers, name);
    if (value < 0 || value >= count)
        throw std::invalid_argument(name + " must lie between 0 and " + std::to_string(count - 1) + ", not " +
                                    std::to_string(value));
    return value;
}

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

}  // namespace

const char* const kUseCategoriesQuestion =
    "This function will use the \"Category\" of a Roland JV-2080 patch as Key 1 for every Roland JV-2080 patch "
    "that is in the active library.This requires that the key-names of the library match those of the Roland "
    "categories. This is the case after the installation of Tonalith!.\n\nDo you want to execute this function?";

ToolDialogs SetToolDialogs(ToolDialogs dialogs) { return std::exchange(Dialogs(), std::move(dialogs)); }

void RunCommand(std::unique_ptr<CBasicCommand> command, CCmdManager* commands) {
    if (!command) return;
    if (commands) commands->Execute(std::move(command));
    else command->Execute();
}

WaveSources CurrentWaveSources() {
    const CJVSynth& synth = CJVSynth::Get();
    std::array<int, kBoardSlotCount> slots{};
    for (int s = 0; s < kBoardSlotCount; ++s) slots[static_cast<std::size_t>(s)] = synth.GetBoard(s);
    return MakeWaveSources(slots, synth.GetWhichSynth(), CJVBoardDatabase::Get());
}

std::unique_ptr<CEditCommand> MakeCopyEffectCommand(CAmberkitSynthMemory& memory, const CopyEffectChoice& choice,
                                                    CDocument* document) {
    auto& sourceLayer =
        static_cast<CJVLayer&>(memory.GetLayer(choice.sourceIsPerformance ? kUserPerformanceLayer : kUserPatchLayer));
    const int destinationIndex = choice.destinationIsPerformance ? kUserPerformanceLayer : kUserPatchLayer;
    auto& destinationLayer = static_cast<CJVLayer&>(memory.GetLayer(destinationIndex));
    if (choice.source < 0 || choice.source >= sourceLayer.GetPatchCount() || choice.destination < 0 ||
        choice.destination >= destinationLayer.GetPatchCount())
        return nullptr;
    const CJVRecord& destination = destinationLayer.Record(choice.destination);
    const std::unique_ptr<CJVRecord> copy =
        CopyEffectSettings(sourceLayer.Record(choice.source), destination, choice.type);
    auto command = std::make_unique<CNamedEditCommand>(std::string(kCopyEffectPrefix));
    command->SetValues(destinationLayer, choice.destination, destination, *copy, nullptr, document, destinationIndex);
    return command;
}

std::unique_ptr<CEditCommand> MakeRhythmKeysCommand(CAmberkitSynthMemory& memory, const RhythmKeysChoice& choice,
                                                    CDocument* document) {
    auto& rhythms = static_cast<CJVLayer&>(memory.GetLayer(kUserRhythmLayer));
    auto& patches = static_cast<CJVLayer&>(memory.GetLayer(kUserPatchLayer));
    if (choice.rhythm < 0 || choice.rhythm >= rhythms.GetPatchCount() || choice.patch < 0 ||
        choice.patch >= patches.GetPatchCount())
        return nullptr;
    const auto& patch = static_cast<const CJVPatch&>(patches.Record(choice.patch));
    const std::unique_ptr<CJVPatch> made =
        RhythmKeysToPatch(static_cast<const CJVRhythm&>(rhythms.Record(choice.rhythm)), choice.keys, patch);
    if (!made) return nullptr;
    auto command = std::make_unique<CNamedEditCommand>(std::string(kCopyRhythmKeysPrefix));
    command->SetValues(patches, choice.patch, patch, *made, nullptr, document, kUserPatchLayer);
    return command;
}

// ---- the bank tools -----------------------------------------------------------

CJVBankTool::CJVBankTool(CAmberkitSynthMemory& memory) : CSynthTool(memory) {}

CAmberkitSynthMemory& CJVBankTool::Memory() const { return static_cast<CAmberkitSynthMemory&>(m_memory); }

void CJVBankTool::NeedsWindow() {
    CUi::Get().MessageBox("This tool needs the program's window.", CUi::Icon::Information);
}

void CJVRandomPatchesTool::Execute(const CToolContext& context) {
    if (!Dialogs().random) return NeedsWindow();
    CJVSynth& synth = CJVSynth::Get();
    const std::optional<RandomFlags> flags = Dialogs().random(ReadRandomFlags(synth.GetConfig()), context.parentWindow);
    if (!flags) return;
    CJVRandom random(std::random_device{}());
    auto& layer = static_cast<CJVLayer&>(m_memory.GetLayer(kUserPatchLayer));
    RunCommand(MakeRandomPatchesCommand(layer, *flags, CurrentWaveSources(), random, DocumentOf(context.commands)),
               context.commands);
    WriteRandomFlags(synth.GetConfig(), *flags);
}

std::optional<CToolSettings> CJVRandomPatchesTool::GetHeadlessSettings() const {
    CToolSettings settings;
    for (int t = 0; t < kPatchToneCount; ++t)
        for (int c = 0; c < kRandomCategoryCount; ++c)
            settings.switches.emplace_back(RandomFlagKey(t, static_cast<RandomCategory>(c)), true);
    return settings;
}

std::string CJVRandomPatchesTool::RunHeadless(const CToolSettings& settings) {
    RandomFlags flags;
    for (int t = 0; t < kPatchToneCount; ++t)
        for (int c = 0; c < kRandomCategoryCount; ++c) {
            const auto category = static_cast<RandomCategory>(c);
            flags.Set(t, category, Setting(settings.switches, RandomFlagKey(t, category)));
        }
    CJVRandom random(settings.randomStart.value_or(std::random_device{}()));
    auto& layer = static_cast<CJVLayer&>(m_memory.GetLayer(kUserPatchLayer));
    MakeRandomPatchesCommand(layer, flags, CurrentWaveSources(), random)->Execute();
    return "Random Patches: " + std::to_string(layer.GetPatchCount()) + " patches of " + layer.GetName();
}

void CJVCopyEffectTool::Execute(const CToolContext& context) {
    if (!Dialogs().copyEffect) return NeedsWindow();
    const std::optional<CopyEffectChoice> choice = Dialogs().copyEffect(Memory(), context.parentWindow);
    if (!choice) return;
    RunCommand(MakeCopyEffectCommand(Memory(), *choice, DocumentOf(context.commands)), context.commands);
}

std::optional<CToolSettings> CJVCopyEffectTool::GetHeadlessSettings() const {
    CToolSettings settings;
    settings.numbers = {
        {"source-type", 0}, {"source", 0}, {"destination-type", 0}, {"destination", 0}, {"copy-type", 0}};
    return settings;
}

std::string CJVCopyEffectTool::RunHeadless(const CToolSettings& settings) {
    CopyEffectChoice choice;
    choice.sourceIsPerformance = Number(settings, "source-type", 2) == 1;
    choice.source = Number(settings, "source", choice.sourceIsPerformance ? kPerformancesPerLayer : kPatchesPerLayer);
    choice.destinationIsPerformance = Number(settings, "destination-type", 2) == 1;
    choice.destination =
        Number(settings, "destination", choice.destinationIsPerformance ? kPerformancesPerLayer : kPatchesPerLayer);
    choice.type = static_cast<CopyType>(Number(settings, "copy-type", static_cast<int>(kCopyTypeNames.size())));
    const std::unique_ptr<CEditCommand> command = MakeCopyEffectCommand(Memory(), choice);
    command->Execute();
    return "Copy Effect to " + Quoted(command->GetNewPatch()->GetName()) + " (" +
           std::string(kCopyTypeNames[static_cast<std::size_t>(choice.type)]) + ")";
}

void CJVCopyRhythmKeysTool::Execute(const CToolContext& context) {
    if (!Dialogs().copyRhythmKeys) return NeedsWindow();
    const std::optional<RhythmKeysChoice> choice = Dialogs().copyRhythmKeys(Memory(), context.parentWindow);
    if (!choice) return;
    RunCommand(MakeRhythmKeysCommand(Memory(), *choice, DocumentOf(context.commands)), context.commands);
}

std::optional<CToolSettings> CJVCopyRhythmKeysTool::GetHeadlessSettings() const {
    CToolSettings settings;
    settings.numbers = {{"rhythm", 0}, {"key1", 0}, {"key2", 1}, {"key3", 2}, {"key4", 3}, {"patch", 0}};
    return settings;
}

std::string CJVCopyRhythmKeysTool::RunHeadless(const CToolSettings& settings) {
    RhythmKeysChoice choice;
    choice.rhythm = Number(settings, "rhythm", kRhythmsPerLayer);
    for (int k = 0; k < kRhythmKeysPerPatch; ++k)
        choice.keys[static_cast<std::size_t>(k)] = Number(settings, "key" + std::to_string(k + 1), kRhythmKeyCount);
    choice.patch = Number(settings, "patch", kPatchesPerLayer);
    const std::unique_ptr<CEditCommand> command = MakeRhythmKeysCommand(Memory(), choice);
    if (!command) throw std::invalid_argument("key1..key4 must be four different keys");
    command->Execute();
    return "Copy Rhythm Keys to " + Quoted(command->GetNewPatch()->GetName()) + " at patch " +
           std::to_string(choice.patch);
}

// ---- the library tool ---------------------------------------------------------

void CJVUseCategoriesTool::Execute(const CToolContext& context) {
    if (!context.library) return;
    if (!CUi::Get().AskYesNo(kUseCategoriesQuestion)) return;
    RunCommand(std::make_unique<CUseCategoriesCommand>(*context.library, CategoryKeys(*context.library),
                                                       DocumentOf(context.commands)),
               context.commands);
}

}  // namespace amberkit
