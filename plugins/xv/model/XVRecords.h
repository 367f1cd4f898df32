#pragma once

// The four XV record types. Each is stored as its complete SysEx image (every
// DT1 message with header, checksum and F7), in the shape Layout() describes.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Patch.h"
#include "XVLayout.h"
#include "XVMessages.h"

class CXVRecord : public CPatch {
public:
    CXVRecord(xv::RecordKind kind, std::string typeName, int nameLength);

    xv::RecordKind GetKind() const { return m_kind; }

    // The image, as it travels (library storage and bank files).
    void Save(CFile& file) const override;
    // Reads the record's messages at the file position, every one present (library
    // storage reads back exactly what Save wrote); throws CFileException and leaves
    // the record unchanged when they cannot be read.
    void Load(CFile& file) override;
    // A dump from the instrument or a file, where a record may lack some messages.
    virtual void LoadFromDump(CFile& file) { Load(file); }
    void SetName(const std::string& name) override { SetNameHelper(xv::kNameOffset, xv::UnitName(name)); }
    std::string GetName() const override { return GetNameHelper(xv::kNameOffset); }
    std::vector<std::uint8_t> GetSysExData(bool temporary) const override;
    // Equal type and equal data bytes after the name. Addresses, device bytes and
    // checksums are left out: the same sound at another slot is the same sound.
    bool IsEqual(const CPatch& other) const override;
    std::optional<std::uint64_t> GetFingerprint() const override;
    const CParameterTable* GetParameterTable() const override;

    // Area and record number bytes of the first message.
    std::uint8_t GetArea() const { return m_data[xv::kArea]; }
    std::uint8_t GetNumber() const { return m_data[xv::kNumber]; }
    // Addresses every message to the record at area / number, with the device
    // byte from CXVSynth, and recomputes the checksums.
    void Readdress(std::uint8_t area, std::uint8_t number);
    void Readdress(std::uint8_t area, std::uint8_t number, std::uint8_t deviceByte);

    int GetMessageCount() const { return static_cast<int>(xv::Layout(m_kind).size()); }
    // The whole message i, and its data bytes only.
    std::span<std::uint8_t> Message(int i);
    std::span<const std::uint8_t> Message(int i) const;
    std::span<std::uint8_t> MessageData(int i);
    std::span<const std::uint8_t> MessageData(int i) const;

protected:
    CXVRecord(const CXVRecord&) = default;

    // Builds a default image addressed to the first user record; the data bytes
    // come from DefaultData.
    void InitImage();
    virtual void DefaultData(int message, std::span<std::uint8_t> data) const {}
    // Where this record type's edit buffer is; nullopt when it is sent only in place.
    virtual std::optional<xv::Address> TemporaryAddress() const = 0;
    // The bytes IsEqual compares, in order.
    std::vector<std::uint8_t> ComparedBytes() const;
    int ComparedFrom() const { return GetNameLength() > 0 ? xv::kNameLength : 0; }

    // Reads messages first..last-1 of the record into image (which already
    // holds the record's bytes), checking each frame.
    void ReadMessages(CFile& file, std::vector<std::uint8_t>& image, int first, int last) const;

    xv::RecordKind m_kind;
};

class CXVPatch : public CXVRecord {
public:
    CXVPatch();
    const GUID& GetPatchType() const override { return xv::kPatchGuid; }
    void Init() override;
    // Reads the five common messages, then the four tones only when the next
    // message is the first tone block; otherwise the tones stay as they were,
    // re-addressed to the record the common names.
    void LoadFromDump(CFile& file) override;
    std::unique_ptr<CPatch> Clone() const override;
    std::string GetInfoForPatch() const override;
    // The patch editor the plug-in's editors installed (xv::SetPatchEditor), else
    // the framework's editor of the parameter table.
    bool Edit() override;

    // The XV-5080's further blocks after the tones (third address byte 30 hex and
    // up) are kept, unread, for bank files; they are not part of the record image.
    void LoadExtraBlocks(CFile& file);
    void SaveExtraBlocks(CFile& file) const;
    void ReaddressExtraBlocks(std::uint8_t deviceByte);
    const std::vector<std::uint8_t>& GetExtraBlocks() const { return m_extra; }

    bool IsToneOn(int tone) const;

protected:
    void DefaultData(int message, std::span<std::uint8_t> data) const override;
    std::optional<xv::Address> TemporaryAddress() const override;

private:
    CXVPatch(const CXVPatch&) = default;
    std::vector<std::uint8_t> m_extra;
};

class CXVPerformance : public CXVRecord {
public:
    CXVPerformance();
    const GUID& GetPatchType() const override { return xv::kPerformanceGuid; }
    void Init() override;
    std::unique_ptr<CPatch> Clone() const override;

    // Data bytes of part p (0..31).
    std::span<std::uint8_t> PartData(int p) { return MessageData(FirstPartMessage() + p); }
    std::span<const std::uint8_t> PartData(int p) const { return MessageData(FirstPartMessage() + p); }
    static constexpr int FirstPartMessage() { return 4 + xv::kPerformanceMidiCount; }

protected:
    void DefaultData(int message, std::span<std::uint8_t> data) const override;
    std::optional<xv::Address> TemporaryAddress() const override;

private:
    CXVPerformance(const CXVPerformance&) = default;
};

class CXVRhythm : public CXVRecord {
public:
    CXVRhythm();
    const GUID& GetPatchType() const override { return xv::kRhythmGuid; }
    void Init() override;
    std::unique_ptr<CPatch> Clone() const override;

protected:
    void DefaultData(int message, std::span<std::uint8_t> data) const override;
    std::optional<xv::Address> TemporaryAddress() const override;

private:
    CXVRhythm(const CXVRhythm&) = default;
};

class CXVSystem : public CXVRecord {
public:
    CXVSystem();
    const GUID& GetPatchType() const override { return xv::kSystemGuid; }
    void Init() override;
    std::unique_ptr<CPatch> Clone() const override;
    void SetName(const std::string&) override {}
    std::string GetName() const override { return "System"; }

protected:
    void DefaultData(int message, std::span<std::uint8_t> data) const override;
    std::optional<xv::Address> TemporaryAddress() const override { return std::nullopt; }

private:
    CXVSystem(const CXVSystem&) = default;
};

namespace xv {

// The patch editor: true when the patch changed. The editors install theirs
// while the plug-in is loaded; model code and tests run without one.
using PatchEditor = std::function<bool(CXVPatch&)>;
// Installs editor (empty: none) and returns the previous one.
PatchEditor SetPatchEditor(PatchEditor editor);

}  // namespace xv
