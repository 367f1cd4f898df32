#pragma once

// MIDI devices and their listener lists. (Being completed by the MIDI work; the
// part the model relies on is CMidi::Get().GetOutput(synth).SendLong(bytes).)

#include <cstdint>
#include <span>

class CSynth;

class CMidiOutput {
public:
    virtual ~CMidiOutput() = default;
    // Sends one or more complete SysEx messages; false when the device cannot send.
    virtual bool SendLong(std::span<const std::uint8_t> bytes, int flags = 0);
    // A short message packed with the status in the low byte.
    virtual bool SendShort(std::uint32_t message);
};

class CMidi {
public:
    static CMidi& Get();
    static void Delete();
    CMidiOutput& GetOutput(const CSynth& synth);
};
