#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Guid.h"

class CFile;
class CPatch;

// Makes an empty (initial) patch of a type; null for a type nobody knows.
using PatchCreator = std::function<std::unique_ptr<CPatch>(const GUID&)>;

// The bytes of a library file, shared by the entries read from it: each keeps
// its patch there until the patch is first needed, so opening a large library
// costs little more than reading it.
struct CLibraryRecordSource {
    std::span<const std::uint8_t> bytes;  // held by storage
    std::shared_ptr<const void> storage;
    std::string path;
    PatchCreator create;
};

// One library entry: a patch with eight classification keys, a comment and a date.
// Copies share the patch (a shallow copy, as library views and commands expect);
// Clone makes an independent entry.
class CLibraryPatch {
public:
    static constexpr int kKeyCount = 8;
    static constexpr int kCommentSize = 80;  // text of at most 79 characters, NUL, zero fill
    static constexpr int kDateSize = 17;  // "%d.%m.%Y %H:%M" is 16 characters
    static constexpr int kHeaderSize = kKeyCount + kCommentSize + kDateSize;  // 105
    static constexpr int kGuidSize = 16;
    static constexpr const char* kDateFormat = "%d.%m.%Y %H:%M";

    CLibraryPatch();
    explicit CLibraryPatch(const CPatch& patch);
    CLibraryPatch(const CLibraryPatch& other);
    CLibraryPatch& operator=(const CLibraryPatch& other);
    virtual ~CLibraryPatch();

    // Writes the record: type GUID, keys, comment, date, the patch's raw data.
    virtual void Save(CFile& file) const;
    // Reads one record, creating the patch through the synth memory factory.
    // Returns false (entry unchanged, the GUID consumed) when no plug-in knows the
    // type; throws CFileException when the record is cut short. The entry changes
    // only when the whole record was read.
    virtual bool Load(CFile& file);
    bool Load(CFile& file, const PatchCreator& create);
    // The record without its GUID: 105 + the patch's data size.
    virtual int GetPatchSize() const;

    // Reads the record at offset (its GUID) of source, leaving the patch in the
    // source until first needed. scratch gives a reusable patch of a type (null
    // when no plug-in knows it): the record is loaded into it once, so a record
    // the plug-in refuses is found now, and its name is kept. Returns null for an
    // unknown type with offset after the GUID; throws like Load for a record cut
    // short. On success offset is the next record's.
    using ScratchPatch = std::function<CPatch*(const GUID&)>;
    static std::unique_ptr<CLibraryPatch> LoadDeferred(const std::shared_ptr<const CLibraryRecordSource>& source,
                                                       std::uint64_t& offset, const ScratchPatch& scratch);
    // Whether the patch is still only in the file's bytes.
    bool IsDeferred() const { return !m_ready.load(std::memory_order_acquire); }

    void Set(const CPatch& patch, bool init);
    // keys null: every key becomes 1. Text longer than the buffers is cut.
    void Set(const std::string& name, const std::uint8_t* keys, const std::string& comment, const std::string& date);
    std::unique_ptr<CLibraryPatch> Clone() const;

    std::uint8_t Key(int i) const { return m_keys[static_cast<std::size_t>(i)]; }
    void SetKey(int i, std::uint8_t value) { m_keys[static_cast<std::size_t>(i)] = value; }
    const std::array<std::uint8_t, kKeyCount>& Keys() const { return m_keys; }

    std::string Name() const;
    std::string Comment() const;
    std::string Date() const;
    CPatch& Patch() const { return *GetPatch(); }
    CPatch* GetPatch() const {
        if (!m_ready.load(std::memory_order_acquire)) Realize();
        return m_patch.get();
    }

    // The current local time as "%d.%m.%Y %H:%M".
    static std::string Now();

protected:
    void CleanUp();

private:
    struct Texts {
        std::array<char, kCommentSize> comment{};
        std::array<char, kDateSize> date{};
    };
    static const Texts kNoTexts;
    void SetComment(std::string_view text);
    void SetDate(std::string_view text);
    // The comment and date: the entry's own once set, else the record's.
    std::span<const char> CommentBytes() const;
    std::span<const char> DateBytes() const;
    Texts& OwnTexts();
    // Makes the patch from the record; safe from several threads.
    void Realize() const;

    // Ordered so that a deferred entry takes 104 bytes.
    std::array<std::uint8_t, kKeyCount> m_keys;
    std::unique_ptr<Texts> m_texts;  // null: the record's texts, or none
    mutable std::shared_ptr<CPatch> m_patch;
    // A deferred entry: the record's header at m_headerOffset of m_source, then
    // m_dataSize bytes of patch data; the name read at open.
    mutable std::shared_ptr<const CLibraryRecordSource> m_source;
    std::uint64_t m_headerOffset = 0;
    std::string m_name;
    std::uint32_t m_dataSize = 0;
    mutable std::atomic<bool> m_ready{true};
};

// The ordered entries of a library; it owns them.
class CLibrary {
public:
    CLibrary();
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;
    virtual ~CLibrary();

    // Appends; returns the new entry's index.
    virtual int Add(std::unique_ptr<CLibraryPatch> entry);
    // Appends a new entry made from a clone of patch (keys 1, empty comment, now).
    virtual int Add(const CPatch& patch);
    virtual void Insert(int index, std::unique_ptr<CLibraryPatch> entry);
    // Removes the entries at the given indices (positions before the removal;
    // duplicates and out-of-range values are ignored) and returns them in the
    // order the indices were given.
    virtual std::vector<std::unique_ptr<CLibraryPatch>> Remove(int count, const int* indices);
    std::vector<std::unique_ptr<CLibraryPatch>> Remove(std::span<const int> indices) {
        return Remove(static_cast<int>(indices.size()), indices.data());
    }

    CLibraryPatch& Get(int i) const { return *m_entries[static_cast<std::size_t>(i)]; }
    CPatch* GetPatch(int i) const { return Get(i).GetPatch(); }
    int GetSize() const { return static_cast<int>(m_entries.size()); }
    // Replaces the whole entry.
    void Set(int i, std::unique_ptr<CLibraryPatch> entry);
    // Replaces only the patch (a clone); keys, comment and date stay.
    void Set(int i, const CPatch& patch);
    void RemoveAll() { m_entries.clear(); }

private:
    std::vector<std::unique_ptr<CLibraryPatch>> m_entries;
};
