// The plug-in's one entry point: the class record of its memory. Loading the
// plug-in also installs its editors.

#include <tonalith/Export.h>
#include <tonalith/RuntimeClass.h>

#include "amberkit/JVSynthMemory.h"
#ifdef AMBERKIT_WITH_EDITORS
#include "JVEditors.h"
#endif

using amberkit::CAmberkitSynthMemory;

TONALITH_PLUGIN_EXPORT CRuntimeClass* SynthMemoryInfo(CRuntimeClass** out) {
#ifdef AMBERKIT_WITH_EDITORS
    amberkit::InstallEditors();
#endif
    CRuntimeClass* info = RUNTIME_CLASS(CAmberkitSynthMemory);
    if (out) *out = info;
    return info;
}
