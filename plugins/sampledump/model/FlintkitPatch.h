#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "FlintkitDump.h"
#include "Patch.h"

// One sample: the whole dump exactly as transmitted (header message, then the
// data packets) is the patch's data, so its size is known only once data is set.
// An initial patch holds no data and cannot be sent.
class CFlintkitSamplePatch final : public CPatch {
public:
    static const GUID kPatchType;

    CFlintkitSamplePatch();
    CFlintkitSamplePatch(const CFlintkitSamplePatch&) = default;  // for Clone

    const GUID& GetPatchType() const override { return kPatchType; }
    void Init() override;
    void Save(CFile& file) const override;
    // Reads one complete dump from the position; when no dump header starts there
    // the patch becomes the initial (empty) one and nothing is consumed. A damaged
    // dump throws and leaves the patch unchanged.
    void Load(CFile& file) override;
    void SetName(const std::string&) override {}
    std::string GetName() const override { return "Sample"; }
    std::unique_ptr<CPatch> Clone() const override;
    // The whole dump for Write; nothing for temporary (a sample has no edit area).
    std::vector<std::uint8_t> GetSysExData(bool temporary) const override;
    // Same size, same header values from the format on, same sample bytes; the
    // channel, the sample number, packet numbers and checksums do not count.
    bool IsEqual(const CPatch& other) const override;
    std::optional<std::uint64_t> GetFingerprint() const override;
    // "Edit Sample Dump Standard" where the editors are installed.
    bool Edit() override;

    // Encoded sample data (3 bytes per 16-bit sample) becomes a new dump with
    // header F0 7E dev 01 ... F7; the other header values are zero until set.
    void SetSampleData(std::span<const std::uint8_t> encoded, int deviceId);
    // Takes a complete dump as ReadDump returns it.
    void SetDump(std::vector<std::uint8_t> dump);

    bool IsEmpty() const { return m_data.empty(); }
    int GetHeaderSize() const { return m_headerSize; }
    int GetPacketSize() const { return m_packetSize; }
    int GetPacketCount() const { return m_packetCount; }

    // Header values; the setters do nothing on an empty patch.
    int GetDeviceId() const { return HeaderByte(flintkit::kOffsetChannel); }
    int GetSampleNumber() const;
    void SetSampleNumber(int number);
    int GetFormat() const { return HeaderByte(flintkit::kOffsetFormat); }
    // Only the header byte: for a dump whose data is already of that format.
    void SetFormat(int bits);
    // Re-encodes the samples at bits (8..28) and rebuilds the packets; the other
    // header values stay. Wider keeps every value, narrower rounds to the nearest.
    void ConvertFormat(int bits);
    int GetPeriod() const { return HeaderField21(flintkit::kOffsetPeriod); }
    void SetPeriod(int periodNs);
    int GetRate() const { return flintkit::RateFromPeriod(GetPeriod()); }
    int GetLength() const { return HeaderField21(flintkit::kOffsetLength); }
    void SetLength(int words);
    int GetLoopStart() const { return HeaderField21(flintkit::kOffsetLoopStart); }
    void SetLoopStart(int word);
    int GetLoopEnd() const { return HeaderField21(flintkit::kOffsetLoopEnd); }
    void SetLoopEnd(int word);
    int GetLoopType() const { return HeaderByte(flintkit::kOffsetLoopType); }
    void SetLoopType(int type);

    // The samples as 16-bit values, header length of them.
    std::vector<std::int16_t> GetSamples() const { return flintkit::DecodeSamples16(m_data); }
    // The same at the header's format.
    std::vector<std::int32_t> GetWords() const { return flintkit::DecodeWords(m_data); }

private:
    int HeaderByte(int offset) const;
    int HeaderField21(int offset) const;
    void SetHeaderField21(int offset, int value);

    int m_headerSize = flintkit::kHeaderSize;
    int m_packetSize = flintkit::kPacketSize;
    int m_packetCount = -1;
};
