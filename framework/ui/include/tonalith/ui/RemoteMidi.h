#pragma once

#include "Midi.h"

namespace tonalith::ui {

// Short messages (notes, bender, ...) from the remote MIDI inputs, the master
// keyboards the user named in the settings. The program receives them and
// passes each on here (MIDI_SHORT, wParam = lParam = the packed message, status
// in the low byte), on the GUI thread; windows that wait for a played key listen.
CListenerManager& RemoteShortListeners();

}  // namespace tonalith::ui
