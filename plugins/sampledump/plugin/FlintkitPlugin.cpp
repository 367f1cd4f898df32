// The plug-in's one export: the class record of its memory.
#include "Export.h"
#include "FlintkitMemory.h"

TONALITH_PLUGIN_EXPORT CRuntimeClass* SynthMemoryInfo(CRuntimeClass** out) {
    CRuntimeClass* record = RUNTIME_CLASS(CFlintkitSynthMemory);
    if (out) *out = record;
    return record;
}
