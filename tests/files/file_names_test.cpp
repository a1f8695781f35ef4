// File names from the old platform, which ignored letter case and separated
// folders with '\': how they find, create and delete files on Linux. A whole
// build named in another case is the build case link-name-in-any-case.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <set>
#include <string>

#include "files/file_names.h"
#include "test_support.h"

namespace fs = std::filesystem;
using pxtest::write_file;

namespace {

std::set<std::string> listing(const std::string& folder = ".") {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

TEST(file_names, finds_every_component_in_any_case_and_takes_backslashes_as_separators) {
    pxtest::scratch_dir dir;
    fs::create_directories("work/Line");
    write_file("work/Line/main.pre", "x");
    EXPECT_EQ(px::resolve_path("work/Line/main.pre"), "work/Line/main.pre");
    EXPECT_EQ(px::resolve_path("./Work//LINE/Main.Pre"), "./work/Line/main.pre");
    EXPECT_EQ(px::resolve_path("Work\\LINE/Main.PRE"), "work/Line/main.pre");
    // Absolute paths walk from the root the same way.
    std::string absolute = dir / "work/Line/main.pre";
    for (char& c : absolute) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(px::resolve_path(absolute), dir / "work/Line/main.pre");
    // A name that exists with its backslash is that file.
    write_file("odd\\name.pre", "x");
    EXPECT_EQ(px::resolve_path("odd\\name.pre"), "odd\\name.pre");
    // Below a missing folder the rest stays as written.
    EXPECT_EQ(px::resolve_path("C:\\work\\main.pre"), "C:/work/main.pre");
    EXPECT_EQ(px::open_file("C:\\work\\main.pre", "r"), nullptr);
    EXPECT_EQ(px::resolve_path(""), "");
}

TEST(file_names, an_exact_match_wins_and_a_folder_matches_only_a_folder) {
    pxtest::scratch_dir dir;
    write_file("prog.vep", "lower");
    write_file("PROG.VEP", "upper");
    write_file("Prog.Vep", "mixed");
    EXPECT_EQ(px::resolve_path("Prog.Vep"), "Prog.Vep");
    // With no exact match the choice does not depend on the folder's order.
    EXPECT_EQ(px::resolve_path("prog.VEP"), "PROG.VEP");
    write_file("data", "a file, not the folder");
    fs::create_directory("DATA");
    write_file("DATA/x.tab", "x");
    EXPECT_EQ(px::resolve_path("data/X.TAB"), "DATA/x.tab");
}

TEST(file_names, new_files_keep_their_own_name_and_old_ones_are_replaced_or_deleted_in_any_case) {
    pxtest::scratch_dir dir;
    fs::create_directory("work");
    std::FILE* f = px::open_file("WORK/PROG.LST", "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    int fd = px::open_binary_for_write("Work\\PROG.DSO");
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(listing(), std::set<std::string>{"work"});
    EXPECT_EQ(listing("work"), (std::set<std::string>{"PROG.DSO", "PROG.LST"}));

    write_file("prog.err", "old");
    f = px::open_file("PROG.ERR", "w");
    ASSERT_NE(f, nullptr);
    std::fputs("new", f);
    std::fclose(f);
    EXPECT_EQ(pxtest::read_file("prog.err"), "new");
    EXPECT_EQ(px::delete_file("Prog.Err"), 0);
    EXPECT_NE(px::delete_file("PROG.ERR"), 0);
    EXPECT_EQ(listing(), std::set<std::string>{"work"});
}

}  // namespace
