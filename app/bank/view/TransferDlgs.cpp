#include "TransferDlgs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

#include "AppConfig.h"
#include "FileX.h"
#include "Midi.h"
#include "StringTable.h"
#include "SynthMemoryFactory.h"
#include "Ui.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/QtUi.h"

namespace {
constexpr int kMemoryRole = Qt::UserRole;
constexpr int kCommandRole = Qt::UserRole + 1;

void AddEntry(QListWidget& list, const CTransferEntry& entry) {
    auto* item = new QListWidgetItem(QString::fromStdString(entry.text), &list);
    item->setData(kMemoryRole, entry.memory);
    item->setData(kCommandRole, entry.command);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}
}  // namespace

CReceiveDlg::CReceiveDlg(Mode mode, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_automatic(new QListWidget(this)), m_manual(new QListWidget(this)),
      m_path(new QLineEdit(this)), m_right(new QPushButton("&>>", this)), m_left(new QPushButton("&<<", this)),
      m_ok(new QPushButton("&Receive", this)) {
    const bool all = mode == Mode::All;
    setWindowTitle(all ? "Receive All" : "Receive");
    {
        tonalith::ui::CWaitCursor wait;
        const std::set<std::string> remembered =
            all ? ReadReceiveAllSelection(CAppConfig::Get()) : std::set<std::string>{};
        m_lists = BuildReceiveLists(CSynthMemoryFactory::Get(), all, remembered);
        for (const CTransferEntry& e : m_lists.automatic) AddEntry(*m_automatic, e);
        for (const CTransferEntry& e : m_lists.manual) AddEntry(*m_manual, e);
    }
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Automatic:", this), 0, 0);
    grid->addWidget(new QLabel(all ? "Selected:" : "Manual:", this), 0, 2);
    grid->addWidget(m_automatic, 1, 0);
    auto* moves = new QVBoxLayout;
    moves->addStretch();
    moves->addWidget(m_right);
    moves->addWidget(m_left);
    moves->addStretch();
    grid->addLayout(moves, 1, 1);
    grid->addWidget(m_manual, 1, 2);
    m_right->setVisible(all);
    m_left->setVisible(all);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(new QLabel(all ? "Store In Directory:" : "Store In File:", this));
    pathRow->addWidget(m_path, 1);
    auto* set = new QPushButton("&Set...", this);
    pathRow->addWidget(set);
    auto* buttons = new QDialogButtonBox(this);
    m_ok->setDefault(true);
    buttons->addButton(m_ok, QDialogButtonBox::AcceptRole);
    buttons->addButton("&Cancel", QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(pathRow);
    layout->addWidget(buttons);

    std::string path = CFileX::EnsureSlash(
        CAppConfig::Get().m_actPath.empty() ? std::filesystem::current_path().string() : CAppConfig::Get().m_actPath);
    if (!all) path += TodayText() + ".syx";
    m_path->setText(QString::fromStdString(path));

    if (m_automatic->count() > 0) m_automatic->setCurrentRow(0);
    if (all && m_manual->count() > 0) m_manual->setCurrentRow(0);
    if (!all) {
        // One entry at most is chosen across both lists.
        connect(m_automatic, &QListWidget::itemSelectionChanged, this, [this] {
            if (!m_automatic->selectedItems().isEmpty()) m_manual->clearSelection();
        });
        connect(m_manual, &QListWidget::itemSelectionChanged, this, [this] {
            if (!m_manual->selectedItems().isEmpty()) m_automatic->clearSelection();
        });
    }
    for (QListWidget* list : {m_automatic, m_manual})
        connect(list, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    connect(m_right, &QPushButton::clicked, this, [this] { Move(*m_automatic, *m_manual); });
    connect(m_left, &QPushButton::clicked, this, [this] { Move(*m_manual, *m_automatic); });
    connect(set, &QPushButton::clicked, this, &CReceiveDlg::OnSet);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_ok, &QPushButton::clicked, this, &CReceiveDlg::accept);
    UpdateButtons();
}

void CReceiveDlg::Move(QListWidget& from, QListWidget& to) {
    const int row = from.currentRow();
    if (row < 0 || from.selectedItems().isEmpty()) return;
    QListWidgetItem* item = from.takeItem(row);
    to.addItem(item);
    to.setCurrentItem(item);
    if (from.count() > 0) from.setCurrentRow(0);
    UpdateButtons();
}

void CReceiveDlg::UpdateButtons() {
    m_right->setEnabled(m_automatic->count() > 0);
    m_left->setEnabled(m_manual->count() > 0);
    m_ok->setEnabled(m_mode == Mode::Receive ? m_automatic->count() + m_manual->count() > 0 : m_manual->count() > 0);
}

void CReceiveDlg::OnSet() {
    const QString start = QString::fromStdString(CAppConfig::Get().m_actPath);
    if (m_mode == Mode::All) {
        QFileDialog dialog(this, "Store In Directory", start);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        if (tonalith::ui::RunDialog(dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            m_path->setText(dialog.selectedFiles().front());
        return;
    }
    if (const auto file = CUi::Get().ChooseSaveFile("Store In File", "syx",
                                                    "System Exclusive Data (*.syx)|*.syx|All Files (*.*)|*.*||"))
        m_path->setText(QString::fromStdString(*file));
}

CTransferEntry CReceiveDlg::EntryOf(const QListWidget& list, int row) const {
    const QListWidgetItem* item = list.item(row);
    if (!item) return {};
    return {item->data(kMemoryRole).toInt(), item->data(kCommandRole).toInt(), item->text().toStdString()};
}

void CReceiveDlg::accept() {
    std::string path = m_path->text().trimmed().toStdString();
    std::string folder = m_mode == Mode::All ? path : FolderOf(path);
    if (path.empty() || (!folder.empty() && !CFileX::Exists(folder))) {
        CUi::Get().MessageBox(CStringTable::Get(61246));
        return;
    }
    folder = CFileX::EnsureSlash(folder);
    if (m_mode == Mode::All) {
        path = folder;
        m_selected.clear();
        std::vector<std::string> names;
        for (int i = 0; i < m_manual->count(); ++i) {
            m_selected.push_back(EntryOf(*m_manual, i));
            names.push_back(m_selected.back().text);
        }
        if (m_selected.empty()) return;
        WriteReceiveAllSelection(CAppConfig::Get(), names);
    } else {
        const bool manual = !m_manual->selectedItems().isEmpty();
        const QListWidget& list = manual ? *m_manual : *m_automatic;
        if (list.selectedItems().isEmpty() && list.currentRow() < 0) return;
        if (std::filesystem::is_directory(path)) {
            CUi::Get().MessageBox("\"" + path + "\" is a folder; give a file name to store the dump in.");
            return;
        }
        if (CFileX::Exists(path)) {
            QString question =
                QString::fromStdString(CStringTable::Get(62009)).replace("%1", QString::fromStdString(path));
            if (!CUi::Get().AskYesNo(question.toStdString())) return;
        }
        m_isManual = manual;
        m_chosen =
            EntryOf(list, list.row(list.selectedItems().isEmpty() ? list.currentItem() : list.selectedItems().front()));
    }
    CAppConfig::Get().m_actPath = folder;
    m_chosenPath = path;
    QDialog::accept();
}

CSendDlg::CSendDlg(const std::vector<std::string>& layers, const std::vector<int>& preselected,
                   const std::vector<int>& missing, const std::vector<std::string>& connections, QWidget* parent)
    : QDialog(parent), m_layers(new QListWidget(this)), m_connections(new QListWidget(this)),
      m_warning(new QLabel(this)), m_missing(missing), m_generic(!connections.empty()) {
    setWindowTitle("Send to Synth");
    auto* text =
        new QLabel(m_generic ? QString::fromStdString(CStringTable::Get(62008)) : "Choose layers to send:", this);
    m_layers->setSelectionMode(QAbstractItemView::MultiSelection);
    for (const std::string& name : layers) m_layers->addItem(QString::fromStdString(name));
    for (int i : preselected)
        if (QListWidgetItem* item = m_layers->item(i)) item->setSelected(true);
    for (const std::string& name : connections) m_connections->addItem(QString::fromStdString(name));
    if (m_connections->count() > 0) m_connections->setCurrentRow(0);
    m_layers->setVisible(!m_generic);
    m_connections->setVisible(m_generic);
    m_warning->setWordWrap(true);
    m_warning->setStyleSheet("color: #b00000");
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton("&Send", QDialogButtonBox::AcceptRole);
    buttons->addButton("&Cancel", QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_layers);
    layout->addWidget(m_connections);
    layout->addWidget(m_warning);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_layers, &QListWidget::itemSelectionChanged, this, &CSendDlg::UpdateWarning);
    UpdateWarning();
}

void CSendDlg::UpdateWarning() {
    // A layer the bank's file did not hold would overwrite the instrument's memory with initial patches.
    QStringList names;
    for (int i : m_missing)
        if (QListWidgetItem* item = m_layers->item(i); item && item->isSelected()) names << item->text();
    m_warning->setText(names.isEmpty() ? QString()
                                       : "The file did not hold " + names.join(", ") +
                                             ": sending overwrites the synthesizer's patches there with this bank's "
                                             "initial patches.");
    m_warning->setVisible(!names.isEmpty());
}

std::vector<int> CSendDlg::GetLayers() const {
    if (m_generic) return {0};
    std::vector<int> out;
    for (int i = 0; i < m_layers->count(); ++i)
        if (m_layers->item(i)->isSelected()) out.push_back(i);
    return out;
}

int CSendDlg::GetConnection() const { return m_generic ? m_connections->currentRow() : -1; }

CTransferStatusDlg::CTransferStatusDlg(QWidget* parent)
    : QDialog(parent), m_text(new QLabel(this)), m_count(new QLabel("0", this)), m_progress(new QProgressBar(this)),
      m_stop(new QPushButton("&Stop", this)) {
    setWindowTitle("Status");
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_count);
    layout->addWidget(m_progress);
    layout->addWidget(m_stop, 0, Qt::AlignHCenter);
    m_progress->setTextVisible(false);
    connect(m_stop, &QPushButton::clicked, this, &CTransferStatusDlg::Stop);
}

void CTransferStatusDlg::Start(Mode mode, long expected, CMidiDevice* device) {
    m_mode = mode;
    m_device = device;
    m_text->setText(QString::fromStdString(CStringTable::Get(62000 + static_cast<unsigned>(mode))));
    m_progress->setVisible(expected >= 0);
    if (expected >= 0) m_progress->setRange(0, static_cast<int>(std::max(1L, expected)));
    SetBytes(0);
    show();
    raise();
}

void CTransferStatusDlg::SetBytes(long bytes) {
    m_count->setText(QString::number(bytes));
    if (m_progress->isVisible() || m_progress->maximum() > 0)
        m_progress->setValue(static_cast<int>(std::min<long>(bytes, m_progress->maximum())));
}

void CTransferStatusDlg::Stop() {
    hide();
    emit Stopped();
    if (m_device) m_device->Stop();
}
