// Receive All's folder and file names and its remembered selection.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "TransferNames.h"

using namespace transfer;

TEST(TransferNames, DatedFolderSkipsTheExistingOnes)
{
    const SDate day{6, 12, 2026};
    std::set<std::string> present;
    auto exists = [&](const std::string& p) { return present.count(p) > 0; };
    EXPECT_EQ(DatedFolder("/dumps", day, exists), "/dumps/6.12.2026");
    present = {"/dumps/6.12.2026", "/dumps/6.12.2026-1"};
    EXPECT_EQ(DatedFolder("/dumps/", day, exists), "/dumps/6.12.2026-2");
    // A file system that says everything exists gives up instead of looping.
    EXPECT_EQ(DatedFolder("/dumps", day, [](const std::string&) { return true; }), "");
}

TEST(TransferNames, DumpFileNameStaysInsideTheFolder)
{
    EXPECT_EQ(DumpFileName(0, "Programs"), "1 - Programs.syx");
    EXPECT_EQ(DumpFileName(1, "../User/Bank"), "2 - .._User_Bank.syx");
    EXPECT_EQ(DumpFileName(2, ".."), "3 - Dump.syx");
}

TEST(TransferNames, RememberedSelectionRoundTripsAndEndsAtTheFirstEmpty)
{
    std::map<std::string, std::string> keys{{"RECEIVE_ALL0", "old0"}, {"RECEIVE_ALL1", "old1"},
                                            {"RECEIVE_ALL2", "old2"}};
    auto get = [&](const std::string& k) { return keys.count(k) ? keys[k] : std::string(); };
    auto set = [&](const std::string& k, const std::string& v) { keys[k] = v; };
    WriteRememberedSelection({"JV/User", "", "Korg/Programs"}, set);
    EXPECT_EQ(ReadRememberedSelection(get), (std::vector<std::string>{"JV/User", "Korg/Programs"}));
    EXPECT_EQ(keys["RECEIVE_ALL2"], "");
}

TEST(TransferNames, IncompleteTextOnlyWhenShort)
{
    EXPECT_EQ(IncompleteText(100, 200), "incomplete: 100 of 200 bytes");
    EXPECT_EQ(IncompleteText(200, 200), "");
    EXPECT_EQ(IncompleteText(5, 0), "");
}

#include "Synth.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"

TEST(TransferNames, ReceiveListsKeepTheGenericMemoryOutOfManual)
{
    CSynthMemoryFactory::SetSearchPath({TEST_PLUGIN_DIR});
    CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
    CSynth* synth = factory.GetGenericMemory().GetSynth();
    ASSERT_NE(synth, nullptr);
    const int before = synth->GetDumpCommandsCount();
    synth->AddDumpCommand({"ByRequest", "F0 41 10 F7", 10, 0, 0, 1024, 64, 0});
    synth->AddDumpCommand({"ByHand", "", 0, 0, 0, 1024, 64, 0});

    const SReceiveLists one = BuildReceiveLists(factory, false, {});
    auto has = [](const std::vector<SReceiveEntry>& list, const std::string& name) {
        return std::any_of(list.begin(), list.end(), [&](const SReceiveEntry& e) { return e.name == name; });
    };
    EXPECT_TRUE(has(one.automatic, "ByRequest"));
    EXPECT_TRUE(has(one.manual, "ByHand"));
    EXPECT_FALSE(has(one.manual, factory.GetGenericMemory().GetName()));

    const SReceiveLists all = BuildReceiveLists(factory, true, {"ByRequest", "Gone"});
    EXPECT_TRUE(has(all.manual, "ByRequest"));
    EXPECT_FALSE(has(all.automatic, "ByRequest"));
    EXPECT_FALSE(has(all.manual, "ByHand"));
    EXPECT_FALSE(has(all.automatic, "ByHand"));
    EXPECT_FALSE(has(all.manual, "Gone"));

    synth->RemoveDumpCommand(before + 1);
    synth->RemoveDumpCommand(before);
}
