#pragma once

// "Edit Rhythm": the "Key:" list of the 64 keys beside the tabs, a button that
// takes the key played, and four pages that show the selected key.

class CParameterEditorDlg;
class QListWidget;

namespace amberkit {

// Adds the key list and the pages to an editor over a rhythm set's table.
void AddRhythmPages(CParameterEditorDlg& editor);
// The editor's key list (the row is the key, 0..63), or null.
QListWidget* FindRhythmKeyList(const CParameterEditorDlg& editor);

}  // namespace amberkit
