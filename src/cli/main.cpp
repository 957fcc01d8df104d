// qx7ctl: the command-line front end of the QX7 configurator.

#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
    CLI::App app{"Command-line configurator for QX7 encrypted USB drives"};
    app.set_version_flag("--version", "qx7ctl " QX7_VERSION_TEXT);
    qx7::cli::GlobalOptions options;
    app.add_option("--sim", options.sim_state,
                   "Use simulated drives kept in this state file (created when missing)");
    app.add_flag("--trace", options.trace, "Print every SCSI command to standard error");
    app.require_subcommand(1);

    int exit_code = 0;
    qx7::cli::AddCheckUpdateCommand(app, options, exit_code);

    CLI11_PARSE(app, argc, argv);
    return exit_code;
}
