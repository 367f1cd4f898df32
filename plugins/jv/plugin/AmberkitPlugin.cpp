// The plug-in's one entry point: the class record of its memory.

#include <tonalith/Export.h>
#include <tonalith/RuntimeClass.h>

#include "amberkit/JVSynthMemory.h"

using amberkit::CAmberkitSynthMemory;

TONALITH_PLUGIN_EXPORT CRuntimeClass* SynthMemoryInfo(CRuntimeClass** out) {
    CRuntimeClass* info = RUNTIME_CLASS(CAmberkitSynthMemory);
    if (out) *out = info;
    return info;
}
