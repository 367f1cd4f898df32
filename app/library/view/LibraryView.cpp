#include "LibraryView.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

#include <cmath>

#include "AppConfig.h"
#include "Commands.h"
#include "CopyBox.h"
#include "CopyBoxDlg.h"
#include "Library.h"
#include "LibraryCommands.h"
#include "LibraryDocument.h"
#include "LibraryFile.h"
#include "LibraryModel.h"
#include "Patch.h"
#include "StringTable.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "SynthTool.h"
#include "Ui.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/PatchText.h"

namespace {
constexpr const char* kSourceMime = "application/x-tonalith-library-view";
constexpr double kDragDistance = 6.0;

std::function<void(const CPatch&)>& AuditionSink() {
    static std::function<void(const CPatch&)> sink;
    return sink;
}

QByteArray SourceTag(const void* view) {
    return QByteArray::number(QCoreApplication::applicationPid()) + ":" +
           QByteArray::number(reinterpret_cast<quintptr>(view));
}

CSynthMemory* MemoryOf(const CPatch& patch) {
    return CSynthMemoryFactory::Get().GetSynthMemoryfromPatchType(patch.GetPatchType());
}

// A header click sorts; undo puts back the order the rows had, not only the column.
class CViewSortCommand final : public CBasicCommand {
public:
    CViewSortCommand(CLibraryModel& model, int column)
        : m_model(model), m_column(column), m_previous(model.SortColumn()), m_rows(model.Rows()) {}
    void Execute() override { m_model.SortBy(m_column); }
    void Undo() override {
        if (!m_model.RestoreOrder(m_rows, m_previous)) m_model.SortBy(m_previous);
    }
    std::string GetText() const override { return "Sort patches"; }

private:
    CLibraryModel& m_model;
    int m_column;
    int m_previous;
    std::vector<int> m_rows;
};

// The in-place name editor: a borderless one-line editor over the row.
class CRenameDlg final : public QDialog {
public:
    CRenameDlg(const QString& name, int maxLength, QRect place, QWidget* parent)
        : QDialog(parent, Qt::FramelessWindowHint | Qt::Popup), m_edit(new QLineEdit(this)) {
        setWindowTitle("Rename");
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_edit);
        m_edit->setMaxLength(std::max(1, maxLength));
        m_edit->setText(name.left(std::max(1, maxLength)));
        m_edit->selectAll();
        connect(m_edit, &QLineEdit::returnPressed, this, &QDialog::accept);
        setGeometry(place);
    }
    QString Text() const { return m_edit->text(); }

private:
    QLineEdit* m_edit;
};
}  // namespace

// The list: starts drags after the mouse moved far enough and takes drops.
class CLibraryTable final : public QTableView {
public:
    explicit CLibraryTable(CLibraryView& view) : QTableView(&view), m_view(view) {
        setAcceptDrops(true);
        setDragDropMode(QAbstractItemView::DragDrop);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) m_press = event->position().toPoint();
        QTableView::mousePressEvent(event);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if ((event->buttons() & Qt::LeftButton) && m_press) {
            const QPointF d = event->position() - QPointF(*m_press);
            if (std::hypot(d.x(), d.y()) >= kDragDistance && m_view.HasSelection()) {
                m_press.reset();
                m_view.StartDrag();
                return;
            }
        }
        QTableView::mouseMoveEvent(event);
    }
    // The list's own keys: they work wherever the list has the focus.
    void keyPressEvent(QKeyEvent* event) override {
        const QKeyCombination key = event->keyCombination();
        if (key == QKeyCombination(Qt::Key_F2)) m_view.OnRename();
        else if (key == QKeyCombination(Qt::Key_Delete)) m_view.OnDelete();
        else if (key == QKeyCombination(Qt::ControlModifier, Qt::Key_A)) m_view.OnSelectAll();
        else if (key == QKeyCombination(Qt::ControlModifier, Qt::Key_F)) m_view.OnFind();
        else {
            QTableView::keyPressEvent(event);
            return;
        }
        event->accept();
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        m_press.reset();
        QTableView::mouseReleaseEvent(event);
    }
    void dragEnterEvent(QDragEnterEvent* event) override { Accept(*event); }
    void dragMoveEvent(QDragMoveEvent* event) override { Accept(*event); }
    void dropEvent(QDropEvent* event) override {
        if (!Acceptable(*event->mimeData())) {
            event->ignore();
            return;
        }
        event->setDropAction(Qt::CopyAction);
        event->accept();
        m_view.Drop(*event->mimeData());
    }

private:
    bool Acceptable(const QMimeData& mime) const {
        return mime.hasFormat(LibraryFile::kBankItemMimeType) && !m_view.IsOwnDrag(mime);
    }
    void Accept(QDragMoveEvent& event) {
        if (!Acceptable(*event.mimeData())) {
            event.ignore();
            return;
        }
        event.setDropAction(Qt::CopyAction);
        event.accept();
    }

    CLibraryView& m_view;
    std::optional<QPoint> m_press;
};

CLibraryView::CLibraryView(std::unique_ptr<CLibraryDocument> document, QWidget* parent)
    : QWidget(parent), m_document(std::move(document)), m_commands(std::make_unique<CCmdManager>(m_document.get())),
      m_model(new CLibraryModel(*m_document, this)), m_table(new CLibraryTable(*this)), m_filterPane(new QLabel(this)),
      m_countPane(new QLabel(this)), m_menu(new QMenu("&Library", this)), m_contextMenu(new QMenu(this)) {
    m_document->AddView(this);
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setShowGrid(false);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    m_table->horizontalHeader()->setDefaultSectionSize(kTextColumnWidth);
    m_table->horizontalHeader()->setSectionsClickable(true);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_table->horizontalHeader(), &QHeaderView::sectionClicked, this, &CLibraryView::SortByColumn);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) Audition(current.row());
            });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { emit StateChanged(); });
    connect(m_table, &QWidget::customContextMenuRequested, this,
            [this](QPoint at) { m_contextMenu->popup(m_table->viewport()->mapToGlobal(at)); });

    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(false);
    status->addWidget(m_filterPane, 1);
    status->addPermanentWidget(m_countPane);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_table, 1);
    layout->addWidget(status);

    // Keys are the list's (keyPressEvent) or the frame's; the texts only name them.
    const auto add = [this](QMenu* menu, const QString& text, void (CLibraryView::*slot)()) {
        auto* action = new QAction(text, this);
        connect(action, &QAction::triggered, this, slot);
        menu->addAction(action);
        return action;
    };
    // Copy, Paste, Edit, Properties, Undo and Redo carry their keys in the frame's menus.
    add(m_contextMenu, "&Copy", &CLibraryView::OnCopy);
    add(m_contextMenu, "&Paste...", &CLibraryView::OnPaste);
    add(m_contextMenu, "&Delete\tDel", &CLibraryView::OnDelete);
    m_contextMenu->addSeparator();
    add(m_contextMenu, "&Edit...", &CLibraryView::OnEdit);
    add(m_contextMenu, "&Rename\tF2", &CLibraryView::OnRename);
    add(m_contextMenu, "P&roperties...", &CLibraryView::OnProperties);
    m_contextMenu->addSeparator();
    add(m_contextMenu, "Select &All\tCtrl+A", &CLibraryView::OnSelectAll);

    add(m_menu, "&Delete\tDel", &CLibraryView::OnDelete);
    add(m_menu, "Select &All\tCtrl+A", &CLibraryView::OnSelectAll);
    add(m_menu, "Re&name\tF2", &CLibraryView::OnRename);
    m_menu->addSeparator();
    add(m_menu, "&Keys...", &CLibraryView::OnKeys);
    add(m_menu, "&Find...\tCtrl+F", &CLibraryView::OnFind);
    add(m_menu, "Find &double patches", &CLibraryView::OnFindDoubles);
    m_menu->addSeparator();
    add(m_menu, "&Import Files...", &CLibraryView::OnImportFiles);

    RefreshSettings();
    FitColumns();
    UpdatePanes();
    UpdateTitle();
    m_document->SetModifiedListener([this](bool) {
        UpdateTitle();
        emit StateChanged();
    });
}

CLibraryView::~CLibraryView() {
    m_document->SetModifiedListener({});
    // Commands refer to the document and the model: they go first.
    m_commands.reset();
    m_document->RemoveView(this);
}

QTableView& CLibraryView::Table() const { return *m_table; }

void CLibraryView::FitColumns() {
    // Measured on the first rows only: a large library must not hold up its window.
    QHeaderView& header = *m_table->horizontalHeader();
    header.setResizeContentsPrecision(kFitRows);
    m_table->resizeColumnsToContents();
    // Texts of the first rows say little about the rest: names, comments and dates keep room.
    for (int c : {LibraryEngine::COLUMN_NAME, LibraryEngine::COLUMN_DATE, LibraryEngine::COLUMN_COMMENT})
        header.resizeSection(c, std::max(header.sectionSize(c), kTextColumnWidth));
}

void CLibraryView::SetAuditionSink(std::function<void(const CPatch&)> sink) { AuditionSink() = std::move(sink); }

void CLibraryView::RefreshSettings() {
    const CAppConfig& config = CAppConfig::Get();
    if (config.m_fontType.empty()) return;
    QFont font(QString::fromStdString(config.m_fontType));
    font.setPixelSize(std::max(1, config.m_viewFontSize));
    m_table->setFont(font);
    m_table->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
}

namespace {
// Calls visit(tool) for every library tool, in menu order, until it returns true.
template <typename Visit>
void ForEachLibraryTool(Visit&& visit) {
    CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
    for (int m = 0; m < factory.GetCount(); ++m) {
        CSynthMemory& memory = factory.GetMemory(m);
        for (int j = 0; j < memory.GetAdditionalToolsCount(); ++j) {
            CBasicSynthTool& tool = memory.GetAdditionalTool(j);
            if (!tool.UseForBank() && visit(tool)) return;
        }
    }
}
}  // namespace

std::vector<std::string> CLibraryView::GetToolMenuTexts() const {
    std::vector<std::string> texts;
    ForEachLibraryTool([&texts](CBasicSynthTool& tool) {
        texts.push_back(tool.GetMenuText());
        return static_cast<int>(texts.size()) >= kMaxTools;
    });
    return texts;
}

void CLibraryView::OnRunTool(int k) {
    int seen = 0;
    ForEachLibraryTool([&](CBasicSynthTool& tool) {
        if (seen++ != k) return false;
        tool.Execute(CToolContext{m_commands.get(), static_cast<QWidget*>(this), &m_document->GetLibrary()});
        return true;
    });
    m_document->UpdateAllViews(nullptr);
}

std::string CLibraryView::ColumnLayout() const {
    std::string text;
    for (int c = 0; c < LibraryEngine::COLUMN_COUNT; ++c)
        text += (c ? "," : "") + std::to_string(m_table->horizontalHeader()->sectionSize(c));
    return text + ";" + std::to_string(m_model->SortColumn());
}

void CLibraryView::ApplyColumnLayout(const std::string& layout) {
    // Anything malformed leaves the defaults: a hand-edited settings file must not break the window.
    const QString text = QString::fromStdString(layout);
    const QStringList parts = text.split(';');
    const QStringList widths = parts.value(0).split(',', Qt::SkipEmptyParts);
    for (int c = 0; c < widths.size() && c < LibraryEngine::COLUMN_COUNT; ++c) {
        bool ok = false;
        const int width = widths[c].trimmed().toInt(&ok);
        if (ok && width > 0 && width < 10000) m_table->horizontalHeader()->resizeSection(c, width);
    }
    bool ok = false;
    const int column = parts.value(1).trimmed().toInt(&ok);
    if (ok && column > 0 && column < LibraryEngine::COLUMN_COUNT) m_model->SortBy(column);
}

QString CLibraryView::FilterPaneText() const { return m_filterPane->text(); }
QString CLibraryView::CountPaneText() const { return m_countPane->text(); }

void CLibraryView::UpdatePanes() {
    m_filterPane->setText(tonalith::ui::FromModelText(m_model->Filter().StatusText(m_document->GetKeyNames())));
    m_countPane->setText(QString::asprintf(" %d/%d", m_model->rowCount(), m_document->GetLibrary().GetSize()));
}

void CLibraryView::UpdateTitle() {
    QString title = tonalith::ui::FromModelText(m_document->GetTitle());
    if (m_document->IsModified()) title += '*';
    setWindowTitle(title);
    if (parentWidget()) parentWidget()->setWindowTitle(title);
}

void CLibraryView::OnUpdate(CView*, long hint, const void* hintObject) {
    m_model->Rebuild();
    if (hint == HINT_LIBRARY_SELECT && hintObject)
        SelectIndices(static_cast<const CLibrarySelectionHint*>(hintObject)->indices);
    UpdatePanes();
    emit StateChanged();
}

void CLibraryView::Execute(std::unique_ptr<CBasicCommand> command) {
    m_commands->Execute(std::move(command));
    emit StateChanged();
}

void CLibraryView::OnUndo() {
    if (m_commands->CanUndo()) m_commands->Undo();
    emit StateChanged();
}

void CLibraryView::OnRedo() {
    if (m_commands->CanRedo()) m_commands->Redo();
    emit StateChanged();
}

std::vector<int> CLibraryView::SelectedIndices() const {
    QModelIndexList rows = m_table->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<int> indices;
    indices.reserve(static_cast<std::size_t>(rows.size()));
    for (const QModelIndex& row : rows) indices.push_back(m_model->LibraryIndex(row.row()));
    return indices;
}

bool CLibraryView::HasSelection() const { return m_table->selectionModel()->hasSelection(); }

void CLibraryView::SelectIndices(const std::vector<int>& indices) {
    // One pass over the rows: selecting the doubles of a large library stays linear.
    std::vector<int> rowOf(static_cast<std::size_t>(m_document->GetLibrary().GetSize()), -1);
    for (int r = 0; r < m_model->rowCount(); ++r) {
        const int index = m_model->LibraryIndex(r);
        if (index >= 0 && index < static_cast<int>(rowOf.size())) rowOf[static_cast<std::size_t>(index)] = r;
    }
    QItemSelection selection;
    int first = -1;
    for (int index : indices) {
        const int row =
            index >= 0 && index < static_cast<int>(rowOf.size()) ? rowOf[static_cast<std::size_t>(index)] : -1;
        if (row < 0) continue;
        if (first < 0) first = row;
        selection.select(m_model->index(row, 0), m_model->index(row, LibraryEngine::COLUMN_COUNT - 1));
    }
    QItemSelectionModel& model = *m_table->selectionModel();
    // Selecting rows is not a focus change of the user's: no audition.
    const QSignalBlocker block(&model);
    model.select(selection, QItemSelectionModel::ClearAndSelect);
    if (first >= 0) {
        model.setCurrentIndex(m_model->index(first, 0), QItemSelectionModel::NoUpdate);
        m_table->scrollTo(m_model->index(first, 0));
    }
    m_table->viewport()->update();
}

int CLibraryView::FocusedIndex() const {
    const QModelIndex current = m_table->selectionModel()->currentIndex();
    if (!current.isValid() || !m_table->selectionModel()->isRowSelected(current.row())) {
        const std::vector<int> selected = SelectedIndices();
        return selected.empty() ? -1 : selected.front();
    }
    return m_model->LibraryIndex(current.row());
}

const CPatch* CLibraryView::FocusedPatch() const {
    const int index = FocusedIndex();
    return index < 0 ? nullptr : m_document->GetLibrary().GetPatch(index);
}

void CLibraryView::Audition(int row) {
    const int index = m_model->LibraryIndex(row);
    if (index < 0) return;
    const CPatch* patch = m_document->GetLibrary().GetPatch(index);
    if (!patch) return;
    if (AuditionSink()) {
        AuditionSink()(*patch);
        return;
    }
    const CSynthMemory* memory = MemoryOf(*patch);
    if (!memory) {
        CUi::Get().MessageBox(CStringTable::Get(61216), CUi::Icon::Warning);
        return;
    }
    if (const CSynth* synth = memory->GetSynth()) patch->Send(*synth, true);
}

void CLibraryView::SortByColumn(int column) { Execute(std::make_unique<CViewSortCommand>(*m_model, column)); }

void CLibraryView::OnSelectAll() {
    m_table->selectAll();
    emit StateChanged();
}

void CLibraryView::OnDelete() {
    std::vector<int> indices = SelectedIndices();
    if (indices.empty()) return;
    Execute(std::make_unique<CDeleteCommand>(m_document->GetLibrary(), m_document.get(), std::move(indices)));
}

void CLibraryView::OnCopy() {
    for (int index : SelectedIndices())
        if (const CPatch* patch = m_document->GetLibrary().GetPatch(index)) CCopyBox::Get().AddPatch(*patch);
    emit StateChanged();
}

void CLibraryView::OnPaste() {
    CCopyBox& box = CCopyBox::Get();
    box.SetFilter(std::nullopt);
    CCopyBoxDlg dialog(box, this);
    if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) return;
    std::vector<const CPatch*> patches;
    for (int i : dialog.GetSelection())
        if (i >= 0 && i < box.GetCount()) patches.push_back(&box.GetPatch(i));
    AddPatches(patches);
}

bool CLibraryView::AddPatches(const std::vector<const CPatch*>& patches) {
    if (patches.empty()) return false;
    // Any patch with references refuses the whole addition, not only the first one.
    for (const CPatch* patch : patches) {
        if (patch->HasReferences()) {
            CUi::Get().MessageBox(kReferencesMessage, CUi::Icon::Warning);
            return false;
        }
    }
    std::vector<std::unique_ptr<CLibraryPatch>> entries;
    entries.reserve(patches.size());
    for (const CPatch* patch : patches) entries.push_back(std::make_unique<CLibraryPatch>(*patch));
    Execute(std::make_unique<CLibraryPasteCommand>(m_document->GetLibrary(), m_document.get(), std::move(entries)));
    return true;
}

void CLibraryView::OnEdit() {
    const int index = FocusedIndex();
    if (index < 0) return;
    const CLibraryPatch& entry = m_document->GetLibrary().Get(index);
    const CPatch* patch = entry.GetPatch();
    if (!patch) return;
    const CSynthMemory* memory = MemoryOf(*patch);
    if (!memory) {
        CUi::Get().MessageBox(CStringTable::Get(61216), CUi::Icon::Warning);
        return;
    }
    if (const CSynth* synth = memory->GetSynth()) patch->Send(*synth, true);
    const std::unique_ptr<CPatch> oldPatch = patch->Clone();
    const std::unique_ptr<CPatch> newPatch = patch->Clone();
    if (newPatch->Edit())
        Execute(std::make_unique<CLibraryEditCommand>(m_document->GetLibrary(), m_document.get(), index, *oldPatch,
                                                      *newPatch));
}

void CLibraryView::OnRename() {
    const int index = FocusedIndex();
    if (index < 0) return;
    const CPatch* patch = m_document->GetLibrary().GetPatch(index);
    if (!patch) return;
    const int row = m_model->RowOf(index);
    const QRect cell = m_table->visualRect(m_model->index(row, LibraryEngine::COLUMN_NAME));
    const QRect place(m_table->viewport()->mapToGlobal(cell.topLeft()),
                      QSize(std::max(cell.width(), 120), cell.height() + 6));
    const std::string oldName = patch->GetName();
    CRenameDlg dialog(tonalith::ui::FromPatchText(oldName), patch->GetNameLength(), place, this);
    if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) return;
    const std::string name = tonalith::ui::ToPatchText(dialog.Text().left(patch->GetNameLength()));
    if (name == oldName) return;
    const std::unique_ptr<CPatch> renamed = patch->Clone();
    renamed->SetName(name);
    Execute(std::make_unique<CLibraryEditCommand>(m_document->GetLibrary(), m_document.get(), index, *patch, *renamed));
}

std::unique_ptr<QMimeData> CLibraryView::CreateDragData() const {
    std::vector<const CLibraryPatch*> entries;
    for (int index : SelectedIndices()) entries.push_back(&m_document->GetLibrary().Get(index));
    const std::vector<std::uint8_t> payload = LibraryFile::WritePayload(entries);
    auto mime = std::make_unique<QMimeData>();
    mime->setData(LibraryFile::kBankItemMimeType,
                  QByteArray(reinterpret_cast<const char*>(payload.data()), static_cast<qsizetype>(payload.size())));
    mime->setData(kSourceMime, SourceTag(this));
    return mime;
}

bool CLibraryView::IsOwnDrag(const QMimeData& mime) const {
    return m_ownDrag || mime.data(kSourceMime) == SourceTag(this);
}

void CLibraryView::StartDrag() {
    auto* drag = new QDrag(this);  // Qt deletes it when the drag ends
    drag->setMimeData(CreateDragData().release());
    m_ownDrag = true;
    drag->exec(Qt::CopyAction, Qt::CopyAction);
    m_ownDrag = false;
}

bool CLibraryView::Drop(const QMimeData& mime) {
    if (IsOwnDrag(mime) || !mime.hasFormat(LibraryFile::kBankItemMimeType)) return false;
    const QByteArray bytes = mime.data(LibraryFile::kBankItemMimeType);
    const auto* begin = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const LibraryFile::Payload payload = LibraryFile::ReadPayload(
        std::span<const std::uint8_t>(begin, static_cast<std::size_t>(bytes.size())), m_document->GetPatchCreator());
    std::vector<const CPatch*> patches;
    for (const auto& entry : payload.entries)
        if (const CPatch* patch = entry->GetPatch()) patches.push_back(patch);
    return AddPatches(patches);
}

bool CLibraryView::Save() {
    const bool ok = m_document->OnSaveDocument(m_document->GetPathName());
    UpdateTitle();
    emit StateChanged();
    return ok;
}

bool CLibraryView::SaveAs() {
    const bool ok = m_document->OnSaveDocument({});
    UpdateTitle();
    emit StateChanged();
    return ok;
}

void CLibraryView::closeEvent(QCloseEvent* event) {
    if (m_document->IsModified() &&
        !tonalith::ui::AskToSaveChanges(this, m_document->GetTitle(), [this] { return Save(); })) {
        event->ignore();
        return;
    }
    event->accept();
}
