#include "SynthMemory.h"

#include <array>

#include "File.h"
#include "Patch.h"

namespace {

constexpr std::uint8_t kSysExStart = 0xF0;
constexpr std::uint8_t kSysExEnd = 0xF7;

// Moves to the first byte at or after the position for which stop(byte) holds:
// past it when consume is true, onto it otherwise; to the end when none does.
template <class Stop>
void ScanTo(CFile& file, Stop stop, bool consume) {
    std::array<std::uint8_t, 4096> buffer{};
    for (;;) {
        const std::uint64_t chunkStart = file.GetPosition();
        const std::size_t n = file.Read(buffer.data(), buffer.size());
        if (n == 0) return;
        for (std::size_t i = 0; i < n; ++i) {
            if (stop(buffer[i])) {
                const bool past = consume && buffer[i] == kSysExEnd;
                file.Seek(static_cast<std::int64_t>(chunkStart + i + (past ? 1 : 0)), CFile::begin);
                return;
            }
        }
    }
}

// Moves past the message that starts at the position: through its F7, or up to
// (not including) the next F0 when the message was cut off, or to the end.
void SkipMessage(CFile& file) {
    std::uint8_t first = 0;
    if (file.Read(&first, 1) != 1) return;
    ScanTo(
        file, [](std::uint8_t b) { return b == kSysExEnd || b == kSysExStart; }, true);
}

// Moves to the next F0 (or the end) without consuming it.
void SkipToMessageStart(CFile& file) {
    ScanTo(
        file, [](std::uint8_t b) { return b == kSysExStart; }, false);
}

}  // namespace

CSynthMemory::CSynthMemory() = default;

// Tools may refer to layers, so they go first; layers are released in reverse
// order of creation.
CSynthMemory::~CSynthMemory() {
    m_tools.clear();
    while (!m_layers.empty()) m_layers.pop_back();
}

int CSynthMemory::GetMatchingLayer(CFile& file) {
    const std::uint64_t start = file.GetPosition();
    const std::unique_ptr<CHeader> header = ReadHeader(file);
    file.Seek(static_cast<std::int64_t>(start), CFile::begin);
    if (!header) return -1;
    for (int i = 0; i < GetLayerCount(); ++i)
        if (GetLayer(i).MatchesHeader(*header)) return i;
    return -1;
}

// The layers mark what they read only while the memory loads a file; afterwards
// a stored patch is the user's change.
class CSynthMemory::LoadingFile {
public:
    explicit LoadingFile(const CSynthMemory& memory) : m_memory(memory) { Set(true); }
    ~LoadingFile() { Set(false); }
    LoadingFile(const LoadingFile&) = delete;
    LoadingFile& operator=(const LoadingFile&) = delete;

private:
    void Set(bool on) {
        for (const auto& layer : m_memory.m_layers) SetLoadingFile(*layer, on);
    }
    const CSynthMemory& m_memory;
};

namespace {

std::string Count(std::uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

}  // namespace

void CSynthMemory::SetLoadingFile(CLayer& layer, bool on) { layer.m_loadingFile = on; }

void CSynthMemory::BeginFileLoad() {
    m_loadProblems.clear();
    m_unread.clear();
    m_unreadMessages = 0;
    m_unreadOther = 0;
    m_loadedFromFile = true;
    for (const auto& layer : m_layers) layer->ClearInFile();
}

std::uint64_t CSynthMemory::CountFileMarks() const {
    std::uint64_t marks = 0;
    for (const auto& layer : m_layers) marks += layer->m_fileMarks;
    return marks;
}

void CSynthMemory::KeepUnread(CFile& file, std::uint64_t start, bool message) {
    const std::uint64_t end = file.GetPosition();
    if (end <= start) return;
    file.Seek(static_cast<std::int64_t>(start), CFile::begin);
    const std::vector<std::uint8_t> bytes = file.ReadBytes(static_cast<std::size_t>(end - start));
    m_unread.insert(m_unread.end(), bytes.begin(), bytes.end());
    if (message) ++m_unreadMessages;
    else m_unreadOther += bytes.size();
}

void CSynthMemory::Load(CFile& file) {
    BeginFileLoad();
    const LoadingFile loading(*this);
    const std::uint64_t length = file.GetLength();
    while (file.GetPosition() < length) {
        const std::uint64_t start = file.GetPosition();
        if (file.PeekByte() != kSysExStart) {
            SkipToMessageStart(file);
            KeepUnread(file, start, false);
            continue;
        }
        const int layer = GetMatchingLayer(file);
        if (layer < 0) {
            SkipMessage(file);
            KeepUnread(file, start, true);
            continue;
        }
        const std::uint64_t marks = CountFileMarks();
        try {
            GetLayer(layer).Load(file);
        } catch (const CFileException& e) {
            m_loadProblems.push_back("\"" + GetLayer(layer).GetName() + "\" at byte " + std::to_string(start) + ": " +
                                     (e.m_detail.empty() ? CFileException::CauseText(e.m_cause) : e.m_detail));
            file.Seek(static_cast<std::int64_t>(start), CFile::begin);
        } catch (const std::exception& e) {
            m_loadProblems.push_back("\"" + GetLayer(layer).GetName() + "\" at byte " + std::to_string(start) + ": " +
                                     e.what());
            file.Seek(static_cast<std::int64_t>(start), CFile::begin);
        }
        // Every step must advance, so no input can make this loop forever. A
        // message the layer could not read is kept like one no layer reads.
        if (file.GetPosition() <= start) {
            file.Seek(static_cast<std::int64_t>(start), CFile::begin);
            SkipMessage(file);
            KeepUnread(file, start, true);
            continue;
        }
        // A layer that fills its patches in place and marks nothing has read a
        // dump of the whole layer.
        if (CountFileMarks() == marks) GetLayer(layer).MarkAllPatchesInFile();
    }
    if (!m_unread.empty()) {
        std::string what;
        if (m_unreadMessages > 0) what = Count(static_cast<std::uint64_t>(m_unreadMessages), "message", "messages");
        if (m_unreadOther > 0)
            what += (what.empty() ? "" : " and ") + Count(m_unreadOther, "byte", "bytes") + " between messages";
        m_loadProblems.push_back("kept " + what + " that no layer reads (" + Count(m_unread.size(), "byte", "bytes") +
                                 "); saving the bank writes them back after its layers");
    }
}

void CSynthMemory::Save(CFile& file, bool allLayers) {
    PrepareSave();
    std::vector<int> layers;
    if (allLayers)
        for (int i = 0; i < GetLayerCount(); ++i) layers.push_back(i);
    else layers = GetLayersToSave();
    for (const int i : layers) GetLayer(i).Save(file);
    if (!m_unread.empty()) file.Write(m_unread);
}

std::vector<int> CSynthMemory::GetLayersToSave() const {
    std::vector<int> layers;
    for (int i = 0; i < GetLayerCount(); ++i)
        if (!m_loadedFromFile || GetLayer(i).IsInFile()) layers.push_back(i);
    return layers;
}

void CSynthMemory::ReportLoadIssue(LoadIssue issue) {
    m_loadProblems.push_back("\"" + issue.layer + "\" at byte " + std::to_string(issue.offset) + ": " + issue.text);
    m_loadIssues.push_back(std::move(issue));
}

void CSynthMemory::AddAdditionalTool(std::unique_ptr<CBasicSynthTool> tool) { m_tools.push_back(std::move(tool)); }

CLayer& CSynthMemory::AddLayer(std::unique_ptr<CLayer> layer) {
    m_layers.push_back(std::move(layer));
    return *m_layers.back();
}

bool CSynthMemory::IsGeneric() const {
    if (m_layers.empty() || m_layers.front()->GetPatchCount() == 0) return false;
    return m_layers.front()->GetPatch(0)->GetPatchType().IsNull();
}
