// What the plug-in's editors install while it is loaded: the patch editor and
// the setup page. Both registrations end before the library is unloaded.

#include <tonalith/ui/SettingsTemplateDlg.h>

#include "XVPatchEditor.h"
#include "XVRecords.h"
#include "XVSetupPage.h"
#include "XVSynth.h"

namespace {

struct PatchEditorRegistration {
    PatchEditorRegistration() {
        xv::SetPatchEditor([](CXVPatch& patch) { return xv::EditPatch(patch); });
    }
    ~PatchEditorRegistration() { xv::SetPatchEditor({}); }
};

const PatchEditorRegistration patchEditor;

const tonalith::ui::CSettingsPageRegistration
    setupPage("Roland XV", [](CSynth& synth, QWidget* parent) -> CSettingsTemplateDlg* {
        return new xv::CXVSetupPage(static_cast<CXVSynth&>(synth), parent);
    });

}  // namespace
