#include "JVVirtualSynthDlg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <tonalith/LiveSender.h>
#include <tonalith/Midi.h>
#include <tonalith/ui/Knob.h>

#include "amberkit/JVSynth.h"
#include "amberkit/JVVirtualSynth.h"

namespace amberkit {

using namespace vsynth;

namespace {
constexpr int kSectionsPerRow = 4;
}  // namespace

CJVVirtualSynthDlg::CJVVirtualSynthDlg(CJVSynth& synth, QWidget* parent)
    : QDialog(parent), m_synth(synth), m_sender(std::make_unique<CLiveSender>(synth, CLiveSender::Gate::Always)) {
    setWindowTitle(QStringLiteral("The Virtual Analog JV/XP"));
    auto* layout = new QVBoxLayout(this);
    auto* panel = new QGridLayout;
    std::map<std::string, QHBoxLayout*> sections;
    for (const KnobInfo& info : Knobs()) {
        QHBoxLayout*& row = sections[info.section];
        if (!row) {
            auto* box = new QGroupBox(QString::fromStdString(info.section), this);
            row = new QHBoxLayout(box);
            const int index = static_cast<int>(sections.size()) - 1;
            panel->addWidget(box, index / kSectionsPerRow, index % kSectionsPerRow, Qt::AlignTop);
        }
        const KnobRange range = RangeOf(info);
        auto* knob =
            new CKnob(QString::fromStdString(info.caption), range.minimum, range.maximum, range.defaultValue, this);
        knob->SetValue(range.defaultValue);
        knob->SetFormatter([&info](int value) { return QString::fromStdString(ValueText(info, value)); });
        knob->setObjectName(QString::fromStdString(info.key));
        const std::string key = info.key;
        connect(knob, &CKnob::valueChanged, this, [this, key](int value) { Moved(key, value); });
        row->addWidget(knob);
        m_knobs[info.key] = knob;
    }
    layout->addLayout(panel);

    auto* buttons = new QHBoxLayout;
    auto* init = new QPushButton(QStringLiteral("Init"), this);
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setDefault(true);
    connect(init, &QPushButton::clicked, this, &CJVVirtualSynthDlg::Init);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(init);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    SendPatch();
}

CJVVirtualSynthDlg::~CJVVirtualSynthDlg() = default;

CKnob* CJVVirtualSynthDlg::GetKnob(const std::string& key) const {
    const auto it = m_knobs.find(key);
    return it == m_knobs.end() ? nullptr : it->second;
}

void CJVVirtualSynthDlg::Moved(const std::string& key, int value) {
    const KnobInfo* info = FindKnob(key);
    if (!info) return;
    for (KnobMessage& message : MessagesFor(*info, value, m_synth.GetDeviceByte()))
        m_sender->Send(message.key, std::move(message.bytes));
}

void CJVVirtualSynthDlg::Init() {
    // A new sender drops what still waits, so no old knob value lands on the fresh patch.
    m_sender = std::make_unique<CLiveSender>(m_synth, CLiveSender::Gate::Always);
    SendPatch();
    for (const auto& [key, knob] : m_knobs) knob->Reset();
}

void CJVVirtualSynthDlg::SendPatch() {
    if (m_synth.GetMidiOutputDevice() < 0) return;
    const Bytes image = PatchImage(m_synth.GetWhichSynth(), m_synth.GetDeviceByte());
    CMidi::Get().GetOutput(m_synth).SendLong(image);
}

}  // namespace amberkit
