// The plug-in's one entry point: the class record of its memory.

#include <tonalith/Export.h>
#include <tonalith/RuntimeClass.h>

#include "amberkit/JVSynthMemory.h"

TONALITH_PLUGIN_EXPORT CRuntimeClass* SynthMemoryInfo(CRuntimeClass** out) {
    CRuntimeClass* info = RUNTIME_CLASS(amberkit::CAmberkitSynthMemory);
    if (out) *out = info;
    return info;
}
