#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// A 16-byte identifier. Stored in files field by field, little-endian, which is
// the in-memory layout the stored libraries were written with.
struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::array<std::uint8_t, 8> Data4{};

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
    friend constexpr auto operator<=>(const GUID&, const GUID&) = default;

    constexpr bool IsNull() const { return *this == GUID{}; }

    std::array<std::uint8_t, 16> ToBytes() const;
    static GUID FromBytes(std::span<const std::uint8_t, 16> bytes);

    // "{90FFCDB0-F3F8-11D2-9847-006008CC23FE}", upper case.
    std::string ToString() const;
    // Accepts the braced or bare form, any case; nullopt when malformed.
    static std::optional<GUID> Parse(std::string_view text);
};

struct GuidHash {
    std::size_t operator()(const GUID& g) const noexcept;
};
