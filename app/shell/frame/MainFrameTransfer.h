#pragma once

// The main frame's state of the one transfer that may run at a time.
#include <string>
#include <vector>

#include "Synth.h"

class CMidiDevice;

struct CTransferState {
    enum class Kind { None, Receive, ReceiveAll, Send };
    Kind kind = Kind::None;
    bool manual = false;
    long expected = 0;
    bool stopped = false;
    CMidiDevice* device = nullptr;
    std::string file;  // the receive's target, or the temporary send file
    std::string tempFolder;  // private folder of the send file
    std::string receiveAllFolder;
    std::vector<CDumpCommand> work;
    int index = -1;
    std::vector<std::string> receiveAllReport;  // one line per finished dump
    int pauseMs = 3000;
};
