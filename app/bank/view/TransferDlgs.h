#pragma once

// Receive / Receive All, Send to Synth and the transfer status window.
#include <QDialog>

#include <string>
#include <vector>

#include "TransferModel.h"

class CMidiDevice;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

// "Receive" (one dump into a file) or "Receive All" (the selected dumps into a dated folder).
class CReceiveDlg final : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Receive, All };
    CReceiveDlg(Mode mode, QWidget* parent = nullptr);

    QListWidget& Automatic() const { return *m_automatic; }
    QListWidget& Manual() const { return *m_manual; }
    QLineEdit& PathEdit() const { return *m_path; }
    QPushButton& MoveRight() const { return *m_right; }
    QPushButton& MoveLeft() const { return *m_left; }
    QPushButton& OkButton() const { return *m_ok; }

    // After OK: the path (mode All: the folder, with a trailing slash).
    const std::string& GetPath() const { return m_chosenPath; }
    // Mode Receive: the chosen entry and whether it came from the Manual list.
    const CTransferEntry& GetChosen() const { return m_chosen; }
    bool IsManual() const { return m_isManual; }
    // Mode All: the Selected entries in order.
    const std::vector<CTransferEntry>& GetSelected() const { return m_selected; }

    void accept() override;

private:
    void Move(QListWidget& from, QListWidget& to);
    void UpdateButtons();
    void OnSet();
    CTransferEntry EntryOf(const QListWidget& list, int row) const;

    Mode m_mode;
    CReceiveLists m_lists;
    QListWidget* m_automatic;
    QListWidget* m_manual;
    QLineEdit* m_path;
    QPushButton* m_right;
    QPushButton* m_left;
    QPushButton* m_ok;
    std::string m_chosenPath;
    CTransferEntry m_chosen;
    bool m_isManual = false;
    std::vector<CTransferEntry> m_selected;
};

// "Send to Synth": the layers to send, or for the generic memory the connection.
class CSendDlg final : public QDialog {
    Q_OBJECT
public:
    // connections non-empty: the generic memory (layer list hidden). missing: layers
    // the bank's file did not hold (named in the warning line when chosen).
    CSendDlg(const std::vector<std::string>& layers, const std::vector<int>& preselected,
             const std::vector<int>& missing, const std::vector<std::string>& connections, QWidget* parent = nullptr);

    QListWidget& Layers() const { return *m_layers; }
    QListWidget& Connections() const { return *m_connections; }
    QLabel& Warning() const { return *m_warning; }
    std::vector<int> GetLayers() const;
    int GetConnection() const;

private:
    void UpdateWarning();
    QListWidget* m_layers;
    QListWidget* m_connections;
    QLabel* m_warning;
    std::vector<int> m_missing;
    bool m_generic;
};

// The modeless "Status" window of a running transfer.
class CTransferStatusDlg final : public QDialog {
    Q_OBJECT
public:
    enum Mode { Sending = 0, ReceivingWithRequest = 1, ReceivingManual = 2 };
    explicit CTransferStatusDlg(QWidget* parent = nullptr);

    // expected -1 hides the progress bar.
    void Start(Mode mode, long expected, CMidiDevice* device);
    void SetBytes(long bytes);
    Mode GetMode() const { return m_mode; }
    CMidiDevice* GetDevice() const { return m_device; }
    QLabel& Text() const { return *m_text; }
    QLabel& Count() const { return *m_count; }
    QProgressBar& Progress() const { return *m_progress; }
    QPushButton& StopButton() const { return *m_stop; }
    // Stops the device and hides the window.
    void Stop();

Q_SIGNALS:
    void Stopped();  // the user stopped the transfer

protected:
    void reject() override { Stop(); }

private:
    QLabel* m_text;
    QLabel* m_count;
    QProgressBar* m_progress;
    QPushButton* m_stop;
    Mode m_mode = Sending;
    CMidiDevice* m_device = nullptr;
};
