#pragma once

// The four record types of the JV/XP memory. A record is kept as the complete
// newest-generation SysEx image: the first (common) message, then its repeated
// block messages. Older units send shorter messages; they are widened on load
// and cut back on save.

#include <array>
#include <functional>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <tonalith/Header.h>
#include <tonalith/Patch.h>

#include "amberkit/JVConstants.h"

class CFile;

namespace amberkit {

// How a record's messages are laid out and how long each is per generation.
struct RecordLayout {
    int commonSize = 0;
    int blockSize = 0;
    int blockCount = 0;
    std::uint8_t firstBlock = 0;  // byte 7 of block 0
    std::uint8_t blockStep = 1;
    const std::array<int, kGenerationCount>* commonSizes = nullptr;  // null: one length for all
    const std::array<int, kGenerationCount>* blockSizes = nullptr;
    std::span<const std::uint8_t> blockTail;  // values of data bytes a short block lacks
    int blockTailFirst = 0;

    int StoredSize() const { return commonSize + blockSize * blockCount; }
    int MessageCount() const { return 1 + blockCount; }
    int MessageOffset(int m) const { return m == 0 ? 0 : commonSize + (m - 1) * blockSize; }
    int MessageSize(int m) const { return m == 0 ? commonSize : blockSize; }
    int WireSize(int m, Generation g) const;
    std::uint8_t BlockAddress(int block) const { return static_cast<std::uint8_t>(firstBlock + block * blockStep); }
};

// The shapes of the four record types.
const RecordLayout& GetPatchLayout();
const RecordLayout& GetPerformanceLayout();
const RecordLayout& GetRhythmLayout();
const RecordLayout& GetSystemLayout();

class CJVRecord : public CPatch {
public:
    const RecordLayout& Layout() const { return *m_layout; }
    int GetMessageCount() const { return m_layout->MessageCount(); }
    std::span<std::uint8_t> Message(int m);
    std::span<const std::uint8_t> Message(int m) const;

    std::uint8_t GetArea() const { return m_data[kPosArea]; }
    std::uint8_t GetNumberByte() const { return m_data[kPosNumber]; }
    // Sets bank code, record number, block addresses and device byte of every
    // message and recomputes every checksum.
    virtual void Readdress(std::uint8_t area, int number, std::uint8_t deviceByte);
    // Device byte and checksums only.
    void SetDeviceByte(std::uint8_t deviceByte);

    // The record's messages in the lengths a generation uses on the wire.
    std::vector<std::uint8_t> GetSysExImage(Generation generation) const;

    // Library storage: always the stored long form, exactly GetPatchSize(false) bytes.
    void Save(CFile& file) const override;
    // Reads the record at the file position, widening older generations' short
    // messages. Throws CFileException and leaves the record and the position as
    // they were when the data is not a complete record of this type.
    void Load(CFile& file) override;

    void SetName(const std::string& name) override;
    std::string GetName() const override { return GetNameHelper(kNameOffset); }
    std::vector<std::uint8_t> GetSysExData(bool temporary) const override;
    bool IsEqual(const CPatch& other) const override;
    std::optional<std::uint64_t> GetFingerprint() const override;
    // Opens the editor the plug-in's editors installed (SetRecordEditor), else
    // the framework's editor of the parameter table.
    bool Edit() override;

    // Does a record of this type start at this area and number byte?
    virtual bool IsOwnAddress(std::uint8_t area, std::uint8_t number) const = 0;
    // Is that address one of the unit's temporary (edit) areas?
    virtual bool IsTemporaryAddress(std::uint8_t area, std::uint8_t number) const = 0;

protected:
    CJVRecord(std::string typeName, const RecordLayout& layout);

    virtual std::uint8_t NumberByteFor(std::uint8_t area, int number) const {
        return static_cast<std::uint8_t>(number);
    }
    // Moves a copy to the temporary area for auditioning; false when the type has none.
    virtual bool ToTemporary() = 0;
    // The bytes IsEqual compares, in a fixed order.
    virtual std::vector<std::uint8_t> ComparedBytes() const;
    // Writes message m's frame: header with address, data, checksum and F7.
    void FrameMessage(int m, std::uint8_t device, std::uint8_t area, std::uint8_t number,
                      std::span<const std::uint8_t> data);

    const RecordLayout* m_layout;
};

class CJVPatch : public CJVRecord {
public:
    CJVPatch();
    const GUID& GetPatchType() const override { return kPatchTypeGuid; }
    void Init() override;
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<CJVPatch>(*this); }
    // The parameters of the generation in use.
    const CParameterTable* GetParameterTable() const override;
    // One line per tone: "OFF: " when switched off, then wave group and wave name.
    std::string GetInfoForPatch() const override;
    bool IsOwnAddress(std::uint8_t area, std::uint8_t number) const override;
    bool IsTemporaryAddress(std::uint8_t area, std::uint8_t number) const override;

    std::span<std::uint8_t> ToneData(int tone) { return Message(1 + tone).subspan(kHeaderSize, 129); }
    std::span<const std::uint8_t> ToneData(int tone) const { return Message(1 + tone).subspan(kHeaderSize, 129); }

protected:
    bool ToTemporary() override;
};

class CJVPerformance : public CJVRecord {
public:
    CJVPerformance();
    const GUID& GetPatchType() const override { return kPerformanceTypeGuid; }
    void Init() override;
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<CJVPerformance>(*this); }
    // The parameters of the generation in use.
    const CParameterTable* GetParameterTable() const override;
    // The sounds of parts 1..16 except 10, a rule, then the rhythm set of part 10.
    std::string GetInfoForPatch() const override;
    bool IsOwnAddress(std::uint8_t area, std::uint8_t number) const override;
    bool IsTemporaryAddress(std::uint8_t area, std::uint8_t number) const override;

    // The data bytes of part p (0..15).
    std::span<std::uint8_t> PartData(int part) {
        return Message(1 + part).subspan(kHeaderSize, kPerformancePartSize - kFrameOverhead);
    }
    std::span<const std::uint8_t> PartData(int part) const {
        return Message(1 + part).subspan(kHeaderSize, kPerformancePartSize - kFrameOverhead);
    }
    // Sound number of part p (0-based, from the two nibbles) and setting it back.
    int GetPartNumber(int part) const;
    void SetPartNumber(int part, int number);
    // "%d: name" or "group name" for part p, as the info text shows it.
    std::string GetPartText(int part) const;

protected:
    bool ToTemporary() override;
};

class CJVRhythm : public CJVRecord {
public:
    CJVRhythm();
    const GUID& GetPatchType() const override { return kRhythmTypeGuid; }
    void Init() override;
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<CJVRhythm>(*this); }
    // The parameters of the generation in use.
    const CParameterTable* GetParameterTable() const override;
    bool IsOwnAddress(std::uint8_t area, std::uint8_t number) const override;
    bool IsTemporaryAddress(std::uint8_t area, std::uint8_t number) const override;

protected:
    std::uint8_t NumberByteFor(std::uint8_t area, int number) const override;
    bool ToTemporary() override;
};

class CJVSystem : public CJVRecord {
public:
    CJVSystem();
    const GUID& GetPatchType() const override { return kSystemTypeGuid; }
    void Init() override;
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<CJVSystem>(*this); }
    // The parameters of the generation in use.
    const CParameterTable* GetParameterTable() const override;
    // The system record has no name.
    void SetName(const std::string&) override {}
    std::string GetName() const override { return "System"; }
    void Readdress(std::uint8_t area, int number, std::uint8_t deviceByte) override { SetDeviceByte(deviceByte); }
    bool IsOwnAddress(std::uint8_t area, std::uint8_t number) const override;
    bool IsTemporaryAddress(std::uint8_t, std::uint8_t) const override { return false; }

protected:
    bool ToTemporary() override { return false; }
    std::vector<std::uint8_t> ComparedBytes() const override;
};

// The editor every record's Edit opens; installed by the plug-in's Qt editors,
// so the model itself never needs a widget. Returns the previous one.
using RecordEditor = std::function<bool(CJVRecord&)>;
RecordEditor SetRecordEditor(RecordEditor editor);

// The 9 bytes that start every JV/XP message: F0 41 dev 6A 12 and the address.
class CJVHeader : public CHeader {
public:
    CJVHeader();
};

}  // namespace amberkit
