#pragma once

#include <QDialog>

#include <map>
#include <memory>
#include <vector>

class CKnob;
class CChooseCtrl;
class CLiveSender;
struct CParameter;
class CParameterTable;
class CPatch;
class CSynth;
class CTabbedEditor;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

// The editor every patch type with a parameter table gets: one tab per page of
// the table, a knob for each numeric parameter and a selector for each list,
// in boxes by the table's groups. Every change is written into a working copy
// at once and, while real-time update is on, sent to the instrument through the
// live sender; OK hands the working copy to the patch, Cancel leaves it alone.
class CParameterEditorDlg final : public QDialog {
    Q_OBJECT

public:
    CParameterEditorDlg(CPatch& patch, const CParameterTable& table, QWidget* parent = nullptr);
    ~CParameterEditorDlg() override;

    const CPatch& GetWorkingPatch() const { return *m_work; }
    CTabbedEditor& GetTabs() const { return *m_tabs; }
    // The control showing a parameter on the shown page, or null.
    CKnob* FindKnob(const std::string& id) const;
    CChooseCtrl* FindChooser(const std::string& id) const;
    // Multi Edit: a change of one instance (tone) goes to every ticked instance too.
    void SetMultiEdit(int instance, bool on);
    // What the user does with a control, for the page's controls and for tests.
    void ChangeValue(const CParameter& parameter, int value);
    void SendPatch();

    void accept() override;
    void reject() override;

private:
    class Page;
    friend class Page;

    void Register(const CParameter& parameter, QWidget* control);
    void Unregister();
    void ShowValue(const CParameter& parameter, int value);
    void Send(const CParameter& parameter);

    CPatch& m_patch;
    const CParameterTable& m_table;
    std::unique_ptr<CPatch> m_work;
    CSynth* m_synth;
    std::unique_ptr<CLiveSender> m_sender;  // null without a synth
    std::map<std::string, QWidget*> m_controls;  // the shown page's controls by parameter id
    std::map<int, QCheckBox*> m_multiEdit;        // by instance
    QTabWidget* m_tabWidget = nullptr;
    CTabbedEditor* m_tabs = nullptr;  // a child of the tab widget
    QLineEdit* m_name = nullptr;
    QCheckBox* m_realtime = nullptr;
    QPushButton* m_sendPatch = nullptr;
};
