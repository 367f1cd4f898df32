#pragma once

#include <QDialog>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tonalith/ui/TabPage.h"

class CKnob;
class CChooseCtrl;
class CLiveSender;
struct CParameter;
class CParameterTable;
class CPatch;
class CSynth;
class QCheckBox;
class QDialogButtonBox;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QTabWidget;

// The editor every patch type with a parameter table gets: one tab per page of
// the table, a knob for each numeric parameter and a selector for each list,
// in boxes by the table's groups. Every change is written into a working copy
// at once and, while real-time update is on, sent to the instrument through the
// live sender; OK hands the working copy to the patch, Cancel leaves it alone.
//
// A plug-in whose editor needs more composes this one: it chooses its own
// pages (table pages over any selection of parameters, or pages of its own
// that use MakeControl, ChangeValue and valueChanged), adds buttons and a
// widget beside the tabs, and says how the name travels.
class CParameterEditorDlg : public QDialog {
    Q_OBJECT

public:
    struct Options {
        QString title;  // empty: "Edit <type name>"
        // One tab per page of the table, in table order; off: the caller adds the pages.
        bool tablePages = true;
        // Multi Edit check box text of an instance ("Tone &1"); null: the group's name.
        // Multi Edit is offered for up to eight instances.
        std::function<QString(int instance, const std::string& group)> multiEditLabel;
        // Names for the values of a numeric parameter (texts for minimum.., as the
        // working copy stands), shown by a selector instead of a knob; null or an
        // empty list: a knob.
        std::function<QStringList(const CParameter& parameter, const CPatch& work)> valueNames;
        // The message that sets the name on the instrument while it is typed; null: none.
        std::function<std::vector<std::uint8_t>(const std::string& name)> nameMessage;
    };

    CParameterEditorDlg(CPatch& patch, const CParameterTable& table, QWidget* parent = nullptr);
    CParameterEditorDlg(CPatch& patch, const CParameterTable& table, Options options, QWidget* parent = nullptr);
    ~CParameterEditorDlg() override;

    const CParameterTable& GetTable() const { return m_table; }
    const CPatch& GetWorkingPatch() const { return *m_work; }
    CPatch& GetWorkingPatch() { return *m_work; }
    CTabbedEditor& GetTabs() const { return *m_tabs; }
    QLineEdit& GetNameField() const { return *m_name; }
    QCheckBox& GetRealtimeBox() const { return *m_realtime; }
    bool IsRealtime() const;

    // A tab showing parameters in boxes by group, as the table pages do.
    int AddTablePage(const QString& title, std::vector<const CParameter*> parameters);
    // A page showing parameters in boxes by group, for a tab whose parameters
    // the caller chooses each time it is shown.
    std::unique_ptr<CTabPage> MakeTablePage(std::vector<const CParameter*> parameters);
    // A tab of the caller's own.
    int AddCustomPage(const QString& title, CTabbedEditor::PageFactory factory);
    // Builds the shown page anew from the working copy (after a change made
    // behind the controls' back, such as copying a tone). Stores nothing.
    void ReloadPage();
    // A button beside OK and Cancel.
    QPushButton* AddButton(const QString& text, std::function<void()> clicked);
    // A widget left of the tabs (a list choosing what the pages show).
    void SetSideWidget(QWidget* widget);

    // The standard control of a parameter (a knob, or a captioned selector),
    // loaded from the working copy and registered; for custom pages.
    QWidget* MakeControl(const CParameter& parameter, QWidget* parent);
    // Fills the shown selector of a parameter with valueNames anew (after the
    // parameter its names depend on changed); false when none is shown.
    bool RefreshValueNames(const CParameter& parameter);
    // Registers a control a custom page made itself, so FindKnob/FindChooser
    // find it and Multi Edit updates it. A registration ends with its control;
    // a null control ends it at once (a control the page hides).
    void Register(const CParameter& parameter, QWidget* control);

    // The control showing a parameter on the shown page, or null.
    CKnob* FindKnob(const std::string& id) const;
    CChooseCtrl* FindChooser(const std::string& id) const;
    // Multi Edit: a change of one instance (tone) goes to every ticked instance too.
    void SetMultiEdit(int instance, bool on);
    bool IsMultiEdit(int instance) const;
    // The instances a change of this instance reaches: itself first, then the ticked ones.
    std::vector<int> MultiEditTargets(int instance) const;
    // What the user does with a control, for the page's controls and for tests:
    // stores the value (and into every Multi Edit instance), shows it and sends it.
    void ChangeValue(const CParameter& parameter, int value);
    // Stores a value into the working copy only: no Multi Edit, no message.
    void StoreValue(const CParameter& parameter, int value);
    // Sends a message the table does not build (several parameters at once)
    // while real-time update is on; key replaces an unsent message of the same key.
    void SendMessage(const std::string& key, std::vector<std::uint8_t> message);
    void SendPatch();

    void accept() override;
    void reject() override;

signals:
    // A parameter of the working copy changed through ChangeValue (once per
    // instance reached); custom pages redraw what depends on it.
    void valueChanged(const CParameter* parameter, int value);

private:
    class Page;
    friend class Page;

    void Unregister();
    void ShowValue(const CParameter& parameter, int value);
    void Send(const CParameter& parameter);

    CPatch& m_patch;
    const CParameterTable& m_table;
    Options m_options;
    std::unique_ptr<CPatch> m_work;
    CSynth* m_synth;
    std::unique_ptr<CLiveSender> m_sender;  // null without a synth
    std::map<std::string, QWidget*> m_controls;  // the shown page's controls by parameter id
    std::map<int, QCheckBox*> m_multiEdit;  // by instance
    QHBoxLayout* m_middle = nullptr;
    QTabWidget* m_tabWidget = nullptr;
    CTabbedEditor* m_tabs = nullptr;  // a child of the tab widget
    QLineEdit* m_name = nullptr;
    QString m_shownName;  // an untouched name keeps its bytes
    QCheckBox* m_realtime = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    QPushButton* m_sendPatch = nullptr;
};
