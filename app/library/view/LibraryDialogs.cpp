#include "LibraryDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "Library.h"
#include "Patch.h"
#include "tonalith/ui/PatchText.h"

using tonalith::ui::FromPatchText;
using tonalith::ui::ToPatchText;

CKeyChooser::CKeyChooser(const CLibraryKeyNames& names, QWidget* parent)
    : QObject(parent), m_names(names), m_group(new QComboBox(parent)), m_key(new QComboBox(parent)) {
    for (int g = 0; g < CLibraryKeyNames::kChoosableGroups; ++g) m_group->addItem(FromPatchText(names.GroupName(g)));
    connect(m_group, &QComboBox::currentIndexChanged, this, [this](int group) { FillKeys(group); });
    FillKeys(0);
}

void CKeyChooser::FillKeys(int group) {
    m_key->clear();
    for (const std::string& name : m_names.KeysOfGroup(std::max(0, group))) m_key->addItem(FromPatchText(name));
    m_key->setCurrentIndex(0);
    m_key->setEnabled(m_enabled && group > 0);
}

void CKeyChooser::SetByte(std::uint8_t byte) {
    int group = CLibraryKeyNames::GroupOf(byte);
    int key = CLibraryKeyNames::KeyIndexOf(byte);
    // Group 15 and entry 0 of a group cannot be chosen: they show as no key.
    if (group >= CLibraryKeyNames::kChoosableGroups || key < 0) group = 0, key = 0;
    m_group->setCurrentIndex(group);
    FillKeys(group);
    m_key->setCurrentIndex(key);
}

std::uint8_t CKeyChooser::Byte() const {
    return CLibraryKeyNames::KeyByte(std::max(0, m_group->currentIndex()), std::max(0, m_key->currentIndex()));
}

void CKeyChooser::SetEnabled(bool enabled) {
    m_enabled = enabled;
    m_group->setEnabled(enabled);
    m_key->setEnabled(enabled && m_group->currentIndex() > 0);
}

// ---------------------------------------------------------------------------

CSearchDlg::CSearchDlg(const CLibraryKeyNames& names, const LibraryEngine::CSearchFilter& filter, QWidget* parent)
    : QDialog(parent), m_name(new QLineEdit(this)) {
    using Filter = LibraryEngine::CSearchFilter;
    setWindowTitle("Search Patches");
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Name:", this), 0, 0);
    grid->addWidget(m_name, 0, 1, 1, 2);
    m_name->setText(FromPatchText(filter.name));
    for (int i = 0; i < Filter::kKeyCount; ++i) {
        auto* op = new QComboBox(this);
        for (std::uint8_t code = Filter::END; code <= Filter::OR_NOT; ++code) op->addItem(Filter::OpText(code));
        auto* chooser = new CKeyChooser(names, this);
        m_ops[static_cast<std::size_t>(i)] = op;
        m_keys[static_cast<std::size_t>(i)] = chooser;
        grid->addWidget(op, 1 + 2 * i, 1);
        grid->addWidget(new QLabel(QString("Key %1:").arg(i + 1), this), 2 + 2 * i, 0);
        grid->addWidget(chooser->Group(), 2 + 2 * i, 1);
        grid->addWidget(chooser->Key(), 2 + 2 * i, 2);
        op->setCurrentIndex(
            filter.ops[static_cast<std::size_t>(i)] <= Filter::OR_NOT ? filter.ops[static_cast<std::size_t>(i)] : 0);
        chooser->SetByte(filter.keys[static_cast<std::size_t>(i)] ? filter.keys[static_cast<std::size_t>(i)]
                                                                  : CLibraryKeyNames::KeyByte(0, 0));
        connect(op, &QComboBox::currentIndexChanged, this, [this] { UpdateRows(); });
    }
    auto* help = new QLabel(
        "AND is evaluated before OR. Example: Banjo OR Synth. Pad AND Synth. Solo finds every banjo and every "
        "pad that is also a solo sound.",
        this);
    help->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(help);
    layout->addWidget(buttons);
    UpdateRows();
}

void CSearchDlg::UpdateRows() {
    // A row counts only while every operator up to it is not END; END clears the rows after it.
    bool live = true;
    for (std::size_t i = 0; i < m_ops.size(); ++i) {
        m_ops[i]->setEnabled(live);
        if (!live) {
            const QSignalBlocker block(m_ops[i]);
            m_ops[i]->setCurrentIndex(LibraryEngine::CSearchFilter::END);
            m_keys[i]->SetByte(CLibraryKeyNames::KeyByte(0, 0));
        }
        live = live && m_ops[i]->currentIndex() != LibraryEngine::CSearchFilter::END;
        m_keys[i]->SetEnabled(live);
    }
}

LibraryEngine::CSearchFilter CSearchDlg::GetFilter() const {
    LibraryEngine::CSearchFilter filter;
    filter.name = ToPatchText(m_name->text());
    bool live = true;
    for (std::size_t i = 0; i < m_ops.size(); ++i) {
        const auto op = static_cast<std::uint8_t>(std::max(0, m_ops[i]->currentIndex()));
        live = live && op != LibraryEngine::CSearchFilter::END;
        filter.ops[i] = live ? op : std::uint8_t{LibraryEngine::CSearchFilter::END};
        filter.keys[i] = live ? m_keys[i]->Byte() : std::uint8_t{0};
    }
    return filter;
}

// ---------------------------------------------------------------------------

CDuplicatesDlg::CDuplicatesDlg(const CLibrary& library, QWidget* parent)
    : QDialog(parent), m_list(new QListWidget(this)), m_progress(new QProgressBar(this)),
      m_selectButton(new QPushButton("&Select Found Double Patches", this)), m_close(new QPushButton("&Close", this)) {
    setWindowTitle("Find double patches");
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_selectButton->setEnabled(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Double patches found:", this));
    layout->addWidget(m_list, 1);
    layout->addWidget(m_progress);
    auto* row = new QHBoxLayout;
    row->addWidget(m_selectButton);
    row->addStretch(1);
    row->addWidget(m_close);
    layout->addLayout(row);
    resize(480, 360);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_selectButton, &QPushButton::clicked, this, [this] { emit SelectFound(m_found); });

    // The job calls back on its thread; everything it reports is queued to this dialog.
    CDuplicateSearchJob::Callbacks callbacks;
    callbacks.progress = [this](int percent) {
        QMetaObject::invokeMethod(
            this, [this, percent] { m_progress->setValue(percent); }, Qt::QueuedConnection);
    };
    callbacks.found = [this](const CDuplicatePair& pair) {
        QMetaObject::invokeMethod(
            this,
            [this, text = pair.text, second = pair.second] {
                m_list->addItem(tonalith::ui::FromModelText(text));
                m_found.push_back(second);
            },
            Qt::QueuedConnection);
    };
    callbacks.finished = [this](bool) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_finished = true;
                m_progress->setValue(0);
                m_progress->setEnabled(false);
                m_close->setText("&Finished!");
                m_selectButton->setEnabled(!m_found.empty());
            },
            Qt::QueuedConnection);
    };
    m_job.Start(library, std::move(callbacks));
}

CDuplicatesDlg::~CDuplicatesDlg() { m_job.Stop(); }

void CDuplicatesDlg::done(int result) {
    // Closing while the search runs stops it and waits for the thread.
    m_job.Stop();
    QDialog::done(result);
}

// ---------------------------------------------------------------------------

CKeysDlg::CKeysDlg(const CLibraryKeyNames& names, QWidget* parent)
    : QDialog(parent), m_names(names), m_groups(new QListWidget(this)), m_keys(new QListWidget(this)),
      m_groupEdit(new QLineEdit(this)), m_keyEdit(new QLineEdit(this)) {
    setWindowTitle("Edit Keys");
    for (int g = 1; g < CLibraryKeyNames::kGroupCount; ++g) m_groups->addItem(FromPatchText(m_names.GroupName(g)));
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Key groups:", this), 0, 0);
    grid->addWidget(new QLabel("Keys:", this), 0, 1);
    grid->addWidget(m_groupEdit, 1, 0);
    grid->addWidget(m_keyEdit, 1, 1);
    grid->addWidget(m_groups, 2, 0);
    grid->addWidget(m_keys, 2, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    connect(m_groups, &QListWidget::currentRowChanged, this, [this](int row) { ShowGroup(row); });
    connect(m_keys, &QListWidget::currentRowChanged, this, [this](int row) {
        const QSignalBlocker block(m_keyEdit);
        m_keyEdit->setText(row >= 0 ? m_keys->item(row)->text() : QString());
    });
    // Typing renames the selected entry at once.
    connect(m_groupEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        const int row = m_groups->currentRow();
        if (row < 0) return;
        m_names.Set((row + 1) * 16, ToPatchText(text));
        m_groups->item(row)->setText(text);
    });
    connect(m_keyEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        const int group = m_groups->currentRow() + 1;
        const int key = m_keys->currentRow();
        if (group < 1 || key < 0) return;
        m_names.Set(group * 16 + key + 1, ToPatchText(text));
        m_keys->item(key)->setText(text);
    });
    m_groups->setCurrentRow(0);
}

void CKeysDlg::ShowGroup(int row) {
    const QSignalBlocker block(m_keys);
    m_keys->clear();
    m_groupEdit->setText(row >= 0 ? m_groups->item(row)->text() : QString());
    if (row < 0) return;
    for (const std::string& name : m_names.KeysOfGroup(row + 1)) m_keys->addItem(FromPatchText(name));
    m_keys->setCurrentRow(0);
    m_keyEdit->setText(m_keys->count() ? m_keys->item(0)->text() : QString());
}

// ---------------------------------------------------------------------------

CPropertiesDlg::CPropertiesDlg(const CLibraryKeyNames& names, const CLibraryPatch& entry, QWidget* parent)
    : QDialog(parent), m_name(new QLineEdit(this)), m_comment(new QPlainTextEdit(this)),
      m_all(new QCheckBox(kApplyToAll, this)) {
    setWindowTitle("Properties");
    const CPatch* patch = entry.GetPatch();
    m_name->setMaxLength(std::max(1, patch ? patch->GetNameLength() : 16));
    m_name->setText(FromPatchText(entry.Name()));
    m_comment->setPlainText(FromPatchText(entry.Comment()));
    // The comment holds at most 79 characters.
    connect(m_comment, &QPlainTextEdit::textChanged, this, [this] {
        constexpr int kMax = CLibraryPatch::kCommentSize - 1;
        const QString text = m_comment->toPlainText();
        if (text.size() <= kMax) return;
        const QSignalBlocker block(m_comment);
        m_comment->setPlainText(text.left(kMax));
        m_comment->moveCursor(QTextCursor::End);
    });
    auto* form = new QGridLayout;
    form->addWidget(new QLabel("Name:", this), 0, 0);
    form->addWidget(m_name, 0, 1, 1, 2);
    form->addWidget(new QLabel("Date:", this), 1, 0);
    form->addWidget(new QLabel(FromPatchText(entry.Date()), this), 1, 1, 1, 2);
    for (int i = 0; i < CLibraryPatch::kKeyCount; ++i) {
        auto* chooser = new CKeyChooser(names, this);
        chooser->SetByte(entry.Key(i));
        m_keys[static_cast<std::size_t>(i)] = chooser;
        form->addWidget(new QLabel(QString("Keygroup %1 / Key:").arg(i + 1), this), 2 + i, 0);
        form->addWidget(chooser->Group(), 2 + i, 1);
        form->addWidget(chooser->Key(), 2 + i, 2);
    }
    form->addWidget(new QLabel("Comment:", this), 10, 0);
    form->addWidget(m_comment, 10, 1, 1, 2);
    m_comment->setFixedHeight(m_comment->fontMetrics().height() * 4);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_all);
    layout->addWidget(buttons);
}

std::string CPropertiesDlg::GetName() const { return ToPatchText(m_name->text()); }

std::array<std::uint8_t, 8> CPropertiesDlg::GetKeys() const {
    std::array<std::uint8_t, 8> keys{};
    for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = m_keys[i]->Byte();
    return keys;
}

std::string CPropertiesDlg::GetComment() const {
    return ToPatchText(m_comment->toPlainText().left(CLibraryPatch::kCommentSize - 1));
}

bool CPropertiesDlg::ApplyToAll() const { return m_all->isChecked(); }
