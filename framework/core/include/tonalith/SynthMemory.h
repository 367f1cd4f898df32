#pragma once

#include <cstdint>
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
    // Walks the file: each message a layer recognises is loaded by that layer,
    // which marks what the file held (CLayer::IsInFile, IsPatchInFile). Messages
    // no layer reads, and the bytes between messages (program changes, say), are
    // kept byte for byte and in order, and a load problem says how many. Problems
    // (a truncated or damaged dump) are collected in GetLoadProblems(); the layers
    // concerned stay unchanged and the damaged message is kept with the others.
    virtual void Load(CFile& file);
    // Writes the bank: GetLayersToSave() (every layer with allLayers) in layer
    // order, then the bytes no layer read. A chosen set of layers is written by
    // those layers' Save alone, without the kept bytes.
    virtual void Save(CFile& file, bool allLayers = false);
    // Called before anything of the memory is written (the whole bank or chosen
    // layers): a plug-in may settle how to write, asking the user once.
    virtual void PrepareSave() {}
    // The layers the file held and those changed since; every layer when the
    // memory was not loaded from a file (a new bank).
    std::vector<int> GetLayersToSave() const;
    bool IsLoadedFromFile() const { return m_loadedFromFile; }
    // What Load kept because no layer read it.
    const std::vector<std::uint8_t>& GetUnreadBytes() const { return m_unread; }
    int GetUnreadMessageCount() const { return m_unreadMessages; }
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

    // A problem a message had that did not stop the load: a wrong checksum, whose
    // data is kept since instruments differ in what they accept. Plug-ins report
    // these from their Load with the message's byte offset; each is also one of
    // the load problems.
    struct LoadIssue {
        std::uint64_t offset = 0;
        std::string kind;  // "checksum"
        std::string layer;  // the layer's name
        std::string text;
    };
    const std::vector<LoadIssue>& GetLoadIssues() const { return m_loadIssues; }
    // The model generation the loaded messages were written for, where the plug-in
    // can tell it from them; empty when it cannot.
    virtual std::string GetLoadedGeneration() const { return {}; }

protected:
    // Forgets what an earlier file held; a Load that does not call the base Load
    // calls this first.
    void BeginFileLoad();
    // Records the issue, and the load problem "<layer>" at byte N: text.
    void ReportLoadIssue(LoadIssue issue);

    std::vector<std::string> m_loadProblems;
    std::vector<LoadIssue> m_loadIssues;  // cleared by the plug-ins that report them

private:
    class LoadingFile;
    static void SetLoadingFile(CLayer& layer, bool on);
    // Appends the bytes from start to the position to the kept ones.
    void KeepUnread(CFile& file, std::uint64_t start, bool message);
    std::uint64_t CountFileMarks() const;

    std::vector<std::unique_ptr<CLayer>> m_layers;
    bool m_loadedFromFile = false;
    std::vector<std::uint8_t> m_unread;
    int m_unreadMessages = 0;
    std::uint64_t m_unreadOther = 0;  // bytes outside messages
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
