#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CSynthMemory;
class CCmdManager;
class CLibrary;

// Where a tool runs: the view's command manager (may be null), the view as the
// parent of its dialogs (a QWidget* in the program, null headless), and the
// library when a library view runs it.
struct CToolContext {
    CCmdManager* commands = nullptr;
    void* parentWindow = nullptr;
    CLibrary* library = nullptr;
};

// What a tool takes when it runs without its dialog (the command line): named
// switches (the dialog's check boxes) and numbers (its choices), each with its
// value, and where random values start (none: anywhere).
struct CToolSettings {
    std::vector<std::pair<std::string, bool>> switches;
    std::vector<std::pair<std::string, int>> numbers;
    std::optional<std::uint32_t> randomStart;
};

// A menu command a plug-in contributes.
class CBasicSynthTool {
public:
    virtual ~CBasicSynthTool() = default;
    virtual void Execute(const CToolContext& context) = 0;
    virtual std::string GetMenuText() const = 0;
    virtual bool UseForBank() const { return false; }
    // The settings the tool takes without its dialog, with their defaults; none
    // when it cannot run without it.
    virtual std::optional<CToolSettings> GetHeadlessSettings() const { return std::nullopt; }
    // Applies the tool to its memory's records with these settings, without a
    // dialog and without undo, and says in one line what it did. Throws
    // std::invalid_argument, naming the setting, for a value it cannot use.
    virtual std::string RunHeadless(const CToolSettings&) { return {}; }
    // The extension (lower case, no dot) of the files the tool makes its memory's
    // patches from, such as "wav"; empty for a tool that imports nothing. The
    // program offers the tool when such a file is opened.
    virtual std::string GetImportExtension() const { return {}; }
    // Imports path as Execute does once its file is chosen, asking what its dialog
    // asks. False when the user cancelled or the file could not be read (the tool
    // has said why, naming the file); the memory is then unchanged.
    virtual bool Import(const std::string& /*path*/, const CToolContext& /*context*/) { return false; }
};

class CSynthTool : public CBasicSynthTool {
public:
    explicit CSynthTool(CSynthMemory& memory) : m_memory(memory) {}
    bool UseForBank() const override { return true; }

protected:
    CSynthMemory& m_memory;
};
