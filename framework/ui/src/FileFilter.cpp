#include "tonalith/ui/FileFilter.h"

#include <vector>

namespace tonalith::ui {
namespace {

std::string Trim(std::string_view s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    const auto e = s.find_last_not_of(' ');
    return std::string(s.substr(b, e - b + 1));
}

}  // namespace

std::string ToQtFilter(std::string_view filter) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= filter.size()) {
        const auto bar = filter.find('|', start);
        parts.emplace_back(filter.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    std::string out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string name = Trim(parts[i]);
        if (name.empty()) break;  // the "||" end mark
        if (const auto paren = name.rfind(" ("); paren != std::string::npos && name.back() == ')') name.erase(paren);
        std::string patterns;
        for (std::size_t p = 0; p <= parts[i + 1].size();) {
            const auto semi = parts[i + 1].find(';', p);
            std::string pattern = Trim(
                std::string_view(parts[i + 1]).substr(p, semi == std::string::npos ? std::string::npos : semi - p));
            if (pattern == "*.*") pattern = "*";  // every file, also those without a dot
            if (!pattern.empty()) patterns += (patterns.empty() ? "" : " ") + pattern;
            if (semi == std::string::npos) break;
            p = semi + 1;
        }
        if (!out.empty()) out += ";;";
        out += name + " (" + patterns + ")";
    }
    return out;
}

}  // namespace tonalith::ui
