#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>
#include <regex>

#include "File.h"
#include "LibraryDocument.h"
#include "LibraryEngine.h"
#include "LibraryCommands.h"
#include "LibraryFile.h"
#include "LibraryImport.h"
#include "SynthMemory.h"
#include "LibraryTestPatch.h"
#include "TestSupport.h"
#include "Ui.h"

using namespace tonalith::test;
namespace fs = std::filesystem;

namespace {

std::unique_ptr<CPatch> MakePatch(const GUID& type, const std::string& name, std::uint8_t fill) {
    auto patch = CreateTestPatch(type);
    std::fill(patch->Data().begin(), patch->Data().end(), fill);
    patch->SetName(name);
    return patch;
}

std::vector<std::uint8_t> Record(const CLibraryPatch& entry) {
    CMemFile file;
    entry.Save(file);
    return file.Detach();
}

// A library file of three entries of different sizes.
std::vector<std::uint8_t> SampleFile() {
    CLibrary library;
    library.Add(*MakePatch(kKorgProgramType, "Strings", 0x11));
    library.Add(*MakePatch(kTinyType, "Tiny", 0x22));
    library.Add(*MakePatch(kJvPatchType, "Brass", 0x33));
    library.Get(1).Set("Tiny", nullptr, "a comment", "01.02.2003 04:05");
    CMemFile file;
    LibraryFile::Write(file, library);
    return file.Detach();
}

CLibraryDocument MakeDocument() { return CLibraryDocument(CLibraryKeyNames(), TestCreator()); }

}  // namespace

TEST(LibraryPatch, NewEntryRecordAndSharing) {
    const auto patch = MakePatch(kKorgProgramType, "Strings", 7);
    CLibraryPatch entry(*patch);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(entry.Key(i), 1);
    EXPECT_EQ(entry.Comment(), "");
    EXPECT_TRUE(std::regex_match(entry.Date(), std::regex(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d)"))) << entry.Date();
    EXPECT_EQ(entry.Date(), CLibraryPatch::Now().substr(0, 10) + entry.Date().substr(10));

    EXPECT_EQ(entry.GetPatchSize(), 277);
    const auto bytes = Record(entry);
    ASSERT_EQ(bytes.size(), 293u);
    const auto guid = kKorgProgramType.ToBytes();
    EXPECT_TRUE(std::equal(guid.begin(), guid.end(), bytes.begin()));
    EXPECT_EQ(bytes[0], 0x12);  // Data1 little-endian
    EXPECT_EQ(bytes[16], 1);
    EXPECT_EQ(bytes[24], 0);  // empty comment
    EXPECT_EQ(bytes[104 + 2], '.');
    EXPECT_EQ(bytes[120], 0);  // date NUL
    EXPECT_EQ(bytes[121], 'S');  // patch data

    CLibraryPatch copy(entry);
    EXPECT_EQ(copy.GetPatch(), entry.GetPatch());
    auto clone = entry.Clone();
    EXPECT_NE(clone->GetPatch(), entry.GetPatch());
    EXPECT_EQ(Record(*clone), bytes);
    copy = CLibraryPatch();  // dropping one sharer leaves the other's patch alive
    EXPECT_EQ(entry.Name(), "Strings");
}

TEST(LibraryPatch, SetKeepsMetadataAndCutsLongText) {
    CLibrary library;
    library.Add(*MakePatch(kTinyType, "One", 1));
    const std::uint8_t keys[8] = {17, 2, 3, 4, 5, 6, 7, 8};
    library.Get(0).Set("One", keys, "kept", "24.12.2020 18:00");
    library.Set(0, *MakePatch(kTinyType, "Two", 2));
    EXPECT_EQ(library.Get(0).Name(), "Two");
    EXPECT_EQ(library.Get(0).Key(0), 17);
    EXPECT_EQ(library.Get(0).Comment(), "kept");
    EXPECT_EQ(library.Get(0).Date(), "24.12.2020 18:00");

    library.Get(0).Set("Two", nullptr, std::string(200, 'c'), std::string(40, '9'));
    EXPECT_EQ(library.Get(0).Comment(), std::string(79, 'c'));
    EXPECT_EQ(library.Get(0).Date(), std::string(16, '9'));
    EXPECT_EQ(library.Get(0).Key(0), 1);
    const auto bytes = Record(library.Get(0));
    EXPECT_EQ(bytes[24 + 79], 0);
    EXPECT_EQ(bytes[104 + 16], 0);
}

TEST(LibraryPatch, UnterminatedTextFromAFileStaysInsideItsBuffer) {
    auto bytes = Record(CLibraryPatch(*MakePatch(kTinyType, "X", 0)));
    std::fill(bytes.begin() + 24, bytes.begin() + 121, 'z');  // comment and date without NUL
    CMemFile file(bytes, "x.clb");
    CLibraryPatch entry;
    ASSERT_TRUE(entry.Load(file, TestCreator()));
    EXPECT_EQ(entry.Comment(), std::string(79, 'z'));
    EXPECT_EQ(entry.Date(), std::string(16, 'z'));
    EXPECT_EQ(Record(entry), bytes);  // written back as read
}

TEST(Library, RemoveTakesIndicesInAnyOrder) {
    CLibrary library;
    for (int i = 0; i < 6; ++i) library.Add(*MakePatch(kTinyType, std::to_string(i), 0));
    const int indices[] = {4, 1, 4, 9, 2};
    const auto removed = library.Remove(5, indices);
    ASSERT_EQ(removed.size(), 3u);
    EXPECT_EQ(removed[0]->Name(), "4");
    EXPECT_EQ(removed[1]->Name(), "1");
    EXPECT_EQ(removed[2]->Name(), "2");
    ASSERT_EQ(library.GetSize(), 3);
    EXPECT_EQ(library.Get(0).Name(), "0");
    EXPECT_EQ(library.Get(1).Name(), "3");
    EXPECT_EQ(library.Get(2).Name(), "5");
}

TEST(LibraryFile, EmptyLibraryAndMagic) {
    CScopedScriptedUi ui;
    const fs::path dir = TempDir();
    CLibraryDocument empty = MakeDocument();
    ASSERT_TRUE(empty.OnSaveDocument((dir / "empty.clb").string()));
    EXPECT_EQ(ReadFile(dir / "empty.clb"),
              std::vector<std::uint8_t>(LibraryFile::kMagic.begin(), LibraryFile::kMagic.end()));
    CLibraryDocument reopened = MakeDocument();
    ASSERT_TRUE(reopened.OnOpenDocument((dir / "empty.clb").string()));
    EXPECT_EQ(reopened.GetLibrary().GetSize(), 0);

    // Any other first eight bytes, even the magic in lower case, are the older format.
    auto bytes = SampleFile();
    bytes[0] = 't';
    WriteFile(dir / "lower.clb", bytes);
    CLibraryDocument lower = MakeDocument();
    EXPECT_FALSE(lower.OnOpenDocument((dir / "lower.clb").string()));
    EXPECT_EQ(lower.GetLibrary().GetSize(), 0);
    ASSERT_FALSE(ui->messages.empty());
    EXPECT_EQ(ui->messages.front(), LibraryTexts::kOldFormat);
}

TEST(LibraryFile, SavesInIndexOrderWhateverTheViewShows) {
    CScopedScriptedUi ui;
    const fs::path path = TempDir() / "order.clb";
    WriteFile(path, SampleFile());
    CLibraryDocument doc = MakeDocument();
    ASSERT_TRUE(doc.OnOpenDocument(path.string()));
    ASSERT_EQ(doc.GetLibrary().GetSize(), 3);
    std::vector<int> rows{0, 1, 2};
    LibraryEngine::SortRows(rows, doc.GetLibrary(), LibraryEngine::COLUMN_NAME, doc.GetKeyNames());
    EXPECT_EQ(rows, (std::vector<int>{2, 0, 1}));
    ASSERT_TRUE(doc.OnSaveDocument(path.string()));
    EXPECT_EQ(ReadFile(path), SampleFile());
    EXPECT_TRUE(ui->messages.empty());
}

TEST(LibraryFile, UnknownTypeIsKeptWrittenBackAndReported) {
    CScopedScriptedUi ui;
    auto bytes = SampleFile();
    // Put a record of a type nobody knows in the middle: everything from it on is kept.
    const std::size_t second = 8 + 16 + 105 + 172;
    auto unknown = kUnknownType.ToBytes();
    std::copy(unknown.begin(), unknown.end(), bytes.begin() + static_cast<std::ptrdiff_t>(second));
    const fs::path path = TempDir() / "unknown.clb";
    WriteFile(path, bytes);

    CLibraryDocument doc = MakeDocument();
    ASSERT_TRUE(doc.OnOpenDocument(path.string()));
    EXPECT_EQ(doc.GetLibrary().GetSize(), 1);
    EXPECT_EQ(doc.GetUnreadTail().size(), bytes.size() - second);
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_NE(ui->messages[0].find(std::to_string(bytes.size() - second) + " bytes"), std::string::npos);
    EXPECT_NE(ui->messages[0].find(kUnknownType.ToString()), std::string::npos);

    ASSERT_TRUE(doc.OnSaveDocument(path.string()));
    EXPECT_EQ(ReadFile(path), bytes);

    // A new entry goes before the kept rest, so it is read back in front of it.
    doc.GetLibrary().Add(*MakePatch(kTinyType, "New", 5));
    ASSERT_TRUE(doc.OnSaveDocument(path.string()));
    CLibraryDocument again = MakeDocument();
    ASSERT_TRUE(again.OnOpenDocument(path.string()));
    EXPECT_EQ(again.GetLibrary().GetSize(), 2);
    EXPECT_EQ(again.GetLibrary().Get(1).Name(), "New");
    EXPECT_EQ(again.GetUnreadTail(), doc.GetUnreadTail());
}

// Every prefix and random damage: no crash, every whole record before the
// damage is read, and saving gives the input back unchanged.
TEST(LibraryFile, DamagedFilesLoseNothing) {
    CScopedScriptedUi ui;
    const fs::path dir = TempDir();
    const auto full = SampleFile();
    const std::size_t ends[] = {8, 8 + 293, 8 + 293 + 133, full.size()};
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        // First prefixes spread over the file, the record ends among them; then damage.
        std::size_t length = 8 + static_cast<std::size_t>(round % 100) * (full.size() - 8) / 99;
        if (round < 4) length = ends[round];
        std::vector<std::uint8_t> bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
        if (round >= 100 && bytes.size() > 8)
            for (int k = 0; k < 4; ++k)
                bytes[8 + random() % (bytes.size() - 8)] ^= static_cast<std::uint8_t>(random() | 1);
        const fs::path path = dir / "damaged.clb";
        WriteFile(path, bytes);
        CLibraryDocument doc = MakeDocument();
        if (!doc.OnOpenDocument(path.string())) continue;  // the magic itself was hit
        if (round < 100) {
            const int whole = static_cast<int>(
                std::count_if(std::begin(ends) + 1, std::end(ends), [&](std::size_t e) { return e <= bytes.size(); }));
            EXPECT_EQ(doc.GetLibrary().GetSize(), whole) << bytes.size();
        }
        ASSERT_TRUE(doc.OnSaveDocument(path.string()));
        EXPECT_EQ(ReadFile(path), bytes) << round;
    }
}

TEST(LibraryFile, SaveFailureKeepsTheDocumentModified) {
    CScopedScriptedUi ui;
    CLibraryDocument doc = MakeDocument();
    doc.GetLibrary().Add(*MakePatch(kTinyType, "A", 1));
    doc.SetModifiedFlag(true);
    EXPECT_FALSE(doc.OnSaveDocument((TempDir() / "missing" / "x.clb").string()));
    EXPECT_TRUE(doc.IsModified());
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].rfind("Error while creating library file: ", 0), 0u);

    const std::string chosen = (TempDir() / "chosen.clb").string();
    ui->files.push_back(chosen);
    EXPECT_TRUE(doc.OnSaveDocument(""));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), chosen);
}

TEST(LibraryFile, OlderFormatIsConvertedByTheFirstDataByte) {
    CScopedScriptedUi ui;
    const fs::path dir = TempDir();
    for (const bool jv : {true, false}) {
        const GUID type = jv ? kJvPatchType : kKorgProgramType;
        const int size = jv ? 645 : 172;
        std::vector<std::uint8_t> old;
        for (int r = 0; r < 3; ++r) {
            std::vector<std::uint8_t> header(105, static_cast<std::uint8_t>(r + 1));
            std::vector<std::uint8_t> data(static_cast<std::size_t>(size), static_cast<std::uint8_t>(0x40 + r));
            data[0] = r == 0 && jv ? 0xF0 : 0x41;  // only the first record decides
            old.insert(old.end(), header.begin(), header.end());
            old.insert(old.end(), data.begin(), data.end());
        }
        old.insert(old.end(), 50, 0x7F);  // an incomplete last record
        WriteFile(dir / "old.clb", old);
        ui->files.push_back((dir / "new.clb").string());
        ui->messages.clear();

        CLibraryDocument doc = MakeDocument();
        EXPECT_FALSE(doc.OnOpenDocument((dir / "old.clb").string()));
        ASSERT_EQ(ui->messages.size(), 2u);
        EXPECT_EQ(ui->messages[1].rfind(LibraryTexts::kConverted, 0), 0u);
        EXPECT_NE(ui->messages[1].find("50 bytes"), std::string::npos);

        CLibraryDocument converted = MakeDocument();
        ASSERT_TRUE(converted.OnOpenDocument((dir / "new.clb").string()));
        ASSERT_EQ(converted.GetLibrary().GetSize(), 3);
        for (int r = 0; r < 3; ++r) {
            EXPECT_EQ(converted.GetLibrary().GetPatch(r)->GetPatchType(), type);
            EXPECT_EQ(converted.GetLibrary().Get(r).Key(0), r + 1);
        }
        EXPECT_EQ(fs::file_size(dir / "new.clb"), 8u + 3u * (16 + 105 + static_cast<unsigned>(size)));
    }

    // Too short for one record: an open error, and no file name is asked for.
    WriteFile(dir / "short.clb", std::vector<std::uint8_t>(105, 1));
    ui->messages.clear();
    ui->files.push_back((dir / "never.clb").string());
    CLibraryDocument doc = MakeDocument();
    EXPECT_FALSE(doc.OnOpenDocument((dir / "short.clb").string()));
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].rfind("Error while opening library file: ", 0), 0u);
    EXPECT_FALSE(fs::exists(dir / "never.clb"));
}

TEST(LibraryFile, DragPayloadRoundTripAndBadCounts) {
    CLibraryPatch a(*MakePatch(kKorgProgramType, "A", 1));
    CLibraryPatch b(*MakePatch(kTinyType, "B", 2));
    const CLibraryPatch* entries[] = {&a, &b};
    auto bytes = LibraryFile::WritePayload(entries);
    ASSERT_EQ(bytes.size(), 4u + 293u + 133u);
    EXPECT_EQ(bytes[0], 2);
    auto payload = LibraryFile::ReadPayload(bytes, TestCreator());
    ASSERT_EQ(payload.entries.size(), 2u);
    EXPECT_TRUE(payload.complete);
    EXPECT_EQ(payload.entries[1]->Name(), "B");

    bytes[0] = 0xFF;
    bytes[3] = 0x7F;  // promises 2^31 - 1 records
    payload = LibraryFile::ReadPayload(bytes, TestCreator());
    EXPECT_EQ(payload.entries.size(), 2u);
    EXPECT_FALSE(payload.complete);
    bytes[3] = 0xFF;  // negative
    EXPECT_TRUE(LibraryFile::ReadPayload(bytes, TestCreator()).entries.empty());
    EXPECT_TRUE(LibraryFile::ReadPayload(std::span(bytes).first(3), TestCreator()).entries.empty());
}

// Opening keeps each patch in the file's bytes: names, texts and saving work
// without making the patches, and a patch made later is the one the record holds.
TEST(LibraryFile, OpenedEntriesMakeTheirPatchWhenFirstNeeded) {
    CScopedScriptedUi ui;
    const auto bytes = SampleFile();
    const fs::path path = TempDir() / "deferred.clb";
    WriteFile(path, bytes);
    CLibraryDocument doc = MakeDocument();
    ASSERT_TRUE(doc.OnOpenDocument(path.string()));
    CLibrary& library = doc.GetLibrary();
    ASSERT_EQ(library.GetSize(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(library.Get(i).IsDeferred());
    EXPECT_EQ(library.Get(0).Name(), "Strings");
    EXPECT_EQ(library.Get(1).Comment(), "a comment");
    EXPECT_EQ(library.Get(1).Date(), "01.02.2003 04:05");
    EXPECT_EQ(library.Get(2).GetPatchSize(), 105 + 645);

    // A key change on an entry still in the file's bytes is saved, the rest byte for byte.
    library.Get(0).SetKey(3, 42);
    ASSERT_TRUE(doc.OnSaveDocument(path.string()));
    auto expected = bytes;
    expected[8 + 16 + 3] = 42;
    EXPECT_EQ(ReadFile(path), expected);
    EXPECT_TRUE(library.Get(0).IsDeferred());

    // Made on demand, from the same bytes; copies share it.
    const CLibraryPatch copy(library.Get(2));
    EXPECT_FALSE(library.Get(2).IsDeferred());
    EXPECT_EQ(copy.GetPatch(), library.Get(2).GetPatch());
    EXPECT_TRUE(std::all_of(copy.Patch().Data().begin() + 10, copy.Patch().Data().end(),
                            [](std::uint8_t b) { return b == 0x33; }));
    EXPECT_EQ(copy.Name(), "Brass");

    // Renaming and new texts on entries still deferred; a clone is independent.
    library.Get(1).Set("Renamed", library.Get(1).Keys().data(), "new comment", library.Get(1).Date());
    EXPECT_EQ(library.Get(1).Name(), "Renamed");
    EXPECT_EQ(library.Get(1).Date(), "01.02.2003 04:05");
    auto clone = library.Get(0).Clone();
    EXPECT_EQ(clone->Key(3), 42);
    EXPECT_NE(clone->GetPatch(), library.Get(0).GetPatch());

    // Entries outlive the document that read them.
    std::unique_ptr<CLibraryPatch> kept;
    {
        CLibraryDocument other = MakeDocument();
        ASSERT_TRUE(other.OnOpenDocument(path.string()));
        kept = std::move(other.GetLibrary().Remove(std::vector<int>{2}).front());
    }
    EXPECT_TRUE(kept->IsDeferred());
    EXPECT_EQ(Record(*kept), std::vector<std::uint8_t>(bytes.begin() + 8 + 293 + 133, bytes.end()));
    EXPECT_EQ(kept->Name(), "Brass");
}

// Two threads asking for the same entries' patches get one patch each entry.
TEST(LibraryFile, DeferredPatchesAreMadeOnceAcrossThreads) {
    CScopedScriptedUi ui;
    CLibrary source;
    for (int i = 0; i < 200; ++i)
        source.Add(*MakePatch(kTinyType, "P" + std::to_string(i), static_cast<std::uint8_t>(i)));
    const fs::path path = TempDir() / "threads.clb";
    CMemFile file;
    LibraryFile::Write(file, source);
    WriteFile(path, file.Data());
    CLibraryDocument doc = MakeDocument();
    ASSERT_TRUE(doc.OnOpenDocument(path.string()));
    std::vector<CPatch*> seen(200);
    std::thread other([&] {
        for (int i = 0; i < 200; ++i) seen[static_cast<std::size_t>(i)] = doc.GetLibrary().GetPatch(i);
    });
    for (int i = 199; i >= 0; --i) EXPECT_NE(doc.GetLibrary().GetPatch(i), nullptr);
    other.join();
    for (int i = 0; i < 200; ++i) EXPECT_EQ(seen[static_cast<std::size_t>(i)], doc.GetLibrary().GetPatch(i));
}

// An import is one command: undo takes every imported entry out, redo puts them back.
TEST(LibraryImport, OneCommandForTheWholeImport) {
    CLibrary library;
    library.Add(*MakePatch(kTinyType, "Old", 1));
    std::vector<std::unique_ptr<CLibraryPatch>> entries;
    for (int i = 0; i < 3; ++i)
        entries.push_back(std::make_unique<CLibraryPatch>(*MakePatch(kTinyType, "N" + std::to_string(i), 2)));
    CImportCommand command(library, nullptr, std::move(entries));
    EXPECT_EQ(command.GetText(), "Import Files");
    command.Execute();
    ASSERT_EQ(library.GetSize(), 4);
    EXPECT_EQ(command.GetIndices(), (std::vector<int>{1, 2, 3}));
    command.Undo();
    ASSERT_EQ(library.GetSize(), 1);
    EXPECT_EQ(library.Get(0).Name(), "Old");
    command.Execute();
    ASSERT_EQ(library.GetSize(), 4);
    EXPECT_EQ(library.Get(3).Name(), "N2");
}

TEST(LibraryImport, CollectsFilesByNameAndNamesWhatIsMissing) {
    const fs::path dir = TempDir();
    fs::create_directories(dir / "in" / "sub");
    for (const char* name : {"in/b.syx", "in/a.syx", "in/sub/c.syx", "single.syx"}) WriteFile(dir / name, {0xF0, 0xF7});
    std::vector<std::string> problems;
    const std::vector<std::string> paths{(dir / "single.syx").string(), (dir / "in").string(), (dir / "gone").string()};
    EXPECT_EQ(LibraryImport::CollectFiles(paths, false, problems),
              (std::vector<std::string>{(dir / "single.syx").string(), (dir / "in" / "a.syx").string(),
                                        (dir / "in" / "b.syx").string()}));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("gone"), std::string::npos);
    problems.clear();
    EXPECT_EQ(LibraryImport::CollectFiles(paths, true, problems).size(), 4u);

    // A reader that cannot read a file: a line naming it, the rest imported; cancelling adds nothing.
    const LibraryImport::MemoryReader none = [](const std::string& path) -> std::unique_ptr<CSynthMemory> {
        if (path.find("a.syx") != std::string::npos) throw CFileException(CFileException::accessDenied, path);
        return nullptr;
    };
    CLibrary library;
    const std::vector<std::string> files{(dir / "in" / "a.syx").string(), (dir / "in" / "b.syx").string()};
    auto result = LibraryImport::Import(library, files, {}, none);
    EXPECT_EQ(result.filesSkipped, 2);
    ASSERT_EQ(result.lines.size(), 2u);
    EXPECT_NE(result.lines[0].find("a.syx"), std::string::npos);
    EXPECT_NE(result.lines[1].find("b.syx\": no plug-in reads this file"), std::string::npos);
    EXPECT_EQ(LibraryImport::Summary(result), "0 patches imported from 0 files, 2 files skipped");
    result = LibraryImport::Import(library, files, {}, none,
                                   [](std::size_t done, std::size_t, const std::string&) { return done < 1; });
    EXPECT_TRUE(result.cancelled);
    EXPECT_TRUE(result.entries.empty());
}
