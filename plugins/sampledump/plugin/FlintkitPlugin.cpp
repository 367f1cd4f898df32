// The plug-in's one export: the class record of its memory. Loading the
// plug-in also installs its editors.
#include "Export.h"
#include "FlintkitMemory.h"
#ifdef FLINTKIT_WITH_EDITORS
#include "FlintkitEditors.h"
#endif

TONALITH_PLUGIN_EXPORT CRuntimeClass* SynthMemoryInfo(CRuntimeClass** out) {
#ifdef FLINTKIT_WITH_EDITORS
    flintkit::InstallEditors();
#endif
    CRuntimeClass* record = RUNTIME_CLASS(CFlintkitSynthMemory);
    if (out) *out = record;
    return record;
}
