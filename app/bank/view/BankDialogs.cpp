#include "BankDialogs.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "Patch.h"
#include "tonalith/ui/PatchText.h"

namespace {
QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(dialog);
    buttons->addButton("&OK", QDialogButtonBox::AcceptRole);
    buttons->addButton("&Cancel", QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}
}  // namespace

void KeepTitleVisible(QDialog& dialog) {
    // Room for the frame, an icon and three title buttons beside the text.
    constexpr int kTitleBarExtra = 160;
    const int title = dialog.fontMetrics().horizontalAdvance(dialog.windowTitle());
    dialog.setMinimumWidth(std::max(dialog.minimumWidth(), title + kTitleBarExtra));
}

CChooseSynthMemoryDlg::CChooseSynthMemoryDlg(const std::vector<std::string>& names, QWidget* parent)
    : QDialog(parent), m_list(new QListWidget(this)) {
    setWindowTitle("Choose The Synth Memory");
    KeepTitleVisible(*this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Available Synth Memories:", this));
    layout->addWidget(m_list);
    for (const std::string& name : names) m_list->addItem(QString::fromStdString(name));
    if (m_list->count() > 0) m_list->setCurrentRow(0);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    QDialogButtonBox* buttons = OkCancel(this);
    // Nothing to create without a memory: OK needs a selected entry.
    QAbstractButton* ok = buttons->buttons().front();
    ok->setEnabled(m_list->currentRow() >= 0);
    connect(m_list, &QListWidget::currentRowChanged, ok, [ok](int row) { ok->setEnabled(row >= 0); });
    layout->addWidget(buttons);
}

int CChooseSynthMemoryDlg::GetSelection() const { return m_list->currentRow(); }

CSelectLayersDlg::CSelectLayersDlg(const std::vector<std::string>& names, QWidget* parent)
    : QDialog(parent), m_list(new QListWidget(this)) {
    setWindowTitle("Select Layers To Save");
    KeepTitleVisible(*this);
    m_list->setSelectionMode(QAbstractItemView::MultiSelection);
    for (const std::string& name : names) m_list->addItem(QString::fromStdString(name));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    QDialogButtonBox* buttons = OkCancel(this);
    layout->addWidget(buttons);
    // OK with nothing chosen would write an empty file: it waits for a layer.
    QAbstractButton* ok = buttons->buttons().front();
    ok->setEnabled(false);
    connect(m_list, &QListWidget::itemSelectionChanged, ok,
            [this, ok] { ok->setEnabled(!m_list->selectedItems().isEmpty()); });
}

std::vector<int> CSelectLayersDlg::GetSelection() const {
    std::vector<int> rows;
    for (int i = 0; i < m_list->count(); ++i)
        if (m_list->item(i)->isSelected()) rows.push_back(i);
    return rows;
}

CChangeNameDlg::CChangeNameDlg(const CPatch& patch, const QFont& font, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_edit(new QLineEdit(this)) {
    setWindowTitle("Change Name ");
    m_edit->setFont(font);
    m_edit->setMaxLength(std::max(1, patch.GetNameLength()));
    std::string name = patch.GetName();
    while (!name.empty() && name.back() == ' ') name.pop_back();
    m_edit->setText(tonalith::ui::FromPatchText(name));
    m_edit->selectAll();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_edit);
    connect(m_edit, &QLineEdit::returnPressed, this, &QDialog::accept);
}

std::string CChangeNameDlg::GetName(std::string* lost) const { return tonalith::ui::ToPatchText(m_edit->text(), lost); }
