// A small synth plug-in for the framework tests: a "Voice" layer of 8 patches and
// a "Set" layer of 4 patches, each set naming two voices (Set is Voice's parent).
// Messages: F0 7D 01 <fn> data F7 with fn 10 (voice bank), 11 (one voice), 20 (set bank).
#include <algorithm>
#include <cstdio>

#include "Export.h"
#include "File.h"
#include "Patch.h"
#include "Synth.h"
#include "SynthMemory.h"

namespace {

constexpr int kDataSize = 16;
constexpr int kNameLength = 8;
constexpr std::uint8_t kVoiceBank = 0x10, kOneVoice = 0x11, kSetBank = 0x20;
constexpr GUID kMemoryGuid{0x7E570001, 0x0001, 0x0001, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr GUID kVoiceLayerGuid{0x7E570002, 0x0001, 0x0001, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr GUID kSetLayerGuid{0x7E570003, 0x0001, 0x0001, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr GUID kVoiceType{0x7E570004, 0x0001, 0x0001, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr GUID kSetType{0x7E570005, 0x0001, 0x0001, {1, 2, 3, 4, 5, 6, 7, 8}};

class CTestSynth : public CSynth {
public:
    CTestSynth() : CSynth("TestSynth.ini") {}
};

class CTestPatch : public CPatch {
public:
    CTestPatch(const GUID& type, const char* typeName)
        : CPatch(typeName, kNameLength, kDataSize, 4 + kDataSize + 1), m_type(type) {
        Init();
    }
    CTestPatch(const CTestPatch&) = default;

    const GUID& GetPatchType() const override { return m_type; }
    void Init() override {
        std::fill(m_data.begin(), m_data.end(), 0);
        SetName("Init");
    }
    void Save(CFile& file) const override { file.Write(m_data.data(), m_data.size()); }
    void Load(CFile& file) override { file.ReadExact(m_data.data(), m_data.size()); }
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<CTestPatch>(*this); }
    std::vector<std::uint8_t> GetSysExData(bool) const override {
        if (m_type != kVoiceType) return {};
        std::vector<std::uint8_t> m{0xF0, 0x7D, 0x01, kOneVoice};
        m.insert(m.end(), m_data.begin(), m_data.end());
        m.push_back(0xF7);
        return m;
    }
    bool IsEqual(const CPatch& other) const override {
        return other.GetPatchType() == m_type && std::equal(m_data.begin(), m_data.end(), other.Data().begin());
    }
    std::optional<std::uint64_t> GetFingerprint() const override { return HashBytes(m_data); }
    // Names the patches a set uses through its links, as the real plug-ins' info texts do.
    std::string GetInfoForPatch() const override {
        std::string info = GetName();
        for (int c = 0; c < GetChildLayerCount(); ++c)
            info += " uses " + GetChildLayer(c)->GetPatch(m_data[8] % 8)->GetName();
        return info;
    }

private:
    GUID m_type;
};

class CTestHeader : public CHeader {
public:
    CTestHeader() : CHeader(4) {}
};

class CTestLayer : public CPatchLayer {
public:
    CTestLayer(const char* name, int count, const GUID& layerGuid, const GUID& type, std::uint8_t fn)
        : CPatchLayer(name, count), m_guid(layerGuid), m_fn(fn) {
        for (int i = 0; i < count; ++i) AddPatch(std::make_unique<CTestPatch>(type, name));
    }
    const GUID& GetLayerGuid() const override { return m_guid; }
    bool MatchesHeader(const CHeader& h) const override {
        return h[0] == 0xF0 && h[1] == 0x7D && h[2] == 0x01 &&
               (h[3] == m_fn || (m_fn == kVoiceBank && h[3] == kOneVoice));
    }
    void UpdatePatchNumbers() override {}
    void Save(CFile& file) override {
        const std::uint8_t head[4] = {0xF0, 0x7D, 0x01, m_fn};
        file.Write(head, 4);
        for (int i = 0; i < GetPatchCount(); ++i) file.Write(GetPatch(i)->GetData(), kDataSize);
        const std::uint8_t end = 0xF7;
        file.Write(&end, 1);
    }
    void Load(CFile& file) override {
        std::uint8_t head[4];
        file.ReadExact(head, 4);
        const int count = head[3] == kOneVoice ? 1 : GetPatchCount();
        const std::vector<std::uint8_t> data = file.ReadBytes(static_cast<std::size_t>(count * kDataSize) + 1);
        if (data.back() != 0xF7)
            throw CFileException(CFileException::badFormat, file.GetFilePath(), "the dump does not end with F7");
        for (int i = 0; i < count; ++i) std::copy_n(data.begin() + i * kDataSize, kDataSize, GetPatch(i)->GetData());
        // A bank is left to the memory, which takes an unmarked load for the whole layer.
        if (head[3] == kOneVoice) MarkPatchInFile(0);
    }
    void SwitchMode(const CSynth&, bool) override {}
    std::string GetPatchLabel(int i) const override {
        char label[32];
        std::snprintf(label, sizeof label, "%c%d ", m_fn == kSetBank ? 'S' : 'V', i + 1);
        return label + GetPatch(i)->GetName();
    }

protected:
    std::vector<int> GetPatchReferences(const CLayer&, int index) const override {
        const CPatch* p = GetPatch(index);
        return {p->GetData()[8], p->GetData()[9]};
    }
    void AdaptLayer(const CLayer&, std::span<const std::uint32_t> map, bool undo) override {
        for (int i = 0; i < GetPatchCount(); ++i)
            for (int slot = 8; slot <= 9; ++slot) {
                std::uint8_t& r = GetPatch(i)->GetData()[slot];
                r = static_cast<std::uint8_t>(CPatch::LookupNewIndex(r, map, undo));
            }
    }

private:
    GUID m_guid;
    std::uint8_t m_fn;
};

class CTestSynthMemory : public CSynthMemory {
    DECLARE_DYNCREATE(CTestSynthMemory)
public:
    CTestSynthMemory() {
        auto voices = std::make_unique<CTestLayer>("Voice", 8, kVoiceLayerGuid, kVoiceType, kVoiceBank);
        auto sets = std::make_unique<CTestLayer>("Set", 4, kSetLayerGuid, kSetType, kSetBank);
        voices->AddParentLayer(sets.get());
        sets->AddChildLayer(voices.get());
        AddLayer(std::move(voices));
        AddLayer(std::move(sets));
    }
    const GUID& GetMemoryGuid() const override { return kMemoryGuid; }
    std::unique_ptr<CSynthMemory> CreateMemory() const override { return std::make_unique<CTestSynthMemory>(); }
    std::string GetName() const override { return "Test Synth"; }
    CSynth* GetSynth() const override {
        static CTestSynth synth;
        return &synth;
    }
    std::string GetVersion() const override { return "1.0"; }
    std::unique_ptr<CHeader> ReadHeader(CFile& file) const override { return ReadHeaderAt<CTestHeader>(file); }
};

IMPLEMENT_DYNCREATE(CTestSynthMemory, CObject)

}  // namespace

TONALITH_PLUGIN_EXPORT CRuntimeClass* SynthMemoryInfo(CRuntimeClass** out) {
    *out = RUNTIME_CLASS(CTestSynthMemory);
    return *out;
}
