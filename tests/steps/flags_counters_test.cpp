// Flag and counter instructions, compiled through the whole step frame.
#include <string>
#include <vector>

#include "step_harness.h"

namespace {

using pxtest::compiled;
using pxtest::WIDE_MODEL;

class FlagsCountersTest : public pxtest::step_program_test {};

const char* const FLAGS = "IXO K400 VEP supports only flags 1-32.";
const char* const COUNTERS = "IXO K400 VEP supports only counters 1-8.";
const char* const SHIFT_SYNTAX = "Syntax:  shift flag#<1-31> \"<<\"|\">>\" flag#<2-32> <<1-32> times>";
const char* const ROTATE_SYNTAX = "Syntax:  rotate flag#<1-31> \"<<\"|\">>\" flag#<2-32> <<1-32> times>";
const char* const START_SYNTAX = "Syntax:  start ctr#<1-8> [up(in#?<A|B>)[:<1-250>ms]] [down()] [reset()]";
const char* const DEBOUNCE = "Input debounce times range from 0 to 250 milliseconds.";
const char* const INPUT_TYPE = "Digital inputs must be either type A or type B.";

TEST_F(FlagsCountersTest, SetAndClearEncodeTheFlagIndex) {
    program.expect_rows({
        {"set flag#32", "7F 9F", {}},
        {"clear flag#1", "7F 00", {}},
        {"set flag#33", "", {FLAGS}},
        {"set flg#3", "", {"Syntax:  set flag#<1-32>"}},
        {"clear flag#33", "", {FLAGS}},
        {"clear flag", "", {"Syntax:  clear flag#<1-32>"}},
    });
}

TEST_F(FlagsCountersTest, RefusedSetWithdrawsOnlyItsOwnOpcode) {
    compiled got = program.compile_new({"clear flag#2", "set flag#40", "set flag", "set flag#1"});
    EXPECT_EQ("7F 01 7F 80", got.code);
    EXPECT_EQ((std::vector<std::string>{FLAGS, "Syntax:  set flag#<1-32>"}), got.messages);
}

TEST_F(FlagsCountersTest, ShiftAndRotateEncodeRangeDirectionAndCount) {
    program.expect_rows({
        {"shift flag#1 << flag#8 3 times", "ED 80 07 03", {}},
        {"rotate flag#4 >> flag#12", "ED 23 0B 01", {}},
        {"shift flag#1<<flag#8", "ED 80 07 01", {}},
        {"rotate flag#31 << flag#32 31", "ED BE 1F 1F", {}},
        {"shift flag#8 << flag#8", "", {"Semantics:  shift flag#X << flag#Y where X < Y"}},
        {"rotate flag#9 >> flag#2", "", {"Semantics:  rotate flag#X << flag#Y where X < Y"}},
        {"shift flag#32 << flag#33", "", {SHIFT_SYNTAX}},
        {"shift flag#1 <> flag#8", "", {SHIFT_SYNTAX}},
        {"rotate flag#1 >> flag#33", "", {ROTATE_SYNTAX}},
        {"rotate flag#1 >> flag#1", "", {ROTATE_SYNTAX}},
    });
}

TEST_F(FlagsCountersTest, RefusedPositionCountKeepsTheFirstThreeBytes) {
    program.expect_rows({
        {"shift flag#1 << flag#8 32 times", "ED 80 07", {"You can only shift flags 1-31 positions."}},
        {"rotate flag#1 << flag#8 0", "ED A0 07", {"You can only rotate flags 1-31 positions."}},
    });
}

TEST_F(FlagsCountersTest, CounterInstructionsCarryCounterAndOperation) {
    program.expect_rows({
        {"count down ctr#3", "53", {}},
        {"count up ctr#1", "42", {}},
        {"reset ctr#8", "7C", {}},
        {"enable ctr#1", "45", {}},
        {"disable ctr#2", "4E", {}},
        {"count sideways ctr#1", "", {"Syntax:  count <up | down> ctr#<1-8>"}},
        {"count up ctr#9", "", {COUNTERS}},
        {"enable ctr#0", "", {COUNTERS}},
        {"enable x", "", {"Syntax:  enable ctr#<1-8>"}},
        {"disable counter#2", "", {"Syntax:  disable ctr#<1-8>"}},
        {"reset ctr", "", {"Syntax:  reset ctr#<1-8>"}},
    });
}

TEST_F(FlagsCountersTest, StartAppendsUpDownResetClausesInWidthOfTheModel) {
    program.expect_rows({
        {"start ctr#2 up(in#5a:20) reset(in#6b)", "49 14 84 FF 00 00 05", {}},
        {"start ctr#2 up(in#5a:20) reset(in#6b)", "49 14 04 80 FF 00 00 00 05 00", {}, WIDE_MODEL},
        {"start ctr#1", "41 FF 00 FF 00 FF 00", {}},
        {"start ctr#1", "41 FF 00 00 FF 00 00 FF 00 00", {}, WIDE_MODEL},
        {"start ctr#1 reset(in#3b) up(in#1b)", "41 00 00 FF 00 00 02", {}},
        {"start ctr#8 up ( in#128a:250 )", "79 FA FF FF 00 FF 00", {}},
        {"start ctr#8 down(in#1000a:0)", "79 FF 00 00 00 E7 83 FF 00 00", {}, WIDE_MODEL},
        // The scan stops at the blank before the colon; the second reading
        // still finds the debounce.
        {"start ctr#1 down(in#1000b :250)", "41 FF 00 00 FA E7 03 FF 00 00", {}, WIDE_MODEL},
        {"start ctr#3 down(in#2a) down(in#3b:7)", "51 FF 00 07 02 FF 00", {}},
    });
}

TEST_F(FlagsCountersTest, StartClauseErrorsMarkTheClauseInactiveAndGoOn) {
    program.expect_rows({
        {"start ctr#1 up(in#5a:300)", "41 00 84 FF 00 FF 00", {DEBOUNCE, DEBOUNCE}},
        {"start ctr#1 up(in#129a) down(in#2b)", "41 FF 00 00 01 FF 00",
         {"IXO K400 VEP supports only inputs 1-128."}},
        {"start ctr#1 up(in#1025a)", "41 FF 00 00 FF 00 00 FF 00 00",
         {"IXO K400 VEP supports only inputs 1-1024."}, WIDE_MODEL},
        // Refused clauses stay inactive even when the second reading of the
        // debounce finds a valid value.
        {"start ctr#1 up(in#5c:20)", "41 FF 00 FF 00 FF 00", {INPUT_TYPE}},
        {"start ctr#1 up(in#129x:900)", "41 FF 00 FF 00 FF 00",
         {DEBOUNCE, "IXO K400 VEP supports only inputs 1-128.", INPUT_TYPE, DEBOUNCE}},
        {"start ctr#1 up(in#200a) up(in#2b)", "41 00 01 FF 00 FF 00",
         {"IXO K400 VEP supports only inputs 1-128."}},
    });
}

TEST_F(FlagsCountersTest, StartKeepsItsOpcodeWhenAClauseCannotBeScanned) {
    program.expect_rows({
        {"start ctr#1 up(in#x)", "41", {START_SYNTAX}},
        {"start ctr#4 up(in#2a) down", "59", {START_SYNTAX}, WIDE_MODEL},
        {"start ctr#9 up(in#1a)", "", {COUNTERS}},
        {"start reg#1", "", {START_SYNTAX}},
    });
}

TEST_F(FlagsCountersTest, NumbersAreRecordedEvenWhenOutOfRange) {
    program.compile_new({"set flag#33"});
    program.compile_new({"count up ctr#9"});
    program.compile_new({"shift flag#1 << flag#40"});
    program.compile_new({"start ctr#1 up(in#200a)"});
    std::string xrf = program.xref();
    EXPECT_NE(std::string::npos, xrf.find("\nFlag #33\n       [1]  set flag#33"));
    EXPECT_NE(std::string::npos, xrf.find("\nCounter #9\n       [2]  count up ctr#9"));
    EXPECT_NE(std::string::npos, xrf.find("\nFlag #40\n       [3]  shift flag#1 << flag#40"));
    EXPECT_NE(std::string::npos, xrf.find("\nDigital Input #200\n       [4]  start ctr#1 up(in#200a)"));
}

}  // namespace
