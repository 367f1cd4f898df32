// Receive, Receive All and Send through the main frame, the dialogs and a
// loopback MIDI system.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <thread>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>

#include "AppConfig.h"
#include "BankView.h"
#include "FileX.h"
#include "Functions.h"
#include "MainFrame.h"
#include "MidiBackend.h"
#include "MidiStatusBar.h"
#include "StringTable.h"
#include "Synth.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "TestSupport.h"
#include "TransferDlgs.h"
#include "TransferModel.h"
#include "Ui.h"
#include "tonalith/ui/DialogRunner.h"

namespace fs = std::filesystem;
using tonalith::test::WaitUntil;

namespace {

QStringList Texts(const QListWidget& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i) out << list.item(i)->text();
    return out;
}

std::vector<std::uint8_t> SysEx(std::size_t size) {
    std::vector<std::uint8_t> bytes(size, 0x11);
    bytes.front() = 0xF0;
    bytes.back() = 0xF7;
    return bytes;
}

// A generic dump command on the first loopback ports.
CDumpCommand Command(std::string name, std::string request, long size) {
    CDumpCommand command;
    command.m_name = std::move(name);
    command.m_request = std::move(request);
    command.m_expectedSize = size;
    command.m_inputDevice = 0;
    command.m_outputDevice = 0;
    return command;
}

class TransferTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "shell_tests";
        static char* argv[] = {name};
        if (!qApp) new QApplication(argc, argv);
    }
    void SetUp() override {
        fs::remove(CFunctions::GetConfigPath() + "Tonalith.ini");
        CSynthMemoryFactory::SetSearchPath({TEST_PLUGIN_DIR});
        CTonalithView::SetAuditionSink([](const CPatch&) {});
        m_loop = CMidiLoopback::Create(2);
        CMidi::Get().SetBackend(m_loop->MakeBackend());
        m_generic = CSynthMemoryFactory::Get().GetGenericMemory().GetSynth();
        while (m_generic->GetDumpCommandsCount() > 0) m_generic->RemoveDumpCommand(0);
        m_generic->AddDumpCommand(Command("Gen Request", "F0 41 10 F7", 100));
        m_generic->AddDumpCommand(Command("Gen Manual", "", 0));
        m_folder = tonalith::test::TempDir();
        CAppConfig::Get().m_actPath = m_folder.string();
    }
    void TearDown() override {
        while (m_generic && m_generic->GetDumpCommandsCount() > 0) m_generic->RemoveDumpCommand(0);
        CTonalithView::SetAuditionSink({});
    }
    // The loopback answers a request on output 0 with a SysEx of size bytes on input 0.
    void AnswerWith(std::size_t size) {
        m_loop->SetResponder(
            [size](CMidiLoopback& loop, int, std::span<const std::uint8_t>) { loop.Inject(0, SysEx(size)); });
    }
    static bool Pump(const std::function<bool()>& condition) {
        return WaitUntil([&] {
            QApplication::processEvents();
            return condition();
        });
    }

    std::shared_ptr<CMidiLoopback> m_loop;
    CSynth* m_generic = nullptr;
    fs::path m_folder;
};

}  // namespace

TEST_F(TransferTest, ListsOfBothModesAndTheRememberedSelection) {
    CScopedScriptedUi ui;
    CMainFrame frame;
    CAppConfig& config = CAppConfig::Get();
    config.PutString("RECEIVE_ALL0", "Gone Away");
    config.PutString("RECEIVE_ALL1", "Gen Request");
    config.PutString("RECEIVE_ALL2", "");
    {
        CReceiveDlg dialog(CReceiveDlg::Mode::Receive);
        // The generic memory's own entry is never there; its command without a request is manual.
        const QStringList manual = Texts(dialog.Manual());
        EXPECT_FALSE(manual.contains("Generic"));
        EXPECT_TRUE(manual.contains("Gen Manual"));
        EXPECT_GE(manual.size(), 2);
        EXPECT_EQ(Texts(dialog.Automatic()), QStringList{"Gen Request"});
        EXPECT_FALSE(dialog.MoveRight().isVisibleTo(&dialog));
        EXPECT_TRUE(dialog.PathEdit().text().endsWith(QString::fromStdString(TodayText() + ".syx")));
        // One entry at most is chosen across the two lists.
        dialog.Manual().setCurrentRow(0);
        EXPECT_TRUE(dialog.Automatic().selectedItems().isEmpty());
    }
    CReceiveDlg all(CReceiveDlg::Mode::All);
    EXPECT_EQ(all.windowTitle(), "Receive All");
    // A remembered name that no longer exists is ignored; the manual command is left out.
    EXPECT_EQ(Texts(all.Manual()), QStringList{"Gen Request"});
    EXPECT_TRUE(Texts(all.Automatic()).isEmpty());
    EXPECT_FALSE(all.MoveRight().isEnabled());
    all.MoveLeft().click();
    EXPECT_EQ(Texts(all.Automatic()), QStringList{"Gen Request"});
    EXPECT_FALSE(all.OkButton().isEnabled());
    all.MoveRight().click();
    EXPECT_EQ(all.Manual().currentItem()->text(), "Gen Request");
    all.accept();
    EXPECT_EQ(all.result(), QDialog::Accepted);
    EXPECT_EQ(config.GetString("RECEIVE_ALL0"), "Gen Request");
    EXPECT_EQ(config.GetString("RECEIVE_ALL1"), "");
    EXPECT_EQ(all.GetPath(), CFileX::EnsureSlash(m_folder.string()));
}

TEST_F(TransferTest, MissingFolderAndExistingFileKeepTheDialogOpen) {
    CScopedScriptedUi ui;
    CMainFrame frame;
    CReceiveDlg dialog(CReceiveDlg::Mode::Receive);
    dialog.PathEdit().setText("/no/such/folder/x.syx");
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0], CStringTable::Get(61246));
    const fs::path existing = m_folder / "there.syx";
    tonalith::test::WriteFile(existing, {0xF0, 0xF7});
    dialog.PathEdit().setText(QString::fromStdString(existing.string()));
    ui->answers.push_back(false);
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(ui->questions.size(), 1u);
    EXPECT_NE(ui->questions[0].find("'" + existing.string() + "' does already exist."), std::string::npos);
}

TEST_F(TransferTest, DumpFolderNamesAndFileNames) {
    std::set<std::string> present{"/d/6.12.2026", "/d/6.12.2026-1"};
    auto exists = [&](const std::string& p) { return present.contains(p); };
    EXPECT_EQ(NextDumpFolder("/d/", "6.12.2026", exists), "/d/6.12.2026-2");
    EXPECT_EQ(NextDumpFolder("/e", "6.12.2026", exists), "/e/6.12.2026");
    EXPECT_EQ(DateText(6, 12, 2026), "6.12.2026");
    EXPECT_EQ(DumpFileName("/d/6.12.2026", 0, "Programs"), "/d/6.12.2026/1 - Programs.syx");
    EXPECT_EQ(DumpFileName("/d/x/", 1, "A/B"), "/d/x/2 - A_B.syx");  // never a subfolder
}

TEST_F(TransferTest, ReceiveAllMakesTheNextFreeDatedFolderAndPausesBetweenDumps) {
    CScopedScriptedUi ui;
    CMainFrame frame;
    AnswerWith(100);
    m_generic->AddDumpCommand(Command("Second", "F0 42 F7", 100));
    fs::create_directory(m_folder / TodayText());
    fs::create_directory(m_folder / (TodayText() + "-1"));
    CAppConfig::Get().PutString("RECEIVE_ALL0", "Gen Request");
    CAppConfig::Get().PutString("RECEIVE_ALL1", "Second");
    CAppConfig::Get().PutString("RECEIVE_ALL2", "");
    frame.SetReceiveAllPause(200);
    tonalith::ui::ScopedDialogRunner runner([](QDialog& d) {
        d.accept();
        return d.result();
    });
    frame.OnReceiveAll();
    const fs::path folder = m_folder / (TodayText() + "-2");
    EXPECT_TRUE(fs::is_directory(folder));
    ASSERT_TRUE(Pump([&] { return !frame.IsReceiveAllRunning(); }));
    EXPECT_EQ(fs::file_size(folder / "1 - Gen Request.syx"), 100u);
    EXPECT_EQ(fs::file_size(folder / "2 - Second.syx"), 100u);
    const auto writes = m_loop->GetWrites();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_GE(writes[1].time - writes[0].time, std::chrono::milliseconds(200));
    EXPECT_FALSE(frame.TransferStatus().isVisible());
    EXPECT_TRUE(frame.MdiArea().subWindowList().isEmpty());  // Receive All opens nothing
}

// The ports were numbered otherwise when the command was stored (JACK reorders
// them): its port names win over its indexes.
TEST_F(TransferTest, AGenericCommandReceivesOnItsNamedPortsNotItsStaleIndexes) {
    CScopedScriptedUi ui;
    CMainFrame frame;
    m_loop->SetResponder(
        [](CMidiLoopback& loop, int port, std::span<const std::uint8_t>) { loop.Inject(port, SysEx(100)); });
    CDumpCommand named = Command("Named", "F0 43 F7", 100);  // indexes 0: stale
    named.m_inputName = "Loopback In 2";
    named.m_outputName = "Loopback Out 2";
    m_generic->AddDumpCommand(named);
    CAppConfig::Get().PutString("RECEIVE_ALL0", "Named");
    CAppConfig::Get().PutString("RECEIVE_ALL1", "");
    tonalith::ui::ScopedDialogRunner runner([](QDialog& d) {
        d.accept();
        return d.result();
    });
    frame.OnReceiveAll();
    ASSERT_TRUE(Pump([&] { return !frame.IsReceiveAllRunning(); }));
    const auto writes = m_loop->GetWrites();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].port, 1);
    EXPECT_EQ(fs::file_size(m_folder / TodayText() / "1 - Named.syx"), 100u);
}

TEST_F(TransferTest, StopDuringAManualReceiveOpensWhatArrived) {
    CScopedScriptedUi ui;
    CMainFrame frame;
    tonalith::ui::ScopedDialogRunner runner([](QDialog& d) {
        auto& dialog = dynamic_cast<CReceiveDlg&>(d);
        const int row = static_cast<int>(Texts(dialog.Manual()).indexOf("Gen Manual"));
        dialog.Manual().setCurrentRow(row);
        dialog.accept();
        return dialog.result();
    });
    frame.OnReceive();
    CTransferStatusDlg& status = frame.TransferStatus();
    ASSERT_TRUE(status.isVisible());
    EXPECT_EQ(status.Text().text().toStdString(), CStringTable::Get(62002));
    EXPECT_FALSE(status.Progress().isVisibleTo(&status));
    m_loop->Inject(0, SysEx(40));
    ASSERT_TRUE(Pump([&] { return status.Count().text() == "40"; }));
    status.StopButton().click();
    EXPECT_FALSE(status.isVisible());
    ASSERT_TRUE(Pump([&] { return frame.MdiArea().subWindowList().size() == 1; }));
}

TEST_F(TransferTest, AShortReceiveIsKeptButMarkedIncomplete) {
    CScopedScriptedUi ui;
    CMainFrame frame;
    AnswerWith(30);
    CMidi::Get().GetInput(0).SetInactivityTimeout(std::chrono::milliseconds(200));
    const fs::path target = m_folder / "short.syx";
    tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
        auto& dialog = dynamic_cast<CReceiveDlg&>(d);
        dialog.Automatic().setCurrentRow(0);
        dialog.PathEdit().setText(QString::fromStdString(target.string()));
        dialog.accept();
        return dialog.result();
    });
    frame.OnReceive();
    EXPECT_EQ(frame.TransferStatus().Text().text().toStdString(), CStringTable::Get(62001));
    EXPECT_EQ(frame.TransferStatus().Progress().maximum(), 100);
    ASSERT_TRUE(Pump([&] { return frame.MdiArea().subWindowList().size() == 1; }));
    EXPECT_EQ(fs::file_size(target), 30u);
    EXPECT_TRUE(frame.MdiArea().subWindowList()[0]->windowTitle().contains("incomplete: 30 of 100 bytes"));
    EXPECT_TRUE(frame.MidiStatusBar().MessageText().contains("incomplete: 30 of 100 bytes"));
    EXPECT_EQ(ui->messages.back(), "short.syx:\nincomplete: 30 of 100 bytes");
}

TEST_F(TransferTest, SendStreamsTheChosenLayersAndRemovesThePrivateFile) {
    CScopedScriptedUi ui;
    CMainFrame frame;
    const fs::path bank = m_folder / "bank.syx";
    const std::vector<std::uint8_t> data = SysEx(64);
    tonalith::test::WriteFile(bank, data);
    ASSERT_NE(frame.OpenDocumentFile(bank.string()), nullptr);  // the generic memory holds it
    std::string seenFile;
    tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
        auto& dialog = dynamic_cast<CSendDlg&>(d);
        EXPECT_FALSE(dialog.Layers().isVisibleTo(&dialog));
        EXPECT_EQ(Texts(dialog.Connections()), (QStringList{"Gen Request", "Gen Manual"}));
        dialog.accept();
        return dialog.result();
    });
    frame.OnSend();
    ASSERT_TRUE(Pump([&] { return !frame.TransferStatus().isVisible(); }));
    std::vector<std::uint8_t> sent;
    for (const auto& w : m_loop->GetWrites()) sent.insert(sent.end(), w.bytes.begin(), w.bytes.end());
    EXPECT_EQ(sent, data);
    std::size_t left = 0;
    for (const auto& e : fs::directory_iterator(fs::temp_directory_path()))
        if (e.path().filename().string().starts_with("tonalith-send-")) ++left;
    EXPECT_EQ(left, 0u);
}

TEST_F(TransferTest, SendDialogPreselectsTheFilesLayersAndWarnsAboutTheOthers) {
    CSendDlg dialog({"Programs", "Combinations", "Global"}, {0, 2}, {1}, {});
    EXPECT_TRUE(dialog.Layers().isVisibleTo(&dialog));
    EXPECT_FALSE(dialog.Connections().isVisibleTo(&dialog));
    EXPECT_EQ(dialog.GetLayers(), (std::vector<int>{0, 2}));
    EXPECT_FALSE(dialog.Warning().isVisibleTo(&dialog));
    // A layer the file did not hold would overwrite the instrument's patches: said before sending.
    dialog.Layers().item(1)->setSelected(true);
    EXPECT_TRUE(dialog.Warning().isVisibleTo(&dialog));
    EXPECT_TRUE(dialog.Warning().text().contains("Combinations"));
    EXPECT_EQ(dialog.GetConnection(), -1);
}

// Measures (and records for the report) the longest the event loop went without
// running a timer during a 1 MB receive; the figure is not asserted.
TEST_F(TransferTest, EventLoopStaysResponsiveDuringAMegabyteReceive) {
    CScopedScriptedUi ui;
    CMainFrame frame;
    constexpr int kMessages = 1024, kSize = 1024;
    m_generic->AddDumpCommand(Command("Big", "F0 43 F7", long{kMessages} * kSize));
    m_loop->SetResponder([](CMidiLoopback& loop, int, std::span<const std::uint8_t>) {
        std::thread([&loop] {
            for (int i = 0; i < kMessages; ++i) loop.Inject(0, SysEx(kSize));
        }).detach();
    });
    const fs::path target = m_folder / "big.syx";
    tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
        auto& dialog = dynamic_cast<CReceiveDlg&>(d);
        dialog.Automatic().setCurrentRow(static_cast<int>(Texts(dialog.Automatic()).indexOf("Big")));
        dialog.PathEdit().setText(QString::fromStdString(target.string()));
        dialog.accept();
        return dialog.result();
    });
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    clock.start();
    tick.start(5);
    frame.OnReceive();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!frame.MdiArea().subWindowList().isEmpty() || clock.elapsed() > 60000) loop.quit();
    });
    poll.start(20);
    loop.exec();
    EXPECT_EQ(fs::file_size(target), std::uintmax_t{kMessages} * kSize);
    RecordProperty("longest_event_loop_gap_ms", static_cast<int>(longest));
    std::printf("longest event loop gap during a 1 MB receive: %lld ms\n", static_cast<long long>(longest));
}

TEST_F(TransferTest, ClosingTheProgramDuringAReceiveOpensNothing) {
    CScopedScriptedUi ui;
    {
        CMainFrame frame;
        tonalith::ui::ScopedDialogRunner runner([](QDialog& d) {
            auto& dialog = dynamic_cast<CReceiveDlg&>(d);
            dialog.Manual().setCurrentRow(static_cast<int>(Texts(dialog.Manual()).indexOf("Gen Manual")));
            dialog.accept();
            return dialog.result();
        });
        frame.OnReceive();
        m_loop->Inject(0, SysEx(40));
        ASSERT_TRUE(Pump([&] { return frame.TransferStatus().Count().text() == "40"; }));
    }  // the devices close with the frame; their end must not reach it
    EXPECT_TRUE(ui->messages.empty());
}
