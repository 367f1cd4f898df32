#include "Guid.h"

#include <cstdio>
#include <functional>

std::array<std::uint8_t, 16> GUID::ToBytes() const {
    std::array<std::uint8_t, 16> b{};
    for (int i = 0; i < 4; ++i) b[i] = static_cast<std::uint8_t>(Data1 >> (8 * i));
    b[4] = static_cast<std::uint8_t>(Data2);
    b[5] = static_cast<std::uint8_t>(Data2 >> 8);
    b[6] = static_cast<std::uint8_t>(Data3);
    b[7] = static_cast<std::uint8_t>(Data3 >> 8);
    for (int i = 0; i < 8; ++i) b[8 + i] = Data4[i];
    return b;
}

GUID GUID::FromBytes(std::span<const std::uint8_t, 16> b) {
    GUID g;
    g.Data1 = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
              static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    g.Data2 = static_cast<std::uint16_t>(b[4] | b[5] << 8);
    g.Data3 = static_cast<std::uint16_t>(b[6] | b[7] << 8);
    for (int i = 0; i < 8; ++i) g.Data4[i] = b[8 + i];
    return g;
}

std::string GUID::ToString() const {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", Data1, Data2, Data3, Data4[0],
                  Data4[1], Data4[2], Data4[3], Data4[4], Data4[5], Data4[6], Data4[7]);
    return buf;
}

std::optional<GUID> GUID::Parse(std::string_view text) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return std::nullopt;
    std::array<std::uint8_t, 16> raw{};  // in printed order
    int n = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '-') {
            ++i;
            continue;
        }
        auto nibble = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            return -1;
        };
        if (i + 1 >= text.size()) return std::nullopt;
        const int hi = nibble(text[i]), lo = nibble(text[i + 1]);
        if (hi < 0 || lo < 0 || n >= 16) return std::nullopt;
        raw[n++] = static_cast<std::uint8_t>(hi << 4 | lo);
        i += 2;
    }
    if (n != 16) return std::nullopt;
    GUID g;
    g.Data1 = static_cast<std::uint32_t>(raw[0]) << 24 | static_cast<std::uint32_t>(raw[1]) << 16 |
              static_cast<std::uint32_t>(raw[2]) << 8 | raw[3];
    g.Data2 = static_cast<std::uint16_t>(raw[4] << 8 | raw[5]);
    g.Data3 = static_cast<std::uint16_t>(raw[6] << 8 | raw[7]);
    for (int i = 0; i < 8; ++i) g.Data4[i] = raw[8 + i];
    return g;
}

std::size_t GuidHash::operator()(const GUID& g) const noexcept {
    std::size_t h = g.Data1;
    h = h * 1000003u ^ (static_cast<std::size_t>(g.Data2) << 16 | g.Data3);
    for (auto b : g.Data4) h = h * 131u ^ b;
    return h;
}
