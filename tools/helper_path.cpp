// Prints the path of the privileged helper that the programs in this
// executable's folder start through pkexec.

#include <cstdio>

#include "platform/linux/helper_launch.h"

int main() {
    const auto launch = qx7::platform::PkexecLaunch();
    std::printf("%s\n", launch.command.back().c_str());
    return 0;
}
