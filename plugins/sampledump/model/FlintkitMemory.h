#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Header.h"
#include "Layer.h"
#include "Synth.h"
#include "SynthMemory.h"

// The first four bytes of a universal non-real-time message: F0 7E dev sub-ID.
class CFlintkitHeader : public CHeader {
public:
    static constexpr int kSize = 4;
    CFlintkitHeader() : CHeader(kSize) {}
};

// The plug-in's synth description: settings file "Flintkit.ini", small receive
// buffers (a dump arrives as many short packets).
class CFlintkitSynth : public CSynth {
public:
    CFlintkitSynth();

    int GetInputBlockSize() const override { return 256; }
    int GetInputBlockCount() const override { return 64; }
    // An open-loop sender waits this long after each packet before the next.
    int GetMessagePause() const override { return 20; }
};

// The plug-in's single synth object, created on first use.
CFlintkitSynth& GetFlintkitSynth();

// The one layer: one sample.
class CFlintkitLayer : public CPatchLayer {
public:
    static const GUID kLayerGuid;

    CFlintkitLayer();

    const GUID& GetLayerGuid() const override { return kLayerGuid; }
    // Only a dump header starts this layer's data; its packets are read with it.
    // Other universal messages (identity replies, handshakes) are not samples.
    bool MatchesHeader(const CHeader& header) const override;
    void UpdatePatchNumbers() override {}
    void Save(CFile& file) override;
    // Reads the dump header at the position and its packets. A second dump in the
    // same file is refused (the layer holds one sample) so the first is not lost.
    void Load(CFile& file) override;
    void SwitchMode(const CSynth&, bool) override {}
    std::string GetPatchLabel(int) const override { return "01 Sample"; }

    // Called before the memory walks a file.
    void BeginLoad() {
        m_loadedOne = false;
        m_badChecksums.clear();
    }
    // File offsets of the packets of the sample taken whose checksum is wrong (the data is kept).
    const std::vector<std::uint64_t>& GetBadChecksums() const { return m_badChecksums; }

private:
    bool m_loadedOne = false;
    std::vector<std::uint64_t> m_badChecksums;
};

class CFlintkitSynthMemory : public CSynthMemory {
    DECLARE_DYNCREATE(CFlintkitSynthMemory)

public:
    static const GUID kMemoryGuid;

    CFlintkitSynthMemory();

    const GUID& GetMemoryGuid() const override { return kMemoryGuid; }
    // Also reports every data packet whose checksum is wrong (its data is kept).
    void Load(CFile& file) override;
    std::unique_ptr<CSynthMemory> CreateMemory() const override;
    std::string GetName() const override { return "Midi Sample Dump Standard"; }
    CSynth* GetSynth() const override { return &GetFlintkitSynth(); }
    std::string GetVersion() const override { return "1.00"; }
    std::unique_ptr<CHeader> ReadHeader(CFile& file) const override;

    CFlintkitLayer& GetSampleLayer() const { return static_cast<CFlintkitLayer&>(GetLayer(0)); }
};
