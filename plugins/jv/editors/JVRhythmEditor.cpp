#include "JVRhythmEditor.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>
#include <string>

#include <tonalith/Parameters.h>
#include <tonalith/ui/DialogRunner.h>
#include <tonalith/ui/MidiKeyInputDlg.h>
#include <tonalith/ui/ParameterEditorDlg.h>

#include "JVEnvelopePage.h"
#include "amberkit/JVConstants.h"
#include "amberkit/JVParameters.h"

namespace amberkit {

namespace {

constexpr const char* kKeyListName = "rhythmKeys";

QString KeyText(int key) { return QString::fromStdString(NoteName(kFirstRhythmKeyNote + key)); }

std::vector<const CParameter*> KeyParameters(const CParameterTable& table, const std::string& page, int key) {
    std::vector<const CParameter*> out;
    for (const CParameter& p : table.GetParameters())
        if (p.page == page && p.instance == key) out.push_back(&p);
    return out;
}

}  // namespace

void AddRhythmPages(CParameterEditorDlg& editor) {
    const CParameterTable& table = editor.GetTable();
    // The pages are made anew for each key; they read the key shown from here.
    const auto key = std::make_shared<int>(0);

    auto* side = new QWidget(&editor);
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QObject::tr("Key:"), side);
    auto* list = new QListWidget(side);
    list->setObjectName(kKeyListName);
    for (int k = 0; k < kRhythmKeyCount; ++k) list->addItem(KeyText(k));
    list->setCurrentRow(0);
    list->setMaximumWidth(list->fontMetrics().averageCharWidth() * 12);
    label->setBuddy(list);
    auto* play = new QPushButton(QObject::tr("Pla&y Key..."), side);
    layout->addWidget(label);
    layout->addWidget(list, 1);
    layout->addWidget(play);
    editor.SetSideWidget(side);

    QObject::connect(list, &QListWidget::currentRowChanged, &editor, [&editor, key](int row) {
        if (row < 0 || row == *key) return;
        editor.GetTabs().OnOK();
        *key = row;
        editor.ReloadPage();
    });
    QObject::connect(play, &QPushButton::clicked, &editor, [&editor, list] {
        CMidiKeyInputDlg input(editor.GetTable().GetSynth(), kFirstRhythmKeyNote + std::max(0, list->currentRow()),
                               &editor);
        if (tonalith::ui::RunDialog(input) != QDialog::Accepted) return;
        // A key outside the set leaves the selection as it was.
        const QList<QListWidgetItem*> found = list->findItems(input.GetKeyName(), Qt::MatchFixedString);
        if (!found.isEmpty()) list->setCurrentItem(found.front());
    });

    for (const std::string& page : table.GetPages()) {
        const std::string prefix = page == "Pitch" ? "penv" : page == "TVF" ? "fenv" : page == "TVA" ? "aenv" : "";
        editor.AddCustomPage(
            QString::fromStdString(page), [&editor, &table, key, page, prefix]() -> std::unique_ptr<CTabPage> {
                std::vector<const CParameter*> parameters = KeyParameters(table, page, *key);
                if (prefix.empty()) return editor.MakeTablePage(std::move(parameters));
                return MakeEnvelopePage(editor, std::move(parameters), prefix, [](int k) { return KeyText(k); });
            });
    }
}

QListWidget* FindRhythmKeyList(const CParameterEditorDlg& editor) {
    return editor.findChild<QListWidget*>(kKeyListName);
}

}  // namespace amberkit
