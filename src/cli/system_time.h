#pragma once
// Calendar times through the system's thread-safe conversions (cli/<api>/);
// LocalTimeNow (commands.h) is defined beside them.

#include <ctime>

namespace qx7::cli {

// `seconds` since the epoch as a calendar time in UTC.
std::tm UtcTime(std::time_t seconds);

}  // namespace qx7::cli
