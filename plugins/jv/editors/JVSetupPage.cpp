#include "JVSetupPage.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

#include "amberkit/JVBoardDatabase.h"

namespace amberkit {

namespace {

constexpr int kSlotsWithoutJV2080 = 4;
constexpr const char* kPcmCardKey = "PCMCARD";

// The board numbers go in the items' data: the list holds only the boards
// that have name files.
void SelectBoard(QComboBox& combo, int board) {
    int row = combo.findData(board);
    if (row < 0) {
        // A board set by hand without a name file stays set.
        combo.addItem(
            QString::fromStdString(CJVBoardDatabase::Get().GetGroupName(board, CJVBoardDatabase::Kind::Board)), board);
        row = combo.count() - 1;
    }
    combo.setCurrentIndex(row);
}

}  // namespace

CJVSetupPage::CJVSetupPage(CJVSynth& synth, QWidget* parent)
    : CSettingsTemplateDlg(synth, parent), m_pcmCard(new QComboBox(this)) {
    SetDeviceIdRange(0, kMaxDeviceId, kDeviceIdDisplayOffset);
    DeviceBox().setTitle("Main");
    if (auto* form = qobject_cast<QFormLayout*>(DeviceBox().layout())) {
        if (auto* label = qobject_cast<QLabel*>(form->labelForField(&InputCombo()))) label->setText("Input:");
        if (auto* label = qobject_cast<QLabel*>(form->labelForField(&OutputCombo()))) label->setText("Output:");
        if (auto* label = qobject_cast<QLabel*>(form->labelForField(&DeviceIdSpin()))) label->setText("Device ID:");
    }
    const QString range = QString("%1-%2").arg(kDeviceIdDisplayOffset).arg(kMaxDeviceId + kDeviceIdDisplayOffset);
    DeviceIdSpin().setSuffix(QString("   (%1)").arg(range));
    DeviceIdSpin().setToolTip(QString("The unit's device ID, %1 as its display shows it").arg(range));

    auto* which = new QGroupBox("Which synth to use", this);
    auto* whichRow = new QHBoxLayout(which);
    auto* whichGroup = new QButtonGroup(which);
    for (int g = 0; g < kGenerationCount; ++g) {
        auto* button =
            new QRadioButton(QString::fromStdString(std::string(GenerationName(static_cast<Generation>(g)))), which);
        whichGroup->addButton(button, g);
        whichRow->addWidget(button);
        m_which[static_cast<std::size_t>(g)] = button;
    }
    connect(whichGroup, &QButtonGroup::idToggled, this, [this](int, bool) { EnableBoardSlots(); });
    PageLayout().addWidget(which);

    auto* expansions = new QGroupBox("Expansions", this);
    auto* form = new QFormLayout(expansions);
    const CJVBoardDatabase& db = CJVBoardDatabase::Get();
    const std::vector<int> installed = db.GetInstalledBoards();
    for (int slot = 0; slot < kBoardSlotCount; ++slot) {
        auto* combo = new QComboBox(expansions);
        combo->addItem("None", 0);
        for (const int board : installed)
            combo->addItem(QString::fromStdString(db.GetGroupName(board, CJVBoardDatabase::Kind::Board)), board);
        form->addRow(QString("Board %1:").arg(slot + 1), combo);
        m_boards[static_cast<std::size_t>(slot)] = combo;
    }
    m_pcmCard->setParent(expansions);
    for (const CSettingField& field : synth.GetSettingFields())
        if (field.key == kPcmCardKey) {
            for (const std::string& choice : field.choices) m_pcmCard->addItem(QString::fromStdString(choice));
            form->addRow(QString::fromStdString(field.label), m_pcmCard);
        }
    PageLayout().addWidget(expansions);
}

void CJVSetupPage::EnableBoardSlots() {
    const bool all = m_which[static_cast<std::size_t>(Generation::JV2080)]->isChecked();
    for (int slot = kSlotsWithoutJV2080; slot < kBoardSlotCount; ++slot)
        m_boards[static_cast<std::size_t>(slot)]->setEnabled(all);
}

void CJVSetupPage::LoadSettings(CSynth& synth) {
    auto& jv = static_cast<CJVSynth&>(synth);
    // An ID the units cannot take is sent as ID 0 (device byte 10); show that.
    if (jv.GetDeviceId() < 0 || jv.GetDeviceId() > kMaxDeviceId) DeviceIdSpin().setValue(kDeviceIdDisplayOffset);
    m_which[static_cast<std::size_t>(jv.GetWhichSynth())]->setChecked(true);
    for (int slot = 0; slot < kBoardSlotCount; ++slot)
        SelectBoard(*m_boards[static_cast<std::size_t>(slot)], jv.GetBoard(slot));
    m_pcmCard->setCurrentIndex(std::clamp(jv.GetPcmCard(), 0, m_pcmCard->count() - 1));
    EnableBoardSlots();
}

void CJVSetupPage::StoreSettings(CSynth& synth) {
    auto& jv = static_cast<CJVSynth&>(synth);
    for (int g = 0; g < kGenerationCount; ++g)
        if (m_which[static_cast<std::size_t>(g)]->isChecked()) jv.SetWhichSynth(static_cast<Generation>(g));
    for (int slot = 0; slot < kBoardSlotCount; ++slot)
        jv.SetBoard(slot, m_boards[static_cast<std::size_t>(slot)]->currentData().toInt());
    jv.SetPcmCard(std::max(0, m_pcmCard->currentIndex()));
}

}  // namespace amberkit
