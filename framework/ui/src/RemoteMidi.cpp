#include "tonalith/ui/RemoteMidi.h"

namespace tonalith::ui {

CListenerManager& RemoteShortListeners() {
    static CListenerManager listeners(MIDI_SHORT);
    return listeners;
}

}  // namespace tonalith::ui
