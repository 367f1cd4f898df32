#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The user-interface services the model and the plug-ins call: message boxes,
// questions, file choice and the hex viewer. The program installs a Qt
// implementation; the CLI a console one; tests a scripted one. Model code never
// includes Qt.
class CPatch;
class CParameterTable;

class CUi {
public:
    enum class Icon { Information, Warning, Error, Question };

    virtual ~CUi() = default;
    virtual void MessageBox(std::string_view text, Icon icon = Icon::Warning) = 0;
    virtual bool AskYesNo(std::string_view text) = 0;
    // filter: "Wave Files (*.wav)|*.wav|All Files (*.*)|*.*||"
    virtual std::optional<std::string> ChooseOpenFile(std::string_view title, std::string_view filter) = 0;
    virtual std::optional<std::string> ChooseSaveFile(std::string_view title, std::string_view defaultExtension,
                                                      std::string_view filter) = 0;
    virtual void ShowHex(std::span<const std::uint8_t> data, std::string_view title) = 0;
    virtual void SetWaitCursor(bool on) {}
    // The editor built from a parameter table, run modally on patch; true when
    // closed with OK (the patch holds the changes). The default shows the hex
    // viewer and returns false.
    virtual bool EditParameters(CPatch& patch, const CParameterTable& table);

    // The installed services (a console implementation until one is installed).
    static CUi& Get();
    // Installs ui and returns the previous one.
    static std::unique_ptr<CUi> Install(std::unique_ptr<CUi> ui);
};

// Messages to stderr; questions answered No; no files chosen.
class CConsoleUi : public CUi {
public:
    void MessageBox(std::string_view text, Icon icon) override;
    bool AskYesNo(std::string_view text) override;
    std::optional<std::string> ChooseOpenFile(std::string_view, std::string_view) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(std::string_view, std::string_view, std::string_view) override {
        return std::nullopt;
    }
    void ShowHex(std::span<const std::uint8_t> data, std::string_view title) override;
};

// For tests: records every message and answers from queues filled beforehand
// (an empty queue answers No / no file).
class CScriptedUi : public CUi {
public:
    void MessageBox(std::string_view text, Icon icon) override { messages.emplace_back(text); }
    bool AskYesNo(std::string_view text) override;
    std::optional<std::string> ChooseOpenFile(std::string_view, std::string_view) override;
    std::optional<std::string> ChooseSaveFile(std::string_view, std::string_view, std::string_view) override;
    void ShowHex(std::span<const std::uint8_t> data, std::string_view) override {
        hexShown.emplace_back(data.begin(), data.end());
    }

    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<std::vector<std::uint8_t>> hexShown;
    std::deque<bool> answers;
    std::deque<std::string> files;
};

// Installs a CScriptedUi for the lifetime of the object and restores the previous services.
class CScopedScriptedUi {
public:
    CScopedScriptedUi();
    ~CScopedScriptedUi();
    CScriptedUi& operator*() { return *m_ui; }
    CScriptedUi* operator->() { return m_ui; }

private:
    CScriptedUi* m_ui;
    std::unique_ptr<CUi> m_previous;
};
