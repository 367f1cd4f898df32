// tonalith-cli: the headless front end. Every command drives the same framework,
// plug-ins and engines as the program; none holds format logic of its own.
#include <exception>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include <CLI/CLI.hpp>

#include <tonalith/Midi.h>
#include <tonalith/SynthMemoryFactory.h>
#include <tonalith/Ui.h>

#include "CliSupport.h"

namespace {

// --help-all expands the commands inside command groups (lib, form) as well.
class CHelpAllFormatter : public CLI::Formatter {
public:
    std::string make_expanded(const CLI::App* sub) const override {
        std::stringstream out;
        out << sub->get_display_name(true) << '\n'
            << make_description(sub) << make_positionals(sub) << make_groups(sub, CLI::AppFormatMode::Sub)
            << make_subcommands(sub, CLI::AppFormatMode::All);
        std::string text = CLI::detail::find_and_replace(out.str(), "\n\n", "\n");
        text.pop_back();
        return CLI::detail::find_and_replace(text, "\n", "\n  ") + '\n';
    }
};

// Plug-ins are unloaded only after every object they made is gone, and the MIDI
// devices are closed before them.
struct Shutdown {
    ~Shutdown() {
        CMidi::Delete();
        CSynthMemoryFactory::Delete();
    }
};

}  // namespace

int main(int argc, char** argv) {
    CUi::Install(std::make_unique<CConsoleUi>());  // plug-in messages to stderr, questions answered No

    CLI::App app{"Tonalith on the command line: banks, libraries, controller forms, samples and MIDI transfer."};
    app.name("tonalith-cli");
    app.formatter(std::make_shared<CHelpAllFormatter>());
    app.require_subcommand(1);
    app.set_help_all_flag("--help-all", "Every command with its options");
    app.option_defaults()->always_capture_default();  // help shows every default
    app.set_version_flag("--version", "tonalith-cli " TONALITH_VERSION);

    cli::AddBankCommands(app);
    cli::AddHexdumpCommand(app);
    cli::AddLibraryCommands(app);
    cli::AddFormCommands(app);
    cli::AddSampleCommands(app);
    cli::AddMidiCommands(app);
    cli::AddParameterCommands(app);
    cli::AddVerifyCommand(app);
    cli::AddToolCommand(app);
    cli::AddConfigCommand(app);

    Shutdown shutdown;
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? cli::kExitOk : cli::kExitUsage;
    } catch (const cli::UsageError& e) {
        std::cerr << "tonalith-cli: " << e.what() << "\nRun with --help for more information.\n";
        return cli::kExitUsage;
    } catch (const std::exception& e) {
        std::cerr << "tonalith-cli: " << e.what() << '\n';
        return cli::kExitFailure;
    }
    return cli::kExitOk;
}
