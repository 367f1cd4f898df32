#pragma once

// "The Virtual Analog JV/XP": the knobs of the Virtual Synth. Opening the panel
// and "Init" send the VirtualSynth patch to the temporary patch; a knob sends its
// templates through a live sender, so dragging on a slow cable sends only the
// newest value of each knob instead of building a backlog.

#include <QDialog>

#include <map>
#include <memory>
#include <string>

class CKnob;
class CLiveSender;

namespace amberkit {

class CJVSynth;

class CJVVirtualSynthDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CJVVirtualSynthDlg(CJVSynth& synth, QWidget* parent = nullptr);
    ~CJVVirtualSynthDlg() override;

    CKnob* GetKnob(const std::string& key) const;
    // A knob was moved to value (what its signal does).
    void Moved(const std::string& key, int value);
    // "Init": drops knob changes not yet sent, sends the patch again and puts
    // every knob back where the patch has it.
    void Init();

private:
    void SendPatch();

    CJVSynth& m_synth;
    std::unique_ptr<CLiveSender> m_sender;
    std::map<std::string, CKnob*> m_knobs;
};

}  // namespace amberkit
