#pragma once

// The XV patch editor: the editor of the patch's parameter table, whose wave
// page chooses each tone's waves by name from the name files of the chosen
// wave group.

#include <QObject>
#include <QPointer>

#include <array>
#include <string>
#include <utility>
#include <vector>

class CChooseCtrl;
class CKnob;
class CParameterEditorDlg;
class CXVBoardDatabase;
class CXVPatch;
class QWidget;

namespace xv {

// Opens "Edit Patch" on patch through the dialog runner; true when closed with OK.
bool EditPatch(CXVPatch& patch, QWidget* parent = nullptr);

// The wave choices of a group: 0 "OFF", then "n: name" for every wave the
// group's name file lists; only "OFF" for samples and groups without a file.
std::vector<std::string> WaveChoices(int groupType, int groupId, const CXVBoardDatabase& names);

// Puts a selector of wave names in place of each wave number knob of the
// editor's wave page, whenever that page is shown, and keeps the selectors in
// step with the tones' wave groups. A child of the editor.
class CWavePageNames final : public QObject {
public:
    CWavePageNames(CParameterEditorDlg& editor, const CXVBoardDatabase& names);

    // The selector of a tone's left (0) or right (1) wave; null when the wave
    // page is not shown or the group has no list (the knob is shown then).
    CChooseCtrl* GetChooser(int tone, int side) const;

private:
    struct Slot {
        QPointer<CKnob> knob;
        QPointer<CChooseCtrl> chooser;
        QPointer<QWidget> cell;
        std::pair<int, int> group{-1, -1};  // type and ID the items were made for
    };
    void OnPageCreated(int index);
    void Refresh();

    CParameterEditorDlg& m_editor;
    const CXVBoardDatabase& m_names;
    std::array<std::array<Slot, 2>, 4> m_slots;
};

}  // namespace xv
