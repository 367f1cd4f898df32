#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <random>

#include "Document.h"
#include "DuplicateSearch.h"
#include "LibraryCommands.h"
#include "LibraryEngine.h"
#include "LibraryKeys.h"
#include "LibraryTestPatch.h"

using namespace tonalith::test;
using namespace LibraryEngine;

namespace {

std::unique_ptr<CLibraryPatch> Entry(const std::string& name, std::initializer_list<std::uint8_t> keys = {},
                                     const std::string& date = "01.01.2000 00:00", const GUID& type = kTinyType) {
    auto patch = CreateTestPatch(type);
    patch->SetName(name);
    auto entry = std::make_unique<CLibraryPatch>(*patch);
    std::array<std::uint8_t, 8> bytes;
    bytes.fill(1);
    std::copy(keys.begin(), keys.end(), bytes.begin());
    entry->Set(name, bytes.data(), "", date);
    return entry;
}

std::vector<std::string> Names(const CLibrary& library) {
    std::vector<std::string> names;
    for (int i = 0; i < library.GetSize(); ++i) names.push_back(library.Get(i).Name());
    return names;
}

CLibraryKeyNames Keys() {
    CLibraryKeyNames names;
    names.Set(1, CLibraryKeyNames::kNoSelection);
    names.Set(CLibraryKeyNames::KeyByte(1, 0), "Banjo");
    names.Set(CLibraryKeyNames::KeyByte(2, 0), "Synth. Pad");
    names.Set(CLibraryKeyNames::KeyByte(2, 1), "Synth. Solo");
    return names;
}

}  // namespace

TEST(LibraryFilter, AndBindsTighterThanOr) {
    using F = CSearchFilter;
    for (int bits = 0; bits < 32; ++bits) {
        const std::array<bool, 5> v{bool(bits & 1), bool(bits & 2), bool(bits & 4), bool(bits & 8), bool(bits & 16)};
        // name, A AND B OR C AND D
        EXPECT_EQ(F::Evaluate(v, {F::AND, F::OR, F::AND, F::END}), (v[0] && v[1]) || (v[2] && v[3])) << bits;
        EXPECT_EQ(F::Evaluate(v, {F::OR, F::AND, F::OR, F::AND_NOT}), v[0] || (v[1] && v[2]) || (v[3] && !v[4]))
            << bits;
        EXPECT_EQ(F::Evaluate(v, {F::OR_NOT, F::END, F::AND, F::AND}), v[0] || !v[1]) << bits;
        EXPECT_EQ(F::Evaluate(v, {F::END, F::AND, F::AND, F::AND}), v[0]) << bits;
    }

    CLibrary library;
    library.Add(Entry("Warm Pad", {0x11}));
    library.Add(Entry("Lead", {0x21, 0x22}));
    library.Add(Entry("pad two", {0x22}));
    CSearchFilter filter;
    EXPECT_EQ(FilterRows(library, filter), (std::vector<int>{0, 1, 2}));
    filter.ops = {F::AND, F::END, F::END, F::END};
    filter.keys = {0x22};
    EXPECT_EQ(FilterRows(library, filter), (std::vector<int>{1, 2}));
    filter.name = "PAD";  // PAD AND key 0x22
    EXPECT_EQ(FilterRows(library, filter), (std::vector<int>{2}));
    filter.name = "";  // "" OR NOT key 0x21: true for everything
    filter.ops = {F::OR_NOT};
    filter.keys = {0x21};
    EXPECT_EQ(FilterRows(library, filter), (std::vector<int>{0, 1, 2}));
    filter.name = "xyz";  // no name match OR NOT 0x21: the entries without key 0x21
    EXPECT_EQ(FilterRows(library, filter), (std::vector<int>{0, 2}));
}

TEST(LibraryFilter, Description) {
    const CLibraryKeyNames names = Keys();
    CSearchFilter filter;
    EXPECT_EQ(filter.StatusText(names), "Applied Search Filter: None");
    filter.name = "pad";
    filter.ops = {CSearchFilter::AND, CSearchFilter::OR_NOT, CSearchFilter::END, CSearchFilter::END};
    filter.keys = {CLibraryKeyNames::KeyByte(1, 0), CLibraryKeyNames::KeyByte(2, 1)};
    EXPECT_EQ(filter.Describe(names), "\"pad AND Banjo OR NOT Synth. Solo\"");
    filter.name.clear();
    filter.ops = {CSearchFilter::OR};
    EXPECT_EQ(filter.Describe(names), "\" OR Banjo\"");
    // A key behind an END takes no part in the filter, so the text leaves it out.
    filter.name = "pad";
    filter.ops = {CSearchFilter::AND, CSearchFilter::END, CSearchFilter::OR, CSearchFilter::END};
    filter.keys = {CLibraryKeyNames::KeyByte(1, 0), 0, CLibraryKeyNames::KeyByte(2, 1)};
    EXPECT_EQ(filter.Describe(names), "\"pad AND Banjo\"");
}

TEST(LibrarySort, ColumnsCompareAsTheListShowsThem) {
    const CLibraryKeyNames names = Keys();
    CLibrary library;
    library.Add(Entry("b", {0x11}, "05.01.2024 10:00"));
    library.Add(Entry("a", {0x12}, "31.12.2023 23:59"));
    library.Add(Entry("B", {0x01}, "05.01.2024 09:30"));
    library.Add(Entry("c", {0x21}, "01.02.2024 00:00"));
    std::vector<int> rows{0, 1, 2, 3};
    SortRows(rows, library, COLUMN_DATE, names);
    EXPECT_EQ(rows, (std::vector<int>{1, 2, 0, 3}));
    SortRows(rows, library, COLUMN_NAME, names);  // case-sensitive: upper case first
    EXPECT_EQ(rows, (std::vector<int>{2, 1, 0, 3}));
    // "No Selection" is an empty cell and comes before every named key.
    EXPECT_EQ(GetCellText(library.Get(2), COLUMN_KEY1, names, {}), "");
    SortRows(rows, library, COLUMN_KEY1, names);
    EXPECT_EQ(rows.front(), 2);
    for (std::size_t i = 1; i < rows.size(); ++i)
        EXPECT_LE(CompareEntries(library.Get(rows[i - 1]), library.Get(rows[i]), COLUMN_KEY1, names), 0);

    EXPECT_EQ(GetCellText(library.Get(0), COLUMN_TYPE, names, {}), "<Unknown synth memory> tiny");
    EXPECT_EQ(GetCellText(library.Get(0), COLUMN_TYPE, names, [](const GUID&) { return std::string("Korg 01w"); }),
              "Korg 01w tiny");
    EXPECT_LT(CompareNoCase("tiny", "TINZ"), 0);
}

TEST(LibraryCommands, PasteDeleteEditPropertiesUndo) {
    CLibrary library;
    CDocument document;
    CCmdManager commands(&document);
    library.Add(Entry("Zero"));
    const auto paste = [&] {
        std::vector<std::unique_ptr<CLibraryPatch>> entries;
        entries.push_back(Entry("Same"));
        commands.Execute(std::make_unique<CLibraryPasteCommand>(library, &document, std::move(entries)));
    };
    paste();
    paste();
    EXPECT_EQ(Names(library), (std::vector<std::string>{"Zero", "Same", "Same"}));
    EXPECT_EQ(commands.GetUndoMenuText(), "Undo: Paste Patches\tCtrl+Z");
    commands.Undo();
    EXPECT_EQ(Names(library), (std::vector<std::string>{"Zero", "Same"}));
    commands.Redo();
    library.Add(Entry("Three"));
    library.Add(Entry("Four"));

    // Rows selected in view order, not library order: undo restores every position.
    commands.Execute(std::make_unique<CDeleteCommand>(library, &document, std::vector<int>{4, 1, 3}));
    EXPECT_EQ(Names(library), (std::vector<std::string>{"Zero", "Same"}));
    commands.Undo();
    EXPECT_EQ(Names(library), (std::vector<std::string>{"Zero", "Same", "Same", "Three", "Four"}));

    const std::uint8_t keys[8] = {0x31, 0x32, 1, 1, 1, 1, 1, 1};
    library.Get(3).Set("Three", keys, "note", "02.03.2004 05:06");
    auto edited = library.GetPatch(3)->Clone();
    edited->SetName("Renamed");
    auto edit = std::make_unique<CLibraryEditCommand>(library, &document, 3, *library.GetPatch(3), *edited);
    EXPECT_EQ(edit->GetText(), "Edit \"Three\"");
    commands.Execute(std::move(edit));
    EXPECT_EQ(library.Get(3).Name(), "Renamed");
    EXPECT_EQ(library.Get(3).Key(1), 0x32);
    EXPECT_EQ(library.Get(3).Comment(), "note");
    commands.Undo();
    EXPECT_EQ(library.Get(3).Name(), "Three");

    const std::array<std::uint8_t, 8> newKeys{0x41, 1, 1, 1, 1, 1, 1, 1};
    auto entry = CPropertiesCommand::MakeEntry(library.Get(3), std::nullopt, newKeys, "changed");
    commands.Execute(std::make_unique<CPropertiesCommand>(library, &document, 3, library.Get(3), *entry));
    EXPECT_EQ(library.Get(3).Key(0), 0x41);
    EXPECT_EQ(library.Get(3).Date(), "02.03.2004 05:06");
    commands.Undo();
    EXPECT_EQ(library.Get(3).Comment(), "note");
    EXPECT_EQ(commands.GetRedoText(), "Edit Properties");

    int column = 0;
    CSortCommand sort([&](int c) { column = c; }, COLUMN_DATE, COLUMN_NAME);
    sort.Execute();
    EXPECT_EQ(column, COLUMN_DATE);
    sort.Undo();
    EXPECT_EQ(column, COLUMN_NAME);
}

TEST(LibraryDuplicates, SameResultAsComparingEveryPair) {
    const GUID types[] = {kJvPatchType, kKorgProgramType, kTinyType, kNoCompareType};
    for (unsigned trial = 1; trial <= 12; ++trial) {
        std::mt19937 random(trial);
        CLibrary library;
        const int n = 50 + static_cast<int>(random() % 200);
        for (int i = 0; i < n; ++i) {
            auto patch = CreateTestPatch(types[random() % 4]);
            // Few distinct sounds, so equal data across types and within a type is common.
            std::fill(patch->Data().begin(), patch->Data().end(), static_cast<std::uint8_t>(random() % 6));
            if (random() % 3 == 0) patch->Data().back() ^= 0x80;
            patch->SetName("P" + std::to_string(i) + "  ");
            library.Add(*patch);
        }
        const auto expected = DuplicateSearch::FindAllPairs(library);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(DuplicateSearch::Find(library), expected) << "trial " << trial;
    }
    CLibrary library;
    library.Add(*CreateTestPatch(kTinyType));
    library.Add(*CreateTestPatch(kTinyType));
    EXPECT_EQ(DuplicateSearch::Find(library).at(0).text, "\"Init\" and \"Init\" are equal");
}

TEST(LibraryDuplicates, JobReportsAndStops) {
    CLibrary library;
    for (int i = 0; i < 3000; ++i) {
        auto patch = CreateTestPatch(kKorgProgramType);
        patch->Data()[20] = static_cast<std::uint8_t>(i % 1000);  // every sound three times
        patch->Data()[21] = static_cast<std::uint8_t>(i % 1000 >> 8);
        library.Add(*patch);
    }
    CDuplicateSearchJob job;
    std::vector<CDuplicatePair> found;
    int lastPercent = -1;
    std::promise<bool> done;
    job.Start(library, {[&](int p) {
                            EXPECT_GT(p, lastPercent);
                            lastPercent = p;
                        },
                        [&](const CDuplicatePair& pair) { found.push_back(pair); },
                        [&](bool completed) { done.set_value(completed); }});
    EXPECT_TRUE(done.get_future().get());
    job.Stop();
    EXPECT_EQ(lastPercent, 100);
    EXPECT_EQ(found.size(), 3000u);
    EXPECT_EQ(job.GetFoundIndices().size(), 3000u);
    EXPECT_EQ(found.front().first, 0);
    EXPECT_EQ(found.front().second, 1000);

    // Stopping at once: the job ends, reports no pairs and says it did not complete.
    for (int i = 0; i < 200000; ++i) library.Add(*CreateTestPatch(kTinyType));
    std::promise<bool> stopped;
    found.clear();
    job.Start(library, {{},
                        [&](const CDuplicatePair& pair) { found.push_back(pair); },
                        [&](bool completed) { stopped.set_value(completed); }});
    job.Stop();
    EXPECT_FALSE(job.IsRunning());
    EXPECT_FALSE(stopped.get_future().get());
    EXPECT_TRUE(found.empty());
}
