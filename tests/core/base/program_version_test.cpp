// The version information the About box shows, as the program itself carries it: on
// Windows read back from this test program's own version resource, which the build gives
// every Windows program from the same values.
#include "core/base/program_version.h"

#include <gtest/gtest.h>

#include <array>

TEST(ProgramVersion, CarriesTheValuesFixedAtBuildTime) {
    const ProgramVersion v = programVersion();
    EXPECT_EQ(v.fileDescription, "Varenthal Evaluation Software");
    EXPECT_EQ(v.productName, "Varenthal");
    EXPECT_EQ(v.legalNotice, "Copyright (C) 2026 Varenthal Systems. All rights reserved.");
    EXPECT_EQ(v.comments, "");
    EXPECT_EQ((std::array{v.major, v.minor, v.revision}), (std::array{1, 0, 0}));
}
