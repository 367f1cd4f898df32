#include <CLI/CLI.hpp>
#include "CliSupport.h"
namespace cli {
void AddFormCommands(CLI::App&) {}
}
