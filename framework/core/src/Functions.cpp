#include "Functions.h"

#include <dlfcn.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <system_error>

#include "File.h"
#include "StringTable.h"
#include "Ui.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint8_t kSysExStart = 0xF0;
constexpr std::uint8_t kSysExEnd = 0xF7;
constexpr std::uint8_t kRolandId = 0x41;
constexpr std::uint8_t kRolandRQ1 = 0x11;
constexpr std::uint8_t kRolandDT1 = 0x12;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }

// A pair of upper-case letters that is not a hex number: a placeholder such as "SS".
bool IsPlaceholder(std::string_view token) {
    return token.size() == 2 && IsUpper(token[0]) && IsUpper(token[1]) &&
           (HexValue(token[0]) < 0 || HexValue(token[1]) < 0);
}

[[noreturn]] void Malformed(std::string_view token, std::string_view why) {
    throw CHexFormatError("malformed hex text at \"" + std::string(token) + "\": " + std::string(why));
}

// The Roland checksum for a placeholder at the end of out: the sum covers the
// address and data bytes, i.e. everything after the command byte (DT1, or RQ1
// whose address and size are summed the same way) of the message that began at
// messageStart. The model ID is one byte, or leading 00 bytes and one more.
std::uint8_t ChecksumFor(const std::vector<std::uint8_t>& out, std::size_t messageStart, std::string_view token) {
    std::size_t i = messageStart + 1;
    if (i >= out.size() || out[i] != kRolandId) Malformed(token, "checksum outside a Roland message");
    i += 2;  // manufacturer, device
    while (i < out.size() && out[i] == 0x00) ++i;
    ++i;  // the last model ID byte
    if (i >= out.size() || (out[i] != kRolandDT1 && out[i] != kRolandRQ1))
        Malformed(token, "checksum before the Roland command byte");
    const std::span<const std::uint8_t> summed(out.data() + i + 1, out.size() - i - 1);
    return CFunctions::CalcRolandCheckSum(summed);
}

std::optional<fs::path> HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home);
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return fs::path(pw->pw_dir);
    return std::nullopt;
}

std::mt19937& Engine() {
    thread_local std::mt19937 engine{std::random_device{}()};
    return engine;
}

}  // namespace

std::string CFunctions::GetModulePath(const void* address) {
    fs::path module;
    Dl_info info{};
    if (address && ::dladdr(address, &info) != 0 && info.dli_fname && *info.dli_fname) module = info.dli_fname;
    std::error_code ec;
    if (module.empty() || !module.has_parent_path()) {
        // The main program may report a bare name; its real path is in /proc.
        const fs::path self = fs::read_symlink("/proc/self/exe", ec);
        if (!ec) module = self;
    }
    fs::path folder = fs::weakly_canonical(fs::absolute(module, ec), ec).parent_path();
    if (folder.empty()) folder = fs::current_path(ec);
    std::string result = folder.string();
    if (result.empty() || result.back() != '/') result += '/';
    return result;
}

std::string CFunctions::GetConfigPath() {
    fs::path base;
    // Relative values are ignored, as the XDG base directory rules demand.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg && fs::path(xdg).is_absolute()) base = xdg;
    else if (const auto home = HomeFolder()) base = *home / ".config";
    else base = fs::temp_directory_path();
    const fs::path folder = base / "tonalith";
    std::error_code ec;
    fs::create_directories(folder, ec);  // a failure surfaces when the settings are saved
    return folder.string() + "/";
}

std::vector<std::uint8_t> CFunctions::StringToHex(std::string_view text, int encoding) {
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 3 + 1);
    std::optional<std::size_t> messageStart;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (IsBlank(text[pos])) {
            ++pos;
            continue;
        }
        std::size_t end = pos;
        while (end < text.size() && !IsBlank(text[end])) ++end;
        const std::string_view token = text.substr(pos, end - pos);
        pos = end;

        if (IsPlaceholder(token)) {
            if (encoding != 1) {
                out.push_back(0);
            } else {
                if (!messageStart) Malformed(token, "checksum outside a message");
                out.push_back(ChecksumFor(out, *messageStart, token));
            }
            continue;
        }
        // Runs of digits without blanks ("F041") are accepted pair by pair.
        if (token.size() % 2 != 0) Malformed(token, "odd number of hex digits");
        for (std::size_t i = 0; i < token.size(); i += 2) {
            const int hi = HexValue(token[i]);
            const int lo = HexValue(token[i + 1]);
            if (hi < 0 || lo < 0) Malformed(token, "not a hex number");
            const auto byte = static_cast<std::uint8_t>(hi * 16 + lo);
            if (byte == kSysExStart) messageStart = out.size();
            out.push_back(byte);
            if (byte == kSysExEnd) messageStart.reset();
        }
    }
    return out;
}

std::string CFunctions::HexToString(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i) text += ' ';
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::uint8_t CFunctions::CalcRolandCheckSum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (const std::uint8_t b : bytes) sum = (sum + b) & 0x7F;
    return static_cast<std::uint8_t>(sum == 0 ? 0 : 128 - sum);
}

void CFunctions::ShowFileException(int messageId, const CFileException& e) {
    const std::string reason = e.GetErrorMessage();
    std::string text = messageId >= 0 ? CStringTable::Get(static_cast<unsigned>(messageId)) : std::string();
    if (text.empty()) text = reason;
    else if (text.find("%1") != std::string::npos) text = FormatMessage(text, {reason});
    else text += "\n" + reason;  // a message without %1 would otherwise hide what went wrong
    CUi::Get().MessageBox(text, CUi::Icon::Warning);
}

std::string CFunctions::FormatMessage(std::string_view text, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const auto n = static_cast<std::size_t>(text[i + 1] - '1');
            if (n < args.size()) {
                out += *(args.begin() + n);  // inserted text is never scanned again
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

int CFunctions::random(int max) {
    if (max <= 1) return 0;
    return std::uniform_int_distribution<int>(0, max - 1)(Engine());
}

std::uint16_t CFunctions::RandWord() {
    return static_cast<std::uint16_t>(std::uniform_int_distribution<unsigned>(0, 0xFFFF)(Engine()));
}
