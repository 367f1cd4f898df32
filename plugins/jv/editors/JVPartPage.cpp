#include "JVPartPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

#include <array>

#include <tonalith/Parameters.h>
#include <tonalith/Patch.h>
#include <tonalith/ui/ChooseCtrl.h>
#include <tonalith/ui/Knob.h>
#include <tonalith/ui/ParameterEditorDlg.h>

#include "JVValueNames.h"
#include "amberkit/JVConstants.h"
#include "amberkit/JVSynth.h"

namespace amberkit {

namespace {

bool IsSoundPart(const CParameter& p) {
    return p.baseId == "group.type" || p.baseId == "group.id" || p.baseId == "patch";
}

class PartPage final : public CTabPage {
public:
    PartPage(CParameterEditorDlg& editor, std::vector<const CParameter*> parameters, int part)
        : m_editor(editor), m_parameters(std::move(parameters)), m_part(part) {}

    void Create(QWidget* parent) override {
        auto* outer = new QVBoxLayout(parent);
        auto* box = new QGroupBox(QStringLiteral("Part %1").arg(m_part + 1), parent);
        auto* grid = new QGridLayout(box);
        int n = 0;
        for (const CParameter* p : m_parameters) {
            grid->addWidget(m_editor.MakeControl(*p, box), n / 6, n % 6, Qt::AlignTop | Qt::AlignHCenter);
            ++n;
            if (!IsSoundPart(*p)) continue;
            // The sound goes out whole: rewire the standard control.
            if (CKnob* knob = m_editor.FindKnob(p->id)) {
                QObject::disconnect(knob, &CKnob::valueChanged, nullptr, nullptr);
                QObject::connect(knob, &CKnob::valueChanged, knob, [this, p](int v) { ChangeSound(*p, v); });
            }
            if (CChooseCtrl* chooser = m_editor.FindChooser(p->id)) {
                QObject::disconnect(chooser, &CChooseCtrl::selectionChanged, nullptr, nullptr);
                QObject::connect(chooser, &CChooseCtrl::selectionChanged, chooser,
                                 [this, p](int, int v) { ChangeSound(*p, v); });
            }
        }
        grid->setRowStretch(n / 6 + 1, 1);
        outer->addWidget(box);
        outer->addStretch(1);
    }

private:
    void ChangeSound(const CParameter& p, int value) {
        m_editor.StoreValue(p, value);
        FollowNameGroup(m_editor, p);
        const CPatch& work = m_editor.GetWorkingPatch();
        const std::size_t at = m_editor.GetTable().DataIndex(p) - static_cast<std::size_t>(p.offset) + kPartGroupType;
        const std::span<const std::uint8_t> data = work.Data().subspan(at, 4);
        m_editor.SendMessage("part" + std::to_string(m_part + 1) + ".sound",
                             BuildParameterMessage(CJVSynth::Get().GetDeviceByte(), TemporaryArea::Performance,
                                                   static_cast<std::uint8_t>(kFirstPartBlock + m_part), kPartGroupType,
                                                   data));
    }

    CParameterEditorDlg& m_editor;
    std::vector<const CParameter*> m_parameters;
    int m_part;
};

}  // namespace

std::unique_ptr<CTabPage> MakePartPage(CParameterEditorDlg& editor, std::vector<const CParameter*> parameters,
                                       int part) {
    return std::make_unique<PartPage>(editor, std::move(parameters), part);
}

}  // namespace amberkit
