#pragma once
// Calendar time of a moment, in the user's time zone and in UTC, safe to call from several
// threads.

#include <ctime>

struct LocalTime {
    std::tm tm{};
    long utcOffsetSeconds = 0;  // east of Greenwich positive
};

LocalTime localTimeOf(std::time_t seconds);
std::tm utcTimeOf(std::time_t seconds);
