#include "TonalithDoc.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "BankOpen.h"
#include "File.h"
#include "FileX.h"
#include "Functions.h"
#include "Layer.h"
#include "StringTable.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "Ui.h"

void (*CTonalithDoc::s_beforeClose)() = nullptr;

namespace {

class WaitCursor {
public:
    WaitCursor() { CUi::Get().SetWaitCursor(true); }
    ~WaitCursor() { CUi::Get().SetWaitCursor(false); }
};

}  // namespace

CTonalithDoc::CTonalithDoc() = default;
CTonalithDoc::~CTonalithDoc() = default;

void CTonalithDoc::SetMemory(std::unique_ptr<CSynthMemory> memory) {
    m_memory = std::move(memory);
    m_fileShape = false;
}

std::vector<int> CTonalithDoc::ChoosableMemories(const CSynthMemoryFactory& factory) {
    std::vector<int> out;
    for (int i = 0; i < factory.GetCount(); ++i)
        if (!factory.GetMemory(i).IsGeneric()) out.push_back(i);
    return out;
}

bool CTonalithDoc::OnNewDocument(const CSynthMemoryFactory& factory, int memoryIndex) {
    if (memoryIndex < 0 || memoryIndex >= factory.GetCount()) return false;
    std::unique_ptr<CSynthMemory> memory = factory.GetMemory(memoryIndex).CreateMemory();
    if (!memory || memory->GetLayerCount() == 0) return false;
    m_memory = std::move(memory);
    m_fileShape = false;
    SetPathName({});
    SetModifiedFlag(false);
    return true;
}

namespace {

constexpr const char* kBankOpenError = "Error while opening bank file: %1";

void ShowBankOpenError(const std::string& reason) {
    CUi::Get().MessageBox(CFunctions::FormatMessage(kBankOpenError, {reason}));
}

// A refusal in the words of the window: errors say they are errors, a file that
// is plainly no bank is told as information.
void ShowRefusal(const BankOpen::Result& result, const std::string& name) {
    using BankOpen::Outcome;
    const std::string text = BankOpen::RefusalText(result, name);
    switch (result.outcome) {
    case Outcome::Unreadable:
    case Outcome::BrokenMidiFile:
    case Outcome::LoadFailed: ShowBankOpenError(text); return;
    case Outcome::NoPlugIn: CUi::Get().MessageBox(CStringTable::Get(61216)); return;
    case Outcome::NoLayers: CUi::Get().MessageBox(text); return;
    default: CUi::Get().MessageBox(text, CUi::Icon::Information); return;
    }
}

// What the load met, and a file of another model generation than the settings
// name: one warning, since a save would write something else than the file held.
std::string LoadWarnings(const BankOpen::Result& result, const std::string& name) {
    std::string text;
    for (const std::string& p : result.problems) text += "\n" + p;
    if (const auto& g = result.generation) {
        text += "\n";
        text += g->keep ? "Written for the " + g->loaded : "Its messages are of " + g->loaded + " model generations";
        text += "; a save writes it for the " + g->setting + ", the model chosen in the synth's settings.";
    }
    return text.empty() ? text : name + ":" + text;
}

}  // namespace

bool CTonalithDoc::OnOpenDocument(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    BankOpen::Result opened = BankOpen::Open(path);
    if (opened.outcome == BankOpen::Outcome::WaveFile) return ImportFile(path, "wav", "WAV file");
    if (!opened.Opened()) {
        ShowRefusal(opened, opened.outcome == BankOpen::Outcome::NoLayers ? path : name);
        return false;
    }
    m_memory = std::move(opened.memory);
    if (opened.fromMidiFile) {
        // Saving must never write SysEx over the MIDI file: the bank is a new one.
        m_fileShape = false;
        SetPathName({});
        SetTitle(name + " (SysEx)");
    } else {
        m_fileShape = true;
        SetPathName(path);
    }
    SetModifiedFlag(false);
    if (m_memory->IsGeneric())
        CUi::Get().MessageBox("No plug-in reads \"" + name + "\"; it is shown as raw SysEx (" +
                                  std::to_string(opened.messages) +
                                  (opened.messages == 1 ? " message)." : " messages)."),
                              CUi::Icon::Information);
    if (const std::string warnings = LoadWarnings(opened, name); !warnings.empty())
        CUi::Get().MessageBox(warnings, CUi::Icon::Warning);
    return true;
}

bool CTonalithDoc::ImportFile(const std::string& path, const std::string& extension, const std::string& kind) {
    const std::string name = std::filesystem::path(path).filename().string();
    CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
    int memoryIndex = -1, toolIndex = -1;
    for (int i = 0; i < factory.GetCount() && memoryIndex < 0; ++i) {
        const CSynthMemory& prototype = factory.GetMemory(i);
        for (int t = 0; t < prototype.GetAdditionalToolsCount(); ++t)
            if (prototype.GetAdditionalTool(t).GetImportExtension() == extension) {
                memoryIndex = i;
                toolIndex = t;
                break;
            }
    }
    if (memoryIndex < 0) {
        CUi::Get().MessageBox("\"" + name + "\" is a " + kind + ", not SysEx, and no plug-in imports such files.",
                              CUi::Icon::Information);
        return false;
    }
    const CSynthMemory& prototype = factory.GetMemory(memoryIndex);
    if (!CUi::Get().AskYesNo("\"" + name + "\" is a " + kind + ", not SysEx.\n\nImport it into a new " +
                             prototype.GetName() + " bank?"))
        return false;
    std::unique_ptr<CSynthMemory> memory = prototype.CreateMemory();
    if (!memory || memory->GetLayerCount() == 0 || toolIndex >= memory->GetAdditionalToolsCount()) {
        ShowBankOpenError(path + " (" + prototype.GetName() + " cannot make a bank)");
        return false;
    }
    try {
        if (!memory->GetAdditionalTool(toolIndex).Import(path, CToolContext{})) return false;
    } catch (const std::exception& e) {
        // A plug-in that fails in an unexpected way must not take the program with it.
        ShowBankOpenError(path + " (" + e.what() + ")");
        return false;
    }
    m_memory = std::move(memory);
    // Saving must never write SysEx over the imported file: the bank is a new one,
    // changed until it is saved.
    m_fileShape = false;
    SetPathName({});
    SetTitle(name + " (" + prototype.GetName() + ")");
    SetModifiedFlag(true);
    return true;
}

bool CTonalithDoc::SaveLayers(const std::optional<std::vector<int>>& layers, std::string path) {
    if (!m_memory) return false;
    if (path.empty()) {
        const auto chosen = CUi::Get().ChooseSaveFile("Save Layers", "syx", kSaveFilter);
        if (!chosen) return false;
        path = *chosen;
    }
    if (layers) m_memory->PrepareSave();  // the whole bank's Save does it itself
    WaitCursor wait;
    try {
        CFileX::SaveAtomically(path, [&](CFile& file) {
            if (layers) {
                for (int index : *layers) m_memory->GetLayer(index).Save(file);
            } else {
                // A bank opened from a file keeps its shape: the layers it held or
                // that changed since, and the messages no layer reads.
                m_memory->Save(file, !m_fileShape);
            }
        });
    } catch (const CFileException& e) {
        CFunctions::ShowFileException(61218, e);
        return false;
    } catch (const std::exception& e) {
        CUi::Get().MessageBox(CStringTable::Get(61218) + "\n" + path + ": " + e.what());
        return false;
    }
    return true;
}

bool CTonalithDoc::SaveLayer(int index, const std::string& path) {
    if (index < 0) return SaveLayers(std::nullopt, path);
    return SaveLayers(std::vector<int>{index}, path);
}

bool CTonalithDoc::OnSaveDocument(const std::string& path) {
    if (!SaveLayers(std::nullopt, path)) return false;
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}

void CTonalithDoc::OnCloseDocument() {
    if (s_beforeClose) s_beforeClose();
}

std::string BuildHexText(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    text.reserve(bytes.size() * 3 + bytes.size() / 8 + 1);
    for (std::size_t k = 1; k <= bytes.size(); ++k) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X ", bytes[k - 1]);
        text += pair;
        if (k % 16 == 0) text += "\r\n";
    }
    return text;
}
