// "Edit Sample Dump Standard" and the import choices, offscreen, answered
// through the dialog runner.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

#include <sndfile.h>

#include "Commands.h"
#include "File.h"
#include "FlintkitEditing.h"
#include "FlintkitEditors.h"
#include "FlintkitMemory.h"
#include "FlintkitPatch.h"
#include "FlintkitWave.h"
#include "SampleEditDlg.h"
#include "SampleOverview.h"
#include "SynthMemoryFactory.h"
#include "TestSupport.h"
#include "Ui.h"
#include "WaveImportDlg.h"
#include "tonalith/ui/DialogRunner.h"

using namespace flintkit;
using tonalith::test::TempDir;
using tonalith::ui::ScopedDialogRunner;

namespace {

void EnsureApp() {
    static int argc = 1;
    static char name[] = "sampledump_editor_tests";
    static char* argv[] = {name};
    if (!qApp) new QApplication(argc, argv);
}

std::vector<std::int32_t> Tone(int n) {
    std::vector<std::int32_t> s(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) s[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(20000 * std::sin(i / 7.0));
    return s;
}

class FlintkitEditors : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        InstallEditors();
        GetFlintkitSynth().GetConfig().SetReadOnly(true);
        auto sample = SampleToPatch(CWaveSample{44100, Tone(1000), CWaveLoop{kLoopForward, 100, 800}, 16}, 0);
        sample->SetPeriod(22675);  // shown as 44100 Hz as well
        m_memory.GetLayer(0).SetPatch(0, *sample);
    }
    void TearDown() override { SetEditors({}); }

    CFlintkitSamplePatch& Sample() { return static_cast<CFlintkitSamplePatch&>(*m_memory.GetLayer(0).GetPatch(0)); }
    std::vector<std::uint8_t> Bytes() { return {Sample().Data().begin(), Sample().Data().end()}; }

    // What the bank view does on Edit: a clone edited, then one command.
    bool EditThroughView() {
        CLayer& layer = m_memory.GetLayer(0);
        const auto oldPatch = layer.GetPatch(0)->Clone();
        const auto newPatch = oldPatch->Clone();
        if (!newPatch->Edit()) return false;
        auto command = std::make_unique<CEditCommand>();
        command->SetValues(layer, 0, *oldPatch, *newPatch, nullptr, nullptr, 0);
        m_commands.Execute(std::move(command));
        return true;
    }

    CFlintkitSynthMemory m_memory;
    CCmdManager m_commands{nullptr};
};

CSampleEditDlg& EditDialog(QDialog& d) {
    auto* dialog = dynamic_cast<CSampleEditDlg*>(&d);
    EXPECT_NE(dialog, nullptr);
    return *dialog;
}

std::vector<std::size_t> DifferingOffsets(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i]) at.push_back(i);
    return at;
}

}  // namespace

TEST_F(FlintkitEditors, OkIsOneEditOfExactlyTheChangedFieldsAndUndoRestoresTheBytes) {
    const auto before = Bytes();
    {
        ScopedDialogRunner runner([](QDialog& d) {
            CSampleEditDlg& dialog = EditDialog(d);
            EXPECT_EQ(dialog.windowTitle(), "Edit Sample Dump Standard");
            EXPECT_EQ(dialog.Rate().value(), 44100);  // 22675 ns, snapped
            EXPECT_EQ(dialog.LoopStart().value(), 100);
            dialog.Number().setValue(300);
            dialog.LoopType().setCurrentIndex(1);  // "Alternating"
            dialog.LoopEnd().setValue(900);
            dialog.accept();
            return d.result();
        });
        ASSERT_TRUE(EditThroughView());
    }
    const auto after = Bytes();
    ASSERT_EQ(after.size(), before.size());
    // Sample number (4, 5), loop end (16-18; 800 and 900 share the top group), loop
    // type (19): nothing else, the period neither.
    EXPECT_EQ(DifferingOffsets(before, after), (std::vector<std::size_t>{4, 5, 16, 17, 19}));
    EXPECT_EQ(Sample().GetSampleNumber(), 300);
    EXPECT_EQ(Sample().GetLoopType(), kLoopAlternating);
    EXPECT_EQ(Sample().GetLoopEnd(), 900);
    EXPECT_EQ(Sample().GetPeriod(), 22675);
    ASSERT_TRUE(m_commands.CanUndo());
    m_commands.Undo();
    EXPECT_EQ(Bytes(), before);
    EXPECT_FALSE(m_commands.CanUndo());

    // Cancel changes nothing, whatever the fields show; OK without a change makes no edit.
    {
        ScopedDialogRunner runner([](QDialog& d) {
            EditDialog(d).Number().setValue(5);
            EditDialog(d).Rate().setValue(8000);
            d.reject();
            return d.result();
        });
        EXPECT_FALSE(EditThroughView());
    }
    {
        ScopedDialogRunner runner([](QDialog& d) {
            d.accept();
            return d.result();
        });
        EXPECT_FALSE(EditThroughView());
    }
    EXPECT_EQ(Bytes(), before);
    EXPECT_FALSE(m_commands.CanUndo());
}

TEST_F(FlintkitEditors, ANewFormatReencodesTheSampleAndUndoesAsOneEdit) {
    const auto before = Bytes();
    const auto samples = Sample().GetSamples();
    ScopedDialogRunner runner([](QDialog& d) {
        EditDialog(d).Format().setValue(24);
        EditDialog(d).Number().setValue(7);
        d.accept();
        return d.result();
    });
    ASSERT_TRUE(EditThroughView());
    EXPECT_EQ(Sample().GetFormat(), 24);
    EXPECT_EQ(Sample().GetSampleNumber(), 7);
    EXPECT_EQ(Sample().GetSamples(), samples);
    EXPECT_EQ(Sample().GetPeriod(), 22675);
    EXPECT_GT(Bytes().size(), before.size());  // 30 words a packet instead of 40
    m_commands.Undo();
    EXPECT_EQ(Bytes(), before);
}

TEST_F(FlintkitEditors, RateSnapsOntoTheUsualPeriods) {
    // rate typed -> period stored: one off the usual periods snaps onto them.
    for (const auto& [rate, period] : {std::pair{44101, 22676}, {44100, 22676}, {11025, 90703}, {12345, 81004}}) {
        Sample().SetPeriod(22675);
        ScopedDialogRunner runner([rate = rate, period = period](QDialog& d) {
            CSampleEditDlg& dialog = EditDialog(d);
            dialog.Rate().setValue(8000);  // away first, so 44100 counts as typed
            dialog.Rate().setValue(rate);
            EXPECT_EQ(dialog.Period().text(), QStringLiteral("(%1 ns)").arg(rate == 44100 ? 22675 : period));
            dialog.accept();
            return d.result();
        });
        EditThroughView();
        // 44100 is the rate shown already: the exact period stays.
        EXPECT_EQ(Sample().GetPeriod(), rate == 44100 ? 22675 : period) << rate;
        if (rate == 44100) continue;
        EXPECT_EQ(Sample().GetRate(), rate == 44101 ? 44100 : rate);
    }
}

TEST_F(FlintkitEditors, LoopPointsStayInsideTheSample) {
    Sample().SetLoopEnd(5000);  // as a device might send it
    ScopedDialogRunner runner([](QDialog& d) {
        CSampleEditDlg& dialog = EditDialog(d);
        EXPECT_EQ(dialog.LoopEnd().value(), 999);  // shown limited
        dialog.LoopEnd().setValue(4000);
        EXPECT_EQ(dialog.LoopEnd().value(), 999);
        dialog.LoopStart().setValue(999);
        dialog.LoopEnd().setValue(10);  // not before the start
        EXPECT_EQ(dialog.LoopEnd().value(), 999);
        EXPECT_EQ(dialog.Overview().GetLoop(), (std::optional(std::pair{999, 999})));
        dialog.accept();
        return d.result();
    });
    ASSERT_TRUE(EditThroughView());
    EXPECT_EQ(Sample().GetLoopStart(), 999);
    EXPECT_EQ(Sample().GetLoopEnd(), 999);
}

TEST_F(FlintkitEditors, LoopOffShowsNoPointsAndKeepsThem) {
    ScopedDialogRunner runner([](QDialog& d) {
        CSampleEditDlg& dialog = EditDialog(d);
        dialog.LoopType().setCurrentIndex(2);  // "Off"
        EXPECT_FALSE(dialog.LoopStart().isEnabled());
        EXPECT_TRUE(dialog.LoopStart().findChild<QLineEdit*>()->text().isEmpty());
        EXPECT_TRUE(dialog.LoopEnd().findChild<QLineEdit*>()->text().isEmpty());
        EXPECT_FALSE(dialog.Overview().GetLoop());
        dialog.accept();
        return d.result();
    });
    ASSERT_TRUE(EditThroughView());
    EXPECT_EQ(Sample().GetLoopType(), kLoopOff);
    EXPECT_EQ(Sample().GetLoopStart(), 100);
    EXPECT_EQ(Sample().GetLoopEnd(), 800);
}

TEST_F(FlintkitEditors, ALoopChangedInTheDialogIsTheExportedLoop) {
    ScopedDialogRunner runner([](QDialog& d) {
        EditDialog(d).LoopStart().setValue(250);
        EditDialog(d).LoopEnd().setValue(750);
        d.accept();
        return d.result();
    });
    ASSERT_TRUE(EditThroughView());
    const std::string path = (TempDir() / "edited.wav").string();
    ExportWave(Sample(), path);
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(f, nullptr);
    SF_INSTRUMENT inst{};
    ASSERT_EQ(sf_command(f, SFC_GET_INSTRUMENT, &inst, sizeof inst), SF_TRUE);
    sf_close(f);
    ASSERT_EQ(inst.loop_count, 1);
    EXPECT_EQ(inst.loops[0].mode, SF_LOOP_FORWARD);
    EXPECT_EQ(inst.loops[0].start, 250u);
    EXPECT_EQ(inst.loops[0].end, 751u);  // libsndfile: one past the last
}

TEST_F(FlintkitEditors, AnEmptySampleSaysSoInsteadOfOpening) {
    CScopedScriptedUi ui;
    CFlintkitSamplePatch empty;
    int opened = 0;
    ScopedDialogRunner runner([&opened](QDialog&) { return ++opened, 0; });
    EXPECT_FALSE(empty.Edit());
    EXPECT_EQ(opened, 0);
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_NE(ui->messages[0].find("no sample to edit"), std::string::npos);
}

TEST(FlintkitOverview, EveryColumnKeepsItsExtremes) {
    std::vector<std::int16_t> s(10000, 0);
    s[4321] = 30000;  // one sample: a naive pick of every n-th sample loses it
    s[4322] = -30000;
    const auto columns = ColumnRanges(s, 100);
    ASSERT_EQ(columns.size(), 100u);
    EXPECT_EQ(columns[43], (CColumnRange{-30000, 30000}));
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (c == 43) continue;
        EXPECT_EQ(columns[c], CColumnRange{}) << c;
    }
    // Fewer samples than columns: each column shows the sample under it.
    const auto wide = ColumnRanges(std::vector<std::int16_t>{-5, 7}, 4);
    EXPECT_EQ(wide, (std::vector<CColumnRange>{{-5, -5}, {-5, -5}, {7, 7}, {7, 7}}));
    EXPECT_EQ(ColumnRanges({}, 3).size(), 3u);
}

// The import asks for the channel and the depth; its answer decides the dump.
TEST_F(FlintkitEditors, ImportTakesTheChosenChannelAndDepth) {
    // Left a quiet ramp, right a loud one, 24 bits.
    const std::string path = (TempDir() / "two.wav").string();
    {
        SF_INFO info{};
        info.samplerate = 22050;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
        SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
        ASSERT_NE(f, nullptr);
        std::vector<int> frames;
        for (int i = 0; i < 300; ++i) frames.insert(frames.end(), {i << 8, (i * 1000 + 7) << 8});
        sf_writef_int(f, frames.data(), 300);
        sf_close(f);
    }
    CScopedScriptedUi ui;
    const auto before = Bytes();
    bool monoSeen = true;
    ui->files = {path};
    {
        ScopedDialogRunner runner([&monoSeen](QDialog& d) {
            auto* dialog = dynamic_cast<CWaveImportDlg*>(&d);
            EXPECT_NE(dialog, nullptr);
            EXPECT_TRUE(dialog->ChannelButton(WaveChannel::Mix).isChecked());
            EXPECT_EQ(dialog->Bits().value(), 16);
            monoSeen = !dialog->ChannelButton(WaveChannel::Left).isEnabled();
            EXPECT_NE(dialog->findChild<QLabel*>()->text().indexOf("stereo, 24 bit, 22050 Hz, 300 samples"), -1);
            dialog->ChannelButton(WaveChannel::Right).setChecked(true);
            dialog->Bits().setValue(24);
            d.accept();
            return d.result();
        });
        m_memory.GetAdditionalTool(0).Execute(CToolContext{&m_commands});
    }
    EXPECT_FALSE(monoSeen);
    EXPECT_TRUE(ui->messages.empty());
    EXPECT_EQ(Sample().GetFormat(), 24);
    ASSERT_EQ(Sample().GetLength(), 300);
    EXPECT_EQ(Sample().GetWords()[3], 3007);
    m_commands.Undo();
    EXPECT_EQ(Bytes(), before);

    // Cancel: no import, no message.
    ui->files = {path};
    ScopedDialogRunner cancel([](QDialog& d) {
        d.reject();
        return d.result();
    });
    m_memory.GetAdditionalTool(0).Execute(CToolContext{&m_commands});
    EXPECT_EQ(Bytes(), before);
    EXPECT_TRUE(ui->messages.empty());
    EXPECT_FALSE(m_commands.CanUndo());

    // A file that is no WAV is refused before anything is asked.
    tonalith::test::WriteFile(TempDir() / "junk.wav", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'I', 'F', 'F'});
    ui->files = {(TempDir() / "junk.wav").string()};
    m_memory.GetAdditionalTool(0).Execute(CToolContext{&m_commands});
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_NE(ui->messages[0].find("junk.wav"), std::string::npos);
}

// The built Flintkit.so installs its editor when the factory loads it.
TEST(FlintkitPlugin, ASampleFromThePluginEditsInItsDialog) {
    EnsureApp();
    CScopedScriptedUi ui;
    CSynthMemoryFactory::SetSearchPath({FLINTKIT_PLUGIN_DIR});
    {
        CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
        const auto sample = SampleToPatch(CWaveSample{32000, Tone(500), CWaveLoop{kLoopForward, 10, 400}, 16}, 0);
        CMemFile file(sample->GetSysExData(false), "one.syx");
        auto memory = factory.CreateMatchingMemory(file);
        ASSERT_NE(memory, nullptr);
        memory->Load(file);
        CPatch& patch = *memory->GetLayer(0).GetPatch(0);
        QString title;
        ScopedDialogRunner runner([&title](QDialog& d) {
            title = d.windowTitle();
            auto* end = d.findChild<QSpinBox*>("loopEnd");
            if (end) end->setValue(450);
            d.accept();
            return d.result();
        });
        EXPECT_TRUE(patch.Edit());
        EXPECT_EQ(title, "Edit Sample Dump Standard");
        EXPECT_EQ(Read21(patch.Data(), kOffsetLoopEnd), 450);
        EXPECT_TRUE(ui->messages.empty());
    }
    CSynthMemoryFactory::Delete();
}
