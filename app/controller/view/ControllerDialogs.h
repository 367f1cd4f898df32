#pragma once

// The form window's dialogs. Each runs through the dialog runner, so tests answer
// it, and changes the form only when the user confirms.

#include <memory>

class QWidget;
class CCmdManager;
class CControllerDocument;
class CItemData;

// "Edit Control Properties" for the item at position: the pages of its type, each
// field limited to its range. OK with a change records one CItemPropertiesCommand.
// True when the item changed.
bool EditControlProperties(QWidget* parent, CControllerDocument& document, CCmdManager& commands, int position);

// "Edit Control Properties" for a new item (insert mode): one page per item type,
// the first shown. The item data set up on the chosen page, or null on Cancel.
std::unique_ptr<CItemData> ChooseNewItemData(QWidget* parent, const CControllerDocument& document);

// "Edit Snapshots": rename, reorder and delete. True when the list changed.
bool EditSnapshots(QWidget* parent, CControllerDocument& document);

// Sets the output port and the channel of every MIDI item. True when one changed.
bool SetOutputPortsAndChannel(QWidget* parent, CControllerDocument& document);

// The form's Info: author, e-mail and description. True when they changed.
bool EditFormInfo(QWidget* parent, CControllerDocument& document);
