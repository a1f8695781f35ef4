// read_file over whole programs: what the reader cases under
// tests/cases/builds (reader_*) cannot say as files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/build_state.h"
#include "driver/model.h"
#include "files/config.h"
#include "files/read_file.h"
#include "program_dump.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// Runs read_file on path in the current folder with a fresh pool and log.
struct read_outcome {
    int result;
    std::string log;
    std::string program;
    std::string name;
    std::string model;
};

read_outcome run_read_file(const char* path) {
    read_outcome out{};
    pxtest::memory_build memory;
    px::error_count = 7;  // a successful read sets it back to 0
    {
        pxtest::log_capture log;
        out.result = px::read_file(path);
        out.log = pxtest::without_cr(log.text());
    }
    out.program = pxtest::dump_program();
    out.name = px::the_program.name ? px::the_program.name : "<none>";
    const px::config_param& model = px::config_params[px::PARAM_CONTROLLER_MODEL];
    out.model = std::string(model.has_model ? model.model : "<none>") + ", model code " +
                std::to_string(px::model_code) + ", " + std::to_string(px::max_steps()) + " steps";
    if (out.result == 0) {
        EXPECT_EQ(px::error_count, 0);
        EXPECT_FALSE(px::the_program.modified);
        EXPECT_EQ(px::the_program.editing, px::the_program.steps);
    }
    return out;
}

// --- cases built in code -----------------------------------------------------

// A step file whose steps are numbered first..last, each with one instruction.
std::string steps(int first, int last) {
    std::string out;
    for (int n = first; n <= last; ++n) out += "[" + std::to_string(n) + "]\n---\n---\nwait " + std::to_string(n) + "\n";
    return out;
}

TEST(read_file, without_a_path_reports_it_and_fails) {
    pxtest::scratch_dir dir;
    read_outcome out = run_read_file(nullptr);
    EXPECT_EQ(out.result, 1);
    EXPECT_EQ(out.log, "Error:  No file name specified to read_file().\n");
}

TEST(read_file, the_mak_extension_is_recognised_in_any_letter_case) {
    for (const char* name : {"line.mak", "line.MAK", "line.Mak", "line.mAK"}) {
        pxtest::scratch_dir dir;
        pxtest::write_file("main.pre", steps(1, 2));
        pxtest::write_file(name, "main.pre\n");
        read_outcome out = run_read_file(name);
        EXPECT_EQ(out.result, 0) << name;
        EXPECT_EQ(out.name, "main.pre") << name;
    }
}

TEST(read_file, a_name_longer_than_79_characters_is_one_whole_name) {
    pxtest::scratch_dir dir;
    std::string folder(120, 'f');
    fs::create_directory(folder);
    std::string master = folder + "/" + std::string(150, 'm') + ".pre";
    pxtest::write_file(master, steps(1, 3));
    pxtest::write_file("long.mak", master + "\n");
    read_outcome out = run_read_file("long.mak");
    EXPECT_EQ(out.result, 0) << out.log;
    EXPECT_EQ(out.name, master);
    EXPECT_NE(out.log.find("Read file \"" + master + "\" [3 steps, 0 output changes, 3 instructions]."),
              std::string::npos)
        << out.log;
}

TEST(read_file, a_link_file_of_80_names_reads_every_file) {
    pxtest::scratch_dir dir;
    std::string link;
    for (int i = 1; i <= 80; ++i) {
        std::string name = "part" + std::to_string(i) + ".pre";
        pxtest::write_file(name, steps(1, 2));
        link += name + "\n";
    }
    pxtest::write_file("big.mak", link);
    read_outcome out = run_read_file("big.mak");
    EXPECT_EQ(out.result, 0) << out.log;
    EXPECT_NE(out.log.find("Reading VEP/PRE program steps from file \"part80.pre\"..."), std::string::npos);
    EXPECT_NE(out.log.find("Read file \"part1.pre\" [160 steps, 0 output changes, 160 instructions]."),
              std::string::npos);
}

TEST(read_file, a_link_file_of_81_names_fails_naming_the_limit_before_reading_any_step) {
    pxtest::scratch_dir dir;
    std::string link;
    for (int i = 1; i <= 81; ++i) {
        std::string name = "part" + std::to_string(i) + ".pre";
        pxtest::write_file(name, steps(1, 2));
        link += name + "\n\n";
    }
    pxtest::write_file("big.mak", link);
    read_outcome out = run_read_file("big.mak");
    EXPECT_EQ(out.result, 1);
    EXPECT_EQ(out.log,
              "Reading VEP/MAK program from file \"big.mak\"...\n"
              "Error:  Link file \"BIG.MAK\" lists more than 80 step files.\n");
    EXPECT_EQ(out.program, "");
}

TEST(read_file, a_4096_step_program_reads_whole_on_a_wide_model) {
    pxtest::scratch_dir dir;
    pxtest::write_file("main.fig", "controller_model K530\n");
    std::string link;
    for (int i = 0; i < 64; ++i) {
        std::string name = "p" + std::to_string(i) + ".pre";
        pxtest::write_file(name, steps(1, 64));
        link += name + "\r\n";
    }
    pxtest::write_file("main.pre", "");
    pxtest::write_file("all.mak", "main.pre\r\n" + link);
    read_outcome out = run_read_file("all.mak");
    EXPECT_EQ(out.result, 0) << out.log;
    EXPECT_NE(out.log.find("[4096 steps, 0 output changes, 4096 instructions]"), std::string::npos) << out.log;
    EXPECT_EQ(px::model_code, 12);
}

TEST(read_file, the_callers_path_is_left_as_it_was) {
    pxtest::scratch_dir dir;
    pxtest::write_file("prog.vep", steps(1, 1));
    char path[] = "prog.vep";
    EXPECT_EQ(run_read_file(path).result, 0);
    EXPECT_STREQ(path, "prog.vep");
}

TEST(read_file, a_second_read_empties_the_program_first) {
    pxtest::scratch_dir dir;
    pxtest::write_file("a.vep", steps(1, 3));
    pxtest::write_file("b.vep", steps(5, 5));
    pxtest::memory_build memory;
    ASSERT_EQ(px::read_file("a.vep"), 0);
    ASSERT_EQ(px::read_file("b.vep"), 0);
    EXPECT_EQ(pxtest::dump_program(), "step 5\n  instruction \"wait 5\"\n");
    EXPECT_STREQ(px::the_program.name, "B.VEP");
}

TEST(read_file, a_failed_open_of_the_master_leaves_the_program_as_it_was) {
    pxtest::scratch_dir dir;
    pxtest::write_file("a.vep", steps(1, 2));
    pxtest::memory_build memory;
    ASSERT_EQ(px::read_file("a.vep"), 0);
    EXPECT_EQ(px::read_file("missing.vep"), 1);
    EXPECT_EQ(pxtest::dump_program(), "step 1\n  instruction \"wait 1\"\nstep 2\n  instruction \"wait 2\"\n");
    EXPECT_STREQ(px::the_program.name, "A.VEP");
}

TEST(read_file, a_program_without_a_configuration_file_keeps_the_previous_one) {
    pxtest::scratch_dir dir;
    pxtest::write_file("wide.vep", steps(1, 1));
    pxtest::write_file("wide.fig", "controller_model K531\n");
    pxtest::write_file("plain.vep", steps(1, 1));
    ASSERT_EQ(run_read_file("wide.vep").result, 0);
    read_outcome out = run_read_file("plain.vep");
    EXPECT_EQ(out.result, 0);
    EXPECT_EQ(out.model, "K531, model code 13, 4096 steps");
    EXPECT_NE(out.log.find("Warning:  Using current configuration parameters.\n"), std::string::npos);
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
