// The data table file: the lenient reader with its limits, and the writer
// whose layout the golden files under golden/files/table keep.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver/model.h"
#include "files/config.h"
#include "files/data_table_file.h"
#include "support/test_support.h"

namespace {

using pxtest::file_size_limit;
using pxtest::log_capture;
using pxtest::read_file;
using pxtest::write_file;

// The model state that the size limit depends on, restored afterwards.
struct model_guard {
    int code = px::model_code;
    bool reduced = px::reduced_memory;
    model_guard(int new_code, bool new_reduced) {
        px::model_code = new_code;
        px::reduced_memory = new_reduced;
    }
    ~model_guard() {
        px::model_code = code;
        px::reduced_memory = reduced;
    }
};

// A scratch folder with a pool for the tables and a captured log.
class DataTable : public ::testing::Test {
protected:
    pxtest::scratch_dir dir;
    model_guard model{0, false};
    log_capture log;
    pxtest::memory_build memory;

    static std::vector<uint16_t> values(const px::data_table* t) {
        return {t->elements, t->elements + static_cast<std::size_t>(t->rows) * static_cast<std::size_t>(t->columns)};
    }
    static const std::string& read_lines() {
        static const std::string lines =
            "Reading data table from file \"t.tab\"...\r\nRead data table from file \"t.tab\".\r\n";
        return lines;
    }
};

TEST_F(DataTable, AbsentFileGivesNoTableAndNoMessage) {
    EXPECT_EQ(px::read_data_table("missing.tab"), nullptr);
    EXPECT_EQ(log.text(), "");
}

TEST_F(DataTable, FileNotStartingWithDGivesNoTableSilently) {
    write_file("t.tab", "\n  [1]  start\n---\n<NO CHANGE IN DIGITAL OUTPUTS>\n---\n");
    EXPECT_EQ(px::read_data_table("t.tab"), nullptr);
    write_file("t.tab", "");
    EXPECT_EQ(px::read_data_table("t.tab"), nullptr);
    EXPECT_EQ(log.text(), "");
}

TEST_F(DataTable, ReadsTheWrittenFormWithItsMessages) {
    write_file("t.tab", "data_table[2][3] =\n{\n        1     2     3 \n        4     5     6 \n}\n");
    px::data_table* t = px::read_data_table("t.tab");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->rows, 2);
    EXPECT_EQ(t->columns, 3);
    EXPECT_EQ(values(t), (std::vector<uint16_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(log.text(), read_lines());
}

TEST_F(DataTable, LenientHeaderAndAnyWhiteSpaceBetweenValues) {
    write_file("t.tab", " \t\f\vDATA TABLE [2 junk] \n [2 x] = ignored {\t7\v8\f\r\n9 10}");
    px::data_table* t = px::read_data_table("t.tab");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(values(t), (std::vector<uint16_t>{7, 8, 9, 10}));
}

TEST_F(DataTable, CrLfFileReadsAsItsLfCopy) {
    std::string text = "data_table[2][2] =\n{\n    11    12 \n    13    14 \n}\n";
    write_file("t.tab", pxtest::crlf(text));
    px::data_table* t = px::read_data_table("t.tab");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->rows, 2);
    EXPECT_EQ(t->columns, 2);
    EXPECT_EQ(values(t), (std::vector<uint16_t>{11, 12, 13, 14}));
}

TEST_F(DataTable, ShortTableEndsAtBraceAndKeepsZeros) {
    write_file("t.tab", "data_table[2][3] =\n{\n 1 2 3 4 }\n");
    px::data_table* t = px::read_data_table("t.tab");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(values(t), (std::vector<uint16_t>{1, 2, 3, 4, 0, 0}));
}

TEST_F(DataTable, CommaStopsTheValues) {
    write_file("t.tab", "data_table[1][4] = { 1 2, 3 4 }");
    EXPECT_EQ(values(px::read_data_table("t.tab")), (std::vector<uint16_t>{1, 2, 0, 0}));
}

TEST_F(DataTable, HeaderWithoutEqualsSignLeavesTheBraceAsAStrayCharacter) {
    write_file("t.tab", "data_table[1][2] { 5 6 }");
    EXPECT_EQ(values(px::read_data_table("t.tab")), (std::vector<uint16_t>{0, 0}));
}

TEST_F(DataTable, ValueAbove65535StopsTheReading) {
    write_file("t.tab", "data_table[1][4] = { 65535 65536 7 8 }");
    EXPECT_EQ(values(px::read_data_table("t.tab")), (std::vector<uint16_t>{65535, 0, 0, 0}));
}

TEST_F(DataTable, OverlongNumbersDoNotWrapRoundToSmallValues) {
    // 2^32 + 5 and 2^64 + 7 would read as 5 and 7 if the digits wrapped.
    write_file("t.tab", "data_table[1][3] = { 9 4294967301 1 }");
    EXPECT_EQ(values(px::read_data_table("t.tab")), (std::vector<uint16_t>{9, 0, 0}));
    write_file("t.tab", "data_table[1][3] = { 9 18446744073709551623 1 }");
    EXPECT_EQ(values(px::read_data_table("t.tab")), (std::vector<uint16_t>{9, 0, 0}));
    write_file("t.tab", "data_table[1][2] = { 000000000000000000000000000042 3 }");
    EXPECT_EQ(values(px::read_data_table("t.tab")), (std::vector<uint16_t>{42, 3}));
}

TEST_F(DataTable, ZeroOrMissingDimensionsGiveNoTableSilently) {
    for (const char* text : {"data_table[0][3] = { 1 }", "data_table[3][0] = { 1 }", "data_table[][3] = { 1 }",
                             "data_table[2] = { 1 }", "data_table[2][3", "data_table"}) {
        write_file("t.tab", text);
        EXPECT_EQ(px::read_data_table("t.tab"), nullptr) << text;
    }
    EXPECT_EQ(log.text(), "");
}

TEST_F(DataTable, SmallestModelsRefuseMoreThan1724Elements) {
    write_file("t.tab", "data_table[40][44] = { 1 2 3 }");
    EXPECT_EQ(px::read_data_table("t.tab"), nullptr);
    EXPECT_EQ(log.text(), "Error:  IXO K400 VEP supports only 1724 data table elements.\r\n");

    write_file("t.tab", "data_table[1][1724] = { 1 2 3 }");
    px::data_table* t = px::read_data_table("t.tab");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->columns, 1724);
    EXPECT_EQ(t->elements[2], 3);
    EXPECT_EQ(t->elements[1723], 0);
}

TEST_F(DataTable, ReducedMemoryAndLargerModelsTakeLargerTables) {
    write_file("t.tab", "data_table[40][44] = { 1 2 3 }");
    {
        model_guard reduced(0, true);
        px::data_table* t = px::read_data_table("t.tab");
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->rows * t->columns, 1760);
    }
    {
        model_guard wide(12, false);
        EXPECT_NE(px::read_data_table("t.tab"), nullptr);
    }
    EXPECT_EQ(log.text().find("1724"), std::string::npos);
}

TEST_F(DataTable, AbsurdDimensionsAreRefusedWithoutAllocating) {
    model_guard wide(13, false);
    // 2^32 + 1 rows would read as 1 if the digits wrapped.
    for (const char* text : {"data_table[4294967297][1] = { 1 }", "data_table[100000][100000] = { 1 }",
                             "data_table[65536][1] = { 1 }", "data_table[1][99999999999999999999999] = { 1 }",
                             "data_table[2000][2000] = { 1 }"}) {
        write_file("t.tab", text);
        EXPECT_EQ(px::read_data_table("t.tab"), nullptr) << text;
    }
    std::string refusal =
        "Error:  Data table in file \"t.tab\" is too large (more than 1048576 elements or 65535 rows or columns).\r\n";
    EXPECT_EQ(log.text(), refusal + refusal + refusal + refusal + refusal);
    // The largest accepted shape still reads.
    write_file("t.tab", "data_table[1][65535] = { 4 }");
    px::data_table* t = px::read_data_table("t.tab");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->elements[0], 4);
}

TEST_F(DataTable, SmallModelLimitIsTestedBeforeTheZeroTest) {
    // An absurd row count with the smallest model earns the model's message.
    write_file("t.tab", "data_table[4294967297][1] = { 1 }");
    EXPECT_EQ(px::read_data_table("t.tab"), nullptr);
    EXPECT_EQ(log.text(), "Error:  IXO K400 VEP supports only 1724 data table elements.\r\n");
}

TEST_F(DataTable, EmbeddedTableAtTheHeadOfAStepFile) {
    write_file("p.vep",
               "data_table[1][2] =\n{\n     3     4 \n}\n\n[1]      start\n    ---\n        1+\n    ---\n    goto next\n");
    px::data_table* t = px::read_data_table("p.vep");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(values(t), (std::vector<uint16_t>{3, 4}));
}

// --- the writer ------------------------------------------------------------

px::data_table* table_of(int32_t rows, int32_t columns, std::vector<uint16_t> v) {
    px::data_table* t = px::new_data_table(rows, columns);
    for (std::size_t i = 0; i < v.size(); ++i) t->elements[i] = v[i];
    return t;
}

TEST_F(DataTable, WritesTheGoldenLayout) {
    EXPECT_EQ(px::save_data_table("t.tab", table_of(2, 3, {1, 2, 3, 4, 5, 6})), 1);
    EXPECT_EQ(read_file("t.tab"), read_file(pxtest::golden("files/table/two_by_three.tab")));
    EXPECT_EQ(log.text(), "Saving data table to file \"t.tab\"...\r\nSaved data table in file \"t.tab\".\r\n");

    EXPECT_EQ(px::save_data_table("w.tab", table_of(3, 4, {0, 65535, 9, 10000, 12345, 1, 99, 100, 7, 0, 0, 65534})), 1);
    EXPECT_EQ(read_file("w.tab"), read_file(pxtest::golden("files/table/extremes.tab")));
}

TEST_F(DataTable, FirstLinesAreHeaderAndBrace) {
    ASSERT_EQ(px::save_data_table("t.tab", table_of(1, 1, {0})), 1);
    EXPECT_EQ(read_file("t.tab"), "data_table[1][1] =\n{\n         0 \n}\n");
}

TEST_F(DataTable, WrittenTableReadsBackTheSame) {
    std::vector<uint16_t> v;
    for (int i = 0; i < 7 * 9; ++i) v.push_back(static_cast<uint16_t>(i * 1031u));
    ASSERT_EQ(px::save_data_table("t.tab", table_of(7, 9, v)), 1);
    px::data_table* t = px::read_data_table("t.tab");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->rows, 7);
    EXPECT_EQ(t->columns, 9);
    EXPECT_EQ(values(t), v);
}

TEST_F(DataTable, OverwritingKeepsTheOldFileUnderHashAb) {
    std::string old = "data_table[1][1] =\n{\n     7 \n}\n";
    write_file("t.tab", old);
    ASSERT_EQ(px::save_data_table("t.tab", table_of(1, 2, {8, 9})), 1);
    EXPECT_EQ(read_file("t.#ab"), old);
    EXPECT_EQ(read_file("t.tab"), "data_table[1][2] =\n{\n         8     9 \n}\n");
    EXPECT_EQ(log.text(),
              "Backing up file \"t.tab\"...\r\nMade backup file \"t.#ab\".\r\n"
              "Saving data table to file \"t.tab\"...\r\nSaved data table in file \"t.tab\".\r\n");
}

TEST_F(DataTable, NewFileMakesNoBackup) {
    ASSERT_EQ(px::save_data_table("t.tab", table_of(1, 1, {1})), 1);
    EXPECT_FALSE(pxtest::file_exists("t.#ab"));
}

TEST_F(DataTable, FileThatCannotBeOpenedIsReported) {
    EXPECT_EQ(px::save_data_table("no-such-folder/t.tab", table_of(1, 1, {1})), 0);
    EXPECT_EQ(log.text(), "Error:  Unable to open \"no-such-folder/t.tab\" to save data table.\r\n");
}

TEST_F(DataTable, FailedBackupLeavesTheTableUnsaved) {
    write_file("t.tab", "old");
    std::filesystem::create_directory("t.#ab");
    EXPECT_EQ(px::save_data_table("t.tab", table_of(1, 1, {1})), 0);
    EXPECT_EQ(read_file("t.tab"), "old");
    EXPECT_EQ(log.text(),
              "Error:  Unable to open file \"t.#ab\" for writing.\r\n"
              "Error:  Unable to backup file \"t.tab\" (data table not saved).\r\n");
}

TEST_F(DataTable, ShortWriteIsReportedAndTheBackupKeepsTheOldTable) {
    std::string old = "data_table[1][1] =\n{\n     7 \n}\n";
    write_file("t.tab", old);
    px::data_table* t = table_of(10, 10, {});
    int result;
    {
        file_size_limit limit(100);
        result = px::save_data_table("t.tab", t);
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(read_file("t.#ab"), old);
    EXPECT_EQ(read_file("t.tab").size(), 100u);
    std::string text = log.text();
    EXPECT_NE(text.find("Error:  Cannot write file \"t.tab\" (data table not saved).\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Saved data table"), std::string::npos);
}

}  // namespace
