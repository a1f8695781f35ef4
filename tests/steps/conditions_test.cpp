// "if", "monitor" and "testandset", each compiled as a step of a small
// program: step 3 and step 12 exist, step 6 does not, far is step 300.
#include <gtest/gtest.h>

#include <string>

#include "step_harness.h"

namespace {

using pxtest::jump_program;
using pxtest::result;
using pxtest::WIDE_MODEL;

const char* const NO_STEP = "The destination step does not exist.";
const char* const IF_SYNTAX = "Syntax:  if <data source> <,<=,=,>=,> <data source> goto ...";
const char* const MONITOR_SYNTAX = "Syntax:  monitor <flag | input | motor | servo | (expr)>";
const char* const FLAG_RANGE = "IXO K400 VEP supports only flags 1-32.";
const char* const INPUT_TYPE = "Digital inputs must be either type A or type B.";

TEST(IfInstruction, EncodesLengthComparisonDestinationAndSources) {
    jump_program b;
    b.expect_rows_in(1, {
        {"if ctr#1 >= ctr#2 goto next", "80 03 00 01"},
        {"if ain#1 < 1000 goto [5]", "A1 04 04 80 F0 E8 03"},
        {"if ctr#1<=ctr#2 goto next", "80 05 00 01"},
        {"if reg#200 <> 5 goto next", "82 01 FB C8 00 F0 05 00"},
        {"if 70000 = -1 goto next", "84 00 F9 70 11 01 00 F9 FF FF FF FF"},
    });
}

TEST(IfInstruction, ComparisonCodes) {
    const struct {
        const char* written;
        const char* code;
    } comparisons[] = {{"=", "00"}, {"<>", "01"}, {">", "02"}, {">=", "03"}, {"<", "04"}, {"<=", "05"}};
    jump_program b;
    for (const auto& c : comparisons) {
        SCOPED_TRACE(c.written);
        EXPECT_EQ(b.compile_in(1, {std::string("if reg#1 ") + c.written + " reg#2 goto next"}),
                  result(std::string("80 ") + c.code + " 00 01"));
    }
}

TEST(IfInstruction, FailuresAddTheSyntaxMessageAndAppendNothing) {
    jump_program b;
    b.expect_rows_in(1, {
        {"if ctr#9 = 1 goto next", "", {"IXO K400 VEP supports only counters 1-8.", IF_SYNTAX}},
        {"if ctr#1 = ctr#9 goto next", "", {"IXO K400 VEP supports only counters 1-8.", IF_SYNTAX}},
        {"if door = 1 goto next", "", {IF_SYNTAX}},
        {"if ctr#1 ! ctr#2 goto next", "", {IF_SYNTAX}},
        {"if ctr#1 = aout#1 goto next", "", {IF_SYNTAX}},
        {"if ctr#1 = ctr#2 goto [6]", "", {NO_STEP}},
    });
}

TEST(IfInstruction, WideNumberingWidensTheDestination) {
    jump_program b(WIDE_MODEL);
    EXPECT_EQ(b.compile_in(1, {"if ctr#1 = ctr#2 goto far"}), result("A0 00 2B 01 00 01"));
}

TEST(MonitorInstruction, FlagsAndTestandset) {
    jump_program b;
    b.expect_rows_in(1, {
        {"monitor flag#3:set goto next", "CC 82"},
        {"monitor flag#3:clear goto next", "CC 42"},
        {"monitor flag#32:s goto [12]", "EC 9F 0B"},
        {"testandset flag#3 goto next", "CC 22"},
        {"testandset flag#32 goto [12]", "EC 3F 0B"},
        {"monitor flag#33:set goto next", "", {FLAG_RANGE}},
        {"monitor flag#40:x goto next", "", {FLAG_RANGE}},
        {"monitor flag#3:on goto next", "", {"Syntax:  monitor flag#<1-32>:<clear|set> goto ..."}},
        {"monitor flag#3 goto next", "", {MONITOR_SYNTAX}},
        {"monitor flag#3:set goto [6]", "", {NO_STEP}},
        {"testandset flag#33 goto next", "", {FLAG_RANGE}},
        {"testandset ctr#1 goto next", "", {"Syntax:  testandset flag#<1-32> goto ..."}},
        {"testandset flag#3 goto [6]", "", {NO_STEP}},
    });
    jump_program wide(WIDE_MODEL);
    EXPECT_EQ(wide.compile_in(1, {"testandset flag#1 goto far"}), result("EC 20 2B 01"));
    EXPECT_EQ(wide.compile_in(1, {"monitor flag#1:c goto far"}), result("EC 40 2B 01"));
}

TEST(MonitorInstruction, InputsUnderNarrowNumbering) {
    jump_program b;
    b.expect_rows_in(1, {
        {"monitor in#1a goto next", "D0 80"},
        {"monitor in#128b goto next", "D0 7F"},
        {"monitor in#5b goto [12]", "F0 0B 04"},
        {"monitor in#130a goto next", "", {"IXO K400 VEP supports only digital inputs 1-128."}},
        {"monitor in#5 goto next", "", {INPUT_TYPE}},
    });
}

TEST(MonitorInstruction, InputsUnderWideNumbering) {
    jump_program b(WIDE_MODEL);
    b.expect_rows_in(1, {
        {"monitor in#130a goto next", "D0 81 80"},
        {"monitor in#1024a goto next", "D0 FF 83"},
        {"monitor in#5b goto [12]", "F0 0B 00 04 00"},
        {"monitor in#300b goto far", "F0 2B 01 2B 01"},
        {"monitor in#1025a goto next", "", {"IXO K400 VEP supports only digital inputs 1-1024."}},
    });
}

TEST(MonitorInstruction, MotorsAndServos) {
    jump_program b;
    b.expect_rows_in(1, {
        {"monitor motor#2:running goto [3]", "6F 01 02"},
        {"monitor motor#2:stopped goto next", "47 01"},
        {"monitor motor#16:s goto [3]", "67 0F 02"},
        {"monitor servo#4:running goto next", "0F 03"},
        {"monitor servo#4:stopped goto [12]", "27 03 0B"},
        {"monitor motor#17:r goto next", "", {"IXO K400 VEP supports only motors 1-16."}},
        {"monitor motor#2:x goto next", "", {"Syntax:  monitor motor#<1-16>:<running|stopped> goto ..."}},
        {"monitor servo#0:r goto next", "", {"IXO K400 VEP supports only servos 1-16."}},
        {"monitor servo#4:p goto next", "", {"Syntax:  monitor servo#<1-16>:<running|stopped> goto ..."}},
        {"monitor timer#1 goto next", "", {MONITOR_SYNTAX}},
    });
    jump_program wide(WIDE_MODEL);
    EXPECT_EQ(wide.compile_in(1, {"monitor motor#2:running goto far"}), result("6F 01 2B 01"));
    EXPECT_EQ(wide.compile_in(1, {"monitor servo#4:r goto far"}), result("2F 03 2B 01"));
}

TEST(MonitorInstruction, ExpressionUnderNarrowNumbering) {
    jump_program b;
    b.expect_rows_in(1, {
        // L, mask, elements in postfix order.
        {"monitor (and in#1a flag#2:set) goto next", "00 06 01 80 61 82"},
        {"monitor (and in#1a flag#2:set) goto [12]", "20 07 0B 01 80 61 82"},
        // Eight elements still take one mask byte.
        {"monitor (and flag#1:s flag#2:s flag#3:s flag#4:s flag#5:s flag#6:s in#7b) goto next",
         "00 0B 40 60 61 62 63 64 65 06 87"},
        // Ten elements: the mask's high byte carries the ninth element.
        {"monitor (and flag#1:s flag#2:s flag#3:s flag#4:s flag#5:s flag#6:s flag#7:s flag#8:s in#9a) goto next",
         "00 0E 00 01 60 61 62 63 64 65 66 67 88 89"},
        {"monitor (and in#5a) goto next", "", {"Each logical functions requires at least two operands."}},
        {"monitor (and in#1a flag#2:set) goto [6]", "", {NO_STEP}},
    });
}

TEST(MonitorInstruction, ExpressionUnderWideNumberingWidensInputElementsOnly) {
    jump_program b(WIDE_MODEL);
    b.expect_rows_in(1, {
        {"monitor (and in#1a flag#2:set) goto next", "00 07 01 00 80 61 82"},
        {"monitor (and in#1a flag#2:set) goto far", "20 09 2B 01 01 00 80 61 82"},
        {"monitor (or in#1000a motor#2:r) goto next", "00 07 01 E7 83 21 92"},
    });
}

TEST(ConditionInstructions, RecordReferencesOutOfRange) {
    const struct {
        const char* text;
        const char* entry;
    } cases[] = {
        {"monitor flag#33:set goto next", "\nFlag #33\n"},
        {"testandset flag#34 goto next", "\nFlag #34\n"},
        {"monitor in#130a goto next", "\nDigital Input #130\n"},
        {"monitor motor#17:r goto next", "\nStepper Motor #17\n"},
        {"monitor servo#18:r goto next", "\nServo #18\n"},
    };
    jump_program b;
    for (const auto& c : cases) b.compile_in(1, {c.text});
    std::string map = b.xref();
    for (const auto& c : cases) EXPECT_NE(map.find(c.entry), std::string::npos) << c.entry;
}

}  // namespace
