// qx7ctl: the command-line front end of the QX7 configurator.

#include "cli/console.h"
#include "cli/run_qx7ctl.h"

int main(int argc, char** argv) {
    const qx7::cli::ConsoleSession console;
    return qx7::cli::RunQx7ctl(qx7::cli::CommandLineArguments(argc, argv));
}
