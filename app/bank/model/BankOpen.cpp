#include "BankOpen.h"

#include <algorithm>
#include <span>

#include "File.h"
#include "FileX.h"
#include "Smf.h"
#include "StringTable.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"

namespace BankOpen {
namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view magic, std::size_t at = 0) {
    return bytes.size() >= at + magic.size() &&
           std::equal(magic.begin(), magic.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                      [](char m, std::uint8_t b) { return static_cast<std::uint8_t>(m) == b; });
}

int CountMessages(std::span<const std::uint8_t> bytes) {
    int count = 0;
    bool open = false;
    for (const std::uint8_t b : bytes) {
        if (b == 0xF0) open = true;
        else if (b == 0xF7 && open) ++count, open = false;
    }
    return count;
}

// The SysEx events of a standard MIDI file, as a .syx file would hold them.
std::vector<std::uint8_t> SysExOfMidiFile(const SmfFile& smf) {
    std::vector<std::uint8_t> out;
    for (const SmfEvent& e : smf.GetEvents())
        if (e.kind == SmfEvent::SysEx && !e.data.empty() && e.data.front() == 0xF0 && e.data.back() == 0xF7)
            out.insert(out.end(), e.data.begin(), e.data.end());
    return out;
}

Result Refused(Outcome outcome, std::string detail = {}) {
    Result result;
    result.outcome = outcome;
    result.detail = std::move(detail);
    return result;
}

// The memory that reads the data: the first plug-in's that recognises it, else the generic one.
std::unique_ptr<CSynthMemory> ChooseMemory(CFile& file) {
    CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
    if (std::unique_ptr<CSynthMemory> memory = factory.CreateMatchingMemory(file)) return memory;
    const CSynthMemory* generic = factory.GetSynthMemoryfromPatchType(GUID{});
    return generic ? generic->CreateMemory() : nullptr;
}

}  // namespace

Result Open(const std::string& path, const Options& options) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = CFileX::Read(path);
    } catch (const CFileException& e) {
        return Refused(Outcome::Unreadable, e.GetErrorMessage());
    }
    return Read(std::move(bytes), path, options);
}

Result Read(std::vector<std::uint8_t> bytes, const std::string& path, const Options& options) {
    // What is plainly no bank is said so, instead of opening as raw data.
    if (bytes.empty() && !options.emptyIsABank) return Refused(Outcome::Empty);
    bool fromMidiFile = false;
    if (bytes.empty()) {
        // Opens as it is: no plug-in recognises nothing, so the generic memory holds it.
    } else if (StartsWith(bytes, "MThd")) {
        SmfFile smf;
        if (!smf.Parse(bytes, path)) return Refused(Outcome::BrokenMidiFile, smf.GetError());
        bytes = SysExOfMidiFile(smf);
        if (bytes.empty()) return Refused(Outcome::MidiFileWithoutSysEx);
        fromMidiFile = true;
    } else if (StartsWith(bytes, "RIFF") && StartsWith(bytes, "WAVE", 8)) {
        return Refused(Outcome::WaveFile);
    }
    if (!bytes.empty() && std::find(bytes.begin(), bytes.end(), std::uint8_t{0xF0}) == bytes.end())
        return Refused(Outcome::NoSysEx);

    Result result;
    result.fromMidiFile = fromMidiFile;
    result.messages = CountMessages(bytes);
    CMemFile file(std::move(bytes), path);
    try {
        result.memory = ChooseMemory(file);
    } catch (const CFileException& e) {
        return Refused(Outcome::LoadFailed, e.GetErrorMessage());
    } catch (const std::exception& e) {
        return Refused(Outcome::LoadFailed, path + " (" + e.what() + ")");
    }
    if (!result.memory) return Refused(Outcome::NoPlugIn);
    if (result.memory->GetLayerCount() == 0) return Refused(Outcome::NoLayers, result.memory->GetName());
    if (options.beforeLoad) options.beforeLoad(*result.memory);
    try {
        result.memory->Load(file);
    } catch (const CFileException& e) {
        // A file that ends in the middle of a message opens with what was read.
        if (e.m_cause != CFileException::endOfFile) return Refused(Outcome::LoadFailed, e.GetErrorMessage());
    } catch (const std::exception& e) {
        // A plug-in that fails in an unexpected way must not take the program with it.
        return Refused(Outcome::LoadFailed, path + " (" + e.what() + ")");
    }
    result.problems = result.memory->GetLoadProblems();
    result.generation = BankGeneration::Check(*result.memory);
    return result;
}

std::string RefusalText(const Result& result, std::string_view name) {
    const std::string quoted = "\"" + std::string(name) + "\"";
    switch (result.outcome) {
    case Outcome::Opened: return {};
    case Outcome::Unreadable:
    case Outcome::BrokenMidiFile:
    case Outcome::LoadFailed: return result.detail;
    case Outcome::Empty: return quoted + " is empty: it holds no SysEx to show.";
    case Outcome::MidiFileWithoutSysEx:
        return quoted + " is a MIDI file without SysEx messages: there is no bank in it.";
    case Outcome::WaveFile: return quoted + " is a WAV file, not SysEx.";
    case Outcome::NoSysEx: return quoted + " holds no SysEx (no message from F0 to F7): there is nothing to show.";
    case Outcome::NoPlugIn: return quoted + ": " + CStringTable::Get(61216);
    case Outcome::NoLayers: return quoted + ": " + result.detail + " has no layers.";
    }
    return {};
}

}  // namespace BankOpen
