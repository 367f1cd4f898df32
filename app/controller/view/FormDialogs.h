#pragma once

// The form-wide dialogs of the controller window: its snapshots, the output
// port and channel of every control, and its info texts.

#include <QDialog>

#include <string>

class CChooseCtrl;
class CControllerDocument;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

// "Edit Snapshots": every change goes to the form at once (typing renames the
// selected snapshot); "Close" ends the dialog.
class CEditSnapshotsDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CEditSnapshotsDlg(CControllerDocument& document, QWidget* parent = nullptr);
    bool Changed() const { return m_changed; }

    QListWidget* List() const { return m_list; }
    QLineEdit* NameEdit() const { return m_name; }
    QPushButton* UpButton() const { return m_up; }
    QPushButton* DownButton() const { return m_down; }
    QPushButton* DeleteButton() const { return m_delete; }
    QPushButton* CloseButton() const { return m_close; }

private:
    // Lists the form's snapshots again and selects row (none when out of range).
    void Fill(int row);
    void ShowSelection();

    CControllerDocument& m_document;
    QListWidget* m_list;
    QLineEdit* m_name;
    QPushButton* m_up;
    QPushButton* m_down;
    QPushButton* m_delete;
    QPushButton* m_close;
    bool m_changed = false;
};

// "Set Output and Channel": each "Set" writes the chosen port or channel into
// every MIDI item at once (not undoable); "Close" ends the dialog.
class CSetOutputDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CSetOutputDlg(CControllerDocument& document, QWidget* parent = nullptr);

    CChooseCtrl* PortCombo() const { return m_port; }
    CChooseCtrl* ChannelCombo() const { return m_channel; }
    QPushButton* SetPortButton() const { return m_setPort; }
    QPushButton* SetChannelButton() const { return m_setChannel; }
    QPushButton* CloseButton() const { return m_close; }

private:
    void SetPort();
    void SetChannel();

    CControllerDocument& m_document;
    CChooseCtrl* m_port;
    CChooseCtrl* m_channel;
    QPushButton* m_setPort;
    QPushButton* m_setChannel;
    QPushButton* m_close;
};

// "Info": the form's author, e-mail and description.
class CFormInfoDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CFormInfoDlg(const CControllerDocument& document, QWidget* parent = nullptr);
    std::string GetAuthor() const;
    std::string GetEmail() const;
    std::string GetDescription() const;

    QLineEdit* AuthorEdit() const { return m_author; }
    QLineEdit* EmailEdit() const { return m_email; }
    QPlainTextEdit* DescriptionEdit() const { return m_description; }

private:
    QLineEdit* m_author;
    QLineEdit* m_email;
    QPlainTextEdit* m_description;
};
