#include "ItemData.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include <tonalith/Archive.h>

IMPLEMENT_DYNCREATE(CItemData, CObject)
IMPLEMENT_DYNCREATE(CGroupItemData, CItemData)
IMPLEMENT_DYNCREATE(CMidiItemData, CItemData)
IMPLEMENT_DYNCREATE(CKnobItemData, CMidiItemData)
IMPLEMENT_DYNCREATE(CSliderItemData, CMidiItemData)
IMPLEMENT_DYNCREATE(CButtonItemData, CMidiItemData)
IMPLEMENT_DYNCREATE(CRadioItemData, CMidiItemData)

namespace {

constexpr int kIntMin = std::numeric_limits<int>::min();
constexpr int kIntMax = std::numeric_limits<int>::max();

CItemField IntField(const char* name, int& value, int minimum, int maximum) {
    return {name, CItemField::Int, &value, nullptr, minimum, maximum};
}
CItemField TextField(const char* name, std::string& value) { return {name, CItemField::Text, nullptr, &value, 0, 0}; }

std::optional<int> ParseInt(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::int16_t Short(int value) { return static_cast<std::int16_t>(std::clamp(value, -32768, 32767)); }

// The knob and slider pages keep Value, Minimum and Maximum in order: the changed
// field wins and the others follow it.
void KeepRange(std::string_view changed, int& minimum, int& maximum, int& value) {
    if (changed == "Minimum") {
        maximum = std::max(maximum, minimum);
        value = std::max(value, minimum);
    } else if (changed == "Maximum") {
        minimum = std::min(minimum, maximum);
        value = std::min(value, maximum);
    } else if (changed == "Value") {
        value = std::clamp(value, minimum, std::max(minimum, maximum));
    }
}

template <typename T>
std::unique_ptr<CItemData> CloneOf(const T& data) {
    return std::make_unique<T>(data);
}

}  // namespace

// ---- CItemData --------------------------------------------------------------

std::unique_ptr<CItemData> CItemData::Clone() const { return CloneOf(*this); }

std::vector<CItemField> CItemData::Fields() {
    std::vector<CItemField> fields;
    GetFields(fields);
    return fields;
}

std::vector<std::string> CItemData::GetFieldNames() const {
    std::vector<std::string> names;
    for (const CItemField& field : const_cast<CItemData*>(this)->Fields()) names.emplace_back(field.name);
    return names;
}

std::optional<std::string> CItemData::GetField(std::string_view name) const {
    for (const CItemField& field : const_cast<CItemData*>(this)->Fields()) {
        if (name != field.name) continue;
        if (field.kind == CItemField::Text) return *field.textValue;
        return std::to_string(*field.intValue);
    }
    return std::nullopt;
}

std::string CItemData::SetField(std::string_view name, std::string_view value) {
    for (const CItemField& field : Fields()) {
        if (name != field.name) continue;
        if (field.kind == CItemField::Text) {
            *field.textValue = std::string(value);
            return {};
        }
        const std::optional<int> number = ParseInt(value);
        if (!number) return "\"" + std::string(value) + "\" is not a whole number (field " + field.name + ").";
        if (*number < field.minimum || *number > field.maximum)
            return std::string(field.name) + " must lie between " + std::to_string(field.minimum) + " and " +
                   std::to_string(field.maximum) + ".";
        *field.intValue = *number;
        return {};
    }
    return "A " + GetTypeName() + " item has no field \"" + std::string(name) + "\".";
}

bool CItemData::IsEqual(const CItemData& other) const {
    if (GetRuntimeClass() != other.GetRuntimeClass()) return false;
    const auto mine = const_cast<CItemData*>(this)->Fields();
    const auto theirs = const_cast<CItemData&>(other).Fields();
    for (std::size_t i = 0; i < mine.size(); ++i) {
        if (mine[i].kind == CItemField::Text ? *mine[i].textValue != *theirs[i].textValue
                                             : *mine[i].intValue != *theirs[i].intValue)
            return false;
    }
    return true;
}

void CItemData::Serialize(CArchive& ar) {
    for (const CItemField& field : Fields()) {
        if (ar.IsStoring()) {
            if (field.kind == CItemField::Text) ar.WriteString(*field.textValue);
            else ar << static_cast<std::int32_t>(*field.intValue);
        } else {
            if (field.kind == CItemField::Text) {
                *field.textValue = ar.ReadString();
            } else {
                std::int32_t v = 0;
                ar >> v;
                *field.intValue = v;
            }
        }
    }
}

// ---- CGroupItemData ---------------------------------------------------------

std::unique_ptr<CItemData> CGroupItemData::Clone() const { return CloneOf(*this); }

void CGroupItemData::GetFields(std::vector<CItemField>& fields) {
    CItemData::GetFields(fields);
    fields.push_back(TextField("Text", m_strText));
    fields.push_back(IntField("Border", m_nBorder, None, Both));
    fields.push_back(IntField("Show Group Frame", m_bShowGroupFrame, 0, 1));
}

void CGroupItemData::ApplyToControl(CControlProperties& control) const {
    control.SetTextProperty(1, m_strText);
    control.SetBoolProperty(2, m_bShowGroupFrame != 0);
    control.SetBoolProperty(3, m_nBorder == Vertical || m_nBorder == Both);
    control.SetBoolProperty(4, m_nBorder == Horizontal || m_nBorder == Both);
}

CSize CGroupItemData::GetDefaultSize() const { return m_bShowGroupFrame ? CSize{140, 80} : CSize{80, 30}; }

// ---- CMidiItemData ----------------------------------------------------------

const char* CMidiItemData::GetMessageTypeName(int type) {
    static constexpr const char* kNames[kTypeCount] = {
        "Note", "Poly Pressure", "Control Change", "Program Change", "Aftertouch", "Pitch Bend", "System Exclusive"};
    return type >= 0 && type < kTypeCount ? kNames[type] : "";
}

const char* CMidiItemData::GetDefaultTemplate(int type) {
    static constexpr const char* kTemplates[kTypeCount] = {"9K 64 XX", "AK 64 XX", "BK TT XX",      "CK XX",
                                                           "DK XX",    "EK 00 XX", "F0 00 XX SS F7"};
    return type >= 0 && type < kTypeCount ? kTemplates[type] : "";
}

std::unique_ptr<CItemData> CMidiItemData::Clone() const { return CloneOf(*this); }

void CMidiItemData::GetFields(std::vector<CItemField>& fields) {
    CItemData::GetFields(fields);
    fields.push_back(IntField("Type", m_nType, 0, kTypeCount - 1));
    fields.push_back(IntField("Controller", m_nController, -1, 127));
    fields.push_back(TextField("Message", m_strMessage));
    fields.push_back(IntField("Port", m_nPort, 0, kIntMax));
    fields.push_back(IntField("Channel", m_nChannel, 0, 15));
    fields.push_back(IntField("Encoding", m_nEncoding, 0, 1));
    fields.push_back(IntField("Value", m_nValue, -127, 127));
    fields.push_back(IntField("Offset", m_nOffset, -127, 127));
    fields.push_back(TextField("Tooltip", m_strTooltip));
    fields.push_back(IntField("Remote", m_nRemote, -1, 127));
}

void CMidiItemData::SetType(int type) {
    if (type < 0 || type >= kTypeCount) return;
    m_nType = type;
    m_strMessage = GetDefaultTemplate(type);
}

// ---- CKnobItemData ----------------------------------------------------------

std::unique_ptr<CItemData> CKnobItemData::Clone() const { return CloneOf(*this); }

void CKnobItemData::GetFields(std::vector<CItemField>& fields) {
    CMidiItemData::GetFields(fields);
    fields.push_back(IntField("Minimum", m_nMinimum, -127, 127));
    fields.push_back(IntField("Maximum", m_nMaximum, -127, 127));
}

std::string CKnobItemData::SetField(std::string_view name, std::string_view value) {
    std::string error = CMidiItemData::SetField(name, value);
    if (error.empty()) KeepRange(name, m_nMinimum, m_nMaximum, m_nValue);
    return error;
}

void CKnobItemData::ApplyToControl(CControlProperties& control) const {
    control.SetIntProperty(3, Short(m_nMinimum));
    control.SetIntProperty(4, Short(m_nMaximum));
    control.SetValue(Short(m_nValue));
}

// ---- CSliderItemData --------------------------------------------------------

std::unique_ptr<CItemData> CSliderItemData::Clone() const { return CloneOf(*this); }

void CSliderItemData::GetFields(std::vector<CItemField>& fields) {
    CMidiItemData::GetFields(fields);
    fields.push_back(IntField("Minimum", m_nMinimum, -127, 127));
    fields.push_back(IntField("Maximum", m_nMaximum, -127, 127));
    fields.push_back(IntField("Vertical", m_nVertical, 0, 1));
}

std::string CSliderItemData::SetField(std::string_view name, std::string_view value) {
    std::string error = CMidiItemData::SetField(name, value);
    if (error.empty()) KeepRange(name, m_nMinimum, m_nMaximum, m_nValue);
    return error;
}

void CSliderItemData::ApplyToControl(CControlProperties& control) const {
    control.SetIntProperty(1, Short(m_nMinimum));
    control.SetIntProperty(2, Short(m_nMaximum));
    control.SetValue(Short(m_nValue));
    control.SetBoolProperty(4, m_nVertical > 0);
}

CSize CSliderItemData::GetDefaultSize() const { return m_nVertical > 0 ? CSize{60, 250} : CSize{250, 60}; }

// ---- CButtonItemData --------------------------------------------------------

std::unique_ptr<CItemData> CButtonItemData::Clone() const { return CloneOf(*this); }

void CButtonItemData::GetFields(std::vector<CItemField>& fields) {
    CMidiItemData::GetFields(fields);
    fields.push_back(IntField("Off", m_nOff, -127, 127));
    fields.push_back(IntField("On", m_nOn, -127, 127));
    fields.push_back(IntField("Is Pushbutton", m_bIsPushbutton, 0, 1));
    fields.push_back(TextField("Caption", m_strCaption));
}

void CButtonItemData::ApplyToControl(CControlProperties& control) const {
    control.SetIntProperty(2, Short(m_nOff));
    control.SetIntProperty(3, Short(m_nOn));
    control.SetValue(Short(m_nValue));
    control.SetBoolProperty(1, m_bIsPushbutton != 0);
    control.SetTextProperty(5, m_strCaption);
}

// ---- CRadioItemData ---------------------------------------------------------

std::unique_ptr<CItemData> CRadioItemData::Clone() const { return CloneOf(*this); }

void CRadioItemData::GetFields(std::vector<CItemField>& fields) {
    CMidiItemData::GetFields(fields);
    fields.push_back(TextField("Texts", m_strTexts));
    fields.push_back(TextField("Values", m_strValues));
}

void CRadioItemData::ApplyToControl(CControlProperties& control) const {
    control.SetTextProperty(1, m_strTexts);
    control.SetTextProperty(3, m_strValues);
    control.SetValue(Short(m_nValue));
}

int CRadioItemData::CountLines(std::string_view text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

std::string CRadioItemData::NormalizeLists() {
    for (std::string* list : {&m_strTexts, &m_strValues})
        if (!list->empty() && list->back() != '\n') *list += "\r\n";
    if (CountLines(m_strTexts) != CountLines(m_strValues))
        return "Texts and values must have the same number of entries.";
    return {};
}

// ---- CItemTypeRegistry ------------------------------------------------------

CItemTypeRegistry::CItemTypeRegistry() {
    m_prototypes.push_back(std::make_unique<CGroupItemData>());
    m_prototypes.push_back(std::make_unique<CButtonItemData>());
    m_prototypes.push_back(std::make_unique<CRadioItemData>());
    m_prototypes.push_back(std::make_unique<CKnobItemData>());
    m_prototypes.push_back(std::make_unique<CSliderItemData>());
}

CItemTypeRegistry& CItemTypeRegistry::Get() {
    static CItemTypeRegistry registry;
    return registry;
}

const CItemData* CItemTypeRegistry::Find(const GUID& id) const {
    if (id.IsNull()) return nullptr;
    for (const auto& prototype : m_prototypes)
        if (prototype->GetClassId() == id) return prototype.get();
    return nullptr;
}

std::unique_ptr<CItemData> CItemTypeRegistry::CreateItemData(const GUID& id) const {
    const CItemData* prototype = Find(id);
    if (!prototype) return nullptr;
    std::unique_ptr<CObject> object = prototype->GetRuntimeClass()->CreateObject();
    auto* data = dynamic_cast<CItemData*>(object.get());
    if (!data) return nullptr;
    object.release();
    return std::unique_ptr<CItemData>(data);
}
