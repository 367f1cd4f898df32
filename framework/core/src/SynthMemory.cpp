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
    ScanTo(file, [](std::uint8_t b) { return b == kSysExEnd || b == kSysExStart; }, true);
}

// Moves to the next F0 (or the end) without consuming it.
void SkipToMessageStart(CFile& file) {
    ScanTo(file, [](std::uint8_t b) { return b == kSysExStart; }, false);
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

void CSynthMemory::Load(CFile& file) {
    m_loadProblems.clear();
    const std::uint64_t length = file.GetLength();
    while (file.GetPosition() < length) {
        const std::uint64_t start = file.GetPosition();
        if (file.PeekByte() != kSysExStart) {
            SkipToMessageStart(file);
            continue;
        }
        const int layer = GetMatchingLayer(file);
        if (layer < 0) {
            SkipMessage(file);
            continue;
        }
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
        // Every step must advance, so no input can make this loop forever.
        if (file.GetPosition() <= start) {
            file.Seek(static_cast<std::int64_t>(start), CFile::begin);
            SkipMessage(file);
        }
    }
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
