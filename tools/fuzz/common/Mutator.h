#pragma once

// The random mutations of the ordinary test build's fuzz driver: the usual byte
// edits plus values that sit on format boundaries (MIDI status bytes, sizes).

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace tonalith::fuzz {

class CMutator {
public:
    CMutator(std::uint64_t start, std::size_t maxLen) : m_random(start), m_maxLen(maxLen) {}

    std::size_t Pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_random); }

    std::vector<std::uint8_t> Mutate(const std::vector<std::uint8_t>& base, const std::vector<std::uint8_t>& other) {
        std::vector<std::uint8_t> v = base;
        const int edits = 1 + static_cast<int>(Pick(6));
        for (int i = 0; i < edits; ++i) Edit(v, other);
        if (v.size() > m_maxLen) v.resize(m_maxLen);
        return v;
    }

private:
    static constexpr std::uint8_t kBytes[] = {0x00, 0x01, 0x7F, 0x80, 0x81, 0xF0, 0xF7, 0xFE, 0xFF, 0x0A, 0x0D, 0x20,
                                              '=',  '[',  ']',  ';',  'X',  'S',  '0',  'F',  0x41, 0x42, 0x7E, 0x10};
    static constexpr std::uint32_t kWords[] = {0,          1,          2,          0x7F,      0x80,   0xFF,
                                               0x100,      0x7FFF,     0x8000,     0xFFFE,    0xFFFF, 0x10000,
                                               0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};

    std::uint8_t Byte() { return static_cast<std::uint8_t>(m_random()); }

    void Edit(std::vector<std::uint8_t>& v, const std::vector<std::uint8_t>& other) {
        const auto at = [&] { return v.empty() ? 0 : Pick(v.size()); };
        switch (Pick(11)) {
        case 0:
            if (!v.empty()) v[at()] ^= static_cast<std::uint8_t>(1u << Pick(8));
            break;
        case 1:
            if (!v.empty()) v[at()] = Byte();
            break;
        case 2:
            if (!v.empty()) v[at()] = kBytes[Pick(std::size(kBytes))];
            break;
        case 3: {  // a little- or big-endian word or double word
            if (v.size() < 4) break;
            const std::uint32_t w = kWords[Pick(std::size(kWords))];
            const std::size_t p = Pick(v.size() - 3);
            const bool big = Pick(2) == 1;
            const std::size_t width = Pick(2) ? 4 : 2;
            for (std::size_t i = 0; i < width; ++i)
                v[p + i] = static_cast<std::uint8_t>(w >> (8 * (big ? width - 1 - i : i)));
            break;
        }
        case 4: {
            const std::size_t n = 1 + Pick(16);
            const std::size_t p = v.empty() ? 0 : Pick(v.size() + 1);
            std::vector<std::uint8_t> bytes(n);
            for (auto& b : bytes) b = Pick(2) ? Byte() : kBytes[Pick(std::size(kBytes))];
            v.insert(v.begin() + static_cast<std::ptrdiff_t>(p), bytes.begin(), bytes.end());
            break;
        }
        case 5: {
            if (v.empty()) break;
            const std::size_t p = Pick(v.size());
            const std::size_t n = 1 + Pick(std::min<std::size_t>(v.size() - p, 64));
            v.erase(v.begin() + static_cast<std::ptrdiff_t>(p), v.begin() + static_cast<std::ptrdiff_t>(p + n));
            break;
        }
        case 6: {  // repeat a piece of the input
            if (v.empty()) break;
            const std::size_t p = Pick(v.size());
            const std::size_t n = 1 + Pick(std::min<std::size_t>(v.size() - p, 256));
            const std::vector<std::uint8_t> piece(v.begin() + static_cast<std::ptrdiff_t>(p),
                                                  v.begin() + static_cast<std::ptrdiff_t>(p + n));
            v.insert(v.begin() + static_cast<std::ptrdiff_t>(Pick(v.size() + 1)), piece.begin(), piece.end());
            break;
        }
        case 7: {  // splice in a piece of another input
            if (other.empty()) break;
            const std::size_t p = Pick(other.size());
            const std::size_t n = 1 + Pick(std::min<std::size_t>(other.size() - p, 512));
            const std::size_t to = Pick(v.size() + 1);
            v.insert(v.begin() + static_cast<std::ptrdiff_t>(to), other.begin() + static_cast<std::ptrdiff_t>(p),
                     other.begin() + static_cast<std::ptrdiff_t>(p + n));
            break;
        }
        case 8:  // cut off the end, as a transfer or a copy that stopped early
            if (!v.empty()) v.resize(Pick(v.size()));
            break;
        case 9:
            if (!v.empty()) v[at()] = static_cast<std::uint8_t>(v[at()] + static_cast<int>(Pick(7)) - 3);
            break;
        default:  // a byte in the 7-bit range, as the data of a SysEx message
            if (!v.empty()) v[at()] = static_cast<std::uint8_t>(Pick(0x80));
            break;
        }
    }

    std::mt19937_64 m_random;
    std::size_t m_maxLen;
};

}  // namespace tonalith::fuzz
