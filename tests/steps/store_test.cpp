// The store instruction, compiled through the whole step frame.
#include <cstdio>
#include <string>
#include <vector>

#include "step_harness.h"

namespace {

using pxtest::instruction_row;

class StoreTest : public pxtest::step_program_test {};

const char* const SYNTAX = "Syntax:  store <source> [<+-/%[n]<and|or|xor>ror|rol> <source>] to <dest>";

TEST_F(StoreTest, CopyFormOpcodeFollowsOperandLengths) {
    program.expect_rows({
        {"store ctr#1 to reg#5", "38 00 04", {}},
        {"store 1000 to reg#5", "39 F0 E8 03 04", {}},
        {"store -1 to reg#200", "3B F9 FF FF FF FF FB C8 00", {}},
        {"STORE Servo#2:Error TO disp#16", "39 FA 01 FF EF", {}},
    });
}

TEST_F(StoreTest, OperatorFormOpcodeFollowsOperandLengths) {
    program.expect_rows({
        {"store ctr#1 + ctr#2 to ctr#3", "18 00 00 01 02", {}},
        {"store reg#1 + 1 to reg#1", "19 00 00 F0 01 00 00", {}},
        {"store 1 + ctr#1 to reg#300", "1A 00 F0 01 00 00 FB 2C 01", {}},
        {"store -1 * -2 to reg#300", "1D 02 F9 FF FF FF FF F9 FE FF FF FF FB 2C 01", {}},
    });
}

TEST_F(StoreTest, EveryOperatorSpellingSelectsItsOperation) {
    struct spelling {
        const char* written;
        int op;
    };
    const spelling spellings[] = {
        {"+", 0},     {"-", 1},      {"*", 2},     {"/", 3},     {"&", 4},    {"and", 4},
        {"a", 4},     {"|", 5},      {"or", 5},    {"^", 6},     {"xor", 6},  {"nand", 7},
        {"nor", 8},   {"nxor", 9},   {"&~", 10},   {"andnot", 10}, {"%", 11}, {"mod", 11},
        {"ror", 12},  {"rol", 13},   {"ANDNOT", 10}, {"Xor", 6},
    };
    std::vector<instruction_row> cases;
    for (const spelling& s : spellings) {
        char op[3];
        std::snprintf(op, sizeof op, "%02X", s.op);
        cases.push_back({std::string("store ctr#1 ") + s.written + " ctr#2 to ctr#3",
                         std::string("18 ") + op + " 00 01 02", {}});
    }
    program.expect_rows(cases);
}

TEST_F(StoreTest, OperatorCharactersNeedNoBlanks) {
    program.expect_rows({
        {"store ctr#1+ctr#2 to ctr#3", "18 00 00 01 02", {}},
        {"store ctr#1&~ctr#2 to ctr#3", "18 0A 00 01 02", {}},
        // "&" stands alone like every other operator character.
        {"store ctr#1 &ctr#2 to ctr#3", "18 04 00 01 02", {}},
        {"store ctr#1 %ctr#2 to ctr#3", "18 0B 00 01 02", {}},
        // "-" is no token of its own: "-5" is one word, so the second source is missing.
        {"store reg#1 -5 to reg#2", "", {SYNTAX}},
        {"store reg#1 - 5 to reg#2", "19 01 00 F0 05 00 01", {}},
    });
}

TEST_F(StoreTest, RefusedInstructionsAppendNothing) {
    program.expect_rows({
        {"store ctr#1 ctr#2 to ctr#3", "", {SYNTAX}},
        {"store ctr#1 to 5", "", {SYNTAX}},
        {"store ctr#1 to ain#1", "", {SYNTAX}},
        {"store aout#1 to reg#1", "", {SYNTAX}},
        {"store ctr#1 + ctr#2 into ctr#3", "", {SYNTAX}},
        {"store ctr#1 rox ctr#2 to ctr#3", "", {SYNTAX}},
        {"store ctr#1 nq ctr#2 to ctr#3", "", {SYNTAX}},
        {"store ctr#1 + to ctr#3", "", {SYNTAX}},
        {"store", "", {SYNTAX}},
    });
}

TEST_F(StoreTest, OperandRangeMessageComesBeforeTheSyntaxMessage) {
    program.expect_rows({
        {"store ctr#9 to reg#1", "", {"IXO K400 VEP supports only counters 1-8.", SYNTAX}},
        {"store ctr#1 + ctr#9 to ctr#3", "", {"IXO K400 VEP supports only counters 1-8.", SYNTAX}},
        {"store ctr#1 to reg#0", "", {"IXO K400 VEP supports only registers 1-60000.", SYNTAX}},
        {"store ctr#1 to disp#17", "", {"IXO K400 VEP supports only displays 1-16.", SYNTAX}},
    });
}

}  // namespace
