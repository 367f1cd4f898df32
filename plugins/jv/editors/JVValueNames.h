#pragma once

// The names the editors show for numbers: a tone's or rhythm key's wave from
// the name files of its wave group, a performance part's sound from this bank
// (User, Card) or the name files (presets, PCM card, boards).

#include <QStringList>

class CParameterEditorDlg;
class CPatch;
struct CParameter;

namespace amberkit {

// "1: name" for every value of a wave or part sound number, a bare number
// where no name is known; empty for any other parameter.
QStringList ValueNames(const CParameter& parameter, const CPatch& record);
// After a wave or sound group changed: the number's selector lists that group.
void FollowNameGroup(CParameterEditorDlg& editor, const CParameter& changed);

}  // namespace amberkit
