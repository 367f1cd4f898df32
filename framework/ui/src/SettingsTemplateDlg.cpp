#include "tonalith/ui/SettingsTemplateDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QVBoxLayout>

#include <mutex>
#include <vector>

#include "Midi.h"
#include "Synth.h"

namespace {

// Selects the stored device: by name first, else by index. A device that is not
// connected now gets an entry of its own, so storing the page keeps it.
void SelectDevice(QComboBox& combo, int index, const std::string& name) {
    int row = name.empty() ? -1 : combo.findText(QString::fromStdString(name));
    if (row < 0 && index >= 0 && index + 1 < combo.count()) row = index + 1;
    if (row < 0 && index >= 0) {
        combo.addItem(QString::fromStdString(name.empty() ? "Device " + std::to_string(index) : name) + " (absent)",
                      index);
        row = combo.count() - 1;
    }
    combo.setCurrentIndex(std::max(0, row));
}

// The device chosen: -1 for "(none)"; an absent device keeps its index and
// stored name (kept = true).
struct ChosenDevice {
    int index = -1;
    std::string name;
    bool kept = false;
};

ChosenDevice Chosen(const QComboBox& combo) {
    if (combo.currentIndex() <= 0) return {};
    const QVariant kept = combo.currentData();
    if (kept.isValid()) return {kept.toInt(), {}, true};
    return {combo.currentIndex() - 1, combo.currentText().toStdString(), false};
}

}  // namespace

CSettingsTemplateDlg::CSettingsTemplateDlg(CSynth& synth, QWidget* parent)
    : CSettingsPage(parent), m_synth(synth), m_deviceBox(new QGroupBox("MIDI", this)),
      m_input(new QComboBox(m_deviceBox)), m_output(new QComboBox(m_deviceBox)), m_deviceId(new QSpinBox(m_deviceBox)),
      m_realtime(new QCheckBox("Update the synth while editing", m_deviceBox)), m_pageLayout(new QVBoxLayout) {
    auto* form = new QFormLayout(m_deviceBox);
    form->addRow("MIDI &Input:", m_input);
    form->addRow("MIDI &Output:", m_output);
    form->addRow("Device &ID:", m_deviceId);
    form->addRow(m_realtime);
    m_deviceId->setRange(0, 127);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_deviceBox);
    layout->addLayout(m_pageLayout);
    layout->addStretch(1);
}

void CSettingsTemplateDlg::SetDeviceIdRange(int minimum, int maximum, int displayOffset) {
    const int id = m_deviceId->value() - m_deviceIdOffset;
    if (minimum > maximum) std::swap(minimum, maximum);
    m_deviceIdOffset = displayOffset;
    m_deviceId->setRange(minimum + displayOffset, maximum + displayOffset);
    m_deviceId->setValue(id + displayOffset);
}

void CSettingsTemplateDlg::Load() {
    m_input->clear();
    m_output->clear();
    m_input->addItem("(none)");
    for (const std::string& name : CMidi::Get().GetInputNames()) m_input->addItem(QString::fromStdString(name));
    m_output->addItem("(none)");
    for (const std::string& name : CMidi::Get().GetOutputNames()) m_output->addItem(QString::fromStdString(name));
    SelectDevice(*m_input, m_synth.GetMidiInputDevice(), m_synth.GetMidiInputDeviceName());
    SelectDevice(*m_output, m_synth.GetMidiOutputDevice(), m_synth.GetMidiOutputDeviceName());
    m_deviceId->setValue(m_synth.GetDeviceId() + m_deviceIdOffset);
    m_realtime->setChecked(m_synth.GetRealtimeUpdate());
    LoadSettings(m_synth);
}

void CSettingsTemplateDlg::Store() {
    const ChosenDevice in = Chosen(*m_input);
    m_synth.SetMidiInputDevice(in.index, in.kept ? m_synth.GetMidiInputDeviceName() : in.name);
    const ChosenDevice out = Chosen(*m_output);
    m_synth.SetMidiOutputDevice(out.index, out.kept ? m_synth.GetMidiOutputDeviceName() : out.name);
    m_synth.SetDeviceId(m_deviceId->value() - m_deviceIdOffset);
    m_synth.SetRealtimeUpdate(m_realtime->isChecked());
    StoreSettings(m_synth);
    m_synth.RefreshDumpCommands();  // requests carry settings such as the device ID or channel
}

namespace tonalith::ui {
namespace {
struct Registered {
    unsigned id;
    std::string name;
    SettingsPageFactory factory;
};
struct Registry {
    std::mutex mutex;
    unsigned next = 1;
    std::vector<Registered> entries;
};
Registry& Pages() {
    static Registry registry;
    return registry;
}
}  // namespace

CSettingsPageRegistration::CSettingsPageRegistration(std::string memoryName, SettingsPageFactory factory) {
    Registry& r = Pages();
    std::lock_guard lock(r.mutex);
    m_id = r.next++;
    r.entries.push_back({m_id, std::move(memoryName), std::move(factory)});
}

CSettingsPageRegistration::~CSettingsPageRegistration() {
    Registry& r = Pages();
    std::lock_guard lock(r.mutex);
    std::erase_if(r.entries, [this](const Registered& e) { return e.id == m_id; });
}

CSettingsTemplateDlg* CreateSettingsPage(std::string_view memoryName, CSynth& synth, QWidget* parent) {
    SettingsPageFactory factory;
    {
        Registry& r = Pages();
        std::lock_guard lock(r.mutex);
        for (auto it = r.entries.rbegin(); it != r.entries.rend(); ++it)
            if (it->name == memoryName && it->factory) {
                factory = it->factory;
                break;
            }
    }
    return factory ? factory(synth, parent) : nullptr;
}

}  // namespace tonalith::ui
