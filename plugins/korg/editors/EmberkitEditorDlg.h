#pragma once

// "Edit Program" and "Edit Combination": the pages of the record's parameter
// table, with the effect page built from the effect type's own labels. Every
// change goes into a working copy and, while real-time update is on, out to the
// instrument as a parameter change; OK hands the copy to the patch.

#include <QDialog>

#include <map>
#include <memory>
#include <string>

class CChooseCtrl;
class CEmberkitPatch;
class CKnob;
class CLiveSender;
class CPatch;
class CTabbedEditor;
class QCheckBox;
class QLineEdit;
class QTabWidget;
struct CParameter;

namespace emberkit {
class CEmberkitParameterTable;
}

class CEmberkitEditorDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CEmberkitEditorDlg(CEmberkitPatch& patch, QWidget* parent = nullptr);
    ~CEmberkitEditorDlg() override;

    const CPatch& GetWorkingPatch() const { return *m_work; }
    CTabbedEditor& GetTabs() const { return *m_tabs; }
    QLineEdit& GetNameField() const { return *m_name; }
    // The control of a parameter on the shown page, or null.
    CKnob* FindKnob(const std::string& id) const;
    CChooseCtrl* FindChooser(const std::string& id) const;
    // The caption shown for a parameter on the shown page ("Reverb Time:"), or empty.
    QString GetShownLabel(const std::string& id) const;
    // What the user does with a control.
    void ChangeValue(const CParameter& parameter, int value);
    // The title of a group box: a timbre row reads as the label of the program it plays.
    QString GroupTitle(const std::string& group, int instance) const;

    void accept() override;
    void reject() override;

private:
    class Page;
    class EffectPage;
    friend class Page;
    friend class EffectPage;

    void Register(const std::string& id, QWidget* control, QWidget* label = nullptr);
    void Unregister() {
        m_controls.clear();
        m_labels.clear();
    }
    QWidget* MakeControl(const CParameter& parameter, QWidget* parent);

    CEmberkitPatch& m_patch;
    const emberkit::CEmberkitParameterTable& m_table;
    std::unique_ptr<CPatch> m_work;
    std::unique_ptr<CLiveSender> m_sender;
    std::map<std::string, QWidget*> m_controls;
    std::map<std::string, QWidget*> m_labels;
    QTabWidget* m_tabWidget = nullptr;
    CTabbedEditor* m_tabs = nullptr;
    QLineEdit* m_name = nullptr;
    QCheckBox* m_realtime = nullptr;
};
