#include "Ui.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "Functions.h"
#include "Patch.h"
#include "Cp1252.h"

namespace {

// The services the program installed; null means the console fallback.
std::unique_ptr<CUi>& InstalledUi() {
    static std::unique_ptr<CUi> ui;
    return ui;
}

const char* IconPrefix(CUi::Icon icon) {
    switch (icon) {
    case CUi::Icon::Information: return "Information: ";
    case CUi::Icon::Warning: return "Warning: ";
    case CUi::Icon::Error: return "Error: ";
    case CUi::Icon::Question: return "Question: ";
    }
    return "";
}

}  // namespace

bool CUi::EditParameters(CPatch& patch, const CParameterTable&) {
    ShowHex(patch.Data(), patch.GetName());
    return false;
}

CUi& CUi::Get() {
    if (auto& ui = InstalledUi()) return *ui;
    static CConsoleUi console;
    return console;
}

std::unique_ptr<CUi> CUi::Install(std::unique_ptr<CUi> ui) {
    std::swap(InstalledUi(), ui);
    return ui;
}

void CConsoleUi::MessageBox(std::string_view text, Icon icon) {
    std::cerr << IconPrefix(icon) << cp1252::MixedToUtf8(text) << '\n';
}

bool CConsoleUi::AskYesNo(std::string_view text) {
    // Nobody can answer on the console of a batch run: the safe answer is No.
    std::cerr << IconPrefix(Icon::Question) << text << " [answered No]\n";
    return false;
}

void CConsoleUi::ShowHex(std::span<const std::uint8_t> data, std::string_view title) {
    std::cerr << title << " (" << data.size() << " bytes)\n";
    constexpr std::size_t kRow = 16;
    for (std::size_t i = 0; i < data.size(); i += kRow) {
        char offset[24];  // room for a 64-bit offset in hex, two spaces and the end
        std::snprintf(offset, sizeof offset, "%08zX  ", i);
        std::cerr << offset << CFunctions::HexToString(data.subspan(i, std::min(kRow, data.size() - i))) << '\n';
    }
}

bool CScriptedUi::AskYesNo(std::string_view text) {
    questions.emplace_back(text);
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<std::string> CScriptedUi::ChooseOpenFile(std::string_view, std::string_view) {
    if (files.empty()) return std::nullopt;
    std::string file = std::move(files.front());
    files.pop_front();
    return file;
}

std::optional<std::string> CScriptedUi::ChooseSaveFile(std::string_view title, std::string_view,
                                                       std::string_view filter) {
    return ChooseOpenFile(title, filter);
}

CScopedScriptedUi::CScopedScriptedUi() {
    auto ui = std::make_unique<CScriptedUi>();
    m_ui = ui.get();
    m_previous = CUi::Install(std::move(ui));
}

CScopedScriptedUi::~CScopedScriptedUi() { CUi::Install(std::move(m_previous)); }
