// Opening a WAV file offers to import it as a sample dump with the sample-dump
// plug-in's own import (its dialog included), into a new bank that never
// writes over the WAV file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QDropEvent>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QMimeData>
#include <QRadioButton>
#include <QSpinBox>
#include <QUrl>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "BankView.h"
#include "CopyBox.h"
#include "File.h"
#include "Layer.h"
#include "MainFrame.h"
#include "Patch.h"
#include "ShellTestSupport.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "TestSupport.h"
#include "TonalithDoc.h"
#include "Ui.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/QtUi.h"

namespace fs = std::filesystem;

namespace {

void PutLE(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A 16-bit PCM WAV file: frames of one value per channel.
std::vector<std::uint8_t> Wave(int channels, const std::vector<std::vector<std::int16_t>>& frames) {
    const auto data = static_cast<std::uint32_t>(frames.size() * static_cast<std::size_t>(channels) * 2);
    std::vector<std::uint8_t> out{'R', 'I', 'F', 'F'};
    PutLE(out, 36 + data, 4);
    for (char c : std::string("WAVEfmt ")) out.push_back(static_cast<std::uint8_t>(c));
    PutLE(out, 16, 4);
    PutLE(out, 1, 2);  // PCM
    PutLE(out, static_cast<std::uint32_t>(channels), 2);
    PutLE(out, 22050, 4);
    PutLE(out, 22050u * static_cast<std::uint32_t>(channels) * 2, 4);
    PutLE(out, static_cast<std::uint32_t>(channels) * 2, 2);
    PutLE(out, 16, 2);
    for (char c : std::string("data")) out.push_back(static_cast<std::uint8_t>(c));
    PutLE(out, data, 4);
    for (const auto& frame : frames)
        for (const std::int16_t v : frame) PutLE(out, static_cast<std::uint16_t>(v), 2);
    return out;
}

// Left silent, right a ramp: which channel was imported shows in the dump.
std::vector<std::uint8_t> StereoWave(int frames) {
    std::vector<std::vector<std::int16_t>> samples;
    for (int i = 0; i < frames; ++i) samples.push_back({0, static_cast<std::int16_t>(i * 97 - 9000)});
    return Wave(2, samples);
}

// The program's own services: questions and the import dialog go through the dialog runner.
class ShellWaveTest : public CShellFixture {
protected:
    void SetUp() override {
        CShellFixture::SetUp();
        UseRealPlugins();
        m_previous = CUi::Install(std::make_unique<tonalith::ui::CQtUi>());
        m_dir = tonalith::test::TempDir();
    }
    void TearDown() override { CUi::Install(std::move(m_previous)); }

    fs::path Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        tonalith::test::WriteFile(m_dir / name, bytes);
        return m_dir / name;
    }

    // Answers the question, then the import dialog (channel and bits; Cancel when
    // bits is 0), recording what was asked and said.
    tonalith::ui::ScopedDialogRunner Answer(bool yes, const QString& channel = {}, int bits = 16) {
        return tonalith::ui::ScopedDialogRunner([this, yes, channel, bits](QDialog& d) {
            if (const QCursor* cursor = QApplication::overrideCursor()) m_cursors << cursor->shape();
            if (auto* box = dynamic_cast<QMessageBox*>(&d)) {
                const bool question = (box->standardButtons() & QMessageBox::No) != 0;
                (question ? m_questions : m_messages) << box->text();
                return int(question ? (yes ? QMessageBox::Yes : QMessageBox::No) : QMessageBox::Ok);
            }
            if (dynamic_cast<QFileDialog*>(&d)) {
                m_fileDialogs << d.windowTitle();
                return int(QDialog::Rejected);
            }
            m_dialogs << d.windowTitle();
            auto* spin = d.findChild<QSpinBox*>();
            if (!spin || bits == 0) return int(QDialog::Rejected);
            spin->setValue(bits);
            for (QRadioButton* b : d.findChildren<QRadioButton*>())
                if (!channel.isEmpty() && b->text().startsWith(channel)) b->setChecked(true);
            m_channelsEnabled =
                !d.findChildren<QRadioButton*>().isEmpty() && d.findChildren<QRadioButton*>().front()->isEnabled();
            d.accept();
            return int(QDialog::Accepted);
        });
    }

    static int Windows(CMainFrame& frame) {
        return static_cast<int>(frame.findChild<QMdiArea*>()->subWindowList().size());
    }

    static std::vector<std::uint8_t> SavedBank(CTonalithView& view) {
        CMemFile saved;
        view.GetDocument().GetMemory()->Save(saved, true);
        return saved.Data();
    }

    std::unique_ptr<CUi> m_previous;
    fs::path m_dir;
    QStringList m_questions, m_messages, m_dialogs, m_fileDialogs;
    bool m_channelsEnabled = false;
    QList<Qt::CursorShape> m_cursors;  // shown over each dialog
};

TEST_F(ShellWaveTest, YesImportsThroughTheDialogIntoANewBankThatNeverWritesOverTheWave) {
    const fs::path wav = Write("drum loop.wav", StereoWave(300));
    const auto original = tonalith::test::ReadFile(wav);
    CMainFrame frame;
    std::vector<std::uint8_t> right, left;
    {
        auto runner = Answer(true, "&Right", 24);
        QMdiSubWindow* window = frame.OpenDocumentFile(wav.string());
        ASSERT_NE(window, nullptr) << m_messages.join("\n").toStdString();
        ASSERT_EQ(m_questions.size(), 1);
        EXPECT_TRUE(m_questions[0].contains("drum loop.wav")) << m_questions[0].toStdString();
        EXPECT_TRUE(m_questions[0].contains("Import")) << m_questions[0].toStdString();
        EXPECT_EQ(m_dialogs, QStringList{"Import Wave"});
        EXPECT_TRUE(m_channelsEnabled);  // a stereo file offers its channels
        EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join("\n").toStdString();
        // The file opens under the wait cursor; the user answers under the arrow.
        EXPECT_EQ(m_cursors, (QList<Qt::CursorShape>{Qt::ArrowCursor, Qt::ArrowCursor}));
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);

        auto* view = qobject_cast<CTonalithView*>(window->widget());
        ASSERT_NE(view, nullptr);
        CTonalithDoc& doc = view->GetDocument();
        EXPECT_EQ(doc.GetPathName(), "");
        EXPECT_TRUE(doc.IsModified());
        EXPECT_NE(doc.GetTitle().find("drum loop.wav"), std::string::npos);
        EXPECT_FALSE(doc.GetMemory()->IsGeneric());
        right = SavedBank(*view);
        // Dump header F0 7E cc 01 ss ss ee: ee is the bits chosen in the dialog.
        ASSERT_GT(right.size(), 21u);
        EXPECT_EQ(right[0], 0xF0);
        EXPECT_EQ(right[3], 0x01);
        EXPECT_EQ(right[6], 24);
        // The sample length (3 x 7 bits, in words) is the file's frame count.
        EXPECT_EQ(right[10] | right[11] << 7 | right[12] << 14, 300);

        // Save asks for a new file; cancelled, nothing is written anywhere.
        EXPECT_FALSE(view->Save());
        EXPECT_EQ(m_fileDialogs, QStringList{"Save As"});
        EXPECT_EQ(tonalith::test::ReadFile(wav), original);
        view->GetDocument().SetModifiedFlag(false);
    }
    {
        auto runner = Answer(true, "&Left", 24);
        QMdiSubWindow* window = frame.OpenDocumentFile(wav.string());
        ASSERT_NE(window, nullptr);
        left = SavedBank(*qobject_cast<CTonalithView*>(window->widget()));
        qobject_cast<CTonalithView*>(window->widget())->GetDocument().SetModifiedFlag(false);
    }
    EXPECT_EQ(left.size(), right.size());
    EXPECT_NE(left, right);  // the channel chosen is the channel imported
    EXPECT_EQ(Windows(frame), 2);
}

TEST_F(ShellWaveTest, NoOrCancelOpensNothingAndAnUnreadableWaveIsNamed) {
    const fs::path wav = Write("mono.wav", Wave(1, {{100}, {200}, {-300}, {400}}));
    CMainFrame frame;
    {
        // Dropped on the window, answered No: nothing opens and nothing more is said.
        auto runner = Answer(false);
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(wav.string()))});
        // Qt delivers a drop only where a drag entered and was accepted.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&frame, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&frame, &drop);
        EXPECT_EQ(m_questions.size(), 1);
        EXPECT_TRUE(m_dialogs.isEmpty());
        EXPECT_TRUE(m_messages.isEmpty());
        EXPECT_EQ(Windows(frame), 0);
    }
    {
        // Yes, then Cancel in the import dialog.
        auto runner = Answer(true, {}, 0);
        EXPECT_EQ(frame.OpenDocumentFile(wav.string()), nullptr);
        EXPECT_EQ(m_dialogs, QStringList{"Import Wave"});
        EXPECT_FALSE(m_channelsEnabled);
        EXPECT_TRUE(m_messages.isEmpty());
        EXPECT_EQ(Windows(frame), 0);
    }
    {
        // A WAV header over bytes libsndfile cannot read: the message names the file.
        std::vector<std::uint8_t> broken{'R', 'I', 'F', 'F', 60, 0, 0, 0, 'W',  'A',  'V', 'E',
                                         'f', 'm', 't', ' ', 16, 0, 0, 0, 0x55, 0x55, 1,   0};
        broken.resize(64, 0xEE);
        const fs::path bad = Write("broken.wav", broken);
        m_dialogs.clear();
        auto runner = Answer(true);
        EXPECT_EQ(frame.OpenDocumentFile(bad.string()), nullptr);
        ASSERT_EQ(m_messages.size(), 1);
        EXPECT_TRUE(m_messages[0].contains("broken.wav")) << m_messages[0].toStdString();
        EXPECT_TRUE(m_dialogs.isEmpty());
        EXPECT_EQ(Windows(frame), 0);
    }
}

TEST_F(ShellWaveTest, FieldWavesImportWithTheDefaults) {
    TONALITH_FIELD_DATA_OR_SKIP(field);
    std::vector<fs::path> waves;
    if (fs::is_directory(field / "wav"))
        for (const auto& entry : fs::directory_iterator(field / "wav"))
            if (entry.path().extension() == ".wav") waves.push_back(entry.path());
    if (waves.empty()) GTEST_SKIP() << "no WAV files in " << field / "wav";
    std::sort(waves.begin(), waves.end());
    CMainFrame frame;
    auto runner = Answer(true);
    QMdiSubWindow* window = frame.OpenDocumentFile(waves.front().string());
    ASSERT_NE(window, nullptr) << waves.front() << ": " << m_messages.join("\n").toStdString();
    auto* view = qobject_cast<CTonalithView*>(window->widget());
    const auto bank = SavedBank(*view);
    ASSERT_GT(bank.size(), 21u);
    EXPECT_EQ(bank[6], 16);
    EXPECT_GT(bank[10] | bank[11] << 7 | bank[12] << 14, 0);
    view->GetDocument().SetModifiedFlag(false);
}

}  // namespace
