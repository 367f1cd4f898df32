#include "CliSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <iostream>
#include <optional>
#include <utility>

#include <tonalith/File.h>
#include <tonalith/FileX.h>
#include <tonalith/Guid.h>
#include <tonalith/Layer.h>
#include <tonalith/Patch.h>
#include <tonalith/Synth.h>
#include <tonalith/SynthMemory.h>
#include <tonalith/SynthMemoryFactory.h>

#include "BankOpen.h"
#include "Settings.h"

namespace cli {

void Warn(std::string_view text) { std::cerr << "tonalith-cli: warning: " << text << '\n'; }
void Note(std::string_view text) { std::cerr << "tonalith-cli: note: " << text << '\n'; }

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }
bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

std::string GuidText(const GUID& guid) { return guid.ToString(); }

int ParseInt(std::string_view text, std::string_view what) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        throw UsageError(std::string(what) + ": \"" + std::string(text) + "\" is not a number");
    return value;
}

std::vector<int> ParseIndexList(std::string_view text, std::string_view what) {
    std::vector<int> out;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const std::size_t dash = item.find('-', 1);
        if (dash == std::string_view::npos) {
            out.push_back(ParseInt(item, what));
        } else {
            const int from = ParseInt(item.substr(0, dash), what);
            const int to = ParseInt(item.substr(dash + 1), what);
            if (to < from || to - from > 1'000'000)
                throw UsageError(std::string(what) + ": \"" + std::string(item) + "\" is not a range");
            for (int i = from; i <= to; ++i) out.push_back(i);
        }
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
        if (text.empty()) throw UsageError(std::string(what) + ": the list ends with a comma");
    }
    if (out.empty()) throw UsageError(std::string(what) + ": the list is empty");
    return out;
}

namespace {

// Length of the well-formed UTF-8 sequence at text[i]; 0 when none starts there.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = at(i);
    const std::size_t n = c < 0x80                 ? 1
                          : c >= 0xC2 && c <= 0xDF ? 2
                          : (c & 0xF0) == 0xE0     ? 3
                          : c >= 0xF0 && c <= 0xF4 ? 4
                                                   : 0;
    if (n == 0 || i + n > text.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((at(i + k) & 0xC0) != 0x80) return 0;
    if (n == 3 && ((c == 0xE0 && at(i + 1) < 0xA0) || (c == 0xED && at(i + 1) >= 0xA0)))
        return 0;  // overlong, surrogate
    if (n == 4 && ((c == 0xF0 && at(i + 1) < 0x90) || (c == 0xF4 && at(i + 1) >= 0x90))) return 0;
    return n;
}

// Bytes that are not UTF-8 (a file name in another encoding) become the text "\xHH".
std::string Utf8Text(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t n = Utf8Length(text, i); n > 0) {
            out.append(text.substr(i, n));
            i += n;
        } else {
            static constexpr char kHex[] = "0123456789ABCDEF";
            const auto byte = static_cast<unsigned char>(text[i++]);
            out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0x0F]};
        }
    }
    return out;
}

Json Utf8Only(const Json& value) {
    if (value.is_string()) return Utf8Text(value.get_ref<const std::string&>());
    if (value.is_array()) {
        Json out = Json::array();
        for (const Json& item : value) out.push_back(Utf8Only(item));
        return out;
    }
    if (value.is_object()) {
        Json out = Json::object();
        for (const auto& [key, item] : value.items()) out[Utf8Text(key)] = Utf8Only(item);
        return out;
    }
    return value;
}

}  // namespace

void PrintJson(const Json& value) { std::cout << Utf8Only(value).dump(2) << '\n'; }

std::string TrimmedName(std::string_view name) {
    const std::size_t end = name.find_last_not_of(' ');
    return std::string(end == std::string_view::npos ? std::string_view() : name.substr(0, end + 1));
}

namespace {

// Reading a folder as a file fails with a message that names no folder.
void RefuseFolder(const std::string& path) {
    std::error_code ec;
    if (path != kStdio && std::filesystem::is_directory(path, ec))
        throw Failure("\"" + path + "\" is a folder; give a file");
}

}  // namespace

Bank OpenBank(const std::string& path, const std::vector<std::string>& settings) {
    // A stream cannot seek as recognising the data needs: everything is read first.
    BankOpen::Options options;
    options.beforeLoad = [&](const CSynthMemory& memory) { ApplySettings(memory, settings); };
    options.emptyIsABank = true;  // as `new` writes a bank without patch data
    BankOpen::Result opened = BankOpen::Read(ReadBytes(path), path, options);
    if (!opened.Opened()) {
        std::string reason = BankOpen::RefusalText(opened, path);
        if (opened.outcome == BankOpen::Outcome::WaveFile) reason += " wav2sds makes a sample dump of it.";
        throw Failure(reason);
    }
    Bank bank;
    bank.path = path;
    bank.memory = std::move(opened.memory);
    for (const std::string& problem : opened.problems) {
        bank.warnings.push_back(ToUtf8(problem));
        Warn("\"" + path + "\": " + bank.warnings.back());
    }
    if (std::string note = GenerationNote(opened.generation); !note.empty()) {
        Note("\"" + path + "\": " + note);
        bank.warnings.push_back(std::move(note));
    }
    return bank;
}

CLayer& GetLayer(const Bank& bank, int index) {
    if (index < 0 || index >= bank.memory->GetLayerCount())
        throw Failure("\"" + bank.path + "\": there is no layer " + std::to_string(index) + " in " +
                      ToUtf8(bank.memory->GetName()) + " (layers 0 to " +
                      std::to_string(bank.memory->GetLayerCount() - 1) + ")");
    return bank.memory->GetLayer(index);
}

void SaveLayers(CSynthMemory& memory, const std::string& path, std::span<const int> layers) {
    for (std::size_t k = 0; k < layers.size(); ++k) {
        const int i = layers[k];
        if (i < 0 || i >= memory.GetLayerCount())
            throw UsageError("--layers: there is no layer " + std::to_string(i) + "; " + memory.GetName() +
                             " has layers 0.." + std::to_string(memory.GetLayerCount() - 1));
        if (std::find(layers.begin(), layers.begin() + static_cast<std::ptrdiff_t>(k), i) !=
            layers.begin() + static_cast<std::ptrdiff_t>(k))
            throw UsageError("--layers: layer " + std::to_string(i) + " is listed twice; the file would hold it twice");
    }
    if (!layers.empty()) memory.PrepareSave();  // the whole bank's Save does it itself
    try {
        CFileX::SaveAtomically(OutputPath(path), [&](CFile& file) {
            if (layers.empty()) memory.Save(file);  // the bank in the shape its file had
            for (const int i : layers) memory.GetLayer(i).Save(file);
        });
    } catch (const CFileException& e) {
        throw Failure(e.GetErrorMessage());
    }
}

void SaveBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    try {
        CFileX::SaveAtomically(OutputPath(path), [&](CFile& file) { file.Write(bytes.data(), bytes.size()); });
    } catch (const CFileException& e) {
        throw Failure(e.GetErrorMessage());
    }
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    RefuseFolder(path);
    try {
        return CFileX::Read(InputPath(path));
    } catch (const CFileException& e) {
        throw Failure(e.GetErrorMessage());
    }
}

namespace {

// The names messages show for "-"; /proc has them where /dev lacks the links.
std::string StdioPath(const char* name, int descriptor) {
    struct stat st {};
    const std::string dev = std::string("/dev/") + name;
    return ::lstat(dev.c_str(), &st) == 0 ? dev : "/proc/self/fd/" + std::to_string(descriptor);
}

struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool regular = false;
};

// What path names (links followed); "-" is the descriptor it stands for.
std::optional<FileId> IdOf(const std::string& path, int stdioDescriptor) {
    struct stat st {};
    const int rc = path == kStdio ? ::fstat(stdioDescriptor, &st) : ::stat(path.c_str(), &st);
    if (rc != 0) return std::nullopt;
    return FileId{st.st_dev, st.st_ino, S_ISREG(st.st_mode)};
}

bool g_stdoutTaken = false;

}  // namespace

std::string InputPath(const std::string& path) { return path == kStdio ? StdioPath("stdin", STDIN_FILENO) : path; }

std::string OutputPath(const std::string& path) {
    const std::optional<FileId> target = IdOf(path, STDOUT_FILENO);
    const std::optional<FileId> stdoutId = IdOf(std::string(kStdio), STDOUT_FILENO);
    const bool isStdout = path == kStdio || (target && stdoutId && target->device == stdoutId->device &&
                                             target->inode == stdoutId->inode);
    if (isStdout && !g_stdoutTaken) {
        std::cout.flush();
        std::cout.rdbuf(std::cerr.rdbuf());
        g_stdoutTaken = true;
    }
    return path == kStdio ? StdioPath("stdout", STDOUT_FILENO) : path;
}

bool IsStream(const std::string& path) {
    if (path == kStdio) return true;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

void RefuseSameFile(const std::string& input, std::string_view inputWhat, const std::string& output,
                    std::string_view outputWhat) {
    const std::optional<FileId> in = IdOf(input, STDIN_FILENO);
    const std::optional<FileId> out = IdOf(output, STDOUT_FILENO);
    // Only a regular file is replaced by a save; a stream just receives the bytes.
    if (!in || !out || !in->regular || !out->regular || in->device != out->device || in->inode != out->inode) return;
    const bool sameName = input == output;
    throw UsageError("\"" + output + "\" is " + std::string(inputWhat) + " being read" +
                     (sameName ? "" : " (as \"" + input + "\")") + "; writing " + std::string(outputWhat) +
                     " there would replace it. Choose another output file");
}

void RefuseExisting(const std::string& path, bool force) {
    if (force || path == kStdio) return;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        throw UsageError("\"" + path + "\" exists; add --force to replace it");
}

ScratchFolder::ScratchFolder() {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    std::string pattern = ((ec ? std::filesystem::path("/tmp") : base) / "tonalith-cli-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw Failure("cannot make a temporary folder in \"" + pattern.substr(0, pattern.rfind('/')) +
                      "\": " + std::strerror(errno));
    m_path = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

SeekableInput::SeekableInput(const std::string& path) : m_given(path), m_path(path) {
    if (!IsStream(path)) return;
    m_folder = std::make_unique<ScratchFolder>();
    const std::string name = path == kStdio ? "standard-input" : std::filesystem::path(path).filename().string();
    m_path = (m_folder->Path() / (name.empty() ? "input" : name)).string();
    SaveBytes(m_path, ReadBytes(path));
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    if (from.empty()) return text;
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string SeekableInput::Named(std::string text) const { return ReplaceAll(std::move(text), m_path, m_given); }

void ApplySettings(const CSynthMemory& memory, const std::vector<std::string>& assignments) {
    if (assignments.empty()) return;
    CSynth* synth = memory.GetSynth();
    if (!synth) throw UsageError("--set: " + ToUtf8(memory.GetName()) + " has no settings");
    std::vector<Setting> checked;
    for (const std::string& text : assignments)
        checked.push_back(CheckSetting(*synth, ToUtf8(memory.GetName()), text, "--set"));
    synth->GetConfig().SetReadOnly(true);
    for (const Setting& setting : checked) synth->GetConfig().PutString(setting.key, setting.value);
    synth->RefreshDumpCommands();  // requests carry settings such as the device ID or channel
}

CSynthMemory& FindMemory(std::string_view name) {
    CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
    auto lower = [](std::string_view s) {
        std::string out(s);
        std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
        return out;
    };
    const std::string wanted = lower(FromUtf8(name));
    CSynthMemory* prefixMatch = nullptr;
    int prefixMatches = 0;
    std::string known;
    for (int i = 0; i < factory.GetCount(); ++i) {
        CSynthMemory& memory = factory.GetMemory(i);
        const std::string have = lower(memory.GetName());
        if (have == wanted) return memory;
        if (have.starts_with(wanted)) prefixMatch = &memory, ++prefixMatches;
        known += (known.empty() ? "" : ", ") + ToUtf8(memory.GetName());
    }
    if (prefixMatches == 1) return *prefixMatch;
    throw Failure("no synth memory \"" + std::string(name) + "\"" +
                  (prefixMatches > 1 ? " (several names start so)" : "") + "; loaded: " + known);
}

}  // namespace cli
