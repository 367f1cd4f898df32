#include "BankGeneration.h"

#include <charconv>

#include "SynthMemory.h"

namespace BankGeneration {

std::optional<CSettingField> Field(const CSynth& synth) {
    for (CSettingField& field : synth.GetSettingFields())
        if (field.key == kKey && field.kind == CSettingField::Kind::Choice) return std::move(field);
    return std::nullopt;
}

bool Names(std::string_view loaded, std::string_view name) {
    for (std::size_t at = 0;;) {
        const std::size_t next = loaded.find(" or ", at);
        if (loaded.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at) == name) return true;
        if (next == std::string_view::npos) return false;
        at = next + 4;
    }
}

std::string ChoiceText(const CSettingField& field, int value) {
    return value >= 0 && value < static_cast<int>(field.choices.size()) ? field.choices[static_cast<std::size_t>(value)]
                                                                        : std::to_string(value);
}

std::optional<Mismatch> Check(const CSynthMemory& memory) {
    std::string loaded = memory.GetLoadedGeneration();
    const CSynth* synth = memory.GetSynth();
    if (loaded.empty() || !synth) return std::nullopt;
    const std::optional<CSettingField> field = Field(*synth);
    if (!field) return std::nullopt;
    std::string current = synth->GetConfig().GetString(field->key, field->defaultValue);
    int value = -1;
    const auto [end, ec] = std::from_chars(current.data(), current.data() + current.size(), value);
    if (current.empty() || ec != std::errc() || end != current.data() + current.size()) value = -1;
    std::string setting = ChoiceText(*field, value);
    if (Names(loaded, setting)) return std::nullopt;
    Mismatch mismatch{std::move(loaded), field->key, std::move(current), std::move(setting), std::nullopt};
    for (int v = field->minimum; v <= field->maximum && !mismatch.keep; ++v)
        if (Names(mismatch.loaded, ChoiceText(*field, v))) mismatch.keep = v;
    return mismatch;
}

}  // namespace BankGeneration
