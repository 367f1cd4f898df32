#pragma once

// The plug-in's synth description: its settings file, dump commands, receive
// buffers and the multisound and drum sound names of Emberkit.pcm.

#include <string>
#include <string_view>
#include <vector>

#include "Synth.h"

// The two name lists of the name file. The file is text: the multisound lines,
// an empty line, the drum sound lines, an empty line; whatever follows is notes.
struct CEmberkitSoundNames {
    std::vector<std::string> multisounds;
    std::vector<std::string> drumSounds;

    static CEmberkitSoundNames Parse(std::string_view text);
    // The entry's line, or its bare three-digit number when the list has none.
    static std::string Lookup(const std::vector<std::string>& list, int index);
};

class CEmberkitSynth : public CSynth {
public:
    static constexpr const char* kIniFileName = "Emberkit.ini";
    static constexpr const char* kNameFileName = "Emberkit.pcm";
    static constexpr const char* kChannelKey = "CHANNEL";

    // Reads the name file from the given folder (with a trailing slash).
    explicit CEmberkitSynth(const std::string& dataFolder);

    // The plug-in's one synth, created on first use with the name file beside the plug-in.
    static CEmberkitSynth& Get();

    int GetInputBlockSize() const override { return 80000; }
    int GetInputBlockCount() const override { return 2; }
    std::vector<CSettingField> GetSettingFields() const override;
    // Working 01/W software leaves 50 ms between messages, so a write request
    // never overtakes the dump it stores.
    int GetMessagePause() const override { return 50; }

    // The instrument's global MIDI channel (1-16) from the settings; read each time
    // so a change takes effect at once.
    int GetChannel() const { return ChannelOf(*this); }
    static int ChannelOf(const CSynth& synth);

    // Reads the name file; a missing file is reported and leaves the lists empty.
    void LoadSoundNames(const std::string& path);
    // The request texts carry the channel setting.
    void RefreshDumpCommands() override;
    const CEmberkitSoundNames& GetSoundNames() const { return m_names; }
    std::string GetMultisoundName(int index) const { return CEmberkitSoundNames::Lookup(m_names.multisounds, index); }
    std::string GetDrumSoundName(int index) const { return CEmberkitSoundNames::Lookup(m_names.drumSounds, index); }

private:
    CEmberkitSoundNames m_names;
};
