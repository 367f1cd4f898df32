#include "ControllerMessage.h"

#include <cstdio>

#include <tonalith/Functions.h>
#include <tonalith/Midi.h>

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

// The framework's MIDI outputs by device index.
class CMidiControllerOutput final : public CControllerOutput {
public:
    int GetDeviceCount() const override { return CMidiOutput::GetDeviceCount(); }
    std::string GetDeviceName(int port) const override { return CMidiOutput::GetDeviceName(port); }
    bool SendLong(int port, std::span<const std::uint8_t> bytes) override {
        if (port < 0 || port >= GetDeviceCount()) return false;
        return CMidi::Get().GetOutput(port).SendLong(bytes, 0);
    }
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

std::vector<std::uint8_t> BuildControllerBytes(std::string_view messageTemplate, int channel, int controller, int value,
                                               int encoding) {
    return CFunctions::StringToHex(BuildControllerMessage(messageTemplate, channel, controller, value), encoding);
}
