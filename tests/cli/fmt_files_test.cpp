// How pxc fmt treats the files it rewrites: replaced whole through a
// temporary beside them, keeping their mode, through a symbolic link to its
// target; a tidy file is not written; a failure leaves the file as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "format.h"
#include "pxc.h"
#include "test_hooks.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const char* const messy = "[1] go\n---\n1+\n---\ngoto [1]\n";

int pxc_fmt(std::vector<std::string> args) {
    args.insert(args.begin(), {"pxc", "fmt"});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    testing::internal::CaptureStderr();
    int status = pxc::run(static_cast<int>(args.size()), argv.data());
    testing::internal::GetCapturedStderr();
    return status;
}

std::vector<std::string> names_here() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator("."))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FmtFiles, RewrittenFileKeepsItsModeAndNothingIsLeftBeside) {
    pxtest::scratch_dir dir;
    pxtest::write_file("prog.vep", messy);
    ::chmod("prog.vep", 0640);
    EXPECT_EQ(pxc_fmt({"prog.vep"}), 0);
    struct stat info;
    ASSERT_EQ(::stat("prog.vep", &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_NE(pxtest::read_file("prog.vep"), messy);
    EXPECT_EQ(names_here(), std::vector<std::string>{"prog.vep"});
}

TEST(FmtFiles, TidyFileIsNotWritten) {
    pxtest::scratch_dir dir;
    pxtest::write_file("prog.vep", messy);
    ASSERT_EQ(pxc_fmt({"prog.vep"}), 0);
    struct stat before, after;
    ASSERT_EQ(::stat("prog.vep", &before), 0);
    EXPECT_EQ(pxc_fmt({"prog.vep"}), 0);
    ASSERT_EQ(::stat("prog.vep", &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
    EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
}

TEST(FmtFiles, SymbolicLinkStaysALinkAndItsTargetIsRewritten) {
    pxtest::scratch_dir dir;
    fs::create_directory("real");
    pxtest::write_file("real/prog.vep", messy);
    fs::create_symlink("real/prog.vep", "link.vep");
    EXPECT_EQ(pxc_fmt({"link.vep"}), 0);
    EXPECT_TRUE(fs::is_symlink("link.vep"));
    EXPECT_NE(pxtest::read_file("real/prog.vep"), messy);
    EXPECT_EQ(names_here(), (std::vector<std::string>{"link.vep", "real"}));
}

TEST(FmtFiles, FileThatCannotBeReplacedIsLeftAsItWas) {
    pxtest::scratch_dir dir;
    // A name so long that no temporary can be made beside it, whoever runs
    // the test.
    std::string name = std::string(250, 'n') + ".vep";
    pxtest::write_file(name, messy);
    EXPECT_EQ(pxc_fmt({name}), 2);
    EXPECT_EQ(pxtest::read_file(name), messy);
    EXPECT_EQ(names_here(), std::vector<std::string>{name});
}

TEST(FmtFiles, ReadOnlyFileIsNotRewritten) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    pxtest::scratch_dir dir;
    pxtest::write_file("prog.vep", messy);
    ::chmod("prog.vep", 0444);
    EXPECT_EQ(pxc_fmt({"prog.vep"}), 2);
    EXPECT_EQ(pxtest::read_file("prog.vep"), messy);
}

TEST(FmtMemory, FormatterOutOfMemoryRefusesTheTextAndSavesNothing) {
    pxtest::scratch_dir dir;
    std::string text;
    for (int n = 1; n <= 2000; ++n) text += "[" + std::to_string(n) + "]\n---\n---\ngoto next\n";
    px::set_pool_limit(64 * 1024);
    pxc::formatted f = pxc::format_steps(text, "prog.vep");
    px::set_pool_limit(0);
    EXPECT_TRUE(f.refused);
    EXPECT_TRUE(f.text.empty());
    EXPECT_EQ(names_here(), std::vector<std::string>{});
    // And the library is itself again.
    EXPECT_FALSE(pxc::format_steps(text, "prog.vep").refused);
}

}  // namespace
