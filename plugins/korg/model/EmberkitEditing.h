#pragma once

// The editors and the Virtual Synth are Qt dialogs in the plug-in's editors;
// the model only knows that someone may have installed them. Without them
// (tests, the command line) patches edit through the framework and the tool
// says it needs the program's window.

#include <functional>

class CEmberkitPatch;
class CEmberkitSynthMemory;
struct CToolContext;

namespace emberkit {

struct CEditors {
    // Opens the editor of the patch's type; true when the patch changed.
    std::function<bool(CEmberkitPatch&)> patch;
    // Runs the Virtual Synth's dialog (the tool switches modes around it).
    std::function<void(CEmberkitSynthMemory&, const CToolContext&)> virtualSynth;
};

void SetEditors(CEditors editors);
const CEditors& GetEditors();

}  // namespace emberkit
