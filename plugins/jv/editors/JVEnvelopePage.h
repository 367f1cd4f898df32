#pragma once

// An envelope page: per tone, the page's selectors, the envelope drawn by
// CEnvctrl (drag a point to change its time and level) and a preset selector
// that copies one of the ten envelope presets into the tone.

#include <memory>
#include <string>
#include <vector>

#include <tonalith/ui/TabPage.h>

class CParameterEditorDlg;
struct CParameter;

namespace amberkit {

// prefix: the envelope's id stem ("penv", "fenv", "aenv").
std::unique_ptr<CTabPage> MakeEnvelopePage(CParameterEditorDlg& editor, std::vector<const CParameter*> parameters,
                                           std::string prefix);

}  // namespace amberkit
