#pragma once

// "Edit Program" and "Edit Combination": the framework editor (name, Multi
// Edit over the oscillators or timbres, real-time update, "Send Patch") with
// the record's pages laid out in rows, timbre rows titled with the program they
// play, and the effect page built from the effect type's own labels.

#include "tonalith/ui/ParameterEditorDlg.h"

#include <string>

class CEmberkitPatch;

namespace emberkit {
class CEmberkitParameterTable;
}

class CEmberkitEditorDlg final : public CParameterEditorDlg {
    Q_OBJECT

public:
    explicit CEmberkitEditorDlg(CEmberkitPatch& patch, QWidget* parent = nullptr);

    // The caption shown for a parameter on the shown page ("Reverb Time:"), or empty.
    QString GetShownLabel(const std::string& id) const;
    // The title of a group box: a timbre row reads as the label of the program it plays.
    QString GroupTitle(const std::string& group, int instance) const;

private:
    class Page;
    class EffectPage;

    const emberkit::CEmberkitParameterTable& m_table;
};
