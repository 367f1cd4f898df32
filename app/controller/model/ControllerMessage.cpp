#include "ControllerMessage.h"

#include <cstdio>

#include <tonalith/Functions.h>

namespace {

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

std::string Hex2(unsigned value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02X", value & 0xFFu);
    return buffer;
}

// Until the device layer offers outputs by index, the default output has no
// devices and sends nothing; forms then load with every Port at 0.
class CMidiControllerOutput final : public CControllerOutput {
public:
    int GetDeviceCount() const override { return 0; }
    std::string GetDeviceName(int) const override { return {}; }
    bool SendLong(int, std::span<const std::uint8_t>) override { return false; }
};

}  // namespace

CControllerOutput& CControllerOutput::Default() {
    static CMidiControllerOutput output;
    return output;
}

std::string BuildControllerMessage(std::string_view messageTemplate, int channel, int controller, int value) {
    std::string text(messageTemplate);
    const char channelDigit[2] = {"0123456789ABCDEF"[channel & 0x0F], '\0'};
    ReplaceAll(text, "K", channelDigit);
    if (controller != -1) ReplaceAll(text, "TT", Hex2(static_cast<unsigned>(controller) & 0x7Fu));
    const auto bits = static_cast<unsigned>(value);  // two's complement
    ReplaceAll(text, "XX", Hex2(bits & 0x7Fu));
    ReplaceAll(text, "YY", Hex2((bits >> 7) & 0x7Fu));
    return text;
}

std::vector<std::uint8_t> BuildControllerBytes(std::string_view messageTemplate, int channel, int controller,
                                               int value, int encoding) {
    return CFunctions::StringToHex(BuildControllerMessage(messageTemplate, channel, controller, value), encoding);
}
