#pragma once

// The JV/XP setup page: "Main" (input, output, device ID), "Which synth to use"
// and "Expansions" (boards 1..8 and the PCM card).

#include <array>

#include <tonalith/ui/SettingsTemplateDlg.h>

#include "amberkit/JVConstants.h"
#include "amberkit/JVSynth.h"

class QComboBox;
class QRadioButton;

namespace amberkit {

class CJVSetupPage final : public CSettingsTemplateDlg {
public:
    // The device IDs the units take, shown as their displays number them.
    static constexpr int kMaxDeviceId = 15;
    static constexpr int kDeviceIdDisplayOffset = 17;

    explicit CJVSetupPage(CJVSynth& synth, QWidget* parent = nullptr);

    QRadioButton& WhichSynthButton(int which) const { return *m_which.at(static_cast<std::size_t>(which)); }
    QComboBox& BoardCombo(int slot) const { return *m_boards.at(static_cast<std::size_t>(slot)); }
    QComboBox& PcmCardCombo() const { return *m_pcmCard; }

protected:
    void LoadSettings(CSynth& synth) override;
    void StoreSettings(CSynth& synth) override;

private:
    // Boards 5..8 exist only on the JV-2080.
    void EnableBoardSlots();

    std::array<QRadioButton*, kGenerationCount> m_which{};
    std::array<QComboBox*, kBoardSlotCount> m_boards{};
    QComboBox* m_pcmCard;
};

}  // namespace amberkit
