// File names from the old platform, which ignored letter case and took '\' between folders. The rules
// as reads and builds are the cases link_names_exact_first_and_folders_only, reader_name_in_any_case
// and reader_outputs_replace_files_in_any_case; here the paths the layer makes.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>

#include "platform/file_names.h"
#include "test_support.h"

TEST(file_names, absolute_paths_walk_from_the_root_and_the_rest_of_a_missing_folder_stays_as_written) {
    pxtest::scratch_dir dir;
    std::filesystem::create_directories("work/Line");
    pxtest::write_file("work/Line/main.pre", "x");
    std::string absolute = dir / "work/Line/main.pre";
    std::string upper = absolute;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(px::resolve_path(upper), absolute);
    EXPECT_EQ(px::resolve_path("./Work//LINE\\Main.Pre"), "./work/Line/main.pre");
    EXPECT_EQ(px::resolve_path("C:\\work\\main.pre"), "C:/work/main.pre");
    EXPECT_EQ(px::resolve_path(""), "");
}
