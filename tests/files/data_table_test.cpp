// The data table file: the largest tables each model takes (too large to
// show in a case), and the writer with its ".#ab" backup. The reader's forms
// and refusals are in the table_* build cases.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files/config.h"
#include "files/data_table_file.h"
#include "test_support.h"

namespace {

using pxtest::read_file;
using pxtest::write_file;

class data_table : public ::testing::Test {
protected:
    pxtest::scratch_dir dir;
    pxtest::log_capture log;
    pxtest::memory_build memory;

    static px::data_table* read_in(const char* model, const std::string& text) {
        px::select_model(*px::find_model(model));
        write_file("t.tab", text);
        return px::read_data_table("t.tab");
    }
    static px::data_table* table_of(int32_t rows, int32_t columns, std::vector<uint16_t> values) {
        px::data_table* t = px::new_data_table(rows, columns);
        for (std::size_t i = 0; i < values.size(); ++i) t->elements[i] = values[i];
        return t;
    }
};

TEST_F(data_table, the_largest_tables_each_model_takes) {
    px::data_table* t = read_in("K410", "data_table[1][1724] = { 1 2 3 }");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->columns, 1724);
    EXPECT_EQ(t->elements[2], 3);
    EXPECT_EQ(t->elements[1723], 0);
    // Reduced memory and wide numbering lift the limit of 1724 elements.
    t = read_in("K110", "data_table[40][44] = { 1 2 3 }");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->rows * t->columns, 1760);
    EXPECT_NE(read_in("K530", "data_table[40][44] = { 1 2 3 }"), nullptr);
    t = read_in("K531", "data_table[1][65535] = { 4 }");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->elements[0], 4);
    EXPECT_EQ(log.text().find("rror"), std::string::npos) << log.text();
}

TEST_F(data_table, writes_the_saved_layout_over_a_backup_of_the_old_file) {
    const std::string cases = std::string(PX_CASES_DIR) + "/files/saved/";
    EXPECT_EQ(px::save_data_table("t.tab", table_of(2, 3, {1, 2, 3, 4, 5, 6})), 1);
    EXPECT_EQ(read_file("t.tab"), read_file(cases + "two_by_three.tab"));
    EXPECT_FALSE(pxtest::file_exists("t.#ab"));
    EXPECT_EQ(px::save_data_table("t.tab", table_of(3, 4, {0, 65535, 9, 10000, 12345, 1, 99, 100, 7, 0, 0, 65534})), 1);
    EXPECT_EQ(read_file("t.tab"), read_file(cases + "extremes.tab"));
    EXPECT_EQ(read_file("t.#ab"), read_file(cases + "two_by_three.tab"));
    EXPECT_EQ(log.text(),
              "Saving data table to file \"t.tab\"...\r\nSaved data table in file \"t.tab\".\r\n"
              "Backing up file \"t.tab\"...\r\nMade backup file \"t.#ab\".\r\n"
              "Saving data table to file \"t.tab\"...\r\nSaved data table in file \"t.tab\".\r\n");
}

TEST_F(data_table, a_failed_backup_or_open_leaves_the_table_unsaved) {
    EXPECT_EQ(px::save_data_table("no-such-folder/t.tab", table_of(1, 1, {1})), 0);
    write_file("t.tab", "old");
    std::filesystem::create_directory("t.#ab");
    EXPECT_EQ(px::save_data_table("t.tab", table_of(1, 1, {1})), 0);
    EXPECT_EQ(read_file("t.tab"), "old");
    EXPECT_EQ(log.text(),
              "Error:  Unable to open \"no-such-folder/t.tab\" to save data table.\r\n"
              "Error:  Unable to open file \"t.#ab\" for writing.\r\n"
              "Error:  Unable to backup file \"t.tab\" (data table not saved).\r\n");
}

TEST_F(data_table, a_short_write_is_reported_and_the_backup_keeps_the_old_table) {
    std::string old = "data_table[1][1] =\n{\n     7 \n}\n";
    write_file("t.tab", old);
    int result;
    {
        pxtest::file_size_limit full_disk(100);
        result = px::save_data_table("t.tab", table_of(10, 10, {}));
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(read_file("t.#ab"), old);
    EXPECT_EQ(read_file("t.tab").size(), 100u);
    std::string text = log.text();
    EXPECT_NE(text.find("Error:  Cannot write file \"t.tab\" (data table not saved).\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Saved data table"), std::string::npos) << text;
}

}  // namespace
