// pxc never waits. The library pauses after some warnings so that a person at
// the desktop builder can read them; at a terminal or in CI nobody is there.
#include <gtest/gtest.h>

#include <string>

#include "driver/driver.h"
#include "platform/clock.h"
#include "pxc.h"
#include "test_support.h"

namespace {

int pauses = 0;

TEST(Pxc, MissingConfigurationIsShownWithoutAPause) {
    pxtest::scratch_dir dir;
    pxtest::write_file("prog.vep", "[1]\n---\n---\ngoto [1]\n");
    px::set_pauses_enabled(true);
    px::set_pause_function([](int) { ++pauses; });

    char arg0[] = "pxc", arg1[] = "--check", arg2[] = "prog.vep";
    char* argv[] = {arg0, arg1, arg2, nullptr};
    testing::internal::CaptureStderr();
    pxc::run(3, argv);
    std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_NE(shown.find("prog.vep: warning: Unable to open configuration file \"PROG.fig\"."), std::string::npos)
        << shown;
    EXPECT_EQ(pauses, 0);

    // The export itself still waits, and the seam sees it.
    px::set_pauses_enabled(true);
    char path[] = "prog.vep";
    px::run_export(path);
    EXPECT_GT(pauses, 0);
    pxtest::reset_library();
    px::set_pause_function(nullptr);
}

}  // namespace
