#include "FlintkitEditors.h"

#include <QApplication>

#include "FlintkitEditing.h"
#include "FlintkitPatch.h"
#include "FlintkitWave.h"
#include "SampleEditDlg.h"
#include "StringTable.h"
#include "Ui.h"
#include "WaveImportDlg.h"
#include "tonalith/ui/DialogRunner.h"

namespace flintkit {

namespace {

bool EditSample(CFlintkitSamplePatch& patch) {
    if (patch.IsEmpty()) {
        RegisterWaveTexts();
        CUi::Get().MessageBox(CStringTable::Get(kTextNothingToEdit), CUi::Icon::Information);
        return false;
    }
    CSampleEditDlg dialog(patch, QApplication::activeWindow());
    return tonalith::ui::RunDialog(dialog) == QDialog::Accepted && dialog.Changed();
}

std::optional<CWaveImportChoice> ChooseImport(const std::string& path, const CWaveFacts& facts) {
    CWaveImportDlg dialog(path, facts, QApplication::activeWindow());
    if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.GetChoice();
}

}  // namespace

void InstallEditors() { SetEditors({EditSample, ChooseImport}); }

}  // namespace flintkit
