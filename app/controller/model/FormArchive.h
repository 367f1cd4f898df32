#pragma once

// The parts of the form file that the plain archive does not have: word arrays
// and object references that name their class (name and schema) the first time
// a class occurs and refer to it by index afterwards.

#include <cstdint>
#include <string>
#include <vector>

#include <tonalith/Archive.h>

struct CRuntimeClass;

class CFormArchive {
public:
    explicit CFormArchive(CArchive& ar) : m_ar(ar) {}

    CArchive& Archive() { return m_ar; }
    bool IsLoading() const { return m_ar.IsLoading(); }
    std::string GetFileName() { return m_ar.GetFile().GetFilePath(); }

    // Count: WORD below 0xFFFF, else WORD 0xFFFF and a DWORD; then the WORDs.
    void WriteWordArray(const std::vector<std::uint16_t>& words);
    std::vector<std::uint16_t> ReadWordArray();

    // The tag that introduces an object of the class: the new-class tag with
    // schema and name the first time, the class's index afterwards. The caller
    // writes the object's data next.
    void WriteObjectTag(const CRuntimeClass& runtimeClass);
    // Reads the tag and checks that it names the expected class and schema;
    // throws a badFormat CFileException naming the file otherwise.
    void ReadObjectTag(const CRuntimeClass& expected);

    [[noreturn]] void Fail(const std::string& detail);

private:
    static constexpr std::uint16_t kNewClassTag = 0xFFFF;
    static constexpr std::uint16_t kClassTag = 0x8000;
    static constexpr std::uint16_t kBigObjectTag = 0x7FFF;
    static constexpr std::uint32_t kBigClassTag = 0x80000000;

    CArchive& m_ar;
    // The stream's object table: index 0 is the null reference; every class and
    // every object takes the next index in the order they appear.
    std::vector<const CRuntimeClass*> m_classes{nullptr};
    std::uint32_t m_nMapCount = 1;
};
