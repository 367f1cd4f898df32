#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"

class CDocument;
class CLibrary;
class CLibraryPatch;
class CPatch;

// Library views rebuild their rows and select the entries (library indices) named
// by a CLibrarySelectionHint sent with this hint.
inline constexpr long HINT_LIBRARY_SELECT = 0x4C42;
struct CLibrarySelectionHint {
    std::vector<int> indices;
};

// Adds entries at the end; undo removes exactly those, redo puts them back.
// (Named apart from the bank's paste command: both are linked into one program.)
class CLibraryPasteCommand : public CBasicCommand {
public:
    CLibraryPasteCommand(CLibrary& library, CDocument* document, std::vector<std::unique_ptr<CLibraryPatch>> entries);
    ~CLibraryPasteCommand() override;
    void Execute() override;
    void Undo() override;
    std::string GetText() const override { return "Paste Patches"; }
    const std::vector<int>& GetIndices() const { return m_indices; }

private:
    CLibrary& m_library;
    CDocument* m_document;
    std::vector<std::unique_ptr<CLibraryPatch>> m_entries;  // held while not in the library
    std::vector<int> m_indices;
};

// Files the entries of an import (LibraryImport::Import) at the end: one undo
// removes them all, redo puts them back.
class CImportCommand : public CLibraryPasteCommand {
public:
    using CLibraryPasteCommand::CLibraryPasteCommand;
    std::string GetText() const override { return "Import Files"; }
};

// Removes entries (library indices, in any order); undo restores every entry at
// its old position.
class CDeleteCommand : public CBasicCommand {
public:
    CDeleteCommand(CLibrary& library, CDocument* document, std::vector<int> indices);
    ~CDeleteCommand() override;
    void Execute() override;
    void Undo() override;
    std::string GetText() const override { return "Delete Patches"; }

private:
    CLibrary& m_library;
    CDocument* m_document;
    std::vector<int> m_indices;  // ascending, without duplicates
    std::vector<std::unique_ptr<CLibraryPatch>> m_removed;
};

// Replaces an entry's patch (editor or rename); keys, comment and date stay.
class CLibraryEditCommand : public CBasicCommand {
public:
    CLibraryEditCommand(CLibrary& library, CDocument* document, int index, const CPatch& oldPatch,
                        const CPatch& newPatch);
    ~CLibraryEditCommand() override;
    void Execute() override;
    void Undo() override;
    // "Edit \"<name>\"" with the entry's name as it was, trailing blanks removed.
    std::string GetText() const override;

private:
    void Put(const CPatch& patch);

    CLibrary& m_library;
    CDocument* m_document;
    int m_index;
    std::unique_ptr<CPatch> m_old;
    std::unique_ptr<CPatch> m_new;
};

// Replaces a whole entry (properties dialog).
class CPropertiesCommand : public CBasicCommand {
public:
    CPropertiesCommand(CLibrary& library, CDocument* document, int index, const CLibraryPatch& oldEntry,
                       const CLibraryPatch& newEntry);
    ~CPropertiesCommand() override;
    void Execute() override;
    void Undo() override;
    std::string GetText() const override { return "Edit Properties"; }

    // The new entry of a properties change: a clone with the dialog's keys and
    // comment, and its name when given (only the row shown in the dialog).
    static std::unique_ptr<CLibraryPatch> MakeEntry(const CLibraryPatch& current,
                                                    const std::optional<std::string>& name,
                                                    const std::array<std::uint8_t, 8>& keys,
                                                    const std::string& comment);

private:
    void Put(const CLibraryPatch& entry);

    CLibrary& m_library;
    CDocument* m_document;
    int m_index;
    std::unique_ptr<CLibraryPatch> m_old;
    std::unique_ptr<CLibraryPatch> m_new;
};

// Sorting the view by a column; undo sorts by the column that was current.
class CSortCommand : public CBasicCommand {
public:
    CSortCommand(std::function<void(int column)> sortBy, int column, int previousColumn);
    void Execute() override { m_sortBy(m_column); }
    void Undo() override { m_sortBy(m_previous); }
    std::string GetText() const override { return "Sort patches"; }

private:
    std::function<void(int)> m_sortBy;
    int m_column;
    int m_previous;
};
