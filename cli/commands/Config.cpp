// config: a plug-in's stored settings with the values each takes, and changing them.
#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <tonalith/SynthMemory.h>

#include "CliSupport.h"
#include "Settings.h"

namespace cli {
namespace {

const char* KindName(CSettingField::Kind kind) {
    switch (kind) {
    case CSettingField::Kind::Integer: return "integer";
    case CSettingField::Kind::Boolean: return "boolean";
    case CSettingField::Kind::Choice: return "choice";
    case CSettingField::Kind::Text: return "text";
    case CSettingField::Kind::File: return "file";
    }
    return "";
}

Json FieldJson(const CSynth& synth, const CSettingField& field) {
    Json entry{{"key", field.key},
               {"label", ToUtf8(field.label)},
               {"kind", KindName(field.kind)},
               {"value", CurrentValue(synth, field)},
               {"default", field.defaultValue},
               {"valid", ValidValues(field)}};
    if (field.kind == CSettingField::Kind::Integer || field.kind == CSettingField::Kind::Choice) {
        entry["minimum"] = field.minimum;
        entry["maximum"] = field.maximum;
    }
    if (field.kind == CSettingField::Kind::Choice) {
        Json choices = Json::array();
        for (const std::string& c : field.choices) choices.push_back(ToUtf8(c));
        entry["choices"] = std::move(choices);
    }
    return entry;
}

// KEY alone shows that key; KEY=VALUE changes it. Every change is checked before
// any is stored, so a refused one leaves the file as it was.
void Config(const std::string& synthName, const std::vector<std::string>& items, bool json) {
    const CSynthMemory& memory = FindMemory(synthName);
    CSynth* synth = memory.GetSynth();
    const std::string name = ToUtf8(memory.GetName());
    if (!synth) throw UsageError(name + " has no settings");
    const std::vector<CSettingField> fields = SettingFields(*synth);

    std::vector<std::string> shown;
    std::vector<Setting> changes;
    for (const std::string& item : items) {
        if (item.find('=') == std::string::npos) {
            const auto field = std::find_if(fields.begin(), fields.end(), [&](const CSettingField& f) {
                return LowerAscii(f.key) == LowerAscii(item);
            });
            if (field == fields.end()) CheckSetting(*synth, name, item + "=", "config");  // refused with the keys
            shown.push_back(field->key);
        } else {
            changes.push_back(CheckSetting(*synth, name, item, "config"));
            shown.push_back(changes.back().key);
        }
    }
    CBasicConfig& config = synth->GetConfig();
    for (const Setting& change : changes) config.PutString(change.key, change.value);
    if (!changes.empty()) {
        if (!config.Save()) throw Failure("\"" + config.GetPath() + "\": the settings could not be written");
        synth->RefreshDumpCommands();
    }

    Json settings = Json::array();
    for (const CSettingField& field : fields)
        if (shown.empty() || std::find(shown.begin(), shown.end(), field.key) != shown.end())
            settings.push_back(FieldJson(*synth, field));
    if (json) return PrintJson({{"synth", name}, {"file", config.GetPath()}, {"settings", std::move(settings)}});
    std::cout << name << " settings (" << config.GetPath() << "):\n";
    for (const Json& s : settings)
        std::cout << "  " << s["key"].get<std::string>() << '=' << s["value"].get<std::string>() << "\t"
                  << s["label"].get<std::string>() << "; takes " << s["valid"].get<std::string>() << '\n';
}

}  // namespace

void AddConfigCommand(CLI::App& app) {
    struct Options {
        std::string synth;
        std::vector<std::string> items;
        bool json = false;
    };
    auto o = std::make_shared<Options>();
    auto* config = app.add_subcommand(
        "config", "Show a plug-in's stored settings with the values each takes; KEY=VALUE changes one");
    config->add_option("SYNTH", o->synth, "The synth memory's name (see plugins), or the start of it")->required();
    config->add_option("KEY[=VALUE]", o->items, "A key to show, or KEY=VALUE to store");
    config->add_flag("--json", o->json, "Print JSON");
    config->callback([o] { Config(o->synth, o->items, o->json); });
}

}  // namespace cli
