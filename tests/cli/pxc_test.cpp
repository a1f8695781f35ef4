// pxc as scripts use it: exit status per outcome, the log on standard output.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "test_support.h"

namespace {

struct run_result {
    int status;
    std::string out;
};

run_result pxc(const std::string& args) {
    std::string command = std::string("'") + PXC_PATH + "' " + args + " 2>/dev/null";
    std::FILE* p = popen(command.c_str(), "r");
    run_result r{-1, {}};
    if (!p) return r;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) r.out.append(buffer, n);
    int raw = pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

const char* CLEAN = "[1]\n---\n---\ngoto next\n[2]\n---\n---\ngoto [1]\n";
const char* BROKEN = "[1]\n---\n---\ngoto nowhere\n";

TEST(Pxc, HelpAndVersionExitZero) {
    run_result help = pxc("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: pxc"), std::string::npos);
    run_result version = pxc("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find("2.1"), std::string::npos);
}

TEST(Pxc, MissingPathOrUnknownOptionIsAUsageError) {
    EXPECT_EQ(pxc("").status, 2);
    EXPECT_EQ(pxc("--bogus x.vep").status, 2);
}

TEST(Pxc, ExitStatusTellsCleanErrorsAndFailure) {
    pxtest::scratch_dir dir;
    pxtest::write_file("clean.vep", CLEAN);
    pxtest::write_file("clean.fig", "controller_model K410\n");
    pxtest::write_file("broken.vep", BROKEN);
    pxtest::write_file("broken.fig", "controller_model K410\n");

    run_result clean = pxc("clean.vep");
    EXPECT_EQ(clean.status, 0) << clean.out;
    EXPECT_NE(clean.out.find("Successful compile: "), std::string::npos);
    EXPECT_TRUE(pxtest::file_exists("CLEAN.dso"));
    EXPECT_TRUE(pxtest::file_exists("CLEAN.xrf"));

    run_result broken = pxc("broken.vep");
    EXPECT_EQ(broken.status, 1) << broken.out;
    EXPECT_NE(broken.out.find("***ERROR*** in step [1]"), std::string::npos);
    EXPECT_TRUE(pxtest::file_exists("BROKEN.lst"));
    EXPECT_EQ(pxtest::read_bytes("BROKEN.dso").at(2), 1);
    EXPECT_EQ(pxtest::read_bytes("BROKEN.err").size(), 92u);

    EXPECT_EQ(pxc("absent.vep").status, 2);
    // The worst outcome of several builds decides.
    EXPECT_EQ(pxc("clean.vep broken.vep").status, 1);
    EXPECT_EQ(pxc("clean.vep absent.vep broken.vep").status, 2);
}

}  // namespace
