#pragma once

// The data behind each control of a controller form: what the control looks like
// and which MIDI message it sends. Plain data, created by class record and read
// and written in the form file's field order.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <tonalith/Guid.h>
#include <tonalith/RuntimeClass.h>

class CArchive;

// What the item data sets on its control: numbered properties and the value
// property. The form view implements it over its widgets.
class CControlProperties {
public:
    virtual ~CControlProperties() = default;
    virtual void SetIntProperty(int id, std::int16_t value) = 0;
    virtual void SetBoolProperty(int id, bool value) = 0;
    virtual void SetTextProperty(int id, const std::string& text) = 0;
    virtual void SetValue(std::int16_t value) = 0;
};

// One named field of an item data, for field access by name and for the file.
struct CItemField {
    enum Kind { Int, Text };
    const char* name;
    Kind kind;
    int* intValue = nullptr;
    std::string* textValue = nullptr;
    int minimum = 0;  // the accepted range for Int fields
    int maximum = 0;
};

struct CSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const CSize&, const CSize&) = default;
};

class CItemData : public CObject {
    DECLARE_DYNCREATE(CItemData)
public:
    CItemData() = default;
    CItemData(const CItemData&) = default;
    CItemData& operator=(const CItemData&) = default;

    // The class identifier that names this item type in the file (null for the
    // abstract bases, which are never stored).
    virtual GUID GetClassId() const { return {}; }
    // "Group/Text", "Button", "Choose", "Knob", "Slider".
    virtual std::string GetTypeName() const { return {}; }
    virtual bool IsMidiItem() const { return false; }
    virtual bool IsGroupFrame() const { return false; }
    virtual std::unique_ptr<CItemData> Clone() const;

    // Base fields first, then the class's own, in file order.
    virtual void GetFields(std::vector<CItemField>& fields) {}
    std::vector<CItemField> Fields();
    std::vector<std::string> GetFieldNames() const;
    // The field's value as text (integers in decimal); nullopt for an unknown name.
    std::optional<std::string> GetField(std::string_view name) const;
    // Sets a field from text. Returns an error sentence, or an empty string on success.
    virtual std::string SetField(std::string_view name, std::string_view value);
    bool IsEqual(const CItemData& other) const;

    // Reads or writes the fields in file order. Lengths are checked by the archive.
    virtual void Serialize(CArchive& ar);

    // The control interface: the value event and value property numbers (-1: none),
    // the value that goes into the message for an event value, and the properties
    // applied to a control in the documented order.
    virtual int GetValueEventId() const { return -1; }
    virtual int GetValuePropertyId() const { return -1; }
    virtual int GetSentValue(int eventValue) const { return eventValue; }
    virtual void ApplyToControl(CControlProperties& control) const {}
    virtual CSize GetDefaultSize() const { return {50, 50}; }
};

class CGroupItemData : public CItemData {
    DECLARE_DYNCREATE(CGroupItemData)
public:
    enum Border { None = 0, Vertical = 1, Horizontal = 2, Both = 3 };
    static constexpr GUID kClassId{0x7C5734D7, 0x333B, 0x11D5, {0xB9, 0x07, 0x00, 0x04, 0x76, 0x12, 0xB4, 0x4D}};

    GUID GetClassId() const override { return kClassId; }
    std::string GetTypeName() const override { return "Group/Text"; }
    bool IsGroupFrame() const override { return true; }
    std::unique_ptr<CItemData> Clone() const override;
    void GetFields(std::vector<CItemField>& fields) override;
    void ApplyToControl(CControlProperties& control) const override;
    CSize GetDefaultSize() const override;

    std::string m_strText = "Group/Text";
    int m_nBorder = None;
    int m_bShowGroupFrame = 1;
};

class CMidiItemData : public CItemData {
    DECLARE_DYNCREATE(CMidiItemData)
public:
    enum Type { Note, PolyPressure, ControlChange, ProgramChange, Aftertouch, PitchBend, SystemExclusive };
    static constexpr int kTypeCount = 7;
    // "Note" ... "System Exclusive", by Type.
    static const char* GetMessageTypeName(int type);
    // The template a newly picked Type puts into Message ("BK TT XX" ...); empty for other numbers.
    static const char* GetDefaultTemplate(int type);

    bool IsMidiItem() const override { return true; }
    std::unique_ptr<CItemData> Clone() const override;
    void GetFields(std::vector<CItemField>& fields) override;
    // Picks a Type as the property page does: the Message becomes that type's template.
    void SetType(int type);

    int m_nType = ControlChange;
    int m_nController = 7;
    std::string m_strMessage = "BK TT XX";
    int m_nPort = 0;
    int m_nChannel = 0;
    int m_nEncoding = 0;
    int m_nValue = 0;
    int m_nOffset = 0;
    std::string m_strTooltip;
    int m_nRemote = -1;  // -1: no remote controller moves this control
};

class CKnobItemData : public CMidiItemData {
    DECLARE_DYNCREATE(CKnobItemData)
public:
    static constexpr GUID kClassId{0xA0BC8323, 0xD142, 0x11D0, {0xAA, 0xE1, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

    GUID GetClassId() const override { return kClassId; }
    std::string GetTypeName() const override { return "Knob"; }
    std::unique_ptr<CItemData> Clone() const override;
    void GetFields(std::vector<CItemField>& fields) override;
    std::string SetField(std::string_view name, std::string_view value) override;
    int GetValueEventId() const override { return 2; }
    int GetValuePropertyId() const override { return 5; }
    int GetSentValue(int eventValue) const override { return eventValue + m_nOffset; }
    void ApplyToControl(CControlProperties& control) const override;

    int m_nMinimum = 0;
    int m_nMaximum = 127;
};

class CSliderItemData : public CMidiItemData {
    DECLARE_DYNCREATE(CSliderItemData)
public:
    static constexpr GUID kClassId{0x9CE40ABD, 0x00C7, 0x11D5, {0xB8, 0xD7, 0x00, 0x01, 0x02, 0x1D, 0xA0, 0xAA}};

    GUID GetClassId() const override { return kClassId; }
    std::string GetTypeName() const override { return "Slider"; }
    std::unique_ptr<CItemData> Clone() const override;
    void GetFields(std::vector<CItemField>& fields) override;
    std::string SetField(std::string_view name, std::string_view value) override;
    int GetValueEventId() const override { return 1; }
    int GetValuePropertyId() const override { return 3; }
    int GetSentValue(int eventValue) const override { return eventValue + m_nOffset; }
    void ApplyToControl(CControlProperties& control) const override;
    CSize GetDefaultSize() const override;

    int m_nMinimum = 0;
    int m_nMaximum = 127;
    int m_nVertical = 1;
};

class CButtonItemData : public CMidiItemData {
    DECLARE_DYNCREATE(CButtonItemData)
public:
    static constexpr GUID kClassId{0xF17FC738, 0x5F1A, 0x11D5, {0xB9, 0x18, 0x00, 0x04, 0x76, 0x12, 0xB4, 0x4D}};

    GUID GetClassId() const override { return kClassId; }
    std::string GetTypeName() const override { return "Button"; }
    std::unique_ptr<CItemData> Clone() const override;
    void GetFields(std::vector<CItemField>& fields) override;
    int GetValueEventId() const override { return 1; }
    int GetValuePropertyId() const override { return 4; }
    void ApplyToControl(CControlProperties& control) const override;

    int m_nOff = 0;
    int m_nOn = 127;
    int m_bIsPushbutton = 0;
    std::string m_strCaption = "Press";
};

class CRadioItemData : public CMidiItemData {
    DECLARE_DYNCREATE(CRadioItemData)
public:
    static constexpr GUID kClassId{0x2A923CC7, 0xF240, 0x11D0, {0xAA, 0xE1, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

    GUID GetClassId() const override { return kClassId; }
    std::string GetTypeName() const override { return "Choose"; }
    std::unique_ptr<CItemData> Clone() const override;
    void GetFields(std::vector<CItemField>& fields) override;
    int GetValueEventId() const override { return 1; }
    int GetValuePropertyId() const override { return 4; }
    void ApplyToControl(CControlProperties& control) const override;
    CSize GetDefaultSize() const override { return {100, 24}; }

    // Ends Texts and Values with CR LF where needed and compares their line counts;
    // returns the user message when they differ, else an empty string.
    std::string NormalizeLists();
    static int CountLines(std::string_view text);

    std::string m_strTexts;
    std::string m_strValues;
};

// The process-wide list of item types, one prototype each, in the order of the
// property dialog's tabs: group, button, radio, knob, slider.
class CItemTypeRegistry {
public:
    static CItemTypeRegistry& Get();

    int GetCount() const { return static_cast<int>(m_prototypes.size()); }
    const CItemData& GetPrototype(int position) const { return *m_prototypes.at(position); }
    // The prototype whose class identifier equals id, or null.
    const CItemData* Find(const GUID& id) const;
    // A fresh item data of the type named by id, or null when the type is unknown.
    std::unique_ptr<CItemData> CreateItemData(const GUID& id) const;

private:
    CItemTypeRegistry();
    std::vector<std::unique_ptr<CItemData>> m_prototypes;
};
