#pragma once
// The program's version information as the About box shows it, fixed at build time. On
// Windows it is read back from the running program's own version resource; elsewhere the
// program has no such resource and the values are compiled in.

#include <string>

struct ProgramVersion {
    std::string fileDescription;
    std::string productName;
    std::string legalNotice;
    std::string comments;
    int major = 0;
    int minor = 0;
    int revision = 0;
};

ProgramVersion programVersion();
