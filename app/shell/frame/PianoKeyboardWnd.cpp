#include "PianoKeyboardWnd.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "AppConfig.h"
#include "Midi.h"
#include "StringTable.h"
#include "Ui.h"
#include "tonalith/ui/PatchText.h"

namespace {
constexpr const char* kPlacement = "PIANOKEYBOARD";
constexpr const char* kMidiFileKey = "MidiFile";
constexpr const char* kMidiFileFilter = "Midi File (*.mid;*.rmi)|*.mid;*.rmi|All Files (*.*)|*.*||";
constexpr int kMinimumHeight = 80;
constexpr int kClockMs = 100;

QString FileCaption(const std::string& path) {
    return "File: " + (path.empty() ? QString() : QFileInfo(QString::fromStdString(path)).fileName());
}

QString Minutes(double seconds) {
    const long tenths = std::lround(std::max(0.0, seconds) * 10);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld.%ld", tenths / 600, tenths % 600 / 10, tenths % 10);
    return text;
}
}  // namespace

CPianoKeys::CPianoKeys(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CPianoKeys::SetSounding(int keyIndex) {
    if (keyIndex == m_sounding) return;
    m_sounding = keyIndex;
    update();
}

int CPianoKeys::CancelDrag() {
    if (!m_dragging) return -1;
    m_dragging = false;
    const int key = m_sounding;
    SetSounding(-1);
    return key;
}

void CPianoKeys::resizeEvent(QResizeEvent*) {
    m_geometry = piano::CGeometry::ForSize(width(), height());
    update();
}

void CPianoKeys::paintEvent(QPaintEvent*) {
    // Drawn off screen first, then copied: no flicker while a key lights up.
    QPixmap canvas(size());
    canvas.fill(palette().color(QPalette::Window));
    {
        QPainter p(&canvas);
        const QColor highlight = palette().color(QPalette::Highlight);
        const piano::CGeometry& g = m_geometry;
        p.setPen(Qt::black);
        for (int i = 0; i < g.whiteKeys; ++i) {
            p.setBrush(piano::WhiteKeyIndex(i) == m_sounding ? highlight : QColor(Qt::white));
            p.drawRect(i * g.whiteWidth, 0, g.whiteWidth, g.whiteHeight - 1);
        }
        for (int i = 0; i < g.whiteKeys; ++i) {
            if (!piano::HasBlackKeyAfter(i)) continue;
            p.setBrush(piano::BlackKeyIndex(i) == m_sounding ? highlight : QColor(Qt::black));
            p.drawRect(g.BlackKeyLeft(i), 0, g.blackWidth, g.blackHeight);
        }
    }
    QPainter(this).drawPixmap(0, 0, canvas);
}

void CPianoKeys::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    m_dragging = true;
    SetSounding(m_geometry.HitTest(event->position().toPoint().x(), event->position().toPoint().y()));
    if (m_sounding >= 0) emit noteChanged(m_sounding, true);
}

void CPianoKeys::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) return;
    const int key = m_geometry.HitTest(event->position().toPoint().x(), event->position().toPoint().y());
    if (key == m_sounding) return;
    if (m_sounding >= 0) emit noteChanged(m_sounding, false);
    SetSounding(key);
    if (key >= 0) emit noteChanged(key, true);
}

void CPianoKeys::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_dragging) return;
    m_dragging = false;
    if (m_sounding >= 0) emit noteChanged(m_sounding, false);
    SetSounding(-1);
}

CPianoKeyboardWnd::CPianoKeyboardWnd(QWidget* parent, CAppConfig& config, OutputDevices devices)
    : QWidget(parent, Qt::Tool), m_devices(std::move(devices)), m_toolBar(new QToolBar(this)),
      m_channel(new QComboBox(this)), m_position(new QLabel(this)), m_fileText(new QLabel(this)),
      m_keys(new CPianoKeys(this)), m_clock(new QTimer(this)) {
    setWindowTitle("Piano Keyboard");
    setFocusPolicy(Qt::StrongFocus);
    setMinimumHeight(kMinimumHeight);
    setGeometry(0, 0, 400, 150);

    QFont font(QString::fromStdString(CStringTable::Get(62003)));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    font.setBold(true);
    auto* channelText = new QLabel("Midi Channel:", this);
    channelText->setFixedWidth(100);
    for (QWidget* w : std::initializer_list<QWidget*>{channelText, m_channel, m_fileText}) w->setFont(font);
    for (int c = 1; c <= 16; ++c) m_channel->addItem(QString::number(c));
    m_channel->setFixedWidth(70);
    // The letters are notes: the combo box must not take them for a search.
    m_channel->setFocusPolicy(Qt::NoFocus);

    m_toolBar->addWidget(channelText);
    m_toolBar->addWidget(m_channel);
    m_toolBar->addSeparator();
    m_open = m_toolBar->addAction("Open", this, &CPianoKeyboardWnd::OnOpen);
    m_open->setToolTip("Open a MIDI file");
    m_toolBar->addSeparator();
    m_play = m_toolBar->addAction("Play", this, &CPianoKeyboardWnd::OnPlay);
    m_play->setToolTip("Play the MIDI file, or go on after a pause");
    m_stop = m_toolBar->addAction("Stop", this, &CPianoKeyboardWnd::Stop);
    m_stop->setToolTip("Stop playing and go back to the start");
    m_pause = m_toolBar->addAction("Pause", this, &CPianoKeyboardWnd::OnPause);
    m_pause->setToolTip("Pause playing");
    m_toolBar->addWidget(m_position);
    m_toolBar->addSeparator();
    m_toolBar->addWidget(m_fileText);
    for (QAction* a : m_toolBar->actions())
        if (QWidget* button = m_toolBar->widgetForAction(a)) button->setFocusPolicy(Qt::NoFocus);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_keys, 1);
    connect(m_keys, &CPianoKeys::noteChanged, this, &CPianoKeyboardWnd::OnKeysNote);
    connect(m_clock, &QTimer::timeout, this, &CPianoKeyboardWnd::UpdatePosition);
    m_clock->setInterval(kClockMs);

    // A stored file that has gone is forgotten without a word.
    const std::string path = config.GetString(kMidiFileKey);
    if (!path.empty()) OpenFile(path, true);
    m_fileText->setText(FileCaption(m_path));
    const CWindowPlacement placement = config.ReadWindowPlacement(0, kPlacement);
    if (placement.valid && placement.right > placement.left && placement.bottom > placement.top)
        setGeometry(placement.left, placement.top, placement.right - placement.left, placement.bottom - placement.top);
    UpdateButtons();
}

CPianoKeyboardWnd::~CPianoKeyboardWnd() { Stop(); }

void CPianoKeyboardWnd::AddShortMessageSink(ShortMessageSink sink) { m_sinks.push_back(std::move(sink)); }

void CPianoKeyboardWnd::SendNote(int note, bool on) {
    const std::uint32_t message = piano::NoteMessage(note, on, std::max(0, m_channel->currentIndex()));
    for (const ShortMessageSink& sink : m_sinks) sink(message);
}

void CPianoKeyboardWnd::OnKeysNote(int keyIndex, bool on) { SendNote(piano::kLowestNote + keyIndex, on); }

void CPianoKeyboardWnd::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    const std::string key = tonalith::ui::ToPatchText(event->text());
    const int position = key.size() == 1 ? piano::KeyMapPosition(key[0]) : -1;
    if (position < 0) return QWidget::keyPressEvent(event);
    if (event->isAutoRepeat()) return;
    const int note = piano::kKeyMapFirstNote + position;
    if (m_computerKey >= 0 && m_computerKey != note) SendNote(m_computerKey, false);
    m_computerKey = note;
    SendNote(note, true);
    m_keys->SetSounding(note - piano::kLowestNote);
}

void CPianoKeyboardWnd::keyReleaseEvent(QKeyEvent* event) {
    const std::string key = tonalith::ui::ToPatchText(event->text());
    const int position = key.size() == 1 ? piano::KeyMapPosition(key[0]) : -1;
    if (position < 0) return QWidget::keyReleaseEvent(event);
    if (event->isAutoRepeat()) return;
    const int note = piano::kKeyMapFirstNote + position;
    SendNote(note, false);
    if (note == m_computerKey) m_computerKey = -1;
    m_keys->SetSounding(-1);
}

void CPianoKeyboardWnd::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    emit visibilityChanged(true);
}

void CPianoKeyboardWnd::hideEvent(QHideEvent* event) {
    // A hidden window gets no key or button release: its notes end now.
    if (m_computerKey >= 0) SendNote(m_computerKey, false);
    m_computerKey = -1;
    if (const int key = m_keys->CancelDrag(); key >= 0) OnKeysNote(key, false);
    m_keys->SetSounding(-1);
    QWidget::hideEvent(event);
    emit visibilityChanged(false);
}

void CPianoKeyboardWnd::OpenFile(std::string path, bool quiet) {
    m_path.clear();
    if (m_player.Open(path)) {
        m_path = std::move(path);
    } else if (!quiet) {
        CUi::Get().MessageBox(CStringTable::Get(62005) + "\n" + m_player.GetError(), CUi::Icon::Error);
    }
}

void CPianoKeyboardWnd::OnOpen() {
    const std::optional<std::string> chosen = CUi::Get().ChooseOpenFile("Open", kMidiFileFilter);
    if (!chosen) return;
    if (!Stop()) {
        CUi::Get().MessageBox(CStringTable::Get(62004), CUi::Icon::Error);
        return;
    }
    m_player.Close();
    OpenFile(*chosen, false);
    m_fileText->setText(FileCaption(m_path));
    UpdateButtons();
}

void CPianoKeyboardWnd::OnPlay() {
    if (m_player.GetState() == CSmfFilePlayer::Paused) {
        m_player.Restart();
    } else {
        const std::vector<int> devices = m_devices ? m_devices() : std::vector<int>{};
        if (devices.empty()) {
            CUi::Get().MessageBox(CStringTable::Get(62007), CUi::Icon::Warning);
            return;
        }
        // The player keeps the outputs it was given: a new play goes only to the active document's.
        if (devices != m_playing) {
            m_player.Close();
            OpenFile(m_path, false);
            m_fileText->setText(FileCaption(m_path));
            if (m_player.GetState() == CSmfFilePlayer::NoFile) return UpdateButtons();
        }
        m_playing = devices;
        for (const int device : devices) m_player.Play(CMidi::Get().GetOutput(device));
    }
    UpdateButtons();
}

void CPianoKeyboardWnd::OnPause() {
    const bool wasPlaying = m_player.GetState() == CSmfFilePlayer::Playing;
    m_player.Pause();
    if (wasPlaying) SilenceFileChannels();
    UpdateButtons();
}

bool CPianoKeyboardWnd::Stop() {
    const CSmfFilePlayer::State state = m_player.GetState();
    const bool stopped = m_player.Stop();
    if (stopped && (state == CSmfFilePlayer::Playing || state == CSmfFilePlayer::Paused)) SilenceFileChannels();
    UpdateButtons();
    return stopped;
}

void CPianoKeyboardWnd::SilenceFileChannels() {
    std::uint16_t channels = 0;
    for (const SmfEvent& e : m_player.GetFile().GetEvents())
        if (e.kind == SmfEvent::Channel && !e.data.empty())
            channels |= static_cast<std::uint16_t>(1u << (e.data[0] & 0x0F));
    CMidi& midi = CMidi::Get();
    for (const int device : m_playing) {
        CMidiOutput& output = midi.GetOutput(device);
        for (std::uint32_t c = 0; c < 16; ++c) {
            if (!(channels & (1u << c))) continue;
            output.SendShort(0xB0u | c | 64u << 8);  // sustain off
            output.SendShort(0xB0u | c | 123u << 8);  // all notes off
        }
    }
}

void CPianoKeyboardWnd::UpdateButtons() {
    const CSmfFilePlayer::State state = m_player.GetState();
    m_play->setEnabled(state == CSmfFilePlayer::Stopped || state == CSmfFilePlayer::Paused);
    m_stop->setEnabled(state == CSmfFilePlayer::Playing || state == CSmfFilePlayer::Paused);
    m_pause->setEnabled(state == CSmfFilePlayer::Playing);
    if (state == CSmfFilePlayer::Playing) m_clock->start();
    else m_clock->stop();
    UpdatePosition();
}

void CPianoKeyboardWnd::UpdatePosition() {
    const CSmfFilePlayer::State state = m_player.GetState();
    if (state == CSmfFilePlayer::NoFile) {
        m_position->clear();
    } else {
        m_position->setText(" " + Minutes(m_player.GetPosition()) + " / " + Minutes(m_player.GetFile().GetDuration()) +
                            " ");
    }
    // The song ended by itself.
    if (state != CSmfFilePlayer::Playing && m_clock->isActive()) UpdateButtons();
}

void CPianoKeyboardWnd::SaveState(CAppConfig& config) const {
    config.PutString(kMidiFileKey, m_path);
    config.m_pianoKeyboardActive = isVisible();
    CWindowPlacement placement;
    const QRect g = geometry();
    placement.left = g.left();
    placement.top = g.top();
    placement.right = g.left() + g.width();
    placement.bottom = g.top() + g.height();
    placement.valid = true;
    config.WriteWindowPlacement(placement, 0, kPlacement);
}
