// File names from the old platform, which ignored letter case and separated
// folders with '\': how they find, create and delete files on Linux, and
// whole builds whose name is written in another case than the file on disk.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "files/file_names.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> listing(const std::string& folder = ".") {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

TEST(file_names, a_name_that_exists_as_written_is_used_as_written) {
    pxtest::scratch_dir dir;
    pxtest::write_file("Prog.vep", "x");
    EXPECT_EQ(px::resolve_path("Prog.vep"), "Prog.vep");
    EXPECT_EQ(px::resolve_path(dir / "Prog.vep"), dir / "Prog.vep");
}

TEST(file_names, every_component_is_matched_without_regard_to_case) {
    pxtest::scratch_dir dir;
    fs::create_directories("work/Line");
    pxtest::write_file("work/Line/main.pre", "x");
    EXPECT_EQ(px::resolve_path("WORK/line/MAIN.PRE"), "work/Line/main.pre");
    EXPECT_EQ(px::resolve_path("./Work//LINE/Main.Pre"), "./work/Line/main.pre");
    // Absolute paths walk from the root the same way.
    EXPECT_EQ(px::resolve_path(upper(dir / "work/line/main.pre")), dir / "work/Line/main.pre");
}

TEST(file_names, backslashes_separate_folders_unless_the_name_exists_with_them) {
    pxtest::scratch_dir dir;
    fs::create_directories("work/line");
    pxtest::write_file("work/line/main.pre", "x");
    EXPECT_EQ(px::resolve_path("work\\line\\main.pre"), "work/line/main.pre");
    EXPECT_EQ(px::resolve_path("Work\\LINE/Main.PRE"), "work/line/main.pre");
    pxtest::write_file("odd\\name.pre", "x");
    EXPECT_EQ(px::resolve_path("odd\\name.pre"), "odd\\name.pre");
}

TEST(file_names, an_exact_match_wins_over_one_that_differs_in_case) {
    pxtest::scratch_dir dir;
    pxtest::write_file("prog.vep", "lower");
    pxtest::write_file("PROG.VEP", "upper");
    pxtest::write_file("Prog.Vep", "mixed");
    EXPECT_EQ(px::resolve_path("Prog.Vep"), "Prog.Vep");
    // With no exact match the choice does not depend on the folder's order.
    EXPECT_EQ(px::resolve_path("prog.VEP"), "PROG.VEP");
}

TEST(file_names, a_folder_in_the_path_matches_only_a_folder) {
    pxtest::scratch_dir dir;
    pxtest::write_file("data", "a file, not the folder");
    fs::create_directory("DATA");
    pxtest::write_file("DATA/x.tab", "x");
    EXPECT_EQ(px::resolve_path("data/X.TAB"), "DATA/x.tab");
}

TEST(file_names, a_new_file_keeps_its_own_name_in_the_folder_found) {
    pxtest::scratch_dir dir;
    fs::create_directory("work");
    std::FILE* f = px::open_file("WORK/PROG.LST", "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    int fd = px::open_binary_for_write("Work\\PROG.DSO");
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(listing(), std::vector<std::string>{"work"});
    EXPECT_EQ(listing("work"), (std::vector<std::string>{"PROG.DSO", "PROG.LST"}));
}

TEST(file_names, writing_a_name_that_exists_in_another_case_replaces_that_file) {
    pxtest::scratch_dir dir;
    pxtest::write_file("prog.lst", "old listing");
    std::FILE* f = px::open_file("PROG.LST", "w");
    ASSERT_NE(f, nullptr);
    std::fputs("new listing", f);
    std::fclose(f);
    EXPECT_EQ(listing(), std::vector<std::string>{"prog.lst"});
    EXPECT_EQ(pxtest::read_file("prog.lst"), "new listing");
}

TEST(file_names, deleting_finds_the_file_in_any_case) {
    pxtest::scratch_dir dir;
    pxtest::write_file("prog.err", "x");
    EXPECT_EQ(px::delete_file("PROG.ERR"), 0);
    EXPECT_TRUE(listing().empty());
    EXPECT_NE(px::delete_file("PROG.ERR"), 0);
}

TEST(file_names, a_missing_folder_leaves_the_rest_as_written) {
    pxtest::scratch_dir dir;
    EXPECT_EQ(px::resolve_path("C:\\work\\main.pre"), "C:/work/main.pre");
    EXPECT_EQ(px::open_file("C:\\work\\main.pre", "r"), nullptr);
    EXPECT_EQ(px::resolve_path(""), "");
}

// A whole build named in three cases of one file on disk, prog.vep in a
// folder Work: each reads that file, names the program PROG.VEP, finds its
// lower-case configuration file and writes its outputs beside it.
TEST(file_names, a_build_finds_its_program_in_any_letter_case) {
    for (const char* written : {"work/prog.vep", "WORK/Prog.Vep", "Work/PROG.VEP"}) {
        SCOPED_TRACE(written);
        pxtest::scratch_dir dir;
        fs::create_directory("Work");
        pxtest::write_file("Work/prog.vep", "[1] start\n---\n1+\n---\ngoto next\n[2]\n---\n---\ngoto start\n");
        pxtest::write_file("Work/prog.fig", "controller_model K520\n");
        px::run_export(written);
        std::string log = pxtest::read_file("pxlinker.log");
        EXPECT_NE(log.find("Reading VEP/MAK program from file \"" + std::string(written) + "\"...\r\n"),
                  std::string::npos)
            << log;
        EXPECT_NE(log.find("Reading configuration parameters from file \"WORK/PROG.fig\"..."), std::string::npos)
            << log;
        EXPECT_NE(log.find("Reading VEP/PRE program steps from file \"WORK/PROG.VEP\"...\r\n"
                           "Read file \"WORK/PROG.VEP\" [2 steps, 1 output changes, 2 instructions].\r\n"
                           "Compiling source file \"WORK/PROG.VEP\"..."),
                  std::string::npos)
            << log;
        // Outputs are named from the upper-cased program name with their own
        // extension (PROG.dso, PROG.lst, ...), in the program's folder.
        EXPECT_EQ(listing(), (std::vector<std::string>{"Work", "pxlinker.log"}));
        std::vector<std::string> outputs = listing("Work");
        EXPECT_NE(std::find(outputs.begin(), outputs.end(), "PROG.dso"), outputs.end());
        for (const std::string& name : outputs)
            EXPECT_TRUE(name == "prog.vep" || name == "prog.fig" || name.rfind("PROG.", 0) == 0) << name;
    }
}

}  // namespace
