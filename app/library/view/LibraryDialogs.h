#pragma once

#include <QDialog>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "DuplicateSearch.h"
#include "LibraryEngine.h"
#include "LibraryKeys.h"

class CLibrary;
class CLibraryPatch;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// A key as a group combo and a key combo; group 0 (no key) disables the key combo.
class CKeyChooser final : public QObject {
    Q_OBJECT

public:
    CKeyChooser(const CLibraryKeyNames& names, QWidget* parent);
    QComboBox* Group() const { return m_group; }
    QComboBox* Key() const { return m_key; }
    void SetByte(std::uint8_t byte);
    std::uint8_t Byte() const;
    void SetEnabled(bool enabled);

private:
    void FillKeys(int group);

    const CLibraryKeyNames& m_names;
    QComboBox* m_group;
    QComboBox* m_key;
    bool m_enabled = true;
};

// "Search Patches": a name fragment and up to four keys joined by operators.
class CSearchDlg final : public QDialog {
    Q_OBJECT

public:
    CSearchDlg(const CLibraryKeyNames& names, const LibraryEngine::CSearchFilter& filter, QWidget* parent = nullptr);
    LibraryEngine::CSearchFilter GetFilter() const;
    QLineEdit* NameEdit() const { return m_name; }
    QComboBox* OperatorCombo(int row) const { return m_ops[static_cast<std::size_t>(row)]; }
    CKeyChooser* KeyChooser(int row) const { return m_keys[static_cast<std::size_t>(row)]; }

private:
    void UpdateRows();

    QLineEdit* m_name;
    std::array<QComboBox*, LibraryEngine::CSearchFilter::kKeyCount> m_ops{};
    std::array<CKeyChooser*, LibraryEngine::CSearchFilter::kKeyCount> m_keys{};
};

// "Find double patches": the duplicate search on a worker thread.
class CDuplicatesDlg final : public QDialog {
    Q_OBJECT

public:
    CDuplicatesDlg(const CLibrary& library, QWidget* parent = nullptr);
    ~CDuplicatesDlg() override;
    bool IsRunning() const { return m_job.IsRunning() || !m_finished; }
    // The second index of every pair found so far.
    const std::vector<int>& GetFoundIndices() const { return m_found; }
    QListWidget* List() const { return m_list; }
    QPushButton* SelectButton() const { return m_selectButton; }
    QPushButton* CloseButton() const { return m_close; }
    QProgressBar* Progress() const { return m_progress; }

    void done(int result) override;

signals:
    // "&Select Found Double Patches": the window selects these library indices.
    void SelectFound(const std::vector<int>& indices);

private:
    CDuplicateSearchJob m_job;
    QListWidget* m_list;
    QProgressBar* m_progress;
    QPushButton* m_selectButton;
    QPushButton* m_close;
    std::vector<int> m_found;
    bool m_finished = false;
};

// "Edit Keys": names of the key groups and of their keys.
class CKeysDlg final : public QDialog {
    Q_OBJECT

public:
    CKeysDlg(const CLibraryKeyNames& names, QWidget* parent = nullptr);
    const CLibraryKeyNames& GetNames() const { return m_names; }
    QListWidget* Groups() const { return m_groups; }
    QListWidget* Keys() const { return m_keys; }
    QLineEdit* GroupEdit() const { return m_groupEdit; }
    QLineEdit* KeyEdit() const { return m_keyEdit; }

private:
    void ShowGroup(int row);

    CLibraryKeyNames m_names;
    QListWidget* m_groups;
    QListWidget* m_keys;
    QLineEdit* m_groupEdit;
    QLineEdit* m_keyEdit;
};

// "Properties" of one entry: name, keys and comment.
class CPropertiesDlg final : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kApplyToAll = "Use those keys and the comment for all selected patches";

    CPropertiesDlg(const CLibraryKeyNames& names, const CLibraryPatch& entry, QWidget* parent = nullptr);
    std::string GetName() const;
    std::array<std::uint8_t, 8> GetKeys() const;
    std::string GetComment() const;
    bool ApplyToAll() const;
    QLineEdit* NameEdit() const { return m_name; }
    QPlainTextEdit* CommentEdit() const { return m_comment; }
    QCheckBox* ApplyBox() const { return m_all; }
    CKeyChooser* KeyChooser(int i) const { return m_keys[static_cast<std::size_t>(i)]; }

private:
    QLineEdit* m_name;
    QPlainTextEdit* m_comment;
    QCheckBox* m_all;
    std::array<CKeyChooser*, 8> m_keys{};
};
