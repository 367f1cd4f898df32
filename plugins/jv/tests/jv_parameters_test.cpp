#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include <tonalith/Layer.h>

#include "JVTestSupport.h"
#include "TestSupport.h"
#include "amberkit/JVParameters.h"
#include "amberkit/JVRecords.h"

using namespace amberkit;
using jvtest::LoadMemory;
using jvtest::ScopedJVSettings;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::array<RecordKind, kRecordKindCount> kKinds{RecordKind::Patch, RecordKind::Performance,
                                                          RecordKind::Rhythm, RecordKind::System};
constexpr std::array<Generation, kGenerationCount> kGenerations{Generation::JV1080, Generation::JV2080, Generation::XP,
                                                                Generation::XP30};

const CParameter& Entry(const CParameterTable& table, std::string_view id) {
    const CParameter* p = table.Find(id);
    if (!p) throw std::runtime_error("no parameter " + std::string(id));
    return *p;
}

Bytes DataAt(const CPatch& patch, std::size_t index, std::size_t count) {
    return {patch.Data().begin() + static_cast<std::ptrdiff_t>(index),
            patch.Data().begin() + static_cast<std::ptrdiff_t>(index + count)};
}

std::string Describe(RecordKind kind, Generation g) {
    return "kind " + std::to_string(static_cast<int>(kind)) + " generation " + std::to_string(static_cast<int>(g));
}

}  // namespace

// Every entry of every table lies inside the data its generation sends in its
// own message, none overlaps another, and every id names exactly one entry.
TEST(JVParameters, EveryEntryLiesInsideItsOwnMessageOfItsGeneration) {
    for (const RecordKind kind : kKinds) {
        for (const Generation g : kGenerations) {
            SCOPED_TRACE(Describe(kind, g));
            const CJVParameterTable& table = GetJVParameterTable(kind, g);
            const RecordLayout& layout = table.Layout();
            ASSERT_FALSE(table.GetParameters().empty());
            EXPECT_EQ(table.CheckLayout(static_cast<std::size_t>(layout.StoredSize())), "");
            // The record's name is set by name, never as a parameter.
            const int firstInCommon = kind == RecordKind::System ? 0 : kNameLength;
            std::map<std::pair<int, int>, std::string> used;
            std::set<std::string> ids;
            for (const CParameter& p : table.GetParameters()) {
                ASSERT_GE(p.block, 0) << p.id;
                ASSERT_LT(p.block, layout.MessageCount()) << p.id;
                EXPECT_GE(p.offset, p.block == 0 ? firstInCommon : 0) << p.id;
                EXPECT_LE(p.offset + p.Size(), layout.WireSize(p.block, g) - kFrameOverhead) << p.id;
                for (int i = 0; i < p.Size(); ++i) {
                    const auto [it, fresh] = used.emplace(std::pair{p.block, p.offset + i}, p.id);
                    EXPECT_TRUE(fresh) << p.id << " overlaps " << it->second;
                }
                EXPECT_TRUE(ids.insert(p.id).second) << p.id << " twice";
                EXPECT_FALSE(p.page.empty()) << p.id;
                if (p.instance >= 0) {
                    EXPECT_EQ(p.id.substr(p.id.size() - p.baseId.size()), p.baseId);
                }
            }
        }
    }
}

TEST(JVParameters, OlderUnitsLeaveOutWhatTheyDoNotHave) {
    const auto has = [](RecordKind kind, Generation g, std::string_view id) {
        return GetJVParameterTable(kind, g).Find(id) != nullptr;
    };
    EXPECT_FALSE(has(RecordKind::Patch, Generation::JV1080, "clock"));
    EXPECT_TRUE(has(RecordKind::Patch, Generation::XP, "clock"));
    EXPECT_FALSE(has(RecordKind::Patch, Generation::XP, "category"));
    EXPECT_TRUE(has(RecordKind::Patch, Generation::JV2080, "category"));
    EXPECT_FALSE(has(RecordKind::Performance, Generation::JV1080, "keymode"));
    EXPECT_FALSE(has(RecordKind::Performance, Generation::JV1080, "part1.tx.volume"));
    EXPECT_TRUE(has(RecordKind::Performance, Generation::XP, "part16.tx.volume"));
    EXPECT_FALSE(has(RecordKind::Performance, Generation::XP, "part1.output.select"));
    EXPECT_TRUE(has(RecordKind::Performance, Generation::JV2080, "part1.output.select"));
    EXPECT_FALSE(has(RecordKind::System, Generation::JV1080, "tx.program"));
    EXPECT_TRUE(has(RecordKind::System, Generation::XP, "bankgroup7.lsb"));
    EXPECT_FALSE(has(RecordKind::System, Generation::XP, "tempo"));
    EXPECT_TRUE(has(RecordKind::System, Generation::JV2080, "tempo"));

    // The record answers with the table of the generation in use.
    CJVPatch patch;
    {
        ScopedJVSettings settings(Generation::JV1080);
        EXPECT_EQ(patch.GetParameterTable(), &GetJVParameterTable(RecordKind::Patch, Generation::JV1080));
    }
    ScopedJVSettings settings(Generation::JV2080);
    EXPECT_EQ(patch.GetParameterTable(), &GetJVParameterTable(RecordKind::Patch, Generation::JV2080));
    EXPECT_EQ(CJVSystem().GetParameterTable()->Find("tempo")->offset, 0x60);
}

TEST(JVParameters, PagesInEditorOrderAndInstancesFindTheirSiblings) {
    const auto& patch = GetJVParameterTable(RecordKind::Patch, Generation::JV2080);
    EXPECT_EQ(patch.GetPages(),
              (std::vector<std::string>{"Common", "Chorus / Reverb", "EFX", "Controls", "Controller 1", "Controller 2",
                                        "Controller 3", "Wave", "LFO 1", "LFO 2", "Pitch", "Pitch Envelope", "TVF",
                                        "TVF Envelope", "TVA", "TVA Envelope", "Pan / Output"}));
    EXPECT_EQ(GetJVParameterTable(RecordKind::Performance, Generation::XP).GetPages(),
              (std::vector<std::string>{"Common", "Part", "Chorus/Reverb", "EFX", "Mix"}));
    EXPECT_EQ(GetJVParameterTable(RecordKind::Rhythm, Generation::XP).GetPages(),
              (std::vector<std::string>{"Wave", "Pitch", "TVF", "TVA"}));
    EXPECT_EQ(GetJVParameterTable(RecordKind::System, Generation::XP).GetPages(),
              (std::vector<std::string>{"Tune", "Effects", "Setup", "Midi", "Control Source"}));

    const CParameter& cutoff = Entry(patch, "tone1.cutoff");
    EXPECT_EQ(cutoff.caption, "Cutoff Frequency");
    EXPECT_EQ(cutoff.group, "Tone 1");
    const CParameter* third = patch.FindSibling(cutoff, 2);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->id, "tone3.cutoff");
    EXPECT_EQ(third->block, 3);

    const auto& rhythm = GetJVParameterTable(RecordKind::Rhythm, Generation::JV1080);
    EXPECT_EQ(Entry(rhythm, "key35.level").group, "B1");
    EXPECT_EQ(Entry(rhythm, "key98.level").block, 64);
    const auto& perf = GetJVParameterTable(RecordKind::Performance, Generation::JV1080);
    // The voice reserve lives in the common block but belongs to its part.
    EXPECT_EQ(Entry(perf, "part16.reserve").block, 0);
    EXPECT_EQ(Entry(perf, "part16.reserve").offset, 0x3F);
    EXPECT_EQ(perf.FindSibling(Entry(perf, "part1.reserve"), 15)->id, "part16.reserve");
}

// A fresh record holds each parameter's default, and every default is in range.
TEST(JVParameters, FreshRecordsReadTheirDefaults) {
    const std::array<std::unique_ptr<CJVRecord>, kRecordKindCount> records{
        std::make_unique<CJVPatch>(), std::make_unique<CJVPerformance>(), std::make_unique<CJVRhythm>(),
        std::make_unique<CJVSystem>()};
    for (std::size_t k = 0; k < kKinds.size(); ++k) {
        for (const Generation g : kGenerations) {
            const CJVParameterTable& table = GetJVParameterTable(kKinds[k], g);
            for (const CParameter& p : table.GetParameters()) {
                const int value = table.GetValue(*records[k], p);
                EXPECT_EQ(value, p.defaultValue) << Describe(kKinds[k], g) << " " << p.id;
                EXPECT_GE(value, p.minimum) << p.id;
                EXPECT_LE(value, p.maximum) << p.id;
            }
        }
    }
}

TEST(JVParameters, NibbledValuesAndTheirTexts) {
    const auto& table = GetJVParameterTable(RecordKind::Patch, Generation::JV1080);
    CJVPatch patch;

    const CParameter& wave = Entry(table, "tone2.wave");
    table.SetValue(patch, wave, 200);
    EXPECT_EQ(DataAt(patch, table.DataIndex(wave), 2), (Bytes{0x0C, 0x08}));
    EXPECT_EQ(patch.ToneData(1)[kToneWaveHigh], 0x0C);
    EXPECT_EQ(table.GetValue(patch, wave), 200);
    EXPECT_EQ(table.FormatValue(wave, 200), "201");
    EXPECT_EQ(table.ParseValue(wave, "255"), 254);

    // The tempo is stored as BPM: value 100 is 120 BPM, 78H in two nibbles.
    const CParameter& tempo = Entry(table, "tempo");
    table.SetValue(patch, tempo, 100);
    EXPECT_EQ(table.GetRaw(patch, tempo), 120);
    EXPECT_EQ(DataAt(patch, table.DataIndex(tempo), 2), (Bytes{0x07, 0x08}));
    EXPECT_EQ(patch.Message(0)[kHeaderSize + 0x2C], 0x07);
    EXPECT_EQ(table.FormatValue(tempo, 100), "120");
    EXPECT_EQ(table.ParseValue(tempo, "250"), 230);
    EXPECT_EQ(table.ParseValue(tempo, "19"), std::nullopt);

    const auto& perf = GetJVParameterTable(RecordKind::Performance, Generation::XP);
    CJVPerformance performance;
    const CParameter& volume = Entry(perf, "part3.tx.volume");
    perf.SetValue(performance, volume, 128);
    EXPECT_EQ(DataAt(performance, perf.DataIndex(volume), 2), (Bytes{0x08, 0x00}));
    EXPECT_EQ(perf.FormatValue(volume, 128), "OFF");
    perf.SetValue(performance, Entry(perf, "part3.patch"), 130);
    EXPECT_EQ(performance.GetPartNumber(2), 130);
}

TEST(JVParameters, ValueListsCoverTheirRawRanges) {
    const auto& table = GetJVParameterTable(RecordKind::Patch, Generation::JV1080);
    const CParameter& pan = Entry(table, "tone1.pan");
    EXPECT_EQ(table.FormatValue(pan, 0), "L64");
    EXPECT_EQ(table.FormatValue(pan, 64), "0");
    EXPECT_EQ(table.FormatValue(pan, 127), "63R");
    const CParameter& alternate = Entry(table, "tone1.pan.alternate");
    EXPECT_EQ(table.FormatValue(alternate, 1), "L63");
    EXPECT_EQ(table.FormatValue(alternate, 64), "0");
    EXPECT_EQ(table.FormatValue(alternate, 127), "R63");
    EXPECT_EQ(table.FormatValue(Entry(table, "tone1.key.upper"), 127), "G9");
    EXPECT_EQ(table.FormatValue(Entry(table, "tone1.key.lower"), 60), "C4");
    const CParameter& sens = Entry(table, "tone1.penv.velocity");
    EXPECT_EQ(table.FormatValue(sens, 0), "-100");
    EXPECT_EQ(table.FormatValue(sens, 50), "0");
    EXPECT_EQ(table.FormatValue(sens, 125), "+150");
    const CParameter& random = Entry(table, "tone1.pitch.random");
    EXPECT_EQ(table.FormatValue(random, 11), "20");
    EXPECT_EQ(table.FormatValue(random, 30), "1200");
    EXPECT_EQ(table.FormatValue(Entry(table, "tone1.pitch.keyfollow"), 15), "+200");
    EXPECT_EQ(table.FormatValue(Entry(table, "tone1.ctrl1.depth1"), 0), "-63");
    EXPECT_EQ(table.FormatValue(Entry(table, "efx.type"), 39), "40:CHORUS/FLANGER");
    EXPECT_EQ(table.ParseValue(Entry(table, "reverb.hfdamp"), "bypass"), 17);
    const auto& system = GetJVParameterTable(RecordKind::System, Generation::XP);
    EXPECT_EQ(system.FormatValue(Entry(system, "sysctrl1.source"), 97), "97:AFTERTOUCH");
    EXPECT_EQ(system.FormatValue(Entry(system, "pedal1.assign"), 102), "TAP");
}

// Live messages: DT1 to the temporary area, the parameter's bytes at its address.
TEST(JVParameters, LiveMessagesAreByteExact) {
    ScopedJVSettings settings(Generation::JV1080, 0);
    const auto& table = GetJVParameterTable(RecordKind::Patch, Generation::JV1080);
    CJVPatch patch;
    const CParameter& cutoff = Entry(table, "tone1.cutoff");
    table.SetValue(patch, cutoff, 80);
    // Checksum over 03 00 10 51 50: 3 + 0 + 16 + 81 + 80 = 180; 180 mod 128 = 52; 128 - 52 = 76 = 4CH.
    EXPECT_EQ(table.BuildLiveMessage(patch, cutoff),
              (Bytes{0xF0, 0x41, 0x10, 0x6A, 0x12, 0x03, 0x00, 0x10, 0x51, 0x50, 0x4C, 0xF7}));

    // The reverb send follows 7F, so its address carries into the block byte.
    const CParameter& reverb = Entry(table, "tone1.reverb.send");
    EXPECT_EQ(table.GetAddress(reverb).block, 0x11);
    EXPECT_EQ(table.GetAddress(reverb).offset, 0x00);
    table.SetValue(patch, reverb, 0x20);
    // 03 + 11 + 20 = 34H; 80H - 34H = 4CH.
    EXPECT_EQ(table.BuildLiveMessage(patch, reverb),
              (Bytes{0xF0, 0x41, 0x10, 0x6A, 0x12, 0x03, 0x00, 0x11, 0x00, 0x20, 0x4C, 0xF7}));
    EXPECT_EQ(table.GetAddress(Entry(table, "tone4.reverb.send")).block, 0x17);
    EXPECT_EQ(table.GetAddress(Entry(table, "tone4.switch")).block, 0x16);

    const CParameter& tempo = Entry(table, "tempo");
    table.SetValue(patch, tempo, 100);
    const Bytes tempoMessage = table.BuildLiveMessage(patch, tempo);
    ASSERT_EQ(tempoMessage.size(), 13u);
    EXPECT_EQ(Bytes(tempoMessage.begin() + 5, tempoMessage.end() - 2), (Bytes{0x03, 0x00, 0x00, 0x2C, 0x07, 0x08}));
}

TEST(JVParameters, EachRecordTypeSendsToItsOwnTemporaryArea) {
    ScopedJVSettings settings(Generation::JV2080, 3);
    const auto address = [](const Bytes& m) { return Bytes(m.begin() + 2, m.begin() + 9); };

    const auto& perf = GetJVParameterTable(RecordKind::Performance, Generation::JV2080);
    CJVPerformance performance;
    const Bytes part = perf.BuildLiveMessage(performance, Entry(perf, "part3.level"));
    EXPECT_EQ(address(part), (Bytes{0x13, 0x6A, 0x12, 0x01, 0x00, 0x12, 0x06}));
    EXPECT_TRUE(HasValidChecksum(part));
    const Bytes reserve = perf.BuildLiveMessage(performance, Entry(perf, "part3.reserve"));
    EXPECT_EQ(address(reserve), (Bytes{0x13, 0x6A, 0x12, 0x01, 0x00, 0x00, 0x32}));

    const auto& rhythm = GetJVParameterTable(RecordKind::Rhythm, Generation::JV2080);
    CJVRhythm set;
    const Bytes key = rhythm.BuildLiveMessage(set, Entry(rhythm, "key36.level"));
    EXPECT_EQ(address(key), (Bytes{0x13, 0x6A, 0x12, 0x02, 0x09, 0x24, 0x29}));

    const auto& system = GetJVParameterTable(RecordKind::System, Generation::JV2080);
    CJVSystem sys;
    const Bytes tempo = system.BuildLiveMessage(sys, Entry(system, "tempo"));
    EXPECT_EQ(Bytes(tempo.begin() + 2, tempo.end() - 2), (Bytes{0x13, 0x6A, 0x12, 0x00, 0x00, 0x00, 0x60, 0x07, 0x08}));
    EXPECT_EQ(system.GetSynth(), &CJVSynth::Get());

    // A record of another type is too short for a rhythm key: no message, no read past its end.
    CJVPatch patch;
    EXPECT_TRUE(rhythm.BuildLiveMessage(patch, Entry(rhythm, "key98.reverb.send")).empty());
}

// Every value of the real JV-1080 banks lies inside the published ranges.
TEST(JVParameters, RealBanksReadWithinRange) {
    TONALITH_FIELD_DATA_OR_SKIP(root);
    ScopedJVSettings settings(Generation::JV1080);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root / "jv")) {
        if (entry.path().extension() != ".syx" && entry.path().extension() != ".SYX") continue;
        ++files;
        const auto memory = LoadMemory(tonalith::test::ReadFile(entry.path()));
        const CLayer& user = memory->GetLayer(kUserPatchLayer);
        const CParameterTable* table = user.GetPatch(0)->GetParameterTable();
        ASSERT_NE(table, nullptr);
        std::map<std::string, std::set<int>> outside;  // base id -> raw values out of range
        for (int i = 0; i < user.GetPatchCount(); ++i) {
            const CPatch& patch = *user.GetPatch(i);
            for (const CParameter& p : table->GetParameters()) {
                const int value = table->GetValue(patch, p);
                if (value < p.minimum || value > p.maximum) outside[p.baseId].insert(table->GetRaw(patch, p));
            }
        }
        std::ostringstream report;
        for (const auto& [id, raws] : outside) {
            report << id << ":";
            for (const int raw : raws) report << ' ' << raw;
            report << '\n';
        }
        EXPECT_TRUE(outside.empty()) << entry.path().filename() << "\n" << report.str();
    }
    EXPECT_GT(files, 0);
}
