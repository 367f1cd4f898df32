#pragma once

// "Edit Drum - %s", its slot question "Please choose...", and the read-only
// "Show Global".

#include <QDialog>

#include <map>
#include <memory>
#include <string>

class CChooseCtrl;
class CEmberkitDrumKit;
class CEmberkitGlobal;
class CPatch;
class QLabel;
class QListWidget;

// The instrument has no edit buffer for drum kits: the edited kit goes into
// the slot this dialog returns (0-3: A0, A1, B0, B1; -1: none chosen).
class CDrumSlotDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CDrumSlotDlg(QWidget* parent = nullptr);
    // Runs the dialog; the chosen slot or -1.
    static int Ask(QWidget* parent);
    void Choose(int slot) { done(kChosen + slot); }

private:
    static constexpr int kChosen = 10;
};

class CEmberkitDrumDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CEmberkitDrumDlg(CEmberkitDrumKit& kit, QWidget* parent = nullptr);
    ~CEmberkitDrumDlg() override;

    QListWidget& GetInstruments() const { return *m_instruments; }
    // The selector of a field of the selected entry: "sound", "key", "pan", "tune", "level", "decay", "group".
    CChooseCtrl* GetField(const std::string& field) const;
    const CPatch& GetWorkingPatch() const;
    // The slot the last OK wrote to (-1: none).
    int GetWrittenSlot() const { return m_writtenSlot; }

    void accept() override;

private:
    void ShowEntry(int entry);
    void ChangeField(const std::string& field, int value);
    QString EntryLine(int entry) const;

    CEmberkitDrumKit& m_kit;
    std::unique_ptr<CPatch> m_work;
    QListWidget* m_instruments = nullptr;
    std::map<std::string, CChooseCtrl*> m_fields;
    int m_entry = 0;
    int m_writtenSlot = -1;
};

class CEmberkitGlobalDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CEmberkitGlobalDlg(const CEmberkitGlobal& global, QWidget* parent = nullptr);
    // The text shown for a caption ("Master Tune:"), or empty.
    QString GetShownValue(const QString& caption) const;

private:
    std::map<QString, QLabel*> m_values;
};
