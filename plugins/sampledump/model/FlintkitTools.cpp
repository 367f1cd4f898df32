#include "FlintkitTools.h"

#include <memory>

#include "Commands.h"
#include "FlintkitEditing.h"
#include "FlintkitMemory.h"
#include "FlintkitPatch.h"
#include "FlintkitWave.h"
#include "StringTable.h"
#include "Ui.h"

using namespace flintkit;

namespace {

constexpr const char* kWaveFilter = "Wave (*.wav)|*.wav|All Files (*.*)|*.*||";

void Report(const CWaveException& e) { CUi::Get().MessageBox(e.what(), CUi::Icon::Warning); }

// Scoped inside the try, so the cursor is back before a message box appears.
struct WaitCursor {
    WaitCursor() { CUi::Get().SetWaitCursor(true); }
    ~WaitCursor() { CUi::Get().SetWaitCursor(false); }
};

}  // namespace

void CFlintkitImportWaveTool::Execute(const CToolContext& context) {
    const auto path = CUi::Get().ChooseOpenFile("Import Wave", kWaveFilter);
    if (path) Import(*path, context);
}

bool CFlintkitImportWaveTool::Import(const std::string& path, const CToolContext& context) {
    std::unique_ptr<CFlintkitSamplePatch> sample;
    try {
        CWaveImportChoice choice;
        if (const auto& ask = GetEditors().importChoice) {
            const CWaveFacts facts = ProbeWave(path);
            const std::optional<CWaveImportChoice> chosen = ask(path, facts);
            if (!chosen) return false;
            choice = *chosen;
        }
        WaitCursor wait;
        sample = ImportWave(path, GetFlintkitSynth().GetDeviceId(), choice);
    } catch (const CWaveException& e) {
        Report(e);
        return false;
    }
    CLayer& layer = m_memory.GetLayer(0);
    if (context.commands) {
        auto command = std::make_unique<CEditCommand>();
        command->SetValues(layer, 0, *layer.GetPatch(0), *sample, nullptr, nullptr, 0);
        context.commands->Execute(std::move(command));
    } else {
        layer.SetPatch(0, *sample);
    }
    return true;
}

void CFlintkitExportWaveTool::Execute(const CToolContext&) {
    const auto* sample = dynamic_cast<const CFlintkitSamplePatch*>(m_memory.GetLayer(0).GetPatch(0));
    if (!sample || sample->IsEmpty()) {
        RegisterWaveTexts();
        CUi::Get().MessageBox(CStringTable::Get(kTextNothingToExport), CUi::Icon::Warning);
        return;
    }
    const auto path = CUi::Get().ChooseSaveFile("Export As Wave", "wav", kWaveFilter);
    if (!path) return;
    try {
        WaitCursor wait;
        ExportWave(*sample, *path);
    } catch (const CWaveException& e) {
        Report(e);
    }
}
