#include "EmberkitDrumDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "Midi.h"
#include "model/EmberkitParameters.h"
#include "model/EmberkitPatches.h"
#include "model/EmberkitSynth.h"
#include "tonalith/ui/ChooseCtrl.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/MidiKeyInputDlg.h"

using namespace emberkit;

namespace {

const CParameterTable& DrumTable() { return GetParameterTable(TableKind::Drum); }

const CParameter& EntryParameter(int entry, const std::string& field) {
    return *DrumTable().Find("entry" + std::to_string(entry) + "." + field);
}

// Every value as a list position: the table's texts, or the numbers of its range.
std::vector<std::string> FieldTexts(const CParameter& p) {
    if (p.IsList()) return p.texts;
    return SignedTexts(p.minimum, p.maximum);
}

}  // namespace

CDrumSlotDlg::CDrumSlotDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Please choose..."));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("The Korg 01/W has no temporary memory for a "), this));
    layout->addWidget(new QLabel(QStringLiteral("drum patch."), this));
    layout->addWidget(new QLabel(QStringLiteral("Please choose the slot of the drum kit to overwrite:"), this));
    auto* row = new QHBoxLayout;
    const char* const names[] = {"A0", "A1", "B0", "B1"};
    for (int slot = 0; slot < kDrumKitCount; ++slot) {
        auto* button = new QPushButton(QString::fromLatin1(names[slot]), this);
        button->setObjectName(QString::fromLatin1(names[slot]));
        connect(button, &QPushButton::clicked, this, [this, slot] { Choose(slot); });
        row->addWidget(button);
    }
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    row->addWidget(cancel);
    layout->addLayout(row);
}

int CDrumSlotDlg::Ask(QWidget* parent) {
    CDrumSlotDlg dialog(parent);
    const int result = tonalith::ui::RunDialog(dialog);
    return result >= kChosen && result < kChosen + kDrumKitCount ? result - kChosen : -1;
}

CEmberkitDrumDlg::CEmberkitDrumDlg(CEmberkitDrumKit& kit, QWidget* parent)
    : QDialog(parent), m_kit(kit), m_work(kit.Clone()) {
    setWindowTitle(QStringLiteral("Edit Drum - %1").arg(QString::fromStdString(kit.GetName())));
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* listLabel = new QLabel(QStringLiteral("&Instrument:"), this);
    m_instruments = new QListWidget(this);
    listLabel->setBuddy(m_instruments);
    for (int e = 0; e < kDrumEntryCount; ++e) m_instruments->addItem(EntryLine(e));
    left->addWidget(listLabel);
    left->addWidget(m_instruments, 1);
    layout->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    auto* form = new QFormLayout;
    const std::pair<const char*, const char*> fields[] = {
        {"sound", "&Multisound:"}, {"key", "&Key:"},     {"pan", "&Pan:"},    {"tune", "&Tune:"},
        {"level", "&Level:"},      {"decay", "&Decay:"}, {"group", "&Group:"}};
    for (const auto& [field, caption] : fields) {
        const CParameter& p = EntryParameter(0, field);
        auto* chooser = new CChooseCtrl(this);
        chooser->SetItems(FieldTexts(p), p.minimum);
        m_fields[field] = chooser;
        const std::string name = field;
        connect(chooser, &CChooseCtrl::selectionChanged, this, [this, name](int, int v) { ChangeField(name, v); });
        if (name == "key") {
            auto* row = new QHBoxLayout;
            row->addWidget(chooser, 1);
            auto* keyButton = new QPushButton(QStringLiteral("Key"), this);
            connect(keyButton, &QPushButton::clicked, this, [this] {
                const int key = m_fields["key"]->GetValue();
                CMidiKeyInputDlg input(&CEmberkitSynth::Get(), key, this);
                if (tonalith::ui::RunDialog(input) != QDialog::Accepted) return;
                if (m_fields["key"]->SelectByValue(input.GetKey())) ChangeField("key", input.GetKey());
            });
            row->addWidget(keyButton);
            form->addRow(QString::fromLatin1(caption), row);
        } else {
            form->addRow(QString::fromLatin1(caption), chooser);
        }
    }
    right->addLayout(form);
    right->addStretch(1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    right->addWidget(buttons);
    layout->addLayout(right);

    connect(m_instruments, &QListWidget::currentRowChanged, this, [this](int row) { ShowEntry(row); });
    m_instruments->setCurrentRow(0);
}

CEmberkitDrumDlg::~CEmberkitDrumDlg() = default;

const CPatch& CEmberkitDrumDlg::GetWorkingPatch() const { return *m_work; }

CChooseCtrl* CEmberkitDrumDlg::GetField(const std::string& field) const {
    const auto it = m_fields.find(field);
    return it == m_fields.end() ? nullptr : it->second;
}

QString CEmberkitDrumDlg::EntryLine(int entry) const {
    const int sound = DrumTable().GetValue(*m_work, EntryParameter(entry, "sound"));
    return QString::asprintf("%02d: %s", entry, CEmberkitSynth::Get().GetDrumSoundName(sound).c_str());
}

void CEmberkitDrumDlg::ShowEntry(int entry) {
    if (entry < 0 || entry >= kDrumEntryCount) return;
    m_entry = entry;
    for (const auto& [field, chooser] : m_fields) {
        const int value = DrumTable().GetValue(*m_work, EntryParameter(entry, field));
        if (!chooser->SelectByValue(value)) chooser->setCurrentIndex(-1);
    }
}

void CEmberkitDrumDlg::ChangeField(const std::string& field, int value) {
    DrumTable().SetValue(*m_work, EntryParameter(m_entry, field), value);
    if (field == "sound") m_instruments->item(m_entry)->setText(EntryLine(m_entry));
}

void CEmberkitDrumDlg::accept() {
    const std::span<const std::uint8_t> edited = m_work->Data();
    std::copy(edited.begin(), edited.end(), m_kit.Data().begin());
    // The kit reaches the instrument only as the whole drum data: ask where it goes.
    m_writtenSlot = CDrumSlotDlg::Ask(this);
    if (m_writtenSlot >= 0) {
        const CEmberkitSynth& synth = CEmberkitSynth::Get();
        CMidi::Get().GetOutput(synth).SendLong(
            static_cast<const CEmberkitDrumKit&>(*m_work).BuildDumpIntoSlot(m_writtenSlot, synth.GetChannel()));
    }
    QDialog::accept();
}

CEmberkitGlobalDlg::CEmberkitGlobalDlg(const CEmberkitGlobal& global, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Show Global"));
    const CParameterTable& table = GetParameterTable(TableKind::Global);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    QString scale;
    for (const CParameter& p : table.GetParameters()) {
        const QString text = QString::fromStdString(table.FormatValue(p, table.GetValue(global, p)));
        if (p.group == "User Scale") {
            scale += (scale.isEmpty() ? "" : "  ") + QString::fromStdString(p.caption) + " " + text;
            continue;
        }
        auto* value = new QLabel(text, this);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(QString::fromStdString(p.caption), value);
        m_values[QString::fromStdString(p.caption)] = value;
    }
    auto* scaleValue = new QLabel(scale, this);
    form->addRow(QStringLiteral("User Scale:"), scaleValue);
    m_values[QStringLiteral("User Scale:")] = scaleValue;
    layout->addLayout(form);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignRight);
}

QString CEmberkitGlobalDlg::GetShownValue(const QString& caption) const {
    const auto it = m_values.find(caption);
    return it == m_values.end() ? QString() : it->second->text();
}
