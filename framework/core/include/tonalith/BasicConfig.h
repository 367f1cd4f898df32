#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

// Window position as stored in the settings: show state and the normal rectangle.
struct CWindowPlacement {
    int showCmd = 1;  // 1 normal, 2 minimised, 3 maximised
    int left = 0, top = 0, right = 0, bottom = 0;
    bool valid = false;
};

// Settings in a Windows-style INI file ("[SETUP]", "KEY=value"). Reads the file
// once, keeps sections, keys and comments it does not know, and writes the whole
// file atomically, only when something changed. Keys are case-insensitive.
class CBasicConfig {
public:
    CBasicConfig(std::string path, std::string section = "SETUP");
    ~CBasicConfig();  // does not write: owners call Save() when they are done
    CBasicConfig(const CBasicConfig&) = delete;
    CBasicConfig& operator=(const CBasicConfig&) = delete;

    std::string GetString(std::string_view key, std::string_view def = {}) const;
    int GetInt(std::string_view key, int def = 0) const;
    bool GetBoolean(std::string_view key, bool def = false) const;
    bool HasKey(std::string_view key) const;
    void PutString(std::string_view key, std::string_view value);
    void PutInt(std::string_view key, int value);
    void PutBoolean(std::string_view key, bool value);

    CWindowPlacement ReadWindowPlacement(int index, std::string_view name) const;
    void WriteWindowPlacement(const CWindowPlacement& placement, int index, std::string_view name);

    // Writes the file when changed; false (and the file untouched) when writing failed.
    bool Save();
    bool IsModified() const { return m_modified; }
    // Values set from now on are used for this run but never written.
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    const std::string& GetPath() const { return m_path; }
    const std::string& GetSection() const { return m_section; }

    // Parses INI text; exposed for tests and the fuzz target.
    void ParseText(std::string_view text);
    std::string ToText() const;

private:
    struct Line {
        std::string section;  // the section this line belongs to
        std::string key;  // empty for comments, blank lines and section headers
        std::string raw;  // the line as read or as it will be written
    };
    Line* Find(std::string_view key);
    const Line* Find(std::string_view key) const;

    std::string m_path;
    std::string m_section;
    std::vector<Line> m_lines;
    // Values set while read-only, by upper-case key: used for this run, never written.
    std::map<std::string, std::string> m_overlay;
    bool m_modified = false;
    bool m_readOnly = false;
};
