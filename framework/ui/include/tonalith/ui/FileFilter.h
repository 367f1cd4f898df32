#pragma once

#include <string>
#include <string_view>

namespace tonalith::ui {

// "System Exclusive (*.syx)|*.syx|All Files (*.*)|*.*||" to the Qt form
// "System Exclusive (*.syx);;All Files (*)". The patterns after each bar are what
// counts; the name's own parenthesised list is replaced by them.
std::string ToQtFilter(std::string_view filter);

}  // namespace tonalith::ui
