// Failure sweeps: a build whose pool runs dry at its 1st, 2nd, ... n-th
// allocation, and builds and saves whose 1st, 2nd, ... k-th write, flush or
// close fails, until one needs no more. Every run must end the way the
// library defines for that failure, lose no good older file and leak nothing
// (LeakSanitizer watches the asan runs).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "driver/build_state.h"
#include "driver/driver.h"
#include "files/read_file.h"
#include "files/save_file.h"
#include "failing_files.h"
#include "program_dump.h"
#include "test_hooks.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

struct sweep_build {
    const char* folder;  // copied into a fresh scratch folder for every run
    const char* path;    // what is built
};

// The example project, then an embedded table, compile errors (the listing
// and error file) and duplicate labels. Each sweep takes every allocation
// and every write: a few hundred runs in all, seconds even under asan.
const sweep_build builds[] = {
    {"examples/conveyor", "conveyor.mak"},
    {"examples/tiny", "tiny.vep"},
    {"tests/cases/builds/diagnostics_listing_and_error_file/in", "prog.vep"},
    {"tests/cases/builds/labels_duplicate_in_any_case/in", "prog.vep"},
};

const std::string closing = "\r\n************* COMPILE/LINK COMPLETE ***************\r\n\n";
const std::string old_program = "\n[1]\n    ---\n    ---\n    wait 1\n";
const std::string old_table = "data_table[1][1] =\n{\n 7\n}\n";

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void copy_in(const sweep_build& b) {
    fs::copy(fs::path(PX_SOURCE_DIR) / b.folder, fs::current_path(), fs::copy_options::recursive);
}

int32_t build(const sweep_build& b) {
    std::string path = b.path;
    return px::run_export(path.data());
}

// The program read from name, as a save writes it; the read must succeed.
std::string read_back(const char* name, long* allocations = nullptr) {
    pxtest::memory_build memory;
    pxtest::log_capture capture;
    EXPECT_EQ(px::read_file(memory.build(), name), 0) << name << " does not read back:\n" << capture.text();
    if (allocations) *allocations = px::pool_allocations();
    return pxtest::dump_program({.skip_empty_steps = true, .outputs_end_at_all_off = true});
}

// One line of the log, CR LF included, in text.
std::string logged(const std::string& line) { return line + "\r\n"; }

// The message the library logs when the write, flush or close of file fails.
std::string failure_message(const std::string& file) {
    std::string ext = fs::path(file).extension().string();
    if (ext == ".dso") return "   Problem:  ";
    if (ext == ".lst" || ext == ".err")
        return logged("Error:  Unable to write to file \"" + file + "\" (aborting compilation).");
    if (ext == ".xrf") return logged("Error:  Unable to write to cross-reference map file \"" + file + "\".");
    if (ext == ".#ep" || ext == ".#ab")
        return logged("Error:  Unable to write to file \"" + file + "\" (backup aborted).");
    if (ext == ".fig") return logged("Warning:  Unable to open \"" + file + "\" for writing.\n");
    if (ext == ".tab") return logged("Error:  Cannot write file \"" + file + "\" (data table not saved).");
    if (ext == ".vep") return logged("Error:  Unable to write to file \"" + file + "\" (program truncated).");
    return "";
}

// The line that would report file as written whole.
std::string written_message(const std::string& file) {
    std::string ext = fs::path(file).extension().string();
    if (ext == ".xrf") return "Saved resource cross-reference map in file \"" + file + "\".";
    if (ext == ".#ep" || ext == ".#ab") return "Made backup file \"" + file + "\".";
    if (ext == ".fig") return "Saved configuration parameters in file \"" + file + "\".";
    if (ext == ".tab") return "Saved data table in file \"" + file + "\".";
    if (ext == ".vep") return "Saved file \"";
    return "Successful compile:";
}

TEST(failure_sweep, every_allocation_of_a_build_fails_once) {
    for (const sweep_build& b : builds) {
        SCOPED_TRACE(b.folder);
        long count, reading;
        int32_t good;
        std::string program;
        {
            pxtest::scratch_dir dir;
            copy_in(b);
            program = read_back(b.path, &reading);
            good = build(b);
            ASSERT_GT(good, 0);
            count = px::pool_allocations();
        }
        // One more than the build needs changes nothing.
        for (long n = 1; n <= count + 1; ++n) {
            SCOPED_TRACE("the pool runs dry at allocation " + std::to_string(n) + " of " + std::to_string(count));
            pxtest::scratch_dir dir;
            copy_in(b);
            px::fail_pool_allocation(n);
            int32_t result = build(b);
            px::fail_pool_allocation(0);
            std::string log = pxtest::read_file("pxlinker.log");
            EXPECT_FALSE(px::pool_exists());
            if (n > count) {
                EXPECT_EQ(result, good);
                continue;
            }
            EXPECT_EQ(result, 0);
            EXPECT_TRUE(has(log, logged("Error:  (Out of Memory):  Saving to file \"OMNA.VEP\"."))) << log;
            EXPECT_TRUE(has(log, logged("Successfully saved program before panic."))) << log;
            EXPECT_TRUE(log.ends_with(logged("Panic:  Can't cope without a memory fix ... Good Bye.") + closing +
                                      "Compile/Link failed.\r\n"))
                << log;
            // Once the whole program is read, the panic save holds all of it.
            std::string saved = read_back("omna.vep");
            if (n > reading) {
                EXPECT_EQ(saved, program);
            }
            if (HasFailure()) return;
        }
    }
}

// The old panic-save files that a save must keep as its backups.
void place_old_files() {
    pxtest::write_file("omna.vep", old_program);
    pxtest::write_file("omna.tab", old_table);
}

// A failed write never costs the older version of a file that has a backup.
void expect_old_versions_kept() {
    EXPECT_TRUE(pxtest::read_file("omna.vep") == old_program || pxtest::read_file("omna.#ep") == old_program)
        << "the older omna.vep is lost";
    EXPECT_TRUE(pxtest::read_file("omna.tab") == old_table || pxtest::read_file("omna.#ab") == old_table)
        << "the older omna.tab is lost";
}

// Builds b (its pool running dry at allocation dry_at, 0 = never) or, with
// save set, reads it and saves it as omna.vep, failing write k (0 = none).
// The result, the failed file and the log.
struct write_run {
    int32_t result;
    std::string file, log;
};

write_run run_with_write_failure(const sweep_build& b, bool save, long dry_at, long k, long* count = nullptr) {
    copy_in(b);
    place_old_files();
    write_run out;
    std::string path = b.path;
    pxtest::failing_files failing(k);
    if (save) {
        pxtest::memory_build memory;
        pxtest::log_capture capture;
        EXPECT_EQ(px::read_file(memory.build(), path.c_str()), 0);
        memory.build().files = &failing;
        out.result = px::save_file(memory.build(), "omna.vep");
        out.log = capture.text();
    } else {
        px::build_context build;
        build.files = &failing;
        px::fail_pool_allocation(dry_at);
        out.result = px::run_build(build, path.data());
        px::fail_pool_allocation(0);
        out.log = pxtest::read_file("pxlinker.log");
    }
    if (count) *count = failing.counted();
    out.file = failing.failed();
    return out;
}

// Every write of a build, of a build that ends in a panic save (its pool
// runs dry at its last allocation, with the whole program read) and of a
// save of the example project.
TEST(failure_sweep, every_write_of_a_build_or_a_save_fails_once) {
    struct sweep {
        const sweep_build& b;
        bool panic, save;
    };
    const sweep sweeps[] = {{builds[0], false, false}, {builds[1], false, false}, {builds[2], false, false},
                            {builds[3], false, false}, {builds[0], true, false},  {builds[0], false, true}};
    for (const sweep& s : sweeps) {
        SCOPED_TRACE(std::string(s.b.folder) + (s.panic ? ", panic save" : s.save ? ", save" : ""));
        long allocations = 0, count = 0;
        write_run good;
        std::string program;
        {
            pxtest::scratch_dir dir;
            copy_in(s.b);
            program = read_back(s.b.path);
            ASSERT_GT(build(s.b), 0);
            allocations = px::pool_allocations();
        }
        const long dry_at = s.panic ? allocations : 0;
        {
            pxtest::scratch_dir dir;
            good = run_with_write_failure(s.b, s.save, dry_at, 0, &count);
            if (s.panic || s.save) {
                EXPECT_EQ(read_back("omna.vep"), program);
            }
        }
        for (long k = 1; k <= count; ++k) {
            SCOPED_TRACE("write " + std::to_string(k) + " of " + std::to_string(count) + " fails");
            pxtest::scratch_dir dir;
            write_run run = run_with_write_failure(s.b, s.save, dry_at, k);
            SCOPED_TRACE("in " + run.file);
            ASSERT_FALSE(run.file.empty());
            expect_old_versions_kept();
            std::string ext = fs::path(run.file).extension().string();
            if (run.file == "pxlinker.log" || (s.panic && ext == ".dso")) {
                // The log is the one file without a failure of its own; the
                // object file of a build that has panicked is closed as the
                // build fails anyway.
                EXPECT_EQ(run.result, good.result);
                continue;
            }
            EXPECT_TRUE(has(run.log, failure_message(run.file))) << run.log;
            if (s.panic) {
                // A panic save tries again, and the next try writes it all.
                EXPECT_EQ(run.result, 0);
                EXPECT_TRUE(has(run.log, logged("Successfully saved program before panic."))) << run.log;
                EXPECT_EQ(read_back("omna.vep"), program);
                continue;
            }
            EXPECT_FALSE(has(run.log, written_message(run.file))) << run.log;
            if (s.save) {
                EXPECT_EQ(run.result, ext == ".vep" || ext == ".#ep" ? 1 : 0);
                if (run.result == 0) {
                    EXPECT_EQ(read_back("omna.vep"), program);
                }
            } else if (ext == ".xrf" || ext == ".dso") {
                EXPECT_EQ(run.result, good.result);
            } else {
                EXPECT_GT(run.result, 0);
            }
            if (ext == ".lst" || ext == ".err") {
                EXPECT_TRUE(has(run.log, logged("Error:  Compilation aborted (interrupt or disk write failure).") +
                                             closing))
                    << run.log;
            }
            if (HasFailure()) return;
        }
    }
}

}  // namespace
