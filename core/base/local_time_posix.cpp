#include "core/base/local_time.h"

LocalTime localTimeOf(std::time_t seconds) {
    LocalTime local;
    localtime_r(&seconds, &local.tm);
    local.utcOffsetSeconds = local.tm.tm_gmtoff;
    return local;
}

std::tm utcTimeOf(std::time_t seconds) {
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    return utc;
}
