#include "LibraryDocument.h"

#include <filesystem>

#include "File.h"
#include "FileX.h"
#include "Functions.h"
#include "LibraryFile.h"
#include "StringTable.h"
#include "Ui.h"

namespace {

void ShowOpenError(const CFileException& e) { CFunctions::ShowFileException(LibraryTexts::kOpenErrorId, e); }

void Tell(const std::string& text, CUi::Icon icon = CUi::Icon::Warning) { CUi::Get().MessageBox(text, icon); }

}  // namespace

CLibraryDocument::CLibraryDocument()
    : CLibraryDocument(CLibraryKeyNames::FromSettings(), LibraryFile::FactoryCreator()) {}

CLibraryDocument::CLibraryDocument(CLibraryKeyNames keyNames, PatchCreator create)
    : m_keyNames(std::move(keyNames)), m_create(LibraryFile::CachingCreator(std::move(create))) {}

CLibraryDocument::~CLibraryDocument() = default;

bool CLibraryDocument::OnOpenDocument(const std::string& path) {
    std::shared_ptr<CLibraryRecordSource> source;
    try {
        // One read, then parsing from memory: a read error fails the open before
        // anything changed, and damage inside the data cannot.
        source = LibraryFile::ReadSource(path);
    } catch (const CFileException& e) {
        ShowOpenError(e);
        return false;
    }

    if (!LibraryFile::HasMagic(source->bytes)) {
        CMemFile file(source->bytes, path);
        try {
            ConvertOldFormat(file);
        } catch (const CFileException& e) {
            ShowOpenError(e);
        }
        return false;  // the converted file is opened by the user afterwards
    }

    // Reading content never throws: what cannot be read becomes the kept tail.
    // The entries keep their patches in the file's bytes until first needed.
    source->path = path;
    source->create = m_create;
    m_library.RemoveAll();
    LibraryFile::ReadResult read = LibraryFile::ReadRecords(source, LibraryFile::kMagic.size(), m_library);
    m_tail = std::move(read.tail);
    m_unknownType = read.unknownType;
    SetPathName(path);
    SetModifiedFlag(false);

    if (!m_tail.empty()) {
        const std::string size = std::to_string(m_tail.size());
        if (read.unknownType)
            Tell(CFunctions::FormatMessage(LibraryTexts::kUnknownType, {size, read.unknownType->ToString(), path}));
        else
            Tell(CFunctions::FormatMessage(LibraryTexts::kDamaged,
                                           {path, std::to_string(read.tailOffset), read.damage, size}));
    }
    return true;
}

bool CLibraryDocument::OnSaveDocument(const std::string& path) {
    std::string target = path;
    if (target.empty()) {
        auto chosen =
            CUi::Get().ChooseSaveFile(LibraryTexts::kSaveTitle, LibraryFile::kExtension, LibraryFile::kFilter);
        if (!chosen) return false;
        target = *chosen;
    }
    try {
        CFileX::SaveAtomically(target, [&](CFile& file) { LibraryFile::Write(file, m_library, m_tail); });
    } catch (const CFileException& e) {
        Tell(CFunctions::FormatMessage(LibraryTexts::kSaveError, {e.GetErrorMessage()}));
        return false;
    }
    SetPathName(target);
    SetModifiedFlag(false);
    return true;
}

bool CLibraryDocument::ConvertOldFormat(CFile& oldFile) {
    // Too short to hold one header and a data byte: nothing to convert, so do
    // not ask for a file name first.
    if (oldFile.GetLength() <= static_cast<std::uint64_t>(LibraryFile::kOldTypeByteOffset))
        throw CFileException(CFileException::endOfFile, oldFile.GetFilePath(), "not a library file");

    Tell(LibraryTexts::kOldFormat, CUi::Icon::Information);
    auto chosen = CUi::Get().ChooseSaveFile(LibraryTexts::kSaveTitle, LibraryFile::kExtension, LibraryFile::kFilter);
    if (!chosen) return false;

    LibraryFile::ConversionResult result;
    // Converting in memory first: a failure leaves no half-written file behind.
    CMemFile converted(*chosen);
    result = LibraryFile::ConvertOldFormat(oldFile, converted, m_create);
    CFileX::SaveAtomically(*chosen, [&](CFile& file) { file.Write(converted.Data()); });

    std::string text = LibraryTexts::kConverted;
    if (result.leftoverBytes > 0)
        text +=
            "\n" + CFunctions::FormatMessage(LibraryTexts::kConvertedLeftover, {std::to_string(result.leftoverBytes)});
    Tell(text, CUi::Icon::Information);
    return true;
}
