#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "Cp1252.h"

namespace tonalith::ui {

// A patch or item text (Windows-1252) as the user reads it.
inline QString FromPatchText(std::string_view text) { return QString::fromStdString(cp1252::ToUtf8(text)); }
// A model message or undo text, which may join UTF-8 (file names) and patch texts.
inline QString FromModelText(std::string_view text) { return QString::fromStdString(cp1252::MixedToUtf8(text)); }
// What the user typed, as a patch text; lost receives the characters that became '?'.
inline std::string ToPatchText(const QString& text, std::string* lost = nullptr) {
    return cp1252::FromUtf8(text.toStdString(), lost);
}

}  // namespace tonalith::ui
