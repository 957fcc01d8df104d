#include "cli/system_time.h"

#include <ctime>

#include "cli/commands.h"

namespace qx7::cli {

std::tm LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::tm UtcTime(std::time_t seconds) {
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    return utc;
}

}  // namespace qx7::cli
