#include "JVEnvelopePresetsDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include <tonalith/ui/Envctrl.h>
#include <tonalith/ui/Knob.h>

namespace amberkit {

namespace {
constexpr int kMaximum = 127;
}  // namespace

CJVEnvelopePresetsDlg::CJVEnvelopePresetsDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Edit Envelope Presets"));
    for (int i = 0; i < kEnvelopePresetCount; ++i)
        m_presets[static_cast<std::size_t>(i)] = CJVSynth::Get().GetEnvelopePreset(i);

    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* listLabel = new QLabel(tr("&Presets:"), this);
    m_list = new QListWidget(this);
    for (const EnvelopePreset& p : m_presets) m_list->addItem(QString::fromStdString(p.name));
    listLabel->setBuddy(m_list);
    left->addWidget(listLabel);
    left->addWidget(m_list, 1);
    layout->addLayout(left);

    auto* right = new QVBoxLayout;
    auto* nameRow = new QHBoxLayout;
    auto* nameLabel = new QLabel(tr("&Name:"), this);
    m_name = new QLineEdit(this);
    nameLabel->setBuddy(m_name);
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(m_name, 1);
    right->addLayout(nameRow);
    auto* knobs = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        auto& time = m_times[static_cast<std::size_t>(i)];
        auto& level = m_levels[static_cast<std::size_t>(i)];
        time = new CKnob(tr("Time %1").arg(i + 1), 0, kMaximum, 0, this);
        level = new CKnob(tr("Level %1").arg(i + 1), 0, kMaximum, 0, this);
        knobs->addWidget(time, 0, i);
        knobs->addWidget(level, 1, i);
        connect(time, &CKnob::valueChanged, this, [this, i](int v) { SetPoint(i, v, m_graphic->GetLevel(i)); });
        connect(level, &CKnob::valueChanged, this, [this, i](int v) { SetPoint(i, m_graphic->GetTime(i), v); });
    }
    right->addLayout(knobs);
    m_graphic = new CEnvctrl(this);
    m_graphic->SetTimeRange(0, kMaximum);
    m_graphic->SetLevelRange(0, kMaximum);
    right->addWidget(m_graphic, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    right->addWidget(buttons);
    layout->addLayout(right, 1);

    connect(m_graphic, &CEnvctrl::pointChanged, this,
            [this](int point, int time, int level) { SetPoint(point, time, level); });
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) {
        EnvelopePreset* p = Current();
        if (!p) return;
        p->name = text.toStdString();
        m_list->currentItem()->setText(text);
    });
    connect(m_list, &QListWidget::currentRowChanged, this, &CJVEnvelopePresetsDlg::Show);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_list->setCurrentRow(0);
}

EnvelopePreset* CJVEnvelopePresetsDlg::Current() {
    const int row = m_list->currentRow();
    return row < 0 ? nullptr : &m_presets[static_cast<std::size_t>(row)];
}

void CJVEnvelopePresetsDlg::Show(int preset) {
    if (preset < 0) return;
    const EnvelopePreset& p = m_presets[static_cast<std::size_t>(preset)];
    m_name->setText(QString::fromStdString(p.name));
    for (std::size_t i = 0; i < 4; ++i) {
        m_times[i]->SetValue(p.times[i]);
        m_levels[i]->SetValue(p.levels[i]);
        m_graphic->SetPoint(static_cast<int>(i), p.times[i], p.levels[i]);
    }
}

// One point changed from a knob or the graphic: the preset, both knobs and the graphic agree.
void CJVEnvelopePresetsDlg::SetPoint(int point, int time, int level) {
    EnvelopePreset* p = Current();
    if (!p) return;
    const auto i = static_cast<std::size_t>(point);
    p->times[i] = time;
    p->levels[i] = level;
    m_times[i]->SetValue(time);
    m_levels[i]->SetValue(level);
    m_graphic->SetPoint(point, time, level);
}

void CJVEnvelopePresetsDlg::accept() {
    for (int i = 0; i < kEnvelopePresetCount; ++i)
        CJVSynth::Get().SetEnvelopePreset(i, m_presets[static_cast<std::size_t>(i)]);
    QDialog::accept();
}

}  // namespace amberkit
