#include "LibraryKeys.h"

#include <algorithm>
#include <cstdio>

#include "BasicConfig.h"
#include "Functions.h"

namespace {

std::string SettingsKey(int i) {
    char key[32];
    std::snprintf(key, sizeof key, CLibraryKeyNames::kSettingsKey, i);
    return key;
}

}  // namespace

CLibraryKeyNames::CLibraryKeyNames() { m_names.fill(kDefaultName); }

CLibraryKeyNames::CLibraryKeyNames(std::span<const std::string> names) : CLibraryKeyNames() {
    const std::size_t n = std::min(names.size(), m_names.size());
    std::copy_n(names.begin(), n, m_names.begin());
}

CLibraryKeyNames CLibraryKeyNames::FromSettings() {
    CLibraryKeyNames names;
    const CBasicConfig config(CFunctions::GetConfigPath() + "Tonalith.ini");
    names.Load(config);
    return names;
}

void CLibraryKeyNames::Load(const CBasicConfig& config) {
    for (int i = 0; i < kCount; ++i)
        m_names[static_cast<std::size_t>(i)] = config.GetString(SettingsKey(i), kDefaultName);
}

void CLibraryKeyNames::Store(CBasicConfig& config) const {
    for (int i = 0; i < kCount; ++i) config.PutString(SettingsKey(i), m_names[static_cast<std::size_t>(i)]);
}

std::string CLibraryKeyNames::CellText(std::uint8_t byte) const {
    const std::string& name = Get(byte);
    return name == kNoSelection ? std::string() : name;
}

std::vector<std::string> CLibraryKeyNames::KeysOfGroup(int group) const {
    std::vector<std::string> keys;
    keys.reserve(kKeysPerGroup);
    for (int k = 0; k < kKeysPerGroup; ++k) keys.push_back(Get(KeyByte(group, k)));
    return keys;
}
