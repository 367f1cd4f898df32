#include "GenericMemory.h"

#include <cstring>
#include <limits>

#include "File.h"
#include "Patch.h"
#include "Synth.h"
#include "SynthMemory.h"

namespace {

constexpr GUID kGenericMemoryGuid{0x6B0E3A10, 0x4C2D, 0x4F1A, {0x9E, 0x55, 0x21, 0x7C, 0x3D, 0x80, 0x11, 0x01}};
constexpr GUID kGenericLayerGuid{0x6B0E3A11, 0x4C2D, 0x4F1A, {0x9E, 0x55, 0x21, 0x7C, 0x3D, 0x80, 0x11, 0x01}};
constexpr GUID kGenericPatchType{};  // all zero: how the generic memory is recognised
// A library entry of raw SysEx may be large, but not absurd: a corrupt length must
// not make the reader allocate gigabytes.
constexpr std::uint32_t kMaxStoredBytes = 256u * 1024u * 1024u;

class CGenericSynth : public CSynth {
public:
    CGenericSynth() : CSynth("Generic.ini") { SetDumpCommandsPersistent(true); }
};

class CGenericPatch : public CPatch {
public:
    CGenericPatch() : CPatch("SysEx Data", 0, 0, 0) {}

    const GUID& GetPatchType() const override { return kGenericPatchType; }
    void Init() override { SetBytes({}); }
    CGenericPatch(const CGenericPatch&) = default;
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<CGenericPatch>(*this); }
    std::string GetName() const override { return "SysEx Data"; }
    void SetName(const std::string&) override {}
    std::vector<std::uint8_t> GetSysExData(bool) const override { return m_data; }
    int GetPatchSize(bool sysex) const override {
        return sysex ? GetDataSize() : GetDataSize() + 4;  // stored with a length prefix
    }
    std::string GetInfoForPatch() const override { return std::to_string(GetDataSize()) + " bytes"; }
    bool IsEqual(const CPatch& other) const override {
        return other.GetPatchType() == GetPatchType() && other.GetDataSize() == GetDataSize() &&
               std::equal(m_data.begin(), m_data.end(), other.Data().begin());
    }
    std::optional<std::uint64_t> GetFingerprint() const override { return HashBytes(m_data); }

    // Library storage: the size is known only to the patch, so it goes first.
    void Save(CFile& file) const override {
        const auto n = static_cast<std::uint32_t>(m_data.size());
        const std::uint8_t prefix[4] = {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                                        static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)};
        file.Write(prefix, 4);
        file.Write(m_data.data(), m_data.size());
    }
    void Load(CFile& file) override {
        std::uint8_t prefix[4];
        file.ReadExact(prefix, 4);
        const std::uint32_t n =
            prefix[0] | prefix[1] << 8 | prefix[2] << 16 | static_cast<std::uint32_t>(prefix[3]) << 24;
        if (n > kMaxStoredBytes || n > file.GetRemaining())
            throw CFileException(CFileException::badFormat, file.GetFilePath(),
                                 "stored SysEx data claims " + std::to_string(n) + " bytes, more than the file holds");
        SetBytes(file.ReadBytes(n));
    }

    void SetBytes(std::vector<std::uint8_t> bytes) {
        m_data = std::move(bytes);
        m_dataSize = static_cast<int>(m_data.size());
        m_sysexSize = m_dataSize;
    }
};

class CGenericHeader : public CHeader {
public:
    CGenericHeader() : CHeader(1) {}
};

class CGenericLayer : public CPatchLayer {
public:
    CGenericLayer() : CPatchLayer("SysEx Data", 1) { AddPatch(std::make_unique<CGenericPatch>()); }

    const GUID& GetLayerGuid() const override { return kGenericLayerGuid; }
    bool MatchesHeader(const CHeader& header) const override { return header[0] == 0xF0; }
    void UpdatePatchNumbers() override {}
    void Save(CFile& file) override {
        const CPatch& p = *GetPatch(0);
        file.Write(p.GetData(), static_cast<std::size_t>(p.GetDataSize()));
    }
    // Reads everything from the position to the end.
    void Load(CFile& file) override {
        const std::uint64_t remaining = file.GetRemaining();
        if (remaining > std::numeric_limits<std::size_t>::max() / 2)
            throw CFileException(CFileException::badFormat, file.GetFilePath(), "the file is too large");
        static_cast<CGenericPatch*>(GetPatch(0))->SetBytes(file.ReadBytes(static_cast<std::size_t>(remaining)));
        MarkPatchInFile(0);
    }
    void SwitchMode(const CSynth&, bool) override {}
    std::string GetPatchLabel(int) const override { return "SysEx Data"; }
};

class CGenericSynthMemory : public CSynthMemory {
public:
    CGenericSynthMemory() { AddLayer(std::make_unique<CGenericLayer>()); }

    const GUID& GetMemoryGuid() const override { return kGenericMemoryGuid; }
    std::unique_ptr<CSynthMemory> CreateMemory() const override { return std::make_unique<CGenericSynthMemory>(); }
    std::string GetName() const override { return "Generic"; }
    CSynth* GetSynth() const override {
        static CGenericSynth synth;
        return &synth;
    }
    std::string GetVersion() const override { return "1.00"; }
    std::unique_ptr<CHeader> ReadHeader(CFile& file) const override { return ReadHeaderAt<CGenericHeader>(file); }
    // The one patch takes everything from the position on, stray bytes before the
    // first message included: nothing is kept beside it, or saving would write
    // those bytes twice (or out of order).
    void Load(CFile& file) override {
        BeginFileLoad();
        GetLayer(0).Load(file);
    }
};

}  // namespace

std::unique_ptr<CSynthMemory> CreateGenericMemory() { return std::make_unique<CGenericSynthMemory>(); }
