// Resource operands: every encoding, every range message, and the monitor
// element list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "step_harness.h"
#include "steps/operands.h"

namespace {

using namespace px;
using pxtest::step_program;

// An operand parsed as the instruction "store ... " of step 1 would parse
// it, shown as its code ("03 F0 64 00"), "failed" for length 0, or "none".
class Operands : public ::testing::Test {
protected:
    explicit Operands(int model = pxtest::NARROW_MODEL) : program(model) {
        list_node* s = program.add_step(1, {"store operand"});
        current_step = s;
        current_instruction = step_of(s)->instructions;
    }
    static std::string shown(const operand_code* code) {
        if (!code) return "none";
        if (code->length() == 0) return "failed";
        return pxtest::hex(code->bytes, std::size_t(code->length()) + 1);
    }
    std::string source(const char* operand) {
        operand_code buffer{};
        return shown(parse_source("store operand", operand, &buffer));
    }
    std::string destination(const char* operand) {
        operand_code buffer{};
        return shown(parse_destination("store operand", operand, &buffer));
    }
    std::string data_source(const char* operand) {
        operand_code buffer{};
        return shown(parse_data_source("store operand", operand, &buffer));
    }
    void table_with_columns(int columns) { the_program.table = new_data_table(2, columns); }
    std::vector<std::string> messages() { return program.messages(); }

    step_program program;
};

TEST_F(Operands, RegistersUseAShortCodeUpTo128AndTheirNumberAbove) {
    EXPECT_EQ(source("reg#1 "), "01 00");
    EXPECT_EQ(source("reg#128 "), "01 7F");
    EXPECT_EQ(source("reg#129 "), "03 FB 81 00");
    EXPECT_EQ(source("reg#60000 "), "03 FB 60 EA");
    EXPECT_EQ(destination("  reg# 12x"), "01 0B");
    EXPECT_TRUE(messages().empty());
}

TEST_F(Operands, RegistersOutOfRangeFailAsARecognisedForm) {
    EXPECT_EQ(data_source("reg#60001 "), "failed");
    EXPECT_EQ(data_source("reg#0 "), "failed");
    EXPECT_EQ(source("reg#-1 "), "none");
    const std::string m = "Problem:  IXO K400 VEP supports only registers 1-60000.";
    EXPECT_EQ(messages(), (std::vector<std::string>{m, m, m}));
}

TEST_F(Operands, CountersShareTheRegisterCodes) {
    EXPECT_EQ(source("ctr#3 "), "01 02");
    EXPECT_EQ(destination("ctr#8 "), "01 07");
    EXPECT_EQ(data_source("ctr#9 "), "failed");
    EXPECT_EQ(messages(), std::vector<std::string>{"Problem:  IXO K400 VEP supports only counters 1-8."});
}

TEST_F(Operands, ColumnsNeedADataTable) {
    EXPECT_EQ(data_source("col#1 "), "none");
    EXPECT_EQ(messages(), std::vector<std::string>{"Problem:  Referenced data table does not exist."});
}

TEST_F(Operands, ColumnsAreCheckedAgainstTheTableAndThe32Limit) {
    table_with_columns(4);
    EXPECT_EQ(source("col#1 "), "01 C0");
    EXPECT_EQ(destination("col#4 "), "01 C3");
    EXPECT_EQ(data_source("col#5 "), "failed");
    EXPECT_EQ(data_source("col#0 "), "failed");
    // Negative columns would otherwise encode as analog inputs.
    EXPECT_EQ(data_source("col#-1 "), "failed");
    const std::string m = "Problem:  Data table column number out of range.";
    EXPECT_EQ(messages(), (std::vector<std::string>{m, m, m}));
}

TEST_F(Operands, ColumnsBeyond32AreRefusedEvenInAWideTable) {
    table_with_columns(40);
    EXPECT_EQ(source("col#32 "), "01 DF");
    EXPECT_EQ(source("col#33 "), "none");
    EXPECT_EQ(messages(), std::vector<std::string>{"Problem:  IXO K400 VEP supports only 32 data table columns."});
}

TEST_F(Operands, ProtoBoardsSelectABitAByteOrAWord) {
    EXPECT_EQ(source("proto#3:bit#5 "), "03 F8 02 84");
    EXPECT_EQ(source("proto#3:bit#5:bcd "), "03 F8 02 84");
    EXPECT_EQ(source("proto#3:byte#2:bcd "), "03 F8 82 41");
    EXPECT_EQ(source("proto#8:byte#4 "), "03 F8 07 43");
    EXPECT_EQ(destination("proto#1:word#2 "), "03 F8 00 01");
    EXPECT_EQ(destination("proto#2:word#1:bcdx "), "03 F8 81 00");
    EXPECT_TRUE(messages().empty());
}

TEST_F(Operands, ProtoBoardsReportEachFault) {
    const std::string syntax = "Syntax:  proto#<1-8>:<bit#<1-32> | byte#<1-4> | word#<1-2>>[:bcd]";
    EXPECT_EQ(data_source("proto#9:bit#1 "), "failed");
    EXPECT_EQ(data_source("proto#1 :bit#1 "), "failed");
    EXPECT_EQ(data_source("proto#1:bit#33 "), "failed");
    EXPECT_EQ(data_source("proto#1:byte#5 "), "failed");
    EXPECT_EQ(data_source("proto#1:word#3 "), "failed");
    EXPECT_EQ(data_source("proto#1:byte#1:hex "), "failed");
    EXPECT_EQ(data_source("proto#1:nibble#1 "), "failed");
    EXPECT_EQ(source("proto#1:nibble#1 "), "none");
    EXPECT_EQ(messages(), (std::vector<std::string>{
                              "Problem:  IXO K400 VEP supports only prototype boards 1-8.",
                              syntax,
                              "Problem:  The proto board supports only bits 1-32.",
                              "Problem:  The proto board supports only bytes 1-4.",
                              "Problem:  The proto board supports only words 1-2.",
                              syntax,
                              syntax,
                              syntax,
                          }));
}

TEST_F(Operands, AnalogInputsAreSourcesOnly) {
    EXPECT_EQ(source("ain#1 "), "01 80");
    EXPECT_EQ(source("ain#64 "), "01 BF");
    EXPECT_EQ(source("ain#65 "), "03 F1 00 40");
    EXPECT_EQ(source("ain#256 "), "03 F1 00 FF");
    EXPECT_EQ(source("ain#257 "), "none");
    EXPECT_EQ(destination("ain#3 "), "none");
    EXPECT_EQ(messages(), std::vector<std::string>{"Problem:  IXO K400 VEP supports only analog inputs 1-256."});
}

TEST_F(Operands, AnalogOutputsAreDestinationsOnly) {
    EXPECT_EQ(destination("aout#64 "), "01 BF");
    EXPECT_EQ(destination("aout#65 "), "03 F1 00 40");
    EXPECT_EQ(destination("aout#0 "), "none");
    EXPECT_EQ(source("aout#3 "), "none");
    EXPECT_EQ(messages(), std::vector<std::string>{"Problem:  IXOK400 VEP supports only analog outputs 1-256."});
}

TEST_F(Operands, ThumbwheelsReadAndDisplaysWriteTheSameCode) {
    EXPECT_EQ(source("twhl#16 "), "01 EF");
    EXPECT_EQ(destination("disp#16 "), "01 EF");
    EXPECT_EQ(source("twhl#17 "), "none");
    EXPECT_EQ(destination("disp#17 "), "none");
    EXPECT_EQ(source("disp#1 "), "none");
    EXPECT_EQ(destination("twhl#1 "), "none");
    EXPECT_EQ(messages(), (std::vector<std::string>{"Problem:  IXO K400 VEP supports only thumbwheels 1-16.",
                                                    "Problem:  IXO K400 VEP supports only displays 1-16."}));
}

TEST_F(Operands, ServosGiveTheirPositionOrError) {
    EXPECT_EQ(source("servo#2:error "), "03 FA 01 FF");
    EXPECT_EQ(source("servo#2:position "), "03 FA 01 00");
    EXPECT_EQ(source("servo#16:p "), "03 FA 0F 00");
    EXPECT_EQ(source("servo#2 "), "none");
    EXPECT_EQ(source("servo#2:x "), "none");
    EXPECT_EQ(source("servo#17:p "), "none");
    EXPECT_EQ(messages(), (std::vector<std::string>{"Syntax:  servo#<1-16>:<position | error>",
                                                    "Problem:  IXO K400 VEP supports only servos 1-16."}));
}

TEST_F(Operands, LiteralsAreShortUpTo65535AndSigned32BitsOtherwise) {
    EXPECT_EQ(source("100 "), "03 F0 64 00");
    EXPECT_EQ(source("0 "), "03 F0 00 00");
    EXPECT_EQ(source("65535 "), "03 F0 FF FF");
    EXPECT_EQ(source("65536 "), "05 F9 00 00 01 00");
    EXPECT_EQ(source("-2 "), "05 F9 FE FF FF FF");
    EXPECT_EQ(source("-1 "), "05 F9 FF FF FF FF");
    EXPECT_EQ(source("2147483647 "), "05 F9 FF FF FF 7F");
    EXPECT_EQ(source("-2147483648 "), "05 F9 00 00 00 80");
    EXPECT_EQ(source("12abc"), "03 F0 0C 00");
    EXPECT_EQ(destination("100 "), "none");
    EXPECT_TRUE(messages().empty());
}

TEST_F(Operands, LiteralsKeepEveryDigitOfALongRun) {
    std::string zeros = std::string(70, '0') + "42 ";
    EXPECT_EQ(source(zeros.c_str()), "03 F0 2A 00");
}

TEST_F(Operands, LiteralsBeyond32BitsAreRefusedNotWrapped) {
    EXPECT_EQ(source("4294967396 "), "none");
    EXPECT_EQ(source("-2147483649 "), "none");
    EXPECT_EQ(messages(),
              (std::vector<std::string>{"Problem:  The number 4294967396 is outside -2147483648 to 2147483647.",
                                        "Problem:  The number -2147483649 is outside -2147483648 to 2147483647."}));
}

TEST_F(Operands, TextThatIsNoOperandGivesNothingAndNoMessage) {
    EXPECT_EQ(source("-x "), "none");
    EXPECT_EQ(source("+5 "), "none");
    EXPECT_EQ(source("flag#1 "), "none");
    EXPECT_EQ(source(""), "none");
    EXPECT_EQ(destination("to reg#1 "), "none");
    EXPECT_EQ(data_source("ain#1 "), "none");
    EXPECT_TRUE(messages().empty());
}

TEST_F(Operands, WithoutABufferShareOneResult) {
    const operand_code* a = parse_source("store", "reg#1 ", nullptr);
    const operand_code* b = parse_destination("store", "disp#2 ", nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(shown(b), "01 E1");
}

TEST_F(Operands, RecordNumbersBeforeTheirRangeTest) {
    table_with_columns(2);
    source("reg#60001 ");
    source("ctr#9 ");
    source("col#7 ");
    source("proto#12:bit#1 ");
    source("ain#300 ");
    destination("aout#301 ");
    source("twhl#20 ");
    destination("disp#21 ");
    source("servo#30:p ");
    std::string map = program.xref();
    for (const char* header : {"\nRegister #60001\n", "\nCounter #9\n", "\nData Table Column #7\n",
                               "\nPrototype Board #12\n", "\nAnalog Input #300\n", "\nAnalog Output #301\n",
                               "\nThumbwheel #20\n", "\nDigital Display #21\n", "\nServo #30\n"})
        EXPECT_NE(map.find(header), std::string::npos) << header;
    EXPECT_NE(map.find("[1]  store operand"), std::string::npos);
}

// The monitor list of "monitor (" ... ")": elements, count and input mask.
class MonitorList : public Operands {
protected:
    explicit MonitorList(int model = pxtest::NARROW_MODEL) : Operands(model) {}
    struct outcome {
        int count;
        std::string elements;
        uint16_t mask;
    };
    outcome parse(const char* after_parenthesis) {
        text = after_parenthesis;
        monitor_cursor = text.c_str();
        monitor_input_mask = 0;
        uint16_t elements[MONITOR_ELEMENTS] = {};
        int count = parse_monitor_list("monitor", elements, 0, MONITOR_ELEMENTS);
        std::string shown;
        for (int i = 0; i < count; ++i) {
            char hexed[8];
            std::snprintf(hexed, sizeof hexed, "%s%X", i ? " " : "", elements[i]);
            shown += hexed;
        }
        return {count, shown, monitor_input_mask};
    }
    std::string text;
};

class WideMonitorList : public MonitorList {
protected:
    WideMonitorList() : MonitorList(pxtest::WIDE_MODEL) {}
};

TEST_F(MonitorList, IsWrittenInPostfixOrder) {
    outcome r = parse("or in#1b (nand flag#1:set motor#2:running) servo#3:stopped) goto next ");
    EXPECT_EQ(r.count, 6);
    EXPECT_EQ(r.elements, "0 60 21 C2 12 93");
    EXPECT_EQ(r.mask, 0x0001);
    EXPECT_STREQ(monitor_cursor, ") goto next ");
    EXPECT_TRUE(messages().empty());
}

TEST_F(MonitorList, EncodesEveryElementKind) {
    outcome r = parse("xor in#2a in#128b flag#32:clear motor#16:s servo#1:r) ");
    EXPECT_EQ(r.elements, "81 7F 5F F 30 A5");
    EXPECT_EQ(r.mask, 0x0003);
}

TEST_F(MonitorList, NeedsTwoOperandsPerList) {
    EXPECT_EQ(parse("and in#5a) ").count, -1);
    EXPECT_EQ(messages(), std::vector<std::string>{"Problem:  Each logical functions requires at least two operands."});
}

TEST_F(MonitorList, HoldsAtMostSixteenElements) {
    std::string fifteen = "and";
    for (int i = 1; i <= 15; ++i) fifteen += " flag#" + std::to_string(i) + ":s";
    EXPECT_EQ(parse((fifteen + ") ").c_str()).count, 16);
    EXPECT_EQ(parse((fifteen + " flag#16:s) ").c_str()).count, -1);
    EXPECT_EQ(parse("or (and flag#1:s flag#2:s flag#3:s flag#4:s flag#5:s flag#6:s flag#7:s) (and flag#8:s "
                    "flag#9:s flag#10:s flag#11:s flag#12:s flag#13:s (or flag#14:s flag#15:s))) ")
                  .count,
              -1);
    const std::string m = "Problem:  The monitor boolean instruction can handle only 16 elements.";
    EXPECT_EQ(messages(), (std::vector<std::string>{m, m}));
}

TEST_F(MonitorList, ReportsEachElementFault) {
    EXPECT_EQ(parse("and in#129a in#1a) ").count, -1);
    EXPECT_EQ(parse("and in#1c in#1a) ").count, -1);
    EXPECT_EQ(parse("and flag#33:s in#1a) ").count, -1);
    EXPECT_EQ(parse("and flag#3:on in#1a) ").count, -1);
    EXPECT_EQ(parse("and motor#17:r in#1a) ").count, -1);
    EXPECT_EQ(parse("and motor#1:x in#1a) ").count, -1);
    EXPECT_EQ(parse("and servo#17:r in#1a) ").count, -1);
    EXPECT_EQ(parse("and servo#1:x in#1a) ").count, -1);
    EXPECT_EQ(parse("not in#1a in#2a) ").count, -1);
    EXPECT_EQ(messages(), (std::vector<std::string>{
                              "Problem:  IXO K400 VEP supports only digital inputs 1-128.",
                              "Problem:  Digital inputs must be either type A or type B.",
                              "Problem:  IXO K400 VEP supports only flags 1-32.",
                              "Flags must be monitored for :set or :clear.",
                              "Problem:  IXO K400 VEP supports only stepper motors 1-16.",
                              "Motors must be monitored for :running or :stoppedp->",
                              "Problem:  IXO K400 VEP supports only servos 1-16.",
                              "Servos must be monitored for :running or :stopped.",
                              "Syntax:  monitor ([n]<and|or|xor> ...)",
                          }));
}

TEST_F(MonitorList, ShowsTheUnreadRestOfAnUnknownElement) {
    EXPECT_EQ(parse("and in#1a reg#5 100%) goto next ").count, -1);
    auto entries = program.listing();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].message, "Syntax:  monitor ([n]<and|or|xor> <input|flag|motor|servo>*) goto ...");
    EXPECT_EQ(entries[1].message, "Problem:  reg#5 100%) goto next ");
    EXPECT_EQ(entries[1].instruction, "monitor");
}

TEST_F(MonitorList, EndsAtTheEndOfTheTextWithoutItsParenthesis) {
    outcome r = parse("nor flag#1:s flag#2:c ");
    EXPECT_EQ(r.count, 3);
    EXPECT_EQ(r.elements, "60 41 D2");
    EXPECT_TRUE(messages().empty());
}

TEST_F(WideMonitorList, NumbersInputsTo1024WithTypeAInTheHighBit) {
    outcome r = parse("or in#1000a in#1024b) ");
    EXPECT_EQ(r.elements, "83E7 3FF 92");
    EXPECT_EQ(r.mask, 0x0003);
    EXPECT_EQ(parse("or in#1025a in#1b) ").count, -1);
    EXPECT_EQ(messages(), std::vector<std::string>{"Problem:  IXO K400 VEP supports only digital inputs 1-1024."});
}

TEST_F(MonitorList, RecordsEachResource) {
    parse("and in#200a flag#40:s) ");
    parse("and motor#20:r servo#21:s) ");
    std::string map = program.xref();
    for (const char* header : {"\nDigital Input #200\n", "\nStepper Motor #20\n"})
        EXPECT_NE(map.find(header), std::string::npos) << header;
}

}  // namespace
