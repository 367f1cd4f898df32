// Library records of the real JV patch type (built only with the JV plug-in's model).
#include <gtest/gtest.h>

#include "DuplicateSearch.h"
#include "File.h"
#include "LibraryFile.h"
#include "amberkit/JVRecords.h"

using amberkit::CJVPatch;

TEST(LibraryWithJv, RecordsRoundTripAndDuplicatesAreFound) {
    const PatchCreator create = [](const GUID& type) -> std::unique_ptr<CPatch> {
        if (type == CJVPatch().GetPatchType()) return std::make_unique<CJVPatch>();
        return nullptr;
    };
    CJVPatch patch;
    patch.SetName("Warm Strings");
    CLibrary library;
    library.Add(patch);
    library.Add(patch);
    patch.SetName("Other Name");  // a different name alone does not make another sound
    library.Add(patch);
    EXPECT_EQ(library.Get(0).GetPatchSize(), 105 + patch.GetPatchSize(false));

    CMemFile file;
    LibraryFile::Write(file, library);
    EXPECT_EQ(file.GetLength(), 8u + 3u * (16u + 105u + static_cast<unsigned>(patch.GetPatchSize(false))));
    CLibrary read;
    file.Seek(8, CFile::begin);
    const auto result = LibraryFile::ReadRecords(file, read, create);
    ASSERT_EQ(result.entries, 3);
    EXPECT_TRUE(result.tail.empty());
    EXPECT_EQ(read.Get(0).Name(), library.Get(0).Name());
    EXPECT_EQ(DuplicateSearch::Find(read), DuplicateSearch::FindAllPairs(read));
    EXPECT_FALSE(DuplicateSearch::Find(read).empty());
}
