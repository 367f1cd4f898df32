#include "Library.h"

#include <algorithm>
#include <cstring>
#include <ctime>

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

}  // namespace

// ---------------------------------------------------------------- CLibraryPatch

CLibraryPatch::CLibraryPatch() { m_keys.fill(1); }

CLibraryPatch::CLibraryPatch(const CPatch& patch) : CLibraryPatch() { Set(patch, true); }

CLibraryPatch::~CLibraryPatch() = default;

void CLibraryPatch::Save(CFile& file) const {
    const GUID type = m_patch ? m_patch->GetPatchType() : GUID{};
    const auto guid = type.ToBytes();
    file.Write(guid.data(), guid.size());
    file.Write(m_keys.data(), m_keys.size());
    file.Write(m_comment.data(), m_comment.size());
    file.Write(m_date.data(), m_date.size());
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

    m_keys = keys;
    m_comment = comment;
    m_date = date;
    m_patch = std::move(patch);
    return true;
}

int CLibraryPatch::GetPatchSize() const {
    return kHeaderSize + (m_patch ? m_patch->GetPatchSize(false) : 0);
}

void CLibraryPatch::Set(const CPatch& patch, bool init) {
    m_patch = patch.Clone();
    m_patch->DetachFromMemory();  // the library outlives the bank the patch came from
    if (!init) return;
    m_comment.fill('\0');
    SetDate(Now());
    m_patch->SetName(m_patch->GetName());  // stores the name in the patch's own normalised form
    m_keys.fill(1);
}

void CLibraryPatch::Set(const std::string& name, const std::uint8_t* keys, const std::string& comment,
                        const std::string& date) {
    if (m_patch) m_patch->SetName(name);
    for (std::size_t i = 0; i < m_keys.size(); ++i) m_keys[i] = keys ? keys[i] : 1;
    SetComment(comment);
    SetDate(date);
}

std::unique_ptr<CLibraryPatch> CLibraryPatch::Clone() const {
    auto copy = std::make_unique<CLibraryPatch>();
    if (m_patch) copy->Set(*m_patch, true);
    copy->Set(Name(), m_keys.data(), Comment(), Date());
    return copy;
}

std::string CLibraryPatch::Name() const { return m_patch ? m_patch->GetName() : std::string(); }
std::string CLibraryPatch::Comment() const { return BufferText(m_comment); }
std::string CLibraryPatch::Date() const { return BufferText(m_date); }

std::string CLibraryPatch::Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, kDateFormat, &local);
    return text;
}

void CLibraryPatch::CleanUp() { m_patch.reset(); }

void CLibraryPatch::SetComment(std::string_view text) { FillBuffer(m_comment, text); }
void CLibraryPatch::SetDate(std::string_view text) { FillBuffer(m_date, text); }

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

void CLibrary::Set(int i, std::unique_ptr<CLibraryPatch> entry) { m_entries[static_cast<std::size_t>(i)] = std::move(entry); }

void CLibrary::Set(int i, const CPatch& patch) { Get(i).Set(patch, false); }
