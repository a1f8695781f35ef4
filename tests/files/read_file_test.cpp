// Reading programs where a case cannot show it: the character input under the step reader, a program
// and a table too big to show, the program kept from one read to the next, and a pool that runs dry.
// The rest is the reader_*, link_*, table_* and config_* build cases.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "driver/model.h"
#include "driver/utilities.h"
#include "files/config.h"
#include "files/read_file.h"
#include "files/step_reader.h"
#include "support/program_dump.h"
#include "test_hooks.h"
#include "test_support.h"

namespace {

// Steps first..last, each with the one instruction "TEXT n".
std::string steps(int first, int last, const std::string& text = "wait") {
    std::string out;
    for (int n = first; n <= last; ++n)
        out += "[" + std::to_string(n) + "]\n---\n---\n" + text + " " + std::to_string(n) + "\n";
    return out;
}

TEST(text_input, takes_cr_lf_as_one_line_end_keeps_a_lone_cr_and_gives_back_one_character) {
    pxtest::scratch_dir dir;
    pxtest::write_file("in.txt", "a\r\nb\rc\r\n\r\n\r");
    px::text_input in(std::fopen("in.txt", "r"));
    EXPECT_EQ(in.get(), 'a');
    EXPECT_TRUE(in.unget('a'));
    EXPECT_FALSE(in.unget('q'));
    EXPECT_FALSE(px::text_input(nullptr).unget(EOF));
    std::string all;
    for (int c = in.get(); c != EOF; c = in.get()) all.push_back(static_cast<char>(c));
    EXPECT_EQ(all, "a\nb\rc\n\n\r");
}

// The memory scans (skip_past, take_line, take_blanks) must leave the input
// exactly where the same walk one get() at a time leaves it: the characters,
// the line ends, the positions that messages show.
TEST(text_input, memory_scans_agree_with_reading_one_character_at_a_time) {
    pxtest::scratch_dir dir;
    std::mt19937 random(7);
    const std::string alphabet("ab-;[ \t\r\r\n\n\0", 12);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        for (int i = random() % 40; i > 0; --i) text += alphabet[random() % alphabet.size()];
        pxtest::write_file("in.txt", text);
        px::text_input fast(std::fopen("in.txt", "r"));
        px::text_input slow(std::fopen("in.txt", "r"));
        for (int op = 0; op < 12; ++op) {
            std::string got_fast, got_slow;
            int c_fast = 0, c_slow = 0;
            switch (random() % 5) {
            case 0: c_fast = fast.get(); c_slow = slow.get(); break;
            case 1: c_fast = fast.unget('x'); c_slow = slow.unget('x'); break;
            case 2: {
                int target = "\n-;["[random() % 4];
                px::skip_past(fast, target);
                for (int c = slow.get(); c != EOF && c != target;) c = slow.get();
                break;
            }
            case 3:
                c_fast = fast.take_line(got_fast);
                for (c_slow = slow.get(); c_slow != EOF && c_slow != '\n'; c_slow = slow.get())
                    got_slow.push_back(static_cast<char>(c_slow));
                break;
            default:
                fast.take_blanks();
                for (int c = slow.get(); c != EOF; c = slow.get())
                    if (!px::is_blank(c)) {
                        slow.unget(c);
                        break;
                    }
            }
            SCOPED_TRACE("round " + std::to_string(round) + ", op " + std::to_string(op));
            ASSERT_EQ(c_fast, c_slow);
            ASSERT_EQ(got_fast, got_slow);
            ASSERT_EQ(fast.line, slow.line);
            ASSERT_EQ(fast.column, slow.column);
            ASSERT_EQ(fast.got_line, slow.got_line);
            ASSERT_EQ(fast.got_column, slow.got_column);
            ASSERT_EQ(fast.has_pushed, slow.has_pushed);
        }
    }
}

TEST(read_file, reads_4096_steps_of_64_files_and_a_table_of_65535_columns_on_a_wide_model) {
    pxtest::scratch_dir dir;
    pxtest::write_file("main.fig", "controller_model K531\n");
    pxtest::write_file("main.tab", "data_table[1][65535] = { 4 }");
    pxtest::write_file("main.pre", "");
    pxtest::write_file("p.pre", steps(1, 64));
    std::string link = "main.pre\r\n";
    for (int i = 0; i < 64; ++i) link += "p.pre\r\n";
    pxtest::write_file("all.mak", link);
    pxtest::memory_build memory;
    pxtest::log_capture log;
    ASSERT_EQ(px::read_file(memory.build(), "all.mak"), 0) << log.text();
    EXPECT_NE(log.text().find("Read file \"main.pre\" [4096 steps, 0 output changes, 4096 instructions]."),
              std::string::npos);
    EXPECT_EQ(px::step_of(px::last_step())->number, 4096u);
    ASSERT_NE(px::the_program.table, nullptr);
    EXPECT_EQ(px::the_program.table->columns, 65535);
    EXPECT_EQ(px::the_program.table->elements[0], 4);
}

TEST(read_file, a_second_read_replaces_the_program_and_a_failed_one_leaves_it) {
    pxtest::scratch_dir dir;
    pxtest::write_file("a.vep", steps(1, 3));
    pxtest::write_file("b.vep", steps(5, 6));
    pxtest::memory_build memory;
    pxtest::log_capture log;
    ASSERT_EQ(px::read_file(memory.build(), "a.vep"), 0);
    char path[] = "b.vep";
    ASSERT_EQ(px::read_file(memory.build(), path), 0);
    EXPECT_STREQ(path, "b.vep");  // the caller's path is left as it was
    EXPECT_EQ(px::read_file(memory.build(), "missing.vep"), 1);
    EXPECT_EQ(px::read_file(memory.build(), nullptr), 1);
    EXPECT_EQ(pxtest::dump_program(), "step 5\n  instruction \"wait 5\"\nstep 6\n  instruction \"wait 6\"\n");
    EXPECT_STREQ(px::the_program.name, "B.VEP");
    EXPECT_NE(log.text().find("Error:  No file name specified to read_file().\r\n"), std::string::npos);
}

TEST(read_file, running_out_of_memory_mid_file_leaves_no_file_open) {
    pxtest::scratch_dir dir;
    pxtest::write_file("a.pre", steps(1, 200, std::string(2000, 'x')));
    pxtest::write_file("line.mak", "a.pre\n");
    auto open_files = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    auto before = open_files();
    px::set_pool_limit(96 * 1024);
    std::string logged;
    {
        pxtest::memory_build memory;
        pxtest::log_capture log;
        EXPECT_THROW(px::read_file(memory.build(), "line.mak"), px::build_abort);
        logged = log.text();
    }
    px::set_pool_limit(0);
    EXPECT_EQ(open_files(), before);
    EXPECT_NE(logged.find("Panic:  Can't cope without a memory fix ... Good Bye."), std::string::npos);
}

}  // namespace
