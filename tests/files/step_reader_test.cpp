// The step reader's character input (line ends, push-back) and texts far
// longer than a line buffer. The step-file format case by case is in the
// reader-* and link-* build cases.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "files/step_reader.h"
#include "support/program_dump.h"
#include "test_support.h"

namespace {

std::string read_all(px::text_input& in) {
    std::string out;
    for (int c = in.get(); c != EOF; c = in.get()) out.push_back(static_cast<char>(c));
    return out;
}

TEST(step_reader, input_takes_cr_lf_as_one_line_end_keeps_a_lone_cr_and_gives_back_one_character) {
    pxtest::scratch_dir dir;
    pxtest::write_file("in.txt", "a\r\nb\rc\r\n\r\n\r");
    px::text_input in(std::fopen("in.txt", "r"));
    EXPECT_EQ(read_all(in), "a\nb\rc\n\n\r");

    pxtest::write_file("in.txt", "xy");
    px::text_input again(std::fopen("in.txt", "r"));
    EXPECT_EQ(again.get(), 'x');
    EXPECT_TRUE(again.unget('x'));
    EXPECT_FALSE(again.unget('q'));
    EXPECT_FALSE(px::text_input(nullptr).unget(EOF));
    EXPECT_EQ(read_all(again), "xy");
}

TEST(step_reader, labels_comments_and_instructions_of_thousands_of_characters_are_read_whole) {
    pxtest::scratch_dir dir;
    pxtest::log_capture log;
    pxtest::memory_build memory{"T.VEP"};
    std::string label(5000, 'L'), comment(12000, 'c'), instruction = "set " + std::string(30000, 'i') + " ";
    pxtest::write_file("t.pre", "[1] " + label + "\n;;;" + comment + "\n---\n1+\n---\n" + instruction + "\n[2]\n---\n---\n");
    px::text_input in(std::fopen("t.pre", "r"));
    px::link_state state{0, px::END, {0, 0, 0}};
    ASSERT_EQ(px::read_step_file(in, "t.pre", state), px::READ_OK);
    EXPECT_EQ(pxtest::dump_program(), "step 1 label \"" + label + "\"\n  comment \"" + comment +
                                          "\"\n  outputs +1\n  instruction \"" + instruction + "\"\nstep 2\n");
    EXPECT_EQ(log.text(), "");
}

}  // namespace
