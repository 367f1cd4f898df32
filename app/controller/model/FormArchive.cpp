#include "FormArchive.h"

#include <algorithm>
#include <cstring>

#include <tonalith/RuntimeClass.h>

void CFormArchive::Fail(const std::string& detail) {
    throw CFileException(CFileException::badFormat, GetFileName(), detail);
}

void CFormArchive::WriteWordArray(const std::vector<std::uint16_t>& words) {
    if (words.size() < 0xFFFF) {
        m_ar << static_cast<std::uint16_t>(words.size());
    } else {
        m_ar << std::uint16_t{0xFFFF} << static_cast<std::uint32_t>(words.size());
    }
    for (std::uint16_t w : words) m_ar << w;
}

std::vector<std::uint16_t> CFormArchive::ReadWordArray() {
    std::uint16_t shortCount = 0;
    m_ar >> shortCount;
    std::uint32_t count = shortCount;
    if (shortCount == 0xFFFF) m_ar >> count;
    m_ar.CheckRemaining(std::uint64_t{count} * 2);
    std::vector<std::uint16_t> words(count);
    for (std::uint16_t& w : words) m_ar >> w;
    return words;
}

void CFormArchive::WriteObjectTag(const CRuntimeClass& runtimeClass) {
    const auto known = std::find(m_classes.begin(), m_classes.end(), &runtimeClass);
    if (known == m_classes.end()) {
        const std::size_t nameLength = std::strlen(runtimeClass.m_lpszClassName);
        m_ar << kNewClassTag << static_cast<std::uint16_t>(runtimeClass.m_wSchema)
             << static_cast<std::uint16_t>(nameLength);
        m_ar.Write(runtimeClass.m_lpszClassName, nameLength);
        m_classes.resize(m_nMapCount + 1, nullptr);
        m_classes[m_nMapCount++] = &runtimeClass;
    } else {
        const auto index = static_cast<std::uint32_t>(known - m_classes.begin());
        if (index < kBigObjectTag) {
            m_ar << static_cast<std::uint16_t>(kClassTag | index);
        } else {
            m_ar << kBigObjectTag << (kBigClassTag | index);
        }
    }
    ++m_nMapCount;  // the object itself
}

void CFormArchive::ReadObjectTag(const CRuntimeClass& expected) {
    std::uint16_t tag = 0;
    m_ar >> tag;
    if (tag == kNewClassTag) {
        std::uint16_t schema = 0;
        std::uint16_t nameLength = 0;
        m_ar >> schema >> nameLength;
        m_ar.CheckRemaining(nameLength);
        std::string name(nameLength, '\0');
        m_ar.Read(name.data(), nameLength);
        if (name != expected.m_lpszClassName) Fail("contains an object of unknown class \"" + name + "\"");
        if (schema != expected.m_wSchema)
            Fail("contains " + name + " version " + std::to_string(schema) + ", which this program cannot read");
        m_classes.resize(m_nMapCount + 1, nullptr);
        m_classes[m_nMapCount++] = &expected;
    } else {
        std::uint32_t index = 0;
        if (tag == kBigObjectTag) {
            m_ar >> index;
            if (!(index & kBigClassTag)) Fail("contains a repeated item reference");
            index &= ~kBigClassTag;
        } else if (tag & kClassTag) {
            index = tag & ~kClassTag;
        } else {
            Fail(tag == 0 ? "contains an empty item reference" : "contains a repeated item reference");
        }
        if (index >= m_classes.size() || m_classes[index] != &expected)
            Fail("contains an item reference to an unknown class");
    }
    ++m_nMapCount;
}
