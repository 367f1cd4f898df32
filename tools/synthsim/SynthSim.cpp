#include "SynthSim.h"

#include <algorithm>

#include "MidiStream.h"

namespace {

std::uint32_t Seven(std::span<const std::uint8_t> b) {
    std::uint32_t v = 0;
    for (auto x : b) v = (v << 7) | (x & 0x7F);
    return v;
}

bool AnswerRoland(const std::vector<SynthMessage>& held, std::span<const std::uint8_t> m,
                  std::vector<SynthMessage>& answer) {
    // F0 41 dev model(1..n) 11 a a a a s s s s sum F7
    if (m.size() < 14 || m[1] != 0x41) return false;
    const std::size_t k = m.size() - 11;
    if (m[k] != 0x11 || k < 4) return false;
    const auto model = m.subspan(3, k - 3);
    const std::uint32_t start = Seven(m.subspan(k + 1, 4));
    const std::uint32_t size = Seven(m.subspan(k + 5, 4));
    for (const auto& h : held) {
        if (h.size() < k + 6 || h[1] != 0x41 || h[k] != 0x12) continue;
        if (!std::equal(model.begin(), model.end(), h.begin() + 3)) continue;
        const std::uint32_t address = Seven(std::span(h).subspan(k + 1, 4));
        if (address >= start && address - start < size) answer.push_back(h);
    }
    return true;
}

bool AnswerKorg(const std::vector<SynthMessage>& held, std::span<const std::uint8_t> m,
                std::vector<SynthMessage>& answer) {
    if (m.size() < 6 || m[1] != 0x42 || (m[2] & 0xF0) != 0x30 || m[3] != 0x2B) return false;
    static constexpr std::uint8_t kPairs[][2] = {{0x10, 0x40}, {0x19, 0x49}, {0x0E, 0x51}, {0x12, 0x42},
                                                 {0x1C, 0x4C}, {0x1D, 0x4D}, {0x0F, 0x50}, {0x18, 0x48}};
    for (const auto& pair : kPairs) {
        if (m[4] != pair[0]) continue;
        for (const auto& h : held)
            if (h.size() > 5 && h[1] == 0x42 && (h[2] & 0xF0) == 0x30 && h[3] == 0x2B && h[4] == pair[1])
                answer.push_back(h);
        return true;
    }
    return false;
}

bool AnswerSds(const std::vector<SynthMessage>& held, std::span<const std::uint8_t> m,
               std::vector<SynthMessage>& answer) {
    if (m.size() != 7 || m[1] != 0x7E || m[3] != 0x03) return false;
    bool inDump = false;
    for (const auto& h : held) {
        const bool sds = h.size() > 5 && h[1] == 0x7E;
        if (sds && h[3] == 0x01 && h.size() >= 7) {
            inDump = h[4] == m[4] && h[5] == m[5];
            if (inDump) answer.push_back(h);
        } else if (inDump && sds && h[3] == 0x02) {
            answer.push_back(h);
        } else {
            inDump = false;
        }
    }
    return true;
}

}  // namespace

void CSynthSimData::Add(std::span<const std::uint8_t> syxBytes) {
    for (auto& m : SplitMidiMessages(syxBytes))
        if (m.size() > 2 && m[0] == 0xF0) m_messages.push_back(std::move(m));
}

bool CSynthSimData::Answer(std::span<const std::uint8_t> message, std::vector<SynthMessage>& answer) const {
    answer.clear();
    if (message.size() < 3 || message[0] != 0xF0 || message.back() != 0xF7) return false;
    return AnswerRoland(m_messages, message, answer) || AnswerKorg(m_messages, message, answer) ||
           AnswerSds(m_messages, message, answer);
}

bool IsSyncMessage(std::span<const std::uint8_t> message) {
    return message.size() >= 3 && message[0] == 0xF0 && message[1] == 0x7D;
}

bool CSynthSimGate::Accept(const SynthMessage& request) {
    std::lock_guard lock(m_mutex);
    if (!m_pending.empty()) {
        if (!m_queue) return false;
        if (std::find(m_pending.begin(), m_pending.end(), request) != m_pending.end()) return false;
    }
    m_pending.push_back(request);
    return true;
}

void CSynthSimGate::Done() {
    std::lock_guard lock(m_mutex);
    if (!m_pending.empty()) m_pending.pop_front();
}

bool CSynthSimGate::Busy() const {
    std::lock_guard lock(m_mutex);
    return !m_pending.empty();
}
