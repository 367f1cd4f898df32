#pragma once

#include <optional>
#include <string>
#include <string_view>

// Patch and item texts are Windows-1252, as they are stored in the files and on
// the wire; what the user reads (windows, messages, undo texts, the console) is
// Unicode. Every conversion between the two goes through here.
namespace cp1252 {

// The character a byte stands for; the five bytes the code page leaves
// undefined (81 8D 8F 90 9D) read as '?'.
char32_t ToUnicode(unsigned char byte);
// The byte for a character; none when the code page cannot hold it.
std::optional<unsigned char> FromUnicode(char32_t c);

std::string ToUtf8(std::string_view text);
// For texts that join both kinds (a message naming a patch and a file): each
// well-formed UTF-8 sequence is kept, every other byte read as Windows-1252.
std::string MixedToUtf8(std::string_view text);
// Characters the code page cannot hold (and malformed UTF-8) become '?'; lost
// receives each of those characters once, in order, as UTF-8.
std::string FromUtf8(std::string_view utf8, std::string* lost = nullptr);

}  // namespace cp1252
