#include "Synth.h"

#include <algorithm>

#include "Functions.h"

namespace {
std::string Key(const char* base, int i) { return std::string(base) + std::to_string(i); }
}  // namespace

CSynth::CSynth(const std::string& iniFileName, const std::string& section)
    : m_config(CFunctions::GetConfigPath() + iniFileName, section) {}

CSynth::~CSynth() { Save(); }

int CSynth::GetMidiInputDevice() const { return m_config.GetInt("MIDIIN", -1); }
std::string CSynth::GetMidiInputDeviceName() const { return m_config.GetString("MIDIINNAME"); }
void CSynth::SetMidiInputDevice(int index, const std::string& name) {
    m_config.PutInt("MIDIIN", index);
    m_config.PutString("MIDIINNAME", name);
}

int CSynth::GetMidiOutputDevice() const { return m_config.GetInt("MIDIOUT", -1); }
std::string CSynth::GetMidiOutputDeviceName() const { return m_config.GetString("MIDIOUTNAME"); }
void CSynth::SetMidiOutputDevice(int index, const std::string& name) {
    m_config.PutInt("MIDIOUT", index);
    m_config.PutString("MIDIOUTNAME", name);
}

int CSynth::GetDeviceId() const { return std::clamp(m_config.GetInt("DEVICEID", 0), 0, 126); }
void CSynth::SetDeviceId(int id) {
    m_config.PutInt("DEVICEID", std::clamp(id, 0, 126));
    RefreshDumpCommands();
}

bool CSynth::GetRealtimeUpdate() const { return m_config.GetBoolean("REALTIMEUPDATE", true); }
void CSynth::SetRealtimeUpdate(bool on) { m_config.PutBoolean("REALTIMEUPDATE", on); }

void CSynth::AddDumpCommand(CDumpCommand command) { m_dumpCommands.push_back(std::move(command)); }

void CSynth::RemoveDumpCommand(int i) {
    if (i >= 0 && static_cast<std::size_t>(i) < m_dumpCommands.size()) m_dumpCommands.erase(m_dumpCommands.begin() + i);
}

void CSynth::SetDumpCommandsPersistent(bool persistent) {
    m_persistentCommands = persistent;
    if (persistent) ReadDumpCommands();
}

void CSynth::ReadDumpCommands() {
    m_dumpCommands.clear();
    for (int i = 0;; ++i) {
        CDumpCommand d;
        d.m_name = m_config.GetString(Key("DUMPNAME", i));
        if (d.m_name.empty()) break;
        d.m_request = m_config.GetString(Key("DUMPREQUEST", i));
        d.m_expectedSize = std::max(0, m_config.GetInt(Key("DUMPSIZE", i), 0));
        d.m_inputDevice = m_config.GetInt(Key("DUMPIN", i), -1);
        d.m_outputDevice = m_config.GetInt(Key("DUMPOUT", i), -1);
        d.m_inputName = m_config.GetString(Key("DUMPINNAME", i));
        d.m_outputName = m_config.GetString(Key("DUMPOUTNAME", i));
        d.m_blockSize = std::max(1, m_config.GetInt(Key("DUMPBLOCKSIZE", i), 1024));
        d.m_blockCount = std::max(1, m_config.GetInt(Key("DUMPBLOCKCOUNT", i), 64));
        d.m_outputSetting = m_config.GetInt(Key("DUMPOUTSETTING", i), 0);
        m_dumpCommands.push_back(std::move(d));
    }
}

void CSynth::WriteDumpCommands() {
    int i = 0;
    for (const CDumpCommand& d : m_dumpCommands) {
        m_config.PutString(Key("DUMPNAME", i), d.m_name);
        m_config.PutString(Key("DUMPREQUEST", i), d.m_request);
        m_config.PutInt(Key("DUMPSIZE", i), static_cast<int>(d.m_expectedSize));
        m_config.PutInt(Key("DUMPIN", i), d.m_inputDevice);
        m_config.PutInt(Key("DUMPOUT", i), d.m_outputDevice);
        m_config.PutString(Key("DUMPINNAME", i), d.m_inputName);
        m_config.PutString(Key("DUMPOUTNAME", i), d.m_outputName);
        m_config.PutInt(Key("DUMPBLOCKSIZE", i), d.m_blockSize);
        m_config.PutInt(Key("DUMPBLOCKCOUNT", i), d.m_blockCount);
        m_config.PutInt(Key("DUMPOUTSETTING", i), d.m_outputSetting);
        ++i;
    }
    if (m_config.HasKey(Key("DUMPNAME", i)) && !m_config.GetString(Key("DUMPNAME", i)).empty())
        m_config.PutString(Key("DUMPNAME", i), "");  // end mark
}

void CSynth::Save() {
    if (m_persistentCommands) WriteDumpCommands();
    m_config.Save();
}
