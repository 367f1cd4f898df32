#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class CBasicConfig;

// The 256 names behind the key bytes of library entries. A key byte is
// group * 16 + entry: entry 0 names the group itself, entries 1..15 are its keys.
// Group 0 means "no key"; a new entry carries byte 1 (group 0, first key).
class CLibraryKeyNames {
public:
    static constexpr int kCount = 256;
    static constexpr int kGroupCount = 16;
    static constexpr int kKeysPerGroup = 15;
    // Groups the properties and search dialogs offer (group 15 can be named only).
    static constexpr int kChoosableGroups = 15;
    static constexpr const char* kDefaultName = "No Entry";
    static constexpr const char* kNoSelection = "No Selection";
    static constexpr const char* kSettingsKey = "LIBRARY_KEY%d";

    CLibraryKeyNames();
    // For tests and tools: names for bytes 0.. (the rest keep the default).
    explicit CLibraryKeyNames(std::span<const std::string> names);

    // From the application settings file (Tonalith.ini in the settings folder).
    static CLibraryKeyNames FromSettings();
    void Load(const CBasicConfig& config);
    void Store(CBasicConfig& config) const;

    const std::string& Get(int byte) const { return m_names[static_cast<std::size_t>(byte & 0xFF)]; }
    void Set(int byte, std::string name) { m_names[static_cast<std::size_t>(byte & 0xFF)] = std::move(name); }

    // The list cell of a key: empty for "No Selection".
    std::string CellText(std::uint8_t byte) const;
    const std::string& GroupName(int group) const { return Get(group * 16); }
    // The 15 key names of a group, in combo order.
    std::vector<std::string> KeysOfGroup(int group) const;

    // Combo selections (group g, key k 0..14) to the stored byte and back.
    static constexpr std::uint8_t KeyByte(int group, int key) {
        return static_cast<std::uint8_t>(group * 16 + key + 1);
    }
    static constexpr int GroupOf(std::uint8_t byte) { return byte >> 4; }
    static constexpr int KeyIndexOf(std::uint8_t byte) { return (byte & 0x0F) - 1; }

private:
    std::array<std::string, kCount> m_names;
};
