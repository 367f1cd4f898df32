#pragma once

// Opening a file as a bank, the one way the bank window and the command line do
// it: what plainly holds no bank is refused with the reason, a standard MIDI
// file gives its SysEx events, the first plug-in that recognises the data reads
// it (else the generic memory keeps it all), a dump cut short opens with what
// was read, and what the memory met while loading is handed back to be told.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "BankGeneration.h"

class CSynthMemory;

namespace BankOpen {

enum class Outcome {
    Opened,
    Unreadable,  // the file could not be read
    Empty,  // no bytes at all
    BrokenMidiFile,  // starts as a MIDI file but does not parse
    MidiFileWithoutSysEx,  // a MIDI file with no SysEx events
    WaveFile,  // a WAV file
    NoSysEx,  // no F0 anywhere
    NoPlugIn,  // no plug-in reads it and there is no generic memory
    LoadFailed,  // the plug-in failed reading it
    NoLayers,  // the memory has no layer to show it in
};

struct Result {
    Outcome outcome = Outcome::Opened;
    // Unreadable, BrokenMidiFile, LoadFailed: the reason, naming the file;
    // NoLayers: the memory's name.
    std::string detail;
    std::unique_ptr<CSynthMemory> memory;  // only when opened
    bool fromMidiFile = false;  // the SysEx events of a standard MIDI file
    int messages = 0;  // complete SysEx messages in the data
    std::vector<std::string> problems;  // the memory's load problems
    std::optional<BankGeneration::Mismatch> generation;

    bool Opened() const { return outcome == Outcome::Opened; }
};

struct Options {
    // Runs on the memory chosen before it reads anything: settings for this run.
    // What it throws passes through unchanged, with nothing opened.
    std::function<void(CSynthMemory&)> beforeLoad;
    // An empty file opens as an empty bank of the generic memory instead of being
    // refused: the command line reads back what it writes, and a bank with no
    // patch data (a new sample dump bank) is written as an empty file.
    bool emptyIsABank = false;
};

// Reads path whole and opens it.
Result Open(const std::string& path, const Options& options = {});
// Opens bytes read from path (a stream read by the caller); path names it in messages.
Result Read(std::vector<std::uint8_t> bytes, const std::string& path, const Options& options = {});

// Why the file did not open, naming it as name; empty when it opened.
std::string RefusalText(const Result& result, std::string_view name);

}  // namespace BankOpen
