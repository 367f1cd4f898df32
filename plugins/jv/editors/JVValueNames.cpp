#include "JVValueNames.h"

#include <string>

#include <tonalith/Layer.h>
#include <tonalith/Parameters.h>
#include <tonalith/Patch.h>
#include <tonalith/ui/ParameterEditorDlg.h>
#include <tonalith/ui/PatchText.h>

#include "amberkit/JVBoardDatabase.h"
#include "amberkit/JVConstants.h"

namespace amberkit {

namespace {

using Section = CJVBoardDatabase::Section;
using Kind = CJVBoardDatabase::Kind;

// "tone2." of "tone2.wave.group.id".
std::string Prefix(const CParameter& p) {
    return p.baseId.empty() || p.id.size() < p.baseId.size() ? std::string()
                                                             : p.id.substr(0, p.id.size() - p.baseId.size());
}

struct NameSource {
    std::string number;  // baseId of the number the group names
    std::string type;
    std::string id;
};

// The numbers named, with the two entries choosing their group.
const NameSource kSources[] = {
    {"wave", "wave.group.type", "wave.group.id"},
    {"patch", "group.type", "group.id"},
};

const NameSource* SourceOfNumber(const CParameter& p) {
    for (const NameSource& s : kSources)
        if (p.baseId == s.number) return &s;
    return nullptr;
}

// Names from this memory's own User or Card layer of the record's links.
std::vector<std::string> BankNames(const CPatch& record, int child) {
    std::vector<std::string> out;
    if (child >= record.GetChildLayerCount()) return out;
    const CLayer* layer = record.GetChildLayer(child);
    for (int i = 0; i < layer->GetPatchCount(); ++i) out.push_back(layer->GetPatch(i)->GetName());
    return out;
}

std::vector<std::string> GroupNames(int group, Section section, Kind kind) {
    const CJVBoardDatabase& db = CJVBoardDatabase::Get();
    std::vector<std::string> out;
    if (!db.HasGroup(group, kind)) return out;
    const int length = db.GetListLength(group, section, kind);
    for (int i = 0; i < length; ++i) out.push_back(db.GetName(group, section, i, kind));
    return out;
}

std::vector<std::string> Names(const NameSource& source, const CParameter& p, int type, int id, const CPatch& record) {
    const bool wave = source.number == "wave";
    const Section section = wave ? Section::Wave : p.instance == kRhythmPartIndex ? Section::Rhythm : Section::Patch;
    if (type == kGroupTypePcmCard) return GroupNames(CJVBoardDatabase::kPcmCardGroup, section, Kind::Preset);
    if (type == kGroupTypeBoard) return GroupNames(id, section, Kind::Board);
    if (type != kGroupTypeInternal) return {};
    if (id == kGroupIdUser || id == kGroupIdCard) {
        // The internal wave groups lie in the files after User and Card; a part's
        // User or Card sound is a record of this bank (patch layers 0, 1; rhythm 2, 3).
        if (wave) return GroupNames(id + 2, section, Kind::Preset);
        return BankNames(record, (section == Section::Rhythm ? 2 : 0) + id - 1);
    }
    return GroupNames(id, section, Kind::Preset);
}

}  // namespace

QStringList ValueNames(const CParameter& parameter, const CPatch& record) {
    const NameSource* source = SourceOfNumber(parameter);
    const CParameterTable* table = record.GetParameterTable();
    if (!source || !table) return {};
    const std::string prefix = Prefix(parameter);
    const CParameter* type = table->Find(prefix + source->type);
    const CParameter* id = table->Find(prefix + source->id);
    if (!type || !id || type->instance != parameter.instance) return {};
    const std::vector<std::string> names =
        Names(*source, parameter, table->GetValue(record, *type), table->GetValue(record, *id), record);
    QStringList out;
    for (int v = parameter.minimum; v <= parameter.maximum; ++v) {
        const auto i = static_cast<std::size_t>(v - parameter.minimum);
        const QString number = QString::fromStdString(table->FormatValue(parameter, v));
        out << (i < names.size() ? number + QStringLiteral(": ") + tonalith::ui::FromPatchText(names[i]).trimmed()
                                 : number);
    }
    return out;
}

void FollowNameGroup(CParameterEditorDlg& editor, const CParameter& changed) {
    for (const NameSource& source : kSources)
        if (changed.baseId == source.type || changed.baseId == source.id)
            if (const CParameter* number = editor.GetTable().Find(Prefix(changed) + source.number))
                editor.RefreshValueNames(*number);
}

}  // namespace amberkit
