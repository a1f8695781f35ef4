// "goto", "stop goto", "done", "cancel other tasks", "do" and "delay", each
// compiled as a step of a small program: fill is step 5, Drain step 9, rinse
// step 12, far step 300; steps 6, 8 and 10-11 do not exist.
#include <gtest/gtest.h>

#include "step_harness.h"

namespace {

using pxtest::jump_program;
using pxtest::result;
using pxtest::WIDE_MODEL;

const char* const GOTO_SYNTAX = "Syntax:  ... goto < next | [1-256] | label >";
const char* const NO_NEXT = "The next step does not exist.";
const char* const NO_STEP = "The destination step does not exist.";
const char* const NO_LABEL = "The destination label does not exist.";
const char* const OWN_STEP = "The \"do\" and \"done\" instructions require a step of their own.";
const char* const DO_SYNTAX = "Syntax:  do (labels [step-numbers] ...) [ <2-99> times ] goto ...";
const char* const DO_NEXT = "The \"do\" instruction does not allow \"next\" as task.";
const char* const DO_NONE = "Failed to find any targets for the do instruction.";
const char* const DO_MANY = "Too many tasks to \"do\" (first 8 compiled).";
const char* const DELAY_LITERAL = "Syntax:  delay # hr # min # sec # ms goto ...";
const char* const DELAY_SOURCE = "Syntax:  delay <data source> <min | sec | sec/100> goto ...";
const char* const DELAY_TWHL = "Syntax:  delay twhl#<1-16> < hhmm | mmss | ssff > goto ...";
const char* const DELAY_256 = "Each delay value must be less than 256.";
const char* const DELAY_POSITIVE = "The delay instruction expects a positive value.";
const char* const DELAY_SPREAD = "Literal granularity error in delay values (spread too wide).";

TEST(GotoInstruction, AppendsTheKindAndTheStepIndex) {
    jump_program b;
    b.expect_rows_in(1, {
        {"goto next", "C9"},
        {"goto [12]", "E9 0B"},
        {"goto fill", "E9 04"},
        {"GOTO drain", "E9 08"},
        {"goto [12] and whatever follows", "E9 0B"},
        {"goto [6]", "", {NO_STEP}},
        {"goto sink", "", {NO_LABEL}},
    });
    EXPECT_EQ(b.compile_in(5, {"goto next"}), result("", {NO_NEXT}));
    EXPECT_EQ(b.compile_in(300, {"goto next"}), result("", {NO_NEXT}));
}

TEST(GotoInstruction, WideNumberingAppendsTheIndexHighByte) {
    jump_program b(WIDE_MODEL);
    b.expect_rows_in(1, {
        {"goto next", "C9"},
        {"goto [12]", "E9 0B 00"},
        {"goto far", "E9 2B 01"},
    });
}

TEST(StopGotoInstruction, UsesItsOwnOpcodes) {
    jump_program b;
    b.expect_rows_in(1, {
        {"stop goto next", "CB"},
        {"stop goto [4]", "EB 03"},
        {"Stop Goto Rinse", "EB 0B"},
        {"stop goto sink", "", {NO_LABEL}},
    });
    jump_program wide(WIDE_MODEL);
    EXPECT_EQ(wide.compile_in(1, {"stop goto far"}), result("EB 2B 01"));
}

TEST(DoneInstruction, AppendsCAAndWantsAStepOfItsOwn) {
    jump_program b;
    EXPECT_EQ(b.compile_in(1, {"done"}), result("CA"));
    EXPECT_EQ(b.compile_in(1, {"done with anything after it"}), result("CA"));
    EXPECT_EQ(b.compile_in(1, {"done", "goto next"}), result("CA C9", {OWN_STEP, OWN_STEP}));
}

TEST(CancelInstruction, KeepsItsOpcodeWhenTheWordsAreWrong) {
    jump_program b;
    b.expect_rows_in(1, {
        {"cancel other tasks", "EA"},
        {"cancel tasks", "EA", {"Syntax:  cancel other tasks"}},
        {"cancel", "EA", {"Syntax:  cancel other tasks"}},
    });
}

TEST(DoInstruction, EncodesCountRepeatDestinationAndTasks) {
    jump_program b;
    b.expect_rows_in(1, {
        {"do (fill [7] drain) 3 times goto next", "C2 83 04 06 08"},
        {"do (fill) goto [12]", "E0 81 0B 04"},
        {"do (fill) 1 times goto next", "C0 81 04"},
        {"do (fill) 99 TIMES goto next", "C0 E3 04"},
        {"do ([3] next) goto next", "C0 81 02", {DO_NEXT}},
        {"do (sink [3]) goto next", "C0 81 02", {NO_LABEL}},
        {"do ([1] [2] [3] [4] [5] [7] [9] [12] [13]) goto next", "C7 81 00 01 02 03 04 06 08 0B", {DO_MANY}},
    });
}

TEST(DoInstruction, WideNumberingWidensDestinationAndTasks) {
    jump_program b(WIDE_MODEL);
    EXPECT_EQ(b.compile_in(1, {"do (far [7]) 2 times goto far"}), result("E1 82 2B 01 2B 01 06 00"));
}

TEST(DoInstruction, FailuresAppendNothing) {
    jump_program b;
    b.expect_rows_in(1, {
        {"do fill goto next", "", {DO_SYNTAX}},
        {"do (fill goto next", "", {DO_SYNTAX}},
        {"do () goto next", "", {DO_NONE}},
        {"do (sink) goto next", "", {NO_LABEL, DO_NONE}},
        {"do (next) goto next", "", {DO_NEXT, DO_NONE}},
        {"do (fill) 100 times goto next", "", {DO_SYNTAX}},
        {"do (fill) 0 times goto next", "", {DO_SYNTAX}},
        {"do (fill) 3 goto next", "", {DO_SYNTAX}},
        {"do (fill) goto [6]", "", {NO_STEP}},
        {"do (fill) then next", "", {GOTO_SYNTAX}},
    });
}

TEST(DoInstruction, MarksTheStepEvenWhenItFails) {
    jump_program b;
    EXPECT_EQ(b.compile_in(1, {"do fill goto next", "goto next"}), result("C9", {DO_SYNTAX, OWN_STEP, OWN_STEP}));
}

TEST(DelayInstruction, LiteralFormSumsUnitsAndPicksTheGranularity) {
    jump_program b;
    b.expect_rows_in(1, {
        {"delay 2 min 30 sec goto next", "0C 02 1E"},
        {"delay 1 sec 50 ms goto [4]", "34 03 01 05"},
        {"delay 1 hr 1 sec goto next", "0C 3C 01"},
        {"delay 5 hr 1 ms goto next", "04 05 00"},
        {"delay 2 hr 30 min goto next", "04 02 1E"},
        {"delay 200 sec 55 sec goto next", "0C 00 FF"},
        {"delay 4 min 10 ms goto next", "14 F0 01"},
        {"delay 2 min 3 days 1 sec goto next", "0C 02 01", {DELAY_LITERAL}},
    });
}

TEST(DelayInstruction, LiteralFormRefusals) {
    jump_program b;
    b.expect_rows_in(1, {
        {"delay 300 sec goto next", "", {DELAY_256}},
        {"delay 150 sec 150 sec goto next", "", {DELAY_256}},
        {"delay 0 sec goto next", "", {DELAY_POSITIVE}},
        {"delay 5 ms goto next", "", {DELAY_POSITIVE}},
        {"delay -5 sec goto next", "", {DELAY_POSITIVE}},
        {"delay 5 min 3 sec 20 ms goto next", "", {DELAY_SPREAD}},
        {"delay 1 sec goto sink", "", {NO_LABEL}},
        {"delay 5 goto next", "", {DELAY_LITERAL, GOTO_SYNTAX}},
    });
}

TEST(DelayInstruction, ThumbwheelForm) {
    jump_program b;
    b.expect_rows_in(1, {
        {"delay twhl#2 mmss goto next", "0B E1"},
        {"delay twhl#16 hhmm goto [12]", "23 0B EF"},
        {"delay TWHL#1 SSFF goto next", "13 E0"},
        {"delay twhl#17 mmss goto next", "", {"IXO K400 VEP supports only thumbwheels 1-16."}},
        {"delay twhl#2 hours goto next", "", {DELAY_TWHL}},
        {"delay twhl#2 mmss goto [6]", "", {NO_STEP}},
    });
}

TEST(DelayInstruction, DataSourceForm) {
    jump_program b;
    b.expect_rows_in(1, {
        {"delay ctr#3 sec/100 goto next", "15 02"},
        {"delay ctr#3 sec goto next", "0D 02"},
        {"delay ctr#3 seconds goto next", "0D 02"},
        {"delay reg#3 min goto [12]", "25 0B 02"},
        {"delay ain#2 sec goto next", "0D 81"},
        {"delay reg#200 sec goto next", "", {"Delay source limited to twhl, ctr, ain, col, or literal."}},
        {"delay ctr#3 hours goto next", "", {DELAY_SOURCE}},
        {"delay soon goto next", "", {DELAY_SOURCE}},
        {"delay ctr#9 sec goto next", "", {"IXO K400 VEP supports only counters 1-8.", DELAY_SOURCE}},
        {"delay col#2 min goto next", "", {"Referenced data table does not exist.", DELAY_SOURCE}},
    });
}

TEST(DelayInstruction, DataTableColumnSource) {
    jump_program b;
    px::the_program.table = px::new_data_table(2, 4);
    EXPECT_EQ(b.compile_in(1, {"delay col#2 min goto next"}), result("05 C1"));
}

TEST(DelayInstruction, WideNumberingWidensTheDestinationOnly) {
    jump_program b(WIDE_MODEL);
    b.expect_rows_in(1, {
        {"delay 1 sec 50 ms goto far", "34 2B 01 01 05"},
        {"delay twhl#2 mmss goto far", "2B 2B 01 E1"},
        {"delay ctr#3 sec goto far", "2D 2B 01 02"},
    });
}

TEST(DelayInstruction, RecordsThumbwheelsOutOfRange) {
    jump_program b;
    b.compile_in(1, {"delay twhl#17 mmss goto next"});
    EXPECT_NE(b.xref().find("\nThumbwheel #17\n"), std::string::npos);
}

}  // namespace
