// The listing, the error file and the log: what a compile error leaves behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/model.h"
#include "test_support.h"

namespace {

using namespace px;

// The 92-byte record as the downloader reads it: step, position, text.
std::string record(uint32_t step, uint32_t position, const std::string& text) {
    std::string r(92, '\0');
    for (int i = 0; i < 4; ++i) {
        r[i] = char(step >> (8 * i));
        r[4 + i] = char(position >> (8 * i));
    }
    r.replace(8, std::min<std::size_t>(text.size(), 83), text.substr(0, 83));
    return r;
}

class StepErrorReport : public ::testing::Test {
protected:
    pxtest::scratch_dir dir;
    pxtest::log_capture log;
    pxtest::memory_build memory{"PROG.VEP"};

    list_node* step_with_instructions(uint32_t number, int count) {
        list_node* s = new_step_after(last_step(), number);
        list_node* after = END;
        for (int i = 0; i < count; ++i) {
            after = append_inst(s, after);
            instruction_of(after)->text = pool_strdup("set flag#" + std::to_string(i + 1));
        }
        return s;
    }
};

TEST_F(StepErrorReport, ErrorOutsideAnyStepShowsStepZeroAndNoInstruction) {
    report_step_error(nullptr, "Writing checksum to disk.");
    const std::string entry =
        "***ERROR*** in step [0]\n   Instruction:  <none>\n   Problem:  Writing checksum to disk.\n\n";
    EXPECT_EQ(pxtest::read_file("PROG.lst"), entry);
    EXPECT_EQ(pxtest::read_file("PROG.err"), record(0, 0, "Problem:  Writing checksum to disk."));
    EXPECT_EQ(log.text(), entry);
    EXPECT_EQ(error_count, 1);
    EXPECT_TRUE(build_ok);
}

TEST_F(StepErrorReport, MessageWithAColonCarriesNoProblemPrefix) {
    list_node* s = step_with_instructions(4, 1);
    current_step = s;
    current_instruction = step_of(s)->instructions;
    report_step_error("Cancel Tasks", "Syntax:  cancel other tasks");
    EXPECT_EQ(pxtest::read_file("PROG.lst"),
              "***ERROR*** in step [4]\n   Instruction:  Cancel Tasks\n   Syntax:  cancel other tasks\n\n");
    EXPECT_EQ(pxtest::read_file("PROG.err"), record(4, 1, "Syntax:  cancel other tasks"));
}

TEST_F(StepErrorReport, RecordHoldsThePositionOfTheInstructionInItsStep) {
    step_with_instructions(3, 1);
    list_node* s = step_with_instructions(12, 4);
    current_step = s;
    current_instruction = step_of(s)->instructions->next->next;
    report_step_error("set flag#3", "IXO K400 VEP supports only flags 1-32.");
    EXPECT_EQ(pxtest::read_file("PROG.err"), record(12, 3, "Problem:  IXO K400 VEP supports only flags 1-32."));
}

TEST_F(StepErrorReport, PositionIsZeroWithoutTextOrWhenTheInstructionIsElsewhere) {
    list_node* other = step_with_instructions(1, 2);
    list_node* s = step_with_instructions(2, 2);
    current_step = s;
    current_instruction = step_of(s)->instructions->next;
    report_step_error(nullptr, "This step contains no instructions.");
    current_instruction = step_of(other)->instructions;
    report_step_error("set flag#1", "x");
    std::string err = pxtest::read_file("PROG.err");
    ASSERT_EQ(err.size(), 184u);
    EXPECT_EQ(err.substr(0, 92), record(2, 0, "Problem:  This step contains no instructions."));
    EXPECT_EQ(err.substr(92), record(2, 0, "Problem:  x"));
}

TEST_F(StepErrorReport, SecondErrorAppendsAndANewBuildStartsAfresh) {
    report_step_error(nullptr, "first");
    report_step_error(nullptr, "second");
    EXPECT_EQ(pxtest::read_file("PROG.lst"),
              "***ERROR*** in step [0]\n   Instruction:  <none>\n   Problem:  first\n\n"
              "***ERROR*** in step [0]\n   Instruction:  <none>\n   Problem:  second\n\n");
    EXPECT_EQ(pxtest::read_file("PROG.err").size(), 184u);
    error_count = 0;
    report_step_error(nullptr, "third");
    EXPECT_EQ(pxtest::read_file("PROG.err"), record(0, 0, "Problem:  third"));
}

TEST_F(StepErrorReport, LongTextsAreCutInTheRecordAndWholeInTheListing) {
    std::string text(5000, 'x');
    std::string message(300, 'm');
    report_step_error(text.c_str(), "%s", message.c_str());
    std::string err = pxtest::read_file("PROG.err");
    ASSERT_EQ(err.size(), 92u);
    EXPECT_EQ(err.substr(8, 83), ("Problem:  " + message).substr(0, 83));
    EXPECT_EQ(err[91], '\0');
    EXPECT_NE(pxtest::read_file("PROG.lst").find(text + "\n   Problem:  " + message + "\n\n"), std::string::npos);
}

TEST_F(StepErrorReport, UnwritableListingAbortsTheBuildButStillCounts) {
    std::filesystem::create_directory("PROG.lst");
    report_step_error(nullptr, "anything");
    EXPECT_FALSE(build_ok);
    EXPECT_EQ(error_count, 1);
    EXPECT_EQ(log.text(), "Error:  Unable to open file \"PROG.lst\" for writing (aborting compilation).\r\n");
}

TEST_F(StepErrorReport, UnwritableErrorFileAbortsTheBuild) {
    std::filesystem::create_directory("PROG.err");
    report_step_error(nullptr, "anything");
    EXPECT_FALSE(build_ok);
    EXPECT_NE(log.text().find("Error:  Unable to open file \"PROG.err\" for writing (aborting compilation).\r\n"),
              std::string::npos);
}

TEST_F(StepErrorReport, LogLinesCarryTheirLevelPrefix) {
    log_message(LOG_INFO, "plain %d", 1);
    log_message(LOG_WARNING, "careful");
    log_message(LOG_ERROR, "wrong");
    log_message(LOG_PANIC, "gone");
    EXPECT_EQ(log.text(), "plain 1\r\nWarning:  careful\r\nError:  wrong\r\nPanic:  gone\r\n");
}

TEST(LogMessage, LinesAreDroppedWithoutAnOpenLog) {
    build_log = nullptr;
    log_message(LOG_ERROR, "nowhere");  // must not crash
    SUCCEED();
}

TEST(VersionBanner, StoresMajorAndMinorInTheVersionWord) {
    version_banner(2, 1);
    EXPECT_EQ(version_word, 0x00210000u);
    EXPECT_EQ(version_major(), 2);
    EXPECT_EQ(version_minor(), 1);
}

}  // namespace
