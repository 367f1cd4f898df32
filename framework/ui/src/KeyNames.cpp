#include "tonalith/ui/KeyNames.h"

#include <array>
#include <cctype>
#include <charconv>
#include <map>

namespace tonalith::ui {
namespace {
constexpr std::array<const char*, 12> kNames = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
constexpr std::array<int, 7> kNaturals = {9, 11, 0, 2, 4, 5, 7};  // A..G
const std::map<int, const char*> kControllerNames = {
    {1, "MODULATION"}, {2, "BREATH"},      {4, "FOOT-TYPE"},   {5, "PORT-TIME"},   {7, "VOLUME"},
    {8, "BALANCE"},    {10, "PANPOT"},     {11, "EXPRESSION"}, {16, "GENERAL-1"},  {17, "GENERAL-2"},
    {18, "GENERAL-3"}, {19, "GENERAL-4"},  {64, "HOLD-1"},     {65, "PORTAMENTO"}, {66, "SOSTENUTO"},
    {67, "SOFT"},      {69, "HOLD-2"},     {70, "SOUND VAR."}, {71, "HARMONNIC"},  {72, "RELEASE TM"},
    {73, "ATTACK TM"}, {74, "BRIGHTNESS"}, {80, "GENERAL-5"},  {81, "GENERAL-6"},  {82, "GENERAL-7"},
    {83, "GENERAL-8"}, {84, "PORT_CTRL"},  {91, "REVERB"},     {92, "TREMOLO"},    {93, "CHORUS"},
    {94, "CELESTE"},   {95, "PHASER"},     {96, "PITCH BEND"}, {97, "AFTERTOUCH"}};
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

std::string ControllerName(int controller) {
    if (controller < 0 || controller > 127) return {};
    std::string text = (controller < 10 ? "CC0" : "CC") + std::to_string(controller);
    if (auto it = kControllerNames.find(controller); it != kControllerNames.end())
        text += std::string(":") + it->second;
    return text;
}

}  // namespace tonalith::ui
