#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "Guid.h"

class CFile;
class CHeader;
class CPatch;
class CSynth;
class CSynthMemory;

// One bank of a synth memory: a fixed number of patches of one type. Layers may
// reference each other (a combination names programs); parents are the layers
// whose patches refer to this layer's patches, children the layers referred to.
class CLayer {
public:
    CLayer(std::string name, int patchCount);
    virtual ~CLayer();
    CLayer(const CLayer&) = delete;
    CLayer& operator=(const CLayer&) = delete;

    virtual const GUID& GetLayerGuid() const = 0;
    virtual std::string GetName() const { return m_name; }
    // Is this header the start of this layer's bulk dump?
    virtual bool MatchesHeader(const CHeader& header) const = 0;
    virtual void UpdatePatchNumbers() = 0;
    // Writes the whole layer as one bulk dump.
    virtual void Save(CFile& file) = 0;
    // Reads a bulk dump at the file position into the patches. A dump that cannot
    // be read throws (CFileException) and leaves every patch unchanged.
    virtual void Load(CFile& file) = 0;
    // Initialises every patch.
    virtual void Init();
    virtual void SwitchMode(const CSynth& synth, bool on) = 0;
    virtual std::string GetPatchLabel(int i) const = 0;
    virtual int GetPatchCount() const { return m_patchCount; }
    // Replaces patch i by a clone of patch.
    virtual void SetPatch(int i, const CPatch& patch) = 0;
    virtual CPatch* GetPatch(int i) const = 0;
    virtual void Swap(int i, int j);
    virtual std::string GetInfoForPatch(int i) const;

    virtual void AddParentLayer(CLayer* parent);
    virtual CLayer* GetParentLayer(int i) const { return m_parentLayers.at(static_cast<std::size_t>(i)); }
    virtual int GetParentLayerCount() const { return static_cast<int>(m_parentLayers.size()); }
    virtual void AddChildLayer(CLayer* child);
    virtual CLayer* GetChildLayer(int i) const { return m_childLayers.at(static_cast<std::size_t>(i)); }
    virtual int GetChildLayerCount() const { return static_cast<int>(m_childLayers.size()); }

    // What patch index of this layer refers to in other: labels or numbers, one per
    // reference slot. Unchanged when other is not a child layer.
    virtual void GetReferencedPatches(const CLayer& other, int index, std::vector<std::string>& out) const;
    virtual void GetReferencedPatches(const CLayer& other, int index, std::vector<std::uint16_t>& out) const;
    // After this layer's patches moved (map[new] = old), lets every parent rewrite its references.
    virtual void AdaptParentLayers(std::span<const std::uint32_t> map, bool undo);

    // What the bank's file held of this layer. A layer is in the file when its
    // Load read a record from it, or when a patch of it was stored since (an
    // edit, paste, init or move: from then on the file holds the layer). Saving a
    // bank writes these layers, so a file edited in place keeps its shape.
    bool IsInFile() const { return m_inFile; }
    void SetInFile(bool inFile) { m_inFile = inFile; }
    // The slots whose record the file held. Only loading sets them: they say what
    // the file was, not where its patches went since.
    bool IsPatchInFile(int i) const;
    // Loaders mark what they read. SetPatch and ReplacePatch do it for them while
    // the memory loads a file; a layer that fills its patches in place calls these.
    void MarkPatchInFile(int i);
    void MarkAllPatchesInFile();
    // Forgets what a file held (the memory does this before it loads one).
    void ClearInFile();

protected:
    // A patch of slot i was replaced: read from the file while the memory loads
    // one, otherwise changed by the user. Layers that store patches in their own
    // way call this too.
    void NotePatchStored(int i);

    // Rewrites the references to child's patches in this layer's patches.
    virtual void AdaptLayer(const CLayer& child, std::span<const std::uint32_t> map, bool undo) {}
    // The patch numbers that patch index refers to in child (one per reference
    // slot); the base GetReferencedPatches lists these. Default: none.
    virtual std::vector<int> GetPatchReferences(const CLayer& child, int index) const { return {}; }
    // The first child layer of the same layer type as other, or null.
    const CLayer* FindChildLayer(const CLayer& other) const;

    std::string m_name;
    int m_patchCount;
    std::vector<CLayer*> m_parentLayers;
    std::vector<CLayer*> m_childLayers;

private:
    friend class CSynthMemory;  // opens and closes the loading of a file

    bool m_loadingFile = false;
    bool m_inFile = false;
    std::vector<bool> m_patchInFile;
    std::uint64_t m_fileMarks = 0;  // counts every mark, so the memory sees whether a Load marked anything
};

// A layer that keeps its patches in a fixed array it owns, the storage most
// layers need. Subclasses add their patches in the constructor with AddPatch.
class CPatchLayer : public CLayer {
public:
    using CLayer::CLayer;

    // Stores a clone of patch, carrying this layer's parent and child links.
    // Throws std::invalid_argument for a patch of another type or an index out of range.
    void SetPatch(int i, const CPatch& patch) override;
    CPatch* GetPatch(int i) const override;

protected:
    void AddPatch(std::unique_ptr<CPatch> patch);
    // Replaces patch i by the given object without cloning (for loaders; marks
    // the slot as SetPatch does).
    void ReplacePatch(int i, std::unique_ptr<CPatch> patch);

    std::vector<std::unique_ptr<CPatch>> m_patches;
};
