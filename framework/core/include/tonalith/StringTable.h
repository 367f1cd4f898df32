#pragma once

#include <string>

// The program's user texts by number. Unknown numbers give an empty string.
class CStringTable {
public:
    static std::string Get(unsigned id);
    // Texts a plug-in or program part contributes; the first registration of a number wins.
    static void Add(unsigned id, std::string text);
};
