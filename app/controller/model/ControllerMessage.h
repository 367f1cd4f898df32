#pragma once

// Turning a control's value into the bytes of its item's message, and the output
// the form sends them on.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The MIDI outputs a form sends on, by port number (device index). The program
// uses the MIDI devices; tests install a recorder.
class CControllerOutput {
public:
    virtual ~CControllerOutput() = default;
    virtual int GetDeviceCount() const = 0;
    virtual std::string GetDeviceName(int port) const = 0;
    // One complete message; false when the port cannot send.
    virtual bool SendLong(int port, std::span<const std::uint8_t> bytes) = 0;

    // The output over the framework's MIDI devices.
    static CControllerOutput& Default();
};

// The template with its placeholders replaced, in this order: every "K" by the
// channel as one hex digit, "TT" by the controller (unless it is -1), "XX" by the
// low 7 bits and "YY" by the next 7 bits of the value (two's complement, so
// negative values still give data bytes; 0..16383 give value % 128 and value / 128).
std::string BuildControllerMessage(std::string_view messageTemplate, int channel, int controller, int value);

// The message as bytes (CFunctions::StringToHex with the encoding); throws
// CHexFormatError for a template that is not hex text after substitution.
std::vector<std::uint8_t> BuildControllerBytes(std::string_view messageTemplate, int channel, int controller, int value,
                                               int encoding);
