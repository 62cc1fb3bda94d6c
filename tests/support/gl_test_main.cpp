// Entry point of the tests that draw in this process: starts a private virtual X server, opens
// one window the way the program does, then runs the tests in it. Listing the tests needs neither.
#include "glwindow.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    std::string error;
    XvfbServer server = openProgramWindow(&argc, argv, &error);
    if (server.pid < 0) {
        std::fprintf(stderr, "cannot run the tests that draw: %s\n", error.c_str());
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    closeProgramWindow(server);
    return result;
}
