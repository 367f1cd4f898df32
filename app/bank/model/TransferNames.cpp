#include "TransferNames.h"

#include <cstdio>

namespace transfer {

namespace {
constexpr int kMaxFolderTries = 10000;
}

std::string DateText(const SDate& date)
{
    return std::to_string(date.day) + "." + std::to_string(date.month) + "." + std::to_string(date.year);
}

std::string DatedFolder(std::string_view folder, const SDate& date,
                        const std::function<bool(const std::string&)>& exists)
{
    std::string base(folder);
    if (!base.empty() && base.back() != '/')
        base += '/';
    base += DateText(date);
    if (!exists(base))
        return base;
    for (int n = 1; n < kMaxFolderTries; ++n) {
        std::string candidate = base + "-" + std::to_string(n);
        if (!exists(candidate))
            return candidate;
    }
    return {};
}

std::string DumpFileName(int index, std::string_view dumpName)
{
    std::string name(dumpName);
    for (char& c : name) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20)
            c = '_';
    }
    if (name.empty() || name == "." || name == "..")
        name = "Dump";
    return std::to_string(index + 1) + " - " + name + ".syx";
}

std::vector<std::string> ReadRememberedSelection(
    const std::function<std::string(const std::string& key)>& get)
{
    std::vector<std::string> names;
    for (int i = 0;; ++i) {
        std::string value = get("RECEIVE_ALL" + std::to_string(i));
        if (value.empty())
            break;
        names.push_back(std::move(value));
    }
    return names;
}

void WriteRememberedSelection(const std::vector<std::string>& names,
                              const std::function<void(const std::string& key, const std::string& value)>& set)
{
    int i = 0;
    for (const std::string& name : names) {
        if (name.empty())
            continue;  // an empty name would end the list early on the next read
        set("RECEIVE_ALL" + std::to_string(i++), name);
    }
    set("RECEIVE_ALL" + std::to_string(i), "");
}

std::string IncompleteText(long long received, long long expected)
{
    if (expected <= 0 || received >= expected)
        return {};
    return "incomplete: " + std::to_string(received) + " of " + std::to_string(expected) + " bytes";
}

}  // namespace transfer

#include <algorithm>

#include "Synth.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"

namespace transfer {

SReceiveLists BuildReceiveLists(const CSynthMemoryFactory& factory, bool receiveAll,
                                const std::vector<std::string>& remembered)
{
    SReceiveLists lists;
    for (int i = 0; i < factory.GetCount(); ++i) {
        CSynthMemory& memory = factory.GetMemory(i);
        const bool generic = memory.IsGeneric();
        if (!receiveAll && !generic)
            lists.manual.push_back({&memory, -1, memory.GetName()});
        const CSynth* synth = memory.GetSynth();
        if (synth == nullptr)
            continue;
        for (int c = 0; c < synth->GetDumpCommandsCount(); ++c) {
            const CDumpCommand& command = synth->GetDumpCommand(c);
            SReceiveEntry entry{&memory, c, command.m_name};
            if (!generic || !command.m_request.empty()) {
                const bool chosen = receiveAll &&
                    std::find(remembered.begin(), remembered.end(), command.m_name) != remembered.end();
                (chosen ? lists.manual : lists.automatic).push_back(std::move(entry));
            } else if (!receiveAll) {
                lists.manual.push_back(std::move(entry));
            }
        }
    }
    return lists;
}

}  // namespace transfer
