#include "EmberkitEditors.h"

#include <QApplication>
#include <QWidget>

#include "SynthTool.h"
#include "model/EmberkitEditing.h"
#include "model/EmberkitPatches.h"
#include "model/EmberkitSynthMemory.h"
#include "tonalith/ui/DialogRunner.h"
#include "EmberkitDrumDlg.h"
#include "EmberkitEditorDlg.h"
#include "VirtualAnalogDlg.h"

namespace emberkit {

namespace {

bool EditPatch(CEmberkitPatch& patch) {
    QWidget* parent = QApplication::activeWindow();
    if (auto* kit = dynamic_cast<CEmberkitDrumKit*>(&patch)) {
        CEmberkitDrumDlg dialog(*kit, parent);
        return tonalith::ui::RunDialog(dialog) == QDialog::Accepted;
    }
    if (auto* global = dynamic_cast<CEmberkitGlobal*>(&patch)) {
        CEmberkitGlobalDlg dialog(*global, parent);
        tonalith::ui::RunDialog(dialog);
        return false;  // shown only
    }
    CEmberkitEditorDlg dialog(patch, parent);
    return tonalith::ui::RunDialog(dialog) == QDialog::Accepted;
}

void RunVirtualSynth(CEmberkitSynthMemory& memory, const CToolContext& context) {
    auto* parent = static_cast<QWidget*>(context.parentWindow);
    CVirtualAnalogDlg dialog(*memory.GetSynth(), parent ? parent : QApplication::activeWindow());
    tonalith::ui::RunDialog(dialog);
}

}  // namespace

void InstallEditors() { SetEditors({EditPatch, RunVirtualSynth}); }

}  // namespace emberkit
