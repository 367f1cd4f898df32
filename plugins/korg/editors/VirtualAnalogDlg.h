#pragma once

// "The Virtual Analog 01/W": knobs and selectors that play the instrument as a
// two-oscillator analog synthesizer, each sending its message template when
// moved. A remote controller moves the focus by tab stops and sets the control
// it lands on.

#include <QDialog>

#include <map>

#include "Midi.h"
#include "model/EmberkitVirtualSynth.h"

class CChooseCtrl;
class CKnob;
class CSynth;
class QGridLayout;

class CVirtualAnalogDlg final : public QDialog, public IMidiListener {
    Q_OBJECT

public:
    explicit CVirtualAnalogDlg(const CSynth& synth, QWidget* parent = nullptr);
    ~CVirtualAnalogDlg() override;

    CKnob* GetKnob(int id) const;
    CChooseCtrl* GetSelector(int id) const;
    // A control was moved to value (what the knob's and selector's handlers do).
    void Moved(int id, int value);
    // "Init": the initial program to the edit buffer, every control to its default.
    void Init();
    // A remote controller: focus moves (controller - the first controller number)
    // tab stops and the control there takes the value.
    void OnController(int controller, int value);
    void OnMidiNotify(unsigned message, unsigned wParam, long lParam) override;
    // The filter-mode selector: shown, disabled, sending nothing.
    CChooseCtrl* GetFilterMode() const { return m_filterMode; }

private:
    void AddFilterMode(QGridLayout& filter);
    void Send(const emberkit::vsynth::Bytes& bytes);

    const CSynth& m_synth;
    emberkit::vsynth::PanelState m_state;
    std::map<int, QWidget*> m_controls;
    CChooseCtrl* m_filterMode = nullptr;
};
