// The step compile frame: the code image of a step, its output changes, the
// keyword lookup and the step-level messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "step_harness.h"
#include "steps/frame.h"

namespace {

using namespace px;
using pxtest::step_program;

TEST(InstructionKeywords, AreLookedUpExactlyInTableOrder) {
    const char* words[] = {"cancel", "clear", "count",  "delay",  "disable", "do",    "done",  "enable",
                           "goto",   "if",    "monitor", "profile", "reset", "rotate", "search", "set",
                           "shift",  "start", "stop",   "store",  "testandset", "turn", "zero"};
    for (int i = 0; i < 23; ++i) EXPECT_EQ(find_keyword(words[i]), i + 1) << words[i];
    EXPECT_EQ(find_keyword(""), 0);
    EXPECT_EQ(find_keyword("sto"), 0);
    EXPECT_EQ(find_keyword("setx"), 0);
    EXPECT_EQ(find_keyword(nullptr), 0);
}

TEST(NextToken, StepsOverOneWordAndTheBlanksAfterIt) {
    const char* text = "reg#1 \t\r\n\v\fto reg#2 ";
    EXPECT_STREQ(next_token(text), "to reg#2 ");
    EXPECT_STREQ(next_token("reg#2 "), "");
    const char* end = "reg#2";
    EXPECT_EQ(next_token(end + 5), end + 5);
}

TEST(NextToken, TreatsEachOperatorCharacterAsAToken) {
    EXPECT_STREQ(next_token("reg#1+reg#2 "), "+reg#2 ");
    EXPECT_STREQ(next_token("+reg#2 "), "reg#2 ");
    EXPECT_STREQ(next_token("((and "), "(and ");
    EXPECT_STREQ(next_token("flag#1:set) "), ") ");
    for (char c : std::string("()<>=+*/%&|~^")) EXPECT_TRUE(is_operator_char(c)) << c;
    EXPECT_FALSE(is_operator_char('#'));
    EXPECT_FALSE(is_operator_char('\0'));
}

TEST(CompileStep, MatchesKeywordsAndOperandsWithoutRegardToCase) {
    step_program program;
    list_node* upper = program.add_step(1, {"SET FLAG#3"});
    list_node* lower = program.add_step(2, {"set flag#3"});
    EXPECT_EQ(program.compile(upper), "03 00 7F 82");
    EXPECT_EQ(program.compile(lower), "03 00 7F 82");
    EXPECT_TRUE(program.listing().empty());
}

TEST(CompileStep, RefusesAnInstructionThatStartsWithABlank) {
    step_program program;
    list_node* s = program.add_step(4, {" set flag#1"});
    EXPECT_EQ(program.compile(s), "01 00");
    auto entries = program.listing();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].step, 4);
    EXPECT_EQ(entries[0].instruction, " set flag#1");
    EXPECT_EQ(entries[0].message, "Unrecognized instruction (0):  \"\".");
}

TEST(CompileStep, ReportsTheKeywordLowercasedAndTheInstructionAsWritten) {
    step_program program;
    list_node* s = program.add_step(2, {"SETX Flag#1", "set flag#2"});
    EXPECT_EQ(program.compile(s), "03 00 7F 81");
    auto entries = program.listing();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].instruction, "SETX Flag#1");
    EXPECT_EQ(entries[0].message, "Unrecognized instruction (0):  \"setx\".");
}

TEST(CompileStep, ReadsOperandsOfInstructionsLongerThanTheOldWorkingBuffer) {
    step_program program;
    std::string text = "set" + std::string(700, ' ') + "flag#2";
    list_node* s = program.add_step(1, {text.c_str()});
    EXPECT_EQ(program.compile(s), "03 00 7F 81");
}

TEST(CompileStep, SendsStopToTheGotoFormOnlyWhenItsOperandsStartWithGoto) {
    step_program program;
    list_node* first = program.add_step(1, {"STOP GOTO [2]"});
    program.add_step(2, {"set flag#1"});
    EXPECT_EQ(program.compile(first), "03 00 EB 01");
    EXPECT_TRUE(program.listing().empty());
}

TEST(CompileStep, LetsGotoReadItsClauseFromTheKeyword) {
    step_program program;
    list_node* first = program.add_step(1, {"Goto Next"});
    program.add_step(2, {"set flag#1"});
    EXPECT_EQ(program.compile(first), "02 00 C9");
}

TEST(OutputChanges, AreOneByteEachUnderNarrowNumbering) {
    step_program program(pxtest::NARROW_MODEL);
    list_node* s = program.add_step(1, {"set flag#1"}, nullptr, {3, -5});
    EXPECT_EQ(program.compile(s), "05 02 82 04 7F 80");
}

TEST(OutputChanges, AreTwoBytesLowFirstUnderWideNumbering) {
    step_program program(pxtest::WIDE_MODEL);
    list_node* s = program.add_step(1, {"set flag#1"}, nullptr, {3, -300, 1024});
    EXPECT_EQ(program.compile(s), "09 03 02 80 2B 01 FF 83 7F 80");
}

TEST(OutputChanges, AllOffDiscardsEveryOtherChangeOfTheStep) {
    step_program program;
    list_node* s = program.add_step(1, {"set flag#1"}, nullptr, {4, 0, -6});
    EXPECT_EQ(program.compile(s), "03 81 7F 80");
    std::string map = program.xref();
    EXPECT_NE(map.find("\nDigital Outputs #1-"), std::string::npos);
    EXPECT_EQ(map.find("\nDigital Output #4\n"), std::string::npos);
    EXPECT_EQ(map.find("\nDigital Output #6\n"), std::string::npos);
}

TEST(OutputChanges, AreRecordedOnAndOff) {
    step_program program;
    list_node* s = program.add_step(7, {"set flag#1"}, nullptr, {5, -9});
    program.compile(s);
    std::string map = program.xref();
    EXPECT_NE(map.find("\nDigital Output #5\n"), std::string::npos);
    EXPECT_NE(map.find("\nDigital Output #9\n"), std::string::npos);
}

TEST(CompileStep, GivesNoImageForTheEndMarkerOrAnEmptyStep) {
    step_program program;
    list_node* empty = program.add_step(1, {});
    EXPECT_EQ(compile_step(END), nullptr);
    EXPECT_EQ(program.compile(empty), "none");
    EXPECT_FALSE(pxtest::file_exists("prog.lst"));
}

TEST(CompileStep, RefusesAStepWithOutputChangesButNoInstructions) {
    step_program program;
    list_node* s = program.add_step(3, {}, nullptr, {2});
    EXPECT_EQ(program.compile(s), "none");
    auto entries = program.listing();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].step, 3);
    EXPECT_EQ(entries[0].instruction, "<none>");
    EXPECT_EQ(entries[0].message, "Problem:  This step contains no instructions.");
}

TEST(CompileStep, RefusesALabelledStepWithoutInstructions) {
    step_program program;
    list_node* s = program.add_step(3, {}, "here");
    EXPECT_EQ(program.compile(s), "none");
    EXPECT_EQ(program.messages(), std::vector<std::string>{"Problem:  This step contains no instructions."});
}

class StepLength : public pxtest::step_program_test {
protected:
    // count two-byte instructions after the count byte, then `tail`.
    list_node* step_of_length(int sets, const char* tail) {
        std::vector<std::string> instructions(static_cast<std::size_t>(sets), "set flag#1");
        if (tail) instructions.push_back(tail);
        return program.add_step(7, instructions);
    }
};

TEST_F(StepLength, Of255BytesIsKeptWhole) {
    std::string image = program.compile(step_of_length(126, "clear flag#2"));
    EXPECT_EQ(image.substr(0, 6), "FF 00 ");
    EXPECT_EQ(image.substr(image.size() - 5), "7F 01");
    EXPECT_TRUE(program.listing().empty());
}

TEST_F(StepLength, Of256BytesLosesItsLastByte) {
    std::string image = program.compile(step_of_length(127, "cancel other tasks"));
    EXPECT_EQ(image.size(), 256u * 3 - 1);
    EXPECT_EQ(image.substr(0, 6), "FF 00 ");
    EXPECT_EQ(image.substr(image.size() - 5), "7F 80");
    EXPECT_EQ(program.messages(), std::vector<std::string>{"Problem:  Step#7 too long (truncated to 255 bytes)."});
}

TEST_F(StepLength, BeyondTheBufferIsCutWithoutHarm) {
    std::string image = program.compile(step_of_length(400, nullptr));
    EXPECT_EQ(image.substr(0, 3), "FF ");
    EXPECT_EQ(program.messages(), std::vector<std::string>{"Problem:  Step#7 too long (truncated to 255 bytes)."});
    // The next step starts afresh.
    list_node* next = program.add_step(8, {"set flag#4"});
    EXPECT_EQ(program.compile(next), "03 00 7F 83");
}

TEST(DoDone, AloneInItsStepIsAccepted) {
    step_program program;
    list_node* s = program.add_step(1, {"done"}, nullptr, {2});
    EXPECT_EQ(program.compile(s), "03 01 81 CA");
    EXPECT_TRUE(program.listing().empty());
}

TEST(DoDone, IsReportedForItselfAndEveryInstructionAfterIt) {
    step_program program;
    list_node* s = program.add_step(1, {"done", "set flag#1", "set flag#2"});
    program.compile(s);
    const std::string message = "Problem:  The \"do\" and \"done\" instructions require a step of their own.";
    auto entries = program.listing();
    ASSERT_EQ(entries.size(), 3u);
    for (const auto& e : entries) {
        EXPECT_EQ(e.message, message);
        EXPECT_EQ(e.instruction, "<none>");
    }
}

TEST(DoDone, IsNotReportedForInstructionsBeforeIt) {
    step_program program;
    list_node* s = program.add_step(1, {"set flag#1", "done"});
    program.compile(s);
    EXPECT_EQ(program.messages().size(), 1u);
    // The mark does not carry into the next step.
    list_node* next = program.add_step(2, {"set flag#1", "set flag#2"});
    program.compile(next);
    EXPECT_EQ(program.messages().size(), 1u);
}

TEST(CompileStep, LeavesTheStepAndLastInstructionCurrent) {
    step_program program;
    list_node* s = program.add_step(5, {"set flag#1", "set flag#2"});
    program.compile(s);
    EXPECT_EQ(current_step, s);
    EXPECT_EQ(current_instruction, step_of(s)->instructions->next);
    EXPECT_EQ(code_position(), 5);
}

TEST(AppendByte, NeverWithdrawsTheOutputChangeCount) {
    step_program program;
    list_node* s = program.add_step(1, {"clear flag#3"});
    program.compile(s);
    withdraw_byte();
    withdraw_byte();
    withdraw_byte();
    EXPECT_EQ(code_position(), 1);
}

}  // namespace
