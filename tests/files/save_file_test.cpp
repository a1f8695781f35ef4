// The program saver and the table writer: the saved layouts (cases/files/saved), the counts, the
// editing position, backups and failures. A save with its memory gone, a table that cannot go beside
// the steps and backups that fail are the saver_panic_save_* cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "files/save_file.h"
#include "program_builder.h"

namespace {

using pxtest::file_exists;
using pxtest::read_file;
using pxtest::write_file;
using lines = std::vector<std::string>;

std::string saved_case(const char* name) { return read_file(std::string(PX_CASES_DIR) + "/files/saved/" + name); }

class save_file : public ::testing::Test {
protected:
    pxtest::program_builder program{"K410", "PROG.VEP"};
    pxtest::log_capture log;
};

TEST_F(save_file, writes_the_saved_layouts_and_counts) {
    px::list_node* s = program.add_step(1, {"set flag#3", "goto next"}, "start", {3, -5});
    program.add_comment(s, " open the valve");
    program.add_comment(s, "second;with;semicolons");
    s = program.add_step(2, {"delay 5   "});
    // An untexted comment is still a line; an untexted instruction is neither written nor counted.
    program.add_comment(s, nullptr);
    px::instruction_of(px::append_inst(s, px::END))->text = nullptr;
    program.add_step(3);  // empty: never written
    program.add_comment(program.add_step(5, {}, "loop1", {5, 0}), "");
    program.add_step(12, {"if input#1 on goto [12]"}, nullptr, {-100, 1, 1000, -2, 10, -12345});
    program.add_step(13, {}, "only_label");
    program.add_step(1000, {"goto far"}, "far", {-7});
    program.add_table(3, 4);
    const uint16_t extremes[] = {0, 65535, 9, 10000, 12345, 1, 99, 100, 7, 0, 0, 65534};
    std::copy(std::begin(extremes), std::end(extremes), px::the_program.table->elements);
    px::the_program.modified = true;
    ASSERT_EQ(px::save_file(program.build(), "p.vep"), 0);
    EXPECT_EQ(read_file("p.vep"), saved_case("program.vep"));
    EXPECT_EQ(read_file("p.tab"), saved_case("extremes.tab"));
    EXPECT_FALSE(px::the_program.modified);
    EXPECT_EQ(log.lines(), (lines{"Saving VEP program to file \"p.vep\"...", "Garbage collecting...",
                     "Garbage collected 1 empty step.", "Saving data table to file \"p.tab\"...",
                     "Saved data table in file \"p.tab\".", "Saving VEP program steps to file \"p.vep\"...",
                     "Saved file \"PROG.VEP\" [6 steps, 10 output changes, 5 instructions]"}));
}

TEST_F(save_file, backs_up_the_file_it_replaces_byte_for_byte_and_nothing_for_a_new_one) {
    program.add_step(1, {"stop"});
    // Several blocks of 512 bytes with CR and NUL among them; exactly two blocks; nothing.
    for (std::size_t size : {1300u, 1024u, 0u}) {
        std::string old;
        for (std::size_t i = 0; i < size; ++i) old += static_cast<char>(i * 7 % 256);
        write_file("p.vep", old);
        ASSERT_EQ(px::save_file(program.build(), "p.vep"), 0);
        EXPECT_EQ(read_file("p.#ep"), old) << size;
    }
    EXPECT_EQ(px::backup_file(program.build(), "absent.vep", ".#ep"), 1);
    ASSERT_EQ(px::save_file(program.build(), "new.vep"), 0);
    EXPECT_FALSE(file_exists("new.#ep"));
    lines all = log.lines();
    EXPECT_EQ(std::count(all.begin(), all.end(), "Made backup file \"p.#ep\"."), 3);
    EXPECT_EQ(std::count_if(all.begin(), all.end(), [](const std::string& l) { return l.find("ack") != l.npos; }), 6);
}

TEST_F(save_file, a_short_write_truncates_and_the_backup_keeps_the_previous_version) {
    write_file("p.vep", "the previous version");
    for (uint32_t n = 1; n <= 50; ++n) program.add_comment(program.add_step(n, {"goto next"}, "label", {1, -2}), "c");
    px::the_program.modified = true;
    {
        pxtest::file_size_limit full_disk(2000);
        EXPECT_EQ(px::save_file(program.build(), "p.vep"), 1);
    }
    EXPECT_TRUE(px::the_program.modified);
    EXPECT_EQ(read_file("p.#ep"), "the previous version");
    EXPECT_EQ(read_file("p.vep").size(), 2000u);
    EXPECT_EQ(log.lines().back(), "Error:  Unable to write to file \"p.vep\" (program truncated).");
}

TEST_F(save_file, moves_an_empty_editing_step_back_and_refuses_without_a_name_a_step_or_a_file) {
    EXPECT_EQ(px::save_file(program.build(), nullptr), 1);
    EXPECT_EQ(px::save_file(program.build(), ""), 1);
    program.add_step(1);
    px::the_program.editing = program.add_step(2);
    program.add_step(3, {"stop"});
    program.add_step(4);
    program.add_step(5, {}, nullptr, {9});
    EXPECT_EQ(px::save_file(program.build(), "p.vep"), 1);
    EXPECT_FALSE(file_exists("p.vep"));
    px::the_program.editing = program.find_step(4);
    EXPECT_EQ(px::save_file(program.build(), "no-such-folder/p.vep"), 1);
    EXPECT_EQ(px::the_program.editing, program.find_step(3));
    for (uint32_t gone : {1, 2, 4}) EXPECT_TRUE(px::is_end(program.find_step(gone))) << gone;
    program.add_table(1, 1);
    EXPECT_EQ(px::save_file(program.build(), "no-such-folder/p.vep"), 1);
    EXPECT_EQ(log.lines(), (lines{"Error:  No file name specified to save_file().",
                                  "Error:  No file name specified to save_file().",
                                  "Saving VEP program to file \"p.vep\"...", "Error:  No non-empty first step found.",
                                  "Saving VEP program to file \"no-such-folder/p.vep\"...",
                                  "Repositioning you from empty step to step [3].", "Garbage collecting...",
                                  "Garbage collected 3 empty steps.",
                                  "Error:  Unable to open file \"no-such-folder/p.vep\" to save program.",
                                  "Saving VEP program to file \"no-such-folder/p.vep\"...", "Garbage collecting...",
                                  "Garbage collected 0 empty steps.",
                                  "Error:  Unable to open \"no-such-folder/p.tab\" to save data table.",
                                  "Error:  Unable to open \"no-such-folder/p.vep\" to save data table."}));
}

}  // namespace
