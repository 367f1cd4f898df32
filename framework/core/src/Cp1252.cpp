#include "Cp1252.h"

#include <array>

namespace cp1252 {
namespace {

// Code points of bytes 80..9F; 0 where the code page defines none.
constexpr std::array<char16_t, 32> kHigh{0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                         0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                         0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                         0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The next character of utf8 at i (advanced); none for a malformed sequence,
// which then counts as one byte.
std::optional<char32_t> NextUtf8(std::string_view utf8, std::size_t& i) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    std::size_t len = 1;
    char32_t c = b;
    if (b >= 0xF0 && b < 0xF8) len = 4, c = b & 0x07;
    else if (b >= 0xE0) len = 3, c = b & 0x0F;
    else if (b >= 0xC0) len = 2, c = b & 0x1F;
    else if (b >= 0x80) {
        ++i;
        return std::nullopt;
    }
    if (b >= 0xF8 || i + len > utf8.size()) {
        ++i;
        return std::nullopt;
    }
    for (std::size_t k = 1; k < len; ++k) {
        const auto next = static_cast<unsigned char>(utf8[i + k]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return std::nullopt;
        }
        c = (c << 6) | (next & 0x3F);
    }
    i += len;
    return c;
}

}  // namespace

char32_t ToUnicode(unsigned char byte) {
    if (byte < 0x80 || byte >= 0xA0) return byte;
    const char16_t c = kHigh[byte - 0x80];
    return c ? c : U'?';
}

std::optional<unsigned char> FromUnicode(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] != 0 && kHigh[i] == c) return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

std::string ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) AppendUtf8(out, ToUnicode(static_cast<unsigned char>(ch)));
    return out;
}

std::string MixedToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        if (static_cast<unsigned char>(text[i]) >= 0x80 && NextUtf8(text, i) && i - start > 1) {
            out += text.substr(start, i - start);
            continue;
        }
        i = start + 1;
        AppendUtf8(out, ToUnicode(static_cast<unsigned char>(text[start])));
    }
    return out;
}

std::string FromUtf8(std::string_view utf8, std::string* lost) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t start = i;
        const std::optional<char32_t> c = NextUtf8(utf8, i);
        const std::optional<unsigned char> byte = c ? FromUnicode(*c) : std::nullopt;
        if (byte) {
            out += static_cast<char>(*byte);
            continue;
        }
        out += '?';
        if (lost) {
            const std::string_view what = utf8.substr(start, i - start);
            if (lost->find(what) == std::string::npos) *lost += what;
        }
    }
    return out;
}

}  // namespace cp1252
