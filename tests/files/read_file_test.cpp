// read_file over whole programs: what the reader_*, link_* and config_*
// build cases cannot say as files (a program too big to show, a program
// kept from one read to the next, a pool that runs out, open files).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "driver/build_state.h"
#include "driver/model.h"
#include "files/config.h"
#include "files/read_file.h"
#include "support/program_dump.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// A step file whose steps are numbered first..last, each with one instruction.
std::string steps(int first, int last) {
    std::string out;
    for (int n = first; n <= last; ++n) out += "[" + std::to_string(n) + "]\n---\n---\nwait " + std::to_string(n) + "\n";
    return out;
}

TEST(read_file, a_4096_step_program_of_64_files_reads_whole_on_a_wide_model) {
    pxtest::scratch_dir dir;
    pxtest::write_file("main.fig", "controller_model K530\n");
    pxtest::write_file("main.pre", "");
    std::string link = "main.pre\r\n";
    for (int i = 0; i < 64; ++i) {
        pxtest::write_file("p" + std::to_string(i) + ".pre", steps(1, 64));
        link += "p" + std::to_string(i) + ".pre\r\n";
    }
    pxtest::write_file("all.mak", link);
    pxtest::memory_build memory;
    pxtest::log_capture log;
    ASSERT_EQ(px::read_file("all.mak"), 0) << log.text();
    EXPECT_NE(log.text().find("Read file \"main.pre\" [4096 steps, 0 output changes, 4096 instructions]."),
              std::string::npos);
    EXPECT_EQ(px::step_of(px::last_step())->number, 4096u);
    EXPECT_EQ(px::model_code, 12);
}

TEST(read_file, a_second_read_replaces_the_program_and_a_failed_one_leaves_it) {
    pxtest::scratch_dir dir;
    pxtest::write_file("a.vep", steps(1, 3));
    pxtest::write_file("b.vep", steps(5, 6));
    pxtest::memory_build memory;
    pxtest::log_capture log;
    ASSERT_EQ(px::read_file("a.vep"), 0);
    char path[] = "b.vep";
    ASSERT_EQ(px::read_file(path), 0);
    EXPECT_STREQ(path, "b.vep");  // the caller's path is left as it was
    EXPECT_EQ(px::read_file("missing.vep"), 1);
    EXPECT_EQ(px::read_file(nullptr), 1);
    EXPECT_EQ(pxtest::dump_program(), "step 5\n  instruction \"wait 5\"\nstep 6\n  instruction \"wait 6\"\n");
    EXPECT_STREQ(px::the_program.name, "B.VEP");
    EXPECT_NE(log.text().find("Error:  No file name specified to read_file().\r\n"), std::string::npos);
}

int open_descriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

TEST(read_file, running_out_of_memory_mid_file_leaves_no_file_open) {
    pxtest::scratch_dir dir;
    std::string text;
    for (int n = 1; n <= 200; ++n) text += "[" + std::to_string(n) + "]\n---\n---\n" + std::string(2000, 'x') + "\n";
    pxtest::write_file("a.pre", text);
    pxtest::write_file("line.mak", "a.pre\n");
    int before = open_descriptors();
    px::set_pool_limit(96 * 1024);
    std::string logged;
    {
        pxtest::memory_build memory;
        pxtest::log_capture log;
        EXPECT_THROW(px::read_file("line.mak"), px::build_abort);
        logged = log.text();
    }
    px::set_pool_limit(0);
    EXPECT_EQ(open_descriptors(), before);
    EXPECT_NE(logged.find("Panic:  Can't cope without a memory fix ... Good Bye."), std::string::npos);
}

}  // namespace
