// The plug-in's one export: the class record of its memory.
#include "Export.h"
#include "model/EmberkitSynthMemory.h"

TONALITH_PLUGIN_EXPORT CRuntimeClass* SynthMemoryInfo(CRuntimeClass** out) {
    CRuntimeClass* record = RUNTIME_CLASS(CEmberkitSynthMemory);
    if (out) *out = record;
    return record;
}
