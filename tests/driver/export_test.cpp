// The export's fixed sequence as the caller sees it: the log's opening and
// closing lines, the result, and how a build without memory ends.
#include <gtest/gtest.h>

#include <string>

#include "driver/driver.h"
#include "driver/model.h"
#include "test_support.h"

namespace {

const std::string COMPLETE = "\r\n************* COMPILE/LINK COMPLETE ***************\r\n\n";

// A program of goto steps, one per line of its own.
std::string goto_program(int steps) {
    std::string text;
    for (int n = 1; n <= steps; ++n) {
        text += "\n[" + std::to_string(n) + "]    s" + std::to_string(n) + "\n    ;;; step comment\n    ---\n";
        text += "        " + std::to_string(n % 100 + 1) + "+\n    ---\n";
        text += n < steps ? "    goto next\n" : "    goto [1]\n";
    }
    return text;
}

TEST(ExportLog, FailedBuildLogEndsWithTheFailureLine) {
    pxtest::scratch_dir dir;
    char path[] = "missing.mak";
    EXPECT_EQ(px::run_export(path), 0);
    EXPECT_EQ(pxtest::read_file("pxlinker.log"), pxtest::read_file(pxtest::golden("driver/failed_build.log")));
}

TEST(ExportLog, NoPathIsAFailedBuild) {
    pxtest::scratch_dir dir;
    EXPECT_EQ(px::run_export(nullptr), 0);
    std::string log = pxtest::read_file("pxlinker.log");
    EXPECT_EQ(log.rfind("PXBuilder V1.0, April 14, 2003 \r\n\n", 0), 0u);
    EXPECT_NE(log.find("Error:  No file name specified to read_file().\r\n"), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - COMPLETE.size() - 22), COMPLETE + "Compile/Link failed.\r\n");
}

TEST(ExportLog, PathWithoutExtensionIsReadAsAStepFile) {
    pxtest::scratch_dir dir;
    char path[] = "nothere";
    EXPECT_EQ(px::run_export(path), 0);
    EXPECT_NE(pxtest::read_file("pxlinker.log").find("\"NOTHERE.VEP\""), std::string::npos);
}

TEST(ExportLog, CleanBuildEndsWithTheSummaryLineAndReturnsTheFootprint) {
    pxtest::scratch_dir dir;
    pxtest::write_file("prog.vep", goto_program(3));
    pxtest::write_file("prog.fig", "controller_model K410\n");
    char path[] = "prog.vep";
    int32_t result = px::run_export(path);
    EXPECT_GT(result, 256);
    std::string log = pxtest::read_file("pxlinker.log");
    std::size_t closing = log.rfind(COMPLETE);
    ASSERT_NE(closing, std::string::npos);
    std::string summary = log.substr(closing + COMPLETE.size());
    EXPECT_EQ(summary.rfind("Successful compile: ", 0), 0u) << log;
    EXPECT_NE(summary.back(), '\n');
}

TEST(ExportPool, PoolThatCannotBeCreatedEndsTheCallBeforeTheLogIsWritten) {
    pxtest::scratch_dir dir;
    px::set_pool_limit(1024);
    char path[] = "prog.vep";
    EXPECT_EQ(px::run_export(path), 0);
    EXPECT_FALSE(pxtest::file_exists("pxlinker.log"));
    px::set_pool_limit(0);
}

TEST(ExportPool, ExhaustedPoolSavesPanicsAndFailsTheBuild) {
    pxtest::scratch_dir dir;
    pxtest::write_file("big.vep", goto_program(200));
    pxtest::write_file("big.fig", "controller_model K410\n");
    px::set_pool_limit(96 * 1024);
    char path[] = "big.vep";
    EXPECT_EQ(px::run_export(path), 0);
    px::set_pool_limit(0);
    std::string log = pxtest::read_file("pxlinker.log");
    EXPECT_NE(log.find("Error:  (Out of Memory):  Saving to file \"OMNA.VEP\".\r\n"), std::string::npos) << log;
    const std::string ending = "Panic:  Can't cope without a memory fix ... Good Bye.\r\n" + COMPLETE +
                               "Compile/Link failed.\r\n";
    ASSERT_GE(log.size(), ending.size());
    EXPECT_EQ(log.substr(log.size() - ending.size()), ending) << log;
    EXPECT_FALSE(px::pool_exists());
}

}  // namespace
