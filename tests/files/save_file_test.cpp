// The program saver: the saved layout (cases/files/saved/program.vep), the
// counts, the editing position, the data table beside or inside the step
// file, the ".#ep" backups, and every failure the saver reports.
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
using lines = std::vector<std::string>;

std::string saved_case(const char* name) { return read_file(std::string(PX_CASES_DIR) + "/files/saved/" + name); }
const std::string SEPARATOR = "    " + std::string(75, '-');
const std::string STOP_STEP =
    "\n[1]     \n" + SEPARATOR + "\n        <NO CHANGE IN DIGITAL OUTPUTS>\n" + SEPARATOR + "\n    stop\n";

class save_file : public ::testing::Test {
protected:
    pxtest::program_builder program{"K410", "PROG.VEP"};
    pxtest::log_capture log;

    // The program of program.vep, with an empty step 3 that is not written.
    void saved_program() {
        px::list_node* s = program.add_step(1, {"set flag#3", "goto next"}, "start", {3, -5});
        program.add_comment(s, " open the valve");
        program.add_comment(s, "second;with;semicolons");
        s = program.add_step(2, {"delay 5   "});
        // An untexted comment is still a line; an untexted instruction is neither written nor counted.
        program.add_comment(s, nullptr);
        px::instruction_of(px::append_inst(s, px::END))->text = nullptr;
        program.add_step(3);
        program.add_comment(program.add_step(5, {}, "loop1", {5, 0}), "");
        program.add_step(12, {"if input#1 on goto [12]"}, nullptr, {-100, 1, 1000, -2, 10, -12345});
        program.add_step(13, {}, "only_label");
        program.add_step(1000, {"goto far"}, "far", {-7});
    }
    void table_1_to_6() {
        program.add_table(2, 3);
        for (uint16_t i = 0; i < 6; ++i) px::the_program.table->elements[i] = static_cast<uint16_t>(i + 1);
    }
    static int save_on_full_disk(std::size_t bytes, const char* name = "p.vep") {
        pxtest::file_size_limit full_disk(bytes);
        return px::save_file(name);
    }
};

TEST_F(save_file, writes_the_saved_layout_and_counts_and_clears_the_modified_mark) {
    saved_program();
    px::the_program.modified = true;
    ASSERT_EQ(px::save_file("p.vep"), 0);
    EXPECT_EQ(read_file("p.vep"), saved_case("program.vep"));
    EXPECT_FALSE(px::the_program.modified);
    EXPECT_EQ(log.lines(), (lines{"Saving VEP program to file \"p.vep\"...", "Garbage collecting...",
                                  "Garbage collected 1 empty step.", "Saving VEP program steps to file \"p.vep\"...",
                                  "Saved file \"PROG.VEP\" [6 steps, 10 output changes, 5 instructions]"}));
}

TEST_F(save_file, keeps_a_byte_for_byte_backup_of_the_file_it_replaces_and_none_of_a_new_one) {
    program.add_step(1, {"stop"});
    // Binary content across several 512-byte blocks, CR and NUL included; exactly two blocks; nothing.
    for (std::size_t size : {1300u, 1024u, 0u}) {
        std::string old;
        for (std::size_t i = 0; i < size; ++i) old += static_cast<char>(i * 7 % 256);
        pxtest::write_file("p.vep", old);
        ASSERT_EQ(px::save_file("p.vep"), 0);
        EXPECT_EQ(read_file("p.#ep"), old) << size;
    }
    ASSERT_EQ(px::save_file("new.vep"), 0);
    EXPECT_EQ(px::backup_file("absent.vep", ".#ep"), 1);
    EXPECT_FALSE(file_exists("new.#ep"));
    lines all = log.lines();
    EXPECT_EQ(all.at(1), "Made backup file \"p.#ep\".");
    EXPECT_EQ(std::count(all.begin(), all.end(), "Backing up file \"p.vep\"..."), 3);
    EXPECT_EQ(std::count_if(all.begin(), all.end(), [](const std::string& l) { return l.find("ack") != l.npos; }), 6);
}

TEST_F(save_file, a_backup_that_fails_stops_the_save_and_a_short_one_is_deleted) {
    pxtest::write_file("p.vep", std::string(3000, 'o'));
    std::filesystem::create_directory("p.#ep");
    program.add_step(1, {"stop"});
    EXPECT_EQ(px::save_file("p.vep"), 1);
    std::filesystem::remove("p.#ep");
    EXPECT_EQ(save_on_full_disk(1000), 1);
    EXPECT_EQ(read_file("p.vep"), std::string(3000, 'o'));
    EXPECT_FALSE(file_exists("p.#ep"));
    EXPECT_EQ(log.lines(), (lines{"Error:  Unable to open file \"p.#ep\" for writing.",
                                  "Error:  File \"p.vep\" not saved due to backup failure.", "Backing up file \"p.vep\"...",
                                  "Error:  Unable to write to file \"p.#ep\" (backup aborted).",
                                  "Error:  File \"p.vep\" not saved due to backup failure."}));
}

TEST_F(save_file, a_short_write_truncates_and_the_backup_keeps_the_previous_version) {
    pxtest::write_file("p.vep", STOP_STEP);
    for (uint32_t n = 1; n <= 50; ++n) program.add_comment(program.add_step(n, {"goto next"}, "label", {1, -2}), "c");
    px::the_program.modified = true;
    EXPECT_EQ(save_on_full_disk(2000), 1);
    EXPECT_TRUE(px::the_program.modified);
    EXPECT_EQ(read_file("p.#ep"), STOP_STEP);
    EXPECT_EQ(read_file("p.vep").size(), 2000u);
    EXPECT_EQ(log.lines().back(), "Error:  Unable to write to file \"p.vep\" (program truncated).");
}

TEST_F(save_file, an_empty_editing_step_moves_back_to_the_nearest_step_that_is_not_empty) {
    program.add_step(1, {"stop"});
    program.add_step(2, {}, "two");
    program.add_step(3);
    px::the_program.editing = program.add_step(4);
    program.add_step(5);
    program.add_step(6, {}, nullptr, {9});
    ASSERT_EQ(px::save_file("p.vep"), 0);
    EXPECT_EQ(px::the_program.editing, program.find_step(2));
    for (uint32_t gone : {3, 4, 5}) EXPECT_TRUE(px::is_end(program.find_step(gone))) << gone;
    EXPECT_EQ(log.lines(), (lines{"Saving VEP program to file \"p.vep\"...", "Repositioning you from empty step to step [2].",
                                  "Garbage collecting...", "Garbage collected 3 empty steps.",
                                  "Saving VEP program steps to file \"p.vep\"...",
                                  "Saved file \"PROG.VEP\" [3 steps, 1 output changes, 1 instructions]"}));
}

TEST_F(save_file, refuses_without_a_name_an_open_file_or_a_step_that_is_not_empty) {
    EXPECT_EQ(px::save_file(nullptr), 1);
    EXPECT_EQ(px::save_file(""), 1);
    program.add_step(1);
    px::the_program.editing = program.add_step(2);
    program.add_step(3, {"stop"});
    EXPECT_EQ(px::save_file("p.vep"), 1);
    EXPECT_FALSE(file_exists("p.vep"));
    px::the_program.editing = program.find_step(3);
    EXPECT_EQ(px::save_file("no-such-folder/p.vep"), 1);
    EXPECT_EQ(log.lines(), (lines{"Error:  No file name specified to save_file().",
                                  "Error:  No file name specified to save_file().",
                                  "Saving VEP program to file \"p.vep\"...", "Error:  No non-empty first step found.",
                                  "Saving VEP program to file \"no-such-folder/p.vep\"...", "Garbage collecting...",
                                  "Garbage collected 2 empty steps.",
                                  "Error:  Unable to open file \"no-such-folder/p.vep\" to save program."}));
}

TEST_F(save_file, puts_the_data_table_in_the_tab_file_or_else_at_the_head_of_the_step_file_or_nowhere) {
    program.add_step(1, {"stop"});
    table_1_to_6();
    ASSERT_EQ(px::save_file("p.vep"), 0);
    EXPECT_EQ(read_file("p.tab"), saved_case("two_by_three.tab"));
    EXPECT_EQ(read_file("p.vep"), STOP_STEP);
    std::filesystem::create_directory("q.tab");
    ASSERT_EQ(px::save_file("q.vep"), 0);
    EXPECT_EQ(read_file("q.vep"), saved_case("two_by_three.tab") + STOP_STEP);
    EXPECT_FALSE(file_exists("q.#ab"));
    program.add_table(10, 10);
    EXPECT_EQ(save_on_full_disk(100, "r.vep"), 1);
    EXPECT_EQ(log.lines(), (lines{"Saving VEP program to file \"p.vep\"...", "Garbage collecting...",
                          "Garbage collected 0 empty steps.", "Saving data table to file \"p.tab\"...",
                          "Saved data table in file \"p.tab\".", "Saving VEP program steps to file \"p.vep\"...",
                          "Saved file \"PROG.VEP\" [1 steps, 0 output changes, 1 instructions]",
                          "Saving VEP program to file \"q.vep\"...", "Garbage collecting...",
                          "Garbage collected 0 empty steps.", "Backing up file \"q.tab\"...",
                          "Error:  Unable to read file \"q.tab\" (backup aborted).",
                          "Error:  Unable to backup file \"q.tab\" (data table not saved).",
                          "Saving data table to file \"q.vep\"...", "Saved data table in file \"q.vep\".",
                          "Saving VEP program steps to file \"q.vep\"...",
                          "Saved file \"PROG.VEP\" [1 steps, 0 output changes, 1 instructions]",
                          "Saving VEP program to file \"r.vep\"...", "Garbage collecting...",
                          "Garbage collected 0 empty steps.", "Saving data table to file \"r.tab\"...",
                          "Error:  Cannot write file \"r.tab\" (data table not saved).",
                          "Saving data table to file \"r.vep\"...",
                          "Error:  Cannot write file \"r.vep\" (data table not saved)."}));
}

TEST_F(save_file, takes_nothing_from_an_exhausted_pool) {
    // A saver that asked the pool for memory here would start a panic save of its own.
    px::pool_destroy();
    px::set_pool_limit(1 << 17);
    ASSERT_TRUE(px::pool_create());
    px::reset_program();
    px::the_program.name = px::pool_strdup("PROG.VEP");
    saved_program();
    table_1_to_6();
    for (std::size_t size : {4096u, 512u, 64u, 16u, 1u})
        while (px::pool_alloc(size, true)) {
        }
    ASSERT_EQ(px::save_file("p.vep"), 0);
    EXPECT_EQ(read_file("p.vep"), saved_case("program.vep"));
    for (const std::string& line : log.lines()) EXPECT_EQ(line.find("Memory"), std::string::npos) << line;
}

}  // namespace
