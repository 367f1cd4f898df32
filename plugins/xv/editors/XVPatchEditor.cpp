#include "XVPatchEditor.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

#include <tonalith/ui/ChooseCtrl.h>
#include <tonalith/ui/DialogRunner.h>
#include <tonalith/ui/Knob.h>
#include <tonalith/ui/ParameterEditorDlg.h>
#include <tonalith/ui/TabPage.h>

#include "XVBoardDatabase.h"
#include "XVParameters.h"
#include "XVRecords.h"

namespace xv {

namespace {

constexpr const char* kWavePage = "Wave";
constexpr const char* kSideIds[2] = {"wave.left", "wave.right"};

const CParameter& Entry(const CParameterTable& table, int tone, const char* baseId) {
    return *table.Find(ToneParameterId(tone, baseId));
}

}  // namespace

std::vector<std::string> WaveChoices(int groupType, int groupId, const CXVBoardDatabase& names) {
    std::vector<std::string> choices{"OFF"};
    int group = groupId;
    CXVBoardDatabase::Kind kind = CXVBoardDatabase::Preset;
    switch (groupType) {
    case 0: group = CXVBoardDatabase::kInternalWaves; break;
    case 1: kind = CXVBoardDatabase::Jv80Board; break;
    case 2: kind = CXVBoardDatabase::SrxBoard; break;
    default: return choices;  // samples have no list
    }
    const int count = names.GetListLength(group, CXVBoardDatabase::Wave, kind);
    for (int i = 0; i < count; ++i)
        choices.push_back(std::to_string(i + 1) + ": " + names.GetName(group, CXVBoardDatabase::Wave, i, kind));
    return choices;
}

CWavePageNames::CWavePageNames(CParameterEditorDlg& editor, const CXVBoardDatabase& names)
    : QObject(&editor), m_editor(editor), m_names(names) {
    connect(&editor.GetTabs(), &CTabbedEditor::pageCreated, this, [this](int index) { OnPageCreated(index); });
    // The first page was made with the editor, before anyone could listen.
    OnPageCreated(editor.GetTabs().GetCurrentIndex());
}

CChooseCtrl* CWavePageNames::GetChooser(int tone, int side) const {
    if (tone < 0 || tone >= 4 || side < 0 || side > 1) return nullptr;
    const Slot& slot = m_slots[static_cast<std::size_t>(tone)][static_cast<std::size_t>(side)];
    return slot.cell && slot.cell->isVisibleTo(slot.cell->parentWidget()) ? slot.chooser.data() : nullptr;
}

void CWavePageNames::OnPageCreated(int index) {
    if (index < 0 || m_editor.GetTabs().Tabs().tabText(index) != kWavePage) return;
    const CParameterTable& table = *m_editor.GetWorkingPatch().GetParameterTable();
    for (int t = 0; t < 4; ++t) {
        for (int side = 0; side < 2; ++side) {
            Slot& slot = m_slots[static_cast<std::size_t>(t)][static_cast<std::size_t>(side)];
            slot = Slot{};
            const CParameter& wave = Entry(table, t, kSideIds[side]);
            CKnob* knob = m_editor.FindKnob(wave.id);
            auto* grid =
                knob && knob->parentWidget() ? qobject_cast<QGridLayout*>(knob->parentWidget()->layout()) : nullptr;
            if (!grid) continue;
            int row = 0, column = 0, rows = 0, columns = 0;
            grid->getItemPosition(grid->indexOf(knob), &row, &column, &rows, &columns);
            auto* cell = new QWidget(knob->parentWidget());
            auto* layout = new QVBoxLayout(cell);
            layout->setContentsMargins(0, 0, 0, 0);
            auto* label = new QLabel(QString::fromStdString(wave.caption), cell);
            auto* chooser = new CChooseCtrl(cell);
            chooser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            chooser->setMinimumContentsLength(18);
            chooser->setToolTip(QString::fromStdString(wave.id));
            label->setBuddy(chooser);
            layout->addWidget(label);
            layout->addWidget(chooser);
            grid->addWidget(cell, row, column, Qt::AlignTop | Qt::AlignHCenter);
            slot.knob = knob;
            slot.chooser = chooser;
            slot.cell = cell;
            connect(chooser, &CChooseCtrl::selectionChanged, this, [this, &wave](int, int value) {
                m_editor.ChangeValue(wave, value);
                Refresh();  // Multi Edit may have changed the other tones
            });
            // The knob stays for numbers no list names (samples, missing name files).
            connect(knob, &CKnob::valueChanged, this, [this] { Refresh(); });
        }
        // The editor writes a group change first (it listened first); the lists follow.
        if (CChooseCtrl* type = m_editor.FindChooser(Entry(table, t, "wave.group.type").id))
            connect(type, &CChooseCtrl::selectionChanged, this, [this] { Refresh(); });
        if (CKnob* id = m_editor.FindKnob(Entry(table, t, "wave.group.id").id))
            connect(id, &CKnob::valueChanged, this, [this] { Refresh(); });
    }
    Refresh();
}

void CWavePageNames::Refresh() {
    const CPatch& work = m_editor.GetWorkingPatch();
    const CParameterTable& table = *work.GetParameterTable();
    for (int t = 0; t < 4; ++t) {
        const std::pair<int, int> group{table.GetValue(work, Entry(table, t, "wave.group.type")),
                                        table.GetValue(work, Entry(table, t, "wave.group.id"))};
        for (int side = 0; side < 2; ++side) {
            Slot& slot = m_slots[static_cast<std::size_t>(t)][static_cast<std::size_t>(side)];
            if (!slot.chooser || !slot.knob) continue;
            const int value = table.GetValue(work, Entry(table, t, kSideIds[side]));
            if (slot.group != group) {
                slot.group = group;
                slot.chooser->SetItems(WaveChoices(group.first, group.second, m_names), 0);
            }
            const bool named = slot.chooser->count() > 1;
            if (!slot.chooser->SelectByValue(value)) {
                // A number past the group's list: keep it visible rather than pretend another.
                slot.chooser->AddItem(
                    QString::number(value) + ": " + QString::fromStdString(CXVBoardDatabase::kUnknown), value);
                slot.chooser->SelectByValue(value);
            }
            slot.knob->SetValue(value);
            slot.cell->setVisible(named);
            slot.knob->setVisible(!named);
        }
    }
}

bool EditPatch(CXVPatch& patch, QWidget* parent) {
    if (!parent) parent = QApplication::activeWindow();
    CParameterEditorDlg dialog(patch, *patch.GetParameterTable(), parent);
    new CWavePageNames(dialog, CXVBoardDatabase::Get());
    return tonalith::ui::RunDialog(dialog) == QDialog::Accepted;
}

}  // namespace xv
