// Controller form commands: make a form, place controls with their fields by
// property-page name, take a snapshot, show a form, and build (and send) the
// message a control would send.
#include <algorithm>
#include <iostream>
#include <optional>
#include <utility>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <tonalith/Functions.h>
#include <tonalith/Midi.h>

#include "CliSupport.h"
#include "ControllerDocument.h"
#include "ControllerMessage.h"
#include "ItemData.h"
#include "MidiSupport.h"

namespace cli {
namespace {

// Forms are read and written here without MIDI devices. The form would set every
// Port beyond the outputs present to 0 on loading; with no devices that would
// erase every Port the next time the form is saved, so files keep their ports.
class CKeepPortsOutput final : public CControllerOutput {
public:
    int GetDeviceCount() const override { return 0x10000; }
    std::string GetDeviceName(int) const override { return {}; }
    bool SendLong(int, std::span<const std::uint8_t>) override { return false; }
};

CKeepPortsOutput g_keepPorts;

std::unique_ptr<CControllerDocument> NewForm() {
    auto form = std::make_unique<CControllerDocument>();
    form->SetOutput(&g_keepPorts);
    return form;
}

std::unique_ptr<CControllerDocument> OpenForm(const std::string& path) {
    auto form = NewForm();
    const SeekableInput input(path);  // the form reader needs to know the length
    if (!form->OnOpenDocument(input.Path())) throw Failure("cannot open the controller form \"" + path + "\"");
    return form;
}

void SaveForm(CControllerDocument& form, const std::string& path) {
    if (!form.OnSaveDocument(OutputPath(path))) throw Failure("cannot write the controller form \"" + path + "\"");
}

int Signed16(std::uint16_t word) { return static_cast<std::int16_t>(word); }

void New(const std::string& path, const std::string& author, const std::string& email, const std::string& description,
         bool force) {
    RefuseExisting(path, force);
    auto form = NewForm();
    form->SetInfo(FromUtf8(author), FromUtf8(email), FromUtf8(description));
    SaveForm(*form, path);
}

CRect ParseRect(const std::string& text) {
    std::vector<int> v;
    std::string_view rest = text;
    while (v.size() < 5) {
        const std::size_t comma = rest.find(',');
        v.push_back(ParseInt(rest.substr(0, comma), "--rect"));
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    if (v.size() != 4 || v[2] < v[0] || v[3] < v[1])
        throw UsageError("--rect: \"" + text + "\" is not LEFT,TOP,RIGHT,BOTTOM with RIGHT >= LEFT and BOTTOM >= TOP");
    return {v[0], v[1], v[2], v[3]};
}

void Add(const std::string& path, const std::string& type, const std::string& rectText,
         const std::vector<std::string>& sets) {
    const CRect rect = ParseRect(rectText);
    const CItemTypeRegistry& registry = CItemTypeRegistry::Get();
    std::unique_ptr<CItemData> data;
    std::string types;
    for (int i = 0; i < registry.GetCount(); ++i) {
        const CItemData& prototype = registry.GetPrototype(i);
        if (prototype.GetTypeName() == type) data = prototype.Clone();
        types += (types.empty() ? "" : ", ") + prototype.GetTypeName();
    }
    if (!data) throw UsageError("--type: \"" + type + "\" is not one of " + types);

    for (const std::string& assignment : sets) {
        const std::size_t eq = assignment.find('=');
        if (eq == std::string::npos || eq == 0) throw UsageError("--set: \"" + assignment + "\" is not FIELD=VALUE");
        const std::string name = assignment.substr(0, eq);
        const std::string value = FromUtf8(assignment.substr(eq + 1));
        if (std::string error = data->SetField(name, value); !error.empty()) throw UsageError("--set: " + error);
        // Picking a Type on the property page also puts that type's template into Message.
        if (auto* midi = dynamic_cast<CMidiItemData*>(data.get()); midi && name == "Type") midi->SetType(midi->m_nType);
    }
    if (auto* radio = dynamic_cast<CRadioItemData*>(data.get()))
        if (std::string error = radio->NormalizeLists(); !error.empty()) throw UsageError("--set: " + error);
    // A template that is not hex would be refused only when the control is moved.
    if (const auto* midi = dynamic_cast<const CMidiItemData*>(data.get())) {
        try {
            (void)BuildControllerBytes(midi->m_strMessage, midi->m_nChannel, midi->m_nController, 0, midi->m_nEncoding);
        } catch (const CHexFormatError& e) {
            throw UsageError("--set: Message \"" + ToUtf8(midi->m_strMessage) +
                             "\" is not hex bytes with BK, TT, XX or YY in places (" + e.what() + ")");
        }
    }

    auto form = OpenForm(path);
    const int initial = data->IsMidiItem() ? static_cast<CMidiItemData*>(data.get())->m_nValue : 0;
    auto item = std::make_unique<CContainerItem>(rect, std::move(data));
    item->SetValue(initial);
    const int position = form->GetItemCount();
    if (!form->InsertItem(position, std::move(item)))
        throw Failure("\"" + path + "\": the form holds no more controls");
    SaveForm(*form, path);
    std::cout << position << '\n';
}

void Snapshot(const std::string& path, const std::string& name) {
    auto form = OpenForm(path);
    // The snapshot holds every control's default value; the stored control values stay.
    std::vector<int> values;
    for (int i = 0; i < form->GetItemCount(); ++i) values.push_back(form->GetItem(i).GetValue());
    form->Reset(false);
    const int index = form->AddSnapshot();
    form->RenameSnapshot(index, FromUtf8(name));
    for (int i = 0; i < form->GetItemCount(); ++i) form->GetItem(i).SetValue(values[static_cast<std::size_t>(i)]);
    SaveForm(*form, path);
}

void Info(const std::string& path, bool json) {
    auto form = OpenForm(path);
    Json items = Json::array();
    for (int i = 0; i < form->GetItemCount(); ++i) {
        const CContainerItem& item = form->GetItem(i);
        Json fields = Json::object();
        if (CItemData* data = item.GetItemData())
            for (const CItemField& field : data->Fields()) {
                if (field.kind == CItemField::Int) fields[field.name] = *field.intValue;
                else fields[field.name] = ToUtf8(*field.textValue);
            }
        const CRect& r = item.GetRect();
        items.push_back({{"position", i},
                         {"type", item.GetTypeName()},
                         {"rect", {r.left, r.top, r.right, r.bottom}},
                         {"value", item.GetValue()},
                         {"fields", std::move(fields)}});
    }
    Json snapshots = Json::array();
    for (int s = 0; s < form->GetSnapshotCount(); ++s) {
        const CSnapshot& snapshot = form->GetSnapshot(s);
        Json values = Json::array();
        for (const std::uint16_t v : snapshot.m_values) values.push_back(Signed16(v));
        snapshots.push_back(
            {{"name", ToUtf8(snapshot.m_strName)}, {"positions", snapshot.m_positions}, {"values", std::move(values)}});
    }
    const Json result{{"file", path},
                      {"author", ToUtf8(form->GetAuthor())},
                      {"email", ToUtf8(form->GetEmail())},
                      {"description", ToUtf8(form->GetDescription())},
                      {"tab_order", form->GetTabOrder()},
                      {"items", std::move(items)},
                      {"snapshots", std::move(snapshots)}};
    if (json) return PrintJson(result);
    std::cout << path << ": " << form->GetItemCount() << " controls, " << form->GetSnapshotCount() << " snapshots\n";
    std::cout << "author: " << result["author"].get<std::string>() << "\nemail: " << result["email"].get<std::string>()
              << "\ndescription: " << result["description"].get<std::string>() << '\n';
    for (const Json& item : result["items"]) {
        std::cout << item["position"] << ": " << item["type"].get<std::string>() << " at " << item["rect"].dump()
                  << " value " << item["value"] << '\n';
        for (const auto& [name, value] : item["fields"].items())
            std::cout << "    " << name << " = " << (value.is_string() ? value.get<std::string>() : value.dump())
                      << '\n';
    }
    for (const Json& s : result["snapshots"])
        std::cout << "snapshot \"" << s["name"].get<std::string>() << "\": " << s["values"].size() << " values\n";
}

// The values a knob or slider reports lie between its Minimum and Maximum; a
// button reports its Off or On value. Other controls: nullopt, any value.
std::optional<std::pair<int, int>> ValueRange(const CMidiItemData& midi) {
    auto ordered = [](int a, int b) { return std::pair{std::min(a, b), std::max(a, b)}; };
    if (const auto* knob = dynamic_cast<const CKnobItemData*>(&midi))
        return ordered(knob->m_nMinimum, knob->m_nMaximum);
    if (const auto* slider = dynamic_cast<const CSliderItemData*>(&midi))
        return ordered(slider->m_nMinimum, slider->m_nMaximum);
    if (const auto* button = dynamic_cast<const CButtonItemData*>(&midi)) return ordered(button->m_nOff, button->m_nOn);
    return std::nullopt;
}

void Send(const std::string& path, int position, int value, const std::string& port, const std::string& api) {
    auto form = OpenForm(path);
    if (position < 0 || position >= form->GetItemCount())
        throw Failure("\"" + path + "\": there is no control " + std::to_string(position) + " (" +
                      std::to_string(form->GetItemCount()) + " controls)");
    const CMidiItemData* midi = form->GetItem(position).GetMidiData();
    if (!midi) throw Failure("\"" + path + "\": control " + std::to_string(position) + " sends no MIDI message");
    if (const auto range = ValueRange(*midi); range && (value < range->first || value > range->second))
        throw UsageError("--value " + std::to_string(value) + " is outside what control " + std::to_string(position) +
                         " (" + midi->GetTypeName() + ") reports: " + std::to_string(range->first) + ".." +
                         std::to_string(range->second));
    std::vector<std::uint8_t> bytes;
    try {
        bytes = BuildControllerBytes(midi->m_strMessage, midi->m_nChannel, midi->m_nController,
                                     midi->GetSentValue(value), midi->m_nEncoding);
    } catch (const CHexFormatError& e) {
        throw Failure("\"" + path + "\": control " + std::to_string(position) + ": " + e.what());
    }
    if (bytes.empty()) throw Failure("\"" + path + "\": control " + std::to_string(position) + " has an empty message");
    std::cout << CFunctions::HexToString(bytes) << '\n';
    if (port.empty()) return;
    InitMidi(api);
    SendAndWait(OpenOutput(port), bytes);
}

}  // namespace

void AddFormCommands(CLI::App& app) {
    struct Options {
        std::string form, author, email, description, type, rect, name, port, api;
        std::vector<std::string> sets;
        int item = 0, value = 0;
        double timeout = 0;
        bool json = false, force = false;
    };
    auto o = std::make_shared<Options>();
    auto* form = app.add_subcommand("form", "Controller forms (.cof)");
    form->require_subcommand(1);

    auto* create = form->add_subcommand("new", "Write an empty form");
    create->add_option("FORM", o->form, "The form file to write")->required();
    create->add_option("--author", o->author, "Author");
    create->add_option("--email", o->email, "E-mail address");
    create->add_option("--description", o->description, "Description");
    create->add_flag("--force", o->force, "Replace an existing file");
    create->callback([o] { New(o->form, o->author, o->email, o->description, o->force); });

    auto* add = form->add_subcommand("add", "Place a control on the form; prints its position");
    add->add_option("FORM", o->form, "The form file")->required();
    add->add_option("--type", o->type, "Knob, Slider, Button, Choose or Group/Text")->required();
    add->add_option("--rect", o->rect, "LEFT,TOP,RIGHT,BOTTOM")->required();
    add->add_option("--set", o->sets,
                    "A field by its property-page name, e.g. Controller=74 or \"Tooltip=Cut off\" (repeatable)")
        ->allow_extra_args(false);
    add->callback([o] { Add(o->form, o->type, o->rect, o->sets); });

    auto* snapshot = form->add_subcommand("snapshot", "Add a snapshot of every control's default value");
    snapshot->add_option("FORM", o->form, "The form file")->required();
    snapshot->add_option("--name", o->name, "The snapshot's name")->required();
    snapshot->callback([o] { Snapshot(o->form, o->name); });

    auto* info = form->add_subcommand("info", "Show the form's info, controls, tab order and snapshots");
    info->add_option("FORM", o->form, "The form file")->required();
    info->add_flag("--json", o->json, "Print JSON");
    info->callback([o] { Info(o->form, o->json); });

    auto* send = form->add_subcommand("send", "Print the message a control sends for a value; send it with --out");
    send->add_option("FORM", o->form, "The form file")->required();
    send->add_option("--item", o->item, "The control's position")->required();
    send->add_option("--value", o->value, "The value the control reports (knobs and sliders add their Offset)")
        ->required();
    send->add_option("--out", o->port, "MIDI output: index or part of its name");
    send->add_option("--api", o->api, "MIDI back end: alsa or jack");
    AddTimeoutOption(*send, o->timeout);
    send->callback([o] {
        const auto limit = CommandDeadline(o->timeout);
        Send(o->form, o->item, o->value, o->port, o->api);
    });
}

}  // namespace cli
