// Library commands: make a library, file patches from a bank into it, list,
// search and sort it as the library window does, find duplicates, take patches out.
#include <algorithm>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <tonalith/Layer.h>
#include <tonalith/Library.h>
#include <tonalith/Patch.h>
#include <tonalith/SynthMemory.h>

#include "CliSupport.h"
#include "DuplicateSearch.h"
#include "LibraryDocument.h"
#include "LibraryEngine.h"
#include "LibraryKeys.h"

namespace cli {
namespace {

using LibraryEngine::CSearchFilter;

std::unique_ptr<CLibraryDocument> OpenLibrary(const std::string& path) {
    auto document = std::make_unique<CLibraryDocument>();
    // The document reports why through the console services.
    if (!document->OnOpenDocument(InputPath(path))) throw Failure("cannot open the library \"" + path + "\"");
    return document;
}

void SaveLibrary(CLibraryDocument& document, const std::string& path) {
    if (!document.OnSaveDocument(OutputPath(path))) throw Failure("cannot write the library \"" + path + "\"");
}

void New(const std::string& path, bool force) {
    RefuseExisting(path, force);
    CLibraryDocument document;
    SaveLibrary(document, path);
}

void Add(const std::string& libPath, const std::string& bankPath, int layerIndex, const std::string& patches) {
    if (libPath == kStdio && bankPath == kStdio) throw UsageError("LIB and FILE cannot both be standard input");
    RefuseSameFile(bankPath, "the bank", libPath, "the library");
    const std::vector<int> chosen = patches.empty() ? std::vector<int>{} : ParseIndexList(patches, "--patches");
    auto document = OpenLibrary(libPath);
    const Bank bank = OpenBank(bankPath);
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
        if (LibraryEngine::CompareNoCase(text, LibraryEngine::kColumnTitles[static_cast<std::size_t>(c)]) == 0) return c;
    const int column = ParseInt(text, "--sort");
    if (column < 0 || column >= LibraryEngine::COLUMN_COUNT) throw UsageError("--sort: no column " + text);
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
        filter.ops[i] = i < ops.size() ? ParseOp(ops[i]) : CSearchFilter::AND;
    }
    std::vector<int> rows = LibraryEngine::FilterRows(library, filter);
    LibraryEngine::SortRows(rows, library, column, names);

    const auto memoryNames = LibraryEngine::FactoryMemoryNames();
    Json entries = Json::array();
    for (const int row : rows) {
        const CLibraryPatch& entry = library.Get(row);
        Json keyTexts = Json::array(), keyBytes = Json::array();
        for (int k = 0; k < CLibraryPatch::kKeyCount; ++k) {
            keyTexts.push_back(ToUtf8(LibraryEngine::GetCellText(entry, LibraryEngine::COLUMN_KEY1 + k, names, memoryNames)));
            keyBytes.push_back(entry.Key(k));
        }
        entries.push_back({{"index", row},
                           {"name", ToUtf8(entry.Name())},
                           {"date", ToUtf8(entry.Date())},
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

void Dups(const std::string& path, bool json) {
    auto document = OpenLibrary(path);
    const std::vector<CDuplicatePair> pairs = DuplicateSearch::Find(document->GetLibrary());
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

void Extract(const std::string& path, const std::string& entries, const std::string& out) {
    RefuseSameFile(path, "the library", out, "SysEx messages");
    const std::vector<int> indices = ParseIndexList(entries, "--entries");
    auto document = OpenLibrary(path);
    const CLibrary& library = document->GetLibrary();
    std::vector<std::uint8_t> bytes;
    for (const int i : indices) {
        if (i < 0 || i >= library.GetSize())
            throw Failure("\"" + path + "\": there is no entry " + std::to_string(i) + " (" +
                          std::to_string(library.GetSize()) + " entries)");
        const std::vector<std::uint8_t> message = library.GetPatch(i)->GetSysExData(false);
        if (message.empty())
            throw Failure("\"" + path + "\": entry " + std::to_string(i) + " (" + ToUtf8(library.Get(i).Name()) +
                          ") cannot be written as a message");
        bytes.insert(bytes.end(), message.begin(), message.end());
    }
    SaveBytes(out, bytes);
}

void Keys(const std::string& path, bool json) {
    auto document = OpenLibrary(path);
    const CLibraryKeyNames& names = document->GetKeyNames();
    std::map<int, int> used;
    for (int i = 0; i < document->GetLibrary().GetSize(); ++i)
        for (const std::uint8_t key : document->GetLibrary().Get(i).Keys()) ++used[key];
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
        std::vector<std::string> keys, ops;
        int layer = 0;
        bool json = false, force = false;
    };
    auto o = std::make_shared<Options>();
    auto* lib = app.add_subcommand("lib", "Patch libraries (.clb)");
    lib->require_subcommand(1);

    auto* create = lib->add_subcommand("new", "Write an empty library");
    create->add_option("LIB", o->lib, "The library file to write")->required();
    create->add_flag("--force", o->force, "Replace an existing file");
    create->callback([o] { New(o->lib, o->force); });

    auto* add = lib->add_subcommand("add", "File patches of a bank layer into the library");
    add->add_option("LIB", o->lib, "The library file")->required();
    add->add_option("FILE", o->file, "The SysEx file with the patches")->required();
    add->add_option("--layer", o->layer, "Layer index")->required();
    add->add_option("--patches", o->patches, "Patch indices (default: the whole layer)");
    add->callback([o] { Add(o->lib, o->file, o->layer, o->patches); });

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
    dups->add_flag("--json", o->json, "Print JSON");
    dups->callback([o] { Dups(o->lib, o->json); });

    auto* extract = lib->add_subcommand("extract", "Write the entries' patches as SysEx messages");
    extract->add_option("LIB", o->lib, "The library file")->required();
    extract->add_option("--entries", o->entries, "Entry indices, e.g. 0,4-6")->required();
    extract->add_option("-o,--output", o->out, "The SysEx file to write")->required();
    extract->callback([o] { Extract(o->lib, o->entries, o->out); });

    auto* keys = lib->add_subcommand("keys", "The key groups and keys, and how many entries use each");
    keys->add_option("LIB", o->lib, "The library file")->required();
    keys->add_flag("--json", o->json, "Print JSON");
    keys->callback([o] { Keys(o->lib, o->json); });
}

}  // namespace cli
