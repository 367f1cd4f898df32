#pragma once

// One part page of "Performance Edit" (the same page serves every part). The
// part's sound (group type, group id and number) travels as one message of
// four data bytes, so the unit never hears a half-changed reference.

#include <memory>
#include <vector>

#include <tonalith/ui/TabPage.h>

class CParameterEditorDlg;
struct CParameter;

namespace amberkit {

std::unique_ptr<CTabPage> MakePartPage(CParameterEditorDlg& editor, std::vector<const CParameter*> parameters,
                                       int part);

}  // namespace amberkit
