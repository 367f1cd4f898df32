// MIDI commands: the ports there are, sending a bank, receiving a dump with a
// synth's dump command, and playing a standard MIDI file.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>

#include <tonalith/File.h>
#include <tonalith/Functions.h>
#include <tonalith/Layer.h>
#include <tonalith/Midi.h>
#include <tonalith/Smf.h>
#include <tonalith/Synth.h>
#include <tonalith/SynthMemory.h>

#include "CliSupport.h"
#include "MidiSupport.h"
#include "Settings.h"
#include "TransferModel.h"

namespace cli {
namespace {

void Ports(const std::string& api, bool json) {
    try {
        InitMidi(api);
    } catch (const Failure& e) {
        // A script asking for JSON gets it with the reason, and the exit code says it failed.
        std::string requested = api;
        for (char& c : requested) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (json)
            PrintJson({{"api", requested}, {"error", e.what()}, {"inputs", Json::array()}, {"outputs", Json::array()}});
        throw;
    }
    CMidi& midi = CMidi::Get();
    const IMidiBackend* backend = midi.GetBackend();
    const std::string error = midi.GetBackendError();
    Json result{{"api", backend ? std::string(MidiSystemName(backend->GetSystem())) : "NONE"},
                {"error", error},
                {"inputs", Json::array()},
                {"outputs", Json::array()}};
    const auto inputs = midi.GetInputNames();
    const auto outputs = midi.GetOutputNames();
    for (std::size_t i = 0; i < inputs.size(); ++i) result["inputs"].push_back({{"index", i}, {"name", inputs[i]}});
    for (std::size_t i = 0; i < outputs.size(); ++i) result["outputs"].push_back({{"index", i}, {"name", outputs[i]}});
    if (!error.empty()) Warn(error);
    if (json) return PrintJson(result);
    std::cout << "MIDI system: " << result["api"].get<std::string>() << "\ninputs:\n";
    for (std::size_t i = 0; i < inputs.size(); ++i) std::cout << "  " << i << ": " << inputs[i] << '\n';
    std::cout << "outputs:\n";
    for (std::size_t i = 0; i < outputs.size(); ++i) std::cout << "  " << i << ": " << outputs[i] << '\n';
}

// Without --layers the file goes out as it is, every byte in its order (a single
// patch stays a single patch; nothing of the instrument's memory that the file
// did not hold is overwritten). With --layers, those layers of the bank.
void Send(const std::string& path, const std::string& layersText, const std::vector<std::string>& sets,
          const std::string& port, const std::string& api, bool progress) {
    const std::vector<int> layers = layersText.empty() ? std::vector<int>{} : ParseIndexList(layersText, "--layers");
    if (layers.empty() && !sets.empty())
        throw UsageError("--set: without --layers the file goes out as it is, which no setting changes");
    std::vector<std::uint8_t> bytes;
    if (layers.empty()) {
        bytes = ReadBytes(path);
    } else {
        const Bank bank = OpenBank(path, sets);
        CMemFile file(path);
        try {
            for (const int i : layers) GetLayer(bank, i).Save(file);
        } catch (const CFileException& e) {
            throw Failure(e.GetErrorMessage());
        }
        bytes.assign(file.Data().begin(), file.Data().end());
    }
    if (bytes.empty())
        throw Failure("\"" + path +
                      "\": " + (layers.empty() ? "the file is empty" : "the layers hold nothing to send"));
    InitMidi(api);
    SendAndWait(OpenOutput(port), bytes, progress);
    std::cout << bytes.size() << " bytes sent\n";
}

const CDumpCommand& FindCommand(const CSynthMemory& memory, const std::string& name) {
    const CSynth* synth = memory.GetSynth();
    std::string known;
    for (int i = 0; synth && i < synth->GetDumpCommandsCount(); ++i) {
        const CDumpCommand& command = synth->GetDumpCommand(i);
        if (LowerAscii(ToUtf8(command.m_name)) == LowerAscii(name)) return command;
        known += "\n  " + ToUtf8(command.m_name);
    }
    throw Failure("no dump command \"" + name + "\" for " + ToUtf8(memory.GetName()) +
                  (known.empty() ? "" : "; there are:" + known));
}

// A dump whose size is not the one the settings expect may still be complete: for
// another model generation than the settings name. The note says which.
std::optional<std::string> OtherGenerationNote(const CSynthMemory& memory, const CDumpCommand& command,
                                               const std::string& path, std::span<const std::uint8_t> data) {
    if (command.m_expectedSize <= 0 || static_cast<long>(data.size()) == command.m_expectedSize) return std::nullopt;
    const std::optional<OtherGeneration> other = CompleteForOtherGeneration(memory, command.m_name, data);
    if (!other) return std::nullopt;
    return "\"" + path + "\": complete for the " + other->name + " (" + std::to_string(data.size()) + " bytes; " +
           std::to_string(command.m_expectedSize) + " under the settings); " + other->note;
}

// A receive whose file cannot be written would throw the dump away after it came.
void RefuseUnwritable(const std::string& path) {
    namespace fs = std::filesystem;
    if (path == kStdio) return;
    std::error_code ec;
    if (fs::is_directory(path, ec)) throw UsageError("\"" + path + "\" is a folder; give a file name to write");
    const fs::path folder = fs::path(path).parent_path().empty() ? fs::path(".") : fs::path(path).parent_path();
    if (!fs::is_directory(folder, ec))
        throw UsageError("\"" + path + "\": the folder \"" + folder.string() + "\" does not exist");
    if (::access(folder.c_str(), W_OK) != 0 || (fs::exists(path, ec) && ::access(path.c_str(), W_OK) != 0))
        throw UsageError("\"" + path + "\" cannot be written (" + std::strerror(errno) + "); nothing was received");
}

void Receive(const std::string& synthName, const std::string& commandName, const std::vector<std::string>& sets,
             const std::string& in, const std::string& out, const std::string& path, int silence,
             const std::string& api, bool progress) {
    const CSynthMemory& memory = FindMemory(synthName);
    ApplySettings(memory, sets);
    // A copy: judging the dump rebuilds the synth's dump commands.
    const CDumpCommand command = FindCommand(memory, commandName);
    std::vector<std::uint8_t> request;
    try {
        request = CFunctions::StringToHex(command.m_request);
    } catch (const CHexFormatError& e) {
        throw Failure("the request of \"" + ToUtf8(command.m_name) + "\" is not hex text: " + e.what());
    }
    RefuseUnwritable(path);
    InitMidi(api);
    CMidiOutput& output = OpenOutput(out);
    CMidiInput& input = OpenInput(in);
    input.SetInactivityTimeout(std::chrono::seconds(silence));
    input.SetAnswerTimeout(std::chrono::seconds(silence));
    CTransferWatch watch(command.m_expectedSize, progress);
    input.AddReceiveListener(&watch);
    const bool started = input.ReceiveLong("", &output, request, command.m_expectedSize);
    const bool ended = started && watch.Wait(std::chrono::seconds(silence + 5));
    if (!ended) input.Stop();
    input.RemoveReceiveListener(&watch);
    if (!started) throw Failure("cannot open the MIDI input \"" + input.GetPortName() + "\"");
    const std::vector<std::uint8_t> data = input.TakeReceivedData();
    input.Close();
    if (watch.Failed())
        throw Failure("receiving on \"" + input.GetPortName() + "\" failed (error " + std::to_string(watch.GetError()) +
                      ")");
    if (data.empty()) throw Failure("nothing was received on \"" + input.GetPortName() + "\"");
    SaveBytes(path, data);  // what came is kept either way
    const long expected = command.m_expectedSize;
    if (const std::optional<std::string> note = OtherGenerationNote(memory, command, path, data)) {
        std::cout << data.size() << " bytes received\n";
        return Note(*note);
    }
    if (expected > 0 && static_cast<long>(data.size()) > expected)
        Warn(std::to_string(data.size()) + " bytes received, " + std::to_string(expected) + " expected");
    // A dump that stopped short is incomplete: say so, never report it as success.
    if (expected > 0 && static_cast<long>(data.size()) < expected)
        throw Failure("\"" + path + "\": incomplete dump, " + std::to_string(data.size()) + " of " +
                      std::to_string(expected) + " bytes received (saved as it came)");
    std::cout << data.size() << " bytes received\n";
}

// "SYNTH/DUMP NAME": the synth's name may itself hold a slash, so every split is tried.
std::pair<const CSynthMemory*, CDumpCommand> FindDump(const std::string& text) {
    std::string lastError = "\"" + text + "\" is not SYNTH/DUMP NAME";
    for (std::size_t slash = text.find('/'); slash != std::string::npos; slash = text.find('/', slash + 1)) {
        try {
            const CSynthMemory& memory = FindMemory(text.substr(0, slash));
            return {&memory, FindCommand(memory, text.substr(slash + 1))};
        } catch (const Failure& e) {
            lastError = e.what();
        }
    }
    throw UsageError(lastError);
}

// One dump; the line printed says what came. False when it failed or came short.
bool ReceiveOne(const CSynthMemory& memory, const CDumpCommand& command, const std::string& in, const std::string& out,
                const std::string& path, bool progress) {
    const std::vector<std::uint8_t> request = CFunctions::StringToHex(command.m_request);
    CMidi& midi = CMidi::Get();
    const CSynth* synth = memory.GetSynth();
    CMidiOutput* output = nullptr;
    if (!out.empty()) output = &OpenOutput(out);
    else if (!request.empty())
        output = synth && !memory.IsGeneric() ? &midi.GetOutput(*synth) : &midi.GetOutput(command);
    CMidiInput& input = !in.empty()                    ? OpenInput(in)
                        : synth && !memory.IsGeneric() ? midi.GetInput(*synth)
                                                       : midi.GetInput(command);
    input.SetBlockDimensions(command.m_blockCount, command.m_blockSize);
    if (output && command.m_outputSetting > 0) output->SetDelay(command.m_outputSetting);
    CTransferWatch watch(command.m_expectedSize, progress);
    input.AddReceiveListener(&watch);
    bool started = false;
    try {
        started = input.ReceiveLong(path, request.empty() ? nullptr : output, request, command.m_expectedSize);
    } catch (const CFileException& e) {
        input.RemoveReceiveListener(&watch);
        std::cout << path << ": " << e.GetErrorMessage() << '\n';
        return false;
    }
    const bool ended = started && watch.Wait(std::chrono::seconds(15));
    if (!ended) input.Stop();
    input.RemoveReceiveListener(&watch);
    const long got = input.GetBytesTransferred();
    const long expected = command.m_expectedSize;
    std::string state = "complete";
    bool ok = true;
    std::optional<std::string> note;
    if (started && !watch.Failed() && got > 0 && expected > 0 && got != expected)
        note = OtherGenerationNote(memory, command, path, ReadBytes(path));
    if (!started || watch.Failed())
        state = "failed (error " + std::to_string(started ? watch.GetError() : 0) + ")", ok = false;
    else if (got == 0) state = "nothing received", ok = false;
    else if (expected > 0 && got < expected && !note)
        state = "incomplete: " + std::to_string(got) + " of " + std::to_string(expected) + " bytes", ok = false;
    else if (expected <= 0) state = "no expected size";
    std::cout << path << ": " << got << " bytes, " << state << '\n';
    if (note) Note(*note);
    return ok;
}

void ReceiveAll(const std::vector<std::string>& dumps, const std::vector<std::string>& sets, const std::string& outDir,
                const std::string& in, const std::string& out, double pause, const std::string& api, bool progress) {
    namespace fs = std::filesystem;
    // The settings first: the requests carry some of them (the device ID).
    std::vector<const CSynthMemory*> configured;
    for (const std::string& text : dumps) {
        const CSynthMemory* memory = FindDump(text).first;
        if (std::find(configured.begin(), configured.end(), memory) != configured.end()) continue;
        ApplySettings(*memory, sets);
        configured.push_back(memory);
    }
    std::vector<std::pair<const CSynthMemory*, CDumpCommand>> work;
    for (const std::string& text : dumps) {
        auto dump = FindDump(text);
        try {
            (void)CFunctions::StringToHex(dump.second.m_request);
        } catch (const CHexFormatError& e) {
            throw Failure("the request of \"" + dump.second.m_name + "\" is not hex text: " + e.what());
        }
        work.push_back(std::move(dump));
    }
    if (!fs::is_directory(outDir)) throw Failure("\"" + outDir + "\": the folder does not exist");
    InitMidi(api);
    const std::string folder = NextDumpFolder(outDir, TodayText(), [](const std::string& p) { return fs::exists(p); });
    std::error_code error;
    if (!fs::create_directory(folder, error)) throw Failure("\"" + folder + "\": could not create folder for dumps");
    std::cout << folder << '\n';
    bool allOk = true;
    for (std::size_t i = 0; i < work.size(); ++i) {
        if (i > 0) std::this_thread::sleep_for(std::chrono::duration<double>(pause));
        const auto& [memory, command] = work[i];
        allOk = ReceiveOne(*memory, command, in, out, DumpFileName(folder, static_cast<int>(i), command.m_name),
                           progress) &&
                allOk;
    }
    if (!allOk) throw Failure("some dumps failed or came short; the others are kept in \"" + folder + "\"");
}

void Play(const std::string& path, const std::string& port, const std::string& api, bool progress) {
    CSmfFilePlayer player;
    const SeekableInput input(path);  // the MIDI file reader seeks
    if (!player.Open(input.Path()))
        throw Failure(player.GetError().empty() ? "\"" + path + "\": cannot play" : input.Named(player.GetError()));
    InitMidi(api);
    CMidiOutput& output = OpenOutput(port);
    if (!player.Play(output)) throw Failure("cannot play \"" + path + "\" on \"" + output.GetPortName() + "\"");
    const bool terminal = ShowProgress(progress);
    const double duration = player.GetFile().GetDuration();
    while (player.GetState() == CSmfFilePlayer::Playing) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (terminal) std::fprintf(stderr, "\r%.1f / %.1f s   ", player.GetPosition(), duration);
    }
    if (terminal) std::fprintf(stderr, "\n");
    player.Stop();
    output.WaitDone(std::chrono::seconds(2));
    // The player ends only after its SysEx has gone out; what did not is lost and said so.
    const CSmfFilePlayer::SysExReport sysex = player.GetSysExReport();
    if (!sysex.Complete())
        throw Failure("\"" + path + "\": " + std::to_string(sysex.messages - sysex.sentMessages) + " of " +
                      std::to_string(sysex.messages) + " SysEx messages (" +
                      std::to_string(sysex.bytes - sysex.sentBytes) + " of " + std::to_string(sysex.bytes) +
                      " bytes) did not reach \"" + output.GetPortName() + "\"");
    std::cout << "played " << path << " (" << duration << " s";
    if (sysex.messages > 0) std::cout << ", " << sysex.messages << " SysEx messages, " << sysex.bytes << " bytes";
    std::cout << ")\n";
}

}  // namespace

std::string LowerAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

void AddMidiCommands(CLI::App& app) {
    struct Options {
        std::string api, file, layers, in, out, synth, command, output;
        std::vector<std::string> sets;
        int silence = 5;
        double timeout = 0;
        bool json = false, progress = false;
    };
    auto o = std::make_shared<Options>();
    // Every MIDI command: the back end, and a limit on the whole run.
    auto addMidi = [o](CLI::App* sub) {
        sub->add_option("--api", o->api, "MIDI back end: alsa or jack (default: the MIDIAPI setting)");
        AddTimeoutOption(*sub, o->timeout);
        sub->add_flag("--progress", o->progress, "Progress lines on stderr also when it is no terminal");
    };
    auto deadline = [o] { return CommandDeadline(o->timeout); };

    auto* ports = app.add_subcommand("ports", "List the MIDI input and output ports");
    ports->add_flag("--json", o->json, "Print JSON");
    addMidi(ports);
    ports->callback([o, deadline] {
        const auto limit = deadline();
        Ports(o->api, o->json);
    });

    auto* send = app.add_subcommand("send", "Send a SysEx file as it is, or the listed layers of its bank");
    send->add_option("FILE", o->file, "The SysEx file")->required();
    send->add_option("--layers", o->layers, "Layer indices to send (default: the file's own bytes, unchanged)");
    send->add_option("--out", o->out, "MIDI output: index or part of its name")->required();
    AddSetOption(*send, o->sets);
    addMidi(send);
    send->callback([o, deadline] {
        const auto limit = deadline();
        Send(o->file, o->layers, o->sets, o->out, o->api, o->progress);
    });

    auto* receive = app.add_subcommand("receive", "Ask an instrument for a dump with a dump command and save it");
    receive->add_option("--synth", o->synth, "The synth memory's name (see plugins)")->required();
    receive->add_option("--command", o->command, "The dump command's name (see plugins)")->required();
    receive->add_option("--in", o->in, "MIDI input: index or part of its name")->required();
    receive->add_option("--out", o->out, "MIDI output for the request: index or part of its name")->required();
    receive->add_option("-o,--output", o->output, "The SysEx file to write")->required();
    receive->add_option("--silence", o->silence, "Seconds of silence that end the dump")
        ->check(CLI::Range(1, 3600))
        ->capture_default_str();
    AddSetOption(*receive, o->sets);
    addMidi(receive);
    receive->callback([o, deadline] {
        const auto limit = deadline();
        Receive(o->synth, o->command, o->sets, o->in, o->out, o->output, o->silence, o->api, o->progress);
    });

    auto* all = app.add_subcommand("receive-all", "Receive several dumps into a new dated folder, one file each");
    auto dumps = std::make_shared<std::vector<std::string>>();
    auto outDir = std::make_shared<std::string>();
    auto pause = std::make_shared<double>(3.0);
    all->add_option("DUMPS", *dumps, "\"SYNTH/DUMP NAME\" as plugins lists them")->required();
    all->add_option("--out-dir", *outDir, "The folder that receives the dated folder")->required();
    all->add_option("--in", o->in, "MIDI input (default: each synth's own)");
    all->add_option("--out", o->out, "MIDI output for the requests (default: each synth's own)");
    all->add_option("--pause", *pause, "Seconds between dumps")->check(CLI::Range(0.0, 600.0))->capture_default_str();
    AddSetOption(*all, o->sets);
    addMidi(all);
    all->callback([o, dumps, outDir, pause, deadline] {
        const auto limit = deadline();
        ReceiveAll(*dumps, o->sets, *outDir, o->in, o->out, *pause, o->api, o->progress);
    });

    auto* play = app.add_subcommand("play", "Play a standard MIDI file");
    play->add_option("FILE", o->file, "The MIDI file (.mid)")->required();
    play->add_option("--out", o->out, "MIDI output: index or part of its name")->required();
    addMidi(play);
    play->callback([o, deadline] {
        const auto limit = deadline();
        Play(o->file, o->out, o->api, o->progress);
    });
}

}  // namespace cli
