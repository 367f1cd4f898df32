#pragma once

// The tools the JV/XP memory offers in the Tools menus: four on a bank and
// "&Use Categories..." on a library. Their dialogs are Qt code in the plug-in's
// editors, installed through SetToolDialogs; what a dialog chose is applied
// here, as one undoable command on the view's command manager.

#include <array>
#include <functional>
#include <optional>
#include <string>

#include <tonalith/SynthTool.h>

#include "amberkit/JVTools.h"

class CCmdManager;

namespace amberkit {

class CAmberkitSynthMemory;

// Copy Effect Settings: which record gives, which takes and what.
struct CopyEffectChoice {
    bool sourceIsPerformance = false;
    int source = 0;  // index in the User Patch or User Performance layer
    bool destinationIsPerformance = false;
    int destination = 0;
    CopyType type = CopyType::All;
};

// Copy Rhythm Keys to a Patch: a rhythm set of the User Rhythm layer, four of
// its keys (0..63) and the User Patch that takes them.
struct RhythmKeysChoice {
    int rhythm = 0;
    std::array<int, kRhythmKeysPerPatch> keys{};
    int patch = 0;
};

struct ToolDialogs {
    // The "Random" dialog over the saved boxes; none when cancelled.
    std::function<std::optional<RandomFlags>(const RandomFlags&, void* parent)> random;
    std::function<std::optional<CopyEffectChoice>(const CAmberkitSynthMemory&, void* parent)> copyEffect;
    std::function<std::optional<RhythmKeysChoice>(const CAmberkitSynthMemory&, void* parent)> copyRhythmKeys;
};
// Returns the previous ones.
ToolDialogs SetToolDialogs(ToolDialogs dialogs);

// The question "&Use Categories..." asks first.
extern const char* const kUseCategoriesQuestion;

// Runs command on the manager, or on its own (then it cannot be undone) without one.
void RunCommand(std::unique_ptr<CBasicCommand> command, CCmdManager* commands);

// The waves the settings' boards and the plug-in's name files offer.
WaveSources CurrentWaveSources();

// What a choice does to the memory, as a command; null when the choice names
// records that are not there.
std::unique_ptr<CEditCommand> MakeCopyEffectCommand(CAmberkitSynthMemory& memory, const CopyEffectChoice& choice,
                                                    CDocument* document = nullptr);
std::unique_ptr<CEditCommand> MakeRhythmKeysCommand(CAmberkitSynthMemory& memory, const RhythmKeysChoice& choice,
                                                    CDocument* document = nullptr);

class CJVBankTool : public CSynthTool {
public:
    explicit CJVBankTool(CAmberkitSynthMemory& memory);

protected:
    CAmberkitSynthMemory& Memory() const;
    // Says the tool needs the program's window (no dialogs are installed).
    static void NeedsWindow();
};

class CJVRandomPatchesTool final : public CJVBankTool {
public:
    using CJVBankTool::CJVBankTool;
    void Execute(const CToolContext& context) override;
    std::string GetMenuText() const override { return "&Random Patches..."; }
    // The 32 boxes by their settings keys, all ticked.
    std::optional<CToolSettings> GetHeadlessSettings() const override;
    std::string RunHeadless(const CToolSettings& settings) override;
};

class CJVCopyEffectTool final : public CJVBankTool {
public:
    using CJVBankTool::CJVBankTool;
    void Execute(const CToolContext& context) override;
    std::string GetMenuText() const override { return "Copy &Effect Settings..."; }
    // "source-type", "source", "destination-type", "destination" (type 0 patch,
    // 1 performance; records 0-based), "copy-type" (0 All, 1 EFX, 2 Chorus, 3 Reverb).
    std::optional<CToolSettings> GetHeadlessSettings() const override;
    std::string RunHeadless(const CToolSettings& settings) override;
};

class CJVCopyRhythmKeysTool final : public CJVBankTool {
public:
    using CJVBankTool::CJVBankTool;
    void Execute(const CToolContext& context) override;
    std::string GetMenuText() const override { return "&Copy Rhythm Keys to a Patch..."; }
    // "rhythm" (0, 1), "key1".."key4" (0..63), "patch" (0..127).
    std::optional<CToolSettings> GetHeadlessSettings() const override;
    std::string RunHeadless(const CToolSettings& settings) override;
};

class CJVUseCategoriesTool final : public CBasicSynthTool {
public:
    void Execute(const CToolContext& context) override;
    std::string GetMenuText() const override { return "&Use Categories..."; }
};

}  // namespace amberkit
