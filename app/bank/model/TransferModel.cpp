#include "TransferModel.h"

#include <ctime>

#include "BasicConfig.h"
#include "Synth.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"

namespace {
std::string Key(int i) { return "RECEIVE_ALL" + std::to_string(i); }
}  // namespace

std::set<std::string> ReadReceiveAllSelection(const CBasicConfig& config) {
    std::set<std::string> names;
    for (int i = 0;; ++i) {
        std::string name = config.GetString(Key(i));
        if (name.empty()) break;
        names.insert(std::move(name));
    }
    return names;
}

void WriteReceiveAllSelection(CBasicConfig& config, const std::vector<std::string>& names) {
    int i = 0;
    for (const std::string& name : names)
        if (!name.empty()) config.PutString(Key(i++), name);
    config.PutString(Key(i), "");
}

CReceiveLists BuildReceiveLists(const CSynthMemoryFactory& factory, bool receiveAll,
                                const std::set<std::string>& remembered) {
    CReceiveLists lists;
    for (int m = 0; m < factory.GetCount(); ++m) {
        const CSynthMemory& memory = factory.GetMemory(m);
        const bool generic = memory.IsGeneric();
        if (!receiveAll && !generic) lists.manual.push_back({m, -1, memory.GetName()});
        const CSynth* synth = memory.GetSynth();
        for (int d = 0; synth && d < synth->GetDumpCommandsCount(); ++d) {
            const CDumpCommand& command = synth->GetDumpCommand(d);
            CTransferEntry entry{m, d, command.m_name};
            if (!generic || !command.m_request.empty()) {
                if (receiveAll && remembered.contains(command.m_name)) lists.manual.push_back(entry);
                else lists.automatic.push_back(entry);
            } else if (!receiveAll) {
                lists.manual.push_back(entry);
            }
        }
    }
    return lists;
}

std::string DateText(int day, int month, int year) {
    return std::to_string(day) + "." + std::to_string(month) + "." + std::to_string(year);
}

std::string TodayText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return DateText(local.tm_mday, local.tm_mon + 1, local.tm_year + 1900);
}

std::string NextDumpFolder(const std::string& folder, const std::string& date,
                           const std::function<bool(const std::string&)>& exists) {
    std::string base = folder;
    if (!base.empty() && base.back() != '/') base += '/';
    base += date;
    if (!exists(base)) return base;
    for (int n = 1;; ++n) {
        std::string candidate = base + "-" + std::to_string(n);
        if (!exists(candidate)) return candidate;
    }
}

std::string DumpFileName(const std::string& folder, int index, const std::string& name) {
    std::string safe = name;
    for (char& c : safe)
        if (c == '/' || c == '\\' || c == '\0') c = '_';  // a name never makes a subfolder
    std::string path = folder;
    if (!path.empty() && path.back() != '/') path += '/';
    return path + std::to_string(index + 1) + " - " + safe + ".syx";
}
