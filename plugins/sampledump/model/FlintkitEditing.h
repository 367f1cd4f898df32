#pragma once

// The sample editor and the import choices are Qt dialogs in the plug-in's
// editors; the model only knows that someone may have installed them. Without
// them (tests, the command line) a sample edits through the framework and an
// import takes the default choices.

#include <functional>
#include <optional>
#include <string>

#include "FlintkitWave.h"

class CFlintkitSamplePatch;

namespace flintkit {

struct CEditors {
    // Opens "Edit Sample Dump Standard"; true when the sample changed.
    std::function<bool(CFlintkitSamplePatch&)> sample;
    // Asks how the file (path, what it holds) becomes a dump; nullopt cancels the import.
    std::function<std::optional<CWaveImportChoice>(const std::string&, const CWaveFacts&)> importChoice;
};

void SetEditors(CEditors editors);
const CEditors& GetEditors();

}  // namespace flintkit
