// verify: what is wrong with a SysEx file, as the plug-in that recognises it
// sees it: wrong checksums, messages cut short, dumps its layers cannot read,
// messages none of its layers reads, and the generation the dump was written for.
#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <tonalith/File.h>
#include <tonalith/Layer.h>
#include <tonalith/SynthMemory.h>
#include <tonalith/SynthMemoryFactory.h>

#include "CliSupport.h"

namespace cli {
namespace {

constexpr std::uint8_t kSysExStart = 0xF0;
constexpr std::uint8_t kSysExEnd = 0xF7;

struct Problem {
    std::uint64_t offset;
    std::string kind;  // checksum, truncated, damaged, foreign
    std::string message;
};

// The end of the message at pos: past its F7, or the next F0 or the end when it has none.
std::size_t MessageEnd(std::span<const std::uint8_t> bytes, std::size_t pos, bool& terminated) {
    std::size_t i = pos + 1;
    while (i < bytes.size() && bytes[i] != kSysExEnd && bytes[i] != kSysExStart) ++i;
    terminated = i < bytes.size() && bytes[i] == kSysExEnd;
    return terminated ? i + 1 : i;
}

// Walks the file as a memory's Load does, on a memory of its own: each message a
// layer recognises is read by that layer; what no layer reads is foreign, and a
// dump a layer cannot read is truncated (it ends early) or damaged.
std::vector<Problem> Walk(std::span<const std::uint8_t> bytes, const std::string& path, const CSynthMemory* prototype) {
    std::vector<Problem> problems;
    const std::unique_ptr<CSynthMemory> scratch = prototype ? prototype->CreateMemory() : nullptr;
    const std::string reader = prototype ? ToUtf8(prototype->GetName()) : "any plug-in";
    CMemFile file(bytes, path);
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        if (bytes[pos] != kSysExStart) {
            std::size_t end = pos;
            while (end < bytes.size() && bytes[end] != kSysExStart) ++end;
            problems.push_back({pos, "foreign", std::to_string(end - pos) + " bytes outside any SysEx message"});
            pos = end;
            continue;
        }
        bool terminated = false;
        const std::size_t messageEnd = MessageEnd(bytes, pos, terminated);
        file.Seek(static_cast<std::int64_t>(pos), CFile::begin);
        const int layer = scratch ? scratch->GetMatchingLayer(file) : -1;
        if (layer >= 0) {
            try {
                scratch->GetLayer(layer).Load(file);
            } catch (const CFileException& e) {
                const std::string detail = e.m_detail.empty() ? CFileException::CauseText(e.m_cause) : e.m_detail;
                problems.push_back({pos, e.m_cause == CFileException::endOfFile ? "truncated" : "damaged",
                                    "\"" + ToUtf8(scratch->GetLayer(layer).GetName()) + "\": " + ToUtf8(detail)});
                file.Seek(static_cast<std::int64_t>(pos), CFile::begin);
            } catch (const std::exception& e) {
                problems.push_back(
                    {pos, "damaged", "\"" + ToUtf8(scratch->GetLayer(layer).GetName()) + "\": " + e.what()});
                file.Seek(static_cast<std::int64_t>(pos), CFile::begin);
            }
            // Every step advances, as in the memory's own walk.
            pos = file.GetPosition() > pos ? static_cast<std::size_t>(file.GetPosition()) : messageEnd;
            continue;
        }
        if (!terminated)
            problems.push_back(
                {pos, "truncated", "a message of " + std::to_string(messageEnd - pos) + " bytes without its end (F7)"});
        else
            problems.push_back(
                {pos, "foreign",
                 "a message of " + std::to_string(messageEnd - pos) + " bytes that no layer of " + reader + " reads"});
        pos = messageEnd;
    }
    return problems;
}

void Verify(const std::string& path, bool json) {
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    const CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
    std::unique_ptr<CSynthMemory> memory;
    try {
        CMemFile file(bytes, path);
        memory = factory.CreateMatchingMemory(file);
        if (memory) memory->Load(file);
    } catch (const CFileException& e) {
        throw Failure(e.GetErrorMessage());
    }

    std::vector<Problem> problems = Walk(bytes, path, memory.get());
    if (memory)
        for (const CSynthMemory::LoadIssue& issue : memory->GetLoadIssues())
            problems.push_back({issue.offset, issue.kind, "\"" + ToUtf8(issue.layer) + "\": " + ToUtf8(issue.text)});
    std::stable_sort(problems.begin(), problems.end(),
                     [](const Problem& a, const Problem& b) { return a.offset < b.offset; });

    const auto messages = std::count(bytes.begin(), bytes.end(), kSysExStart);
    const std::string generation = memory ? memory->GetLoadedGeneration() : std::string{};
    Json result{{"file", path},
                {"memory", memory ? Json(ToUtf8(memory->GetName())) : Json(nullptr)},
                {"generation", generation.empty() ? Json(nullptr) : Json(ToUtf8(generation))},
                {"messages", messages},
                {"problems", Json::array()}};
    for (const Problem& p : problems)
        result["problems"].push_back({{"kind", p.kind}, {"offset", p.offset}, {"message", p.message}});

    if (json) {
        PrintJson(result);
    } else {
        std::cout << path << ": " << (memory ? ToUtf8(memory->GetName()) : "no plug-in recognises it") << ", "
                  << messages << (messages == 1 ? " message" : " messages");
        if (!generation.empty()) std::cout << ", written for " << ToUtf8(generation);
        std::cout << '\n';
        for (const Problem& p : problems) std::cout << p.kind << " at byte " << p.offset << ": " << p.message << '\n';
        if (problems.empty()) std::cout << "no problems\n";
    }
    if (!problems.empty())
        throw Failure("\"" + path + "\": " + std::to_string(problems.size()) +
                      (problems.size() == 1 ? " problem" : " problems"));
}

}  // namespace

void AddVerifyCommand(CLI::App& app) {
    struct Options {
        std::string file;
        bool json = false;
    };
    auto o = std::make_shared<Options>();
    auto* verify = app.add_subcommand(
        "verify", "Check a SysEx file: checksums, cut-off and foreign messages, the generation it was written for");
    verify->add_option("FILE", o->file, "A SysEx file (.syx)")->required();
    verify->add_flag("--json", o->json, "Print JSON");
    verify->footer("Exit status: 0 when nothing is wrong, 1 when a problem was found.");
    verify->callback([o] { Verify(o->file, o->json); });
}

}  // namespace cli
