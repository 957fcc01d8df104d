// qx7ctl: the command-line front end of the QX7 configurator.

#include <CLI/CLI.hpp>

#include <iostream>

namespace {

constexpr const char* kVersionText = "qx7ctl " QX7_VERSION_TEXT;

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Command-line configurator for QX7 encrypted USB drives"};
    app.set_version_flag("--version", kVersionText);
    app.require_subcommand(0);
    CLI11_PARSE(app, argc, argv);
    if (app.get_subcommands().empty()) {
        std::cout << app.help();
    }
    return 0;
}
