#include "MidiAnswer.h"

#include <algorithm>

#include "Functions.h"

namespace {

constexpr std::uint8_t kRoland = 0x41;
constexpr std::uint8_t kRQ1 = 0x11;
constexpr std::uint8_t kDT1 = 0x12;
// From the command byte to the end: command, four address bytes, sum, F7.
constexpr std::size_t kDataSetTail = 7;
// F0 41 dev, one model byte at least.
constexpr std::size_t kMinHead = 4;

std::uint32_t Seven(std::span<const std::uint8_t> bytes) {
    std::uint32_t v = 0;
    for (const std::uint8_t b : bytes) v = (v << 7) | (b & 0x7F);
    return v;
}

bool IsSysEx(std::span<const std::uint8_t> m) {
    if (m.size() < 3 || m.front() != 0xF0 || m.back() != 0xF7) return false;
    return std::none_of(m.begin() + 1, m.end() - 1, [](std::uint8_t b) { return b >= 0x80; });
}

}  // namespace

CMidiAnswerCount::CMidiAnswerCount(std::span<const std::uint8_t> request) {
    // command, address 4, size 4, sum, F7 after the model bytes
    constexpr std::size_t kRequestTail = 11;
    if (request.size() < kMinHead + kRequestTail || !IsSysEx(request) || request[1] != kRoland) return;
    const std::size_t command = request.size() - kRequestTail;
    if (request[command] != kRQ1) return;
    // A request with a wrong sum goes unanswered by the unit: then nothing is known.
    const auto summed = request.subspan(command + 1, 8);
    if (CFunctions::CalcRolandCheckSum(summed) != request[request.size() - 2]) return;
    m_model.assign(request.begin() + 3, request.begin() + static_cast<std::ptrdiff_t>(command));
    m_start = Seven(summed.first(4));
    m_needed = static_cast<long>(Seven(summed.last(4)));
}

void CMidiAnswerCount::Add(std::span<const std::uint8_t> message) {
    if (!IsKnown()) return;
    const std::size_t command = 3 + m_model.size();
    if (message.size() <= command + kDataSetTail || !IsSysEx(message) || message[1] != kRoland ||
        message[command] != kDT1 || !std::equal(m_model.begin(), m_model.end(), message.begin() + 3))
        return;
    const std::uint32_t address = Seven(message.subspan(command + 1, 4));
    if (address < m_start || address - m_start >= static_cast<std::uint32_t>(m_needed)) return;
    m_got += static_cast<long>(message.size() - command - kDataSetTail);
}
