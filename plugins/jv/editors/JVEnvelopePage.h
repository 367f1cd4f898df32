#pragma once

// An envelope page: per tone, the page's selectors, the envelope drawn by
// CEnvctrl (drag a point to change its time and level) and a preset selector
// that copies one of the ten envelope presets into the tone.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <tonalith/ui/TabPage.h>

class CParameterEditorDlg;
class QString;
struct CParameter;

namespace amberkit {

// prefix: the envelope's id stem ("penv", "fenv", "aenv"); title: the box of an
// instance (null: "TONE 1".."TONE 4").
std::unique_ptr<CTabPage> MakeEnvelopePage(CParameterEditorDlg& editor, std::vector<const CParameter*> parameters,
                                           std::string prefix, std::function<QString(int instance)> title = {});

}  // namespace amberkit
