#include "TonalithDoc.h"

#include <cstdio>
#include <filesystem>

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

bool CTonalithDoc::OnOpenDocument(const std::string& path) {
    std::unique_ptr<CSynthMemory> memory;
    try {
        CFile file(path, CFile::modeRead);
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
            CFunctions::ShowFileException(61217, e);
            return false;
        }
    } catch (const std::exception& e) {
        // A plug-in that fails in an unexpected way must not take the program with it.
        CUi::Get().MessageBox(CFunctions::FormatMessage(CStringTable::Get(61217), {path + " (" + e.what() + ")"}));
        return false;
    }
    if (memory->GetLayerCount() == 0) {
        // A bank is shown layer by layer; a memory without any cannot be shown.
        CUi::Get().MessageBox("\"" + path + "\": " + memory->GetName() + " has no layers.");
        return false;
    }
    m_memory = std::move(memory);
    m_fileShape = true;
    SetPathName(path);
    SetModifiedFlag(false);
    if (const auto& problems = m_memory->GetLoadProblems(); !problems.empty()) {
        std::string text = std::filesystem::path(path).filename().string() + ":";
        for (const std::string& p : problems) text += "\n" + p;
        CUi::Get().MessageBox(text, CUi::Icon::Warning);
    }
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
