// Library commands: make a library, file patches from a bank into it, list,
// search and sort it as the library window does, find duplicates, take patches out.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <numeric>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <tonalith/File.h>
#include <tonalith/Layer.h>
#include <tonalith/Library.h>
#include <tonalith/Patch.h>
#include <tonalith/SynthMemory.h>
#include <tonalith/SynthMemoryFactory.h>
#include <tonalith/Ui.h>

#include "CliSupport.h"
#include "DuplicateSearch.h"
#include "LibraryCommands.h"
#include "LibraryDocument.h"
#include "LibraryEngine.h"
#include "LibraryFile.h"
#include "LibraryImport.h"
#include "LibraryKeys.h"
#include "Settings.h"

namespace cli {
namespace {

using LibraryEngine::CSearchFilter;

// An entry's date ("31.12.2004 23:59", local time) in ISO 8601; null when it is none.
Json IsoDate(const std::string& date) {
    int day = 0, month = 0, year = 0, hour = 0, minute = 0;
    char end = 0;
    if (std::sscanf(date.c_str(), "%d.%d.%d %d:%d%c", &day, &month, &year, &hour, &minute, &end) != 5 || day < 1 ||
        day > 31 || month < 1 || month > 12 || year < 0 || year > 9999 || hour > 23 || minute > 59 || hour < 0 ||
        minute < 0)
        return nullptr;
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}", year, month, day, hour, minute);
}

// A file without the library magic is refused here: the document would take it
// for an older-format library and ask for a file name to convert it to.
void RefuseNonLibrary(const std::string& path, const std::string& opened) {
    std::error_code error;
    if (std::filesystem::is_directory(opened, error))
        throw Failure("\"" + path + "\" is a directory, not a library file (.clb)");
    if (!std::filesystem::is_regular_file(opened, error)) return;  // the open names what is wrong
    std::vector<std::uint8_t> start(LibraryFile::kMagic.size());
    std::size_t got = 0;
    try {
        CFile file(opened, CFile::modeRead);
        got = file.Read(start.data(), start.size());
    } catch (const CFileException& e) {
        throw Failure(e.GetErrorMessage());
    }
    start.resize(got);
    if (!LibraryFile::HasMagic(start))
        throw Failure("\"" + path +
                      "\" is not a library file (.clb): it does not start with \"TLLIB100\". A library of the "
                      "older format is converted by opening it in Tonalith.");
}

std::unique_ptr<CLibraryDocument> OpenLibrary(const std::string& path) {
    const std::string opened = InputPath(path);
    RefuseNonLibrary(path, opened);
    auto document = std::make_unique<CLibraryDocument>();
    // The document reports why through the console services.
    if (!document->OnOpenDocument(opened)) throw Failure("cannot open the library \"" + path + "\"");
    return document;
}

// Entry indices of a library, each checked against its size.
std::vector<int> ParseEntries(const std::string& text, const std::string& path, const CLibrary& library) {
    std::vector<int> indices = ParseIndexList(text, "--entries");
    for (const int i : indices)
        if (i < 0 || i >= library.GetSize())
            throw UsageError("--entries: \"" + path + "\" has no entry " + std::to_string(i) + " (entries 0 to " +
                             std::to_string(library.GetSize() - 1) + ")");
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    return indices;
}

void SaveLibrary(CLibraryDocument& document, const std::string& path) {
    if (!document.OnSaveDocument(OutputPath(path))) throw Failure("cannot write the library \"" + path + "\"");
}

void New(const std::string& path, bool force) {
    RefuseExisting(path, force);
    CLibraryDocument document;
    SaveLibrary(document, path);
}

void Add(const std::string& libPath, const std::string& bankPath, int layerIndex, const std::string& patches,
         const std::vector<std::string>& sets) {
    if (libPath == kStdio && bankPath == kStdio) throw UsageError("LIB and FILE cannot both be standard input");
    RefuseSameFile(bankPath, "the bank", libPath, "the library");
    const std::vector<int> chosen = patches.empty() ? std::vector<int>{} : ParseIndexList(patches, "--patches");
    auto document = OpenLibrary(libPath);
    const Bank bank = OpenBank(bankPath, sets);
    const CLayer& layer = GetLayer(bank, layerIndex);
    std::vector<int> indices = chosen;
    if (indices.empty())
        for (int i = 0; i < layer.GetPatchCount(); ++i) indices.push_back(i);
    for (const int i : indices) {
        if (i < 0 || i >= layer.GetPatchCount())
            throw Failure("\"" + bankPath + "\": layer \"" + ToUtf8(layer.GetName()) + "\" has no patch " +
                          std::to_string(i));
        if (layer.GetPatch(i)->HasReferences())
            throw Failure("\"" + bankPath +
                          "\": The selected patches contain references to patches in other layers.\n"
                          "The Tonalith! library does not support this type of patch at the moment.\n"
                          "The patches are not added to the library.");
    }
    for (const int i : indices) document->GetLibrary().Add(CLibraryPatch(*layer.GetPatch(i)).Clone());
    SaveLibrary(*document, libPath);
    std::cout << indices.size() << " patches added to " << libPath << " (" << document->GetLibrary().GetSize()
              << " entries)\n";
}

std::string SettingKey(std::string_view assignment) {
    const std::size_t eq = assignment.find('=');
    std::string key(assignment.substr(0, eq == std::string_view::npos ? 0 : eq));
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

bool HasSetting(const CSynth& synth, const std::string& key) {
    const std::vector<CSettingField> fields = SettingFields(synth);
    return std::any_of(fields.begin(), fields.end(), [&](const CSettingField& f) { return f.key == key; });
}

// The files of an import may be of several synths: each --set goes to the synths
// that have its key. Before any file is read, every setting must be KEY=VALUE
// with a key some plug-in has and a value one of those takes.
void CheckImportSettings(const std::vector<std::string>& sets) {
    CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
    for (const std::string& assignment : sets) {
        const std::string key = SettingKey(assignment);
        if (key.empty()) throw UsageError("--set: \"" + assignment + "\" is not KEY=VALUE");
        std::optional<UsageError> refused;
        bool taken = false;
        for (int i = 0; i < factory.GetCount() && !taken; ++i) {
            const CSynthMemory& memory = factory.GetMemory(i);
            const CSynth* synth = memory.GetSynth();
            if (!synth || !HasSetting(*synth, key)) continue;
            try {
                (void)CheckSetting(*synth, ToUtf8(memory.GetName()), assignment, "--set");
                taken = true;
            } catch (const UsageError& e) {
                if (!refused) refused = e;
            }
        }
        if (taken) continue;
        if (refused) throw *refused;
        throw UsageError("--set: no plug-in has the setting \"" + key +
                         "\" (\"config SYNTH\" lists a synth's settings)");
    }
}

// Every patch of every layer the files held, as one step.
void Import(const std::string& libPath, const std::vector<std::string>& paths, bool recursive, bool skipDuplicates,
            const std::vector<std::string>& sets) {
    CheckImportSettings(sets);
    for (const std::string& path : paths) {
        if (path == kStdio) throw UsageError("FILE: standard input cannot be imported from; name the files");
        RefuseSameFile(path, "a file to import", libPath, "the library");
    }
    auto document = OpenLibrary(libPath);
    std::vector<std::string> problems;
    const std::vector<std::string> files = LibraryImport::CollectFiles(paths, recursive, problems);
    for (const std::string& problem : problems) Warn(problem);
    if (files.empty()) throw Failure("no files to import");

    LibraryImport::Options options;
    options.recursive = recursive;
    options.skipDuplicates = skipDuplicates;
    // A file's synth that cannot take a setting skips that file inside the import;
    // the refusal is kept and ends the command before anything is written.
    std::optional<UsageError> refused;
    const auto prepare = [&](CSynthMemory& memory) {
        std::vector<std::string> own;
        const CSynth* synth = memory.GetSynth();
        for (const std::string& assignment : sets)
            if (synth && HasSetting(*synth, SettingKey(assignment))) own.push_back(assignment);
        try {
            ApplySettings(memory, own);
        } catch (const UsageError& e) {
            if (!refused) refused = e;
            throw;
        }
    };
    LibraryImport::Result result =
        LibraryImport::Import(document->GetLibrary(), files, options, LibraryImport::FactoryReader(prepare));
    if (refused) throw *refused;
    for (const std::string& line : result.lines) Warn(line);
    const std::string summary = LibraryImport::Summary(result);
    const std::size_t added = result.entries.size();
    CImportCommand command(document->GetLibrary(), nullptr, std::move(result.entries));
    command.Execute();
    if (added > 0) SaveLibrary(*document, libPath);
    std::cout << summary << " into " << libPath << " (" << document->GetLibrary().GetSize() << " entries)\n";
}

// A key byte by number (0..255) or by the name of a key (not a group).
std::uint8_t ParseKey(const std::string& text, const CLibraryKeyNames& names) {
    if (!text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
        const int value = ParseInt(text, "--key");
        if (value > 255) throw UsageError("--key: " + text + " is not a key byte (0 to 255)");
        return static_cast<std::uint8_t>(value);
    }
    const std::string wanted = LibraryEngine::ToLower(FromUtf8(text));
    for (int b = 0; b < CLibraryKeyNames::kCount; ++b)
        if ((b & 0x0F) != 0 && LibraryEngine::ToLower(names.Get(b)) == wanted) return static_cast<std::uint8_t>(b);
    throw UsageError("--key: no key is named \"" + text + "\"");
}

std::uint8_t ParseOp(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    std::replace(text.begin(), text.end(), ' ', '_');
    if (text == "AND") return CSearchFilter::AND;
    if (text == "OR") return CSearchFilter::OR;
    if (text == "AND_NOT") return CSearchFilter::AND_NOT;
    if (text == "OR_NOT") return CSearchFilter::OR_NOT;
    throw UsageError("--op: \"" + text + "\" is not AND, OR, AND_NOT or OR_NOT");
}

int ParseColumn(const std::string& text) {
    for (int c = 0; c < LibraryEngine::COLUMN_COUNT; ++c)
        if (LibraryEngine::CompareNoCase(text, LibraryEngine::kColumnTitles[static_cast<std::size_t>(c)]) == 0)
            return c;
    const bool number = !text.empty() && text.size() < 4 && text.find_first_not_of("0123456789") == std::string::npos;
    const int column = number ? std::stoi(text) : -1;
    if (column < 0 || column >= LibraryEngine::COLUMN_COUNT) {
        std::string titles;
        for (const char* title : LibraryEngine::kColumnTitles)
            titles += std::string(titles.empty() ? "" : ", ") + title;
        throw UsageError("--sort: \"" + text + "\" is no column; give a title (" + titles + ") or its number 0.." +
                         std::to_string(LibraryEngine::COLUMN_COUNT - 1));
    }
    return column;
}

void List(const std::string& path, const std::string& name, const std::vector<std::string>& keys,
          const std::vector<std::string>& ops, const std::string& sort, bool json) {
    if (keys.size() > CSearchFilter::kKeyCount) throw UsageError("--key: at most four keys");
    if (ops.size() > keys.size()) throw UsageError("--op: one operator per key, before it");
    const int column = sort.empty() ? LibraryEngine::COLUMN_NAME : ParseColumn(sort);
    auto document = OpenLibrary(path);
    const CLibraryKeyNames& names = document->GetKeyNames();
    const CLibrary& library = document->GetLibrary();

    CSearchFilter filter;
    filter.name = FromUtf8(name);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        filter.keys[i] = ParseKey(keys[i], names);
        filter.ops[i] = i < ops.size() ? ParseOp(ops[i]) : std::uint8_t{CSearchFilter::AND};
    }
    std::vector<int> rows = LibraryEngine::FilterRows(library, filter);
    LibraryEngine::SortRows(rows, library, column, names);

    const auto memoryNames = LibraryEngine::FactoryMemoryNames();
    Json entries = Json::array();
    for (const int row : rows) {
        const CLibraryPatch& entry = library.Get(row);
        Json keyTexts = Json::array(), keyBytes = Json::array();
        for (int k = 0; k < CLibraryPatch::kKeyCount; ++k) {
            keyTexts.push_back(
                ToUtf8(LibraryEngine::GetCellText(entry, LibraryEngine::COLUMN_KEY1 + k, names, memoryNames)));
            keyBytes.push_back(entry.Key(k));
        }
        entries.push_back(
            {{"index", row},
             {"name", ToUtf8(entry.Name())},
             {"name_trimmed", ToUtf8(TrimmedName(entry.Name()))},
             {"date", ToUtf8(entry.Date())},
             {"date_iso", IsoDate(entry.Date())},
             {"comment", ToUtf8(entry.Comment())},
             {"keys", std::move(keyTexts)},
             {"key_bytes", std::move(keyBytes)},
             {"type", ToUtf8(LibraryEngine::GetCellText(entry, LibraryEngine::COLUMN_TYPE, names, memoryNames))}});
    }
    const Json result{{"description", ToUtf8(filter.Describe(names))},
                      {"status", ToUtf8(filter.StatusText(names))},
                      {"shown", rows.size()},
                      {"total", library.GetSize()},
                      {"entries", std::move(entries)}};
    if (json) return PrintJson(result);
    std::cout << result["status"].get<std::string>() << "\n " << rows.size() << '/' << library.GetSize() << '\n';
    for (const Json& e : result["entries"]) {
        std::cout << e["index"] << '\t' << e["name"].get<std::string>() << '\t' << e["date"].get<std::string>() << '\t'
                  << e["type"].get<std::string>();
        for (int k = 0; k < CLibraryPatch::kKeyCount; ++k)  // group 0 is "no key"
            if (CLibraryKeyNames::GroupOf(e["key_bytes"][k].get<std::uint8_t>()) != 0)
                std::cout << '\t' << e["keys"][k].get<std::string>();
        if (!e["comment"].get<std::string>().empty()) std::cout << "\t# " << e["comment"].get<std::string>();
        std::cout << '\n';
    }
}

// Sets of equal entries: each pair joins its entries, every set named by its first.
void DupGroups(const CLibrary& library, const std::vector<CDuplicatePair>& pairs, bool json) {
    std::vector<int> root(static_cast<std::size_t>(library.GetSize()));
    std::iota(root.begin(), root.end(), 0);
    const auto find = [&](int i) {
        while (root[static_cast<std::size_t>(i)] != i)
            i = root[static_cast<std::size_t>(i)] = root[static_cast<std::size_t>(root[static_cast<std::size_t>(i)])];
        return i;
    };
    for (const CDuplicatePair& pair : pairs) {
        const int a = find(pair.first), b = find(pair.second);
        root[static_cast<std::size_t>(std::max(a, b))] = std::min(a, b);
    }
    std::map<int, std::vector<int>> groups;
    for (const CDuplicatePair& pair : pairs) {
        groups[find(pair.first)].push_back(pair.first);
        groups[find(pair.second)].push_back(pair.second);
    }
    Json result{{"groups", Json::array()}};
    std::size_t entries = 0;
    for (auto& [first, members] : groups) {
        std::sort(members.begin(), members.end());
        members.erase(std::unique(members.begin(), members.end()), members.end());
        entries += members.size();
        result["groups"].push_back({{"entries", members}, {"name", ToUtf8(library.Get(first).Name())}});
    }
    if (json) return PrintJson(result);
    for (const Json& g : result["groups"]) {
        for (const Json& i : g["entries"]) std::cout << i << '\t';
        std::cout << '"' << g["name"].get<std::string>() << "\"\n";
    }
    std::cout << groups.size() << (groups.size() == 1 ? " group" : " groups") << " of equal patches (" << entries
              << " entries)\n";
}

void Dups(const std::string& path, bool groups, bool json) {
    auto document = OpenLibrary(path);
    const std::vector<CDuplicatePair> pairs = DuplicateSearch::Find(document->GetLibrary());
    if (groups) return DupGroups(document->GetLibrary(), pairs, json);
    Json result{{"pairs", Json::array()}, {"found", Json::array()}};
    for (const CDuplicatePair& pair : pairs) {
        result["pairs"].push_back({{"first", pair.first}, {"second", pair.second}, {"text", ToUtf8(pair.text)}});
        result["found"].push_back(pair.second);
    }
    if (json) return PrintJson(result);
    for (const Json& p : result["pairs"])
        std::cout << p["first"] << '\t' << p["second"] << '\t' << p["text"].get<std::string>() << '\n';
    std::cout << pairs.size() << " pairs of equal patches\n";
}

// ---- extract: library patches into the slots of a bank of their type ----

// The same sound: IsEqual where the type compares, else the same bytes.
bool SamePatch(const CPatch& a, const CPatch& b) {
    if (a.IsEqual(b)) return true;
    return a.GetPatchType() == b.GetPatchType() && std::ranges::equal(a.Data(), b.Data());
}

// The first layer of the memory that holds patches of this type.
int LayerForType(const CSynthMemory& memory, const GUID& type) {
    for (int l = 0; l < memory.GetLayerCount(); ++l)
        if (memory.GetLayer(l).GetPatchCount() > 0 && memory.GetLayer(l).GetPatch(0)->GetPatchType() == type) return l;
    return -1;
}

std::unique_ptr<CSynthMemory> Reopen(const CSynthMemory& prototype, std::span<const std::uint8_t> bytes) {
    auto memory = prototype.CreateMemory();
    CMemFile file(bytes, "(extracted)");
    memory->Load(file);
    return memory;
}

// Can the plug-in write one record of this layer addressed to its slot? The
// same patch in the first and the last slot must give different messages (a
// "current program" dump is the same wherever the patch lies), and the last
// one alone must reopen in the last slot, leaving the first as it was. A layer
// of one slot is its own record.
bool WritesSlotRecords(const CSynthMemory& prototype, int layerIndex, const CPatch& sample) {
    const CScopedScriptedUi quiet;  // a type that cannot be sent says so in a message box
    auto probe = prototype.CreateMemory();
    CLayer& layer = probe->GetLayer(layerIndex);
    const int last = layer.GetPatchCount() - 1;
    if (last < 1) return false;
    try {
        layer.SetPatch(0, sample);
        layer.SetPatch(last, sample);
        layer.UpdatePatchNumbers();
    } catch (const std::exception&) {
        return false;
    }
    const std::vector<std::uint8_t> first = layer.GetPatch(0)->GetSysExData(false);
    const std::vector<std::uint8_t> record = layer.GetPatch(last)->GetSysExData(false);
    if (record.empty() || first == record) return false;
    const auto initial = prototype.CreateMemory();
    const auto reopened = Reopen(prototype, record);
    const CLayer& back = reopened->GetLayer(layerIndex);
    return reopened->GetLoadProblems().empty() &&
           std::ranges::equal(back.GetPatch(last)->Data(), layer.GetPatch(last)->Data()) &&
           std::ranges::equal(back.GetPatch(0)->Data(), initial->GetLayer(layerIndex).GetPatch(0)->Data());
}

struct Placed {
    int entry;
    int layer;
    int slot;
};

void Extract(const std::string& path, const std::string& entries, int to, const std::string& out) {
    RefuseSameFile(path, "the library", out, "SysEx messages");
    const std::vector<int> indices = ParseIndexList(entries, "--entries");
    if (to < 0) throw UsageError("--to: " + std::to_string(to) + " is not a slot (slots count from 0)");
    auto document = OpenLibrary(path);
    const CLibrary& library = document->GetLibrary();
    const CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();

    // One synth memory per output: its banks are what the file holds.
    const CSynthMemory* prototype = nullptr;
    int firstEntry = -1;
    for (const int i : indices) {
        if (i < 0 || i >= library.GetSize())
            throw Failure("\"" + path + "\": there is no entry " + std::to_string(i) + " (" +
                          std::to_string(library.GetSize()) + " entries)");
        const CSynthMemory* owner = factory.GetSynthMemoryfromPatchType(library.GetPatch(i)->GetPatchType());
        if (!owner)
            throw Failure("\"" + path + "\": no plug-in knows the type of entry " + std::to_string(i) + " (" +
                          ToUtf8(library.Get(i).Name()) + ")");
        if (prototype && owner != prototype)
            throw UsageError("entries " + std::to_string(firstEntry) + " (" + ToUtf8(prototype->GetName()) + ") and " +
                             std::to_string(i) + " (" + ToUtf8(owner->GetName()) +
                             ") belong to different synth memories; extract each one's entries to a file of its own");
        prototype = owner;
        if (firstEntry < 0) firstEntry = i;
    }

    // Raw SysEx has no slots: the entries' messages follow one another.
    if (prototype->IsGeneric()) {
        std::vector<std::uint8_t> bytes;
        for (const int i : indices) {
            const std::vector<std::uint8_t> message = library.GetPatch(i)->GetSysExData(false);
            bytes.insert(bytes.end(), message.begin(), message.end());
        }
        SaveBytes(out, bytes);
        (out == "-" ? std::cerr : std::cout) << indices.size() << " entries of raw SysEx written to " << out << '\n';
        return;
    }

    // Each type fills consecutive slots of the first layer of its type, from --to;
    // the layer stores clones addressed to their slots.
    auto memory = prototype->CreateMemory();
    std::map<int, int> next;
    std::vector<Placed> placed;
    for (const int i : indices) {
        const CPatch& patch = *library.GetPatch(i);
        const int l = LayerForType(*memory, patch.GetPatchType());
        if (l < 0)
            throw Failure("\"" + path + "\": " + ToUtf8(memory->GetName()) + " has no layer for entry " +
                          std::to_string(i) + " (" + ToUtf8(patch.GetTypeName()) + ")");
        CLayer& layer = memory->GetLayer(l);
        const int slot = next.try_emplace(l, to).first->second++;
        if (slot >= layer.GetPatchCount())
            throw UsageError("--to " + std::to_string(to) + ": \"" + ToUtf8(layer.GetName()) + "\" has " +
                             std::to_string(layer.GetPatchCount()) + " slots; entry " + std::to_string(i) +
                             " would need slot " + std::to_string(slot));
        try {
            layer.SetPatch(slot, patch);
        } catch (const std::exception& e) {
            throw Failure("\"" + path + "\": entry " + std::to_string(i) + ": " + e.what());
        }
        placed.push_back({i, l, slot});
    }

    // Single records at their slot addresses where the plug-in can write them
    // (a file of just the extracted patches); otherwise the whole layer.
    CMemFile file(out);
    std::map<int, bool> asRecords;
    for (const auto& [l, end] : next) {
        CLayer& layer = memory->GetLayer(l);
        layer.UpdatePatchNumbers();
        const Placed& first = *std::ranges::find(placed, l, &Placed::layer);
        asRecords[l] = WritesSlotRecords(*prototype, l, *layer.GetPatch(first.slot));
        try {
            if (!asRecords[l]) {
                layer.Save(file);
                continue;
            }
            for (int slot = to; slot < end; ++slot) file.Write(layer.GetPatch(slot)->GetSysExData(false));
        } catch (const CFileException& e) {
            throw Failure(e.GetErrorMessage());
        }
    }

    // What is written must reopen with every patch in its slot.
    const auto reopened = Reopen(*prototype, file.Data());
    for (const Placed& p : placed) {
        const CLayer& layer = memory->GetLayer(p.layer);
        if (!SamePatch(*reopened->GetLayer(p.layer).GetPatch(p.slot), *layer.GetPatch(p.slot)))
            throw Failure("\"" + path + "\": entry " + std::to_string(p.entry) + " (" +
                          ToUtf8(library.Get(p.entry).Name()) + ") would not reopen in slot " + std::to_string(p.slot) +
                          " of \"" + ToUtf8(layer.GetName()) + "\"; nothing was written");
    }
    SaveBytes(out, file.Data());
    // With the bytes on standard output the report goes beside them, to stderr.
    std::ostream& report = out == "-" ? std::cerr : std::cout;
    for (const Placed& p : placed) {
        const CLayer& layer = memory->GetLayer(p.layer);
        report << "entry " << p.entry << " -> " << ToUtf8(layer.GetName()) << " slot " << p.slot << " ("
               << ToUtf8(layer.GetPatchLabel(p.slot)) << ")\n";
    }
    for (const auto& [l, records] : asRecords)
        report << ToUtf8(memory->GetLayer(l).GetName()) << ": "
               << (records ? "the extracted records only" : "the whole layer") << '\n';
}

void Set(const std::string& path, const std::string& entries, const std::optional<std::string>& name,
         const std::optional<std::string>& comment, const std::vector<std::string>& keyAssignments) {
    if (!name && !comment && keyAssignments.empty())
        throw UsageError("lib set: nothing to change; give --name, --comment or --key N=NAME");
    auto document = OpenLibrary(path);
    CLibrary& library = document->GetLibrary();
    const std::vector<int> indices = ParseEntries(entries, path, library);
    std::map<int, std::uint8_t> keys;
    for (const std::string& assignment : keyAssignments) {
        const std::size_t eq = assignment.find('=');
        if (eq == std::string::npos) throw UsageError("--key: \"" + assignment + "\" is not N=NAME (N from 1 to 8)");
        const int slot = ParseInt(assignment.substr(0, eq), "--key");
        if (slot < 1 || slot > CLibraryPatch::kKeyCount)
            throw UsageError("--key: key " + assignment.substr(0, eq) + " is not 1 to 8");
        keys[slot - 1] = ParseKey(assignment.substr(eq + 1), document->GetKeyNames());
    }
    for (const int i : indices) {
        const CLibraryPatch& current = library.Get(i);
        std::array<std::uint8_t, CLibraryPatch::kKeyCount> newKeys = current.Keys();
        for (const auto& [slot, key] : keys) newKeys[static_cast<std::size_t>(slot)] = key;
        const std::optional<std::string> newName = name ? std::optional(FromUtf8(*name)) : std::nullopt;
        library.Set(i, CPropertiesCommand::MakeEntry(current, newName, newKeys,
                                                     comment ? FromUtf8(*comment) : current.Comment()));
    }
    SaveLibrary(*document, path);
    std::cout << indices.size() << (indices.size() == 1 ? " entry" : " entries") << " changed in " << path << '\n';
}

void Remove(const std::string& path, const std::string& entries) {
    auto document = OpenLibrary(path);
    CLibrary& library = document->GetLibrary();
    const std::vector<int> indices = ParseEntries(entries, path, library);
    library.Remove(indices);
    SaveLibrary(*document, path);
    std::cout << indices.size() << (indices.size() == 1 ? " entry" : " entries") << " removed from " << path << " ("
              << library.GetSize() << " left)\n";
}

void Keys(const std::string& path, bool json) {
    auto document = OpenLibrary(path);
    const CLibraryKeyNames& names = document->GetKeyNames();
    // Entries that use each key: an entry with a key in several of its slots counts once.
    std::map<int, int> used;
    for (int i = 0; i < document->GetLibrary().GetSize(); ++i) {
        const auto& keys = document->GetLibrary().Get(i).Keys();
        for (const std::uint8_t key : std::set<std::uint8_t>(keys.begin(), keys.end())) ++used[key];
    }
    Json groups = Json::array();
    for (int g = 0; g < CLibraryKeyNames::kGroupCount; ++g) {
        Json keys = Json::array();
        for (int k = 0; k < CLibraryKeyNames::kKeysPerGroup; ++k) {
            const int byte = CLibraryKeyNames::KeyByte(g, k);
            keys.push_back({{"byte", byte}, {"name", ToUtf8(names.Get(byte))}, {"used", used[byte]}});
        }
        groups.push_back({{"group", g}, {"name", ToUtf8(names.GroupName(g))}, {"keys", std::move(keys)}});
    }
    if (json) return PrintJson(Json{{"groups", std::move(groups)}});
    for (const Json& g : groups) {
        std::cout << "group " << g["group"] << ": " << g["name"].get<std::string>() << '\n';
        for (const Json& k : g["keys"])
            std::cout << "  " << k["byte"] << '\t' << k["name"].get<std::string>() << '\t' << k["used"] << " used\n";
    }
}

}  // namespace

void AddLibraryCommands(CLI::App& app) {
    struct Options {
        std::string lib, file, patches, name, sort, entries, out;
        std::vector<std::string> keys, ops, files, sets;
        std::optional<std::string> newName, comment;
        int layer = 0;
        int to = 0;
        bool json = false, force = false, recursive = false, skipDuplicates = false, groups = false;
    };
    auto o = std::make_shared<Options>();
    auto* lib = app.add_subcommand("lib", "Patch libraries (.clb)");
    lib->require_subcommand(1);

    auto* create = lib->add_subcommand("new", "Write an empty library");
    create->add_option("LIB", o->lib, "The library file to write")->required();
    create->add_flag("--force", o->force, "Replace an existing file");
    create->callback([o] { New(o->lib, o->force); });

    auto* add = lib->add_subcommand(
        "add", "File every patch the files hold into the library (or, with --layer, patches of one layer of one file)");
    add->add_option("LIB", o->lib, "The library file")->required();
    add->add_option("FILE", o->files, "SysEx files or directories of them")->required();
    auto* layerOption = add->add_option("--layer", o->layer, "Only this layer (index) of the one FILE");
    auto* patchesOption =
        add->add_option("--patches", o->patches, "With --layer: patch indices (default: the whole layer)");
    add->add_flag("-r,--recursive", o->recursive, "Directories: their subdirectories too");
    add->add_flag("--skip-duplicates", o->skipDuplicates, "Leave out patches equal to an entry already there");
    AddSetOption(*add, o->sets);
    add->callback([o, layerOption, patchesOption] {
        if (layerOption->count() == 0) {
            if (patchesOption->count() > 0) throw UsageError("--patches needs --layer");
            return Import(o->lib, o->files, o->recursive, o->skipDuplicates, o->sets);
        }
        if (o->files.size() != 1) throw UsageError("--layer takes one FILE");
        if (o->recursive || o->skipDuplicates)
            throw UsageError("--layer cannot be combined with --recursive or --skip-duplicates");
        Add(o->lib, o->files.front(), o->layer, o->patches, o->sets);
    });

    auto* list = lib->add_subcommand("list", "The entries that pass the search filter, sorted by a column");
    list->add_option("LIB", o->lib, "The library file")->required();
    list->add_option("--name", o->name, "Part of the name (any case)");
    list->add_option("--key", o->keys, "A key: its byte or its name (up to four, repeatable)")->allow_extra_args(false);
    list->add_option("--op", o->ops, "The operator before each key: AND, OR, AND_NOT, OR_NOT (default AND)")
        ->allow_extra_args(false);
    list->add_option("--sort", o->sort, "Column title or number: Name, Date, Comment, Key 1..Key 8, Type");
    list->add_flag("--json", o->json, "Print JSON");
    list->callback([o] { List(o->lib, o->name, o->keys, o->ops, o->sort, o->json); });

    auto* dups = lib->add_subcommand("dups", "Pairs of equal patches");
    dups->add_option("LIB", o->lib, "The library file")->required();
    dups->add_flag("--groups", o->groups, "Sets of equal entries instead of every pair");
    dups->add_flag("--json", o->json, "Print JSON");
    dups->callback([o] { Dups(o->lib, o->groups, o->json); });

    auto* set = lib->add_subcommand("set", "Change the name, comment or keys of entries");
    set->add_option("LIB", o->lib, "The library file")->required();
    set->add_option("--entries", o->entries, "Entry indices, e.g. 0,4-6")->required();
    set->add_option("--name", o->newName, "The new name (cut to the patch type's length)");
    set->add_option("--comment", o->comment, "The new comment (79 characters at most)");
    set->add_option("--key", o->keys, "N=NAME: key slot N (1 to 8) becomes the key NAME or byte (repeatable)")
        ->allow_extra_args(false);
    set->callback([o] { Set(o->lib, o->entries, o->newName, o->comment, o->keys); });

    auto* remove = lib->add_subcommand("remove", "Take entries out of the library");
    remove->add_option("LIB", o->lib, "The library file")->required();
    remove->add_option("--entries", o->entries, "Entry indices, e.g. 0,4-6")->required();
    remove->callback([o] { Remove(o->lib, o->entries); });

    auto* extract = lib->add_subcommand(
        "extract", "Put the entries' patches into consecutive slots of a bank of their type and write them");
    extract->add_option("LIB", o->lib, "The library file")->required();
    extract->add_option("--entries", o->entries, "Entry indices, e.g. 0,4-6 (all of one synth memory)")->required();
    extract->add_option("--to", o->to, "The first slot (0-based) each type fills (default 0)");
    extract->add_option("-o,--output", o->out, "The SysEx file to write")->required();
    extract->callback([o] { Extract(o->lib, o->entries, o->to, o->out); });

    auto* keys = lib->add_subcommand("keys", "The key groups and keys, and how many entries use each");
    keys->add_option("LIB", o->lib, "The library file")->required();
    keys->add_flag("--json", o->json, "Print JSON");
    keys->callback([o] { Keys(o->lib, o->json); });
}

}  // namespace cli
