#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Guid.h"
#include "Library.h"

class CFile;

// The library file (.clb): the magic "TLLIB100", then entry records back to back
// until the end of the file. Records carry no length, so a record of a type no
// plug-in knows, or a damaged one, ends what can be read; the rest of the file
// is kept byte for byte and written back after the entries.
namespace LibraryFile {

inline constexpr std::array<std::uint8_t, 8> kMagic{'T', 'L', 'L', 'I', 'B', '1', '0', '0'};
inline constexpr const char* kFilter = "Library (*.clb)|*.clb|All Files (*.*)|*.*||";
inline constexpr const char* kExtension = "clb";
// The drag and clipboard format: a signed 32-bit count, then records.
inline constexpr const char* kBankItemFormat = "Tonalith Bank Item";
inline constexpr const char* kBankItemMimeType = "application/x-tonalith-bank-item";

// Patch types of the older format, which stored no type per record.
inline constexpr GUID kOldJvPatchType{0x07EBB663, 0x08B4, 0x11D3, {0x94, 0x6D, 0x00, 0x1D, 0x07, 0xC1, 0x00, 0x00}};
inline constexpr GUID kOldKorgProgramType{0x43024212, 0xF88A, 0x11D2, {0x98, 0x47, 0x00, 0x60, 0x08, 0xCC, 0x23, 0xFE}};
// The older format's header is the 105-byte entry header; the byte after the
// first one decides the type of every record.
inline constexpr int kOldTypeByteOffset = CLibraryPatch::kHeaderSize;

// The factory's patch creation, remembering one prototype per type so a large
// library does not search the plug-ins once per record.
PatchCreator FactoryCreator();
PatchCreator CachingCreator(PatchCreator create);

bool HasMagic(std::span<const std::uint8_t> bytes);

struct ReadResult {
    int entries = 0;  // records added to the library
    std::uint64_t tailOffset = 0;  // where the unread rest starts in the input
    std::vector<std::uint8_t> tail;  // the unread rest, byte for byte
    std::optional<GUID> unknownType;  // the tail starts with a record of this unknown type
    std::string damage;  // otherwise: why the record at tailOffset could not be read
};

// Reads records from the current position to the end into library. Never throws
// for bad content: whatever cannot be read becomes the tail.
ReadResult ReadRecords(CFile& file, CLibrary& library, const PatchCreator& create);
// A library file read whole into memory for ReadRecords (create left empty).
// Throws CFileException naming the file.
std::shared_ptr<CLibraryRecordSource> ReadSource(const std::string& path);
// The same for a whole file in memory, records from start on: the entries keep
// their patches in source's bytes until first needed.
ReadResult ReadRecords(const std::shared_ptr<const CLibraryRecordSource>& source, std::uint64_t start,
                       CLibrary& library);
// Magic, every entry in index order, then the kept tail.
void Write(CFile& file, const CLibrary& library, std::span<const std::uint8_t> tail = {});

// The drag payload of entries, top to bottom.
std::vector<std::uint8_t> WritePayload(std::span<const CLibraryPatch* const> entries);
struct Payload {
    std::vector<std::unique_ptr<CLibraryPatch>> entries;
    bool complete = true;  // false when the count promised more than could be read
};
Payload ReadPayload(std::span<const std::uint8_t> bytes, const PatchCreator& create);

// The patch type of an older-format file from its first data byte.
GUID OldFormatType(std::uint8_t firstDataByte);
struct ConversionResult {
    GUID type;
    int records = 0;
    std::uint64_t leftoverBytes = 0;  // an incomplete last record
};
// Converts an older-format file (positioned anywhere) into the new format. Throws
// CFileException when the file is too short to hold one record or no plug-in
// knows the chosen type.
ConversionResult ConvertOldFormat(CFile& oldFile, CFile& newFile, const PatchCreator& create);

}  // namespace LibraryFile
