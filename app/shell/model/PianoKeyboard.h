#pragma once

#include <cstdint>
#include <string_view>

// The piano window's keys without a window: the drawn keyboard's geometry and
// hit test, the computer-keyboard map and the note messages.
namespace piano {

constexpr int kLowestNote = 36;  // key index 0, the leftmost C
constexpr int kVelocity = 96;
// Computer keys, one per semitone from middle C (a German layout; code page 1252).
constexpr std::string_view kKeyMap = "AWSEDFTGZHUJKOLP\xD6\xC4+#";
constexpr int kKeyMapFirstNote = 60;

// Key index of white key i (0 is the leftmost C).
int WhiteKeyIndex(int i);
// Whether a black key follows white key i (not after E and B), and its key index.
bool HasBlackKeyAfter(int i);
int BlackKeyIndex(int i);

struct CGeometry {
    int whiteWidth = 0, whiteHeight = 0, blackWidth = 0, blackHeight = 0, whiteKeys = 0;

    // For a keyboard area of width x height pixels.
    static CGeometry ForSize(int width, int height);
    // Left edge of the black key after white key i.
    int BlackKeyLeft(int i) const { return whiteWidth - blackWidth / 2 + i * whiteWidth; }
    // Key index under the point, -1 outside the keys.
    int HitTest(int x, int y) const;
};

// Note on (velocity 96) or off (note on with velocity 0) for a note on channel 0..15.
std::uint32_t NoteMessage(int note, bool on, int channel);
// Position of a computer key (a code page 1252 character, any case) in kKeyMap, -1 when none.
int KeyMapPosition(char key);

}  // namespace piano
