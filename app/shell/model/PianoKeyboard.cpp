#include "PianoKeyboard.h"

#include <array>

namespace piano {

namespace {
constexpr std::array<int, 7> kWhite{0, 2, 4, 5, 7, 9, 11};
constexpr std::array<int, 7> kBlack{1, 3, -1, 6, 8, 10, -1};

int Octave(int i) { return i / 7; }
int Step(int i) { return i % 7; }
}  // namespace

int WhiteKeyIndex(int i) { return kWhite[static_cast<std::size_t>(Step(i))] + 12 * Octave(i); }

bool HasBlackKeyAfter(int i) { return kBlack[static_cast<std::size_t>(Step(i))] >= 0; }

int BlackKeyIndex(int i) {
    return HasBlackKeyAfter(i) ? kBlack[static_cast<std::size_t>(Step(i))] + 12 * Octave(i) : -1;
}

CGeometry CGeometry::ForSize(int width, int height) {
    CGeometry g;
    g.whiteWidth = height / 7;
    g.whiteHeight = height;
    g.blackHeight = height * 5 / 8;
    g.blackWidth = g.whiteWidth * 5 / 8;
    g.whiteKeys = g.whiteWidth > 0 ? width / g.whiteWidth + 1 : 0;
    return g;
}

int CGeometry::HitTest(int x, int y) const {
    if (whiteWidth <= 0 || x < 0 || y < 0 || y >= whiteHeight) return -1;
    const int i = x / whiteWidth;
    const int n = WhiteKeyIndex(i);
    if (y > blackHeight) return n;
    const int r = x % whiteWidth;
    // The black keys reach half their width into the white keys on either side.
    if (r <= blackWidth / 2 && i > 0 && HasBlackKeyAfter(i - 1)) return n - 1;
    if (r >= whiteWidth - blackWidth / 2 && HasBlackKeyAfter(i)) return n + 1;
    return n;
}

std::uint32_t NoteMessage(int note, bool on, int channel) {
    const std::uint32_t message = 0x90u | static_cast<std::uint32_t>(note & 0x7F) << 8 | (on ? kVelocity << 16 : 0u);
    return (message & ~0xFFu) | ((message + static_cast<std::uint32_t>(channel)) & 0xFFu);
}

int KeyMapPosition(char key) {
    char upper = key;
    if (upper >= 'a' && upper <= 'z') upper = static_cast<char>(upper - 'a' + 'A');
    if (upper == '\xF6') upper = '\xD6';  // ö
    if (upper == '\xE4') upper = '\xC4';  // ä
    const std::size_t at = kKeyMap.find(upper);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

}  // namespace piano
