#pragma once

// The value lists the XV parameter data files share, beside the framework's
// row writer. Not part of the plug-in's interface.

#include <string>
#include <string_view>
#include <vector>

#include "ParameterRows.h"

namespace xv::rows {

using namespace ParameterTexts;
using CRowWriter = CParameterRowWriter;

// 0 MFX, 1..4 A..D, 5..12 outputs 1..8, then last (TONE, PATCH) unless empty.
Texts OutputAssigns(std::string_view last);
// 0..10, 20..100, 200..1200 cents.
Texts RandomPitch();

}  // namespace xv::rows
