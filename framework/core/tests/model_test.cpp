// The model as a plug-in sees it, exercised through the test plug-in loaded by the factory.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>
#include <fstream>

#include "BasicConfig.h"
#include "File.h"
#include "Functions.h"
#include "Patch.h"
#include "Synth.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "TestSupport.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr int kVoice = 0, kSet = 1;

class FactoryTest : public ::testing::Test {
protected:
    void SetUp() override { UseFolders({TEST_PLUGIN_DIR}); }
    void TearDown() override { CSynthMemoryFactory::Delete(); }

    static void UseFolders(std::vector<std::string> folders) {
        CSynthMemoryFactory::Delete();
        CSynthMemoryFactory::SetSearchPath(std::move(folders));
    }
    static CSynthMemoryFactory& Factory() { return CSynthMemoryFactory::Get(); }
    static std::unique_ptr<CSynthMemory> NewTestMemory() { return Factory().GetMemory(0).CreateMemory(); }

    // A voice bank message whose patch i is named "V<i>" and holds byte value i + salt.
    static Bytes VoiceBank(std::uint8_t salt = 0) {
        Bytes m{0xF0, 0x7D, 0x01, 0x10};
        for (int i = 0; i < 8; ++i) {
            Bytes data(16, static_cast<std::uint8_t>(i + salt));
            const std::string name = "V" + std::to_string(i) + "      ";
            std::copy_n(name.begin(), 8, data.begin());
            m.insert(m.end(), data.begin(), data.end());
        }
        m.push_back(0xF7);
        return m;
    }
    static Bytes SetBank(std::vector<std::pair<int, int>> refs) {
        Bytes m{0xF0, 0x7D, 0x01, 0x20};
        for (auto [a, b] : refs) {
            Bytes data(16, 0);
            data[8] = static_cast<std::uint8_t>(a);
            data[9] = static_cast<std::uint8_t>(b);
            m.insert(m.end(), data.begin(), data.end());
        }
        m.push_back(0xF7);
        return m;
    }
    static Bytes Concat(std::initializer_list<Bytes> parts) {
        Bytes all;
        for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    }
    static Bytes SaveLayer(CSynthMemory& memory, int layer) {
        CMemFile out;
        memory.GetLayer(layer).Save(out);
        return out.Data();
    }
};

TEST_F(FactoryTest, SynthMemoryInfoGivesTheSameRecordEveryTime) {
    void* handle = ::dlopen((fs::path(TEST_PLUGIN_DIR) / "TestSynth.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << ::dlerror();
    auto info = reinterpret_cast<CRuntimeClass* (*)(CRuntimeClass**)>(::dlsym(handle, "SynthMemoryInfo"));
    ASSERT_NE(info, nullptr);
    CRuntimeClass* first = nullptr;
    CRuntimeClass* second = nullptr;
    EXPECT_EQ(info(&first), first);
    EXPECT_EQ(info(&second), first);
    EXPECT_EQ(first, second);
    EXPECT_STREQ(first->m_lpszClassName, "CTestSynthMemory");
    EXPECT_EQ(first->m_wSchema, 0xFFFFu);
    ::dlclose(handle);
}

TEST_F(FactoryTest, LoadsThePluginAndKeepsTheGenericMemoryLast) {
    ASSERT_EQ(Factory().GetCount(), 2);
    EXPECT_EQ(Factory().GetMemory(0).GetName(), "Test Synth");
    EXPECT_TRUE(Factory().GetMemory(1).IsGeneric());
    EXPECT_EQ(Factory().GetMemory(1).GetName(), "Generic");
    EXPECT_EQ(Factory().GetMemory(1).GetLayer(0).GetName(), "SysEx Data");
    EXPECT_NE(Factory().GetDLLPathFromName("Test Synth").find("TestSynth.so"), std::string::npos);
    EXPECT_EQ(Factory().GetDLLPathFromName("Nothing"), "");
    EXPECT_EQ(Factory().GetPatchTemplates().size(), 3u);  // voice, set, generic
}

TEST_F(FactoryTest, RecognisesAFileBehindForeignBytesAndUnknownMessages) {
    const Bytes file = Concat({{'j', 'u', 'n', 'k'}, {0xF0, 0x43, 0x10, 0x00, 0xF7}, VoiceBank()});
    CMemFile in(file, "mixed.syx");
    in.Seek(2, CFile::begin);
    auto memory = Factory().CreateMatchingMemory(in);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(memory->GetName(), "Test Synth");
    EXPECT_EQ(in.GetPosition(), 2u);

    CMemFile unknown(Bytes{0xF0, 0x43, 0x10, 0x00, 0xF7, 0x00}, "yamaha.syx");
    EXPECT_EQ(Factory().CreateMatchingMemory(unknown), nullptr);
}

TEST_F(FactoryTest, AShortFileHasNoHeaderAndKeepsItsPosition) {
    CMemFile in(Bytes{0x00, 0xF0, 0x7D, 0x01}, "short.syx");
    in.Seek(1, CFile::begin);
    EXPECT_EQ(Factory().GetMemory(0).ReadHeader(in), nullptr);
    EXPECT_EQ(in.GetPosition(), 1u);
    EXPECT_EQ(Factory().GetMemory(0).GetMatchingLayer(in), -1);
    EXPECT_EQ(in.GetPosition(), 1u);
}

TEST_F(FactoryTest, CreatesPatchesByType) {
    const GUID voiceType = Factory().GetMemory(0).GetLayer(kVoice).GetPatch(0)->GetPatchType();
    auto patch = Factory().CreatePatch(voiceType);
    ASSERT_NE(patch, nullptr);
    EXPECT_EQ(patch->GetTypeName(), "Voice");
    EXPECT_EQ(patch->GetParentLayerCount(), 0);
    EXPECT_EQ(Factory().GetSynthMemoryfromPatchType(voiceType), &Factory().GetMemory(0));
    EXPECT_EQ(Factory().CreatePatch(GUID{1, 2, 3, {}}), nullptr);
    EXPECT_TRUE(Factory().GetSynthMemoryfromPatchType(GUID{})->IsGeneric());
}

TEST_F(FactoryTest, SkipsDisabledBrokenAndForeignLibraries) {
    const fs::path dir = tonalith::test::TempDir();
    fs::copy_file(fs::path(TEST_PLUGIN_DIR) / "TestSynth.so", dir / "TestSynth.so");
    std::ofstream(dir / "Aaa.so") << "not a shared library";
    // A real shared library without SynthMemoryInfo.
    void* libm = ::dlopen("libm.so.6", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(libm, nullptr);
    Dl_info info{};
    ASSERT_NE(::dladdr(::dlsym(libm, "cos"), &info), 0);
    fs::copy_file(info.dli_fname, dir / "Bbb.so");
    ::dlclose(libm);

    UseFolders({dir.string()});
    EXPECT_EQ(Factory().GetCount(), 2);
    EXPECT_EQ(Factory().GetLoadErrors().size(), 2u);

    {
        CBasicConfig ini(CFunctions::GetConfigPath() + "Tonalith.ini");
        ini.PutString("DISABLEDMEM0", "Test Synth");
        ini.PutString("DISABLEDMEMPATH0", (dir / "TestSynth.so").string());
        ASSERT_TRUE(ini.Save());
    }
    UseFolders({dir.string()});
    EXPECT_EQ(Factory().GetCount(), 1);
    EXPECT_TRUE(Factory().GetMemory(0).IsGeneric());
    fs::remove(CFunctions::GetConfigPath() + "Tonalith.ini");
}

TEST_F(FactoryTest, LayerLinksReachEveryPatchAndClonesKeepThem) {
    auto memory = NewTestMemory();
    CLayer& voices = memory->GetLayer(kVoice);
    CLayer& sets = memory->GetLayer(kSet);
    for (int i = 0; i < voices.GetPatchCount(); ++i) {
        ASSERT_EQ(voices.GetPatch(i)->GetParentLayerCount(), 1);
        EXPECT_EQ(voices.GetPatch(i)->GetParentLayer(0), &sets);
        EXPECT_FALSE(voices.GetPatch(i)->HasReferences());
    }
    EXPECT_TRUE(sets.GetPatch(0)->HasReferences());

    auto clone = sets.GetPatch(1)->Clone();
    EXPECT_EQ(clone->GetChildLayer(0), &voices);
    EXPECT_NE(clone->GetData(), sets.GetPatch(1)->GetData());
    clone->GetData()[10] = 99;
    EXPECT_NE(sets.GetPatch(1)->GetData()[10], 99);

    std::vector<std::string> labels;
    voices.GetReferencedPatches(sets, 0, labels);  // sets is not a child of voices
    EXPECT_TRUE(labels.empty());
}

TEST_F(FactoryTest, SetPatchStoresAClonWithThisMemorysLinksAndRefusesOtherTypes) {
    auto a = NewTestMemory();
    auto b = NewTestMemory();
    a->GetLayer(kVoice).GetPatch(3)->SetName("Source");
    b->GetLayer(kVoice).SetPatch(5, *a->GetLayer(kVoice).GetPatch(3));
    const CPatch* stored = b->GetLayer(kVoice).GetPatch(5);
    EXPECT_EQ(stored->GetName(), "Source  ");
    EXPECT_EQ(stored->GetParentLayer(0), &b->GetLayer(kSet));
    a.reset();  // the stored patch must not refer to the memory it came from
    EXPECT_EQ(stored->GetParentLayer(0)->GetName(), "Set");
    EXPECT_THROW(b->GetLayer(kVoice).SetPatch(0, *b->GetLayer(kSet).GetPatch(0)), std::invalid_argument);
    EXPECT_THROW(b->GetLayer(kVoice).SetPatch(8, *b->GetLayer(kVoice).GetPatch(0)), std::out_of_range);
}

TEST_F(FactoryTest, MovingChildPatchesRewritesParentReferencesAndUndoRestoresThem) {
    auto memory = NewTestMemory();
    CMemFile in(Concat({SetBank({{0, 5}, {1, 2}, {7, 7}, {3, 4}})}), "sets.syx");
    memory->Load(in);
    ASSERT_TRUE(memory->GetLoadProblems().empty());

    // Voices 0 and 1 moved to position 3 of five: new order 2 3 4 0 1 (5..7 stay).
    const std::vector<std::uint32_t> order{2, 3, 4, 0, 1, 5, 6, 7};
    memory->GetLayer(kVoice).AdaptParentLayers(order, false);
    std::vector<std::uint16_t> refs;
    memory->GetLayer(kSet).GetReferencedPatches(memory->GetLayer(kVoice), 0, refs);
    memory->GetLayer(kSet).GetReferencedPatches(memory->GetLayer(kVoice), 1, refs);
    EXPECT_EQ(refs, (std::vector<std::uint16_t>{3, 5, 4, 0}));

    memory->GetLayer(kVoice).AdaptParentLayers(order, true);
    refs.clear();
    memory->GetLayer(kSet).GetReferencedPatches(memory->GetLayer(kVoice), 0, refs);
    memory->GetLayer(kSet).GetReferencedPatches(memory->GetLayer(kVoice), 1, refs);
    EXPECT_EQ(refs, (std::vector<std::uint16_t>{0, 5, 1, 2}));

    std::vector<std::string> labels;
    memory->GetLayer(kSet).GetReferencedPatches(memory->GetLayer(kVoice), 0, labels);
    EXPECT_EQ(labels, (std::vector<std::string>{"V1 Init    ", "V6 Init    "}));

    const Bytes before = SaveLayer(*memory, kVoice);
    memory->GetLayer(kSet).AdaptParentLayers(order, false);  // no parents: nothing changes
    EXPECT_EQ(SaveLayer(*memory, kVoice), before);
}

TEST(LookupNewIndex, MapsBothWaysAndLeavesOutsideValues) {
    const std::vector<std::uint32_t> order{2, 3, 4, 0, 1};
    EXPECT_EQ(CPatch::LookupNewIndex(0, order, false), 3);
    EXPECT_EQ(CPatch::LookupNewIndex(4, order, false), 2);
    EXPECT_EQ(CPatch::LookupNewIndex(3, order, true), 0);
    EXPECT_EQ(CPatch::LookupNewIndex(9, order, false), 9);
    EXPECT_EQ(CPatch::LookupNewIndex(-1, order, true), -1);
}

TEST_F(FactoryTest, LoadWalksMixedFilesAndKeepsLayersOfDamagedDumps) {
    auto memory = NewTestMemory();
    Bytes truncated = VoiceBank(50);
    truncated.resize(60);
    // stray bytes, an unknown message, a set bank, a voice bank, a voice bank cut off by another message
    const Bytes file = Concat({{0x00, 0x7F},
                               {0xF0, 0x41, 0x10, 0xF7},
                               SetBank({{1, 1}, {2, 2}, {3, 3}, {4, 4}}),
                               VoiceBank(20),
                               truncated,
                               {0xF0, 0x7D, 0x01, 0x10, 0x01, 0xF7}});
    CMemFile in(file, "mixed.syx");
    memory->Load(in);
    EXPECT_EQ(in.GetPosition(), file.size());
    EXPECT_EQ(memory->GetLayer(kVoice).GetPatch(1)->GetData()[10], 21);  // from the complete bank
    EXPECT_EQ(memory->GetLayer(kSet).GetPatch(2)->GetData()[8], 3);
    // The two damaged banks, then what was kept: they, the stray bytes and the unknown message.
    ASSERT_EQ(memory->GetLoadProblems().size(), 3u);
    EXPECT_NE(memory->GetLoadProblems()[0].find("\"Voice\""), std::string::npos);
    EXPECT_EQ(memory->GetLoadProblems()[2].rfind("kept 3 messages and 2 bytes between messages", 0), 0u)
        << memory->GetLoadProblems()[2];
}

TEST_F(FactoryTest, LayerSaveRoundTripsThroughLoad) {
    auto memory = NewTestMemory();
    CMemFile in(VoiceBank(30), "voices.syx");
    memory->Load(in);
    EXPECT_EQ(SaveLayer(*memory, kVoice), VoiceBank(30));
}

TEST_F(FactoryTest, LoadEndsOnEveryFieldFileWithoutLooping) {
    TONALITH_FIELD_DATA_OR_SKIP(dir);
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir / "other")) {
        if (!entry.is_regular_file()) continue;
        ++files;
        for (CSynthMemory* prototype : {&Factory().GetMemory(0), &Factory().GetGenericMemory()}) {
            auto memory = prototype->CreateMemory();
            CFile file(entry.path().string(), CFile::modeRead);
            memory->Load(file);
            EXPECT_EQ(file.GetPosition(), file.GetLength()) << entry.path();
        }
    }
    EXPECT_GT(files, 0);
}

TEST_F(FactoryTest, GenericMemoryKeepsAnyBytesAndStoresThemWithTheirLength) {
    const Bytes file{0x00, 0xF0, 0x43, 0x12, 0xF7, 0xF0, 0x01};
    auto memory = Factory().GetGenericMemory().CreateMemory();
    CMemFile in(file, "any.syx");
    memory->GetLayer(0).Load(in);
    CMemFile out;
    memory->GetLayer(0).Save(out);
    EXPECT_EQ(out.Data(), file);

    const CPatch& patch = *memory->GetLayer(0).GetPatch(0);
    CMemFile stored;
    patch.Save(stored);
    EXPECT_EQ(static_cast<int>(stored.GetLength()), patch.GetPatchSize(false));
    auto copy = Factory().CreatePatch(GUID{});
    stored.SeekToBegin();
    copy->Load(stored);
    EXPECT_TRUE(copy->IsEqual(patch));
    EXPECT_EQ(copy->GetFingerprint(), patch.GetFingerprint());

    CMemFile lying(Bytes{0xFF, 0xFF, 0xFF, 0x7F, 1, 2}, "lying.clb");
    EXPECT_THROW(copy->Load(lying), CFileException);
}

}  // namespace
