// The step reader on its own: line ends, push-back, texts and numbers of any
// length, and the linking state it hands from one file to the next. The
// step-file format case by case is in the golden cases (read_file_test.cpp).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "driver/build_state.h"
#include "driver/model.h"
#include "files/config.h"
#include "files/step_reader.h"
#include "program_dump.h"
#include "test_support.h"

namespace {

using pxtest::dump_program;

class step_reader : public ::testing::Test {
protected:
    pxtest::scratch_dir dir;
    pxtest::log_capture log;
    pxtest::memory_build memory{"T.VEP"};

    // The log so far, with "\r\n" line ends shown as "\n".
    std::string log_text() { return pxtest::without_cr(log.text()); }

    int read(const std::string& content, px::link_state& state, const char* name = "t.pre") {
        pxtest::write_file(name, content);
        px::text_input in(std::fopen(name, "r"));
        return px::read_step_file(in, name, state);
    }
    int read(const std::string& content) {
        px::link_state state{0, px::END, {0, 0, 0}};
        return read(content, state);
    }
};

std::string read_all(px::text_input& in) {
    std::string out;
    for (int c = in.get(); c != EOF; c = in.get()) out.push_back(static_cast<char>(c));
    return out;
}

TEST_F(step_reader, input_takes_cr_lf_as_one_line_end_and_keeps_a_lone_cr) {
    pxtest::write_file("in.txt", "a\r\nb\rc\r\n\r\n\r");
    px::text_input in(std::fopen("in.txt", "r"));
    EXPECT_EQ(read_all(in), "a\nb\rc\n\n\r");
}

TEST_F(step_reader, input_gives_back_one_character_and_refuses_a_second) {
    pxtest::write_file("in.txt", "xy");
    px::text_input in(std::fopen("in.txt", "r"));
    EXPECT_EQ(in.get(), 'x');
    EXPECT_TRUE(in.unget('x'));
    EXPECT_FALSE(in.unget('q'));
    EXPECT_FALSE(px::text_input(nullptr).unget(EOF));
    EXPECT_EQ(read_all(in), "xy");
}

TEST_F(step_reader, labels_comments_and_instructions_of_thousands_of_characters_are_read_whole) {
    std::string label(5000, 'L'), comment(12000, 'c'), instruction = "set " + std::string(30000, 'i') + " ";
    ASSERT_EQ(read("[1] " + label + "\n;;;" + comment + "\n---\n1+\n---\n" + instruction + "\n[2]\n---\n---\n"),
              px::READ_OK);
    EXPECT_EQ(dump_program(), "step 1 label \"" + label + "\"\n  comment \"" + comment + "\"\n  outputs +1\n" +
                                  "  instruction \"" + instruction + "\"\nstep 2\n");
    EXPECT_EQ(log_text(), "");
}

TEST_F(step_reader, a_step_number_too_large_for_its_field_is_refused_not_wrapped) {
    // 2^32 + 1 would wrap to 1 and be taken as a renumbered first step.
    EXPECT_EQ(read("[4294967297]\n---\n---\n"), px::READ_FAILED);
    EXPECT_EQ(log_text(), "Error:  Step number [4294967297] in file \"t.pre\" is too large.\n");
    EXPECT_EQ(dump_program(), "");
}

TEST_F(step_reader, an_endless_step_number_is_shown_cut_in_its_message) {
    EXPECT_EQ(read("[1]\n---\n---\n[" + std::string(5000, '9') + "]\n---\n---\n"), px::READ_FAILED);
    EXPECT_EQ(log_text(), "Error:  Step number [99999999999999999999...] in file \"t.pre\" is too large.\n");
    EXPECT_EQ(dump_program(), "step 1\n");
}

TEST_F(step_reader, the_largest_step_number_fits_its_field_and_is_too_many_steps) {
    EXPECT_EQ(read("[4294967295]\n---\n---\n"), px::READ_TOO_MANY_STEPS);
    EXPECT_EQ(px::error_count, 1);
    EXPECT_EQ(pxtest::read_file("T.lst"),
              "***ERROR*** in step [0]\n   Instruction:  <none>\n"
              "   Problem:  Too many steps for this type of controller, MAX is 256.\n\n");
}

TEST_F(step_reader, leading_zeros_of_a_step_number_are_no_undesirable_characters) {
    EXPECT_EQ(read("[007]\n---\n---\n"), px::READ_OK);
    EXPECT_EQ(dump_program(), "step 7\n");
    EXPECT_EQ(log_text(), "");
}

TEST_F(step_reader, an_output_number_from_32768_up_is_refused_and_the_section_goes_on) {
    // 32768 is where the section ends inside the reader: it must not end it.
    EXPECT_EQ(read("[1]\n---\n32767+ 32768+ 5- 99999999999999999999999999+\n7+\n---\ngoto next\n"), px::READ_OK);
    EXPECT_EQ(dump_program(), "step 1\n  outputs -5 +7 +32767\n  instruction \"goto next\"\n");
    EXPECT_EQ(log_text(),
              "Warning:  Output number 32768 in step [1] is larger than 32767; output change ignored.\n"
              "Warning:  Output number 99999999999999999999... in step [1] is larger than 32767; "
              "output change ignored.\n");
}

TEST_F(step_reader, every_step_of_a_file_that_starts_at_one_follows_on_from_the_previous_file) {
    px::link_state state{0, px::END, {0, 0, 0}};
    ASSERT_EQ(read("[1]\n---\n1+\n---\nwait 1\n[10]\n---\n---\n", state, "a.pre"), px::READ_OK);
    ASSERT_EQ(read("[1]\n---\n2- 3+\n---\nwait 2\nwait 3\n[2]\n---\n---\n[5]\n---\n---\n", state, "b.pre"),
              px::READ_OK);
    EXPECT_EQ(dump_program(),
              "step 1\n  outputs +1\n  instruction \"wait 1\"\nstep 10\n"
              "step 11\n  outputs -2 +3\n  instruction \"wait 2\"\n  instruction \"wait 3\"\n"
              "step 12\nstep 15\n");
    // The next file links after the last step read, whose number is at hand.
    EXPECT_EQ(state.last_number, 15u);
    ASSERT_FALSE(px::is_end(state.last_step));
    EXPECT_EQ(px::step_of(state.last_step)->number, 15u);
    EXPECT_TRUE(px::is_end(state.last_step->next));
    EXPECT_EQ(state.counts.steps, 5);
    EXPECT_EQ(state.counts.output_changes, 3);
    EXPECT_EQ(state.counts.instructions, 3);
}

TEST_F(step_reader, renumbering_past_the_model_maximum_is_too_many_steps) {
    px::link_state state{0, px::END, {0, 0, 0}};
    ASSERT_EQ(read("[250]\n---\n---\n", state, "a.pre"), px::READ_OK);
    EXPECT_EQ(read("[1]\n---\n---\n[7]\n---\n---\n", state, "b.pre"), px::READ_TOO_MANY_STEPS);
    EXPECT_EQ(dump_program(), "step 250\nstep 251\n");
    EXPECT_EQ(log_text(),
              "***ERROR*** in step [0]\n   Instruction:  <none>\n"
              "   Problem:  Too many steps for this type of controller, MAX is 256.\n\n");
}

TEST_F(step_reader, the_maximum_follows_the_controller_model) {
    px::model_code = 12;
    EXPECT_EQ(read("[4096]\n---\n---\n"), px::READ_OK);
    EXPECT_EQ(dump_program(), "step 4096\n");
}

TEST_F(step_reader, a_closing_brace_before_a_header_is_passed_over_without_a_warning) {
    EXPECT_EQ(read("  }  \n[3]\n---\n---\n"), px::READ_OK);
    EXPECT_EQ(dump_program(), "step 3\n");
    EXPECT_EQ(log_text(), "");
}

}  // namespace
