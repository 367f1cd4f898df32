#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "BasicConfig.h"
#include "File.h"
#include "FileX.h"
#include "Functions.h"
#include "TestSupport.h"

namespace fs = std::filesystem;
using tonalith::test::TempDir;

namespace {

std::string ReadText(const fs::path& path) {
    const auto bytes = tonalith::test::ReadFile(path);
    return {bytes.begin(), bytes.end()};
}

void WriteText(const fs::path& path, const std::string& text) {
    tonalith::test::WriteFile(path, {text.begin(), text.end()});
}

}  // namespace

TEST(BasicConfig, RoundTripKeepsUnknownKeysCommentsAndSections) {
    const std::string text =
        "; written by hand\r\n[OTHER]\r\nKEEP=me\r\n\r\n[SETUP]\r\n# a comment\r\nFONTSIZE=12\r\nodd line\r\n";
    const fs::path file = TempDir() / "a.ini";
    WriteText(file, text);
    {
        CBasicConfig config(file.string());
        EXPECT_EQ(config.GetInt("fontsize"), 12);  // keys ignore case
        EXPECT_EQ(config.GetString("KEEP", "none"), "none");  // other sections stay apart
        config.PutInt("FontSize", 12);
        EXPECT_FALSE(config.IsModified());  // same value: nothing to write
        config.PutInt("FONTSIZE", 14);
        config.PutString("NEWKEY", "  padded  ");
        EXPECT_TRUE(config.Save());
    }
    const std::string saved = ReadText(file);
    EXPECT_EQ(saved, "; written by hand\n[OTHER]\nKEEP=me\n\n[SETUP]\n# a comment\nFONTSIZE=14\nodd line\n"
                     "NEWKEY=\"  padded  \"\n");
    CBasicConfig again(file.string());
    EXPECT_EQ(again.GetString("newkey"), "  padded  ");
    EXPECT_TRUE(again.HasKey("FONTSIZE"));
}

TEST(BasicConfig, MissingSectionIsAppendedAndValuesStayOnOneLine) {
    CBasicConfig config("", "SETUP");
    config.ParseText("[OTHER]\nA=1");
    config.PutString("NAME", "two\nlines");
    config.PutBoolean("FLAG", true);
    EXPECT_EQ(config.ToText(), "[OTHER]\nA=1\n\n[SETUP]\nNAME=two lines\nFLAG=1\n");
    EXPECT_TRUE(config.GetBoolean("flag"));
    EXPECT_EQ(config.GetInt("NAME", 7), 7);
    EXPECT_THROW(config.PutString("BAD=KEY", "x"), std::invalid_argument);
}

TEST(BasicConfig, SurvivesArbitraryText) {
    CBasicConfig config("", "SETUP");
    std::string text = "\xEF\xBB\xBF[SETUP\n]\n[SETUP]\n=x\nK=\n";
    text += '\0';
    text += "\xff=1\nN=99999999999\n[";
    config.ParseText(text);
    EXPECT_EQ(config.GetString("K", "def"), "");
    EXPECT_EQ(config.GetInt("N", 5), 5);  // out of range: the default
    config.PutInt("K", 3);
    EXPECT_EQ(config.GetInt("K"), 3);
}

TEST(BasicConfig, ReadOnlyValuesAreUsedButNeverWritten) {
    const fs::path file = TempDir() / "ro.ini";
    WriteText(file, "[SETUP]\nA=1\n");
    CBasicConfig config(file.string());
    config.SetReadOnly(true);
    config.PutInt("A", 2);
    EXPECT_EQ(config.GetInt("A"), 2);
    EXPECT_TRUE(config.Save());
    EXPECT_EQ(ReadText(file), "[SETUP]\nA=1\n");
}

TEST(BasicConfig, WindowPlacementRoundTripAndGarbage) {
    CBasicConfig config("");
    EXPECT_FALSE(config.ReadWindowPlacement(0, "MAIN").valid);
    CWindowPlacement p;
    p.showCmd = 3;
    p.left = -8;
    p.top = 10;
    p.right = 1280;
    p.bottom = 1024;
    config.WriteWindowPlacement(p, 0, "MAIN");
    const CWindowPlacement back = config.ReadWindowPlacement(0, "main");
    EXPECT_TRUE(back.valid);
    EXPECT_EQ(back.showCmd, 3);
    EXPECT_EQ(back.left, -8);
    EXPECT_EQ(back.bottom, 1024);
    EXPECT_FALSE(config.ReadWindowPlacement(1, "MAIN").valid);
    config.ParseText("[SETUP]\nWIN_PLACEMENT_MAIN0=1,2,x,4,5\n");
    EXPECT_FALSE(config.ReadWindowPlacement(0, "MAIN").valid);
}

TEST(AtomicSave, FailingWriterLeavesOldFileAndNoTemporary) {
    const fs::path dir = TempDir();
    const fs::path file = dir / "keep.syx";
    WriteText(file, "old");
    ::chmod(file.c_str(), 0640);
    EXPECT_THROW(CFileX::SaveAtomically(file.string(),
                                        [](CFile& f) {
                                            f.Write("new", 3);
                                            throw CFileException(CFileException::diskFull, f.GetFilePath());
                                        }),
                 CFileException);
    try {
        CFileX::SaveAtomically(file.string(),
                               [](CFile& f) { throw CFileException(CFileException::diskFull, f.GetFilePath()); });
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_strFileName, file.string());  // the user's file, not the temporary one
    }
    EXPECT_THROW(CFileX::SaveAtomically(file.string(), [](CFile&) { throw std::runtime_error("writer bug"); }),
                 std::runtime_error);
    EXPECT_EQ(ReadText(file), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    CFileX::SaveAtomically(file.string(), [](CFile& f) { f.Write("new", 3); });
    EXPECT_EQ(ReadText(file), "new");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(AtomicSave, UnusableFolderReportsTheTargetAndConfigStaysModified) {
    // A folder that is really a file fails for every user, root included.
    const fs::path blocker = TempDir() / "not-a-folder";
    WriteText(blocker, "x");
    const fs::path file = blocker / "s.ini";
    try {
        CFileX::SaveAtomically(file.string(), [](CFile&) {});
        ADD_FAILURE() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_strFileName, file.string());
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    }
    CBasicConfig config(file.string());
    config.PutInt("A", 2);
    EXPECT_FALSE(config.Save());
    EXPECT_TRUE(config.IsModified());
    EXPECT_EQ(ReadText(blocker), "x");
}

TEST(FileX, ReadsWholeFilesAndNamesMissingOnes) {
    const fs::path file = TempDir() / "r.bin";
    tonalith::test::WriteFile(file, {1, 2, 3});
    EXPECT_EQ(CFileX::Read(file.string()), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_TRUE(CFileX::Exists(file.string()));
    EXPECT_THROW(CFileX::Read((file.parent_path() / "missing").string()), CFileException);
    EXPECT_EQ(CFileX::EnsureSlash("/a"), "/a/");
    EXPECT_EQ(CFileX::EnsureSlash("/a/"), "/a/");
}

TEST(Functions, ConfigPathFollowsXdgAndIsCreated) {
    const std::string path = CFunctions::GetConfigPath();
    EXPECT_EQ(path, std::string(std::getenv("XDG_CONFIG_HOME")) + "/tonalith/");
    EXPECT_TRUE(fs::is_directory(path));
    const std::string module = CFunctions::GetModulePath(reinterpret_cast<const void*>(&CFunctions::GetConfigPath));
    EXPECT_TRUE(fs::is_directory(module));
    EXPECT_EQ(module.back(), '/');
}
