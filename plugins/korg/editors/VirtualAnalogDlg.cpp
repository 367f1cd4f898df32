#include "VirtualAnalogDlg.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <vector>

#include "Synth.h"
#include "model/EmberkitSynth.h"
#include "tonalith/ui/ChooseCtrl.h"
#include "tonalith/ui/Knob.h"

using namespace emberkit::vsynth;

CVirtualAnalogDlg::CVirtualAnalogDlg(const CSynth& synth, QWidget* parent) : QDialog(parent), m_synth(synth) {
    setWindowTitle(QStringLiteral("The Virtual Analog 01/W"));
    auto* layout = new QVBoxLayout(this);
    auto* panel = new QGridLayout;
    std::map<std::string, QGridLayout*> sections;
    std::vector<std::string> order;
    for (const ControlSpec& c : Controls()) {
        if (!sections.count(c.section)) {
            auto* box = new QGroupBox(QString::fromStdString(c.section), this);
            sections[c.section] = new QGridLayout(box);
            const int index = static_cast<int>(order.size());
            panel->addWidget(box, index / 5, index % 5, Qt::AlignTop);
            order.push_back(c.section);
        }
        QGridLayout* grid = sections[c.section];
        const int column = grid->count();
        const int id = c.id;
        if (c.IsKnob()) {
            auto* knob = new CKnob(QString::fromStdString(c.caption), c.minimum, c.maximum, c.defaultValue, this);
            knob->SetValue(c.defaultValue);
            knob->setFocusPolicy(Qt::StrongFocus);
            connect(knob, &CKnob::valueChanged, this, [this, id](int v) { Moved(id, v); });
            grid->addWidget(knob, 0, column, Qt::AlignTop);
            m_controls[id] = knob;
        } else {
            auto* cell = new QWidget(this);
            auto* column2 = new QVBoxLayout(cell);
            column2->setContentsMargins(0, 0, 0, 0);
            column2->addWidget(new QLabel(QString::fromStdString(c.caption), cell));
            auto* chooser = new CChooseCtrl(cell);
            chooser->SetItems(c.choices, c.firstValue);
            chooser->SetDefault(c.firstValue + c.defaultValue);
            chooser->Reset();
            connect(chooser, &CChooseCtrl::selectionChanged, this, [this, id](int, int v) { Moved(id, v); });
            column2->addWidget(chooser);
            grid->addWidget(cell, 0, column, Qt::AlignTop);
            m_controls[id] = chooser;
        }
    }
    AddFilterMode(*sections.at("Filter"));
    layout->addLayout(panel);
    auto* row = new QHBoxLayout;
    auto* init = new QPushButton(QStringLiteral("Init"), this);
    init->setFocusPolicy(Qt::NoFocus);  // tab stops are the panel's controls
    connect(init, &QPushButton::clicked, this, &CVirtualAnalogDlg::Init);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setFocusPolicy(Qt::NoFocus);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    row->addWidget(init);
    row->addStretch(1);
    row->addWidget(close);
    layout->addLayout(row);
    CMidi::Get().AddControllerListener(this);
}

// The panel has a filter-mode selector, but which parameter of the instrument
// it would set is not known: it is shown disabled (not a tab stop, so remote
// controllers step over it) and sends nothing.
void CVirtualAnalogDlg::AddFilterMode(QGridLayout& filter) {
    auto* cell = new QWidget(this);
    auto* column = new QVBoxLayout(cell);
    column->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QStringLiteral("Mode"), cell);
    m_filterMode = new CChooseCtrl(cell);
    label->setBuddy(m_filterMode);
    cell->setEnabled(false);
    cell->setToolTip(QStringLiteral("The instrument's parameter for the filter mode is not known."));
    column->addWidget(label);
    column->addWidget(m_filterMode);
    filter.addWidget(cell, 0, filter.count(), Qt::AlignTop);
}

CVirtualAnalogDlg::~CVirtualAnalogDlg() { CMidi::Get().RemoveControllerListener(this); }

CKnob* CVirtualAnalogDlg::GetKnob(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : qobject_cast<CKnob*>(it->second);
}

CChooseCtrl* CVirtualAnalogDlg::GetSelector(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : qobject_cast<CChooseCtrl*>(it->second);
}

void CVirtualAnalogDlg::Send(const Bytes& bytes) {
    if (!bytes.empty()) CMidi::Get().GetOutput(m_synth).SendLong(bytes);
}

void CVirtualAnalogDlg::Moved(int id, int value) {
    const ControlSpec* control = FindControl(id);
    if (!control) return;
    for (const Bytes& bytes : MessagesFor(*control, value, m_state, CEmberkitSynth::ChannelOf(m_synth))) Send(bytes);
}

void CVirtualAnalogDlg::Init() {
    Send(FillTemplate(InitProgramText(), 0, CEmberkitSynth::ChannelOf(m_synth)));
    m_state = {};
    for (const ControlSpec& c : Controls()) {
        if (CKnob* knob = GetKnob(c.id)) knob->Reset();
        if (CChooseCtrl* chooser = GetSelector(c.id)) chooser->Reset();
    }
}

void CVirtualAnalogDlg::OnController(int controller, int value) {
    int steps = controller - CMidi::Get().GetRemoteController();
    QWidget* focus = focusWidget();
    if (!focus || !isAncestorOf(focus)) {
        focus = m_controls.at(Controls().front().id);
        focus->setFocus(Qt::OtherFocusReason);
    }
    // A selector's focus lies on its box, which is the control itself.
    for (; steps > 0; --steps) focusNextChild();
    for (; steps < 0; ++steps) focusPreviousChild();
    QWidget* target = focusWidget();
    for (const auto& [id, control] : m_controls) {
        if (control != target) continue;
        if (auto* knob = qobject_cast<CKnob*>(control)) {
            if (const std::optional<int> v =
                    FollowController(knob->GetValue(), knob->GetMinimum(), knob->GetMaximum(), value)) {
                if (*v != knob->GetValue()) {
                    knob->SetValue(*v);
                    Moved(id, *v);
                }
            }
        } else if (auto* chooser = qobject_cast<CChooseCtrl*>(control)) {
            if (value >= 0 && value < chooser->count() && value != chooser->GetSelection()) {
                chooser->SetSelection(value);
                Moved(id, chooser->GetValue());
            }
        }
        return;
    }
}

void CVirtualAnalogDlg::OnMidiNotify(unsigned message, unsigned wParam, long lParam) {
    if (message != MIDI_CONTROLLER) return;
    // Controllers arrive through the dispatcher; handle them on the window's thread.
    QPointer<CVirtualAnalogDlg> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, wParam, lParam] {
            if (self) self->OnController(static_cast<int>(wParam), static_cast<int>(lParam));
        },
        Qt::QueuedConnection);
}
