#include <ctime>

#include "cli/commands.h"

namespace qx7::cli {

std::tm LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace qx7::cli
