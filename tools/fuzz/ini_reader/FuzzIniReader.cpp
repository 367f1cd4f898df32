// The settings file. Whatever it holds, reading values must not fail, the text
// must write back unchanged, and a value set must read back after a save.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "BasicConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CBasicConfig config("", "SETUP");
    config.ParseText(text);
    (void)config.GetString("Path");
    (void)config.GetInt("Devices", 3);
    (void)config.GetBoolean("Hex");
    (void)config.ReadWindowPlacement(0, "Main");

    const std::string written = config.ToText();
    CBasicConfig reread("", "SETUP");
    reread.ParseText(written);
    if (reread.ToText() != written) __builtin_trap();

    reread.PutString("FuzzKey", "a value");
    reread.PutInt("FuzzNumber", -42);
    CBasicConfig after("", "SETUP");
    after.ParseText(reread.ToText());
    if (after.GetString("FuzzKey") != "a value" || after.GetInt("FuzzNumber") != -42) __builtin_trap();
    return 0;
}
