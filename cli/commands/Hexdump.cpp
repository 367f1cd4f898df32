// hexdump: the hex viewer's lines and, per message, its length and manufacturer.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "CliSupport.h"
#include "HexLines.h"

namespace cli {
namespace {

void Hexdump(const std::string& path, bool json) {
    const std::vector<std::uint8_t> data = ReadBytes(path);
    const hexview::HexLines lines = hexview::BuildLines(data);
    const std::vector<hexview::Message> messages = hexview::FindMessages(data);

    if (json) {
        Json out{{"file", path}, {"size", data.size()}, {"lines", Json::array()}, {"messages", Json::array()}};
        for (std::size_t i = 0; i < lines.size(); ++i)
            out["lines"].push_back(
                {{"offset", lines.lineStart[i]}, {"hex", lines.hex[i]}, {"chars", ToUtf8(lines.chars[i])}});
        for (const hexview::Message& m : messages)
            out["messages"].push_back({{"offset", m.offset},
                                       {"length", m.length},
                                       {"manufacturer", hexview::ManufacturerOf(data, m.offset + 1)},
                                       {"complete", m.complete}});
        return PrintJson(out);
    }
    char offset[32];
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::snprintf(offset, sizeof offset, "%08zX  ", lines.lineStart[i]);
        std::string hex = lines.hex[i];
        hex.resize(hexview::kBytesPerLine * 3, ' ');
        std::cout << offset << hex << ' ' << ToUtf8(lines.chars[i]) << '\n';
    }
    for (const hexview::Message& m : messages) std::cout << hexview::DescribeMessage(data, m) << '\n';
}

}  // namespace

void AddHexdumpCommand(CLI::App& app) {
    struct Options {
        std::string file;
        bool json = false;
    };
    auto o = std::make_shared<Options>();
    auto* hexdump =
        app.add_subcommand("hexdump", "Show FILE as the hex viewer does, with every message's length and manufacturer");
    hexdump->add_option("FILE", o->file, "Any file, usually SysEx")->required();
    hexdump->add_flag("--json", o->json, "Print JSON");
    hexdump->callback([o] { Hexdump(o->file, o->json); });
}

}  // namespace cli
