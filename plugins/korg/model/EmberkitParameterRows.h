#pragma once

// The writer the table files share: it fills in page, group, instance and the
// page number of the address for a run of entries. Not part of the interface.

#include <string>
#include <string_view>
#include <vector>

#include "EmberkitParameters.h"

namespace emberkit::rows {

using Texts = std::vector<std::string>;

class CRowWriter {
public:
    CRowWriter(std::vector<ParameterEntry>& out, std::string page, int pageNumber)
        : m_out(out), m_page(std::move(page)), m_pageNumber(pageNumber) {}

    // Entries from now on belong to group (a box on the page) and instance
    // (oscillator, timbre, entry; -1 common), with ids "prefix" + id.
    void SetGroup(std::string group, int instance = -1, std::string prefix = {}) {
        m_group = std::move(group);
        m_instance = instance;
        m_prefix = std::move(prefix);
    }
    void SetPage(std::string page, int pageNumber) {
        m_page = std::move(page);
        m_pageNumber = pageNumber;
    }
    void SetLive(bool live) { m_live = live; }

    // A whole byte at offset holding minimum..maximum (signed when minimum < 0),
    // sent to position/parameter of the page.
    CParameter& Number(int offset, int position, int parameter, std::string_view id, std::string_view caption,
                       int minimum, int maximum) {
        ParameterEntry& e = m_out.emplace_back();
        e.parameter.id = m_prefix + std::string(id);
        e.parameter.baseId = std::string(id);
        e.parameter.caption = std::string(caption);
        e.parameter.page = m_page;
        e.parameter.group = m_group;
        e.parameter.instance = m_instance;
        e.parameter.offset = offset;
        e.parameter.wholeByte = true;
        e.parameter.minimum = minimum;
        e.parameter.maximum = maximum;
        e.address = {static_cast<std::uint8_t>(m_pageNumber), static_cast<std::uint8_t>(position),
                     static_cast<std::uint8_t>(parameter)};
        e.live = m_live;
        return e.parameter;
    }
    // A list: value minimum + i shows texts[i].
    CParameter& List(int offset, int position, int parameter, std::string_view id, std::string_view caption,
                     Texts texts, int minimum = 0) {
        const int maximum = minimum + static_cast<int>(texts.size()) - 1;
        CParameter& p = Number(offset, position, parameter, id, caption, minimum, maximum);
        p.texts = std::move(texts);
        return p;
    }
    // A field of bits (mask) of the byte at offset.
    CParameter& Bits(int offset, int mask, int position, int parameter, std::string_view id, std::string_view caption,
                     Texts texts) {
        CParameter& p = List(offset, position, parameter, id, caption, std::move(texts));
        p.mask = mask;
        p.wholeByte = false;
        return p;
    }

private:
    std::vector<ParameterEntry>& m_out;
    std::string m_page;
    int m_pageNumber;
    std::string m_group;
    int m_instance = -1;
    std::string m_prefix;
    bool m_live = true;
};

inline Texts OffOn() { return {"OFF", "ON"}; }

}  // namespace emberkit::rows
