#pragma once

#include <QDialog>
#include <QFont>

#include <string>
#include <vector>

class CPatch;
class QLineEdit;
class QListWidget;

// A window manager cuts a title wider than the window: the dialog's minimum
// width leaves room for its title and the title bar's buttons.
void KeepTitleVisible(QDialog& dialog);

// "Choose The Synth Memory": the synth memory of a new bank.
class CChooseSynthMemoryDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CChooseSynthMemoryDlg(const std::vector<std::string>& names, QWidget* parent = nullptr);
    // The chosen row, or -1.
    int GetSelection() const;
    QListWidget& List() const { return *m_list; }

private:
    QListWidget* m_list;
};

// "Select Layers To Save".
class CSelectLayersDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CSelectLayersDlg(const std::vector<std::string>& names, QWidget* parent = nullptr);
    // The selected rows, ascending.
    std::vector<int> GetSelection() const;
    QListWidget& List() const { return *m_list; }

private:
    QListWidget* m_list;
};

// "Change Name ": renames a patch in place, over its cell.
class CChangeNameDlg final : public QDialog {
    Q_OBJECT
public:
    CChangeNameDlg(const CPatch& patch, const QFont& font, QWidget* parent = nullptr);
    // The typed name as a patch text; lost receives the characters that became '?'.
    std::string GetName(std::string* lost = nullptr) const;
    QLineEdit& Edit() const { return *m_edit; }

private:
    QLineEdit* m_edit;
};
