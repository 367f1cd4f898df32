#include "XVSetupPage.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <tonalith/Ui.h>
#include <tonalith/ui/DialogRunner.h>

#include "XVCardBanks.h"
#include "XVSynth.h"

namespace xv {

namespace {

constexpr const char* kSysExFilter = "System Exclusive (*.syx)|*.syx|All Files (*.*)|*.*||";

}  // namespace

// ---------------------------------------------------------------- Configure Card Banks

CConfigureCardBanksDlg::CConfigureCardBanksDlg(const CardBankPaths& paths, QWidget* parent)
    : QDialog(parent), m_paths(paths), m_list(new QListWidget(this)), m_select(new QPushButton("&Select", this)),
      m_clear(new QPushButton("&Clear", this)) {
    setWindowTitle("Configure Card Banks");
    for (std::string& path : m_paths)
        if (path.empty()) path = CXVSynth::kCardBankNotSet;
    for (int bank = 0; bank < static_cast<int>(m_paths.size()); ++bank) {
        m_list->addItem(QString());
        ShowRow(bank);
    }
    m_list->setCurrentRow(0);
    m_list->setMinimumWidth(fontMetrics().averageCharWidth() * 70);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText("Abbrechen");
    auto* side = new QVBoxLayout;
    side->addWidget(m_select);
    side->addWidget(m_clear);
    side->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);

    connect(m_select, &QPushButton::clicked, this, [this] { SelectFile(); });
    connect(m_clear, &QPushButton::clicked, this, [this] { ClearBank(); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { SelectFile(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CConfigureCardBanksDlg::ShowRow(int bank) {
    m_list->item(bank)->setText(
        QString("%1: %2").arg(bank + 1).arg(QString::fromStdString(m_paths[static_cast<std::size_t>(bank)])));
}

void CConfigureCardBanksDlg::SelectFile() {
    const int bank = m_list->currentRow();
    if (bank < 0) return;
    const auto path = CUi::Get().ChooseOpenFile("Select Card Bank " + std::to_string(bank + 1), kSysExFilter);
    if (!path || path->empty()) return;
    m_paths[static_cast<std::size_t>(bank)] = *path;
    ShowRow(bank);
}

void CConfigureCardBanksDlg::ClearBank() {
    const int bank = m_list->currentRow();
    if (bank < 0) return;
    m_paths[static_cast<std::size_t>(bank)] = CXVSynth::kCardBankNotSet;
    ShowRow(bank);
}

// ---------------------------------------------------------------- the setup page

CXVSetupPage::CXVSetupPage(CXVSynth& synth, QWidget* parent)
    : CSettingsTemplateDlg(synth, parent), m_cardBanks(new QPushButton("Configure Card Banks", this)) {
    // Device IDs 10..1F hex, shown 17..32 as on the panel.
    SetDeviceIdRange(0, 15, 17);

    auto* which = new QGroupBox("Which synth to use", this);
    auto* whichRow = new QHBoxLayout(which);
    auto* whichGroup = new QButtonGroup(which);
    const char* names[] = {"XV-3080", "XV-5080", "XV-88"};
    for (int i = 0; i < 3; ++i) {
        m_which[static_cast<std::size_t>(i)] = new QRadioButton(names[i], which);
        whichGroup->addButton(m_which[static_cast<std::size_t>(i)], i);
        whichRow->addWidget(m_which[static_cast<std::size_t>(i)]);
    }
    PageLayout().addWidget(which);

    // The board lists are the ones the synth's setting fields offer.
    const std::vector<CSettingField> fields = synth.GetSettingFields();
    auto* boards = new QHBoxLayout;
    for (int kind = 0; kind < 2; ++kind) {
        auto* box = new QGroupBox(kind == 0 ? "JV80 Expansions" : "SRX Expansions", this);
        auto* form = new QFormLayout(box);
        for (int n = 0; n < 4; ++n) {
            const int slot = kind * CXVSynth::kFirstSrxSlot + n;
            auto* combo = new QComboBox(box);
            const std::string key = "BOARD" + std::to_string(slot);
            for (const CSettingField& field : fields)
                if (field.key == key)
                    for (const std::string& choice : field.choices) combo->addItem(QString::fromStdString(choice));
            form->addRow(QString("Board %1:").arg(n + 1), combo);
            m_boards[static_cast<std::size_t>(slot)] = combo;
        }
        boards->addWidget(box);
    }
    PageLayout().addLayout(boards);
    auto* cardRow = new QHBoxLayout;
    cardRow->addWidget(m_cardBanks);
    cardRow->addStretch(1);
    PageLayout().addLayout(cardRow);
    connect(m_cardBanks, &QPushButton::clicked, this, [this] { ConfigureCardBanks(); });
}

void CXVSetupPage::LoadSettings(CSynth& synth) {
    auto& xvSynth = static_cast<CXVSynth&>(synth);
    m_which[static_cast<std::size_t>(xvSynth.GetWhichSynth())]->setChecked(true);
    for (int slot = 0; slot < CXVSynth::kBoardSlots; ++slot) {
        QComboBox& combo = *m_boards[static_cast<std::size_t>(slot)];
        const int board = xvSynth.GetBoard(slot);
        combo.setCurrentIndex(board < combo.count() ? board : 0);
    }
    for (int bank = 0; bank < CXVSynth::kCardBankCount; ++bank)
        m_cards[static_cast<std::size_t>(bank)] = xvSynth.GetCardBank(bank);
}

void CXVSetupPage::StoreSettings(CSynth& synth) {
    auto& xvSynth = static_cast<CXVSynth&>(synth);
    for (int i = 0; i < 3; ++i)
        if (m_which[static_cast<std::size_t>(i)]->isChecked()) xvSynth.SetWhichSynth(i);
    for (int slot = 0; slot < CXVSynth::kBoardSlots; ++slot)
        xvSynth.SetBoard(slot, std::max(0, m_boards[static_cast<std::size_t>(slot)]->currentIndex()));
    for (int bank = 0; bank < CXVSynth::kCardBankCount; ++bank) {
        const std::string& path = m_cards[static_cast<std::size_t>(bank)];
        xvSynth.SetCardBank(bank, path == CXVSynth::kCardBankNotSet ? std::string() : path);
    }
    // A board or card bank file just chosen that cannot be read is told now, not at the next bank.
    ShowNameFileProblems();
}

void CXVSetupPage::ConfigureCardBanks() {
    CConfigureCardBanksDlg dialog(m_cards, this);
    if (tonalith::ui::RunDialog(dialog) == QDialog::Accepted) m_cards = dialog.GetPaths();
}

}  // namespace xv
