// The plug-in's one export: the class record of its synth memory.
#include "Export.h"
#include "XVSynthMemory.h"

TONALITH_PLUGIN_EXPORT CRuntimeClass* SynthMemoryInfo(CRuntimeClass** out) {
    if (out) *out = RUNTIME_CLASS(CXVSynthMemory);
    return RUNTIME_CLASS(CXVSynthMemory);
}
