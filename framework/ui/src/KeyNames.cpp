#include "tonalith/ui/KeyNames.h"

#include <array>
#include <cctype>
#include <charconv>

namespace tonalith::ui {
namespace {
constexpr std::array<const char*, 12> kNames = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
constexpr std::array<int, 7> kNaturals = {9, 11, 0, 2, 4, 5, 7};  // A..G
}  // namespace

std::string KeyName(int note) {
    if (note < 0 || note > 127) return {};
    return kNames[static_cast<std::size_t>(note % 12)] + std::to_string(note / 12 - 1);
}

std::optional<int> ParseKeyName(std::string_view name) {
    if (name.empty()) return std::nullopt;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    if (letter < 'A' || letter > 'G') return std::nullopt;
    int pitch = kNaturals[static_cast<std::size_t>(letter - 'A')];
    std::size_t pos = 1;
    if (pos < name.size() && name[pos] == '#') {
        ++pitch;
        ++pos;
    } else if (pos < name.size() && (name[pos] == 'b' || name[pos] == 'B') && pos + 1 < name.size()) {
        --pitch;
        ++pos;
    }
    int octave = 0;
    const char* first = name.data() + pos;
    const char* last = name.data() + name.size();
    const auto [end, error] = std::from_chars(first, last, octave);
    if (error != std::errc() || end != last || first == last) return std::nullopt;
    if (octave < -1 || octave > 9) return std::nullopt;
    const int note = (octave + 1) * 12 + pitch;
    if (note < 0 || note > 127) return std::nullopt;
    return note;
}

}  // namespace tonalith::ui
