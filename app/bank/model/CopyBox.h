#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Guid.h"

class CPatch;

// The program's private clipboard for patches: clones of any patch type, kept
// across documents until the main frame closes.
class CCopyBox {
public:
    struct PatchType {
        std::string name;
        GUID type;
    };
    struct Row {
        int index;  // into the patch array
        std::string name;
        std::string typeName;
    };

    static CCopyBox& Get();
    static void Delete();

    CCopyBox() = default;
    ~CCopyBox();
    CCopyBox(const CCopyBox&) = delete;
    CCopyBox& operator=(const CCopyBox&) = delete;

    void AddPatch(const CPatch& patch);
    // Marks the start of a copy: the patches added from now on are the latest copy.
    void StartCopy() { m_lastCopyStart = GetCount(); }
    bool IsFromLatestCopy(int index) const { return index >= m_lastCopyStart && index < GetCount(); }
    int GetCount() const { return static_cast<int>(m_patches.size()); }
    CPatch& GetPatch(int i) const { return *m_patches.at(static_cast<std::size_t>(i)); }
    // Removes the patches at the given indexes; later patches move down.
    void Remove(std::vector<int> indexes);
    void RemoveAll() {
        m_patches.clear();
        m_lastCopyStart = 0;
    }

    void SetTypeList(std::vector<PatchType> types) { m_types = std::move(types); }
    const std::vector<PatchType>& GetTypeList() const { return m_types; }
    std::string TypeNameOf(const GUID& type) const;

    // A filter set by the caller fixes the type; the user cannot change it.
    void SetFilter(std::optional<GUID> filter) { m_filter = std::move(filter); }
    const std::optional<GUID>& GetFilter() const { return m_filter; }
    // The rows the list shows: patches of the filter type, sorted by column
    // (0 name, 1 type name), case-insensitive.
    std::vector<Row> GetRows(int sortColumn) const;

private:
    std::vector<std::unique_ptr<CPatch>> m_patches;
    std::vector<PatchType> m_types;
    std::optional<GUID> m_filter;
    int m_lastCopyStart = 0;
};
