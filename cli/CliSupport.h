#pragma once

// What every command of tonalith-cli shares: errors and exit codes, opening and
// saving banks, text conversion at the console edge, JSON output.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>
#include <tonalith/Cp1252.h>

using Json = nlohmann::ordered_json;

struct GUID;
class CFile;
class CLayer;
class CSynth;
class CSynthMemory;

namespace CLI {
class App;
}

namespace cli {

// A command that could not do its work: exit 1, the text on stderr (it names the file).
class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Arguments that make no sense together or do not parse: exit 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

void Warn(std::string_view text);
// Information a script may want but that is no problem (stderr).
void Note(std::string_view text);
// True when stdout is a terminal (progress lines are shown only then).
bool StdoutIsTerminal();
bool StderrIsTerminal();

// Patch texts are Windows-1252; the console and JSON speak UTF-8.
inline std::string ToUtf8(std::string_view cp1252Text) { return cp1252::ToUtf8(cp1252Text); }
// Characters Windows-1252 cannot hold become '?'.
inline std::string FromUtf8(std::string_view utf8) { return cp1252::FromUtf8(utf8); }

std::string GuidText(const GUID& guid);

// "0,2,5" or "0-3,7": indices in the given order. Throws UsageError naming what.
std::vector<int> ParseIndexList(std::string_view text, std::string_view what);
int ParseInt(std::string_view text, std::string_view what);

// Strings that are not UTF-8 are written with their stray bytes as "\xHH" text.
void PrintJson(const Json& value);
// A patch name without the blanks that pad it to its length.
std::string TrimmedName(std::string_view name);

// A bank read the way the program opens a .syx file: the first plug-in that
// recognises the data, else the generic memory reads it all into its first layer.
struct Bank {
    std::string path;
    std::unique_ptr<CSynthMemory> memory;
    std::vector<std::string> warnings;  // what loading it told on stderr, for JSON output
};
// Throws Failure naming the file. Problems the memory met while loading are
// printed as warnings.
Bank OpenBank(const std::string& path, const std::vector<std::string>& settings = {});
CLayer& GetLayer(const Bank& bank, int index);

// Writes the listed layers in list order, atomically. With none listed, the bank
// as CSynthMemory::Save writes it: the layers its file held (all for a new bank)
// and the messages no layer reads.
void SaveLayers(CSynthMemory& memory, const std::string& path, std::span<const int> layers = {});
// Writes bytes atomically; throws Failure naming the file.
void SaveBytes(const std::string& path, std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> ReadBytes(const std::string& path);

// ---- file names on the command line ----------------------------------------
// "-" is standard input where a command reads a file, standard output where it writes one.
inline constexpr std::string_view kStdio = "-";
// The name the framework opens: "-" becomes standard input or output. Writing to
// standard output (by "-" or any other name) takes it over: the command's reports
// go to stderr from then on, so they never mix with the data.
std::string InputPath(const std::string& path);
std::string OutputPath(const std::string& path);
// "-", or something that exists and is neither a regular file nor a folder (a pipe,
// a FIFO, a device): it can be read only once, from the start, without seeking.
bool IsStream(const std::string& path);
// Throws UsageError when output is the very file input is (device and inode, so
// "./x", links and hard links count): input would be read as one kind of file
// and replaced by another.
void RefuseSameFile(const std::string& input, std::string_view inputWhat, const std::string& output,
                    std::string_view outputWhat);
// Commands that make a new file: an existing regular file is replaced only with --force.
void RefuseExisting(const std::string& path, bool force);

// text with every from replaced by to (a private file's name by the one the user gave).
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to);

// A private folder in the temporary directory, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();  // throws Failure
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// A file by name for readers that seek (WAV, MIDI files, forms): path itself, or
// for a stream a private copy of all it holds.
class SeekableInput {
public:
    explicit SeekableInput(const std::string& path);
    const std::string& Path() const { return m_path; }
    // text with the copy's name put back to the name the user gave.
    std::string Named(std::string text) const;

private:
    std::string m_given;
    std::string m_path;
    std::unique_ptr<ScratchFolder> m_folder;
};

// --set KEY=VALUE for this run only, each checked first (UsageError): the synth's
// settings become read-only, so nothing reaches its settings file.
void ApplySettings(const CSynthMemory& memory, const std::vector<std::string>& assignments);

// The synth memory named (case-insensitive, or a unique prefix) among the plug-ins.
CSynthMemory& FindMemory(std::string_view name);

// Command groups; each adds its subcommands to the application.
void AddBankCommands(CLI::App& app);
void AddHexdumpCommand(CLI::App& app);
void AddLibraryCommands(CLI::App& app);
void AddFormCommands(CLI::App& app);
void AddSampleCommands(CLI::App& app);
void AddMidiCommands(CLI::App& app);
void AddParameterCommands(CLI::App& app);
void AddVerifyCommand(CLI::App& app);
void AddToolCommand(CLI::App& app);
void AddConfigCommand(CLI::App& app);

std::string LowerAscii(std::string text);

}  // namespace cli
