#include "LibraryCommands.h"

#include <algorithm>

#include "Document.h"
#include "Library.h"
#include "LibraryEngine.h"
#include "Patch.h"

namespace {

void Refresh(CDocument* document, std::vector<int> indices) {
    if (!document) return;
    const CLibrarySelectionHint hint{std::move(indices)};
    document->UpdateAllViews(nullptr, HINT_LIBRARY_SELECT, &hint);
}

}  // namespace

// ---------------------------------------------------------------- paste

CLibraryPasteCommand::CLibraryPasteCommand(CLibrary& library, CDocument* document,
                                           std::vector<std::unique_ptr<CLibraryPatch>> entries)
    : m_library(library), m_document(document), m_entries(std::move(entries)) {}

CLibraryPasteCommand::~CLibraryPasteCommand() = default;

void CLibraryPasteCommand::Execute() {
    if (m_indices.empty()) {
        for (auto& entry : m_entries) m_indices.push_back(m_library.Add(std::move(entry)));
    } else {
        // Redo: the remembered indices ascend, so each insert lands where it was.
        for (std::size_t i = 0; i < m_indices.size() && i < m_entries.size(); ++i)
            m_library.Insert(m_indices[i], std::move(m_entries[i]));
    }
    m_entries.clear();
    Refresh(m_document, m_indices);
}

void CLibraryPasteCommand::Undo() {
    m_entries = m_library.Remove(m_indices);
    Refresh(m_document, {});
}

// ---------------------------------------------------------------- delete

CDeleteCommand::CDeleteCommand(CLibrary& library, CDocument* document, std::vector<int> indices)
    : m_library(library), m_document(document), m_indices(std::move(indices)) {
    // Rows come in view order; re-inserting in ascending order restores every
    // entry at its own position.
    std::sort(m_indices.begin(), m_indices.end());
    m_indices.erase(std::unique(m_indices.begin(), m_indices.end()), m_indices.end());
    std::erase_if(m_indices, [&](int i) { return i < 0 || i >= m_library.GetSize(); });
}

CDeleteCommand::~CDeleteCommand() = default;

void CDeleteCommand::Execute() {
    m_removed = m_library.Remove(m_indices);
    Refresh(m_document, {});
}

void CDeleteCommand::Undo() {
    for (std::size_t i = 0; i < m_indices.size() && i < m_removed.size(); ++i)
        m_library.Insert(m_indices[i], std::move(m_removed[i]));
    m_removed.clear();
    Refresh(m_document, m_indices);
}

// ---------------------------------------------------------------- edit

CLibraryEditCommand::CLibraryEditCommand(CLibrary& library, CDocument* document, int index, const CPatch& oldPatch,
                                         const CPatch& newPatch)
    : m_library(library), m_document(document), m_index(index), m_old(oldPatch.Clone()), m_new(newPatch.Clone()) {}

CLibraryEditCommand::~CLibraryEditCommand() = default;

void CLibraryEditCommand::Execute() { Put(*m_new); }
void CLibraryEditCommand::Undo() { Put(*m_old); }

std::string CLibraryEditCommand::GetText() const {
    return "Edit \"" + LibraryEngine::TrimRight(m_old->GetName()) + "\"";
}

void CLibraryEditCommand::Put(const CPatch& patch) {
    m_library.Set(m_index, patch);
    Refresh(m_document, {m_index});
}

// ---------------------------------------------------------------- properties

CPropertiesCommand::CPropertiesCommand(CLibrary& library, CDocument* document, int index, const CLibraryPatch& oldEntry,
                                       const CLibraryPatch& newEntry)
    : m_library(library), m_document(document), m_index(index), m_old(oldEntry.Clone()), m_new(newEntry.Clone()) {}

CPropertiesCommand::~CPropertiesCommand() = default;

void CPropertiesCommand::Execute() { Put(*m_new); }
void CPropertiesCommand::Undo() { Put(*m_old); }

void CPropertiesCommand::Put(const CLibraryPatch& entry) {
    m_library.Set(m_index, entry.Clone());
    Refresh(m_document, {m_index});
}

std::unique_ptr<CLibraryPatch> CPropertiesCommand::MakeEntry(const CLibraryPatch& current,
                                                             const std::optional<std::string>& name,
                                                             const std::array<std::uint8_t, 8>& keys,
                                                             const std::string& comment) {
    auto entry = current.Clone();
    entry->Set(name ? *name : current.Name(), keys.data(), comment, current.Date());
    return entry;
}

// ---------------------------------------------------------------- sort

CSortCommand::CSortCommand(std::function<void(int)> sortBy, int column, int previousColumn)
    : m_sortBy(std::move(sortBy)), m_column(column), m_previous(previousColumn) {}
