#include "ParameterRows.h"

CParameter& CParameterRowWriter::Number(int offset, std::string_view id, std::string_view caption, int minimum,
                                        int maximum, int displayOffset) {
    CParameter p;
    p.id = m_prefix + std::string(id);
    p.baseId = m_instance >= 0 ? std::string(id) : p.id;
    p.caption = std::string(caption);
    p.page = m_page;
    p.group = m_group;
    p.instance = m_instance;
    p.block = m_block;
    p.offset = offset;
    p.minimum = minimum;
    p.maximum = maximum;
    p.displayOffset = displayOffset;
    m_out.push_back(std::move(p));
    return m_out.back();
}

CParameter& CParameterRowWriter::List(int offset, std::string_view id, std::string_view caption,
                                      std::vector<std::string> texts, int minimum) {
    const int count = static_cast<int>(texts.size());
    CParameter& p = Number(offset, id, caption, minimum, minimum + count - 1);
    p.texts = std::move(texts);
    return p;
}

CParameter& CParameterRowWriter::Switch(int offset, std::string_view id, std::string_view caption) {
    return List(offset, id, caption, ParameterTexts::OffOn());
}

CParameter& CParameterRowWriter::Centred(int offset, std::string_view id, std::string_view caption, int minimum,
                                         int maximum) {
    return Number(offset, id, caption, minimum, maximum, -64);
}

CParameter& CParameterRowWriter::Wide(int offset, std::string_view id, std::string_view caption, int nibbles,
                                      int maximum) {
    CParameter& p = Number(offset, id, caption, 0, maximum);
    p.nibbles = nibbles;
    return p;
}

CParameter& CParameterRowWriter::Tempo(int offset, std::string_view id, std::string_view caption) {
    constexpr int kSlowest = 20;
    constexpr int kFastest = 250;
    CParameter& p = Wide(offset, id, caption, 2, kFastest - kSlowest);
    p.storedOffset = kSlowest;
    p.displayOffset = kSlowest;
    return p;
}

namespace ParameterTexts {

namespace {
std::string TwoDigits(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }
}  // namespace

Texts OffOn() { return {"OFF", "ON"}; }

Texts Numbers(int from, int to) {
    Texts out;
    for (int v = from; v <= to; ++v) out.push_back(std::to_string(v));
    return out;
}

Texts Concat(Texts a, const Texts& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Texts Numbered(std::string_view prefix, int from, int to) {
    Texts out;
    for (int v = from; v <= to; ++v) out.push_back(std::string(prefix) + TwoDigits(v));
    return out;
}

Texts NoteNames() {
    static constexpr const char* kNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    Texts out;
    for (int n = 0; n < 128; ++n) out.push_back(kNames[n % 12] + std::to_string(n / 12 - 1));
    return out;
}

Texts Pans() {
    Texts out;
    for (int v = 64; v >= 1; --v) out.push_back("L" + TwoDigits(v));
    out.emplace_back("0");
    for (int v = 1; v <= 63; ++v) out.push_back(TwoDigits(v) + "R");
    return out;
}

Texts SignedSteps(int from, int to, int step) {
    Texts out;
    for (int v = from; v <= to; v += step) out.push_back(v > 0 ? "+" + std::to_string(v) : std::to_string(v));
    return out;
}

}  // namespace ParameterTexts
