// The program saver: the canonical step layout (golden/files/saver), the
// counts, the editing position, the data table beside or inside the step
// file, the ".#ep" backups, and every failure the saver reports.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/model.h"
#include "files/data_table_file.h"
#include "files/save_file.h"
#include "support/test_support.h"

namespace {

using pxtest::file_exists;
using pxtest::file_size_limit;
using pxtest::log_capture;
using pxtest::read_file;
using pxtest::write_file;

struct step_text {
    uint32_t number;
    const char* label;
    std::vector<const char*> comments;
    std::vector<int32_t> outputs;  // in the order they are added
    std::vector<const char*> instructions;
};

px::list_node* add_step(const step_text& s) {
    px::list_node* node = px::new_step_after(px::last_step(), s.number);
    px::step* st = px::step_of(node);
    if (s.label) st->label = px::pool_strdup(s.label);
    px::list_node* after = px::END;
    for (const char* c : s.comments) {
        after = px::append_comm(node, after);
        px::comment_of(after)->text = c ? px::pool_strdup(c) : nullptr;
    }
    for (int32_t v : s.outputs) px::add_output_change(node, v);
    after = px::END;
    for (const char* i : s.instructions) {
        after = px::append_inst(node, after);
        px::instruction_of(after)->text = i ? px::pool_strdup(i) : nullptr;
    }
    return node;
}

class SaveFile : public ::testing::Test {
protected:
    pxtest::scratch_dir dir;
    log_capture log;
    pxtest::memory_build memory{"PROG.VEP"};

    // The program kept in golden/files/saver/program.vep.
    static void build_golden_program() {
        add_step({1, "start", {" open the valve", "second;with;semicolons"}, {3, -5}, {"set flag#3", "goto next"}});
        add_step({2, nullptr, {}, {}, {"delay 5   "}});
        add_step({3, nullptr, {}, {}, {}});  // empty: never written
        add_step({5, "loop1", {""}, {5, 0}, {}});
        add_step({12, nullptr, {}, {-100, 1, 1000, -2, 10, -12345}, {"if input#1 on goto [12]"}});
        add_step({13, "only_label", {}, {}, {}});
        add_step({1000, "far", {}, {-7}, {"goto far"}});
    }

    static px::data_table* table_1_to_6() {
        px::data_table* t = px::new_data_table(2, 3);
        for (uint16_t i = 0; i < 6; ++i) t->elements[i] = static_cast<uint16_t>(i + 1);
        return t;
    }
};

const std::string SEPARATOR = "    " + std::string(75, '-');

TEST_F(SaveFile, WritesTheGoldenLayoutAndCounts) {
    build_golden_program();
    px::the_program.modified = true;
    ASSERT_EQ(px::save_file("p.vep"), 0);
    EXPECT_EQ(read_file("p.vep"), read_file(pxtest::golden("files/saver/program.vep")));
    EXPECT_FALSE(px::the_program.modified);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "Saving VEP program to file \"p.vep\"...",
                               "Garbage collecting...",
                               "Garbage collected 1 empty step.",
                               "Saving VEP program steps to file \"p.vep\"...",
                               "Saved file \"PROG.VEP\" [6 steps, 10 output changes, 5 instructions]",
                           }));
}

TEST_F(SaveFile, NoNameIsRefused) {
    EXPECT_EQ(px::save_file(nullptr), 1);
    EXPECT_EQ(px::save_file(""), 1);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"Error:  No file name specified to save_file().",
                                                      "Error:  No file name specified to save_file()."}));
}

TEST_F(SaveFile, AllOffEntryIsWrittenAloneAndCountsOnce) {
    add_step({4, nullptr, {}, {0, 5}, {}});
    ASSERT_EQ(px::save_file("p.vep"), 0);
    EXPECT_EQ(read_file("p.vep"), "\n[4]     \n" + SEPARATOR + "\n        <TURN ALL DIGITAL OUTPUTS OFF>\n" +
                                      SEPARATOR + "\n");
    EXPECT_EQ(log.lines().back(), "Saved file \"PROG.VEP\" [1 steps, 1 output changes, 0 instructions]");
}

TEST_F(SaveFile, SixOutputChangesGoFourAndTwo) {
    add_step({7, "x", {}, {6, 5, 4, 3, 2, -1}, {}});
    ASSERT_EQ(px::save_file("p.vep"), 0);
    EXPECT_EQ(read_file("p.vep"), "\n[7]     x\n" + SEPARATOR +
                                      "\n            1-               2+               3+               4+"
                                      "\n            5+               6+           \n" +
                                      SEPARATOR + "\n");
}

TEST_F(SaveFile, UntextedCommentsAndInstructions) {
    // A comment without text is still a comment line; an instruction without
    // text has nothing to say and is neither written nor counted.
    add_step({1, nullptr, {nullptr}, {}, {nullptr, "stop"}});
    ASSERT_EQ(px::save_file("p.vep"), 0);
    EXPECT_EQ(read_file("p.vep"), "\n[1]     \n    ;;;\n" + SEPARATOR + "\n        <NO CHANGE IN DIGITAL OUTPUTS>\n" +
                                      SEPARATOR + "\n    stop\n");
    EXPECT_EQ(log.lines().back(), "Saved file \"PROG.VEP\" [1 steps, 0 output changes, 1 instructions]");
}

TEST_F(SaveFile, SavingOverAFileKeepsAByteForByteCopy) {
    // Binary content across several 512-byte blocks, CR and NUL included.
    std::string old;
    for (int i = 0; i < 1300; ++i) old += static_cast<char>(i * 7 % 256);
    write_file("p.vep", old);
    add_step({1, nullptr, {}, {}, {"stop"}});
    ASSERT_EQ(px::save_file("p.vep"), 0);
    EXPECT_EQ(read_file("p.#ep"), old);
    auto lines = log.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Backing up file \"p.vep\"...");
    EXPECT_EQ(lines[1], "Made backup file \"p.#ep\".");
    EXPECT_EQ(lines[2], "Saving VEP program to file \"p.vep\"...");
}

TEST_F(SaveFile, BackupOfExactBlockMultipleAndOfEmptyFile) {
    std::string old(1024, 'x');
    write_file("a.vep", old);
    ASSERT_EQ(px::backup_file("a.vep", ".#ep"), 1);
    EXPECT_EQ(read_file("a.#ep"), old);
    write_file("e.vep", "");
    ASSERT_EQ(px::backup_file("e.vep", ".#ep"), 1);
    EXPECT_TRUE(file_exists("e.#ep"));
    EXPECT_EQ(read_file("e.#ep"), "");
}

TEST_F(SaveFile, NewFileMakesNoBackupAndSaysNothingOfOne) {
    add_step({1, nullptr, {}, {}, {"stop"}});
    ASSERT_EQ(px::save_file("p.vep"), 0);
    EXPECT_FALSE(file_exists("p.#ep"));
    for (const std::string& line : log.lines()) EXPECT_EQ(line.find("ack"), std::string::npos) << line;
    EXPECT_EQ(px::backup_file("absent.vep", ".#ep"), 1);
}

TEST_F(SaveFile, BackupThatCannotBeCreatedStopsTheSave) {
    write_file("p.vep", "old");
    std::filesystem::create_directory("p.#ep");
    add_step({1, nullptr, {}, {}, {"stop"}});
    EXPECT_EQ(px::save_file("p.vep"), 1);
    EXPECT_EQ(read_file("p.vep"), "old");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "Error:  Unable to open file \"p.#ep\" for writing.",
                               "Error:  File \"p.vep\" not saved due to backup failure.",
                           }));
}

TEST_F(SaveFile, ShortBackupIsDeletedAndStopsTheSave) {
    std::string old(3000, 'o');
    write_file("p.vep", old);
    add_step({1, nullptr, {}, {}, {"stop"}});
    int result;
    {
        file_size_limit limit(1000);
        result = px::save_file("p.vep");
    }
    EXPECT_EQ(result, 1);
    EXPECT_EQ(read_file("p.vep"), old);
    EXPECT_FALSE(file_exists("p.#ep"));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "Backing up file \"p.vep\"...",
                               "Error:  Unable to write to file \"p.#ep\" (backup aborted).",
                               "Error:  File \"p.vep\" not saved due to backup failure.",
                           }));
}

TEST_F(SaveFile, EmptyEditingStepMovesBackToTheNearestNonEmptyStep) {
    add_step({1, nullptr, {}, {}, {"stop"}});
    add_step({2, "two", {}, {}, {}});
    add_step({3, nullptr, {}, {}, {}});
    px::list_node* editing = add_step({4, nullptr, {}, {}, {}});
    add_step({5, nullptr, {}, {}, {}});
    add_step({6, nullptr, {}, {9}, {}});
    px::the_program.editing = editing;
    ASSERT_EQ(px::save_file("p.vep"), 0);
    ASSERT_FALSE(px::is_end(px::the_program.editing));
    EXPECT_EQ(px::step_of(px::the_program.editing)->number, 2u);
    std::vector<uint32_t> left;
    for (px::list_node* n = px::the_program.steps; !px::is_end(n); n = n->next) left.push_back(px::step_of(n)->number);
    EXPECT_EQ(left, (std::vector<uint32_t>{1, 2, 6}));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "Saving VEP program to file \"p.vep\"...",
                               "Repositioning you from empty step to step [2].",
                               "Garbage collecting...",
                               "Garbage collected 3 empty steps.",
                               "Saving VEP program steps to file \"p.vep\"...",
                               "Saved file \"PROG.VEP\" [3 steps, 1 output changes, 1 instructions]",
                           }));
}

TEST_F(SaveFile, NoNonEmptyStepAtOrBeforeTheEditingPosition) {
    add_step({1, nullptr, {}, {}, {}});
    px::list_node* editing = add_step({2, nullptr, {}, {}, {}});
    add_step({3, nullptr, {}, {}, {"stop"}});
    px::the_program.editing = editing;
    EXPECT_EQ(px::save_file("p.vep"), 1);
    EXPECT_FALSE(file_exists("p.vep"));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "Saving VEP program to file \"p.vep\"...",
                               "Error:  No non-empty first step found.",
                           }));
}

TEST_F(SaveFile, DataTableGoesToTheTabFile) {
    add_step({1, nullptr, {}, {}, {"stop"}});
    px::the_program.table = table_1_to_6();
    ASSERT_EQ(px::save_file("p.vep"), 0);
    EXPECT_EQ(read_file("p.tab"), read_file(pxtest::golden("files/table/two_by_three.tab")));
    EXPECT_EQ(read_file("p.vep"), "\n[1]     \n" + SEPARATOR + "\n        <NO CHANGE IN DIGITAL OUTPUTS>\n" +
                                      SEPARATOR + "\n    stop\n");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "Saving VEP program to file \"p.vep\"...",
                               "Garbage collecting...",
                               "Garbage collected 0 empty steps.",
                               "Saving data table to file \"p.tab\"...",
                               "Saved data table in file \"p.tab\".",
                               "Saving VEP program steps to file \"p.vep\"...",
                               "Saved file \"PROG.VEP\" [1 steps, 0 output changes, 1 instructions]",
                           }));
}

TEST_F(SaveFile, DataTableThatCannotGoToTabHeadsTheStepFile) {
    build_golden_program();
    px::the_program.table = table_1_to_6();
    std::filesystem::create_directory("p.tab");
    ASSERT_EQ(px::save_file("p.vep"), 0);
    std::string table = read_file(pxtest::golden("files/table/two_by_three.tab"));
    EXPECT_EQ(read_file("p.vep"), table + read_file(pxtest::golden("files/saver/program.vep")));
    auto lines = log.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.end()),
              (std::vector<std::string>{
                  "Backing up file \"p.tab\"...",
                  "Error:  Unable to read file \"p.tab\" (backup aborted).",
                  "Error:  Unable to backup file \"p.tab\" (data table not saved).",
                  "Saving data table to file \"p.vep\"...",
                  "Saved data table in file \"p.vep\".",
                  "Saving VEP program steps to file \"p.vep\"...",
                  "Saved file \"PROG.VEP\" [6 steps, 10 output changes, 5 instructions]",
              }));
    // The half-made backup of the unreadable file is gone.
    EXPECT_FALSE(file_exists("p.#ab"));
    // The next reading finds the table at the head of the step file.
    px::data_table* t = px::read_data_table("p.vep");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->rows, 2);
    EXPECT_EQ(t->columns, 3);
    EXPECT_EQ(t->elements[5], 6);
}

TEST_F(SaveFile, DataTableThatFitsNowhereStopsTheSave) {
    add_step({1, nullptr, {}, {}, {"stop"}});
    px::the_program.table = px::new_data_table(10, 10);
    int result;
    {
        file_size_limit limit(100);
        result = px::save_file("p.vep");
    }
    EXPECT_EQ(result, 1);
    auto lines = log.lines();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
              (std::vector<std::string>{
                  "Saving data table to file \"p.tab\"...",
                  "Error:  Cannot write file \"p.tab\" (data table not saved).",
                  "Saving data table to file \"p.vep\"...",
                  "Error:  Cannot write file \"p.vep\" (data table not saved).",
              }));
}

TEST_F(SaveFile, StepFileThatCannotBeOpened) {
    add_step({1, nullptr, {}, {}, {"stop"}});
    EXPECT_EQ(px::save_file("no-such-folder/p.vep"), 1);
    EXPECT_EQ(log.lines().back(), "Error:  Unable to open file \"no-such-folder/p.vep\" to save program.");
}

TEST_F(SaveFile, ShortWriteTruncatesAndTheBackupKeepsThePreviousVersion) {
    std::string old = "\n[1]     \n    stop\n";
    write_file("p.vep", old);
    for (uint32_t n = 1; n <= 50; ++n) add_step({n, "label", {"comment"}, {1, -2}, {"goto next"}});
    px::the_program.modified = true;
    int result;
    {
        file_size_limit limit(2000);
        result = px::save_file("p.vep");
    }
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(px::the_program.modified);
    EXPECT_EQ(read_file("p.#ep"), old);
    EXPECT_EQ(read_file("p.vep").size(), 2000u);
    auto lines = log.lines();
    EXPECT_EQ(lines.back(), "Error:  Unable to write to file \"p.vep\" (program truncated).");
}

TEST_F(SaveFile, SavingTakesNothingFromTheExhaustedPool) {
    // A saver that asked the pool for memory here would start a panic save
    // of its own.
    px::pool_destroy();
    px::set_pool_limit(1 << 17);
    ASSERT_TRUE(px::pool_create());
    px::reset_program();
    px::the_program.name = px::pool_strdup("PROG.VEP");
    build_golden_program();
    px::the_program.table = table_1_to_6();
    for (std::size_t size : {4096u, 512u, 64u, 16u, 1u})
        while (px::pool_alloc(size, true)) {
        }
    ASSERT_EQ(px::save_file("p.vep"), 0);
    EXPECT_EQ(read_file("p.vep"), read_file(pxtest::golden("files/saver/program.vep")));
    for (const std::string& line : log.lines()) EXPECT_EQ(line.find("Memory"), std::string::npos) << line;
}

TEST_F(SaveFile, LongLabelsAndInstructionsAreWrittenWhole) {
    std::string label(700, 'L');
    std::string text = "store " + std::string(2000, '9');
    add_step({65535, label.c_str(), {}, {32767}, {text.c_str()}});
    ASSERT_EQ(px::save_file("p.vep"), 0);
    EXPECT_EQ(read_file("p.vep"), "\n[65535] " + label + "\n" + SEPARATOR + "\n        32767+           \n" +
                                      SEPARATOR + "\n    " + text + "\n");
}

}  // namespace
