#include "JVSystemPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

#include <tonalith/Parameters.h>
#include <tonalith/ui/ChooseCtrl.h>
#include <tonalith/ui/ParameterEditorDlg.h>

#include "amberkit/JVParameters.h"

namespace amberkit {

namespace {

constexpr int kControlsPerRow = 5;
constexpr int kBoxesPerRow = 2;

class SystemPage final : public CTabPage {
public:
    SystemPage(CParameterEditorDlg& editor, std::vector<const CParameter*> parameters)
        : m_editor(editor), m_parameters(std::move(parameters)) {}

    void Create(QWidget* parent) override {
        QWidget* content = ScrollingContent(parent);
        auto* boxes = new QGridLayout(content);

        // The table's pages are the groups of this one page.
        std::vector<std::string> groups;
        for (const CParameter* p : m_parameters)
            if (std::find(groups.begin(), groups.end(), p->page) == groups.end()) groups.push_back(p->page);
        int b = 0;
        for (const std::string& group : groups) {
            auto* box = new QGroupBox(QString::fromStdString(group), content);
            auto* grid = new QGridLayout(box);
            int n = 0;
            for (const CParameter* p : m_parameters) {
                if (p->page != group) continue;
                grid->addWidget(m_editor.MakeControl(*p, box), n / kControlsPerRow, n % kControlsPerRow,
                                Qt::AlignTop | Qt::AlignHCenter);
                if (p->baseId == "sysctrl1.source" || p->baseId == "sysctrl2.source") OfferControlSources(*p);
                ++n;
            }
            grid->setRowStretch(n / kControlsPerRow + 1, 1);
            boxes->addWidget(box, b / kBoxesPerRow, b % kBoxesPerRow, Qt::AlignTop);
            ++b;
        }
        boxes->setRowStretch(b / kBoxesPerRow + 1, 1);
    }

private:
    // The list keeps the controllers the unit offers; a stored value outside them shows none.
    void OfferControlSources(const CParameter& p) {
        CChooseCtrl* chooser = m_editor.FindChooser(p.id);
        if (!chooser) return;
        const QSignalBlocker quiet(chooser);
        for (int i = chooser->count() - 1; i >= 0; --i)
            if (!IsSystemControlSource(chooser->GetItemValue(i).value_or(-1))) chooser->removeItem(i);
        if (!chooser->SelectByValue(m_editor.GetTable().GetValue(m_editor.GetWorkingPatch(), p)))
            chooser->setCurrentIndex(-1);
    }

    CParameterEditorDlg& m_editor;
    std::vector<const CParameter*> m_parameters;
};

}  // namespace

std::unique_ptr<CTabPage> MakeSystemPage(CParameterEditorDlg& editor, std::vector<const CParameter*> parameters) {
    return std::make_unique<SystemPage>(editor, std::move(parameters));
}

}  // namespace amberkit
