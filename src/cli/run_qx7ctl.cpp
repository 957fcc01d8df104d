#include "cli/run_qx7ctl.h"

#include <exception>
#include <iostream>
#include <map>
#include <string>

#include "cli/commands.h"
#include "cli/messages.h"

namespace qx7::cli {

int RunQx7ctl(const std::vector<std::string>& arguments) {
    CLI::App app{"Command-line configurator for QX7 encrypted USB drives"};
    app.set_version_flag("--version", "qx7ctl " QX7_VERSION_TEXT);
    GlobalOptions options;
    // The window's rule: Korean under a Korean locale, else English.
    options.language = LanguageFromEnvironment();
    // An empty name would otherwise mean "no --sim": the attached drives
    // would be used when the user asked for simulated ones.
    app.add_option("--sim", options.sim_state, "Use simulated drives kept in this state file (created when missing)")
        ->check([](const std::string& path) {
            return path.empty() ? std::string("the simulator's state file must be named") : std::string();
        });
    app.add_flag("--sim-waits", options.sim_waits,
                 "With --sim: keep the pauses a real drive needs (1 s after opening it, 5 s after an upload)");
    app.add_flag("--trace", options.trace,
                 "Print every SCSI command to standard error, the channel key and the passwords left out");
    app.add_flag("--trace-full", options.trace_full,
                 "Print every SCSI command to standard error with all its data, secrets included");
    const std::map<std::string, qx7::strings::Language> languages{{"en", qx7::strings::Language::English},
                                                                  {"ko", qx7::strings::Language::Korean}};
    app.add_option("--lang", options.language, "Language of the messages: en or ko (default: from the locale)")
        ->transform(CLI::CheckedTransformer(languages, CLI::ignore_case));
    app.require_subcommand(1);

    int exit_code = 0;
    AddListCommand(app, options, exit_code);
    AddShowCommand(app, options, exit_code);
    AddApplyCommand(app, options, exit_code);
    AddConfigCommand(app, options, exit_code);
    AddCheckUpdateCommand(app, options, exit_code);

    // The parser takes the words as a C program's main gets them.
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& e) {
        // A word that names no command is left over; the parser would only
        // say that a command is required.
        if (app.get_subcommands().empty() && !app.remaining().empty()) {
            std::string commands;
            for (const CLI::App* command : app.get_subcommands({})) {
                commands += (commands.empty() ? "" : ", ") + command->get_name();
            }
            std::cerr << "qx7ctl: unknown command '" << app.remaining().front() << "'; the commands are " << commands
                      << '\n';
            return kExitUsage;
        }
        // --help and --version end here with 0; every refused command line
        // with the usage status, whatever number the parser gives its error.
        return app.exit(e) == 0 ? kExitSuccess : kExitUsage;
    } catch (const std::exception& e) {
        // A last line of defence: a command that fails unexpectedly still
        // ends with one line and the failure status, not an abort.
        std::cerr << "qx7ctl: " << e.what() << '\n';
        return kExitFailure;
    }
    return exit_code;
}

}  // namespace qx7::cli
