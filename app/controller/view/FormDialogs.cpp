#include "FormDialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

#include "ControllerDocument.h"
#include "FormWidgets.h"
#include "Ui.h"
#include "tonalith/ui/ChooseCtrl.h"

using tonalith::ui::FromPatchText;
using tonalith::ui::ToPatchText;

// ---- CEditSnapshotsDlg --------------------------------------------------------

CEditSnapshotsDlg::CEditSnapshotsDlg(CControllerDocument& document, QWidget* parent)
    : QDialog(parent), m_document(document), m_list(new QListWidget(this)), m_name(new QLineEdit(this)),
      m_up(new QPushButton("Up", this)), m_down(new QPushButton("Down", this)),
      m_delete(new QPushButton("Delete", this)), m_close(new QPushButton("Close", this)) {
    setWindowTitle("Edit Snapshots");
    auto* left = new QVBoxLayout;
    left->addWidget(m_name);
    left->addWidget(new QLabel("Snapshots:", this));
    left->addWidget(m_list);
    auto* right = new QVBoxLayout;
    for (QPushButton* button : {m_up, m_down, m_delete}) {
        button->setAutoDefault(false);
        right->addWidget(button);
    }
    right->addStretch();
    right->addWidget(m_close);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right);

    connect(m_list, &QListWidget::currentRowChanged, this, [this] { ShowSelection(); });
    // Typing renames the selected snapshot at once.
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) {
        const int row = m_list->currentRow();
        if (row < 0) return;
        m_document.RenameSnapshot(row, ToPatchText(text));
        m_list->item(row)->setText(FromPatchText(m_document.GetSnapshot(row).m_strName));
        m_changed = true;
    });
    connect(m_up, &QPushButton::clicked, this, [this] {
        Fill(m_document.MoveSnapshotUp(m_list->currentRow()));
        m_changed = true;
    });
    connect(m_down, &QPushButton::clicked, this, [this] {
        Fill(m_document.MoveSnapshotDown(m_list->currentRow()));
        m_changed = true;
    });
    connect(m_delete, &QPushButton::clicked, this, [this] {
        const int row = m_list->currentRow();
        if (row < 0) return;
        m_document.DeleteSnapshot(row);
        m_changed = true;
        // The next snapshot takes the deleted one's place in the selection.
        Fill(std::min(row, m_document.GetSnapshotCount() - 1));
    });
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    Fill(0);
}

void CEditSnapshotsDlg::Fill(int row) {
    {
        const QSignalBlocker block(m_list);
        m_list->clear();
        for (const std::string& name : m_document.GetSnapshotNames()) m_list->addItem(FromPatchText(name));
        m_list->setCurrentRow(row >= 0 && row < m_list->count() ? row : -1);
    }
    ShowSelection();
}

void CEditSnapshotsDlg::ShowSelection() {
    const int row = m_list->currentRow();
    const int count = m_list->count();
    m_list->setEnabled(count > 0);
    m_name->setEnabled(count > 0);
    m_name->setText(row >= 0 ? m_list->item(row)->text() : QString());
    m_up->setEnabled(row > 0);
    m_down->setEnabled(row >= 0 && row + 1 < count);
    m_delete->setEnabled(row >= 0);
}

// ---- CSetOutputDlg ------------------------------------------------------------

CSetOutputDlg::CSetOutputDlg(CControllerDocument& document, QWidget* parent)
    : QDialog(parent), m_document(document), m_port(new CChooseCtrl(this)), m_channel(new CChooseCtrl(this)),
      m_setPort(new QPushButton("Set", this)), m_setChannel(new QPushButton("Set", this)),
      m_close(new QPushButton("Close", this)) {
    setWindowTitle("Set Output and Channel");
    const CControllerOutput& output = m_document.GetOutput();
    for (int port = 0; port < output.GetDeviceCount(); ++port)
        m_port->AddItem(QString::fromStdString(output.GetDeviceName(port)), port);
    for (int channel = 0; channel < 16; ++channel) m_channel->AddItem(QString::number(channel + 1), channel);
    // Nothing is chosen at first: a "Set" waits for an entry.
    for (CChooseCtrl* combo : {m_port, m_channel}) combo->setCurrentIndex(-1);
    m_setPort->setEnabled(false);
    m_setChannel->setEnabled(false);
    connect(m_port, &CChooseCtrl::selectionChanged, m_setPort, [this] { m_setPort->setEnabled(true); });
    connect(m_channel, &CChooseCtrl::selectionChanged, m_setChannel, [this] { m_setChannel->setEnabled(true); });
    connect(m_setPort, &QPushButton::clicked, this, [this] { SetPort(); });
    connect(m_setChannel, &QPushButton::clicked, this, [this] { SetChannel(); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    for (QPushButton* button : {m_setPort, m_setChannel}) button->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Port:", this), 0, 0);
    grid->addWidget(m_port, 0, 1);
    grid->addWidget(m_setPort, 0, 2);
    grid->addWidget(new QLabel("Channel:", this), 1, 0);
    grid->addWidget(m_channel, 1, 1);
    grid->addWidget(m_setChannel, 1, 2);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("This dialog allows you set the midi output port and the midi\n"
                                 "channel for all control items in this view.",
                                 this));
    layout->addLayout(grid);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(m_close);
    layout->addLayout(bottom);
}

void CSetOutputDlg::SetPort() {
    const int index = m_port->GetSelection();
    if (index < 0) return;
    const int port = m_port->GetValue();
    // The device may have gone since the list was made (unplugged).
    if (!m_document.SetOutputPortForAll(port))
        CUi::Get().MessageBox("The MIDI output \"" + ToPatchText(m_port->itemText(index)) +
                                  "\" is no longer present. The ports were not changed.",
                              CUi::Icon::Warning);
}

void CSetOutputDlg::SetChannel() {
    if (m_channel->GetSelection() < 0) return;
    m_document.SetChannelForAll(m_channel->GetValue());
}

// ---- CFormInfoDlg -------------------------------------------------------------

CFormInfoDlg::CFormInfoDlg(const CControllerDocument& document, QWidget* parent)
    : QDialog(parent), m_author(new QLineEdit(FromPatchText(document.GetAuthor()), this)),
      m_email(new QLineEdit(FromPatchText(document.GetEmail()), this)),
      m_description(new QPlainTextEdit(tonalith::ui::FromFormLines(document.GetDescription()), this)) {
    setWindowTitle("Info");
    m_description->setTabChangesFocus(true);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Author:", this), 0, 0);
    grid->addWidget(m_author, 0, 1);
    grid->addWidget(new QLabel("Email:", this), 1, 0);
    grid->addWidget(m_email, 1, 1);
    grid->addWidget(new QLabel("Description:", this), 2, 0, Qt::AlignTop);
    grid->addWidget(m_description, 2, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(tonalith::ui::OkCancelButtons(*this));
}

std::string CFormInfoDlg::GetAuthor() const { return ToPatchText(m_author->text()); }
std::string CFormInfoDlg::GetEmail() const { return ToPatchText(m_email->text()); }
std::string CFormInfoDlg::GetDescription() const { return tonalith::ui::ToFormLines(m_description->toPlainText()); }
