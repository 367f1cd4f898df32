#include "JVToolDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include <tonalith/Ui.h>
#include <tonalith/ui/DialogRunner.h>
#include <tonalith/ui/KeyNames.h>
#include <tonalith/ui/PatchText.h>

#include "amberkit/JVLayers.h"
#include "amberkit/JVSynthMemory.h"

namespace amberkit {

namespace {

QWidget* ParentOf(void* parent) { return parent ? static_cast<QWidget*>(parent) : QApplication::activeWindow(); }

void FillLayer(const CLayer& layer, QComboBox& box) {
    box.clear();
    for (int i = 0; i < layer.GetPatchCount(); ++i) box.addItem(tonalith::ui::FromPatchText(layer.GetPatchLabel(i)));
}

QDialogButtonBox* OkCancel(QDialog& dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

}  // namespace

// ---- "Random" -----------------------------------------------------------------

CJVRandomDlg::CJVRandomDlg(const RandomFlags& flags, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Random"));
    auto* layout = new QVBoxLayout(this);
    auto* tones = new QHBoxLayout;
    for (int t = 0; t < kPatchToneCount; ++t) {
        auto* group = new QGroupBox(QStringLiteral("Tone %1").arg(t + 1), this);
        auto* column = new QVBoxLayout(group);
        for (int c = 0; c < kRandomCategoryCount; ++c) {
            const auto category = static_cast<RandomCategory>(c);
            auto* box = new QCheckBox(QString::fromLatin1(RandomCategoryCaption(category).data(),
                                                          static_cast<int>(RandomCategoryCaption(category).size())),
                                      group);
            box->setObjectName(QString::fromStdString(RandomFlagKey(t, category)));
            box->setChecked(flags.Get(t, category));
            column->addWidget(box);
            m_boxes[static_cast<std::size_t>(t)][static_cast<std::size_t>(c)] = box;
        }
        tones->addWidget(group);
    }
    layout->addLayout(tones);
    auto* row = new QHBoxLayout;
    auto* enable = new QPushButton(QStringLiteral("&Enable All"), this);
    auto* disable = new QPushButton(QStringLiteral("&Disable All"), this);
    connect(enable, &QPushButton::clicked, this, [this] { SetAll(true); });
    connect(disable, &QPushButton::clicked, this, [this] { SetAll(false); });
    row->addWidget(enable);
    row->addWidget(disable);
    row->addStretch();
    row->addWidget(OkCancel(*this));
    layout->addLayout(row);
}

RandomFlags CJVRandomDlg::Flags() const {
    RandomFlags flags;
    for (int t = 0; t < kPatchToneCount; ++t)
        for (int c = 0; c < kRandomCategoryCount; ++c)
            flags.Set(t, static_cast<RandomCategory>(c), Box(t, static_cast<RandomCategory>(c))->isChecked());
    return flags;
}

QCheckBox* CJVRandomDlg::Box(int tone, RandomCategory category) const {
    return m_boxes.at(static_cast<std::size_t>(tone)).at(static_cast<std::size_t>(category));
}

void CJVRandomDlg::SetAll(bool on) {
    for (auto& tone : m_boxes)
        for (QCheckBox* box : tone) box->setChecked(on);
}

// ---- "Copy Effect Settings" ---------------------------------------------------

CJVCopyEffectDlg::CJVCopyEffectDlg(const CAmberkitSynthMemory& memory, QWidget* parent)
    : QDialog(parent), m_memory(memory), m_sourceType(new QComboBox(this)), m_source(new QComboBox(this)),
      m_destinationType(new QComboBox(this)), m_destination(new QComboBox(this)), m_copyType(new QComboBox(this)) {
    setWindowTitle(QStringLiteral("Copy Effect Settings"));
    auto* form = new QFormLayout(this);
    for (QComboBox* type : {m_sourceType, m_destinationType})
        type->addItems({QStringLiteral("Patch"), QStringLiteral("Performance")});
    for (const std::string_view name : kCopyTypeNames)
        m_copyType->addItem(QString::fromLatin1(name.data(), static_cast<int>(name.size())));
    auto pair = [this](QComboBox* type, QComboBox* records) {
        auto* row = new QHBoxLayout;
        row->addWidget(type);
        row->addWidget(records, 1);
        connect(type, &QComboBox::currentIndexChanged, this, [this, type, records] { FillRecords(*type, *records); });
        FillRecords(*type, *records);
        return row;
    };
    form->addRow(QStringLiteral("Source:"), pair(m_sourceType, m_source));
    form->addRow(QStringLiteral("Destination:"), pair(m_destinationType, m_destination));
    form->addRow(QStringLiteral("Copy Type:"), m_copyType);
    form->addRow(OkCancel(*this));
}

void CJVCopyEffectDlg::FillRecords(const QComboBox& typeBox, QComboBox& records) {
    FillLayer(m_memory.GetLayer(typeBox.currentIndex() == 1 ? kUserPerformanceLayer : kUserPatchLayer), records);
}

CopyEffectChoice CJVCopyEffectDlg::Choice() const {
    CopyEffectChoice choice;
    choice.sourceIsPerformance = m_sourceType->currentIndex() == 1;
    choice.source = m_source->currentIndex();
    choice.destinationIsPerformance = m_destinationType->currentIndex() == 1;
    choice.destination = m_destination->currentIndex();
    choice.type = static_cast<CopyType>(std::max(0, m_copyType->currentIndex()));
    return choice;
}

// ---- "Copy Rhythm Keys to Patch" ------------------------------------------------

CJVCopyRhythmKeysDlg::CJVCopyRhythmKeysDlg(const CAmberkitSynthMemory& memory, QWidget* parent)
    : QDialog(parent), m_keys(new QListWidget(this)), m_rhythm(new QComboBox(this)), m_patch(new QComboBox(this)) {
    setWindowTitle(QStringLiteral("Copy Rhythm Keys to Patch"));
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Select four keys\nto put in a patch:"), this), 0, 0);
    m_keys->setSelectionMode(QAbstractItemView::MultiSelection);
    for (int k = 0; k < kRhythmKeyCount; ++k)
        m_keys->addItem(QString::fromStdString(tonalith::ui::KeyName(kFirstRhythmKeyNote + k)));
    layout->addWidget(m_keys, 1, 0, 4, 1);
    layout->addWidget(new QLabel(QStringLiteral("Rhythm Set:"), this), 0, 1);
    FillLayer(memory.GetLayer(kUserRhythmLayer), *m_rhythm);
    layout->addWidget(m_rhythm, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("Select the patch where you\nwant to place the new patch:"), this), 2,
                      1);
    FillLayer(memory.GetLayer(kUserPatchLayer), *m_patch);
    layout->addWidget(m_patch, 3, 1);
    auto* buttons = new QDialogButtonBox(this);
    auto* place = buttons->addButton(QStringLiteral("&Place"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    place->setDefault(true);
    connect(place, &QPushButton::clicked, this, &CJVCopyRhythmKeysDlg::Place);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons, 4, 1, Qt::AlignBottom);
}

void CJVCopyRhythmKeysDlg::Place() {
    if (m_keys->selectedItems().size() != kRhythmKeysPerPatch) {
        CUi::Get().MessageBox("Please select four keys.", CUi::Icon::Information);
        return;
    }
    accept();
}

RhythmKeysChoice CJVCopyRhythmKeysDlg::Choice() const {
    RhythmKeysChoice choice;
    choice.rhythm = m_rhythm->currentIndex();
    choice.patch = m_patch->currentIndex();
    std::size_t k = 0;
    for (int row = 0; row < m_keys->count() && k < choice.keys.size(); ++row)
        if (m_keys->item(row)->isSelected()) choice.keys[k++] = row;
    return choice;
}

// ---- installation ---------------------------------------------------------------

void InstallToolDialogs() {
    ToolDialogs dialogs;
    dialogs.random = [](const RandomFlags& flags, void* parent) -> std::optional<RandomFlags> {
        CJVRandomDlg dialog(flags, ParentOf(parent));
        if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) return std::nullopt;
        return dialog.Flags();
    };
    dialogs.copyEffect = [](const CAmberkitSynthMemory& memory, void* parent) -> std::optional<CopyEffectChoice> {
        CJVCopyEffectDlg dialog(memory, ParentOf(parent));
        if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) return std::nullopt;
        return dialog.Choice();
    };
    dialogs.copyRhythmKeys = [](const CAmberkitSynthMemory& memory, void* parent) -> std::optional<RhythmKeysChoice> {
        CJVCopyRhythmKeysDlg dialog(memory, ParentOf(parent));
        if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) return std::nullopt;
        return dialog.Choice();
    };
    SetToolDialogs(std::move(dialogs));
}

}  // namespace amberkit
