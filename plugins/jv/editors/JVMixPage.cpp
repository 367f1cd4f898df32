#include "JVMixPage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

#include <string>

#include <tonalith/Parameters.h>
#include <tonalith/ui/ParameterEditorDlg.h>

#include "amberkit/JVConstants.h"

namespace amberkit {

namespace {

class MixPage final : public CTabPage {
public:
    MixPage(CParameterEditorDlg& editor, std::vector<const CParameter*> parameters)
        : m_editor(editor), m_parameters(std::move(parameters)) {}

    void Create(QWidget* parent) override {
        QWidget* content = ScrollingContent(parent);
        auto* strips = new QHBoxLayout(content);
        for (int part = 0; part < kPerformancePartCount; ++part)
            strips->addWidget(MakeStrip(part, content), 0, Qt::AlignTop);
        strips->addStretch(1);
    }

private:
    QWidget* MakeStrip(int part, QWidget* parent) {
        const CParameterTable& table = m_editor.GetTable();
        auto* box = new QGroupBox(QStringLiteral("Part %1").arg(part + 1), parent);
        auto* strip = new QVBoxLayout(box);
        // A part that does not receive is silent: mute is its receive switch turned off.
        if (const CParameter* receive = table.Find("part" + std::to_string(part + 1) + ".receive")) {
            auto* mute = new QCheckBox(QObject::tr("Mute"), box);
            mute->setObjectName(QString::fromStdString(receive->id));
            mute->setChecked(table.GetValue(m_editor.GetWorkingPatch(), *receive) == 0);
            QObject::connect(mute, &QCheckBox::toggled, box,
                             [this, receive](bool muted) { m_editor.ChangeValue(*receive, muted ? 0 : 1); });
            strip->addWidget(mute);
        }
        for (const CParameter* p : m_parameters)
            if (p->instance == part) strip->addWidget(m_editor.MakeControl(*p, box), 0, Qt::AlignHCenter);
        strip->addStretch(1);
        return box;
    }

    CParameterEditorDlg& m_editor;
    std::vector<const CParameter*> m_parameters;
};

}  // namespace

std::unique_ptr<CTabPage> MakeMixPage(CParameterEditorDlg& editor, std::vector<const CParameter*> parameters) {
    return std::make_unique<MixPage>(editor, std::move(parameters));
}

}  // namespace amberkit
