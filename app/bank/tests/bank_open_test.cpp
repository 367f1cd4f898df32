// How a file opens as a bank and how patches move, without windows: the model
// the bank window and the command line share.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "BankGeneration.h"
#include "BankOpen.h"
#include "File.h"
#include "Header.h"
#include "Layer.h"
#include "MoveOrder.h"
#include "Patch.h"
#include "PatchMove.h"
#include "Synth.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "TestSupport.h"
#include "Ui.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

// One voice of the test plug-in.
Bytes OneVoice() {
    Bytes m{0xF0, 0x7D, 0x01, 0x11};
    m.insert(m.end(), 16, 0x2A);
    m.push_back(0xF7);
    return m;
}

class BankOpenTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CSynthMemoryFactory::SetSearchPath({TEST_PLUGIN_DIR}); }
    static void TearDownTestSuite() { CSynthMemoryFactory::Delete(); }
    // Nothing here may talk to the user: the front ends word what they are given.
    CScopedScriptedUi m_ui;
    void TearDown() override { EXPECT_TRUE(m_ui->messages.empty()) << m_ui->messages.front(); }
};

}  // namespace

TEST_F(BankOpenTest, WhatIsNoBankIsRefusedWithItsReasonAndNoMemory) {
    using BankOpen::Outcome;
    const auto refused = [](Bytes bytes, Outcome outcome, std::string_view says) {
        const BankOpen::Result r = BankOpen::Read(std::move(bytes), "/some/where/x.syx");
        EXPECT_EQ(r.outcome, outcome) << says;
        EXPECT_FALSE(r.Opened());
        EXPECT_EQ(r.memory, nullptr);
        const std::string text = BankOpen::RefusalText(r, "/some/where/x.syx");
        EXPECT_NE(text.find(says), std::string::npos) << text;
        EXPECT_NE(text.find("/some/where/x.syx"), std::string::npos) << text;
    };
    refused({}, Outcome::Empty, "is empty");
    refused({'F', '0', ' ', '4', '3'}, Outcome::NoSysEx, "holds no SysEx");
    refused({'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '}, Outcome::WaveFile, "WAV file");
    refused({'M', 'T', 'h', 'd', 0, 0}, Outcome::BrokenMidiFile, "not a valid MIDI file");
    const Bytes silent{0x00, 0x90, 0x3C, 0x60, 0x00, 0xFF, 0x2F, 0x00};
    Bytes notes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 8};
    notes.insert(notes.end(), silent.begin(), silent.end());
    refused(notes, Outcome::MidiFileWithoutSysEx, "without SysEx");

    const BankOpen::Result missing = BankOpen::Open("/nonexistent/bank.syx");
    EXPECT_EQ(missing.outcome, Outcome::Unreadable);
    EXPECT_NE(BankOpen::RefusalText(missing, "bank.syx").find("/nonexistent/bank.syx"), std::string::npos);
}

TEST_F(BankOpenTest, ThePlugInThatRecognisesTheDataReadsIt) {
    const fs::path path = tonalith::test::TempDir() / "voice.syx";
    tonalith::test::WriteFile(path, OneVoice());
    const BankOpen::Result known = BankOpen::Open(path.string());
    ASSERT_TRUE(known.Opened()) << BankOpen::RefusalText(known, "voice.syx");
    EXPECT_EQ(known.memory->GetName(), "Test Synth");
    EXPECT_TRUE(known.memory->GetLayer(0).IsPatchInFile(0));
    EXPECT_EQ(known.messages, 1);
    EXPECT_TRUE(known.problems.empty());
    EXPECT_FALSE(known.generation);  // the test synth cannot tell one
    EXPECT_EQ(BankOpen::RefusalText(known, "voice.syx"), "");

    // Data no plug-in reads: the generic memory keeps all of it, stray bytes included.
    const Bytes foreign{0x00, 0xF0, 0x43, 0x10, 0x01, 0xF7, 0xF0, 0x42, 0xF7};
    const BankOpen::Result generic = BankOpen::Read(foreign, "-");
    ASSERT_TRUE(generic.Opened());
    EXPECT_TRUE(generic.memory->IsGeneric());
    EXPECT_EQ(generic.messages, 2);
    CMemFile saved;
    generic.memory->Save(saved);
    EXPECT_EQ(saved.Data(), foreign);
}

// What the command line writes for a bank without patch data, it reads back.
TEST_F(BankOpenTest, AnEmptyFileOpensAsAnEmptyBankWhenAsked) {
    BankOpen::Options options;
    options.emptyIsABank = true;
    const BankOpen::Result r = BankOpen::Read({}, "empty.syx", options);
    ASSERT_TRUE(r.Opened());
    EXPECT_TRUE(r.memory->IsGeneric());
    EXPECT_EQ(r.memory->GetLayer(0).GetPatch(0)->GetDataSize(), 0);
    // Only emptiness is let through: a file with bytes but no SysEx is still no bank.
    EXPECT_EQ(BankOpen::Read({'x'}, "x.syx", options).outcome, BankOpen::Outcome::NoSysEx);
}

TEST_F(BankOpenTest, ADumpCutShortOpensWithWhatWasReadAndSaysSo) {
    Bytes cut = OneVoice();
    cut.resize(cut.size() - 5);
    const BankOpen::Result r = BankOpen::Read(cut, "cut.syx");
    ASSERT_TRUE(r.Opened());
    EXPECT_EQ(r.memory->GetName(), "Test Synth");
    ASSERT_FALSE(r.problems.empty());
    EXPECT_EQ(r.problems, r.memory->GetLoadProblems());
}

TEST_F(BankOpenTest, SettingsApplyBeforeTheLoadAndTheirRefusalOpensNothing) {
    bool loadedYet = true;
    BankOpen::Options options;
    options.beforeLoad = [&](CSynthMemory& memory) { loadedYet = memory.GetLayer(0).IsInFile(); };
    const BankOpen::Result r = BankOpen::Read(OneVoice(), "voice.syx", options);
    ASSERT_TRUE(r.Opened());
    EXPECT_FALSE(loadedYet);
    options.beforeLoad = [](CSynthMemory&) { throw std::invalid_argument("DEVICEID"); };
    EXPECT_THROW(BankOpen::Read(OneVoice(), "voice.syx", options), std::invalid_argument);
}

namespace {

// A synth whose generation setting picks between two models, and a memory that
// reports what its file was written for.
class CGenerationSynth final : public CSynth {
public:
    CGenerationSynth() : CSynth("GenerationTest.ini") { GetConfig().SetReadOnly(true); }
    std::vector<CSettingField> GetSettingFields() const override {
        CSettingField field;
        field.key = std::string(BankGeneration::kKey);
        field.kind = CSettingField::Kind::Choice;
        field.minimum = 0;
        field.maximum = 1;
        field.choices = {"Alpha", "Beta"};
        field.defaultValue = "1";
        return {field};
    }
};

class CGenerationMemory final : public CSynthMemory {
public:
    explicit CGenerationMemory(std::string loaded) : m_loaded(std::move(loaded)) {}
    const GUID& GetMemoryGuid() const override { return m_guid; }
    std::unique_ptr<CSynthMemory> CreateMemory() const override {
        return std::make_unique<CGenerationMemory>(m_loaded);
    }
    std::string GetName() const override { return "Generations"; }
    CSynth* GetSynth() const override { return &m_synth; }
    std::string GetVersion() const override { return "1"; }
    std::unique_ptr<CHeader> ReadHeader(CFile&) const override { return nullptr; }
    std::string GetLoadedGeneration() const override { return m_loaded; }

private:
    std::string m_loaded;
    GUID m_guid{};
    mutable CGenerationSynth m_synth;
};

}  // namespace

TEST(BankGeneration, AFileOfAnotherModelThanTheSettingsNameIsTold) {
    EXPECT_FALSE(BankGeneration::Check(CGenerationMemory("")));  // the plug-in cannot tell
    EXPECT_FALSE(BankGeneration::Check(CGenerationMemory("Beta")));  // the default names it
    EXPECT_FALSE(BankGeneration::Check(CGenerationMemory("Gamma or Beta")));

    const auto alpha = BankGeneration::Check(CGenerationMemory("Alpha"));
    ASSERT_TRUE(alpha);
    EXPECT_EQ(alpha->loaded, "Alpha");
    EXPECT_EQ(alpha->key, "WHICHSYNTH");
    EXPECT_EQ(alpha->current, "1");
    EXPECT_EQ(alpha->setting, "Beta");
    EXPECT_EQ(alpha->keep, 0);

    const auto neither = BankGeneration::Check(CGenerationMemory("Gamma or Delta"));
    ASSERT_TRUE(neither);
    EXPECT_FALSE(neither->keep);

    CGenerationMemory chosen("Alpha");
    chosen.GetSynth()->GetConfig().PutString("WHICHSYNTH", "0");
    EXPECT_FALSE(BankGeneration::Check(chosen));
    chosen.GetSynth()->GetConfig().PutString("WHICHSYNTH", "7");  // outside the list: named by its number
    ASSERT_TRUE(BankGeneration::Check(chosen));
    EXPECT_EQ(BankGeneration::Check(chosen)->setting, "7");
}

TEST_F(BankOpenTest, AMoveTakesReferencesAlongAndRevertPutsEverythingBack) {
    CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
    std::unique_ptr<CSynthMemory> memory;
    for (int i = 0; i < factory.GetCount() && !memory; ++i)
        if (factory.GetMemory(i).GetName() == "Test Synth") memory = factory.GetMemory(i).CreateMemory();
    ASSERT_TRUE(memory) << "TestSynth plug-in not found";
    CLayer& voices = memory->GetLayer(0);
    CLayer& sets = memory->GetLayer(1);
    for (int i = 0; i < voices.GetPatchCount(); ++i) voices.GetPatch(i)->SetName("V" + std::to_string(i));
    sets.GetPatch(0)->GetData()[8] = 1;  // set 0 uses voices 1 and 6
    sets.GetPatch(0)->GetData()[9] = 6;
    const auto names = [&] {
        std::string all;
        for (int i = 0; i < voices.GetPatchCount(); ++i) all += voices.GetPatch(i)->GetName().substr(0, 2);
        return all;
    };
    const auto references = [&] {
        std::vector<std::uint16_t> refs;
        sets.GetReferencedPatches(voices, 0, refs);
        return refs;
    };

    const std::vector<std::uint32_t> order = MoveOrder::Build(voices.GetPatchCount(), std::vector<int>{1, 6}, 0);
    PatchMove::Apply(voices, order);
    EXPECT_EQ(names(), "V1V6V0V2V3V4V5V7");
    EXPECT_EQ(references(), (std::vector<std::uint16_t>{0, 1}));
    PatchMove::Revert(voices, order);
    EXPECT_EQ(names(), "V0V1V2V3V4V5V6V7");
    EXPECT_EQ(references(), (std::vector<std::uint16_t>{1, 6}));

    // An order that is no permutation would lose one patch and double another: refused, nothing changed.
    const std::vector<std::uint32_t> twice{1, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_THROW(PatchMove::Apply(voices, twice), std::invalid_argument);
    const std::vector<std::uint32_t> shortOrder{1, 0};
    EXPECT_THROW(PatchMove::Apply(voices, shortOrder), std::invalid_argument);
    const std::vector<std::uint32_t> outside{8, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_THROW(PatchMove::Revert(voices, outside), std::invalid_argument);
    EXPECT_EQ(names(), "V0V1V2V3V4V5V6V7");
    EXPECT_EQ(references(), (std::vector<std::uint16_t>{1, 6}));
}
