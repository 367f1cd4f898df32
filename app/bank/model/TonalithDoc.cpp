#include "TonalithDoc.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string_view>

#include "File.h"
#include "FileX.h"
#include "Functions.h"
#include "Layer.h"
#include "Smf.h"
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

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view magic, std::size_t at = 0) {
    return bytes.size() >= at + magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin() + at,
                                                           [](char m, std::uint8_t b) { return static_cast<std::uint8_t>(m) == b; });
}

// RIFF/RF64 (little-endian) and RIFX (big-endian) WAVE files.
bool IsWave(std::span<const std::uint8_t> bytes) {
    return (StartsWith(bytes, "RIFF") || StartsWith(bytes, "RIFX") || StartsWith(bytes, "RF64")) &&
           StartsWith(bytes, "WAVE", 8);
}

int CountMessages(std::span<const std::uint8_t> bytes) {
    int count = 0;
    bool open = false;
    for (const std::uint8_t b : bytes) {
        if (b == 0xF0) open = true;
        else if (b == 0xF7 && open) ++count, open = false;
    }
    return count;
}

// The SysEx events of a standard MIDI file, as a .syx file would hold them.
std::vector<std::uint8_t> SysExOfMidiFile(const SmfFile& smf) {
    std::vector<std::uint8_t> out;
    for (const SmfEvent& e : smf.GetEvents())
        if (e.kind == SmfEvent::SysEx && !e.data.empty() && e.data.front() == 0xF0 && e.data.back() == 0xF7)
            out.insert(out.end(), e.data.begin(), e.data.end());
    return out;
}

}  // namespace

bool CTonalithDoc::OnOpenDocument(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    std::vector<std::uint8_t> bytes;
    try {
        bytes = CFileX::Read(path);
    } catch (const CFileException& e) {
        ShowBankOpenError(e.GetErrorMessage());
        return false;
    }
    // What is plainly no bank is said so, instead of opening as raw data.
    bool fromMidiFile = false;
    if (bytes.empty()) {
        CUi::Get().MessageBox("\"" + name + "\" is empty: it holds no SysEx to show.", CUi::Icon::Information);
        return false;
    }
    if (StartsWith(bytes, "MThd")) {
        SmfFile smf;
        if (!smf.Parse(bytes, path)) {
            ShowBankOpenError(smf.GetError());
            return false;
        }
        bytes = SysExOfMidiFile(smf);
        if (bytes.empty()) {
            CUi::Get().MessageBox("\"" + name + "\" is a MIDI file without SysEx messages: there is no bank in it.",
                                  CUi::Icon::Information);
            return false;
        }
        fromMidiFile = true;
    } else if (IsWave(bytes)) {
        return ImportFile(path, "wav", "WAV file");
    }
    const int messages = CountMessages(bytes);
    if (std::find(bytes.begin(), bytes.end(), std::uint8_t{0xF0}) == bytes.end()) {
        CUi::Get().MessageBox("\"" + name + "\" holds no SysEx (no message from F0 to F7): there is nothing to show.",
                              CUi::Icon::Information);
        return false;
    }
    std::unique_ptr<CSynthMemory> memory;
    try {
        CMemFile file(std::move(bytes), path);
        CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
        memory = factory.CreateMatchingMemory(file);
        if (memory) {
            memory->Load(file);
        } else {
            CSynthMemory* generic = factory.GetSynthMemoryfromPatchType(GUID{});
            if (!generic) {
                CUi::Get().MessageBox(CStringTable::Get(61216));
                return false;
            }
            memory = generic->CreateMemory();
            try {
                memory->Load(file);
            } catch (const CFileException& e) {
                // A file that ends in the middle of a message opens with what was read.
                if (e.m_cause != CFileException::endOfFile) throw;
            }
        }
    } catch (const CFileException& e) {
        if (e.m_cause != CFileException::endOfFile || !memory) {
            ShowBankOpenError(e.GetErrorMessage());
            return false;
        }
    } catch (const std::exception& e) {
        // A plug-in that fails in an unexpected way must not take the program with it.
        ShowBankOpenError(path + " (" + e.what() + ")");
        return false;
    }
    if (memory->GetLayerCount() == 0) {
        // A bank is shown layer by layer; a memory without any cannot be shown.
        CUi::Get().MessageBox("\"" + path + "\": " + memory->GetName() + " has no layers.");
        return false;
    }
    m_memory = std::move(memory);
    if (fromMidiFile) {
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
        CUi::Get().MessageBox("No plug-in reads \"" + name + "\"; it is shown as raw SysEx (" + std::to_string(messages) +
                                  (messages == 1 ? " message)." : " messages)."),
                              CUi::Icon::Information);
    if (const auto& problems = m_memory->GetLoadProblems(); !problems.empty()) {
        std::string text = std::filesystem::path(path).filename().string() + ":";
        for (const std::string& p : problems) text += "\n" + p;
        CUi::Get().MessageBox(text, CUi::Icon::Warning);
    }
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
