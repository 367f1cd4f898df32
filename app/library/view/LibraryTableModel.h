#pragma once

#include <QAbstractTableModel>
#include <functional>
#include <string>
#include <vector>

#include "LibraryEngine.h"

class CLibraryDocument;

// The library's rows for a table view: the entries that pass the filter, in the
// order of the sort column. Item data (Qt::UserRole) is the library index.
class CLibraryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kIndexRole = Qt::UserRole;

    CLibraryTableModel(CLibraryDocument& document, LibraryEngine::MemoryNameLookup memoryName,
                       QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A name edited in place goes to the rename handler (which makes it undoable).
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    void SetRenameHandler(std::function<void(int libraryIndex, std::string name)> handler) {
        m_rename = std::move(handler);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Filters and sorts again after the library changed.
    void Rebuild();
    void SetFilter(LibraryEngine::CSearchFilter filter);
    const LibraryEngine::CSearchFilter& GetFilter() const { return m_filter; }
    void SortBy(int column);
    int GetSortColumn() const { return m_sortColumn; }

    int LibraryIndex(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
    // The row showing a library index, or -1 when filtered out.
    int RowOf(int libraryIndex) const;
    const std::vector<int>& Rows() const { return m_rows; }

    // The status panes: "Applied Search Filter: ..." and " shown/total".
    QString FilterStatusText() const;
    QString CountText() const;

private:
    CLibraryDocument& m_document;
    LibraryEngine::MemoryNameLookup m_memoryName;
    LibraryEngine::CSearchFilter m_filter;
    int m_sortColumn = LibraryEngine::COLUMN_NAME;
    std::vector<int> m_rows;
    std::function<void(int, std::string)> m_rename;
};
