#include "JVEditors.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>

#include <tonalith/Parameters.h>
#include <tonalith/ui/DialogRunner.h>
#include <tonalith/ui/ParameterEditorDlg.h>
#include <tonalith/ui/SettingsTemplateDlg.h>

#include "JVCopyDlg.h"
#include "JVEffectPage.h"
#include "JVEnvelopePage.h"
#include "JVMixPage.h"
#include "JVPartPage.h"
#include "JVRhythmEditor.h"
#include "JVSetupPage.h"
#include "JVSystemPage.h"
#include "JVToolDialogs.h"
#include "JVValueNames.h"
#include "JVVirtualSynthDlg.h"
#include "amberkit/JVMessages.h"
#include "amberkit/JVParameters.h"
#include "amberkit/JVRecords.h"
#include "amberkit/JVSynth.h"
#include "amberkit/JVVirtualSynth.h"

namespace amberkit {

namespace {

struct EditorKind {
    const char* title;
    TemporaryArea area;
    bool hasName;
};

EditorKind KindOf(const CJVRecord& record) {
    if (dynamic_cast<const CJVPatch*>(&record)) return {"Edit Patch", TemporaryArea::Patch, true};
    if (dynamic_cast<const CJVPerformance*>(&record)) return {"Performance Edit", TemporaryArea::Performance, true};
    if (dynamic_cast<const CJVRhythm*>(&record)) return {"Edit Rhythm", TemporaryArea::Rhythm, true};
    return {"System Edit", TemporaryArea::System, false};
}

// Ends before the plug-in's library is unloaded.
const tonalith::ui::CSettingsPageRegistration
    setupPage("Roland JV/XP", [](CSynth& synth, QWidget* parent) -> CSettingsTemplateDlg* {
        return new CJVSetupPage(static_cast<CJVSynth&>(synth), parent);
    });

}  // namespace

std::unique_ptr<CParameterEditorDlg> CreateEditor(CJVRecord& record, QWidget* parent) {
    const CParameterTable* table = record.GetParameterTable();
    if (!table) return nullptr;
    const EditorKind kind = KindOf(record);
    CParameterEditorDlg::Options options;
    options.title = QString::fromLatin1(kind.title);
    // The tones of a patch carry mnemonics; parts and keys are too many to tick.
    options.multiEditLabel = [](int instance, const std::string&) {
        return QStringLiteral("Tone &%1").arg(instance + 1);
    };
    if (kind.hasName) {
        const TemporaryArea area = kind.area;
        options.nameMessage = [area](const std::string& name) {
            const std::string padded = ToUnitName(name);
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(padded.data());
            return BuildParameterMessage(CJVSynth::Get().GetDeviceByte(), area, 0, 0,
                                         std::span<const std::uint8_t>(bytes, kNameLength));
        };
    }
    options.tablePages = false;
    options.valueNames = ValueNames;
    auto dialog = std::make_unique<CParameterEditorDlg>(record, *table, std::move(options), parent);
    CParameterEditorDlg* editor = dialog.get();
    QObject::connect(editor, &CParameterEditorDlg::valueChanged, editor,
                     [editor](const CParameter* p, int) { FollowNameGroup(*editor, *p); });
    if (kind.area == TemporaryArea::System) {
        // The system record has a name field in its type only.
        editor->GetNameField().setEnabled(false);
        std::vector<const CParameter*> all;
        for (const CParameter& p : table->GetParameters()) all.push_back(&p);
        editor->AddCustomPage(QStringLiteral("System"), [editor, all] { return MakeSystemPage(*editor, all); });
        return dialog;
    }
    AddCopyButton(*editor, record, kind.area);
    if (kind.area == TemporaryArea::Rhythm) {
        AddRhythmPages(*editor);
        return dialog;
    }
    for (const std::string& page : table->GetPages()) {
        std::vector<const CParameter*> parameters;
        for (const CParameter& p : table->GetParameters())
            if (p.page == page) parameters.push_back(&p);
        // The patch's envelope pages draw each tone's envelope.
        const std::string prefix = page == "Pitch Envelope" ? "penv"
                                   : page == "TVF Envelope" ? "fenv"
                                   : page == "TVA Envelope" ? "aenv"
                                                            : "";
        const QString title = QString::fromStdString(page);
        if (page == "Part") {
            // One page per part, each over that part's parameters.
            for (int part = 0; part < kPerformancePartCount; ++part) {
                std::vector<const CParameter*> own;
                for (const CParameter* p : parameters)
                    if (p->instance == part) own.push_back(p);
                editor->AddCustomPage(QStringLiteral("Part %1").arg(part + 1),
                                      [editor, own, part] { return MakePartPage(*editor, own, part); });
            }
        } else if (page == "Mix") {
            editor->AddCustomPage(title, [editor, parameters] { return MakeMixPage(*editor, parameters); });
        } else if (page == "EFX") {
            editor->AddCustomPage(title, [editor, parameters] { return MakeEffectPage(*editor, parameters); });
        } else if (prefix.empty()) {
            editor->AddTablePage(title, std::move(parameters));
        } else {
            editor->AddCustomPage(
                title, [editor, parameters, prefix] { return MakeEnvelopePage(*editor, parameters, prefix); });
        }
    }
    return dialog;
}

void InstallEditors() {
    InstallToolDialogs();
    SetRecordEditor([](CJVRecord& record) {
        const std::unique_ptr<CParameterEditorDlg> dialog = CreateEditor(record, QApplication::activeWindow());
        if (!dialog) return false;
        return tonalith::ui::RunDialog(*dialog) == QDialog::Accepted;
    });
    vsynth::SetRunner([](const CToolContext& context) {
        auto* parent = static_cast<QWidget*>(context.parentWindow);
        CJVVirtualSynthDlg dialog(CJVSynth::Get(), parent ? parent : QApplication::activeWindow());
        tonalith::ui::RunDialog(dialog);
    });
}

}  // namespace amberkit
