#include <CLI/CLI.hpp>
#include "CliSupport.h"
namespace cli {
void AddSampleCommands(CLI::App&) {}
}
