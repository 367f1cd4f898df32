#pragma once

// "Edit Envelope Presets": the ten envelope shapes the envelope pages offer,
// each a name, four times and four levels; OK keeps them in the synth's settings.

#include <QDialog>

#include <array>

#include "amberkit/JVSynth.h"

class CEnvctrl;
class CKnob;
class QLineEdit;
class QListWidget;

namespace amberkit {

class CJVEnvelopePresetsDlg final : public QDialog {
public:
    explicit CJVEnvelopePresetsDlg(QWidget* parent = nullptr);

    const std::array<EnvelopePreset, kEnvelopePresetCount>& GetPresets() const { return m_presets; }
    QListWidget& GetList() const { return *m_list; }
    QLineEdit& GetNameField() const { return *m_name; }
    CKnob& GetTimeKnob(int i) const { return *m_times[static_cast<std::size_t>(i)]; }
    CKnob& GetLevelKnob(int i) const { return *m_levels[static_cast<std::size_t>(i)]; }
    CEnvctrl& GetGraphic() const { return *m_graphic; }

    void accept() override;

private:
    void Show(int preset);
    void SetPoint(int point, int time, int level);
    EnvelopePreset* Current();

    std::array<EnvelopePreset, kEnvelopePresetCount> m_presets;
    QListWidget* m_list;
    QLineEdit* m_name;
    std::array<CKnob*, 4> m_times{};
    std::array<CKnob*, 4> m_levels{};
    CEnvctrl* m_graphic;
};

}  // namespace amberkit
