// tool: runs a plug-in's bank tool on a bank without its dialog, with the
// dialog's boxes and choices as options, and writes the result.
#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <tonalith/SynthMemory.h>
#include <tonalith/SynthTool.h>

#include "CliSupport.h"

namespace cli {
namespace {

// "&Random Patches..." is "random patches".
std::string PlainToolName(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
    while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
    return LowerAscii(text);
}

std::string ToolNames(const CSynthMemory& memory) {
    std::string names;
    for (int t = 0; t < memory.GetAdditionalToolsCount(); ++t) {
        const CBasicSynthTool& tool = memory.GetAdditionalTool(t);
        if (tool.UseForBank() && tool.GetHeadlessSettings())
            names += (names.empty() ? "\"" : ", \"") + PlainToolName(tool.GetMenuText()) + "\"";
    }
    return names.empty() ? "none" : names;
}

CBasicSynthTool& FindTool(const CSynthMemory& memory, const std::string& name, const std::string& path) {
    for (int t = 0; t < memory.GetAdditionalToolsCount(); ++t) {
        CBasicSynthTool& tool = memory.GetAdditionalTool(t);
        if (PlainToolName(tool.GetMenuText()) != PlainToolName(name)) continue;
        if (!tool.UseForBank()) throw UsageError("\"" + name + "\" works on a library, not on a bank");
        if (!tool.GetHeadlessSettings()) throw UsageError("\"" + name + "\" runs only with its dialog");
        return tool;
    }
    throw UsageError("\"" + path + "\" (" + memory.GetName() + ") has no tool \"" + name +
                     "\"; its tools that run here: " + ToolNames(memory));
}

template <typename T>
T& Named(std::vector<std::pair<std::string, T>>& values, const std::string& name, std::string_view what) {
    const auto it = std::find_if(values.begin(), values.end(),
                                 [&name](const auto& v) { return LowerAscii(v.first) == LowerAscii(name); });
    if (it != values.end()) return it->second;
    std::string known;
    for (const auto& v : values) known += (known.empty() ? "" : ", ") + v.first;
    throw UsageError(std::string(what) + ": the tool has no \"" + name +
                     "\" (it has: " + (known.empty() ? "none" : known) + ")");
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    std::string item;
    for (const char c : text + ",") {
        if (c != ',') {
            item += c;
        } else if (!item.empty()) {
            items.push_back(item);
            item.clear();
        }
    }
    return items;
}

void PrintSettings(const CToolSettings& settings) {
    for (const auto& [name, on] : settings.switches) std::cout << "switch " << name << (on ? " on" : " off") << '\n';
    for (const auto& [name, value] : settings.numbers) std::cout << "value " << name << '=' << value << '\n';
}

struct ToolOptions {
    std::string name, file, out, only, off;
    std::vector<std::string> values, sets;
    std::optional<std::uint32_t> randomStart;
    bool list = false;
};

void RunTool(const ToolOptions& o) {
    if (!o.list && o.out.empty()) throw UsageError("-o,--output is required");
    Bank bank = OpenBank(o.file, o.sets);
    CBasicSynthTool& tool = FindTool(*bank.memory, o.name, o.file);
    CToolSettings settings = *tool.GetHeadlessSettings();
    if (o.list) return PrintSettings(settings);
    if (!o.only.empty())
        for (auto& [name, on] : settings.switches) on = false;
    for (const std::string& name : SplitList(o.only)) Named(settings.switches, name, "--only") = true;
    for (const std::string& name : SplitList(o.off)) Named(settings.switches, name, "--off") = false;
    for (const std::string& assignment : o.values) {
        const auto equals = assignment.find('=');
        if (equals == std::string::npos) throw UsageError("--value \"" + assignment + "\" is not NAME=NUMBER");
        Named(settings.numbers, assignment.substr(0, equals), "--value") =
            ParseInt(assignment.substr(equals + 1), "--value " + assignment.substr(0, equals));
    }
    settings.randomStart = o.randomStart;
    std::string report;
    try {
        report = tool.RunHeadless(settings);
    } catch (const std::invalid_argument& e) {
        throw UsageError(std::string("--value ") + e.what());
    }
    SaveLayers(*bank.memory, o.out);
    std::cout << report << '\n';
}

}  // namespace

void AddToolCommand(CLI::App& app) {
    auto o = std::make_shared<ToolOptions>();
    auto* tool =
        app.add_subcommand("tool", "Run a bank tool of the bank's plug-in without its dialog and write the bank");
    tool->add_option("NAME", o->name, "The tool, as its menu names it, e.g. \"Random Patches\"")->required();
    tool->add_option("FILE", o->file, "The SysEx file to read")->required();
    tool->add_option("-o,--output", o->out, "The SysEx file to write (the layers FILE held)");
    tool->add_option("--start", o->randomStart, "Where random values start: the same number gives the same bank");
    tool->add_option("--only", o->only, "Tick only these boxes of the tool, e.g. Wave2,TVF2 (see --list)");
    tool->add_option("--off", o->off, "Clear these boxes, e.g. Effect1,Effect2 (see --list)");
    tool->add_option("--value", o->values, "A choice of the tool as NAME=NUMBER, e.g. copy-type=2 (repeatable)")
        ->allow_extra_args(false);
    tool->add_option("--set", o->sets, "A plug-in setting for this run only, e.g. BOARD0=2 (repeatable)")
        ->allow_extra_args(false);
    tool->add_flag("--list", o->list, "Show the tool's boxes and choices with their defaults instead");
    tool->callback([o] { RunTool(*o); });
}

}  // namespace cli
