#include "EmberkitSynth.h"

#include <cstdio>

#include "EmberkitFormat.h"
#include "File.h"
#include "FileX.h"
#include "Functions.h"
#include "Ui.h"

namespace {

// Lines split at LF with a CR before it dropped, so the file may come from any editor.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// The address of a function of this plug-in, to find the folder it was loaded from.
void Anchor() {}

}  // namespace

CEmberkitSoundNames CEmberkitSoundNames::Parse(std::string_view text) {
    CEmberkitSoundNames names;
    std::vector<std::string>* list = &names.multisounds;
    for (const std::string_view line : Lines(text)) {
        if (line.empty()) {
            if (list == &names.drumSounds) break;
            list = &names.drumSounds;
            continue;
        }
        list->emplace_back(line);
    }
    return names;
}

std::string CEmberkitSoundNames::Lookup(const std::vector<std::string>& list, int index) {
    if (index >= 0 && static_cast<std::size_t>(index) < list.size()) return list[static_cast<std::size_t>(index)];
    char number[16];
    std::snprintf(number, sizeof number, "%03d", index);
    return number;
}

CEmberkitSynth::CEmberkitSynth(const std::string& dataFolder) : CSynth(kIniFileName) {
    RefreshDumpCommands();
    LoadSoundNames(CFileX::EnsureSlash(dataFolder) + kNameFileName);
}

void CEmberkitSynth::RefreshDumpCommands() {
    while (GetDumpCommandsCount() > 0) RemoveDumpCommand(0);
    const int channel = GetChannel();
    for (const emberkit::DumpRequest& r : emberkit::DumpRequests()) {
        CDumpCommand command;
        command.m_name = r.name;
        command.m_request = emberkit::RequestText(r, channel);
        command.m_expectedSize = r.expectedSize;
        command.m_blockSize = GetInputBlockSize();
        command.m_blockCount = GetInputBlockCount();
        AddDumpCommand(std::move(command));
    }
}

CEmberkitSynth& CEmberkitSynth::Get() {
    static CEmberkitSynth synth(CFunctions::GetModulePath(reinterpret_cast<const void*>(&Anchor)));
    return synth;
}

std::vector<CSettingField> CEmberkitSynth::GetSettingFields() const {
    CSettingField channel;
    channel.key = kChannelKey;
    channel.label = "Global MIDI channel of the 01/W";
    channel.kind = CSettingField::Kind::Integer;
    channel.minimum = 1;
    channel.maximum = 16;
    channel.defaultValue = "1";
    return {channel};
}

int CEmberkitSynth::ChannelOf(const CSynth& synth) {
    const int channel = synth.GetConfig().GetInt(kChannelKey, 1);
    return channel >= 1 && channel <= 16 ? channel : 1;
}

void CEmberkitSynth::LoadSoundNames(const std::string& path) {
    try {
        const std::vector<std::uint8_t> bytes = CFileX::Read(path);
        m_names =
            CEmberkitSoundNames::Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const CFileException&) {
        m_names = {};
        CUi::Get().MessageBox(std::string("Error opening file \"") + kNameFileName + "\"", CUi::Icon::Warning);
    }
}
