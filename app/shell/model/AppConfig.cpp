#include "AppConfig.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "Functions.h"
#include "StringTable.h"

namespace {
std::unique_ptr<CAppConfig>& Instance() {
    static std::unique_ptr<CAppConfig> instance;
    return instance;
}

std::string Key(const char* format, int a) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, a);
    return buf;
}

std::string Key(const char* format, int a, int b) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, a, b);
    return buf;
}

constexpr int kDefaultLevels[CAppConfig::kStages] = {127, 50, 127, 20};
}  // namespace

CAppConfig& CAppConfig::Get() {
    if (!Instance()) Instance() = std::make_unique<CAppConfig>(CFunctions::GetConfigPath() + "Tonalith.ini");
    return *Instance();
}

void CAppConfig::Delete() { Instance().reset(); }
bool CAppConfig::Exists() { return Instance() != nullptr; }

CAppConfig::CAppConfig(const std::string& path) : CBasicConfig(path, "SETUP") { Read(); }

CAppConfig::~CAppConfig() {
    Write();
    Save();
}

void CAppConfig::Read() {
    for (int p = 0; p < kPresets; ++p) {
        m_envPresetNames[p] = GetString(Key("ENV_PRESETS_NAME%d", p), Key("Preset %d", p + 1));
        for (int s = 1; s <= kStages; ++s) {
            m_envTimes[p][s - 1] = GetInt(Key("ENV_PRESETS_TIME%d_%d", s, p), 127);
            m_envLevels[p][s - 1] = GetInt(Key("ENV_PRESETS_LEVEL%d_%d", s, p), kDefaultLevels[s - 1]);
        }
    }
    m_fontType = GetString("FONTTYPE", CStringTable::Get(62003));
    m_viewFontSize = GetInt("VIEWFONTSIZE", 13);
    m_patchesInCol = std::clamp(GetInt("PATCHESINCOL", 25), 1, 128);
    m_actPath = GetString("ACTPATH");
    m_pianoKeyboardActive = GetBoolean("PIANOKEYBOARDACTIVE", true);
    m_activateMidiThru = GetBoolean("ACTIVATEMIDITHRU", true);
    m_remote = GetInt("REMOTE", 6);
    m_remoteIn.clear();
    for (int i = 0;; ++i) {
        const int device = GetInt(Key("REMOTEIN%d", i), -1);
        if (device == -1) break;
        m_remoteIn.push_back(device);
    }
    m_disabledMem.clear();
    m_disabledMemPath.clear();
    for (int i = 0;; ++i) {
        std::string name = GetString(Key("DISABLEDMEM%d", i));
        if (name.empty()) break;
        m_disabledMem.push_back(std::move(name));
        m_disabledMemPath.push_back(GetString(Key("DISABLEDMEMPATH%d", i)));
    }
    m_routeMidiController = GetBoolean("ROUTEMIDICONTROLLER", false);
}

void CAppConfig::Write() {
    for (int p = 0; p < kPresets; ++p) {
        PutString(Key("ENV_PRESETS_NAME%d", p), m_envPresetNames[p]);
        for (int s = 1; s <= kStages; ++s) {
            PutInt(Key("ENV_PRESETS_TIME%d_%d", s, p), m_envTimes[p][s - 1]);
            PutInt(Key("ENV_PRESETS_LEVEL%d_%d", s, p), m_envLevels[p][s - 1]);
        }
    }
    PutString("FONTTYPE", m_fontType);
    PutInt("VIEWFONTSIZE", m_viewFontSize);
    PutInt("PATCHESINCOL", m_patchesInCol);
    PutString("ACTPATH", m_actPath);
    PutBoolean("PIANOKEYBOARDACTIVE", m_pianoKeyboardActive);
    PutBoolean("ACTIVATEMIDITHRU", m_activateMidiThru);
    PutInt("REMOTE", m_remote);
    int i = 0;
    for (; i < static_cast<int>(m_remoteIn.size()); ++i)
        PutInt(Key("REMOTEIN%d", i), m_remoteIn[static_cast<std::size_t>(i)]);
    PutInt(Key("REMOTEIN%d", i), -1);
    i = 0;
    for (; i < static_cast<int>(m_disabledMem.size()); ++i) {
        PutString(Key("DISABLEDMEM%d", i), m_disabledMem[static_cast<std::size_t>(i)]);
        PutString(Key("DISABLEDMEMPATH%d", i),
                  i < static_cast<int>(m_disabledMemPath.size()) ? m_disabledMemPath[static_cast<std::size_t>(i)] : "");
    }
    PutString(Key("DISABLEDMEM%d", i), "");
    PutString(Key("DISABLEDMEMPATH%d", i), "");
    PutBoolean("ROUTEMIDICONTROLLER", m_routeMidiController);
}

DocumentKind DocumentKindOf(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".clb") return DocumentKind::Library;
    if (ext == ".cof") return DocumentKind::Controller;
    return DocumentKind::Bank;
}

std::vector<std::string> ReadLayoutPaths(const CBasicConfig& config) {
    std::vector<std::string> paths;
    for (int i = 1;; ++i) {
        std::string path = config.GetString(Key("WIN_POS_CHILDWINPATH%d", i));
        if (path.empty()) break;
        paths.push_back(std::move(path));
    }
    return paths;
}
