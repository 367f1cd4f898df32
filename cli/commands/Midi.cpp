#include <CLI/CLI.hpp>
#include "CliSupport.h"
namespace cli {
void AddMidiCommands(CLI::App&) {}
}
