#pragma once

// The XV setup page (MIDI, which synth, the installed expansion boards, the
// card banks) and the "Configure Card Banks" dialog it opens.

#include <QDialog>

#include <array>
#include <string>

#include <tonalith/ui/SettingsTemplateDlg.h>

class CXVSynth;
class QComboBox;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace xv {

using CardBankPaths = std::array<std::string, 8>;

// Eight card banks, each bound to a SysEx file; "Not Set" when none. Works on
// a copy: OK hands it back through GetPaths.
class CConfigureCardBanksDlg final : public QDialog {
public:
    explicit CConfigureCardBanksDlg(const CardBankPaths& paths, QWidget* parent = nullptr);

    const CardBankPaths& GetPaths() const { return m_paths; }
    QListWidget& List() const { return *m_list; }
    // The buttons' work, for the buttons and for tests: a file for the selected bank, or none.
    void SelectFile();
    void ClearBank();

private:
    void ShowRow(int bank);

    CardBankPaths m_paths;
    QListWidget* m_list;
    QPushButton* m_select;
    QPushButton* m_clear;
};

class CXVSetupPage final : public CSettingsTemplateDlg {
public:
    explicit CXVSetupPage(CXVSynth& synth, QWidget* parent = nullptr);

    QRadioButton& WhichSynthButton(int which) const { return *m_which[static_cast<std::size_t>(which)]; }
    QComboBox& BoardCombo(int slot) const { return *m_boards[static_cast<std::size_t>(slot)]; }
    QPushButton& CardBanksButton() const { return *m_cardBanks; }
    const CardBankPaths& GetCardBanks() const { return m_cards; }
    // Opens "Configure Card Banks" through the dialog runner.
    void ConfigureCardBanks();

protected:
    void LoadSettings(CSynth& synth) override;
    void StoreSettings(CSynth& synth) override;

private:
    std::array<QRadioButton*, 3> m_which{};
    std::array<QComboBox*, 8> m_boards{};
    QPushButton* m_cardBanks;
    CardBankPaths m_cards;
};

}  // namespace xv
