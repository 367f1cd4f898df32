#include "ControllerDialogs.h"

// Placeholders until the dialogs are built: nothing changes.
bool EditControlProperties(QWidget*, CControllerDocument&, CCmdManager&, int) { return false; }
bool EditSnapshots(QWidget*, CControllerDocument&) { return false; }
bool SetOutputPortsAndChannel(QWidget*, CControllerDocument&) { return false; }
bool EditFormInfo(QWidget*, CControllerDocument&) { return false; }
