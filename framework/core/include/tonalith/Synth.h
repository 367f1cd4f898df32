#pragma once

#include <memory>
#include <string>
#include <vector>

#include "BasicConfig.h"

// One way to get a dump from an instrument: what to ask for and what comes back.
struct CDumpCommand {
    std::string m_name;
    // Hex text of the request; several messages are sent one at a time, each after
    // the answer to the previous one. Empty: nothing is sent (manual dump).
    std::string m_request;
    long m_expectedSize = 0;  // bytes of the answer; 0: unknown
    int m_inputDevice = -1;
    int m_outputDevice = -1;
    int m_blockSize = 1024;
    int m_blockCount = 64;
    int m_outputSetting = 0;  // handed to the output device unchanged (its delay in ms)
    // The devices' port names when chosen: found by name first, the index only
    // when the name is absent, since port numbers change (hot-plugging, a JACK
    // graph that reorders its ports).
    std::string m_inputName;
    std::string m_outputName;
};

// A plug-in setting shown on its settings page, beyond the devices and device ID
// every synth has. The program builds the page from these descriptions.
struct CSettingField {
    enum class Kind { Integer, Boolean, Choice, Text, File };
    std::string key;  // INI key, e.g. "WHICHSYNTH"
    std::string label;  // e.g. "Which synth to use"
    Kind kind = Kind::Integer;
    int minimum = 0;
    int maximum = 127;
    std::vector<std::string> choices;  // Choice: the texts for values 0, 1, ...
    std::string defaultValue;
};

// A plug-in's synth description and connection: its MIDI devices, device ID,
// real-time update flag, dump commands and settings file. One per plug-in.
class CSynth {
public:
    // iniFileName is a bare name ("Emberkit.ini"); the file lives in the settings folder.
    explicit CSynth(const std::string& iniFileName, const std::string& section = "SETUP");
    virtual ~CSynth();
    CSynth(const CSynth&) = delete;
    CSynth& operator=(const CSynth&) = delete;

    virtual int GetInputBlockSize() const { return 1024; }
    virtual int GetInputBlockCount() const { return 64; }
    // The plug-in's own settings for its settings page.
    virtual std::vector<CSettingField> GetSettingFields() const { return {}; }
    // Milliseconds to wait between SysEx messages sent to the instrument.
    virtual int GetMessagePause() const { return 0; }

    int GetMidiInputDevice() const;
    std::string GetMidiInputDeviceName() const;
    void SetMidiInputDevice(int index, const std::string& name = {});
    int GetMidiOutputDevice() const;
    std::string GetMidiOutputDeviceName() const;
    void SetMidiOutputDevice(int index, const std::string& name = {});
    // The instrument's device ID, 0-based (0 is "17" on a Roland panel).
    int GetDeviceId() const;
    // The highest device ID the instrument's messages can carry.
    virtual int GetMaxDeviceId() const { return 126; }
    void SetDeviceId(int id);
    bool GetRealtimeUpdate() const;
    void SetRealtimeUpdate(bool on);

    int GetDumpCommandsCount() const { return static_cast<int>(m_dumpCommands.size()); }
    CDumpCommand& GetDumpCommand(int i) { return m_dumpCommands.at(static_cast<std::size_t>(i)); }
    const CDumpCommand& GetDumpCommand(int i) const { return m_dumpCommands.at(static_cast<std::size_t>(i)); }
    void AddDumpCommand(CDumpCommand command);
    void RemoveDumpCommand(int i);
    // Rebuilds built-in dump commands whose requests depend on settings (device ID,
    // generation, channel). Called when the device ID changes; whoever changes other
    // settings calls it too. References to dump commands are invalid afterwards.
    virtual void RefreshDumpCommands() {}

    // The plug-in's settings file; plug-ins read their keys through it when they
    // need them, so a change (or a one-run override) takes effect at once.
    CBasicConfig& GetConfig() { return m_config; }
    const CBasicConfig& GetConfig() const { return m_config; }
    // Writes the settings file if anything changed.
    void Save();

protected:
    // Dump commands the user defines are stored in the settings file (the generic
    // memory's synth); a plug-in's built-in commands are not.
    void SetDumpCommandsPersistent(bool persistent);

private:
    void ReadDumpCommands();
    void WriteDumpCommands();

    CBasicConfig m_config;
    std::vector<CDumpCommand> m_dumpCommands;
    bool m_persistentCommands = false;
};
