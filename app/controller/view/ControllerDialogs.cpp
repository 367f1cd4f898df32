#include "ControllerDialogs.h"

#include <utility>
#include <vector>

#include "ControlPropertiesDlg.h"
#include "ControllerCommands.h"
#include "ControllerDocument.h"
#include "FormDialogs.h"
#include "tonalith/ui/DialogRunner.h"

using tonalith::ui::RunDialog;

namespace {
// Where each MIDI item sends: port and channel, in item order.
std::vector<std::pair<int, int>> Destinations(const CControllerDocument& document) {
    std::vector<std::pair<int, int>> destinations;
    for (int i = 0; i < document.GetItemCount(); ++i)
        if (const CMidiItemData* midi = document.GetItem(i).GetMidiData())
            destinations.emplace_back(midi->m_nPort, midi->m_nChannel);
    return destinations;
}
}  // namespace

bool EditControlProperties(QWidget* parent, CControllerDocument& document, CCmdManager& commands, int position) {
    if (position < 0 || position >= document.GetItemCount()) return false;
    const CItemData* current = document.GetItem(position).GetItemData();
    if (!current) return false;
    CControlPropertiesDlg dialog(*current, document.GetOutput(), parent);
    // Validate again: a runner may answer OK without pressing the button.
    if (RunDialog(dialog) != QDialog::Accepted || !dialog.Validate()) return false;
    const CItemData& edited = dialog.CurrentPage().Data();
    if (edited.IsEqual(*current)) return false;
    commands.Execute(std::make_unique<CItemPropertiesCommand>(document, position, edited));
    return true;
}

std::unique_ptr<CItemData> ChooseNewItemData(QWidget* parent, const CControllerDocument& document) {
    CControlPropertiesDlg dialog(document.GetOutput(), parent);
    if (RunDialog(dialog) != QDialog::Accepted || !dialog.Validate()) return nullptr;
    return dialog.CurrentPage().Data().Clone();
}

bool EditSnapshots(QWidget* parent, CControllerDocument& document) {
    CEditSnapshotsDlg dialog(document, parent);
    RunDialog(dialog);
    return dialog.Changed();
}

bool SetOutputPortsAndChannel(QWidget* parent, CControllerDocument& document) {
    const auto before = Destinations(document);
    CSetOutputDlg dialog(document, parent);
    RunDialog(dialog);
    return Destinations(document) != before;
}

bool EditFormInfo(QWidget* parent, CControllerDocument& document) {
    CFormInfoDlg dialog(document, parent);
    if (RunDialog(dialog) != QDialog::Accepted) return false;
    const bool changed = dialog.GetAuthor() != document.GetAuthor() || dialog.GetEmail() != document.GetEmail() ||
                         dialog.GetDescription() != document.GetDescription();
    document.SetInfo(dialog.GetAuthor(), dialog.GetEmail(), dialog.GetDescription());
    return changed;
}
