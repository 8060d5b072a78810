#include "core/base/local_time.h"

LocalTime localTimeOf(std::time_t seconds) {
    LocalTime local;
    localtime_s(&local.tm, &seconds);
    // The local fields read as if they were UTC, minus the moment itself: the offset,
    // daylight saving included.
    std::tm fields = local.tm;
    local.utcOffsetSeconds = static_cast<long>(_mkgmtime(&fields) - seconds);
    return local;
}

std::tm utcTimeOf(std::time_t seconds) {
    std::tm utc{};
    gmtime_s(&utc, &seconds);
    return utc;
}
