#pragma once

// What Receive, Receive All and Send decide without windows: the lists of the
// receive dialog, the remembered Receive All selection, the dated dump folder
// and the file names inside it.
#include <functional>
#include <set>
#include <string>
#include <vector>

class CBasicConfig;
class CSynthMemoryFactory;

// One line of a receive list: a factory memory and one of its synth's dump
// commands (command -1: the memory itself, a manual receive).
struct CTransferEntry {
    int memory = -1;
    int command = -1;
    std::string text;
};

struct CReceiveLists {
    std::vector<CTransferEntry> automatic;
    std::vector<CTransferEntry> manual;  // "Selected:" in Receive All
};

// The names remembered under "RECEIVE_ALL0", "RECEIVE_ALL1", ... up to the first empty one.
std::set<std::string> ReadReceiveAllSelection(const CBasicConfig& config);
// Writes names in order and ends the list with an empty value.
void WriteReceiveAllSelection(CBasicConfig& config, const std::vector<std::string>& names);

// receiveAll false: every non-generic memory is a manual entry, every dump command
// automatic, except the generic memory's commands without a request (manual).
// receiveAll true: commands only; remembered names go to the selected list;
// the generic memory's commands without a request are left out.
CReceiveLists BuildReceiveLists(const CSynthMemoryFactory& factory, bool receiveAll,
                                const std::set<std::string>& remembered = {});

// "D.M.YYYY" (no leading zeros).
std::string DateText(int day, int month, int year);
// folder (with trailing slash) + date, then "-1", "-2", ... until exists says no.
std::string NextDumpFolder(const std::string& folder, const std::string& date,
                           const std::function<bool(const std::string&)>& exists);
// "<folder>/<index + 1> - <name>.syx"; characters a file name cannot hold become '_'.
std::string DumpFileName(const std::string& folder, int index, const std::string& name);
// Today's date as DateText.
std::string TodayText();
