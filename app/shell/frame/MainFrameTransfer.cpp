// Receive, Receive All and Send: the dialogs' choices become transfers of the
// framework's MIDI devices; their notifications drive the status window, open
// what arrived and run the next dump of a Receive All.
#include <QMdiSubWindow>
#include <QTimer>

#include <cstdlib>
#include <filesystem>

#include "AppConfig.h"
#include "BankView.h"
#include "File.h"
#include "FileX.h"
#include "Functions.h"
#include "Layer.h"
#include "MainFrame.h"
#include "MainFrameTransfer.h"
#include "MidiStatusBar.h"
#include "StringTable.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "TonalithDoc.h"
#include "TransferDlgs.h"
#include "TransferModel.h"
#include "Ui.h"
#include "tonalith/ui/DialogRunner.h"

namespace fs = std::filesystem;

namespace {
constexpr const char* kSendFile = "sysex~~~.tmp";

bool Busy(const CTransferState& t) {
    if (t.kind == CTransferState::Kind::None) return false;
    CUi::Get().MessageBox("A transfer is running; stop it before starting another.", CUi::Icon::Information);
    return true;
}

// The dump command as the synth's connection settings say (they win over the command's own).
CDumpCommand WithSynthSettings(CDumpCommand command, const CSynthMemory& memory) {
    if (memory.IsGeneric() || !memory.GetSynth()) return command;
    const CSynth& synth = *memory.GetSynth();
    command.m_inputDevice = synth.GetMidiInputDevice();
    command.m_outputDevice = synth.GetMidiOutputDevice();
    command.m_inputName = synth.GetMidiInputDeviceName();
    command.m_outputName = synth.GetMidiOutputDeviceName();
    command.m_blockSize = synth.GetInputBlockSize();
    command.m_blockCount = synth.GetInputBlockCount();
    return command;
}

void Reset(CTransferState& t) {
    const int pause = t.pauseMs;
    t = CTransferState{};
    t.pauseMs = pause;
}

std::string IncompleteText(long got, long expected) {
    return "incomplete: " + std::to_string(got) + " of " + std::to_string(expected) + " bytes";
}
}  // namespace

CTransferStatusDlg& CMainFrame::TransferStatus() {
    if (!m_transferStatus) {
        m_transferStatus = new CTransferStatusDlg(this);
        connect(m_transferStatus, &CTransferStatusDlg::Stopped, this, [this] {
            if (m_transfer) m_transfer->stopped = true;
        });
    }
    if (!m_transfer) m_transfer = std::make_unique<CTransferState>();
    return *m_transferStatus;
}

void CMainFrame::SetReceiveAllPause(int ms) {
    TransferStatus();
    m_transfer->pauseMs = ms;
}

bool CMainFrame::IsReceiveAllRunning() const {
    return m_transfer && m_transfer->kind == CTransferState::Kind::ReceiveAll;
}

void CMainFrame::OnReceive() {
    CTransferStatusDlg& status = TransferStatus();
    CTransferState& t = *m_transfer;
    if (Busy(t)) return;
    StopMidiFile();  // the file's notes would mix with the dump
    CReceiveDlg dialog(CReceiveDlg::Mode::Receive, this);
    if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) return;
    const CTransferEntry entry = dialog.GetChosen();
    const CSynthMemory& memory = CSynthMemoryFactory::Get().GetMemory(entry.memory);
    CSynth* synth = memory.GetSynth();
    if (!synth) {
        CUi::Get().MessageBox("\"" + memory.GetName() + "\" has no MIDI connection to receive with.");
        return;
    }
    const CDumpCommand* command = entry.command >= 0 ? &synth->GetDumpCommand(entry.command) : nullptr;
    std::vector<std::uint8_t> request;
    try {
        if (command) request = CFunctions::StringToHex(command->m_request);
    } catch (const CHexFormatError& e) {
        CUi::Get().MessageBox("The request of \"" + command->m_name + "\" is not hex text: " + e.what());
        return;
    }
    CMidi& midi = CMidi::Get();
    const bool generic = memory.IsGeneric();
    CMidiInput& input = generic && command ? midi.GetInput(*command) : midi.GetInput(*synth);
    CMidiOutput& output = generic && command ? midi.GetOutput(*command) : midi.GetOutput(*synth);
    if (!input.ContainsReceiveListener(this)) input.AddReceiveListener(this);
    if (generic && command) input.SetBlockDimensions(command->m_blockCount, command->m_blockSize);
    else input.SetBlockDimensions(synth->GetInputBlockCount(), synth->GetInputBlockSize());

    Reset(t);
    t.kind = CTransferState::Kind::Receive;
    t.manual = dialog.IsManual() || !command || command->m_expectedSize <= 0;
    t.expected = t.manual ? 0 : command->m_expectedSize;
    t.device = &input;
    t.file = dialog.GetPath();
    status.Start(t.manual ? CTransferStatusDlg::ReceivingManual : CTransferStatusDlg::ReceivingWithRequest,
                 t.manual ? -1 : t.expected, &input);
    try {
        input.ReceiveLong(t.file, request.empty() ? nullptr : &output, request, t.expected);
    } catch (const CFileException& e) {
        status.hide();
        t.kind = CTransferState::Kind::None;
        CUi::Get().MessageBox(e.GetErrorMessage());
    }
}

void CMainFrame::OnReceiveAll() {
    TransferStatus();
    CTransferState& t = *m_transfer;
    if (Busy(t)) return;
    StopMidiFile();
    CReceiveDlg dialog(CReceiveDlg::Mode::All, this);
    if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) return;
    std::vector<CDumpCommand> work;
    for (const CTransferEntry& entry : dialog.GetSelected()) {
        const CSynthMemory& memory = CSynthMemoryFactory::Get().GetMemory(entry.memory);
        if (const CSynth* synth = memory.GetSynth(); synth && entry.command >= 0)
            work.push_back(WithSynthSettings(synth->GetDumpCommand(entry.command), memory));
    }
    if (work.empty()) return;
    const std::string folder =
        NextDumpFolder(dialog.GetPath(), TodayText(), [](const std::string& p) { return fs::exists(p); });
    std::error_code error;
    if (!fs::create_directory(folder, error) || error) {
        CUi::Get().MessageBox(CStringTable::Get(61247));
        return;
    }
    Reset(t);
    t.kind = CTransferState::Kind::ReceiveAll;
    t.receiveAllFolder = folder;
    t.work = std::move(work);
    t.index = -1;
    ReceiveAllNext();
}

void CMainFrame::ReceiveAllNext() {
    CTransferState& t = *m_transfer;
    t.index += 1;
    const CDumpCommand& command = t.work[static_cast<std::size_t>(t.index)];
    t.file = DumpFileName(t.receiveAllFolder, t.index, command.m_name);
    t.expected = command.m_expectedSize;
    t.manual = false;
    std::vector<std::uint8_t> request;
    try {
        request = CFunctions::StringToHex(command.m_request);
    } catch (const CHexFormatError&) {
        t.receiveAllReport.push_back(command.m_name + ": the request is not hex text");
        return EndTransfer();
    }
    CMidiInput& input = CMidi::Get().GetInput(command);
    CMidiOutput& output = CMidi::Get().GetOutput(command);
    if (!input.ContainsReceiveListener(this)) input.AddReceiveListener(this);
    input.SetBlockDimensions(command.m_blockCount, command.m_blockSize);
    output.SetDelay(command.m_outputSetting);
    t.device = &input;
    TransferStatus().Start(CTransferStatusDlg::ReceivingWithRequest, t.expected > 0 ? t.expected : -1, &input);
    try {
        input.ReceiveLong(t.file, request.empty() ? nullptr : &output, request, t.expected);
    } catch (const CFileException& e) {
        TransferStatus().hide();
        CUi::Get().MessageBox(e.GetErrorMessage());
        t.kind = CTransferState::Kind::None;
        t.index = -1;
    }
}

void CMainFrame::OnSend() {
    CTransferStatusDlg& status = TransferStatus();
    CTransferState& t = *m_transfer;
    CTonalithView* view = ActiveBankView();
    if (!view || Busy(t)) return;
    StopMidiFile();
    CTonalithDoc& document = view->GetDocument();
    CSynthMemory& memory = *document.GetMemory();
    CSynth* synth = memory.GetSynth();
    if (!synth) return;
    const bool generic = memory.IsGeneric();
    std::vector<std::string> layers, connections;
    std::vector<int> missing;
    for (int k = 0; k < memory.GetLayerCount(); ++k) {
        const CLayer& layer = memory.GetLayer(k);
        layers.push_back(layer.GetName());
        if (!memory.IsLoadedFromFile()) continue;
        for (int i = 0; i < layer.GetPatchCount(); ++i)
            if (!layer.IsPatchInFile(i)) {
                missing.push_back(k);
                break;
            }
    }
    if (generic)
        for (int d = 0; d < synth->GetDumpCommandsCount(); ++d) connections.push_back(synth->GetDumpCommand(d).m_name);
    if (generic && connections.empty()) {
        CUi::Get().MessageBox("The generic synthesizer has no connection; define one in the settings first.");
        return;
    }
    CSendDlg dialog(layers, memory.GetLayersToSave(), missing, generic ? connections : std::vector<std::string>{},
                    this);
    if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) return;
    const std::vector<int> chosen = dialog.GetLayers();
    if (chosen.empty()) return;

    // A private folder: the bank's data is nobody else's to read, and nobody can swap the file.
    std::string folderTemplate = (fs::temp_directory_path() / "tonalith-send-XXXXXX").string();
    if (!mkdtemp(folderTemplate.data())) {
        CUi::Get().MessageBox("Could not create a temporary folder for sending.");
        return;
    }
    Reset(t);
    t.tempFolder = folderTemplate;
    t.file = (fs::path(folderTemplate) / kSendFile).string();
    CMidi& midi = CMidi::Get();
    CMidiOutput* output = nullptr;
    if (generic) {
        const CDumpCommand& connection = synth->GetDumpCommand(dialog.GetConnection() < 0 ? 0 : dialog.GetConnection());
        output = &midi.GetOutput(connection);
        output->SetDelay(connection.m_outputSetting);
        output->SetBlockDimensions(connection.m_blockCount, connection.m_blockSize);
    } else {
        output = &midi.GetOutput(*synth);
        output->SetBlockDimensions(synth->GetInputBlockCount(), synth->GetInputBlockSize());
    }
    if (!output->ContainsSendListener(this)) output->AddSendListener(this);
    t.kind = CTransferState::Kind::Send;
    t.device = output;
    try {
        if (!document.SaveLayers(chosen, t.file)) return EndTransfer();
        fs::permissions(t.file, fs::perms::owner_read | fs::perms::owner_write);
        t.expected = static_cast<long>(fs::file_size(t.file));
        status.Start(CTransferStatusDlg::Sending, t.expected, output);
        if (!output->SendLong(t.file)) return;  // the error notification ends the transfer
    } catch (const CFileException& e) {
        CUi::Get().MessageBox(e.GetErrorMessage());
        EndTransfer();
    } catch (const fs::filesystem_error& e) {
        CUi::Get().MessageBox(std::string("Could not write the data to send: ") + e.what());
        EndTransfer();
    }
}

void CMainFrame::EndTransfer() {
    CTransferState& t = *m_transfer;
    if (m_transferStatus) m_transferStatus->hide();
    if (!t.tempFolder.empty()) {
        std::error_code ignored;
        fs::remove_all(t.tempFolder, ignored);
    }
    t.kind = CTransferState::Kind::None;
    t.tempFolder.clear();
    t.index = -1;
    t.device = nullptr;
}

void CMainFrame::AbandonTransfer() {
    if (!m_transfer) return;
    // Closing the devices later ends the transfer with a notification that must
    // not open documents in a frame being destroyed.
    const int inputs = CMidiInput::GetDeviceCount();
    for (int i = 0; i < inputs; ++i) CMidi::Get().GetInput(i).RemoveReceiveListener(this);
    if (m_transfer->device) m_transfer->device->Stop();
    EndTransfer();
}

void CMainFrame::OnTransferNotify(unsigned message, unsigned wParam, long lParam) {
    if (!m_transfer || m_transfer->kind == CTransferState::Kind::None) {
        if (message == MIDI_END && wParam == 1)
            m_statusBar->SetTimedMessage(
                QString::fromStdString(CStringTable::Get(62100 + static_cast<unsigned>(lParam))));
        return;
    }
    CTransferState& t = *m_transfer;
    if (message == MIDI_PROGRESS || message == MIDI_PROGRESS_MESSAGE) {
        TransferStatus().SetBytes(lParam);
        return;
    }
    if (message != MIDI_END) return;
    if (wParam == 1) {
        EndTransfer();
        m_statusBar->SetTimedMessage(QString::fromStdString(CStringTable::Get(62100 + static_cast<unsigned>(lParam))));
        return;
    }
    const long got = t.device ? t.device->GetBytesTransferred() : 0;
    const bool shortDump = !t.manual && t.expected > 0 && got < t.expected;
    switch (t.kind) {
    case CTransferState::Kind::Send: EndTransfer(); return;
    case CTransferState::Kind::Receive: {
        const std::string file = t.file;
        EndTransfer();
        if (got <= 0) {
            std::error_code ignored;
            if (fs::exists(file) && fs::file_size(file, ignored) == 0) fs::remove(file, ignored);
            m_statusBar->SetTimedMessage("Nothing was received.");
            return;
        }
        QMdiSubWindow* window = OpenDocumentFile(file);
        // What came short is kept, but never passes for the instrument's memory.
        if (shortDump) {
            const std::string text = IncompleteText(got, t.expected);
            m_statusBar->SetTimedMessage(QString::fromStdString("\"" + file + "\": " + text));
            if (window) window->setWindowTitle(window->windowTitle() + QString::fromStdString(" (" + text + ")"));
            // Told as the problems of a file that loads damaged are.
            CUi::Get().MessageBox(fs::path(file).filename().string() + ":\n" + text, CUi::Icon::Warning);
        }
        return;
    }
    case CTransferState::Kind::ReceiveAll: {
        const std::string name = t.work[static_cast<std::size_t>(t.index)].m_name;
        if (got <= 0 || shortDump) {
            const std::string text = got <= 0 ? "nothing received" : IncompleteText(got, t.expected);
            m_statusBar->SetTimedMessage(QString::fromStdString(name + ": " + text));
            t.receiveAllReport.push_back(name + ": " + text);
        }
        if (m_transferStatus) m_transferStatus->hide();
        if (t.stopped || t.index + 1 >= static_cast<int>(t.work.size())) return EndTransfer();
        // The pause lets the instrument settle; the program stays responsive meanwhile.
        QTimer::singleShot(t.pauseMs, this, [this] {
            if (m_transfer->kind == CTransferState::Kind::ReceiveAll && !m_transfer->stopped) ReceiveAllNext();
            else EndTransfer();
        });
        return;
    }
    case CTransferState::Kind::None: return;
    }
}
