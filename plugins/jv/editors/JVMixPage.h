#pragma once

// The performance's "Mix" page: a strip per part with mute, level, pan and the
// effect, chorus and reverb sends, all 16 parts side by side.

#include <memory>
#include <vector>

#include <tonalith/ui/TabPage.h>

class CParameterEditorDlg;
struct CParameter;

namespace amberkit {

// parameters: the Mix page's entries of every part.
std::unique_ptr<CTabPage> MakeMixPage(CParameterEditorDlg& editor, std::vector<const CParameter*> parameters);

}  // namespace amberkit
