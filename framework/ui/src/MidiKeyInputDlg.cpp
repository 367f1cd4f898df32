#include "tonalith/ui/MidiKeyInputDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QThread>
#include <QVBoxLayout>

#include "Synth.h"
#include "tonalith/ui/KeyNames.h"
#include "tonalith/ui/KeyboardStrip.h"
#include "tonalith/ui/RemoteMidi.h"

CMidiKeyInputDlg::CMidiKeyInputDlg(const CSynth* synth, int initialKey, QWidget* parent)
    : QDialog(parent), m_keyboard(new CKeyboardStrip), m_scroll(new QScrollArea(this)), m_keyLabel(new QLabel(this)) {
    setWindowTitle("Key");
    auto* prompt = new QLabel("Play a key on your MIDI keyboard, or click one below.", this);
    m_scroll->setWidget(m_keyboard);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Three octaves in view; the scroll bar reaches the rest.
    const int frame = 2 * m_scroll->frameWidth();
    m_scroll->setMinimumWidth(21 * m_keyboard->KeyRect(0).width() + frame);
    m_scroll->setFixedHeight(m_keyboard->sizeHint().height() + m_scroll->horizontalScrollBar()->sizeHint().height() +
                             frame);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(m_scroll);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_keyLabel, 1);
    bottom->addWidget(buttons);
    layout->addLayout(bottom);

    connect(m_keyboard, &CKeyboardStrip::currentKeyChanged, this, &CMidiKeyInputDlg::ShowKey);
    connect(m_keyboard, &CKeyboardStrip::keyActivated, this, [this](int note) {
        ShowKey(note);
        accept();
    });
    ShowKey(initialKey);
    m_keyboard->setFocus();

    m_listening = true;
    tonalith::ui::RemoteShortListeners().Add(this);
    if (synth && (synth->GetMidiInputDevice() >= 0 || !synth->GetMidiInputDeviceName().empty())) {
        m_input = &CMidi::Get().GetInput(*synth);
        m_openedInput = !m_input->IsOpen();
        m_input->AddNoteListener(this);
        if (!m_input->Start()) prompt->setText("The synth's MIDI input cannot be opened: click a key below.");
    }
}

CMidiKeyInputDlg::~CMidiKeyInputDlg() { StopListening(); }

int CMidiKeyInputDlg::GetKey() const { return m_keyboard->GetCurrentKey(); }

QString CMidiKeyInputDlg::GetKeyName() const { return QString::fromStdString(tonalith::ui::KeyName(GetKey())); }

void CMidiKeyInputDlg::ShowKey(int note) {
    m_keyboard->SetCurrentKey(note);
    m_keyLabel->setText("Key: " + GetKeyName());
    const QRect r = m_keyboard->KeyRect(GetKey());
    m_scroll->ensureVisible(r.center().x(), r.center().y(), 3 * r.width(), 0);
}

void CMidiKeyInputDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ShowKey(GetKey());  // the view has its real width only now
}

void CMidiKeyInputDlg::OnMidiNotify(unsigned message, unsigned wParam, long) {
    if (message != MIDI_SHORT) return;
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, wParam] { OnNote(wParam); }, Qt::QueuedConnection);
        return;
    }
    OnNote(wParam);
}

void CMidiKeyInputDlg::OnNote(unsigned packed) {
    if (!m_listening) return;
    const unsigned status = packed & 0xF0u;
    const int note = static_cast<int>((packed >> 8) & 0x7Fu);
    const unsigned velocity = (packed >> 16) & 0x7Fu;
    if (status != 0x90u || velocity == 0) return;  // a note-on of velocity 0 is a note-off
    ShowKey(note);
    accept();
}

void CMidiKeyInputDlg::done(int result) {
    StopListening();
    QDialog::done(result);
}

void CMidiKeyInputDlg::StopListening() {
    if (!m_listening) return;
    m_listening = false;
    tonalith::ui::RemoteShortListeners().Remove(this);
    if (m_input) {
        m_input->RemoveNoteListener(this);
        if (m_openedInput) m_input->Close();  // leave an input the program uses as it was
    }
}
