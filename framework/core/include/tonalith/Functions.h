#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class CFileException;

// Malformed hex text in a message template.
class CHexFormatError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Small helpers shared by the program and the plug-ins.
class CFunctions {
public:
    // The folder of the shared library or program that contains address, with a
    // trailing slash. Plug-ins pass the address of one of their own functions.
    static std::string GetModulePath(const void* address);
    // The settings folder: $XDG_CONFIG_HOME/tonalith/ (default ~/.config/tonalith/), created when missing.
    static std::string GetConfigPath();

    // Blank-separated hex pairs to bytes. With encoding 1, a pair of upper-case
    // letters ("SS") marks the checksum position, filled with the Roland checksum of
    // the address and data bytes of the DT1 message it belongs to; with encoding 0
    // such a pair becomes 00. Any other text throws CHexFormatError naming it.
    static std::vector<std::uint8_t> StringToHex(std::string_view text, int encoding = 0);
    // Bytes as upper-case hex pairs separated by blanks.
    static std::string HexToString(std::span<const std::uint8_t> bytes);

    // Sum of the bytes modulo 128; 0 stays 0, r becomes 128 - r.
    static std::uint8_t CalcRolandCheckSum(std::span<const std::uint8_t> bytes);

    // The string-table message messageId with "%1" replaced by the error text,
    // shown through the UI services with a warning icon.
    static void ShowFileException(int messageId, const CFileException& e);
    // Replaces %1, %2 ... in text.
    static std::string FormatMessage(std::string_view text, std::initializer_list<std::string_view> args);

    static int random(int max);  // 0 .. max-1
    static std::uint16_t RandWord();
    static bool IsBitSet(unsigned value, int bit) { return bit >= 0 && bit < 32 && ((value >> bit) & 1u); }
};
