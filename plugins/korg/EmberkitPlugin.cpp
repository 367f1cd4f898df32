// The plug-in's one export: the class record of its memory. Loading the
// plug-in also installs its editors.
#include "Export.h"
#include "editors/EmberkitEditors.h"
#include "model/EmberkitSynthMemory.h"

TONALITH_PLUGIN_EXPORT CRuntimeClass* SynthMemoryInfo(CRuntimeClass** out) {
    emberkit::InstallEditors();
    CRuntimeClass* record = RUNTIME_CLASS(CEmberkitSynthMemory);
    if (out) *out = record;
    return record;
}
