#pragma once

// "System Edit" on one page: a box per group ("Tune", "Effects", "Setup",
// "Midi", "Control Source") holding that group's controls.

#include <memory>
#include <vector>

#include <tonalith/ui/TabPage.h>

class CParameterEditorDlg;
struct CParameter;

namespace amberkit {

std::unique_ptr<CTabPage> MakeSystemPage(CParameterEditorDlg& editor, std::vector<const CParameter*> parameters);

}  // namespace amberkit
