#pragma once

#include <memory>
#include <string>
#include <vector>

#include "File.h"
#include "Guid.h"
#include "Header.h"
#include "Layer.h"
#include "RuntimeClass.h"
#include "SynthTool.h"

class CFile;
class CSynth;

// A synthesizer's memory: an ordered list of layers (the order is the layer
// index used everywhere) and the tools its plug-in contributes. The memory owns both.
class CSynthMemory : public CObject {
public:
    CSynthMemory();
    ~CSynthMemory() override;
    CSynthMemory(const CSynthMemory&) = delete;
    CSynthMemory& operator=(const CSynthMemory&) = delete;

    virtual const GUID& GetMemoryGuid() const = 0;
    // The index of the first layer whose MatchesHeader takes the header at the file
    // position, or -1. The position is unchanged.
    virtual int GetMatchingLayer(CFile& file);
    // Walks the file: each message a layer recognises is loaded by that layer; other
    // messages and stray bytes are skipped. Problems (a truncated or damaged dump)
    // are collected in GetLoadProblems(); the layers concerned stay unchanged.
    virtual void Load(CFile& file);
    virtual std::unique_ptr<CSynthMemory> CreateMemory() const = 0;
    virtual std::string GetName() const = 0;
    virtual CSynth* GetSynth() const = 0;
    virtual std::string GetVersion() const = 0;
    virtual int GetAdditionalToolsCount() const { return static_cast<int>(m_tools.size()); }
    virtual void AddAdditionalTool(std::unique_ptr<CBasicSynthTool> tool);
    virtual CBasicSynthTool& GetAdditionalTool(int i) const { return *m_tools.at(static_cast<std::size_t>(i)); }
    virtual unsigned GetToolbarId() const { return 2; }
    // The plug-in's header read at the file position, position restored; null when
    // the file has fewer bytes than a header.
    virtual std::unique_ptr<CHeader> ReadHeader(CFile& file) const = 0;

    CLayer& AddLayer(std::unique_ptr<CLayer> layer);
    CLayer& GetLayer(int i) const { return *m_layers.at(static_cast<std::size_t>(i)); }
    int GetLayerCount() const { return static_cast<int>(m_layers.size()); }

    // The generic memory is the one whose first patch type is the all-zero GUID.
    bool IsGeneric() const;
    const std::vector<std::string>& GetLoadProblems() const { return m_loadProblems; }

protected:
    std::vector<std::string> m_loadProblems;

private:
    std::vector<std::unique_ptr<CLayer>> m_layers;
    std::vector<std::unique_ptr<CBasicSynthTool>> m_tools;
};

// Reads a plug-in header of type H at the file position and rewinds; null when
// the file has fewer bytes than the header. The usual body of ReadHeader.
template <class H>
std::unique_ptr<CHeader> ReadHeaderAt(CFile& file) {
    auto header = std::make_unique<H>();
    const std::size_t read = header->Load(file);
    file.Seek(-static_cast<std::int64_t>(read), CFile::current);
    if (read < static_cast<std::size_t>(header->GetSize())) return nullptr;
    return header;
}
