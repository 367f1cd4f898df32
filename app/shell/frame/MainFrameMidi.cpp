// Remote MIDI input, the short-message sink, the activity light and the test
// notes of the middle mouse button.
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QTimer>

#include "AppConfig.h"
#include "BankView.h"
#include "ControllerView.h"
#include "LibraryView.h"
#include "MainFrame.h"
#include "MidiStatusBar.h"
#include "Patch.h"
#include "PianoKeyboardWnd.h"
#include "StringTable.h"
#include "Synth.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "TonalithDoc.h"
#include "tonalith/ui/RemoteMidi.h"

namespace {

// The middle button plays the notes 60, 64, 67, 72 in turn on the active
// document's outputs, wherever the pointer is in the program.
class CTestNoteFilter final : public QObject {
public:
    explicit CTestNoteFilter(CMainFrame& frame) : QObject(&frame), m_frame(frame) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease) return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::MiddleButton) return false;
        // An event travelling up the parents reaches the filter once per widget.
        if (mouse->timestamp() == m_lastTimestamp && type == m_lastType) return false;
        m_lastTimestamp = mouse->timestamp();
        m_lastType = type;
        static constexpr std::uint32_t kNotes[4] = {60, 64, 67, 72};
        const std::uint32_t note = kNotes[m_counter];
        if (type == QEvent::MouseButtonPress) {
            m_frame.SendShortMessage(0x90 | note << 8 | 0x60 << 16);
        } else {
            m_frame.SendShortMessage(0x90 | note << 8);
            m_counter = (m_counter + 1) % 4;
        }
        return false;  // every event goes on
    }

private:
    CMainFrame& m_frame;
    int m_counter = 0;
    quint64 m_lastTimestamp = ~quint64{0};
    QEvent::Type m_lastType = QEvent::None;
};

}  // namespace

void CMainFrame::StartMidi() {
    CMidi& midi = CMidi::Get();
    // Devices report from their own threads; the notifications run on the GUI thread.
    QPointer<CMainFrame> self(this);
    midi.SetDispatcher([self](std::function<void()> call) {
        if (!self) return;
        QMetaObject::invokeMethod(
            self.data(),
            [self, call = std::move(call)] {
                if (self) call();
            },
            Qt::QueuedConnection);
    });
    CAppConfig& config = CAppConfig::Get();
    midi.SetRemoteController(config.m_remote);
    const int outputs = CMidiOutput::GetDeviceCount();
    for (int i = 0; i < outputs; ++i) midi.GetOutput(i).AddSendListener(this);
    if (CMidiInput::GetDeviceCount() > 0) {
        for (int index : config.m_remoteIn) {
            CMidiInput& input = midi.GetInput(index);
            input.AddNoteListener(this);
            input.AddControllerListener(this);
            if (input.Open()) input.Start();
            m_remoteInputs.push_back(index);
        }
    }
    m_testNoteFilter = new CTestNoteFilter(*this);
    qApp->installEventFilter(m_testNoteFilter);
    const std::string error = midi.GetBackendError();
    if (!error.empty()) m_statusBar->showMessage(QString::fromStdString("MIDI: " + error));
}

void CMainFrame::StopMidi() {
    if (m_testNoteFilter) qApp->removeEventFilter(m_testNoteFilter);
    CMidi& midi = CMidi::Get();
    for (int index : m_remoteInputs) {
        CMidiInput& input = midi.GetInput(index);
        input.RemoveNoteListener(this);
        input.RemoveControllerListener(this);
    }
    const int outputs = CMidiOutput::GetDeviceCount();
    for (int i = 0; i < outputs; ++i) midi.GetOutput(i).RemoveSendListener(this);
    midi.SetDispatcher({});
}

std::vector<int> CMainFrame::ActiveOutputDevices() const {
    if (CControllerView* form = ActiveControllerView()) return form->GetDocument().GetOutputPorts();
    const CSynth* synth = nullptr;
    if (CTonalithView* view = ActiveBankView()) {
        synth = view->GetDocument().GetMemory()->GetSynth();
    } else if (CLibraryView* library = ActiveLibraryView()) {
        // A library holds every synth's patches: the selected one decides where notes go.
        if (const CPatch* patch = library->FocusedPatch())
            if (const CSynthMemory* memory =
                    CSynthMemoryFactory::Get().GetSynthMemoryfromPatchType(patch->GetPatchType()))
                synth = memory->GetSynth();
    }
    std::vector<int> devices;
    if (synth && synth->GetMidiOutputDevice() >= 0) devices.push_back(synth->GetMidiOutputDevice());
    return devices;
}

CPianoKeyboardWnd& CMainFrame::PianoKeyboard() {
    if (!m_piano) {
        m_piano =
            std::make_unique<CPianoKeyboardWnd>(this, CAppConfig::Get(), [this] { return ActiveOutputDevices(); });
        m_piano->AddShortMessageSink([this](std::uint32_t message) { SendShortMessage(message); });
        connect(m_piano.get(), &CPianoKeyboardWnd::visibilityChanged, m_pianoKeyboard, &QAction::setChecked);
    }
    return *m_piano;
}

void CMainFrame::StopMidiFile() {
    if (m_piano) m_piano->Stop();
}

void CMainFrame::SendShortMessage(std::uint32_t message) {
    for (int device : ActiveOutputDevices()) CMidi::Get().GetOutput(device).SendShort(message);
}

void CMainFrame::LightActivity() {
    if (m_statusBar->IsIndicatorLit() && m_activityTimer->isActive()) m_activityTimer->stop();
    else m_statusBar->SetIndicator(true);
    m_activityTimer->start(kActivityMs);
}

void CMainFrame::OnMidiNotify(unsigned message, unsigned wParam, long lParam) {
    switch (message) {
    case MIDI_CONTROLLER: {
        LightActivity();
        const auto controller = static_cast<std::uint8_t>(wParam & 0xFF);
        const auto value = static_cast<std::uint8_t>(lParam & 0xFF);
        CMidi::Get().NotifyControllerListener(controller, value);
        if (CAppConfig::Get().m_routeMidiController)
            SendShortMessage(0xB0u | std::uint32_t{controller} << 8 | std::uint32_t{value} << 16);
        break;
    }
    case MIDI_SHORT:
        LightActivity();
        SendShortMessage(wParam);
        tonalith::ui::RemoteShortListeners().Notify(wParam, lParam);  // a dialog may wait for a played key
        break;
    case MIDI_PROGRESS:
    case MIDI_PROGRESS_MESSAGE:
    case MIDI_END: OnTransferNotify(message, wParam, lParam); break;
    default: break;
    }
}
