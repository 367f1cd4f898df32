#include "JVEnvelopePage.h"

#include <QGroupBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <map>

#include <tonalith/Parameters.h>
#include <tonalith/ui/ChooseCtrl.h>
#include <tonalith/ui/DialogRunner.h>
#include <tonalith/ui/Envctrl.h>
#include <tonalith/ui/Knob.h>
#include <tonalith/ui/ParameterEditorDlg.h>

#include "JVEnvelopePresetsDlg.h"
#include "amberkit/JVSynth.h"

namespace amberkit {

namespace {

class EnvelopePage final : public CTabPage {
public:
    EnvelopePage(CParameterEditorDlg& editor, std::vector<const CParameter*> parameters, std::string prefix,
                 std::function<QString(int)> title)
        : m_editor(editor), m_parameters(std::move(parameters)), m_prefix(std::move(prefix)),
          m_title(std::move(title)) {}

    void Create(QWidget* parent) override {
        auto* row = new QHBoxLayout(parent);
        std::vector<int> instances;
        for (const CParameter* p : m_parameters)
            if (std::find(instances.begin(), instances.end(), p->instance) == instances.end())
                instances.push_back(p->instance);
        for (const int instance : instances) row->addWidget(MakeTone(instance, parent), 0, Qt::AlignTop);
        auto* edit = new QPushButton(QObject::tr("&Edit"), parent);
        QObject::connect(edit, &QPushButton::clicked, parent, [this] { EditPresets(); });
        row->addWidget(edit, 0, Qt::AlignBottom);
        row->addStretch(1);
        QObject::connect(&m_editor, &CParameterEditorDlg::valueChanged, parent,
                         [this](const CParameter* p, int value) { Follow(*p, value); });
    }

private:
    struct Tone {
        CEnvctrl* graphic = nullptr;
        std::array<const CParameter*, 4> times{};
        std::array<const CParameter*, 4> levels{};
    };

    const CParameter* Find(int instance, const std::string& baseId) const {
        for (const CParameter* p : m_parameters)
            if (p->instance == instance && p->baseId == baseId) return p;
        return nullptr;
    }

    QWidget* MakeTone(int instance, QWidget* parent) {
        auto* box = new QGroupBox(m_title ? m_title(instance) : QStringLiteral("TONE %1").arg(instance + 1), parent);
        auto* layout = new QVBoxLayout(box);
        auto* grid = new QGridLayout;
        int n = 0;
        for (const CParameter* p : m_parameters)
            if (p->instance == instance) {
                grid->addWidget(m_editor.MakeControl(*p, box), n / 4, n % 4, Qt::AlignTop | Qt::AlignHCenter);
                ++n;
            }
        layout->addLayout(grid);

        Tone& tone = m_tones[instance];
        tone.graphic = new CEnvctrl(box);
        const CParameterTable& table = m_editor.GetTable();
        const CPatch& work = m_editor.GetWorkingPatch();
        for (int i = 0; i < 4; ++i) {
            tone.times[i] = Find(instance, m_prefix + ".time" + std::to_string(i + 1));
            tone.levels[i] = Find(instance, m_prefix + ".level" + std::to_string(i + 1));
        }
        if (tone.levels[0]) tone.graphic->SetLevelRange(tone.levels[0]->minimum, tone.levels[0]->maximum);
        // A pitch envelope starts and ends at its centre; the others at zero.
        const int rest = tone.levels[0] ? (tone.levels[0]->minimum + tone.levels[0]->maximum) / 2 : 0;
        const bool centred = tone.levels[0] && tone.levels[0]->displayOffset != 0;
        tone.graphic->SetStartLevel(centred ? rest : 0);
        for (int i = 0; i < 4; ++i) {
            const int time = tone.times[i] ? table.GetValue(work, *tone.times[i]) : 0;
            const int level = tone.levels[i] ? table.GetValue(work, *tone.levels[i]) : (centred ? rest : 0);
            tone.graphic->SetPoint(i, time, level);
            if (!tone.levels[i]) tone.graphic->SetLevelFixed(i, true);
        }
        QObject::connect(tone.graphic, &CEnvctrl::pointChanged, box, [this, instance](int point, int time, int level) {
            const Tone& t = m_tones[instance];
            if (t.times[point]) Set(*t.times[point], time);
            if (t.levels[point]) Set(*t.levels[point], level);
        });
        layout->addWidget(tone.graphic);

        auto* presetRow = new QHBoxLayout;
        auto* label = new QLabel(QObject::tr("Preset:"), box);
        auto* presets = new CChooseCtrl(box);
        for (int i = 0; i < kEnvelopePresetCount; ++i)
            presets->AddItem(QString::fromStdString(CJVSynth::Get().GetEnvelopePreset(i).name), i);
        presets->setCurrentIndex(-1);
        m_presetLists.push_back(presets);
        label->setBuddy(presets);
        QObject::connect(presets, &CChooseCtrl::selectionChanged, box,
                         [this, instance](int, int preset) { ApplyPreset(instance, preset); });
        presetRow->addWidget(label);
        presetRow->addWidget(presets, 1);
        layout->addLayout(presetRow);
        return box;
    }

    // A change the page itself makes: stored, sent, and shown in this tone's controls.
    void Set(const CParameter& p, int value) {
        m_editor.ChangeValue(p, value);
        if (CKnob* knob = m_editor.FindKnob(p.id)) knob->SetValue(value);
        if (CChooseCtrl* chooser = m_editor.FindChooser(p.id)) chooser->SelectByValue(value);
    }

    void ApplyPreset(int instance, int preset) {
        const EnvelopePreset values = CJVSynth::Get().GetEnvelopePreset(preset);
        const Tone& t = m_tones[instance];
        for (int i = 0; i < 4; ++i) {
            if (t.times[i]) Set(*t.times[i], values.times[static_cast<std::size_t>(i)]);
            if (t.levels[i]) Set(*t.levels[i], values.levels[static_cast<std::size_t>(i)]);
        }
    }

    // The presets edited and kept; the selectors show their new names.
    void EditPresets() {
        CJVEnvelopePresetsDlg dialog(&m_editor);
        if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) return;
        for (CChooseCtrl* list : m_presetLists)
            for (int i = 0; i < kEnvelopePresetCount; ++i)
                list->setItemText(i, QString::fromStdString(dialog.GetPresets()[static_cast<std::size_t>(i)].name));
    }

    // Redraws the graphic of whichever tone a change reached (Multi Edit included).
    void Follow(const CParameter& p, int value) {
        const auto it = m_tones.find(p.instance);
        if (it == m_tones.end() || !it->second.graphic) return;
        for (int i = 0; i < 4; ++i) {
            if (it->second.times[i] == &p) it->second.graphic->SetTime(i, value);
            if (it->second.levels[i] == &p) it->second.graphic->SetLevel(i, value);
        }
    }

    CParameterEditorDlg& m_editor;
    std::vector<const CParameter*> m_parameters;
    std::string m_prefix;
    std::function<QString(int)> m_title;
    std::map<int, Tone> m_tones;
    std::vector<CChooseCtrl*> m_presetLists;
};

}  // namespace

std::unique_ptr<CTabPage> MakeEnvelopePage(CParameterEditorDlg& editor, std::vector<const CParameter*> parameters,
                                           std::string prefix, std::function<QString(int instance)> title) {
    return std::make_unique<EnvelopePage>(editor, std::move(parameters), std::move(prefix), std::move(title));
}

}  // namespace amberkit
