#include "Library.h"

#include <algorithm>
#include <cstring>
#include <cstring>
#include <ctime>
#include <mutex>

#include "File.h"
#include "Patch.h"
#include "SynthMemoryFactory.h"

namespace {

// The text of a fixed buffer: up to the first NUL, and never the buffer's last
// byte, which a damaged file may have filled.
std::string BufferText(std::span<const char> buffer) {
    const std::size_t limit = buffer.size() - 1;
    const auto end = std::find(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(limit), '\0');
    return std::string(buffer.begin(), end);
}

template <std::size_t N>
void FillBuffer(std::array<char, N>& buffer, std::string_view text) {
    buffer.fill('\0');
    const std::size_t n = std::min(text.size(), N - 1);  // cut: the NUL must fit
    std::copy_n(text.begin(), n, buffer.begin());
}

// Reading a part of a shared buffer without copying it.
class CSpanFile : public CFile {
public:
    CSpanFile(std::span<const std::uint8_t> data, const std::string& name) : m_data(data) { m_path = name; }
    std::size_t Read(void* buffer, std::size_t count) override {
        const std::size_t n = std::min(count, m_data.size() - std::min(m_position, m_data.size()));
        if (n) std::memcpy(buffer, m_data.data() + m_position, n);
        m_position += n;
        return n;
    }
    void Write(const void*, std::size_t) override { Throw(CFileException::accessDenied); }
    std::uint64_t Seek(std::int64_t offset, SeekPosition from) override {
        std::int64_t base = 0;
        if (from == current) base = static_cast<std::int64_t>(m_position);
        else if (from == end) base = static_cast<std::int64_t>(m_data.size());
        if (base + offset < 0) Throw(CFileException::badSeek);
        m_position = static_cast<std::size_t>(base + offset);
        return m_position;
    }
    std::uint64_t GetPosition() const override { return m_position; }
    std::uint64_t GetLength() const override { return m_data.size(); }
    std::string GetFilePath() const override { return m_path; }
    void Flush() override {}
    void Close() override {}
    bool IsOpen() const override { return true; }

private:
    std::span<const std::uint8_t> m_data;
    std::size_t m_position = 0;
};

// Deferred patches are made at most once, whichever thread asks first.
std::mutex g_realizeMutex;

}  // namespace

// ---------------------------------------------------------------- CLibraryPatch

CLibraryPatch::CLibraryPatch() { m_keys.fill(1); }

CLibraryPatch::CLibraryPatch(const CLibraryPatch& other) { *this = other; }

CLibraryPatch& CLibraryPatch::operator=(const CLibraryPatch& other) {
    if (this == &other) return *this;
    // Copies share the patch, so it must exist before it is shared.
    other.GetPatch();
    m_keys = other.m_keys;
    m_texts = other.m_texts ? std::make_unique<Texts>(*other.m_texts) : nullptr;
    m_patch = other.m_patch;
    m_source = other.m_source;
    m_headerOffset = other.m_headerOffset;
    m_dataSize = other.m_dataSize;
    // Still deferred only when the patch could not be made (its plug-in is gone):
    // then the copy too writes the record back as it was read.
    m_name = other.m_name;
    m_ready.store(other.m_ready.load(std::memory_order_acquire), std::memory_order_release);
    return *this;
}

CLibraryPatch::CLibraryPatch(const CPatch& patch) : CLibraryPatch() { Set(patch, true); }

CLibraryPatch::~CLibraryPatch() = default;

void CLibraryPatch::Save(CFile& file) const {
    if (IsDeferred()) {
        // The record as read, with the entry's own keys and texts: byte for byte
        // what the patch would write, without making it.
        const std::uint8_t* record = m_source->bytes.data() + m_headerOffset;
        file.Write(record - kGuidSize, kGuidSize);
        file.Write(m_keys.data(), m_keys.size());
        file.Write(CommentBytes().data(), kCommentSize);
        file.Write(DateBytes().data(), kDateSize);
        file.Write(record + kHeaderSize, m_dataSize);
        return;
    }
    const GUID type = m_patch ? m_patch->GetPatchType() : GUID{};
    const auto guid = type.ToBytes();
    file.Write(guid.data(), guid.size());
    file.Write(m_keys.data(), m_keys.size());
    file.Write(CommentBytes().data(), kCommentSize);
    file.Write(DateBytes().data(), kDateSize);
    if (m_patch) m_patch->Save(file);
}

bool CLibraryPatch::Load(CFile& file) {
    return Load(file, [](const GUID& type) { return CSynthMemoryFactory::Get().CreatePatch(type); });
}

bool CLibraryPatch::Load(CFile& file, const PatchCreator& create) {
    std::array<std::uint8_t, kGuidSize> guid{};
    file.ReadExact(guid.data(), guid.size());
    std::unique_ptr<CPatch> patch = create(GUID::FromBytes(guid));
    if (!patch) return false;

    std::array<std::uint8_t, kKeyCount> keys{};
    std::array<char, kCommentSize> comment{};
    std::array<char, kDateSize> date{};
    file.ReadExact(keys.data(), keys.size());
    file.ReadExact(comment.data(), comment.size());
    file.ReadExact(date.data(), date.size());
    // The patch's own loader never sees a record cut short.
    const int dataSize = patch->GetPatchSize(false);
    if (dataSize < 0 || file.GetRemaining() < static_cast<std::uint64_t>(dataSize))
        throw CFileException(CFileException::endOfFile, file.GetFilePath(), "library record cut short");
    patch->Load(file);

    auto texts = std::make_unique<Texts>();
    texts->comment = comment;
    texts->date = date;
    m_keys = keys;
    m_texts = std::move(texts);
    m_patch = std::move(patch);
    m_source.reset();
    m_name.clear();
    m_ready.store(true, std::memory_order_release);
    return true;
}

std::unique_ptr<CLibraryPatch> CLibraryPatch::LoadDeferred(const std::shared_ptr<const CLibraryRecordSource>& source,
                                                           std::uint64_t& offset, const ScratchPatch& scratch) {
    const std::span<const std::uint8_t> bytes = source->bytes;
    CSpanFile file(bytes, source->path);
    file.Seek(static_cast<std::int64_t>(offset), CFile::begin);
    std::array<std::uint8_t, kGuidSize> guid{};
    file.ReadExact(guid.data(), guid.size());
    offset = file.GetPosition();
    CPatch* patch = scratch(GUID::FromBytes(guid));
    if (!patch) return nullptr;

    const std::uint64_t headerOffset = file.GetPosition();
    const int dataSize = patch->GetPatchSize(false);
    if (file.GetRemaining() < static_cast<std::uint64_t>(kHeaderSize))
        throw CFileException(CFileException::endOfFile, file.GetFilePath(), "library record cut short");
    file.Seek(kHeaderSize, CFile::current);
    if (dataSize < 0 || file.GetRemaining() < static_cast<std::uint64_t>(dataSize))
        throw CFileException(CFileException::endOfFile, file.GetFilePath(), "library record cut short");
    patch->Load(file);
    // A loader that reads more or less than its size would shift every later record.
    if (file.GetPosition() != headerOffset + kHeaderSize + static_cast<std::uint64_t>(dataSize))
        throw CFileException(CFileException::badFormat, file.GetFilePath(), "patch data of an unexpected size");

    auto entry = std::make_unique<CLibraryPatch>();
    std::memcpy(entry->m_keys.data(), bytes.data() + headerOffset, kKeyCount);
    entry->m_source = source;
    entry->m_headerOffset = headerOffset;
    entry->m_dataSize = static_cast<std::uint32_t>(dataSize);
    entry->m_name = patch->GetName();
    entry->m_ready.store(false, std::memory_order_release);
    offset = file.GetPosition();
    return entry;
}

void CLibraryPatch::Realize() const {
    const std::lock_guard lock(g_realizeMutex);
    if (m_ready.load(std::memory_order_relaxed)) return;
    const std::uint8_t* record = m_source->bytes.data() + m_headerOffset;
    std::array<std::uint8_t, kGuidSize> guid{};
    std::memcpy(guid.data(), record - kGuidSize, kGuidSize);
    std::unique_ptr<CPatch> patch = m_source->create ? m_source->create(GUID::FromBytes(guid)) : nullptr;
    if (patch) {
        // The same bytes loaded into a patch of the same type when the file was read.
        CSpanFile file({record + kHeaderSize, m_dataSize}, m_source->path);
        patch->Load(file);
        m_patch = std::move(patch);
    }
    // Without a patch (its plug-in gone) the entry keeps writing its record back.
    if (!m_patch) return;
    m_ready.store(true, std::memory_order_release);
}

int CLibraryPatch::GetPatchSize() const {
    if (IsDeferred()) return kHeaderSize + static_cast<int>(m_dataSize);
    return kHeaderSize + (m_patch ? m_patch->GetPatchSize(false) : 0);
}

void CLibraryPatch::Set(const CPatch& patch, bool init) {
    if (IsDeferred()) {
        // The record's texts become the entry's own before the record is let go.
        OwnTexts();
        const std::lock_guard lock(g_realizeMutex);
        m_source.reset();
        m_name.clear();
        m_ready.store(true, std::memory_order_release);
    }
    m_patch = patch.Clone();
    m_patch->DetachFromMemory();  // the library outlives the bank the patch came from
    if (!init) return;
    OwnTexts().comment.fill('\0');
    SetDate(Now());
    m_patch->SetName(m_patch->GetName());  // stores the name in the patch's own normalised form
    m_keys.fill(1);
}

void CLibraryPatch::Set(const std::string& name, const std::uint8_t* keys, const std::string& comment,
                        const std::string& date) {
    if (CPatch* patch = GetPatch()) patch->SetName(name);
    for (std::size_t i = 0; i < m_keys.size(); ++i) m_keys[i] = keys ? keys[i] : 1;
    SetComment(comment);
    SetDate(date);
}

std::unique_ptr<CLibraryPatch> CLibraryPatch::Clone() const {
    auto copy = std::make_unique<CLibraryPatch>();
    if (const CPatch* patch = GetPatch()) copy->Set(*patch, true);
    copy->Set(Name(), m_keys.data(), Comment(), Date());
    return copy;
}

std::string CLibraryPatch::Name() const {
    if (IsDeferred()) return m_name;
    return m_patch ? m_patch->GetName() : std::string();
}
std::string CLibraryPatch::Comment() const { return BufferText(CommentBytes()); }
std::string CLibraryPatch::Date() const { return BufferText(DateBytes()); }

// An entry that never had texts shows empty ones.
const CLibraryPatch::Texts CLibraryPatch::kNoTexts{};

std::span<const char> CLibraryPatch::CommentBytes() const {
    if (m_texts) return m_texts->comment;
    if (!m_source) return kNoTexts.comment;
    return {reinterpret_cast<const char*>(m_source->bytes.data() + m_headerOffset + kKeyCount), kCommentSize};
}

std::span<const char> CLibraryPatch::DateBytes() const {
    if (m_texts) return m_texts->date;
    if (!m_source) return kNoTexts.date;
    return {reinterpret_cast<const char*>(m_source->bytes.data() + m_headerOffset + kKeyCount + kCommentSize),
            kDateSize};
}

CLibraryPatch::Texts& CLibraryPatch::OwnTexts() {
    if (m_texts) return *m_texts;
    auto own = std::make_unique<Texts>();
    std::copy_n(CommentBytes().begin(), kCommentSize, own->comment.begin());
    std::copy_n(DateBytes().begin(), kDateSize, own->date.begin());
    m_texts = std::move(own);
    return *m_texts;
}

std::string CLibraryPatch::Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, kDateFormat, &local);
    return text;
}

void CLibraryPatch::CleanUp() {
    if (IsDeferred()) OwnTexts();
    m_patch.reset();
    m_source.reset();
    m_name.clear();
    m_ready.store(true, std::memory_order_release);
}

void CLibraryPatch::SetComment(std::string_view text) { FillBuffer(OwnTexts().comment, text); }
void CLibraryPatch::SetDate(std::string_view text) { FillBuffer(OwnTexts().date, text); }

// ---------------------------------------------------------------- CLibrary

CLibrary::CLibrary() = default;
CLibrary::~CLibrary() = default;

int CLibrary::Add(std::unique_ptr<CLibraryPatch> entry) {
    m_entries.push_back(std::move(entry));
    return GetSize() - 1;
}

int CLibrary::Add(const CPatch& patch) { return Add(std::make_unique<CLibraryPatch>(patch)); }

void CLibrary::Insert(int index, std::unique_ptr<CLibraryPatch> entry) {
    const auto at = static_cast<std::size_t>(std::clamp(index, 0, GetSize()));
    m_entries.insert(m_entries.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
}

std::vector<std::unique_ptr<CLibraryPatch>> CLibrary::Remove(int count, const int* indices) {
    std::vector<std::unique_ptr<CLibraryPatch>> removed(static_cast<std::size_t>(std::max(count, 0)));
    // Take the entries out first, then close the gaps in one pass, so the indices
    // keep meaning positions before the removal whatever their order.
    for (int k = 0; k < count; ++k) {
        const int i = indices[k];
        if (i < 0 || i >= GetSize()) continue;
        removed[static_cast<std::size_t>(k)] = std::move(m_entries[static_cast<std::size_t>(i)]);
    }
    std::erase_if(m_entries, [](const auto& entry) { return !entry; });
    std::erase_if(removed, [](const auto& entry) { return !entry; });
    return removed;
}

void CLibrary::Set(int i, std::unique_ptr<CLibraryPatch> entry) {
    m_entries[static_cast<std::size_t>(i)] = std::move(entry);
}

void CLibrary::Set(int i, const CPatch& patch) { Get(i).Set(patch, false); }
