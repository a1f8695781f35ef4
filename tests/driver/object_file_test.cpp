// What no whole build can provoke: the status byte's patch failing after
// the object file was written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "driver/build_state.h"
#include "driver/object_file.h"
#include "test_support.h"

namespace {

TEST(StatusByte, FailedUpdateIsReportedAndCounted) {
    pxtest::scratch_dir dir;
    pxtest::log_capture log;
    pxtest::memory_build memory{"PROG.VEP"};
    pxtest::write_file("PROG.DSO", std::string("\xEF\xBE\x00", 3));
    int fd = ::open("PROG.DSO", O_RDONLY);
    ASSERT_GE(fd, 0);
    px::error_count = 2;
    px::update_status_byte(memory.build(), fd);
    ::close(fd);
    EXPECT_EQ(pxtest::read_file("PROG.lst"),
              "***ERROR*** in step [0]\n   Instruction:  <none>\n   Problem:  Updating status byte.\n\n");
    EXPECT_EQ(px::error_count, 3);
    EXPECT_EQ(pxtest::read_bytes("PROG.DSO").at(2), 0x00);
}

}  // namespace
