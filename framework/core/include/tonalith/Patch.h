#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Guid.h"

class CFile;
class CLayer;
class CParameterTable;
class CSynth;

// One patch: a block of raw parameter bytes plus the knowledge of how it travels
// as a System Exclusive message. Plug-ins derive one class per patch type.
class CPatch {
public:
    CPatch(std::string typeName, int nameLength, int dataSize, int sysexSize);
    virtual ~CPatch();

    virtual const GUID& GetPatchType() const = 0;
    virtual std::string GetTypeName() const { return m_typeName; }
    virtual void Init() = 0;
    // Raw data for library storage; the defaults write and read nothing.
    virtual void Save(CFile& file) const;
    virtual void Load(CFile& file);
    virtual int GetNameLength() const { return m_nameLength; }
    virtual void SetName(const std::string& name) { SetNameHelper(0, name); }
    virtual std::string GetName() const { return GetNameHelper(0); }
    // A new patch of the same class with a copy of the data and the same layer references.
    virtual std::unique_ptr<CPatch> Clone() const = 0;
    // Opens the patch's editor; true when the patch changed. The default edits the
    // parameter table through the UI services, or shows the raw data in the hex
    // viewer and returns false when the type has no table.
    virtual bool Edit();
    // The type's parameters as data; null when the type has no table.
    virtual const CParameterTable* GetParameterTable() const { return nullptr; }
    virtual std::string GetInfoForPatch() const { return {}; }
    virtual bool HasReferences() const { return GetChildLayerCount() > 0 || m_detachedWithReferences; }
    // For a patch leaving its memory (into the copybox or a library): its links
    // would outlive the bank's layers, so they go; it still counts as referring
    // to other layers until a layer stores it and links it anew.
    void DetachFromMemory();
    void AttachedToLayer() { m_detachedWithReferences = false; }

    virtual void AddParentLayer(CLayer* layer) { m_parentLayers.push_back(layer); }
    virtual CLayer* GetParentLayer(int i) const { return m_parentLayers.at(static_cast<std::size_t>(i)); }
    virtual int GetParentLayerCount() const { return static_cast<int>(m_parentLayers.size()); }
    virtual void RemoveParentLayers() { m_parentLayers.clear(); }
    virtual void AddChildLayer(CLayer* layer) { m_childLayers.push_back(layer); }
    virtual CLayer* GetChildLayer(int i) const { return m_childLayers.at(static_cast<std::size_t>(i)); }
    virtual int GetChildLayerCount() const { return static_cast<int>(m_childLayers.size()); }
    virtual void RemoveChildLayers() { m_childLayers.clear(); }

    // The complete message (SysEx size bytes), to the temporary (edit) area when
    // temporary is true; empty when the patch cannot be sent that way.
    virtual std::vector<std::uint8_t> GetSysExData(bool temporary) const = 0;
    // true: the SysEx size; false: the data size (library storage size).
    virtual int GetPatchSize(bool sysex) const { return sysex ? m_sysexSize : m_dataSize; }
    virtual bool IsEqual(const CPatch& other) const { return false; }
    // Sends GetSysExData(temporary) whole on the synth's MIDI output.
    virtual void Send(const CSynth& synth, bool temporary) const;

    // A hash over exactly the bytes IsEqual compares, so equal patches have equal
    // fingerprints; nullopt for types whose IsEqual is never true.
    virtual std::optional<std::uint64_t> GetFingerprint() const { return std::nullopt; }

    void CopyReferenceLayers(CPatch& target) const;
    // The new position of old position oldIndex after a move described by map
    // (map[new] = old); with undo the inverse. Values outside the map stay as they are.
    static int LookupNewIndex(int oldIndex, std::span<const std::uint32_t> map, bool undo);
    static std::uint64_t HashBytes(std::span<const std::uint8_t> bytes, std::uint64_t salt = 0);

    std::uint8_t* GetData() { return m_data.data(); }
    const std::uint8_t* GetData() const { return m_data.data(); }
    std::span<std::uint8_t> Data() { return m_data; }
    std::span<const std::uint8_t> Data() const { return m_data; }
    int GetDataSize() const { return m_dataSize; }

protected:
    CPatch(const CPatch&) = default;  // for Clone: copies data and references
    CPatch& operator=(const CPatch&) = default;

    // Name characters inside the data at offset; reading stops at NUL and keeps blanks.
    void SetNameHelper(int offset, const std::string& name);
    std::string GetNameHelper(int offset) const;
    // Resizes the data block (for patch types whose size is known only when loaded).
    void ResizeData(int dataSize);

    std::vector<std::uint8_t> m_data;
    std::string m_typeName;
    int m_nameLength;
    int m_dataSize;
    int m_sysexSize;
    std::vector<CLayer*> m_parentLayers;
    std::vector<CLayer*> m_childLayers;
    bool m_detachedWithReferences = false;
};
