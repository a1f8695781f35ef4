// The real shared library, loaded the way the desktop builder loads it:
// configuration read by one call is used by the next call that has none.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "test_support.h"

namespace {

using export_fn = int32_t (*)(char*);

const char* PROGRAM = "[1]\n---\n<NO CHANGE IN DIGITAL OUTPUTS>\n---\ngoto next\n[2]\n---\n---\ngoto [1]\n";

TEST(SharedLibrary, ConfigurationCarriesOverToABuildWithoutFigFile) {
    pxtest::scratch_dir dir;
    void* lib = dlopen(PX_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto build = reinterpret_cast<export_fn>(dlsym(lib, "pxcompiler"));
    ASSERT_NE(build, nullptr);

    // First program: a wide model chosen by its configuration file.
    pxtest::write_file("first.pre", PROGRAM);
    pxtest::write_file("first.fig", "controller_model K520\n");
    pxtest::write_file("first.mak", "first.pre\r\n");
    char first[] = "first.mak";
    EXPECT_GT(build(first), 0);
    EXPECT_EQ(pxtest::hex(pxtest::read_bytes("first.dso")).substr(0, 8), "ED FE 00");

    // Second program: no configuration file of its own.
    pxtest::write_file("second.pre", PROGRAM);
    pxtest::write_file("second.mak", "second.pre\r\n");
    char second[] = "second.mak";
    EXPECT_GT(build(second), 0);
    std::string log = pxtest::read_file("pxlinker.log");
    EXPECT_NE(log.find("Warning:  Using current configuration parameters.\r\n"), std::string::npos) << log;
    EXPECT_EQ(pxtest::hex(pxtest::read_bytes("second.dso")).substr(0, 8), "ED FE 00");
    dlclose(lib);
}

}  // namespace
