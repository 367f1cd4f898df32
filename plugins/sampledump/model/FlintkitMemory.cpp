#include "FlintkitMemory.h"

#include "File.h"
#include "FlintkitPatch.h"
#include "FlintkitTools.h"
#include "FlintkitWave.h"

using namespace flintkit;

// {B3379522-906A-4990-BD2E-B739344919FD}
const GUID CFlintkitLayer::kLayerGuid{0xB3379522, 0x906A, 0x4990, {0xBD, 0x2E, 0xB7, 0x39, 0x34, 0x49, 0x19, 0xFD}};

// {215B9283-E551-11D3-98B5-006008CC23FE}
const GUID CFlintkitSynthMemory::kMemoryGuid{
    0x215B9283, 0xE551, 0x11D3, {0x98, 0xB5, 0x00, 0x60, 0x08, 0xCC, 0x23, 0xFE}};

CFlintkitSynth::CFlintkitSynth() : CSynth("Flintkit.ini") {}

CFlintkitSynth& GetFlintkitSynth() {
    // Destroyed when the plug-in is unloaded; CSynth's destructor writes the settings.
    static CFlintkitSynth synth;
    return synth;
}

CFlintkitLayer::CFlintkitLayer() : CPatchLayer("Midi Sample Dump Standard", 1) {
    AddPatch(std::make_unique<CFlintkitSamplePatch>());
}

bool CFlintkitLayer::MatchesHeader(const CHeader& header) const {
    if (header.GetSize() < CFlintkitHeader::kSize) return false;
    return header[0] == kSysExStart && header[1] == kUniversalNonRealTime && header[2] < 0x80 &&
           header[3] == kSubIdDumpHeader;
}

void CFlintkitLayer::Save(CFile& file) { GetPatch(0)->Save(file); }

void CFlintkitLayer::Load(CFile& file) {
    const std::uint64_t start = file.GetPosition();
    std::vector<std::uint8_t> dump = ReadDump(file);
    if (m_loadedOne)
        throw CFileException(CFileException::badFormat, file.GetFilePath(),
                             "a further sample follows; this bank holds one sample, so only the first was taken");
    const std::vector<std::size_t> bad = BadPacketChecksums(dump);
    auto patch = std::make_unique<CFlintkitSamplePatch>();
    patch->SetDump(std::move(dump));
    GetPatch(0)->CopyReferenceLayers(*patch);
    ReplacePatch(0, std::move(patch));
    m_loadedOne = true;
    for (const std::size_t at : bad) m_badChecksums.push_back(start + at);
}

IMPLEMENT_DYNCREATE(CFlintkitSynthMemory, CObject)

CFlintkitSynthMemory::CFlintkitSynthMemory() {
    RegisterWaveTexts();
    AddLayer(std::make_unique<CFlintkitLayer>());
    AddAdditionalTool(std::make_unique<CFlintkitImportWaveTool>(*this));
    AddAdditionalTool(std::make_unique<CFlintkitExportWaveTool>(*this));
}

void CFlintkitSynthMemory::Load(CFile& file) {
    m_loadIssues.clear();
    GetSampleLayer().BeginLoad();
    CSynthMemory::Load(file);
    for (const std::uint64_t offset : GetSampleLayer().GetBadChecksums())
        ReportLoadIssue({offset, "checksum", GetSampleLayer().GetName(),
                         "the data packet's checksum is wrong (its data was kept)"});
}

std::unique_ptr<CSynthMemory> CFlintkitSynthMemory::CreateMemory() const {
    return std::make_unique<CFlintkitSynthMemory>();
}

std::unique_ptr<CHeader> CFlintkitSynthMemory::ReadHeader(CFile& file) const {
    return ReadHeaderAt<CFlintkitHeader>(file);
}
