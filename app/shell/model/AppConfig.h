#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "BasicConfig.h"

// Every setting of the program, read once from Tonalith.ini at creation and
// written back once when it is deleted at shutdown.
class CAppConfig : public CBasicConfig {
public:
    static constexpr int kPresets = 10;
    static constexpr int kStages = 4;

    // The singleton on the settings folder's Tonalith.ini.
    static CAppConfig& Get();
    // Writes and frees the singleton.
    static void Delete();
    static bool Exists();

    explicit CAppConfig(const std::string& path);
    ~CAppConfig();  // writes

    void Read();
    void Write();

    std::array<std::string, kPresets> m_envPresetNames;
    std::array<std::array<int, kStages>, kPresets> m_envTimes{};
    std::array<std::array<int, kStages>, kPresets> m_envLevels{};
    std::string m_fontType;
    int m_viewFontSize = 13;
    int m_patchesInCol = 25;
    std::string m_actPath;
    bool m_pianoKeyboardActive = true;
    bool m_activateMidiThru = true;
    int m_remote = 6;
    std::vector<int> m_remoteIn;
    std::vector<std::string> m_disabledMem;
    std::vector<std::string> m_disabledMemPath;
    bool m_routeMidiController = false;
};

// What a path opens as, by its extension (case-insensitive): .clb a library,
// .cof a controller form, everything else a bank.
enum class DocumentKind { Bank, Library, Controller };
DocumentKind DocumentKindOf(const std::string& path);

// The documents of the last run, index 1 upwards, up to the first empty path.
std::vector<std::string> ReadLayoutPaths(const CBasicConfig& config);
