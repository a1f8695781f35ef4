// Goto destinations: the next step, a step by number, a step by label, and
// how each is appended.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "step_harness.h"
#include "steps/goto_destination.h"

namespace {

using namespace px;
using pxtest::step_program;

const char* const NEXT_MISSING = "Problem:  The next step does not exist.";
const char* const STEP_MISSING = "Problem:  The destination step does not exist.";
const char* const LABEL_MISSING = "Problem:  The destination label does not exist.";

TEST(GotoNext, NamesTheFollowingStep) {
    step_program program;
    list_node* first = program.add_step(1, {"goto next"});
    program.add_step(2, {"set flag#1"});
    EXPECT_EQ(program.compile(first), "02 00 C9");
}

TEST(GotoNext, NeedsAFollowingStepNumberedOneHigher) {
    step_program program;
    list_node* first = program.add_step(1, {"goto next"});
    list_node* last = program.add_step(3, {"goto next"});
    EXPECT_EQ(program.compile(first), "01 00");
    EXPECT_EQ(program.compile(last), "01 00");
    auto entries = program.listing();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].step, 1);
    EXPECT_EQ(entries[0].message, NEXT_MISSING);
    EXPECT_EQ(entries[1].step, 3);
    EXPECT_EQ(entries[1].message, NEXT_MISSING);
}

TEST(GotoNext, NeedsNoBlankAfterGotoAndEndsAtAnyNameDelimiter) {
    step_program program;
    list_node* first = program.add_step(1, {"stop gotonext", "goto  next)"});
    program.add_step(2, {"set flag#1"});
    EXPECT_EQ(program.compile(first), "03 00 CB C9");
}

TEST(GotoNext, IsALabelWhenMoreNameCharactersFollow) {
    step_program program;
    list_node* first = program.add_step(1, {"goto nextstep"});
    program.add_step(2, {"set flag#1"});
    program.add_step(9, {"set flag#1"}, "NextStep");
    EXPECT_EQ(program.compile(first), "03 00 E9 08");
}

TEST(GotoNumber, FindsTheStepByItsNumberNotItsPosition) {
    step_program program;
    list_node* first = program.add_step(1, {"goto [12]", "goto [ +12", "goto[12]"});
    program.add_step(5, {"set flag#1"});
    program.add_step(12, {"set flag#1"});
    EXPECT_EQ(program.compile(first), "07 00 E9 0B E9 0B E9 0B");
    EXPECT_TRUE(program.listing().empty());
}

TEST(GotoNumber, RefusesANumberNoStepCarries) {
    step_program program;
    list_node* first = program.add_step(1, {"goto [7]", "goto [-3]", "goto [99999999999]"});
    EXPECT_EQ(program.compile(first), "01 00");
    EXPECT_EQ(program.messages(), (std::vector<std::string>{STEP_MISSING, STEP_MISSING, STEP_MISSING}));
}

TEST(GotoNumber, ZeroIsLookedUpAsALabel) {
    step_program program;
    list_node* first = program.add_step(1, {"goto [0]"}, "start");
    EXPECT_EQ(program.compile(first), "01 00");
    EXPECT_EQ(program.messages(), std::vector<std::string>{LABEL_MISSING});
}

TEST(GotoLabel, NeedsTheWholeLabelFollowedByTheEndOfAName) {
    step_program program;
    list_node* first = program.add_step(1, {"goto fill2", "goto fill", "goto fill.x"}, "top");
    program.add_step(4, {"set flag#1"}, "fill");
    program.add_step(6, {"set flag#1"}, "fill2");
    EXPECT_EQ(program.compile(first), "05 00 E9 05 E9 03");
    EXPECT_EQ(program.messages(), std::vector<std::string>{LABEL_MISSING});
}

TEST(GotoLabel, MatchesWithoutRegardToCase) {
    step_program program;
    list_node* first = program.add_step(1, {"goto FILL"});
    program.add_step(2, {"set flag#1"}, "Fill");
    EXPECT_EQ(program.compile(first), "03 00 E9 01");
}

TEST(GotoLabel, TakesTheFirstOfDuplicateLabels) {
    step_program program;
    list_node* first = program.add_step(1, {"goto twice"});
    program.add_step(3, {"set flag#1"}, "twice");
    program.add_step(8, {"set flag#1"}, "TWICE");
    EXPECT_EQ(program.compile(first), "03 00 E9 02");
}

TEST(GotoLabel, WithADelimiterInsideCompetesInProgramOrder) {
    {
        step_program program;
        list_node* first = program.add_step(1, {"goto fill-2"});
        program.add_step(3, {"set flag#1"}, "fill-2");
        program.add_step(5, {"set flag#1"}, "fill");
        EXPECT_EQ(program.compile(first), "03 00 E9 02");
    }
    {
        // "fill" matches too: the '-' after it ends a name.
        step_program program;
        list_node* first = program.add_step(1, {"goto fill-2", "goto fill-3"});
        program.add_step(3, {"set flag#1"}, "fill");
        program.add_step(5, {"set flag#1"}, "FILL-2");
        EXPECT_EQ(program.compile(first), "05 00 E9 02 E9 02");
    }
    {
        step_program program;
        list_node* first = program.add_step(1, {"goto a#b", "goto a#bc"});
        program.add_step(3, {"set flag#1"}, "a#b");
        EXPECT_EQ(program.compile(first), "03 00 E9 02");
        EXPECT_EQ(program.messages(), std::vector<std::string>{LABEL_MISSING});
    }
}

TEST(GotoSyntax, ShowsTheModelsStepCount) {
    {
        step_program program(pxtest::NARROW_MODEL);
        program.add_step(1, {"set flag#1"});
        current_step = the_program.steps;
        EXPECT_EQ(goto_destination("stop got next", " got next "), nullptr);
        EXPECT_EQ(program.messages(), std::vector<std::string>{"Syntax:  ... goto < next | [1-256] | label >"});
    }
    {
        step_program program(pxtest::WIDE_MODEL);
        program.add_step(1, {"set flag#1"});
        current_step = the_program.steps;
        EXPECT_EQ(goto_destination("if in#1a go to 4", "go to 4 "), nullptr);
        EXPECT_EQ(program.messages(), std::vector<std::string>{"Syntax:  ... goto < next | [1-1024] | label >"});
    }
}

TEST(GotoDestination, DoesNotNeedTheWorkingText) {
    step_program program;
    program.add_step(1, {"set flag#1"});
    program.add_step(2, {"set flag#1"}, "Loop");
    current_step = the_program.steps;
    const destination* d = goto_destination("do (loop)", "goto loop");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->kind, DEST_STEP);
    EXPECT_EQ(d->index, 1u);
}

TEST(AppendDestination, IsOneByteNarrowAndTwoBytesWide) {
    {
        step_program program(pxtest::WIDE_MODEL);
        list_node* first = program.add_step(1, {"goto [300]", "stop goto next"});
        program.add_step(2, {"set flag#1"});
        program.add_step(300, {"set flag#1"});
        EXPECT_EQ(program.compile(first), "05 00 E9 2B 01 CB");
    }
    {
        step_program program(pxtest::NARROW_MODEL);
        list_node* first = program.add_step(1, {"goto [200]"});
        program.add_step(200, {"set flag#1"});
        EXPECT_EQ(program.compile(first), "03 00 E9 C7");
    }
}

TEST(DestinationIndex, BelongsToOneProgramOnly) {
    // Two programs built alike in fresh pools, the second compiled from its
    // second step on: it must not see the labels of the first.
    {
        step_program program;
        program.add_step(1, {"goto alpha"});
        program.add_step(2, {"set flag#1"}, "alpha");
        EXPECT_EQ(program.compile_all(), "03 00 7F 80");
    }
    {
        step_program program;
        program.add_step(1, {"set flag#1"});
        list_node* second = program.add_step(2, {"goto alpha"}, "beta");
        program.add_step(3, {"set flag#1"}, "alpha");
        EXPECT_EQ(program.compile(second), "03 00 E9 02");
    }
    {
        // Asked directly, without a step compiled first.
        step_program program;
        program.add_step(1, {"set flag#1"});
        program.add_step(2, {"set flag#1"}, "gamma");
        program.add_step(3, {"set flag#1"}, "alpha");
        current_step = the_program.steps;
        const destination* d = goto_destination("goto alpha", "goto alpha ");
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->index, 2u);
    }
}

TEST(DestinationIndex, FollowsAProgramThatChangedBetweenWalks) {
    step_program program;
    list_node* first = program.add_step(1, {"goto later"});
    EXPECT_EQ(program.compile(first), "01 00");
    program.add_step(40, {"set flag#1"}, "later");
    EXPECT_EQ(program.compile(first), "03 00 E9 27");
    EXPECT_EQ(program.messages(), std::vector<std::string>{LABEL_MISSING});
}

TEST(DestinationIndex, KeepsLargeProgramsLinear) {
    step_program program(pxtest::WIDE_MODEL);
    apply_model(model_table[12]);  // K530: 4096 steps
    std::vector<std::string> labels, gotos;
    for (int n = 1; n <= 4096; ++n) {
        labels.push_back("label_" + std::to_string(n));
        gotos.push_back("goto label_" + std::to_string(4097 - n));
    }
    for (int n = 1; n <= 4096; ++n) {
        const char* label = n <= 4000 ? labels[n - 1].c_str() : nullptr;
        program.add_step(static_cast<uint32_t>(n), {gotos[n - 1].c_str(), "goto [4096]"}, label);
    }
    auto start = std::chrono::steady_clock::now();
    program.compile_all();
    auto elapsed = std::chrono::steady_clock::now() - start;
    // Steps 1 to 96 name labels that do not exist (4001 to 4096).
    EXPECT_EQ(error_count, 96);
    list_node* step97 = the_program.steps;
    while (step_of(step97)->number != 97) step97 = step97->next;
    EXPECT_EQ(program.compile(step97), "07 00 E9 9F 0F E9 FF 0F");
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 3000);
}

}  // namespace
