#include "EmberkitEditorDlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

#include "Layer.h"
#include "model/EmberkitEffects.h"
#include "model/EmberkitParameters.h"
#include "model/EmberkitPatches.h"
#include "tonalith/ui/ChooseCtrl.h"
#include "tonalith/ui/Knob.h"
#include "tonalith/ui/TabPage.h"

using namespace emberkit;

namespace {

const char* const kEffectPage = "Page 8: Effect";

QString Caption(const std::string& text) { return QString::fromStdString(text).replace('&', "&&"); }

// The caption over a selector: the label in its cell whose buddy it is.
QLabel* CaptionOf(const QWidget* chooser) {
    if (!chooser || !chooser->parentWidget()) return nullptr;
    for (QLabel* label : chooser->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (label->buddy() == chooser) return label;
    return nullptr;
}

// A caption over a selector.
QWidget* LabelledChooser(const QString& caption, CChooseCtrl*& chooser, QWidget* parent) {
    auto* cell = new QWidget(parent);
    auto* layout = new QVBoxLayout(cell);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(caption, cell);
    chooser = new CChooseCtrl(cell);
    chooser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    chooser->setMinimumContentsLength(10);
    label->setBuddy(chooser);
    layout->addWidget(label);
    layout->addWidget(chooser);
    return cell;
}

}  // namespace

// A page of the table: its parameters in boxes by group.
class CEmberkitEditorDlg::Page final : public CTabPage {
public:
    Page(CEmberkitEditorDlg& editor, std::vector<const CParameter*> parameters)
        : m_editor(editor), m_parameters(std::move(parameters)) {}

    void Create(QWidget* parent) override {
        QWidget* content = ScrollingContent(parent);
        auto* boxes = new QGridLayout(content);
        std::vector<std::pair<std::string, int>> groups;
        for (const CParameter* p : m_parameters)
            if (std::none_of(groups.begin(), groups.end(), [&](const auto& g) { return g.first == p->group; }))
                groups.emplace_back(p->group, p->instance);
        // Timbres and entries stand in rows of controls; a few groups side by side.
        const bool rows = groups.size() > 4;
        int index = 0;
        for (const auto& [group, instance] : groups) {
            auto* box = new QGroupBox(m_editor.GroupTitle(group, instance), content);
            auto* grid = new QGridLayout(box);
            int n = 0;
            for (const CParameter* p : m_parameters) {
                if (p->group != group) continue;
                const int perRow = rows ? 8 : 3;
                grid->addWidget(m_editor.MakeControl(*p, box), n / perRow, n % perRow, Qt::AlignTop | Qt::AlignHCenter);
                ++n;
            }
            if (rows) boxes->addWidget(box, index, 0);
            else boxes->addWidget(box, index / 3, index % 3, Qt::AlignTop);
            ++index;
        }
        boxes->setRowStretch(boxes->rowCount(), 1);
    }

private:
    CEmberkitEditorDlg& m_editor;
    std::vector<const CParameter*> m_parameters;
};

// "Page 8: Effect": per effect its type, switch and modulation, and the eight
// parameters as the chosen type names them; a parameter the type has no use for
// (an empty label) is hidden.
class CEmberkitEditorDlg::EffectPage final : public CTabPage {
public:
    explicit EffectPage(CEmberkitEditorDlg& editor) : m_editor(editor) {}

    void Create(QWidget* parent) override {
        auto* layout = new QHBoxLayout(parent);
        for (int e = 0; e < 2; ++e) {
            const std::string prefix = "fx" + std::to_string(e + 1) + ".";
            auto* box = new QGroupBox(QStringLiteral("Effect %1").arg(e + 1), parent);
            auto* grid = new QGridLayout(box);
            int column = 0;
            for (const char* id : {"type", "switch", "modsource", "modintensity"}) {
                const CParameter& p = Parameter(prefix + id);
                QWidget* control = m_editor.MakeControl(p, box);
                if (std::string(id) == "modsource" || std::string(id) == "modintensity") {
                    // "Modulation" groups source and intensity.
                    if (QLabel* label = CaptionOf(m_editor.FindChooser(p.id)))
                        label->setText(QStringLiteral("Modulation ") + label->text());
                }
                grid->addWidget(control, 0, column++, Qt::AlignTop);
            }
            if (CChooseCtrl* type = m_editor.FindChooser(prefix + "type"))
                QObject::connect(type, &CChooseCtrl::selectionChanged, type,
                                 [this, e](int, int value) { ShowParameters(e, value); });
            m_parameterArea[e] = new QWidget(box);
            m_parameterGrid[e] = new QGridLayout(m_parameterArea[e]);
            grid->addWidget(m_parameterArea[e], 1, 0, 1, 4);
            grid->setRowStretch(2, 1);
            layout->addWidget(box, 1, Qt::AlignTop);
            ShowParameters(e, m_editor.m_table.GetValue(m_editor.GetWorkingPatch(), Parameter(prefix + "type")));
        }
        auto* output = new QGroupBox(QStringLiteral("Output"), parent);
        auto* column = new QVBoxLayout(output);
        for (const char* id : {"fx.placement", "fx.out3", "fx.out4", "fx.balance", "fx.balancel"})
            column->addWidget(m_editor.MakeControl(Parameter(id), output));
        column->addStretch(1);
        layout->addWidget(output, 0, Qt::AlignTop);
    }

private:
    const CParameter& Parameter(const std::string& id) const { return *m_editor.m_table.Find(id); }

    // Rebuilds effect e's parameter controls for type.
    void ShowParameters(int e, int type) {
        const std::string prefix = "fx" + std::to_string(e + 1) + ".param";
        while (QLayoutItem* item = m_parameterGrid[e]->takeAt(0)) {
            if (QWidget* w = item->widget()) {
                w->hide();
                w->deleteLater();
            }
            delete item;
        }
        for (int i = 0; i < kEffectParameterCount; ++i)
            m_editor.Register(Parameter(prefix + std::to_string(i + 1)), nullptr);
        if (type < 0 || type >= kEffectTypeCount) return;
        const EffectTypeInfo& info = EffectTypes()[static_cast<std::size_t>(type)];
        for (int i = 0; i < kEffectParameterCount; ++i) {
            const EffectParameterDescriptor& d = info.parameters[static_cast<std::size_t>(i)];
            if (d.label.empty()) continue;
            const CParameter& p = Parameter(prefix + std::to_string(i + 1));
            const int value = m_editor.m_table.GetValue(m_editor.GetWorkingPatch(), p);
            const std::vector<std::string> values = EffectValueList(d);
            QWidget* cell = nullptr;
            if (!values.empty()) {
                CChooseCtrl* chooser = nullptr;
                cell = LabelledChooser(Caption(d.label), chooser, m_parameterArea[e]);
                chooser->SetItems(values, 0);
                if (!chooser->SelectByValue(value)) chooser->setCurrentIndex(-1);
                QObject::connect(chooser, &CChooseCtrl::selectionChanged, chooser,
                                 [this, &p](int, int v) { m_editor.ChangeValue(p, v); });
                m_editor.Register(p, chooser);
            } else {
                auto* knob = new CKnob(QString::fromStdString(d.label), p.minimum, p.maximum, p.defaultValue,
                                       m_parameterArea[e]);
                knob->SetValue(value);
                knob->setToolTip(
                    QStringLiteral("%1 (raw %2..%3)").arg(QString::fromStdString(p.id)).arg(p.minimum).arg(p.maximum));
                QObject::connect(knob, &CKnob::valueChanged, knob, [this, &p](int v) { m_editor.ChangeValue(p, v); });
                m_editor.Register(p, knob);
                cell = knob;
            }
            m_parameterGrid[e]->addWidget(cell, i / 4, i % 4, Qt::AlignTop | Qt::AlignHCenter);
        }
    }

    CEmberkitEditorDlg& m_editor;
    QWidget* m_parameterArea[2]{};
    QGridLayout* m_parameterGrid[2]{};
};

namespace {

// Multi Edit ticks oscillators ("OSC &1") and timbres ("Timbre &8") by number.
QString MultiEditLabel(int, const std::string& group) {
    const QString name = QString::fromStdString(group);
    const int space = name.lastIndexOf(' ');
    if (space < 0) return name;
    return name.left(space + 1) + '&' + name.mid(space + 1);
}

CParameterEditorDlg::Options EditorOptions() {
    CParameterEditorDlg::Options options;
    options.tablePages = false;  // pages of its own layout
    options.multiEditLabel = MultiEditLabel;
    return options;
}

}  // namespace

CEmberkitEditorDlg::CEmberkitEditorDlg(CEmberkitPatch& patch, QWidget* parent)
    : CParameterEditorDlg(patch, *patch.GetParameterTable(), EditorOptions(), parent),
      m_table(static_cast<const CEmberkitParameterTable&>(*patch.GetParameterTable())) {
    for (const std::string& page : m_table.GetPages()) {
        if (page == kEffectPage) {
            AddCustomPage(QString::fromStdString(page), [this] { return std::make_unique<EffectPage>(*this); });
            continue;
        }
        std::vector<const CParameter*> parameters;
        for (const CParameter& p : m_table.GetParameters())
            if (p.page == page) parameters.push_back(&p);
        AddCustomPage(QString::fromStdString(page),
                      [this, parameters] { return std::make_unique<Page>(*this, parameters); });
    }
}

QString CEmberkitEditorDlg::GroupTitle(const std::string& group, int instance) const {
    // A timbre's row on the second timbre page names the program it plays.
    const CParameter* program = m_table.Find("timbre" + std::to_string(instance + 1) + ".program");
    if (program && group.rfind("Timbre ", 0) == 0 && GetTabs().GetCurrentIndex() == 1) {
        const int number = m_table.GetValue(GetWorkingPatch(), *program);
        for (int i = 0; i < GetWorkingPatch().GetChildLayerCount(); ++i) {
            const CLayer* programs = GetWorkingPatch().GetChildLayer(i);
            if (number >= 0 && number < programs->GetPatchCount())
                return QString::fromStdString(group + ": " + programs->GetPatchLabel(number));
        }
        return QString::fromStdString(group + ": " + program->texts.at(static_cast<std::size_t>(number)));
    }
    return QString::fromStdString(group);
}

QString CEmberkitEditorDlg::GetShownLabel(const std::string& id) const {
    if (const CKnob* knob = FindKnob(id)) return knob->GetCaption();
    const QLabel* label = CaptionOf(FindChooser(id));
    return label ? label->text() : QString();
}
