// Parameter tables over a small record: one common block and two repeated
// blocks of 8 data bytes each, laid out one after another.

#include <gtest/gtest.h>

#include <tonalith/ParameterRows.h>
#include <tonalith/Parameters.h>
#include <tonalith/Patch.h>

namespace {

const GUID kRecordType{0x5151};

class Record : public CPatch {
public:
    Record() : CPatch("Record", 0, 24, 0) {}
    const GUID& GetPatchType() const override { return kRecordType; }
    void Init() override {}
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<Record>(*this); }
    std::vector<std::uint8_t> GetSysExData(bool) const override { return {}; }
};

CParameter Numeric(std::string id, int block, int offset, int minimum, int maximum) {
    CParameter p;
    p.id = std::move(id);
    p.caption = p.id;
    p.page = "Page";
    p.block = block;
    p.offset = offset;
    p.minimum = minimum;
    p.maximum = maximum;
    return p;
}

class Table : public CParameterTable {
public:
    explicit Table(std::vector<CParameter> parameters) : CParameterTable(std::move(parameters)) {}
    std::size_t DataIndex(const CParameter& p) const override {
        return static_cast<std::size_t>(p.block * 8 + p.offset);
    }
};

std::vector<CParameter> Sample() {
    std::vector<CParameter> all;
    CParameter tempo = Numeric("tempo", 0, 0, 0, 230);
    tempo.caption = "Patch Tempo";
    tempo.nibbles = 2;
    tempo.storedOffset = 20;
    tempo.displayOffset = 20;
    all.push_back(tempo);
    CParameter depth = Numeric("depth", 0, 2, 0, 126);
    depth.displayOffset = -63;
    all.push_back(depth);
    CParameter mode = Numeric("mode", 0, 3, 0, 2);
    mode.texts = {"OFF", "HOLD", "PEAK"};
    all.push_back(mode);
    for (int tone = 0; tone < 2; ++tone) {
        CParameter cutoff = Numeric("tone" + std::to_string(tone + 1) + ".cutoff", 1 + tone, 1, 0, 127);
        cutoff.caption = "Cutoff Frequency";
        cutoff.baseId = "cutoff";
        cutoff.instance = tone;
        all.push_back(cutoff);
        CParameter wave = Numeric("tone" + std::to_string(tone + 1) + ".wave", 1 + tone, 3, 0, 254);
        wave.nibbles = 2;
        wave.displayOffset = 1;
        wave.baseId = "wave";
        wave.instance = tone;
        all.push_back(wave);
    }
    return all;
}

TEST(Parameters, NibbledValuesAndStoredOffsets) {
    const Table table(Sample());
    Record record;
    const CParameter& tempo = *table.Find("tempo");
    table.SetValue(record, tempo, 100);  // 120 BPM
    EXPECT_EQ(record.Data()[0], 0x07);
    EXPECT_EQ(record.Data()[1], 0x08);
    EXPECT_EQ(table.GetRaw(record, tempo), 120);
    EXPECT_EQ(table.GetValue(record, tempo), 100);
    EXPECT_EQ(table.FormatValue(tempo, 100), "120");

    const CParameter& wave = *table.Find("tone2.wave");
    table.SetValue(record, wave, 200);
    EXPECT_EQ(record.Data()[8 * 2 + 3], 0x0C);
    EXPECT_EQ(record.Data()[8 * 2 + 4], 0x08);
    EXPECT_EQ(table.FormatValue(wave, 200), "201");
    EXPECT_EQ(record.Data()[8 + 3], 0) << "tone 1 untouched";

    // Clamped to the range: a stored byte never leaves what its bytes can carry.
    table.SetValue(record, tempo, 1000);
    EXPECT_EQ(table.GetRaw(record, tempo), 250);
    table.SetValue(record, *table.Find("depth"), 500);
    EXPECT_EQ(record.Data()[2], 126);
}

TEST(Parameters, TextsParseBackToValues) {
    const Table table(Sample());
    const CParameter& depth = *table.Find("depth");
    EXPECT_EQ(table.FormatValue(depth, 0), "-63");
    EXPECT_EQ(table.ParseValue(depth, "-63"), 0);
    EXPECT_EQ(table.ParseValue(depth, "+63"), 126);
    EXPECT_EQ(table.ParseValue(depth, "64"), std::nullopt);
    EXPECT_EQ(table.ParseValue(depth, "12x"), std::nullopt);
    EXPECT_EQ(table.DescribeRange(depth), "-63..63");

    const CParameter& mode = *table.Find("mode");
    EXPECT_EQ(table.ParseValue(mode, "peak"), 2);
    EXPECT_EQ(table.ParseValue(mode, "1"), std::nullopt) << "a list takes its texts";
    EXPECT_EQ(table.FormatValue(mode, 7), "#7");
    EXPECT_EQ(table.ParseValue(mode, "#1"), 1);
    EXPECT_EQ(table.DescribeRange(mode), "OFF, HOLD, PEAK");

    const CParameter& tempo = *table.Find("tempo");
    EXPECT_EQ(table.ParseValue(tempo, "120"), 100);
    EXPECT_EQ(table.ParseValue(tempo, "19"), std::nullopt);
}

TEST(Parameters, LookupByIdCaptionAndSibling) {
    const Table table(Sample());
    EXPECT_EQ(table.Find("Patch tempo"), table.Find("tempo"));
    EXPECT_EQ(table.Find("Cutoff Frequency"), nullptr) << "a caption shared by two tones names neither";
    const CParameter& cutoff1 = *table.Find("TONE1.CUTOFF");
    const CParameter* cutoff2 = table.FindSibling(cutoff1, 1);
    ASSERT_NE(cutoff2, nullptr);
    EXPECT_EQ(cutoff2->id, "tone2.cutoff");
    EXPECT_EQ(table.FindSibling(*table.Find("tempo"), 1), nullptr);
    EXPECT_EQ(table.GetPages(), std::vector<std::string>{"Page"});
}

TEST(Parameters, LayoutCheckFindsOverlapsAndStrays) {
    EXPECT_EQ(Table(Sample()).CheckLayout(24), "");
    EXPECT_NE(Table(Sample()).CheckLayout(20), "") << "tone 2's wave ends at byte 21";

    auto overlapping = Sample();
    overlapping.push_back(Numeric("late", 0, 1, 0, 127));  // inside the tempo's second nibble
    EXPECT_NE(Table(overlapping).CheckLayout(24).find("overlap"), std::string::npos);

    auto twice = Sample();
    twice.push_back(Numeric("tempo", 0, 5, 0, 127));
    EXPECT_NE(Table(twice).CheckLayout(24).find("twice"), std::string::npos);

    auto shortList = Sample();
    shortList.push_back(Numeric("list", 0, 6, 0, 3));
    shortList.back().texts = {"A", "B"};
    EXPECT_NE(Table(shortList).CheckLayout(24), "");

    auto tooWide = Sample();
    tooWide.push_back(Numeric("wide", 0, 7, 0, 200));
    EXPECT_NE(Table(tooWide).CheckLayout(24), "") << "200 does not fit a 7-bit byte";
}

}  // namespace

TEST(Parameters, TheRowWriterNamesInstancesAndTheTempoShowsBeatsPerMinute) {
    std::vector<CParameter> rows;
    CParameterRowWriter tone(rows, 2, 1, "tone2.", "Tone 2");
    tone.SetPage("Pitch");
    tone.Centred(3, "coarse", "Coarse Tune", 16, 112);
    tone.Tempo(4, "tempo", "Tempo");
    tone.SetBlock(0);
    tone.Switch(7, "mute", "Mute");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].id, "tone2.coarse");
    EXPECT_EQ(rows[0].baseId, "coarse");
    EXPECT_EQ(rows[0].group, "Tone 2");
    EXPECT_EQ(rows[0].block, 2);
    EXPECT_EQ(rows[2].block, 0);
    EXPECT_EQ(rows[2].texts, ParameterTexts::OffOn());

    const Table table(rows);
    Record record;
    EXPECT_EQ(table.FormatValue(rows[0], 16), "-48");
    table.SetValue(record, rows[1], table.ParseValue(rows[1], "120").value());
    EXPECT_EQ(record.Data()[2 * 8 + 4], 0x07);  // 120 = 78 hex in two nibbles
    EXPECT_EQ(record.Data()[2 * 8 + 5], 0x08);
    EXPECT_EQ(table.DescribeRange(rows[1]), "20..250");

    EXPECT_EQ(ParameterTexts::Pans().at(64), "0");
    EXPECT_EQ(ParameterTexts::NoteNames().at(60), "C4");
    EXPECT_EQ(ParameterTexts::Numbered("CC", 9, 10), (ParameterTexts::Texts{"CC09", "CC10"}));
    EXPECT_EQ(ParameterTexts::SignedSteps(-10, 10, 10), (ParameterTexts::Texts{"-10", "0", "+10"}));
}

namespace {

// Records that travel 7-in-8 packed keep all 8 bits: signed whole bytes and bit fields.
TEST(Parameters, WholeBytesAndBitFields) {
    CParameter tune = Numeric("tune", 0, 5, -50, 50);
    tune.wholeByte = true;
    CParameter level = Numeric("level", 0, 6, 0, 200);
    level.wholeByte = true;
    CParameter low = Numeric("low", 0, 7, 0, 15);
    low.mask = 0x0F;
    CParameter high = Numeric("high", 0, 7, 0, 7);
    high.mask = 0x70;
    const Table table({tune, level, low, high});
    EXPECT_EQ(table.CheckLayout(24), "");
    Record record;
    table.SetValue(record, *table.Find("tune"), -3);
    table.SetValue(record, *table.Find("level"), 200);
    EXPECT_EQ(record.Data()[5], 0xFD);
    EXPECT_EQ(record.Data()[6], 200);
    EXPECT_EQ(table.GetValue(record, *table.Find("tune")), -3);
    EXPECT_EQ(table.GetValue(record, *table.Find("level")), 200);

    record.Data()[7] = 0x80;  // a bit no entry owns stays
    table.SetValue(record, *table.Find("low"), 9);
    table.SetValue(record, *table.Find("high"), 5);
    EXPECT_EQ(record.Data()[7], 0xD9);
    EXPECT_EQ(table.GetValue(record, *table.Find("low")), 9);
    EXPECT_EQ(table.GetValue(record, *table.Find("high")), 5);

    CParameter clash = Numeric("clash", 0, 7, 0, 1);
    clash.mask = 0x10;
    EXPECT_NE(Table({low, high, clash}).CheckLayout(24).find("overlap"), std::string::npos);
    CParameter whole = Numeric("whole", 0, 7, 0, 1);
    EXPECT_NE(Table({low, whole}).CheckLayout(24).find("overlap"), std::string::npos);
    CParameter wide = Numeric("wide", 0, 7, 0, 31);
    wide.mask = 0x0F;
    EXPECT_NE(Table({wide}).CheckLayout(24).find("fit"), std::string::npos);
    CParameter big = Numeric("big", 0, 5, -200, 0);
    big.wholeByte = true;
    EXPECT_NE(Table({big}).CheckLayout(24).find("fit"), std::string::npos);
}

}  // namespace
