#include "LibraryView.h"

#include <QAction>
#include <QDataStream>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "CopyBox.h"
#include "LibraryCommands.h"
#include "LibraryDocument.h"
#include "LibraryFile.h"
#include "LibraryTableModel.h"
#include "Patch.h"
#include "Ui.h"

CLibraryView::CLibraryView(CLibraryDocument& document, LibraryEngine::MemoryNameLookup memoryName, QWidget* parent)
    : QWidget(parent), m_document(document), m_commands(&document) {
    m_model = new CLibraryTableModel(document, std::move(memoryName), this);
    m_table = new QTableView(this);
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::EditKeyPressed);  // F2
    // The command rebuilds the rows, so it runs after the editor has closed.
    m_model->SetRenameHandler([this](int index, std::string name) {
        QTimer::singleShot(0, this, [this, index, name = std::move(name)] { Rename(index, name); });
    });
    m_table->setDragEnabled(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    m_table->horizontalHeader()->setSectionsClickable(true);
    m_table->horizontalHeader()->setSortIndicatorShown(true);
    m_table->horizontalHeader()->setSortIndicator(m_model->GetSortColumn(), Qt::AscendingOrder);
    m_table->setAcceptDrops(false);  // the window takes drops for the table
    setAcceptDrops(true);

    m_filterPane = new QLabel(this);
    m_countPane = new QLabel(this);
    auto* panes = new QHBoxLayout;
    panes->setContentsMargins(2, 0, 2, 0);
    panes->addWidget(m_filterPane, 1);
    panes->addWidget(m_countPane);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_table, 1);
    layout->addLayout(panes);

    connect(m_table->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        SortByColumn(column);
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) { OnCurrentChanged(current); });

    auto addShortcut = [this](const QKeySequence& key, auto slot) {
        auto* action = new QAction(this);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
    };
    addShortcut(QKeySequence::Delete, [this] { DeleteSelection(); });
    addShortcut(QKeySequence::Copy, [this] { CopyToCopyBox(); });
    addShortcut(QKeySequence::Paste, [this] { PasteFromCopyBox(); });
    addShortcut(QKeySequence::SelectAll, [this] { SelectAll(); });
    addShortcut(QKeySequence::Undo, [this] {
        if (m_commands.CanUndo()) m_commands.Undo();
    });
    addShortcut(QKeySequence::Redo, [this] {
        if (m_commands.CanRedo()) m_commands.Redo();
    });

    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_table, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        const bool selected = m_table->selectionModel()->hasSelection();
        menu.addAction(tr("&Copy\tCtrl+C"), this, [this] { CopyToCopyBox(); })->setEnabled(selected);
        menu.addAction(tr("&Paste\tCtrl+V"), this, [this] { PasteFromCopyBox(); })
            ->setEnabled(CCopyBox::Get().GetCount() > 0);
        menu.addAction(tr("&Delete\tDel"), this, [this] { DeleteSelection(); })->setEnabled(selected);
        menu.addAction(tr("&Rename\tF2"), this, [this] { m_table->edit(m_table->currentIndex().siblingAtColumn(0)); })
            ->setEnabled(m_table->currentIndex().isValid());
        menu.addSeparator();
        menu.addAction(tr("Select &All\tCtrl+A"), this, [this] { SelectAll(); });
        menu.exec(m_table->viewport()->mapToGlobal(at));
    });

    m_document.AddView(this);
    UpdatePanes();
}

CLibraryView::~CLibraryView() { m_document.RemoveView(this); }

void CLibraryView::OnUpdate(CView*, long hint, const void* hintObject) {
    m_model->Rebuild();
    if (hint == HINT_LIBRARY_SELECT && hintObject)
        SelectIndices(static_cast<const CLibrarySelectionHint*>(hintObject)->indices);
    UpdatePanes();
}

std::vector<int> CLibraryView::SelectedIndices() const {
    QModelIndexList rows = m_table->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<int> indices;
    indices.reserve(static_cast<std::size_t>(rows.size()));
    for (const QModelIndex& row : rows) indices.push_back(m_model->LibraryIndex(row.row()));
    return indices;
}

void CLibraryView::SelectIndices(const std::vector<int>& indices) {
    QItemSelection selection;
    int first = -1;
    for (int index : indices) {
        const int row = m_model->RowOf(index);
        if (row < 0) continue;
        if (first < 0 || row < first) first = row;
        selection.select(m_model->index(row, 0), m_model->index(row, LibraryEngine::COLUMN_COUNT - 1));
    }
    m_table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (first >= 0) m_table->scrollTo(m_model->index(first, 0));
}

void CLibraryView::SetFilter(LibraryEngine::CSearchFilter filter) {
    const std::vector<int> selected = SelectedIndices();
    m_model->SetFilter(std::move(filter));
    SelectIndices(selected);
    UpdatePanes();
}

void CLibraryView::SortByColumn(int column) {
    auto sortBy = [this](int c) {
        m_model->SortBy(c);
        m_table->horizontalHeader()->setSortIndicator(c, Qt::AscendingOrder);
    };
    m_commands.Execute(std::make_unique<CSortCommand>(sortBy, column, m_model->GetSortColumn()));
}

void CLibraryView::DeleteSelection() {
    std::vector<int> indices = SelectedIndices();
    if (indices.empty()) return;
    m_commands.Execute(std::make_unique<CDeleteCommand>(m_document.GetLibrary(), &m_document, std::move(indices)));
}

void CLibraryView::Rename(int index, const std::string& name) {
    if (index < 0 || index >= m_document.GetLibrary().GetSize()) return;
    const CPatch* patch = m_document.GetLibrary().GetPatch(index);
    if (!patch) return;
    std::unique_ptr<CPatch> renamed = patch->Clone();
    // The synth keeps only so many characters.
    renamed->SetName(name.substr(0, static_cast<std::size_t>(std::max(0, patch->GetNameLength()))));
    if (renamed->GetName() == patch->GetName()) return;
    m_commands.Execute(
        std::make_unique<CLibraryEditCommand>(m_document.GetLibrary(), &m_document, index, *patch, *renamed));
}

void CLibraryView::SelectAll() { m_table->selectAll(); }

std::unique_ptr<QMimeData> CLibraryView::CopySelection() const {
    const std::vector<int> indices = SelectedIndices();
    if (indices.empty()) return nullptr;
    std::vector<const CLibraryPatch*> entries;
    entries.reserve(indices.size());
    for (int index : indices) entries.push_back(&m_document.GetLibrary().Get(index));
    const std::vector<std::uint8_t> bytes = LibraryFile::WritePayload(entries);
    auto data = std::make_unique<QMimeData>();
    data->setData(QString::fromLatin1(LibraryFile::kBankItemMimeType),
                  QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    return data;
}

bool CLibraryView::PasteMimeData(const QMimeData& data) {
    const QByteArray raw = data.data(QString::fromLatin1(LibraryFile::kBankItemMimeType));
    if (raw.isEmpty()) return false;
    const auto* begin = reinterpret_cast<const std::uint8_t*>(raw.constData());
    LibraryFile::Payload payload =
        LibraryFile::ReadPayload(std::span<const std::uint8_t>(begin, static_cast<std::size_t>(raw.size())),
                                 m_document.GetPatchCreator());
    return PasteEntries(std::move(payload.entries));
}

bool CLibraryView::PasteEntries(std::vector<std::unique_ptr<CLibraryPatch>> entries) {
    if (entries.empty()) return false;
    // A patch that needs its layers would be filed without them: nothing is added.
    const bool references = std::any_of(entries.begin(), entries.end(), [](const auto& entry) {
        return entry->GetPatch() && entry->GetPatch()->HasReferences();
    });
    if (references) {
        CUi::Get().MessageBox(LibraryViewTexts::kReferencesRefused, CUi::Icon::Error);
        return false;
    }
    m_commands.Execute(std::make_unique<CPasteCommand>(m_document.GetLibrary(), &m_document, std::move(entries)));
    return true;
}

void CLibraryView::CopyToCopyBox() const {
    for (int index : SelectedIndices())
        if (const CPatch* patch = m_document.GetLibrary().GetPatch(index)) CCopyBox::Get().AddPatch(*patch);
}

bool CLibraryView::PasteFromCopyBox() {
    const CCopyBox& box = CCopyBox::Get();
    std::vector<std::unique_ptr<CLibraryPatch>> entries;
    for (int i = 0; i < box.GetCount(); ++i) entries.push_back(std::make_unique<CLibraryPatch>(box.GetPatch(i)));
    return PasteEntries(std::move(entries));
}

QString CLibraryView::FilterPaneText() const { return m_filterPane->text(); }
QString CLibraryView::CountPaneText() const { return m_countPane->text(); }

void CLibraryView::UpdatePanes() {
    m_filterPane->setText(m_model->FilterStatusText());
    m_countPane->setText(m_model->CountText());
}

void CLibraryView::OnCurrentChanged(const QModelIndex& current) {
    if (!current.isValid() || !m_audition) return;
    if (const CPatch* patch = m_document.GetLibrary().GetPatch(m_model->LibraryIndex(current.row())))
        m_audition(*patch);
}

QByteArray CLibraryView::SaveLayout() const {
    QByteArray state;
    QDataStream out(&state, QIODevice::WriteOnly);
    out << qint32(1) << qint32(m_model->GetSortColumn()) << m_table->horizontalHeader()->saveState();
    return state;
}

void CLibraryView::RestoreLayout(const QByteArray& state) {
    QDataStream in(state);
    qint32 version = 0, column = 0;
    QByteArray header;
    in >> version >> column >> header;
    if (in.status() != QDataStream::Ok || version != 1) return;
    m_table->horizontalHeader()->restoreState(header);
    if (column >= 0 && column < LibraryEngine::COLUMN_COUNT) {
        m_model->SortBy(column);
        m_table->horizontalHeader()->setSortIndicator(column, Qt::AscendingOrder);
    }
}

void CLibraryView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat(QString::fromLatin1(LibraryFile::kBankItemMimeType)))
        event->acceptProposedAction();
}

void CLibraryView::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasFormat(QString::fromLatin1(LibraryFile::kBankItemMimeType)))
        event->acceptProposedAction();
}

void CLibraryView::dropEvent(QDropEvent* event) {
    if (PasteMimeData(*event->mimeData())) event->acceptProposedAction();
    else event->ignore();
}
