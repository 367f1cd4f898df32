// The parameter tables: layout, ranges over a real dump, addresses and live messages.
#include <gtest/gtest.h>

#include "FileX.h"
#include "TestSupport.h"
#include "XVMessages.h"
#include "XVParameters.h"
#include "XVTestHelpers.h"

using namespace xv;

namespace {

const CParameter& Entry(const CParameterTable& table, const std::string& id) {
    const CParameter* p = table.Find(id);
    if (!p) throw std::runtime_error("no entry " + id);
    return *p;
}

}  // namespace

TEST(XVParameters, EveryTableFitsItsRecordWithoutOverlapsAndHoldsItsDefaults) {
    const CXVPatch patch;
    const CXVPerformance performance;
    const CXVRhythm rhythm;
    const CXVSystem system;
    for (const CXVRecord* record : std::initializer_list<const CXVRecord*>{&patch, &performance, &rhythm, &system}) {
        const CParameterTable* table = record->GetParameterTable();
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table->CheckLayout(record->Data().size()), "") << record->GetTypeName();
        // No entry reaches into a header, checksum or F7: each lies inside its message's data.
        const auto& xt = static_cast<const CXVParameterTable&>(*table);
        for (const CParameter& p : table->GetParameters()) {
            const int size = Layout(xt.GetKind())[static_cast<std::size_t>(p.block)].dataSize;
            EXPECT_LE(p.offset + p.Size(), size) << p.id;
            EXPECT_GE(p.offset, p.block == 0 && record->GetNameLength() > 0 ? kNameLength : 0) << p.id;
            EXPECT_EQ(table->GetValue(*record, p), p.defaultValue) << p.id;
        }
    }
}

TEST(XVParameters, TheRealTemporaryPatchHasEveryValueInRange) {
    TONALITH_FIELD_DATA_OR_SKIP(dir);
    CXVSynthMemory memory;
    xvtest::LoadInto(memory, CFileX::Read((dir / "xv/XV3080_temp_patch_Pianomonics_from_test_hex.syx").string()));
    const CPatch& patch = *memory.GetPatchLayer().GetPatch(0);
    ASSERT_EQ(patch.GetName(), "Pianomonics ");
    const CParameterTable& table = *patch.GetParameterTable();
    for (const CParameter& p : table.GetParameters()) {
        const int value = table.GetValue(patch, p);
        EXPECT_GE(value, p.minimum) << p.id;
        EXPECT_LE(value, p.maximum) << p.id;
    }
    EXPECT_EQ(
        table.FormatValue(Entry(table, "tone3.wave.left"), table.GetValue(patch, Entry(table, "tone3.wave.left"))),
        "144");
    // Two nibbles 06 04: 100 BPM.
    EXPECT_EQ(table.FormatValue(Entry(table, "tempo"), table.GetValue(patch, Entry(table, "tempo"))), "100");
}

TEST(XVParameters, LiveMessagesAddressTheTemporaryAreaWithCarriesAndNibbles) {
    CXVPatch patch;
    const CParameterTable& table = *patch.GetParameterTable();
    const CParameter& wave = Entry(table, "tone2.wave.left");
    table.SetValue(patch, wave, 0x4A7);
    // Four nibbles, high first, at 1F 00 22 2C.
    const auto message = table.BuildLiveMessage(patch, wave);
    std::vector<std::uint8_t> expected{
        0xF0, 0x41, CXVSynth::Get().GetDeviceByte(), 0x00, 0x10, 0x12, 0x1F, 0x00, 0x22, 0x2C, 0x00, 0x04, 0x0A, 0x07,
        0x00, 0xF7};
    SetChecksum(expected);
    EXPECT_EQ(message, expected);
    EXPECT_EQ(table.GetValue(patch, wave), 0x4A7);

    // LFO2 past offset 7F: the address carries into the block byte.
    const CParameter& delay = Entry(table, "tone4.lfo2.delay");
    EXPECT_EQ(delay.offset, 0x80);
    EXPECT_EQ(table.GetAddress(delay).block, 0x27);
    EXPECT_EQ(table.GetAddress(delay).offset, 0x00);
    EXPECT_EQ(AddressOf(table.BuildLiveMessage(patch, delay)), (Address{0x1F, 0x00, 0x27, 0x00}));

    CXVPerformance performance;
    const CParameterTable& parts = *performance.GetParameterTable();
    EXPECT_EQ(AddressOf(parts.BuildLiveMessage(performance, Entry(parts, "part32.level"))),
              (Address{0x10, 0x00, 0x3F, 0x07}));
    // A part's voice reserve lives in the common block.
    EXPECT_EQ(AddressOf(parts.BuildLiveMessage(performance, Entry(parts, "part3.reserve"))),
              (Address{0x10, 0x00, 0x00, 0x12}));
    CXVSystem system;
    const CParameterTable& sys = *system.GetParameterTable();
    const CParameter& tune = Entry(sys, "mastertune");
    EXPECT_EQ(sys.FormatValue(tune, sys.GetValue(system, tune)), "0");  // 1024 stored: no detune
    EXPECT_EQ(sys.ParseValue(tune, "-1000"), 0);
    EXPECT_EQ(AddressOf(sys.BuildLiveMessage(system, tune)), (Address{0x00, 0x00, 0x00, 0x01}));
    CXVRhythm rhythm;
    const CParameterTable& rt = *rhythm.GetParameterTable();
    EXPECT_EQ(AddressOf(rt.BuildLiveMessage(rhythm, Entry(rt, "level"))), (Address{0x1F, 0x10, 0x00, 0x0C}));
}
