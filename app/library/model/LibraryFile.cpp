#include "LibraryFile.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <unordered_map>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "File.h"
#include "FileX.h"
#include "Patch.h"
#include "SynthMemoryFactory.h"

namespace LibraryFile {

PatchCreator FactoryCreator() {
    return [](const GUID& type) { return CSynthMemoryFactory::Get().CreatePatch(type); };
}

PatchCreator CachingCreator(PatchCreator create) {
    auto prototypes = std::make_shared<std::unordered_map<GUID, std::unique_ptr<CPatch>, GuidHash>>();
    return [create = std::move(create), prototypes](const GUID& type) -> std::unique_ptr<CPatch> {
        auto it = prototypes->find(type);
        if (it == prototypes->end()) it = prototypes->emplace(type, create(type)).first;
        return it->second ? it->second->Clone() : nullptr;
    };
}

bool HasMagic(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= kMagic.size() && std::equal(kMagic.begin(), kMagic.end(), bytes.begin());
}

ReadResult ReadRecords(CFile& file, CLibrary& library, const PatchCreator& create) {
    ReadResult result;
    const std::uint64_t length = file.GetLength();
    std::uint64_t start = file.GetPosition();
    while (start < length) {
        auto entry = std::make_unique<CLibraryPatch>();
        bool known = false;
        try {
            known = entry->Load(file, create);
            if (!known) {
                // Name the type the user is missing: the GUID at the record start.
                std::array<std::uint8_t, 16> guid{};
                file.Seek(static_cast<std::int64_t>(start), CFile::begin);
                file.ReadExact(guid.data(), guid.size());
                result.unknownType = GUID::FromBytes(guid);
            }
        } catch (const CFileException& e) {
            result.damage = e.m_detail.empty() ? CFileException::CauseText(e.m_cause) : e.m_detail;
        } catch (const std::exception& e) {
            // A plug-in's loader refusing the data counts as damage, not as a crash.
            result.damage = e.what();
        }
        if (!known) break;
        library.Add(std::move(entry));
        ++result.entries;
        start = file.GetPosition();
    }
    if (start < length) {
        result.tailOffset = start;
        file.Seek(static_cast<std::int64_t>(start), CFile::begin);
        result.tail = file.ReadBytes(static_cast<std::size_t>(length - start));
    }
    return result;
}

namespace {

struct CloseFd {
    int fd;
    ~CloseFd() { ::close(fd); }
};

[[noreturn]] void ThrowErrno(const std::string& path) {
    throw CFileException(CFileException::CauseFromErrno(errno), path);
}

}  // namespace

std::shared_ptr<CLibraryRecordSource> ReadSource(const std::string& path) {
    auto source = std::make_shared<CLibraryRecordSource>();
    source->path = path;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) ThrowErrno(path);
    const CloseFd closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) ThrowErrno(path);
    if (!S_ISREG(st.st_mode)) {
        // A stream has no length to plan for.
        auto bytes = std::make_shared<std::vector<std::uint8_t>>(CFileX::Read(path));
        source->bytes = *bytes;
        source->storage = std::move(bytes);
        return source;
    }
    // No zero fill before the read: opening a large library is mostly the
    // kernel handing out memory for it, which should happen once.
    const auto size = static_cast<std::size_t>(st.st_size);
    auto* buffer = static_cast<std::uint8_t*>(std::malloc(std::max<std::size_t>(size, 1)));
    if (!buffer) throw CFileException(CFileException::generic, path, "not enough memory to read the file");
    std::shared_ptr<std::uint8_t> storage(buffer, [](std::uint8_t* p) { std::free(p); });
    std::size_t have = 0;
    while (have < size) {
        const ssize_t n = ::read(fd, buffer + have, size - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowErrno(path);
        if (n == 0) break;  // shorter than it was a moment ago: what is there
        have += static_cast<std::size_t>(n);
    }
    source->bytes = std::span<const std::uint8_t>(buffer, have);
    source->storage = std::move(storage);
    return source;
}

ReadResult ReadRecords(const std::shared_ptr<const CLibraryRecordSource>& source, std::uint64_t start,
                       CLibrary& library) {
    ReadResult result;
    // One patch per type, reloaded for every record of that type: reading
    // allocates nothing per record but the entry.
    std::unordered_map<GUID, std::unique_ptr<CPatch>, GuidHash> scratch;
    const CLibraryPatch::ScratchPatch scratchFor = [&](const GUID& type) -> CPatch* {
        auto it = scratch.find(type);
        if (it == scratch.end()) it = scratch.emplace(type, source->create ? source->create(type) : nullptr).first;
        return it->second.get();
    };
    const std::uint64_t length = source->bytes.size();
    while (start < length) {
        std::uint64_t offset = start;
        std::unique_ptr<CLibraryPatch> entry;
        try {
            entry = CLibraryPatch::LoadDeferred(source, offset, scratchFor);
            if (!entry) {
                std::array<std::uint8_t, CLibraryPatch::kGuidSize> guid{};
                std::copy_n(source->bytes.begin() + static_cast<std::ptrdiff_t>(start), guid.size(), guid.begin());
                result.unknownType = GUID::FromBytes(guid);
            }
        } catch (const CFileException& e) {
            result.damage = e.m_detail.empty() ? CFileException::CauseText(e.m_cause) : e.m_detail;
        } catch (const std::exception& e) {
            result.damage = e.what();
        }
        if (!entry) break;
        library.Add(std::move(entry));
        ++result.entries;
        start = offset;
    }
    if (start < length) {
        result.tailOffset = start;
        result.tail.assign(source->bytes.begin() + static_cast<std::ptrdiff_t>(start), source->bytes.end());
    }
    return result;
}

void Write(CFile& file, const CLibrary& library, std::span<const std::uint8_t> tail) {
    file.Write(kMagic.data(), kMagic.size());
    for (int i = 0; i < library.GetSize(); ++i) library.Get(i).Save(file);
    if (!tail.empty()) file.Write(tail);
}

std::vector<std::uint8_t> WritePayload(std::span<const CLibraryPatch* const> entries) {
    CMemFile file{std::string(kBankItemFormat)};
    const auto count = static_cast<std::uint32_t>(entries.size());
    const std::array<std::uint8_t, 4> countBytes{
        static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count >> 16),
        static_cast<std::uint8_t>(count >> 24)};
    file.Write(countBytes.data(), countBytes.size());
    for (const CLibraryPatch* entry : entries) entry->Save(file);
    return file.Detach();
}

Payload ReadPayload(std::span<const std::uint8_t> bytes, const PatchCreator& create) {
    Payload payload;
    CMemFile file(bytes, std::string(kBankItemFormat));
    std::array<std::uint8_t, 4> countBytes{};
    if (file.Read(countBytes.data(), countBytes.size()) != countBytes.size()) {
        payload.complete = false;
        return payload;
    }
    const auto count = static_cast<std::int32_t>(countBytes[0] | (countBytes[1] << 8) | (countBytes[2] << 16) |
                                                 (static_cast<std::uint32_t>(countBytes[3]) << 24));
    for (std::int32_t i = 0; i < count; ++i) {
        // The count is only a promise: stop where the bytes end or stop making sense.
        auto entry = std::make_unique<CLibraryPatch>();
        try {
            if (file.GetRemaining() == 0 || !entry->Load(file, create)) break;
        } catch (const std::exception&) {
            break;
        }
        payload.entries.push_back(std::move(entry));
    }
    payload.complete = static_cast<std::int64_t>(payload.entries.size()) == std::max<std::int32_t>(count, 0);
    return payload;
}

GUID OldFormatType(std::uint8_t firstDataByte) { return firstDataByte == 0xF0 ? kOldJvPatchType : kOldKorgProgramType; }

ConversionResult ConvertOldFormat(CFile& oldFile, CFile& newFile, const PatchCreator& create) {
    ConversionResult result;
    const std::uint64_t length = oldFile.GetLength();
    oldFile.Seek(kOldTypeByteOffset, CFile::begin);
    std::uint8_t typeByte = 0;
    oldFile.ReadExact(&typeByte, 1);
    result.type = OldFormatType(typeByte);

    // One patch serves every record, as all records share the type.
    std::unique_ptr<CPatch> patch = create(result.type);
    if (!patch)
        throw CFileException(CFileException::badFormat, oldFile.GetFilePath(),
                             "no plug-in knows the patch type " + result.type.ToString());
    const auto dataSize = static_cast<std::uint64_t>(std::max(patch->GetPatchSize(false), 0));
    const std::uint64_t recordSize = CLibraryPatch::kHeaderSize + dataSize;
    const auto guid = result.type.ToBytes();

    oldFile.Seek(0, CFile::begin);
    newFile.Write(kMagic.data(), kMagic.size());
    std::array<std::uint8_t, CLibraryPatch::kHeaderSize> header{};
    while (oldFile.GetPosition() < length) {
        if (oldFile.GetRemaining() < recordSize) {
            result.leftoverBytes = oldFile.GetRemaining();
            break;
        }
        oldFile.ReadExact(header.data(), header.size());
        patch->Load(oldFile);
        newFile.Write(guid.data(), guid.size());
        newFile.Write(header.data(), header.size());
        patch->Save(newFile);
        ++result.records;
    }
    return result;
}

}  // namespace LibraryFile
