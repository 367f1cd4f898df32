#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tonalith::ui {

// Key names as the instruments' parameter lists show them: note 0 is "C-1",
// 60 (middle C) "C4", 127 "G9"; sharps only ("C#4", "F#2").
std::string KeyName(int note);  // empty outside 0..127
// The note of a key name (case-insensitive, "b" flats accepted: "Db4" is 61);
// nullopt when it is none or lies outside 0..127.
std::optional<int> ParseKeyName(std::string_view name);

// Controller numbers as the controller lists show them: "CC00" .. "CC127", the
// common ones with their name ("CC07:VOLUME"); empty outside 0..127.
std::string ControllerName(int controller);

}  // namespace tonalith::ui
