#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Document.h"
#include "Guid.h"
#include "Library.h"
#include "LibraryKeys.h"

class CFile;

// Texts the library document shows.
namespace LibraryTexts {
inline constexpr unsigned kOpenErrorId = 61217;  // "Error while opening library file: %1"
inline constexpr const char* kSaveError = "Error while creating library file: %1";
inline constexpr const char* kOldFormat =
    "This library is in an older format. It is required to convert it to the new format.\n"
    "Please enter a new filename in the next dialog.";
inline constexpr const char* kConverted = "The library was successfully converted.";
inline constexpr const char* kConvertedLeftover =
    "The last %1 bytes of the old file did not make a whole patch and were not converted.";
inline constexpr const char* kUnknownType =
    "%1 bytes of patches of a type no loaded plug-in knows (%2) in \"%3\" cannot be shown.\n"
    "They are kept and written back when the library is saved.";
inline constexpr const char* kDamaged =
    "The library \"%1\" is damaged at byte %2 (%3). The %4 bytes from there on cannot be shown.\n"
    "They are kept and written back when the library is saved.";
inline constexpr const char* kSaveTitle = "Save Library";
}  // namespace LibraryTexts

// The library document without its window: the entries, the key names and the
// file's unread rest. Messages go through the UI services.
class CLibraryDocument : public CDocument {
public:
    // Key names from the application settings; patches through the synth memory factory.
    CLibraryDocument();
    CLibraryDocument(CLibraryKeyNames keyNames, PatchCreator create);
    ~CLibraryDocument() override;

    // Reads the file into the (empty) library. An older-format file is converted
    // into a new file the user names, and the open fails.
    bool OnOpenDocument(const std::string& path);
    // Writes atomically; an empty path asks for one. Failure leaves the document modified.
    bool OnSaveDocument(const std::string& path);
    // Asks for a new name and writes the converted file; false when cancelled or failed.
    bool ConvertOldFormat(CFile& oldFile);

    CLibrary& GetLibrary() { return m_library; }
    const CLibrary& GetLibrary() const { return m_library; }
    CLibraryKeyNames& GetKeyNames() { return m_keyNames; }
    const CLibraryKeyNames& GetKeyNames() const { return m_keyNames; }
    const PatchCreator& GetPatchCreator() const { return m_create; }
    // The part of the file that could not be read (unknown type or damage); saved after the entries.
    const std::vector<std::uint8_t>& GetUnreadTail() const { return m_tail; }
    const std::optional<GUID>& GetUnknownType() const { return m_unknownType; }

private:
    CLibrary m_library;
    CLibraryKeyNames m_keyNames;
    PatchCreator m_create;
    std::vector<std::uint8_t> m_tail;
    std::optional<GUID> m_unknownType;
};
