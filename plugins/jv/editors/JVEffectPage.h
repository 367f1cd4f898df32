#pragma once

// The EFX page: the type selector, then one labelled selector per parameter of
// that type, labelled and filled from the effect table; a type change relabels
// them and hides the slots the type does not use. Output, sends and control
// sources follow.

#include <memory>
#include <vector>

#include <tonalith/ui/TabPage.h>

class CParameterEditorDlg;
struct CParameter;

namespace amberkit {

std::unique_ptr<CTabPage> MakeEffectPage(CParameterEditorDlg& editor, std::vector<const CParameter*> parameters);

}  // namespace amberkit
