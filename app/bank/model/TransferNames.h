#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Names and remembered choices of Receive and Receive All, kept free of windows and
// of the MIDI devices so the rules can be checked on their own.
namespace transfer {

struct SDate {
    int day = 1;
    int month = 1;  // 1-12
    int year = 2000;
};

// "d.m.yyyy" of the date, as the receive file and the Receive All folder carry it.
std::string DateText(const SDate& date);

// The first of folder/"d.m.yyyy", folder/"d.m.yyyy-1", "-2", ... that does not exist.
// Returns an empty string when every candidate up to a generous limit exists, so a
// file system that claims everything exists cannot loop us forever.
std::string DatedFolder(std::string_view folder, const SDate& date,
                        const std::function<bool(const std::string&)>& exists);

// "%d - %s.syx" for entry index (0-based) of a Receive All. Characters a file name
// cannot hold (path separators, control characters) become '_' so a dump name never
// writes outside the dated folder.
std::string DumpFileName(int index, std::string_view dumpName);

// The remembered Receive All selection: values of "RECEIVE_ALL0", "RECEIVE_ALL1", ...
// up to the first empty one.
std::vector<std::string> ReadRememberedSelection(
    const std::function<std::string(const std::string& key)>& get);

// Writes names under "RECEIVE_ALL%d" and an empty value under the next number, so an
// older, longer selection does not come back.
void WriteRememberedSelection(const std::vector<std::string>& names,
                              const std::function<void(const std::string& key, const std::string& value)>& set);

// "incomplete: N of M bytes", or empty when the receive reached its size or had none.
std::string IncompleteText(long long received, long long expected);

}  // namespace transfer

class CSynthMemory;
class CSynthMemoryFactory;

namespace transfer {

// One line of the Receive dialog's lists: a memory alone (a manual receive into a
// file that is then opened) or one of its synth's dump commands.
struct SReceiveEntry {
    CSynthMemory* memory = nullptr;
    int command = -1;  // index into the memory's synth's dump commands; -1: the memory itself
    std::string name;
};

struct SReceiveLists {
    std::vector<SReceiveEntry> automatic;
    std::vector<SReceiveEntry> manual;  // "Selected:" when receiving all
};

// Fills the lists in factory order. receiveAll leaves out the memories themselves and
// the generic memory's request-less commands, and puts the remembered names (which may
// name commands that no longer exist) into the second list.
SReceiveLists BuildReceiveLists(const CSynthMemoryFactory& factory, bool receiveAll,
                                const std::vector<std::string>& remembered);

}  // namespace transfer
