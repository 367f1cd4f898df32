#include "StringTable.h"

#include <algorithm>
#include <array>
#include <map>
#include <mutex>
#include <string_view>

namespace {

struct Entry {
    unsigned id;
    std::string_view text;
};

// Sorted by number; a static_assert below keeps it that way.
constexpr std::array kTexts{
    Entry{2, "Tonalith! V2.11"},
    Entry{300, ">>> It is not possible to send only one Drum-Patch to the Korg 01/w. Please send the whole layer. <<<"},
    Entry{301, ">>> Sending for this type of patch not implemented. <<<"},
    Entry{33049, "Allows you to set the output ports and midi channels for all control items."},
    Entry{33050, "Edit the info for this controller document."},
    Entry{33052, "Creates a new snapshot with the current controller values.\nAdds a new snapshot"},
    Entry{33053, "Order, name or delete the current controller snapshots.\nOrder, name or delete snapshots"},
    Entry{61216, "No matching synthesizer DLL found for this type of sysex data."},
    Entry{61217, "Error while opening library file: %1"},
    Entry{61218, "Error while saving !"},
    Entry{61238, "This will overwrite the selected %1 in your synth.\nThis operation can not be undone. Do you want to "
                 "execute it ?"},
    Entry{61240, "Out of memory exception!"},
    Entry{61243,
          "You have tried to insert more patches than this bank can contain. Please select less patches to insert."},
    Entry{61246, "The given path does not exist."},
    Entry{61247, "Could not create folder for dumps."},
    Entry{62000, "Click the Stop-button to stop sending MIDI data."},
    Entry{62001, "Click the Stop-button to stop receiving MIDI data."},
    Entry{62002, "Start bulk dump from your synth."},
    Entry{62003, "MS Sans Serif"},
    Entry{62004, "Could not stop playing midi file."},
    Entry{62005, "Could not open midi file."},
    Entry{62007, "You must first open a bank or library and select a patch."},
    Entry{62008, "Choose the connection to your synth:"},
    Entry{62009, "'%1' does already exist.\nDo want to overwrite it ?"},
    Entry{62100, "Error opening MIDI input device."},
    Entry{62101, "Error opening MIDI output device."},
    Entry{62102, "Could not send MIDI out long message."},
    Entry{62103, "Could not send MIDI out short message."},
    Entry{62104, "Could not add MIDI exclusive input buffer."},
    Entry{62105, "Error unpreparing MIDI input header."},
    Entry{62106, "Error unpreparing MIDI output header."},
    Entry{65000, "File could not be opened."},
    Entry{65001, "Error reading from file: %1"},
    Entry{65002, "Error writing to file: %1"},
    Entry{65003, "Error creating chunk."},
    Entry{65004, "Error ascending out of PCM chunk."},
    Entry{65005, "Error getting IO info."},
    Entry{65006, "Error writing data."},
    Entry{65007, "Cannot write IO info."},
    Entry{65008, "Error ascending out of data chunk."},
    Entry{65009, "Error ascending out of RIFF chunk."},
    Entry{65010, "Not a wave file."},
    Entry{65011, "No fmt chunk found in file."},
    Entry{65012, "Error reading from file."},
    Entry{65013, "No data chunk found."},
    Entry{65014, "Currently only 16 bit samples are supported!"},
    Entry{65015, "The Flintkit protocoll supports only mono files!"},
    Entry{65016, "Error ascending out of SMPL chunk."},
    Entry{65017, "Error writing SMPL chunk."},
};

static_assert(std::is_sorted(kTexts.begin(), kTexts.end(),
                             [](const Entry& a, const Entry& b) { return a.id < b.id; }) &&
                  std::adjacent_find(kTexts.begin(), kTexts.end(),
                                     [](const Entry& a, const Entry& b) { return a.id == b.id; }) == kTexts.end(),
              "the string table must be sorted by number without duplicates");

const Entry* FindBuiltIn(unsigned id) {
    const auto it =
        std::lower_bound(kTexts.begin(), kTexts.end(), id, [](const Entry& e, unsigned value) { return e.id < value; });
    return it != kTexts.end() && it->id == id ? &*it : nullptr;
}

// Texts added at run time; MIDI threads may read while the program adds.
struct Extras {
    std::mutex mutex;
    std::map<unsigned, std::string> texts;
};

Extras& GetExtras() {
    static Extras extras;
    return extras;
}

}  // namespace

std::string CStringTable::Get(unsigned id) {
    if (const Entry* e = FindBuiltIn(id)) return std::string(e->text);
    Extras& extras = GetExtras();
    std::lock_guard lock(extras.mutex);
    const auto it = extras.texts.find(id);
    return it != extras.texts.end() ? it->second : std::string();
}

void CStringTable::Add(unsigned id, std::string text) {
    if (FindBuiltIn(id)) return;
    Extras& extras = GetExtras();
    std::lock_guard lock(extras.mutex);
    extras.texts.try_emplace(id, std::move(text));
}
