// Parameter commands: a patch read, changed and compared parameter by parameter,
// through the parameter table its plug-in describes.
#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <tonalith/Functions.h>
#include <tonalith/Layer.h>
#include <tonalith/Parameters.h>
#include <tonalith/Patch.h>
#include <tonalith/SynthMemory.h>

#include "CliSupport.h"

namespace cli {
namespace {

CPatch& GetPatch(const Bank& bank, int layerIndex, int patchIndex) {
    CLayer& layer = GetLayer(bank, layerIndex);
    if (patchIndex < 0 || patchIndex >= layer.GetPatchCount())
        throw UsageError("patch " + std::to_string(patchIndex) + " is not in layer " + std::to_string(layerIndex) +
                         " (0.." + std::to_string(layer.GetPatchCount() - 1) + ")");
    return *layer.GetPatch(patchIndex);
}

const CParameterTable& RequireTable(const CPatch& patch, const std::string& path) {
    const CParameterTable* table = patch.GetParameterTable();
    if (!table)
        throw Failure(path + ": patches of type \"" + ToUtf8(patch.GetTypeName()) + "\" have no parameter table");
    return *table;
}

std::string ValueText(const CParameterTable& table, const CPatch& patch, const CParameter& p) {
    return ToUtf8(table.FormatValue(p, table.GetValue(patch, p)));
}

void Params(const std::string& path, int layer, int patchIndex, const std::vector<std::string>& sets, bool json) {
    const Bank bank = OpenBank(path, sets);
    const CPatch& patch = GetPatch(bank, layer, patchIndex);
    const CParameterTable& table = RequireTable(patch, path);
    Json parameters = Json::array();
    for (const CParameter& p : table.GetParameters()) {
        const CParameterAddress address = table.GetAddress(p);
        parameters.push_back({{"id", p.id},
                              {"caption", p.caption},
                              {"page", p.page},
                              {"block", address.block},
                              {"offset", address.offset},
                              {"size", p.Size()},
                              {"raw", table.GetRaw(patch, p)},
                              {"text", ValueText(table, patch, p)}});
        if (address.parameter >= 0) parameters.back()["parameter"] = address.parameter;
    }
    if (json) {
        return PrintJson({{"file", path},
                          {"layer", layer},
                          {"patch", patchIndex},
                          {"type", ToUtf8(patch.GetTypeName())},
                          {"name", ToUtf8(patch.GetName())},
                          {"parameters", std::move(parameters)}});
    }
    std::cout << ToUtf8(patch.GetName()) << " (" << ToUtf8(patch.GetTypeName()) << ")\n";
    std::string page;
    for (const Json& p : parameters) {
        if (p["page"] != page) {
            page = p["page"].get<std::string>();
            std::cout << "[" << page << "]\n";
        }
        std::vector<std::uint8_t> address{static_cast<std::uint8_t>(p["block"].get<int>()),
                                          static_cast<std::uint8_t>(p["offset"].get<int>())};
        if (p.contains("parameter")) address.push_back(static_cast<std::uint8_t>(p["parameter"].get<int>()));
        std::cout << "  " << CFunctions::HexToString(address) << "  " << p["id"].get<std::string>() << " = "
                  << p["text"].get<std::string>() << "  (" << p["caption"].get<std::string>() << ")\n";
    }
}

// "ID=VALUE": the value as its text or as the number shown.
void Set(const std::string& path, int layerIndex, int patchIndex, const std::vector<std::string>& assignments,
         const std::vector<std::string>& sets, const std::string& out) {
    const Bank bank = OpenBank(path, sets);
    const CPatch& stored = GetPatch(bank, layerIndex, patchIndex);
    const CParameterTable& table = RequireTable(stored, path);
    // Every assignment is checked before anything changes, so a bad one writes nothing.
    const std::unique_ptr<CPatch> edited = stored.Clone();
    for (const std::string& assignment : assignments) {
        const std::size_t equals = assignment.find('=');
        if (equals == std::string::npos || equals == 0) throw UsageError("\"" + assignment + "\" is not ID=VALUE");
        const std::string name = assignment.substr(0, equals);
        const CParameter* p = table.Find(name);
        if (!p)
            throw UsageError("no parameter \"" + name + "\" in a " + ToUtf8(stored.GetTypeName()) +
                             " (ids and captions: tonalith-cli params)");
        const std::string text = FromUtf8(assignment.substr(equals + 1));
        const std::optional<int> value = table.ParseValue(*p, text);
        if (!value)
            throw Failure(p->id + " (" + p->caption + "): \"" + ToUtf8(text) + "\" is not a value of " +
                          ToUtf8(table.DescribeRange(*p)) + "; nothing written");
        table.SetValue(*edited, *p, *value);
    }
    GetLayer(bank, layerIndex).SetPatch(patchIndex, *edited);
    SaveLayers(*bank.memory, out);
}

// "FILE[:LAYER:PATCH]", read from the right so a path may hold colons.
struct PatchRef {
    std::string path;
    int layer = 0;
    int patch = 0;
};

PatchRef ParsePatchRef(const std::string& text) {
    PatchRef ref{text};
    const std::size_t second = text.rfind(':');
    if (second == std::string::npos || second == 0) return ref;
    const std::size_t first = text.rfind(':', second - 1);
    if (first == std::string::npos) return ref;
    const std::string layer = text.substr(first + 1, second - first - 1);
    const std::string patch = text.substr(second + 1);
    const auto isNumber = [](const std::string& s) {
        return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!isNumber(layer) || !isNumber(patch)) return ref;
    ref.path = text.substr(0, first);
    ref.layer = ParseInt(layer, "layer");
    ref.patch = ParseInt(patch, "patch");
    return ref;
}

std::string HexByte(std::uint8_t b) { return CFunctions::HexToString(std::span<const std::uint8_t>(&b, 1)); }

void Diff(const std::string& left, const std::string& right, const std::vector<std::string>& sets, bool json) {
    const PatchRef a = ParsePatchRef(left);
    const PatchRef b = ParsePatchRef(right);
    const Bank bankA = OpenBank(a.path, sets);
    const Bank bankB = OpenBank(b.path, sets);
    const CPatch& patchA = GetPatch(bankA, a.layer, a.patch);
    const CPatch& patchB = GetPatch(bankB, b.layer, b.patch);
    if (patchA.GetPatchType() != patchB.GetPatchType())
        throw Failure("cannot compare a " + ToUtf8(patchA.GetTypeName()) + " (" + a.path + ") with a " +
                      ToUtf8(patchB.GetTypeName()) + " (" + b.path + ")");

    Json differences = Json::array();
    if (patchA.GetName() != patchB.GetName())
        differences.push_back(
            {{"id", "name"}, {"caption", "Name"}, {"a", ToUtf8(patchA.GetName())}, {"b", ToUtf8(patchB.GetName())}});
    if (const CParameterTable* table = patchA.GetParameterTable()) {
        for (const CParameter& p : table->GetParameters())
            if (table->GetRaw(patchA, p) != table->GetRaw(patchB, p))
                differences.push_back({{"id", p.id},
                                       {"caption", p.caption},
                                       {"a", ValueText(*table, patchA, p)},
                                       {"b", ValueText(*table, patchB, p)}});
    } else {
        // Without a table only the bytes can be compared; names are reported above.
        const std::span<const std::uint8_t> da = patchA.Data();
        const std::span<const std::uint8_t> db = patchB.Data();
        const std::size_t common = std::min(da.size(), db.size());
        for (std::size_t i = 0; i < std::max(da.size(), db.size()); ++i) {
            if (i < common && da[i] == db[i]) continue;
            differences.push_back({{"offset", i},
                                   {"a", i < da.size() ? HexByte(da[i]) : ""},
                                   {"b", i < db.size() ? HexByte(db[i]) : ""}});
        }
    }
    if (json) return PrintJson({{"differences", std::move(differences)}});
    for (const Json& d : differences) {
        if (d.contains("id"))
            std::cout << d["id"].get<std::string>() << " (" << d["caption"].get<std::string>()
                      << "): " << d["a"].get<std::string>() << " -> " << d["b"].get<std::string>() << '\n';
        else
            std::cout << "byte " << d["offset"] << ": " << d["a"].get<std::string>() << " -> "
                      << d["b"].get<std::string>() << '\n';
    }
}

struct Options {
    std::string file;
    std::string out;
    std::string left;
    std::string right;
    int layer = 0;
    int patch = 0;
    bool json = false;
    std::vector<std::string> assignments;
    std::vector<std::string> sets;
};

}  // namespace

void AddParameterCommands(CLI::App& app) {
    auto o = std::make_shared<Options>();

    auto* params = app.add_subcommand("params", "Every parameter of a patch with its address and value");
    params->add_option("FILE", o->file, "A SysEx file (.syx)")->required();
    params->add_option("--layer", o->layer, "Layer index (default 0)");
    params->add_option("--patch", o->patch, "Patch index (default 0)");
    params->add_option("--set", o->sets, "A plug-in setting for this run only, e.g. WHICHSYNTH=0 (repeatable)");
    params->add_flag("--json", o->json, "Print JSON");
    params->callback([o] { Params(o->file, o->layer, o->patch, o->sets, o->json); });

    auto* set = app.add_subcommand("set", "Change parameters of a patch by id or caption and write the bank");
    set->add_option("FILE", o->file, "The SysEx file to read")->required();
    set->add_option("ASSIGNMENTS", o->assignments, "ID=VALUE, the value as shown by params (text or number)")
        ->required();
    set->add_option("--layer", o->layer, "Layer index (default 0)");
    set->add_option("--patch", o->patch, "Patch index (default 0)");
    set->add_option("--set", o->sets, "A plug-in setting for this run only (repeatable)");
    set->add_option("-o,--output", o->out, "The SysEx file to write")->required();
    set->callback([o] { Set(o->file, o->layer, o->patch, o->assignments, o->sets, o->out); });

    auto* diff = app.add_subcommand("diff", "The parameters in which two patches differ");
    diff->add_option("A", o->left, "FILE[:LAYER:PATCH] (default layer 0, patch 0)")->required();
    diff->add_option("B", o->right, "FILE[:LAYER:PATCH]")->required();
    diff->add_option("--set", o->sets, "A plug-in setting for this run only (repeatable)");
    diff->add_flag("--json", o->json, "Print JSON");
    diff->callback([o] { Diff(o->left, o->right, o->sets, o->json); });
}

}  // namespace cli
