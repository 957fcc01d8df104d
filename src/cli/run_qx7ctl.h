#pragma once
// qx7ctl's command line: parsed, run, and its exit status returned. The
// program's main only hands it the words (cli/console.h).

#include <string>
#include <vector>

namespace qx7::cli {

// `arguments`: the words of the command line in UTF-8, the program's name
// first.
int RunQx7ctl(const std::vector<std::string>& arguments);

}  // namespace qx7::cli
