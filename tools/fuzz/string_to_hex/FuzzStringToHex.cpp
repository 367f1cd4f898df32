// Hex text typed by the user or read from a form. The first byte picks the
// encoding. Bytes that were read must print and read back the same.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "Functions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int encoding = data[0] & 1;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<std::uint8_t> bytes;
    try {
        bytes = CFunctions::StringToHex(text, encoding);
    } catch (const CHexFormatError&) {
        return 0;
    }
    if (CFunctions::StringToHex(CFunctions::HexToString(bytes), 0) != bytes) __builtin_trap();
    return 0;
}
