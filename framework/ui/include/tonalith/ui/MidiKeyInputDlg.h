#pragma once

#include <QDialog>

#include "Midi.h"

class CKeyboardStrip;
class CSynth;
class QLabel;
class QScrollArea;

// Asks for a key: the first note played on the synth's MIDI input or on a
// remote keyboard chooses it, as does a click on the keyboard shown (or the
// keys: arrows move, Enter takes the current key). Escape cancels.
//
// MIDI arrives through the program's dispatcher on the GUI thread; a
// notification from another thread is passed on to it.
class CMidiKeyInputDlg final : public QDialog, public IMidiListener {
    Q_OBJECT

public:
    // synth: whose MIDI input to listen to (null: only the remote keyboards).
    // The input is opened for the dialog's lifetime when it is not open yet.
    explicit CMidiKeyInputDlg(const CSynth* synth, int initialKey = 60, QWidget* parent = nullptr);
    ~CMidiKeyInputDlg() override;

    int GetKey() const;
    // "C4", "F#2": see tonalith::ui::KeyName.
    QString GetKeyName() const;
    CKeyboardStrip& Keyboard() const { return *m_keyboard; }

    void OnMidiNotify(unsigned message, unsigned wParam, long lParam) override;
    // Ends listening: the dialog takes one key.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnNote(unsigned packed);
    void ShowKey(int note);
    void StopListening();

    CKeyboardStrip* m_keyboard;
    QScrollArea* m_scroll;
    QLabel* m_keyLabel;
    CMidiInput* m_input = nullptr;
    bool m_openedInput = false;
    bool m_listening = false;
};
