#pragma once

#include <QAbstractTableModel>

#include <vector>

#include "LibraryEngine.h"

class CLibraryDocument;

// The rows of a library window: the entries that pass the search filter, in the
// order of the current sort column. Item data (Qt::UserRole) is the library index.
class CLibraryModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kIndexRole = Qt::UserRole;

    explicit CLibraryModel(CLibraryDocument& document, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Filters the library again and sorts by Name, as after every change.
    void Rebuild();
    // Sorts the rows by a column (always ascending); selections follow their rows.
    void SortBy(int column);
    // Puts the rows back in an order taken earlier; false when the rows shown differ.
    bool RestoreOrder(const std::vector<int>& rows, int column);

    void SetFilter(LibraryEngine::CSearchFilter filter);
    const LibraryEngine::CSearchFilter& Filter() const { return m_filter; }
    int SortColumn() const { return m_sortColumn; }
    const std::vector<int>& Rows() const { return m_rows; }
    // The library index of a row, or -1.
    int LibraryIndex(int row) const;
    // The row showing a library index, or -1.
    int RowOf(int libraryIndex) const;

private:
    void Reorder(std::vector<int> rows);

    CLibraryDocument& m_document;
    LibraryEngine::MemoryNameLookup m_memoryNames;
    LibraryEngine::CSearchFilter m_filter;
    std::vector<int> m_rows;
    int m_sortColumn = LibraryEngine::COLUMN_NAME;
};
