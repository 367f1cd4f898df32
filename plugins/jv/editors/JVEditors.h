#pragma once

// The JV/XP editors: "Edit Patch", "Performance Edit", "Edit Rhythm" and
// "System Edit", each the framework's parameter editor over the record's table
// with the plug-in's title, Multi Edit captions and name message.

#include <memory>

class CParameterEditorDlg;
class QWidget;

namespace amberkit {

class CJVRecord;

// Makes every record's Edit open its editor and the tools their dialogs.
void InstallEditors();
// The editor of a record, not yet run.
std::unique_ptr<CParameterEditorDlg> CreateEditor(CJVRecord& record, QWidget* parent = nullptr);

}  // namespace amberkit
