// The bundled examples built end to end: the object files and maps must stay
// exactly as they were checked by hand, instruction by instruction.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "driver/driver.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const std::string EXAMPLES = std::string(PX_SOURCE_DIR) + "/examples/";

// The second header line of a map starts with the local date and time.
std::string mask_date(const std::string& map) {
    static const std::regex date(R"([A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4})");
    return std::regex_replace(map, date, "Www Mmm dd hh:mm:ss yyyy", std::regex_constants::format_first_only);
}

std::string last_log_text(const std::string& log) {
    const std::string complete = "************* COMPILE/LINK COMPLETE ***************\r\n\n";
    return log.substr(log.rfind(complete) + complete.size());
}

TEST(ExampleBuild, ConveyorProjectUsesEveryKeywordAndBuildsClean) {
    pxtest::scratch_dir dir;
    fs::copy(EXAMPLES + "conveyor", dir.path(), fs::copy_options::recursive);
    char path[] = "conveyor.mak";
    EXPECT_EQ(px::run_export(path), 209 + 4096);
    EXPECT_EQ(last_log_text(pxtest::read_file("pxlinker.log")),
              "Successful compile: 209 bytes program (0% RAM used), 24 bytes data table (0% RAM used).");
    EXPECT_EQ(pxtest::hex(pxtest::read_bytes("main.dso")),
              pxtest::hex(pxtest::parse_hex(pxtest::read_file(pxtest::golden("examples/conveyor.dso.hex")))));
    EXPECT_EQ(mask_date(pxtest::read_file("main.xrf")), pxtest::read_file(pxtest::golden("examples/conveyor.xrf")));
    EXPECT_FALSE(pxtest::file_exists("main.lst"));
}

TEST(ExampleBuild, TinyProgramWithEmbeddedTableBuildsCleanForTheSmallestModel) {
    pxtest::scratch_dir dir;
    fs::copy(EXAMPLES + "tiny", dir.path(), fs::copy_options::recursive);
    char path[] = "tiny.vep";
    EXPECT_EQ(px::run_export(path), 14 + 256 + 12);
    EXPECT_EQ(last_log_text(pxtest::read_file("pxlinker.log")),
              "Successful compile: 14 bytes program, 12 bytes data table (0% RAM used).");
    EXPECT_EQ(pxtest::hex(pxtest::read_bytes("TINY.dso")),
              pxtest::hex(pxtest::parse_hex(pxtest::read_file(pxtest::golden("examples/tiny.dso.hex")))));
    EXPECT_EQ(mask_date(pxtest::read_file("TINY.xrf")), pxtest::read_file(pxtest::golden("examples/tiny.xrf")));
}

TEST(ExampleBuild, ConveyorProjectReadsTheSameFromOldPlatformLineEnds) {
    pxtest::scratch_dir dir;
    for (const auto& entry : fs::directory_iterator(EXAMPLES + "conveyor"))
        pxtest::write_file(entry.path().filename().string(), pxtest::crlf(pxtest::read_file(entry.path().string())));
    char path[] = "conveyor.mak";
    EXPECT_EQ(px::run_export(path), 209 + 4096);
    EXPECT_EQ(pxtest::hex(pxtest::read_bytes("main.dso")),
              pxtest::hex(pxtest::parse_hex(pxtest::read_file(pxtest::golden("examples/conveyor.dso.hex")))));
}

}  // namespace
