#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "PianoKeyboard.h"
#include "Smf.h"

class CAppConfig;
class QAction;
class QComboBox;
class QLabel;
class QTimer;
class QToolBar;

// The drawn keys below the toolbar: the mouse plays them.
class CPianoKeys final : public QWidget {
    Q_OBJECT
public:
    explicit CPianoKeys(QWidget* parent);
    const piano::CGeometry& Geometry() const { return m_geometry; }
    void SetSounding(int keyIndex);
    int GetSounding() const { return m_sounding; }
    // Ends a press of the mouse that will get no release; the key it held, or -1.
    int CancelDrag();

signals:
    // A key index pressed (on) or released (off) with the mouse.
    void noteChanged(int keyIndex, bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    piano::CGeometry m_geometry;
    int m_sounding = -1;
    bool m_dragging = false;
};

// "Piano Keyboard": a small tool window that plays notes on the active
// document's synthesizer and plays standard MIDI files to it. Closing hides it.
class CPianoKeyboardWnd final : public QWidget {
    Q_OBJECT
public:
    using ShortMessageSink = std::function<void(std::uint32_t)>;
    using OutputDevices = std::function<std::vector<int>()>;

    // Reads the file and the placement from config; devices lists the outputs a play goes to.
    CPianoKeyboardWnd(QWidget* parent, CAppConfig& config, OutputDevices devices);
    ~CPianoKeyboardWnd() override;

    void AddShortMessageSink(ShortMessageSink sink);
    // The file player's commands.
    void OnOpen();
    void OnPlay();
    void OnPause();
    // Stops the file player, silencing its notes; false when it could not stop.
    bool Stop();
    // Stores the file, whether the window shows and where.
    void SaveState(CAppConfig& config) const;

    CSmfFilePlayer& Player() { return m_player; }
    CPianoKeys& Keys() const { return *m_keys; }
    QComboBox& ChannelCombo() const { return *m_channel; }
    QAction& OpenAction() const { return *m_open; }
    QAction& PlayAction() const { return *m_play; }
    QAction& StopAction() const { return *m_stop; }
    QAction& PauseAction() const { return *m_pause; }
    QLabel& FileText() const { return *m_fileText; }
    QLabel& PositionText() const { return *m_position; }

signals:
    void visibilityChanged(bool visible);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void SendNote(int note, bool on);
    void OnKeysNote(int keyIndex, bool on);
    void OpenFile(std::string path, bool quiet);
    void UpdateButtons();
    void UpdatePosition();
    // Note off for every note the file played, sustain released, on the outputs it played to.
    void SilenceFileChannels();

    CSmfFilePlayer m_player;
    OutputDevices m_devices;
    std::vector<ShortMessageSink> m_sinks;
    std::vector<int> m_playing;  // the output devices of the current play
    std::string m_path;
    QToolBar* m_toolBar;
    QComboBox* m_channel;
    QAction* m_open;
    QAction* m_play;
    QAction* m_stop;
    QAction* m_pause;
    QLabel* m_position;
    QLabel* m_fileText;
    CPianoKeys* m_keys;
    QTimer* m_clock;
    int m_computerKey = -1;  // the held computer key's note, -1 for none
};
