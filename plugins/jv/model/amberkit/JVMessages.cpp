#include "amberkit/JVMessages.h"

#include <algorithm>
#include <string>

#include <tonalith/File.h>
#include <tonalith/Functions.h>

#include "amberkit/JVConstants.h"

namespace amberkit {

std::uint8_t DeviceByte(int deviceId) {
    if (deviceId < 0 || deviceId > 15) deviceId = 0;
    return static_cast<std::uint8_t>(kDeviceByteBase + deviceId);
}

std::uint8_t RolandChecksum(std::span<const std::uint8_t> bytes) { return CFunctions::CalcRolandCheckSum(bytes); }

void SealMessage(std::span<std::uint8_t> message) {
    if (message.size() < static_cast<std::size_t>(kFrameOverhead)) return;
    const std::size_t end = message.size() - 2;
    message[end] = RolandChecksum(message.subspan(kPosArea, end - kPosArea));
    message[end + 1] = kSysExEnd;
}

bool HasValidChecksum(std::span<const std::uint8_t> message) {
    if (message.size() < static_cast<std::size_t>(kFrameOverhead)) return false;
    const std::size_t end = message.size() - 2;
    return message[end] == RolandChecksum(message.subspan(kPosArea, end - kPosArea));
}

bool IsDataSetHeader(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 5 && bytes[0] == kSysExStart && bytes[1] == kRolandId && bytes[3] == kModelId &&
           bytes[4] == kCommandDT1;
}

namespace {

std::vector<std::uint8_t> Frame(std::uint8_t command, std::uint8_t deviceByte, const Address& address,
                                std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> message{kSysExStart, kRolandId, deviceByte, kModelId, command};
    message.insert(message.end(), address.begin(), address.end());
    message.insert(message.end(), payload.begin(), payload.end());
    message.push_back(0);
    message.push_back(kSysExEnd);
    SealMessage(message);
    return message;
}

}  // namespace

std::vector<std::uint8_t> BuildDataSet(std::uint8_t deviceByte, const Address& address,
                                       std::span<const std::uint8_t> data) {
    return Frame(kCommandDT1, deviceByte, address, data);
}

std::vector<std::uint8_t> BuildRequest(std::uint8_t deviceByte, const Address& address, const Address& size) {
    return Frame(kCommandRQ1, deviceByte, address, size);
}

std::vector<std::uint8_t> BuildModeSelect(std::uint8_t deviceByte, std::uint8_t mode) {
    const std::array<std::uint8_t, 1> data{mode};
    return BuildDataSet(deviceByte, Address{kAreaSystem, 0, 0, 0}, data);
}

std::vector<std::uint8_t> ShortenMessage(std::span<const std::uint8_t> message, int size) {
    const std::size_t n = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(size, kFrameOverhead)),
                                                  kFrameOverhead, message.size());
    std::vector<std::uint8_t> out(message.begin(), message.begin() + static_cast<std::ptrdiff_t>(n - 2));
    out.push_back(0);
    out.push_back(kSysExEnd);
    SealMessage(out);
    return out;
}

std::vector<std::uint8_t> WidenMessage(std::span<const std::uint8_t> message, int longSize,
                                       std::span<const std::uint8_t> tailDefaults, int tailFirst) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(longSize), 0);
    const std::size_t keep = std::min(message.size() - 2, out.size() - 2);
    std::copy_n(message.begin(), keep, out.begin());
    for (std::size_t at = keep; at + 2 < out.size(); ++at) {
        const int data = static_cast<int>(at) - kHeaderSize - tailFirst;
        if (data >= 0 && static_cast<std::size_t>(data) < tailDefaults.size())
            out[at] = tailDefaults[static_cast<std::size_t>(data)];
    }
    SealMessage(out);
    return out;
}

std::string ToUnitName(std::string_view name) {
    std::string out(name.substr(0, std::min<std::size_t>(name.size(), kNameLength)));
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
    out.resize(kNameLength, ' ');
    return out;
}

std::vector<std::uint8_t> ReadDataSet(CFile& file, std::span<const int> sizes) {
    const std::uint64_t start = file.GetPosition();
    const int longest = sizes.empty() ? 0 : *std::max_element(sizes.begin(), sizes.end());
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::max(longest, 0)));
    const std::size_t got = file.Read(buffer.data(), buffer.size());
    auto fail = [&](CFileException::Cause cause, const std::string& why) -> std::vector<std::uint8_t> {
        file.Seek(static_cast<std::int64_t>(start), CFile::begin);
        throw CFileException(cause, file.GetFilePath(), why + " at byte " + std::to_string(start));
    };
    if (got < 5 || !IsDataSetHeader(std::span(buffer.data(), got)))
        return fail(got < 5 ? CFileException::endOfFile : CFileException::badFormat, "no JV/XP data set message");
    // Data bytes are 7-bit, so the first byte with the high bit set ends the message.
    std::size_t end = 1;
    while (end < got && buffer[end] < 0x80) ++end;
    if (end == got) {
        if (got < buffer.size()) return fail(CFileException::endOfFile, "message cut off");
        return fail(CFileException::badFormat, "message longer than expected");
    }
    if (buffer[end] != kSysExEnd) return fail(CFileException::badFormat, "message interrupted");
    const int length = static_cast<int>(end + 1);
    if (std::find(sizes.begin(), sizes.end(), length) == sizes.end())
        return fail(CFileException::badFormat, "unexpected message length " + std::to_string(length));
    buffer.resize(static_cast<std::size_t>(length));
    file.Seek(static_cast<std::int64_t>(start) + length, CFile::begin);
    return buffer;
}

}  // namespace amberkit
