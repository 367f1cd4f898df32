#include "LibraryModel.h"

#include <algorithm>
#include <unordered_map>

#include "Library.h"
#include "LibraryDocument.h"
#include "Patch.h"
#include "tonalith/ui/PatchText.h"

CLibraryModel::CLibraryModel(CLibraryDocument& document, QObject* parent)
    : QAbstractTableModel(parent), m_document(document), m_memoryNames(LibraryEngine::FactoryMemoryNames()) {
    Rebuild();
}

int CLibraryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CLibraryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : LibraryEngine::COLUMN_COUNT;
}

QVariant CLibraryModel::data(const QModelIndex& index, int role) const {
    const int entry = index.isValid() && index.column() < LibraryEngine::COLUMN_COUNT ? LibraryIndex(index.row()) : -1;
    if (entry < 0 || entry >= m_document.GetLibrary().GetSize()) return {};
    const CLibraryPatch& patch = m_document.GetLibrary().Get(entry);
    switch (role) {
    case Qt::DisplayRole:
        return tonalith::ui::FromModelText(
            LibraryEngine::GetCellText(patch, index.column(), m_document.GetKeyNames(), m_memoryNames));
    case Qt::ToolTipRole:
        if (const CPatch* p = patch.GetPatch()) return tonalith::ui::FromModelText(p->GetInfoForPatch());
        return {};
    case kIndexRole: return entry;
    default: return {};
    }
}

QVariant CLibraryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= LibraryEngine::COLUMN_COUNT)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(LibraryEngine::kColumnTitles[static_cast<std::size_t>(section)]);
}

Qt::ItemFlags CLibraryModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

void CLibraryModel::Rebuild() {
    beginResetModel();
    m_rows = LibraryEngine::FilterRows(m_document.GetLibrary(), m_filter);
    m_sortColumn = LibraryEngine::COLUMN_NAME;
    LibraryEngine::SortRows(m_rows, m_document.GetLibrary(), m_sortColumn, m_document.GetKeyNames());
    endResetModel();
}

void CLibraryModel::SetFilter(LibraryEngine::CSearchFilter filter) {
    m_filter = std::move(filter);
    Rebuild();
}

void CLibraryModel::Reorder(std::vector<int> rows) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::unordered_map<int, int> newRowOf;
    newRowOf.reserve(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) newRowOf.emplace(rows[r], static_cast<int>(r));
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) {
        const auto it = newRowOf.find(LibraryIndex(old.row()));
        after.push_back(it == newRowOf.end() ? QModelIndex() : index(it->second, old.column()));
    }
    m_rows = std::move(rows);
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CLibraryModel::SortBy(int column) {
    if (column < 0 || column >= LibraryEngine::COLUMN_COUNT) return;
    std::vector<int> rows = m_rows;
    LibraryEngine::SortRows(rows, m_document.GetLibrary(), column, m_document.GetKeyNames());
    m_sortColumn = column;
    Reorder(std::move(rows));
}

bool CLibraryModel::RestoreOrder(const std::vector<int>& rows, int column) {
    std::vector<int> a = rows;
    std::vector<int> b = m_rows;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    if (a != b) return false;
    m_sortColumn = column;
    Reorder(rows);
    return true;
}

int CLibraryModel::LibraryIndex(int row) const {
    return row >= 0 && row < static_cast<int>(m_rows.size()) ? m_rows[static_cast<std::size_t>(row)] : -1;
}

int CLibraryModel::RowOf(int libraryIndex) const {
    for (std::size_t r = 0; r < m_rows.size(); ++r)
        if (m_rows[r] == libraryIndex) return static_cast<int>(r);
    return -1;
}
