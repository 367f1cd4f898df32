#include "Settings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <memory>

#include <CLI/CLI.hpp>

#include <tonalith/File.h>
#include <tonalith/SynthMemory.h>

#include "CliSupport.h"

namespace cli {
namespace {

CSettingField Field(std::string key, std::string label, CSettingField::Kind kind, int minimum, int maximum,
                    std::string defaultValue) {
    CSettingField field;
    field.key = std::move(key);
    field.label = std::move(label);
    field.kind = kind;
    field.minimum = minimum;
    field.maximum = maximum;
    field.defaultValue = std::move(defaultValue);
    return field;
}

std::string Upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::toupper(c); });
    return out;
}

std::optional<int> WholeNumber(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string KeyList(const std::vector<CSettingField>& fields) {
    std::string out;
    for (const CSettingField& f : fields) out += "\n  " + f.key + ": " + ValidValues(f);
    return out;
}

using BankGeneration::ChoiceText;

}  // namespace

std::vector<CSettingField> SettingFields(const CSynth& synth) {
    using Kind = CSettingField::Kind;
    std::vector<CSettingField> fields{
        Field("MIDIIN", "MIDI input: index in the port list, -1 none", Kind::Integer, -1, 255, "-1"),
        Field("MIDIINNAME", "MIDI input port name (found by name first)", Kind::Text, 0, 0, ""),
        Field("MIDIOUT", "MIDI output: index in the port list, -1 none", Kind::Integer, -1, 255, "-1"),
        Field("MIDIOUTNAME", "MIDI output port name (found by name first)", Kind::Text, 0, 0, ""),
        Field("DEVICEID", "Device ID, 0-based", Kind::Integer, 0, synth.GetMaxDeviceId(), "0"),
        Field("REALTIMEUPDATE", "Update the synth while editing", Kind::Boolean, 0, 1, "1"),
    };
    for (CSettingField& field : synth.GetSettingFields()) {
        field.key = Upper(field.key);
        fields.push_back(std::move(field));
    }
    return fields;
}

std::string ValidValues(const CSettingField& field) {
    using Kind = CSettingField::Kind;
    switch (field.kind) {
    case Kind::Integer: return std::to_string(field.minimum) + ".." + std::to_string(field.maximum);
    case Kind::Boolean: return "0 or 1";
    case Kind::Choice: {
        std::string out = std::to_string(field.minimum) + ".." + std::to_string(field.maximum) + " (";
        for (int v = field.minimum; v <= field.maximum; ++v)
            out += (v == field.minimum ? "" : ", ") + std::to_string(v) + " " + ToUtf8(ChoiceText(field, v));
        return out + ")";
    }
    case Kind::Text: return "any text";
    case Kind::File: return "an existing file, or \"" + field.defaultValue + "\"";
    }
    return {};
}

std::string CurrentValue(const CSynth& synth, const CSettingField& field) {
    return synth.GetConfig().GetString(field.key, field.defaultValue);
}

Setting CheckSetting(const CSynth& synth, std::string_view memoryName, std::string_view assignment,
                     std::string_view what) {
    const std::size_t eq = assignment.find('=');
    if (eq == 0 || eq == std::string_view::npos)
        throw UsageError(std::string(what) + ": \"" + std::string(assignment) + "\" is not KEY=VALUE");
    const std::string key = Upper(assignment.substr(0, eq));
    const std::string value(assignment.substr(eq + 1));
    const std::vector<CSettingField> fields = SettingFields(synth);
    const auto field = std::find_if(fields.begin(), fields.end(), [&](const CSettingField& f) { return f.key == key; });
    if (field == fields.end())
        throw UsageError(std::string(what) + ": " + std::string(memoryName) + " has no setting \"" + key +
                         "\"; its settings are:" + KeyList(fields));
    auto refuse = [&] {
        return UsageError(std::string(what) + ": " + key + "=\"" + value + "\" is not valid for " +
                          std::string(memoryName) + "; " + key + " takes " + ValidValues(*field));
    };
    using Kind = CSettingField::Kind;
    switch (field->kind) {
    case Kind::Integer: {
        const std::optional<int> number = WholeNumber(value);
        if (!number || *number < field->minimum || *number > field->maximum) throw refuse();
        return {key, std::to_string(*number)};
    }
    case Kind::Boolean: {
        const std::string word = LowerAscii(value);
        if (word == "1" || word == "true" || word == "yes" || word == "on") return {key, "1"};
        if (word == "0" || word == "false" || word == "no" || word == "off") return {key, "0"};
        throw refuse();
    }
    case Kind::Choice: {
        if (const std::optional<int> number = WholeNumber(value)) {
            if (*number < field->minimum || *number > field->maximum) throw refuse();
            return {key, std::to_string(*number)};
        }
        // The text of a choice, as the settings page shows it.
        for (int v = field->minimum; v <= field->maximum; ++v)
            if (LowerAscii(ToUtf8(ChoiceText(*field, v))) == LowerAscii(value)) return {key, std::to_string(v)};
        throw refuse();
    }
    case Kind::Text: return {key, value};
    case Kind::File: {
        std::error_code ec;
        if (!value.empty() && value != field->defaultValue && !std::filesystem::is_regular_file(value, ec))
            throw refuse();
        return {key, value};
    }
    }
    throw refuse();
}

void AddSetOption(CLI::App& command, std::vector<std::string>& sets) {
    command.add_option("--set", sets, "A plug-in setting for this run only, e.g. DEVICEID=3 (repeatable; see config)")
        ->allow_extra_args(false);
}

std::string GenerationNote(const std::optional<BankGeneration::Mismatch>& mismatch) {
    if (!mismatch) return {};
    const std::string saves =
        "a save writes it for the " + ToUtf8(mismatch->setting) + " (" + mismatch->key + "=" + mismatch->current + ")";
    if (mismatch->keep)
        return "written for the " + ToUtf8(mismatch->loaded) + "; " + saves + "; --set " + mismatch->key + "=" +
               std::to_string(*mismatch->keep) + " keeps the file's";
    return "its messages are of " + ToUtf8(mismatch->loaded) + " model generations; " + saves;
}

std::string GenerationNote(const CSynthMemory& memory) { return GenerationNote(BankGeneration::Check(memory)); }

std::optional<OtherGeneration> CompleteForOtherGeneration(const CSynthMemory& memory, std::string_view commandName,
                                                          std::span<const std::uint8_t> data) {
    CSynth* synth = memory.GetSynth();
    if (!synth || data.empty()) return std::nullopt;
    const std::optional<CSettingField> field = BankGeneration::Field(*synth);
    if (!field) return std::nullopt;
    CBasicConfig& config = synth->GetConfig();
    const std::string current = CurrentValue(*synth, *field);
    config.SetReadOnly(true);  // trying the other generations never reaches the settings file
    std::optional<OtherGeneration> found;
    std::unique_ptr<CSynthMemory> matched;
    for (int v = field->minimum; v <= field->maximum && !found; ++v) {
        if (std::to_string(v) == current) continue;
        config.PutString(field->key, std::to_string(v));
        synth->RefreshDumpCommands();
        bool sizeFits = false;
        for (int c = 0; c < synth->GetDumpCommandsCount(); ++c) {
            const CDumpCommand& command = synth->GetDumpCommand(c);
            sizeFits |= command.m_name == commandName && command.m_expectedSize == static_cast<long>(data.size());
        }
        if (!sizeFits) continue;
        // The size alone could be chance: the messages' lengths must tell that generation too.
        std::unique_ptr<CSynthMemory> probe = memory.CreateMemory();
        CMemFile file(data, "(received)");
        try {
            probe->Load(file);
        } catch (const CFileException&) {
            continue;
        }
        const std::string name = ChoiceText(*field, v);
        if (BankGeneration::Names(probe->GetLoadedGeneration(), name)) {
            found = OtherGeneration{field->key, v, ToUtf8(name), {}};
            matched = std::move(probe);
        }
    }
    config.PutString(field->key, current);
    synth->RefreshDumpCommands();
    if (found) found->note = GenerationNote(*matched);
    return found;
}

}  // namespace cli
