#include "LibraryTableModel.h"

#include <algorithm>

#include "LibraryDocument.h"
#include "Patch.h"
#include "tonalith/ui/PatchText.h"

namespace {
// Library texts are Windows-1252.
QString FromCp1252(const std::string& text) { return tonalith::ui::FromPatchText(text); }
}  // namespace

CLibraryTableModel::CLibraryTableModel(CLibraryDocument& document, LibraryEngine::MemoryNameLookup memoryName,
                                       QObject* parent)
    : QAbstractTableModel(parent), m_document(document), m_memoryName(std::move(memoryName)) {
    if (!m_memoryName) m_memoryName = [](const GUID&) { return std::optional<std::string>{}; };
    Rebuild();
}

int CLibraryTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CLibraryTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : LibraryEngine::COLUMN_COUNT;
}

QVariant CLibraryTableModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
    const int libraryIndex = LibraryIndex(index.row());
    const CLibraryPatch& entry = m_document.GetLibrary().Get(libraryIndex);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return FromCp1252(
            LibraryEngine::GetCellText(entry, index.column(), m_document.GetKeyNames(), m_memoryName));
    case Qt::ToolTipRole: {
        if (const CPatch* patch = entry.GetPatch()) {
            const std::string info = patch->GetInfoForPatch();
            if (!info.empty()) return FromCp1252(info);
        }
        return {};
    }
    case kIndexRole:
        return libraryIndex;
    default:
        return {};
    }
}

Qt::ItemFlags CLibraryTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == LibraryEngine::COLUMN_NAME && m_rename) flags |= Qt::ItemIsEditable;
    return flags;
}

bool CLibraryTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !m_rename || !index.isValid() || index.column() != LibraryEngine::COLUMN_NAME)
        return false;
    m_rename(LibraryIndex(index.row()), tonalith::ui::ToPatchText(value.toString()));
    return true;
}

QVariant CLibraryTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    if (section < 0 || section >= LibraryEngine::COLUMN_COUNT) return {};
    // The key columns carry the key names of the document where it has them.
    return QString::fromLatin1(LibraryEngine::kColumnTitles[static_cast<std::size_t>(section)]);
}

void CLibraryTableModel::Rebuild() {
    beginResetModel();
    m_rows = LibraryEngine::FilterRows(m_document.GetLibrary(), m_filter);
    LibraryEngine::SortRows(m_rows, m_document.GetLibrary(), m_sortColumn, m_document.GetKeyNames());
    endResetModel();
}

void CLibraryTableModel::SetFilter(LibraryEngine::CSearchFilter filter) {
    m_filter = std::move(filter);
    Rebuild();
}

void CLibraryTableModel::SortBy(int column) {
    if (column < 0 || column >= LibraryEngine::COLUMN_COUNT) return;
    m_sortColumn = column;
    // Same rows, new order: a layout change keeps the view's selection by index.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> libraryIndices;
    libraryIndices.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before) libraryIndices.push_back(LibraryIndex(index.row()));
    LibraryEngine::SortRows(m_rows, m_document.GetLibrary(), m_sortColumn, m_document.GetKeyNames());
    // A position table makes re-mapping persistent indexes linear.
    std::vector<int> rowOf(static_cast<std::size_t>(m_document.GetLibrary().GetSize()), -1);
    for (std::size_t r = 0; r < m_rows.size(); ++r) rowOf[static_cast<std::size_t>(m_rows[r])] = static_cast<int>(r);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after.push_back(index(rowOf[static_cast<std::size_t>(libraryIndices[static_cast<std::size_t>(i)])],
                              before[i].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int CLibraryTableModel::RowOf(int libraryIndex) const {
    const auto it = std::find(m_rows.begin(), m_rows.end(), libraryIndex);
    return it == m_rows.end() ? -1 : static_cast<int>(it - m_rows.begin());
}

QString CLibraryTableModel::FilterStatusText() const {
    return FromCp1252(m_filter.StatusText(m_document.GetKeyNames()));
}

QString CLibraryTableModel::CountText() const {
    return QStringLiteral(" %1/%2").arg(m_rows.size()).arg(m_document.GetLibrary().GetSize());
}
