#pragma once

// The dialogs of the JV/XP bank tools: "Random", "Copy Effect Settings" and
// "Copy Rhythm Keys to Patch". Each only gathers a choice; the tool applies it.

#include <QDialog>

#include <array>

#include "amberkit/JVSynthTools.h"

class QCheckBox;
class QComboBox;
class QListWidget;

namespace amberkit {

class CJVRandomDlg final : public QDialog {
public:
    explicit CJVRandomDlg(const RandomFlags& flags, QWidget* parent = nullptr);
    RandomFlags Flags() const;
    // The box of a tone (0..3) and category; its object name is the settings key.
    QCheckBox* Box(int tone, RandomCategory category) const;

private:
    void SetAll(bool on);

    std::array<std::array<QCheckBox*, kRandomCategoryCount>, kPatchToneCount> m_boxes{};
};

class CJVCopyEffectDlg final : public QDialog {
public:
    explicit CJVCopyEffectDlg(const CAmberkitSynthMemory& memory, QWidget* parent = nullptr);
    CopyEffectChoice Choice() const;

    // "Patch" or "Performance", the record, for source and destination; the copy type.
    QComboBox* SourceType() const { return m_sourceType; }
    QComboBox* Source() const { return m_source; }
    QComboBox* DestinationType() const { return m_destinationType; }
    QComboBox* Destination() const { return m_destination; }
    QComboBox* CopyTypeBox() const { return m_copyType; }

private:
    // Lists the records of the type chosen in typeBox.
    void FillRecords(const QComboBox& typeBox, QComboBox& records);

    const CAmberkitSynthMemory& m_memory;
    QComboBox* m_sourceType;
    QComboBox* m_source;
    QComboBox* m_destinationType;
    QComboBox* m_destination;
    QComboBox* m_copyType;
};

class CJVCopyRhythmKeysDlg final : public QDialog {
public:
    explicit CJVCopyRhythmKeysDlg(const CAmberkitSynthMemory& memory, QWidget* parent = nullptr);
    // Valid once the dialog was accepted: "&Place" accepts only four keys.
    RhythmKeysChoice Choice() const;

    QListWidget* Keys() const { return m_keys; }
    QComboBox* Rhythm() const { return m_rhythm; }
    QComboBox* Patch() const { return m_patch; }
    // What "&Place" does: accepts with four keys, else says "Please select four keys.".
    void Place();

private:
    QListWidget* m_keys;
    QComboBox* m_rhythm;
    QComboBox* m_patch;
};

// Makes the tools open these dialogs.
void InstallToolDialogs();

}  // namespace amberkit
