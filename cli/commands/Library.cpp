#include <CLI/CLI.hpp>
#include "CliSupport.h"
namespace cli {
void AddLibraryCommands(CLI::App&) {}
}
