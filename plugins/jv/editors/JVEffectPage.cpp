#include "JVEffectPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <array>

#include <tonalith/Parameters.h>
#include <tonalith/ui/ChooseCtrl.h>
#include <tonalith/ui/ParameterEditorDlg.h>

#include "amberkit/JVEffectTable.h"

namespace amberkit {

namespace {

class EffectPage final : public CTabPage {
public:
    EffectPage(CParameterEditorDlg& editor, std::vector<const CParameter*> parameters)
        : m_editor(editor), m_parameters(std::move(parameters)) {}

    void Create(QWidget* parent) override {
        auto* row = new QHBoxLayout(parent);
        auto* slotsBox = new QGroupBox(QObject::tr("Parameters"), parent);
        auto* slotsGrid = new QGridLayout(slotsBox);
        auto* otherBox = new QGroupBox(QObject::tr("Output and Control"), parent);
        auto* otherGrid = new QGridLayout(otherBox);
        int others = 0;
        for (const CParameter* p : m_parameters) {
            const int slot = SlotOf(*p);
            if (slot >= 0) {
                auto* label = new QLabel(slotsBox);
                auto* chooser = new CChooseCtrl(slotsBox);
                label->setBuddy(chooser);
                slotsGrid->addWidget(label, slot, 0);
                slotsGrid->addWidget(chooser, slot, 1);
                m_slots[static_cast<std::size_t>(slot)] = {p, label, chooser};
                QObject::connect(chooser, &CChooseCtrl::selectionChanged, chooser,
                                 [this, p](int, int value) { m_editor.ChangeValue(*p, value); });
                m_editor.Register(*p, chooser);
                continue;
            }
            if (p->baseId == "efx.type") m_type = p;
            otherGrid->addWidget(m_editor.MakeControl(*p, otherBox), others / 2, others % 2, Qt::AlignTop);
            ++others;
        }
        slotsGrid->setRowStretch(kEffectSlotCount, 1);
        otherGrid->setRowStretch(others / 2 + 1, 1);
        row->addWidget(otherBox, 0, Qt::AlignTop);
        row->addWidget(slotsBox, 1, Qt::AlignTop);
        ShowType();
        QObject::connect(&m_editor, &CParameterEditorDlg::valueChanged, parent, [this](const CParameter* p, int) {
            if (p == m_type) ShowType();
        });
    }

private:
    struct Slot {
        const CParameter* parameter = nullptr;
        QLabel* label = nullptr;
        CChooseCtrl* chooser = nullptr;
    };

    static int SlotOf(const CParameter& p) {
        const std::string stem = "efx.param";
        if (p.baseId.rfind(stem, 0) != 0) return -1;
        return std::stoi(p.baseId.substr(stem.size())) - 1;
    }

    // Labels and fills the slots for the stored type; the stored bytes stay as they are.
    void ShowType() {
        if (!m_type) return;
        const CParameterTable& table = m_editor.GetTable();
        const int type = std::clamp(table.GetValue(m_editor.GetWorkingPatch(), *m_type), 0, kEffectTypeCount - 1);
        const CJVEffectType& info = GetEffectTypes()[static_cast<std::size_t>(type)];
        for (std::size_t i = 0; i < m_slots.size(); ++i) {
            const Slot& slot = m_slots[i];
            if (!slot.chooser) continue;
            const CJVEffectParameter& descriptor = info.parameters[i];
            slot.label->setVisible(!descriptor.IsEmpty());
            slot.chooser->setVisible(!descriptor.IsEmpty());
            if (descriptor.IsEmpty()) continue;
            slot.label->setText(
                QString::fromLatin1(descriptor.label.data(), static_cast<int>(descriptor.label.size())));
            slot.chooser->SetItems(GetEffectValueList(descriptor));
            if (!slot.chooser->SelectByValue(table.GetValue(m_editor.GetWorkingPatch(), *slot.parameter)))
                slot.chooser->setCurrentIndex(-1);
        }
    }

    CParameterEditorDlg& m_editor;
    std::vector<const CParameter*> m_parameters;
    const CParameter* m_type = nullptr;
    std::array<Slot, kEffectSlotCount> m_slots{};
};

}  // namespace

std::unique_ptr<CTabPage> MakeEffectPage(CParameterEditorDlg& editor, std::vector<const CParameter*> parameters) {
    return std::make_unique<EffectPage>(editor, std::move(parameters));
}

}  // namespace amberkit
