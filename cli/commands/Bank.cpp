// Bank commands: what the plug-ins offer, what a file holds, and the edits of the
// bank view (convert, move, init, rename) together with the layer dependencies.
#include <algorithm>
#include <iomanip>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <tonalith/Layer.h>
#include <tonalith/MoveOrder.h>
#include <tonalith/Patch.h>
#include <tonalith/Synth.h>
#include <tonalith/SynthMemory.h>
#include <tonalith/SynthMemoryFactory.h>

#include "CliSupport.h"
#include "LayerDependencies.h"
#include "PatchMove.h"
#include "Settings.h"

namespace cli {
namespace {

Json PluginJson(const CSynthMemory& memory) {
    Json layers = Json::array();
    for (int l = 0; l < memory.GetLayerCount(); ++l) {
        const CLayer& layer = memory.GetLayer(l);
        const CPatch* patch = layer.GetPatchCount() > 0 ? layer.GetPatch(0) : nullptr;
        layers.push_back({{"index", l},
                          {"name", ToUtf8(layer.GetName())},
                          {"patch_count", layer.GetPatchCount()},
                          {"layer_guid", GuidText(layer.GetLayerGuid())},
                          {"patch_type", patch ? ToUtf8(patch->GetTypeName()) : ""},
                          {"patch_type_guid", patch ? GuidText(patch->GetPatchType()) : ""}});
    }
    Json tools = Json::array();
    for (int t = 0; t < memory.GetAdditionalToolsCount(); ++t)
        tools.push_back(ToUtf8(memory.GetAdditionalTool(t).GetMenuText()));
    Json commands = Json::array();
    if (const CSynth* synth = memory.GetSynth())
        for (int c = 0; c < synth->GetDumpCommandsCount(); ++c) {
            const CDumpCommand& command = synth->GetDumpCommand(c);
            commands.push_back({{"name", ToUtf8(command.m_name)},
                                {"request", command.m_request},
                                {"expected_size", command.m_expectedSize}});
        }
    return {{"name", ToUtf8(memory.GetName())},
            {"version", ToUtf8(memory.GetVersion())},
            {"guid", GuidText(memory.GetMemoryGuid())},
            {"toolbar_id", memory.GetToolbarId()},
            {"generic", memory.IsGeneric()},
            {"file", CSynthMemoryFactory::Get().GetDLLPathFromName(memory.GetName())},
            {"layers", std::move(layers)},
            {"tools", std::move(tools)},
            {"dump_commands", std::move(commands)}};
}

void Plugins(bool json) {
    CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();  // tells of a plug-in it skips, once
    Json all = Json::array();
    for (int i = 0; i < factory.GetCount(); ++i) all.push_back(PluginJson(factory.GetMemory(i)));
    if (json) return PrintJson(all);
    for (const Json& m : all) {
        std::cout << m["name"].get<std::string>() << ' ' << m["version"].get<std::string>() << "  "
                  << m["guid"].get<std::string>() << "  toolbar " << m["toolbar_id"] << '\n';
        if (!m["file"].get<std::string>().empty()) std::cout << "  file: " << m["file"].get<std::string>() << '\n';
        for (const Json& l : m["layers"])
            std::cout << "  layer " << l["index"] << ": " << l["name"].get<std::string>() << " (" << l["patch_count"]
                      << " x " << l["patch_type"].get<std::string>() << ' ' << l["patch_type_guid"].get<std::string>()
                      << ")\n";
        for (const Json& t : m["tools"]) std::cout << "  tool: " << t.get<std::string>() << '\n';
        for (const Json& c : m["dump_commands"]) {
            std::string request = c["request"].get<std::string>();
            if (request.size() > 60) request = request.substr(0, 57) + "...";
            std::cout << "  dump command: " << c["name"].get<std::string>() << " [" << request << "] "
                      << c["expected_size"] << " bytes\n";
        }
    }
}

// An empty bank of a synth, as "New" makes it, written with every layer.
void New(const std::string& synth, const std::vector<std::string>& sets, const std::string& out, bool force) {
    RefuseExisting(out, force);
    const CSynthMemory& prototype = FindMemory(synth);
    ApplySettings(prototype, sets);
    if (prototype.IsGeneric())
        throw UsageError("--synth: " + prototype.GetName() +
                         " holds only SysEx read from a file and has no patches to make a bank of");
    std::unique_ptr<CSynthMemory> memory = prototype.CreateMemory();
    SaveLayers(*memory, out);
}

void Info(const std::string& path, const std::vector<std::string>& sets, bool json) {
    const Bank bank = OpenBank(path, sets);
    const CSynthMemory& memory = *bank.memory;
    Json layers = Json::array();
    for (int l = 0; l < memory.GetLayerCount(); ++l) {
        const CLayer& layer = memory.GetLayer(l);
        Json patches = Json::array();
        for (int i = 0; i < layer.GetPatchCount(); ++i) {
            const CPatch* patch = layer.GetPatch(i);
            patches.push_back({{"index", i},
                               {"label", ToUtf8(layer.GetPatchLabel(i))},
                               {"name", ToUtf8(patch->GetName())},
                               {"name_trimmed", ToUtf8(TrimmedName(patch->GetName()))},
                               {"type", ToUtf8(patch->GetTypeName())},
                               {"type_guid", GuidText(patch->GetPatchType())},
                               {"info", ToUtf8(layer.GetInfoForPatch(i))},
                               {"in_file", layer.IsPatchInFile(i)}});
        }
        layers.push_back({{"index", l},
                          {"name", ToUtf8(layer.GetName())},
                          {"patch_count", layer.GetPatchCount()},
                          {"in_file", layer.IsInFile()},
                          {"patches", std::move(patches)}});
    }
    const Json info{
        {"file", path},
        {"memory",
         {{"name", ToUtf8(memory.GetName())},
          {"version", ToUtf8(memory.GetVersion())},
          {"guid", GuidText(memory.GetMemoryGuid())}}},
        {"layers", std::move(layers)},
        {"unread", {{"messages", memory.GetUnreadMessageCount()}, {"bytes", memory.GetUnreadBytes().size()}}},
        {"warnings", bank.warnings}};
    if (json) return PrintJson(info);
    std::cout << path << ": " << info["memory"]["name"].get<std::string>() << ' '
              << info["memory"]["version"].get<std::string>() << '\n';
    for (const Json& l : info["layers"]) {
        const int count = l["patch_count"].get<int>();
        std::cout << "layer " << l["index"] << ": " << l["name"].get<std::string>() << " (" << count
                  << (count == 1 ? " patch" : " patches") << (l["in_file"].get<bool>() ? "" : ", not in the file")
                  << ")\n";
        // The first column is the index --patch takes.
        for (const Json& p : l["patches"])
            std::cout << std::setw(5) << p["index"].get<int>() << "  " << p["label"].get<std::string>() << '\t'
                      << p["name"].get<std::string>() << '\t' << p["type"].get<std::string>()
                      << (p["in_file"].get<bool>() ? "\tin file" : "") << '\n';
    }
    if (const auto bytes = info["unread"]["bytes"].get<std::size_t>(); bytes > 0) {
        const int messages = info["unread"]["messages"].get<int>();
        std::cout << "kept, read by no layer: " << messages << (messages == 1 ? " message, " : " messages, ") << bytes
                  << " bytes\n";
    }
}

// Where an edited bank goes and in what shape: the layers listed with --layers;
// every layer with --all-layers; else the layers the file held and the edited
// one, with the messages no layer reads.
struct Output {
    std::string path;
    std::vector<int> layers;
    bool allLayers = false;
    std::vector<std::string> sets;  // --set for the run, applied when the bank is read
};

void Write(const Bank& bank, const Output& out) {
    if (out.allLayers)
        for (int i = 0; i < bank.memory->GetLayerCount(); ++i) bank.memory->GetLayer(i).SetInFile(true);
    SaveLayers(*bank.memory, out.path, out.layers);
}

// Patch i of the layer replaced by the given patch, as an edit command does it.
void ReplacePatch(const Bank& bank, CLayer& layer, int index, const CPatch& patch) {
    try {
        layer.SetPatch(index, patch);
    } catch (const std::exception& e) {
        throw Failure("\"" + bank.path + "\": " + e.what());
    }
}

int CheckedPatchIndex(const Bank& bank, const CLayer& layer, int index) {
    if (index < 0 || index >= layer.GetPatchCount())
        throw Failure("\"" + bank.path + "\": layer \"" + ToUtf8(layer.GetName()) + "\" has no patch " +
                      std::to_string(index) + " (patches 0 to " + std::to_string(layer.GetPatchCount() - 1) + ")");
    return index;
}

void Move(const std::string& path, int layerIndex, const std::string& patches, int to, const Output& out) {
    const std::vector<int> selected = ParseIndexList(patches, "--patches");
    const Bank bank = OpenBank(path, out.sets);
    CLayer& layer = GetLayer(bank, layerIndex);
    for (const int i : selected) CheckedPatchIndex(bank, layer, i);
    if (to < 0 || to >= layer.GetPatchCount())
        throw UsageError("--to " + std::to_string(to) + " is outside layer \"" + layer.GetName() + "\": 0.." +
                         std::to_string(layer.GetPatchCount() - 1));
    const std::vector<std::uint32_t> order = MoveOrder::Build(layer.GetPatchCount(), selected, to);
    try {
        PatchMove::Apply(layer, order);
    } catch (const std::exception& e) {
        throw Failure("\"" + bank.path + "\": " + e.what());
    }
    Write(bank, out);
}

void Init(const std::string& path, int layerIndex, const std::string& patches, const Output& out) {
    const std::vector<int> selected = ParseIndexList(patches, "--patches");
    const Bank bank = OpenBank(path, out.sets);
    CLayer& layer = GetLayer(bank, layerIndex);
    for (const int i : selected) {
        auto copy = layer.GetPatch(CheckedPatchIndex(bank, layer, i))->Clone();
        copy->Init();
        ReplacePatch(bank, layer, i, *copy);
    }
    Write(bank, out);
}

void Rename(const std::string& path, int layerIndex, int patchIndex, const std::string& name, const Output& out) {
    const Bank bank = OpenBank(path, out.sets);
    CLayer& layer = GetLayer(bank, layerIndex);
    auto copy = layer.GetPatch(CheckedPatchIndex(bank, layer, patchIndex))->Clone();
    std::string lost;  // as typed: what Windows-1252 cannot hold
    const std::string wanted = cp1252::FromUtf8(name, &lost);
    copy->SetName(wanted);
    const std::string stored = copy->GetName();
    // The synth may hold fewer characters still and show those as '?' too.
    for (std::size_t i = 0; i < std::min(wanted.size(), stored.size()); ++i) {
        const std::string typed = ToUtf8(wanted.substr(i, 1));
        if (stored[i] == '?' && wanted[i] != '?' && lost.find(typed) == std::string::npos) lost += typed;
    }
    const std::string storedText = "the name was stored as \"" + ToUtf8(TrimmedName(stored)) + "\"";
    if (!lost.empty())
        Warn("a patch name cannot hold these characters, so they became \"?\": " + lost + "; " + storedText);
    else if (TrimmedName(stored) != TrimmedName(wanted))
        Warn(storedText);  // cut to the synth's length, or a patch that keeps its name
    ReplacePatch(bank, layer, patchIndex, *copy);
    Write(bank, out);
}

void Deps(const std::string& path, int layerIndex, const std::vector<std::string>& sets, bool json) {
    const Bank bank = OpenBank(path, sets);
    const CLayer& layer = GetLayer(bank, layerIndex);
    const auto texts = [](const std::vector<std::string>& labels) {
        Json list = Json::array();
        for (const std::string& label : labels) list.push_back(ToUtf8(label));
        return list;
    };

    Json referencedFrom = Json::array();
    for (int c = 0; c < layer.GetChildLayerCount(); ++c) {
        const CLayer& child = *layer.GetChildLayer(c);
        Json patches = Json::object();
        for (const auto& entry : LayerDependencies::ReferencedFrom(layer, child))
            patches[ToUtf8(entry.label)] = texts(entry.labels);
        referencedFrom.push_back({{"child_layer", ToUtf8(child.GetName())}, {"patches", std::move(patches)}});
    }

    Json references = Json::array();
    for (int p = 0; p < layer.GetParentLayerCount(); ++p) {
        const CLayer& parent = *layer.GetParentLayer(p);
        Json usedBy = Json::object();
        Json lines = Json::array();
        for (const auto& entry : LayerDependencies::UsedBy(layer, parent)) {
            usedBy[ToUtf8(entry.label)] = texts(entry.labels);
            lines.push_back(ToUtf8(LayerDependencies::UsageLine(entry)));
        }
        references.push_back(
            {{"parent_layer", ToUtf8(parent.GetName())}, {"lines", std::move(lines)}, {"used_by", std::move(usedBy)}});
    }

    const Json result{{"layer", ToUtf8(layer.GetName())},
                      {"referenced_from", std::move(referencedFrom)},
                      {"references", std::move(references)}};
    if (json) return PrintJson(result);
    const std::string name = result["layer"].get<std::string>();
    std::cout << "Layers which are referenced from the " << name << " layer:\n";
    if (result["referenced_from"].empty()) std::cout << "  (none)\n";
    for (const Json& child : result["referenced_from"]) {
        std::cout << "  " << child["child_layer"].get<std::string>() << '\n';
        for (const auto& [label, list] : child["patches"].items()) {
            std::cout << "    " << label << ':';
            for (const Json& t : list) std::cout << ' ' << t.get<std::string>();
            std::cout << '\n';
        }
    }
    std::cout << "Layers which reference the " << name << " layer:\n";
    if (result["references"].empty()) std::cout << "  (none)\n";
    for (const Json& parent : result["references"]) {
        std::cout << "  " << parent["parent_layer"].get<std::string>() << '\n';
        for (const auto& [label, users] : parent["used_by"].items()) {
            std::cout << "    " << label << '\t' << users.size() << " time(s) used:";
            for (const Json& u : users) std::cout << ' ' << u.get<std::string>();
            std::cout << '\n';
        }
    }
}

}  // namespace

void AddBankCommands(CLI::App& app) {
    struct Options {
        bool json = false, force = false, allLayers = false;
        std::string file, out, layers, patches, name;
        std::vector<std::string> sets;
        int layer = 0, patch = 0, to = 0;
    };
    auto o = std::make_shared<Options>();

    auto* plugins =
        app.add_subcommand("plugins", "List every loaded synth memory with its layers, tools and dump commands");
    plugins->add_flag("--json", o->json, "Print JSON");
    plugins->callback([o] { Plugins(o->json); });

    auto* create = app.add_subcommand("new", "Write a bank of initial patches of a synth memory");
    create->add_option("--synth", o->name, "The synth memory's name (see plugins), or the start of it")->required();
    create->add_option("-o,--output", o->out, "The SysEx file to write")->required();
    create->add_flag("--force", o->force, "Replace an existing file");
    AddSetOption(*create, o->sets);
    create->callback([o] { New(o->name, o->sets, o->out, o->force); });

    auto* info = app.add_subcommand("info", "Show which synth memory reads FILE and every patch of its layers");
    info->add_option("FILE", o->file, "A SysEx file (.syx)")->required();
    info->add_flag("--json", o->json, "Print JSON");
    AddSetOption(*info, o->sets);
    info->callback([o] { Info(o->file, o->sets, o->json); });

    // --layers and --all-layers of the commands that write a bank.
    auto addShape = [o](CLI::App* sub) {
        AddSetOption(*sub, o->sets);
        auto* layers = sub->add_option("--layers", o->layers, "Layer indices to write, in this order, e.g. 0,2");
        sub->add_flag("--all-layers", o->allLayers,
                      "Write every layer, also those the file did not hold (default: the layers it held)")
            ->excludes(layers);
    };
    auto output = [o] {
        return Output{o->out, o->layers.empty() ? std::vector<int>{} : ParseIndexList(o->layers, "--layers"),
                      o->allLayers, o->sets};
    };

    auto* convert = app.add_subcommand(
        "convert", "Read IN and write OUT: the layers IN held and the messages no layer reads, or the listed layers");
    convert->add_option("IN", o->file, "The SysEx file to read")->required();
    convert->add_option("OUT", o->out, "The SysEx file to write")->required();
    addShape(convert);
    convert->callback([o, output] {
        const Output out = output();
        Bank bank = OpenBank(o->file, out.sets);
        Write(bank, out);
    });

    auto* move = app.add_subcommand("move", "Move patches of a layer to a position, as a drop in the bank view does");
    move->add_option("FILE", o->file, "The SysEx file to read")->required();
    move->add_option("--layer", o->layer, "Layer index")->required();
    move->add_option("--patches", o->patches, "Patch indices to move, e.g. 0,1")->required();
    move->add_option("--to", o->to, "The new position of the first moved patch")->required();
    move->add_option("-o,--output", o->out, "The SysEx file to write")->required();
    addShape(move);
    move->callback([o, output] { Move(o->file, o->layer, o->patches, o->to, output()); });

    auto* init = app.add_subcommand("init", "Initialise patches of a layer");
    init->add_option("FILE", o->file, "The SysEx file to read")->required();
    init->add_option("--layer", o->layer, "Layer index")->required();
    init->add_option("--patches", o->patches, "Patch indices, e.g. 0,3-5")->required();
    init->add_option("-o,--output", o->out, "The SysEx file to write")->required();
    addShape(init);
    init->callback([o, output] { Init(o->file, o->layer, o->patches, output()); });

    auto* rename = app.add_subcommand("rename", "Give a patch a new name");
    rename->add_option("FILE", o->file, "The SysEx file to read")->required();
    rename->add_option("--layer", o->layer, "Layer index")->required();
    rename->add_option("--patch", o->patch, "Patch index")->required();
    rename->add_option("--name", o->name, "The new name")->required();
    rename->add_option("-o,--output", o->out, "The SysEx file to write")->required();
    addShape(rename);
    rename->callback([o, output] { Rename(o->file, o->layer, o->patch, o->name, output()); });

    auto* deps = app.add_subcommand("deps", "The references between a layer and its child and parent layers");
    deps->add_option("FILE", o->file, "The SysEx file to read")->required();
    deps->add_option("--layer", o->layer, "Layer index")->required();
    deps->add_flag("--json", o->json, "Print JSON");
    AddSetOption(*deps, o->sets);
    deps->callback([o] { Deps(o->file, o->layer, o->sets, o->json); });
}

}  // namespace cli
