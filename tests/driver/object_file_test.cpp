// The object file as the downloader reads it, the capacity of every model,
// and the status byte that tells of compile errors.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/model.h"
#include "driver/object_file.h"
#include "files/config.h"
#include "test_support.h"

namespace {

using namespace px;
using bytes = std::vector<uint8_t>;

bytes golden_hex(const std::string& name) {
    return pxtest::parse_hex(pxtest::read_file(pxtest::golden("driver/object_file/" + name)));
}

struct fd_guard {
    int fd;
    ~fd_guard() { close_object_file(fd); }
};

class ObjectFile : public ::testing::Test {
protected:
    pxtest::scratch_dir dir;
    pxtest::log_capture log;
    pxtest::memory_build memory{"PROG.VEP"};

    void SetUp() override {
        set_model(0, false);
        for (int row = PARAM_START_ON_INPUT1; row <= PARAM_STEP_ON_INPUT4; ++row)
            set_param_value(static_cast<param_row>(row), 0);
        reset_object_file();
    }

    static void set_model(int code, bool reduced) {
        model_code = code;
        reduced_memory = reduced;
        MAX_STEPS = static_cast<uint32_t>(max_steps_for_code(code));
    }
    static void set_table(int32_t rows, int32_t columns) {
        the_program.table = new_data_table(rows, columns);
        for (int32_t i = 0; i < rows * columns; ++i)
            the_program.table->elements[i] = static_cast<uint16_t>(((0x10 + i) << 8) | (0xA0 + i));
    }
    static std::string listing() { return pxtest::read_file("PROG.lst"); }

    // A second build in the same test.
    static void fresh_build() {
        error_count = 0;
        build_ok = true;
        program_bytes = 0;
        reset_object_file();
    }

    // The driver's sequence: header, step records, trailer, capacity check,
    // status byte. Steps are (number, image) with the image's length byte
    // first.
    void write_object(const std::vector<std::pair<uint32_t, bytes>>& steps, const char* name) {
        fd_guard object{open_object_file(name)};
        EXPECT_GE(object.fd, 0);
        write_object_header(object.fd);
        bytes lengths(MAX_STEPS, 0);
        for (const auto& [number, image] : steps) {
            if (!build_ok) break;
            lengths[number - 1] = image[0];
            program_bytes += image[0];
            write_step_code(object.fd, image.data());
        }
        write_object_trailer(object.fd, lengths.data());
        check_capacity();
        update_status_byte(object.fd);
    }
    bytes build(const std::vector<std::pair<uint32_t, bytes>>& steps) {
        write_object(steps, "PROG.DSO");
        return pxtest::read_bytes("PROG.DSO");
    }
};

// --- whole files -------------------------------------------------------------

TEST_F(ObjectFile, OneStepOfFiveBytesGivesTheDocumentedFile) {
    std::istringstream input(pxtest::read_file(pxtest::golden("driver/object_file/one_step_k410.steps")));
    std::vector<std::pair<uint32_t, bytes>> steps;
    std::string line;
    while (std::getline(input, line)) {
        if (line.empty() || line[0] == '#') continue;
        auto colon = line.find(':');
        steps.emplace_back(std::stoul(line.substr(0, colon)), pxtest::parse_hex(line.substr(colon + 1)));
    }
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(pxtest::hex(build(steps)), pxtest::hex(golden_hex("one_step_k410.dso.hex")));
    EXPECT_EQ(program_bytes, 5u);
    EXPECT_EQ(total_bytes, 5u + 256u);
    EXPECT_EQ(error_count, 0);
}

TEST_F(ObjectFile, EightElementTableFillsOneRecord) {
    set_table(1, 8);
    EXPECT_EQ(pxtest::hex(build({})), pxtest::hex(golden_hex("table_1x8_k410.dso.hex")));
}

TEST_F(ObjectFile, NinthElementStartsASecondRecordAtOffsetSixteen) {
    set_table(1, 9);
    EXPECT_EQ(pxtest::hex(build({})), pxtest::hex(golden_hex("table_1x9_k410.dso.hex")));
}

// --- record details ----------------------------------------------------------

TEST_F(ObjectFile, WideModelsUseTheSecondMagicAndAddAnOptionsRecord) {
    set_model(14, true);
    bytes file = build({{1, {2, 0x00, 0x55}}});
    ASSERT_GT(file.size(), 20u);
    EXPECT_EQ(pxtest::hex(file.data(), 3), "ED FE 00");
    // Table size, options, system configuration and checksum (55 + 02) close
    // the file.
    EXPECT_EQ(pxtest::hex(file.data() + file.size() - 26, 26),
              "04 03 00 00 00 00 00 00 04 04 00 00 00 00 00 00 01 06 00 00 00 01 05 00 00 57");
    // 4096 steps: 256 length records, the last at slot 4080.
    EXPECT_EQ(pxtest::hex(file.data() + 3 + 6 + 255 * 20, 4), "10 00 F0 0F");
    EXPECT_EQ(file.size(), 3u + 6 + 256 * 20 + 8 + 8 + 5 + 5);
}

TEST_F(ObjectFile, NarrowModelsWriteNoOptionsRecord) {
    bytes file = build({});
    EXPECT_EQ(pxtest::hex(file.data() + file.size() - 18, 18),
              "04 03 00 00 00 00 00 00 01 06 00 00 00 01 05 00 00 00");
}

TEST_F(ObjectFile, SystemConfigurationByteHasOneBitPerYesNoRow) {
    set_param_value(PARAM_START_ON_INPUT1, 1);
    set_param_value(PARAM_STEP_ON_INPUT4, 1);
    set_param_value(PARAM_STOP_ON_INPUT2, 2);  // only the value 1 means yes
    bytes file = build({});
    // Configuration 0x09, then the checksum 0x09 (the only non-zero data).
    EXPECT_EQ(pxtest::hex(file.data() + file.size() - 10, 10), "01 06 00 00 09 01 05 00 00 09");
}

TEST_F(ObjectFile, CodeAddressIsTheRunningOffsetCutToSixteenBits) {
    set_model(14, true);
    fd_guard object{open_object_file("PROG.DSO")};
    bytes image(256, 0x01);
    image[0] = 255;
    for (int i = 0; i < 259; ++i) write_step_code(object.fd, image.data());
    bytes file = pxtest::read_bytes("PROG.DSO");
    ASSERT_EQ(file.size(), 259u * 259);
    // Record 257 starts at offset 65535, record 258 at 65790 = 0x100FE.
    EXPECT_EQ(pxtest::hex(file.data() + 257 * 259, 4), "FF 01 FF FF");
    EXPECT_EQ(pxtest::hex(file.data() + 258 * 259, 4), "FF 01 FE 00");
}

TEST_F(ObjectFile, OversizedTableStillWrittenButReportedOnSmallModels) {
    set_table(1, 1725);
    bytes file = build({});
    EXPECT_EQ(listing(),
              "***ERROR*** in step [0]\n   Instruction:  <none>\n"
              "   Data Table:  IXO K400 VEP supports only 1724 data table elements.\n\n");
    EXPECT_EQ(error_count, 1);
    // 3450 bytes: 215 full records and one of 10 bytes at offset 3440.
    std::size_t table_start = 3 + 16 * 20 + 8;
    std::size_t last = table_start + 215 * 20;
    EXPECT_EQ(pxtest::hex(file.data() + last, 4), "0A 02 70 0D");
    EXPECT_EQ(file.size(), last + 14 + 5 + 5);
    EXPECT_EQ(file[2], 1);  // status byte
}

TEST_F(ObjectFile, TableLimitOnlyConcernsTheSmallCodeZeroModels) {
    set_table(1, 1724);
    build({});
    EXPECT_EQ(error_count, 0);

    fresh_build();
    set_model(0, true);
    set_table(1, 1725);
    build({});
    EXPECT_EQ(error_count, 0);
}

// --- failures while writing ----------------------------------------------------

TEST_F(ObjectFile, EveryShortWriteIsReportedWithItsRecordsMessage) {
    set_model(2, false);
    set_table(1, 1);
    write_object({{1, {1, 0x00}}}, "/dev/full");
    const std::string text = listing();
    auto count = [&](const std::string& message) {
        std::size_t n = 0;
        for (std::size_t at = text.find(message); at != std::string::npos; at = text.find(message, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("   Problem:  Writing magic DSO number.\n"), 1u);
    EXPECT_EQ(count("   Problem:  Zeroing status byte.\n"), 1u);
    EXPECT_EQ(count("   Problem:  Writing compiled code to disk.\n"), 1u);
    EXPECT_EQ(count("   Problem:  Writing step length table to disk.\n"), 64u);
    EXPECT_EQ(count("   Problem:  Writing data table size to disk.\n"), 1u);
    EXPECT_EQ(count("   Problem:  Writing data table data to disk.\n"), 1u);
    EXPECT_EQ(count("   Problem:  Writing options data to disk.\n"), 1u);
    EXPECT_EQ(count("   Problem:  Writing system configuration byte to disk.\n"), 1u);
    EXPECT_EQ(count("   Problem:  Writing checksum to disk.\n"), 1u);
    EXPECT_EQ(error_count, 72);
    // A device that cannot seek to the status byte is logged, not counted.
    EXPECT_NE(log.text().find("Error:  Seeking:  Downloader will not know about compiler errors.\r\n"),
              std::string::npos);
}

TEST_F(ObjectFile, NothingIsWrittenOnceTheBuildIsAborted) {
    build_ok = false;
    bytes file = build({{1, {1, 0x00}}});
    EXPECT_TRUE(file.empty());
    EXPECT_EQ(error_count, 0);
}

TEST_F(ObjectFile, LosingTheListingStopsTheRemainingRecords) {
    // The first failed record cannot be reported: the listing's folder is
    // missing, so the build is aborted and nothing further is tried.
    the_program.name = pool_strdup("missing/PROG.VEP");
    write_object({{1, {1, 0x00}}}, "/dev/full");
    EXPECT_FALSE(build_ok);
    EXPECT_EQ(error_count, 1);
    EXPECT_EQ(log.text(), "Error:  Unable to open file \"missing/PROG.lst\" for writing (aborting compilation).\r\n");
}

// --- status byte ---------------------------------------------------------------

class StatusByte : public ObjectFile {
protected:
    uint8_t status_after(int32_t errors) {
        build({});
        fd_guard object{::open("PROG.DSO", O_WRONLY)};
        error_count = errors;
        update_status_byte(object.fd);
        return pxtest::read_bytes("PROG.DSO").at(2);
    }
};

TEST_F(StatusByte, CleanBuildKeepsZero) { EXPECT_EQ(status_after(0), 0x00); }

TEST_F(StatusByte, ThreeErrorsGiveThree) { EXPECT_EQ(status_after(3), 0x03); }

TEST_F(StatusByte, CountAbove255KeepsItsLowByte) { EXPECT_EQ(status_after(257), 0x01); }

TEST_F(StatusByte, MultipleOf256NeverReadsAsClean) {
    EXPECT_EQ(status_after(256), 0xFF);
    EXPECT_EQ(status_after(512), 0xFF);
}

TEST_F(StatusByte, AbortedBuildLeavesItAlone) {
    build({});
    fd_guard object{::open("PROG.DSO", O_WRONLY)};
    error_count = 3;
    build_ok = false;
    update_status_byte(object.fd);
    EXPECT_EQ(pxtest::read_bytes("PROG.DSO").at(2), 0x00);
}

TEST_F(StatusByte, FailedUpdateIsReported) {
    build({});
    fd_guard object{::open("PROG.DSO", O_RDONLY)};
    error_count = 2;
    update_status_byte(object.fd);
    EXPECT_EQ(listing(), "***ERROR*** in step [0]\n   Instruction:  <none>\n   Problem:  Updating status byte.\n\n");
    EXPECT_EQ(error_count, 3);
}

TEST_F(StatusByte, UnseekableFileIsLogged) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    fd_guard read_end{ends[0]}, write_end{ends[1]};
    error_count = 2;
    update_status_byte(write_end.fd);
    EXPECT_EQ(log.text(), "Error:  Seeking:  Downloader will not know about compiler errors.\r\n");
    EXPECT_EQ(error_count, 2);
}

// --- capacity ------------------------------------------------------------------

struct capacity_case {
    int code;
    bool reduced;
    long capacity;
    const char* message;
};

const capacity_case capacity_cases[] = {
    {0, false, 4089, "MEMORY:  This program exceeds the K410's  total capacity  (4089 bytes)"},
    {0, true, 8178, "MEMORY:  This program exceeds the K105's  total capacity  (8178 bytes)"},
    {2, false, 13348, "MEMORY:  This program exceeds the K411's total capacity  (13348 bytes)"},
    {5, true, 21542, "MEMORY:  This program exceeds the K205's  total capacity  (21542 bytes)"},
    {10, false, 62498, "MEMORY:  This program exceeds the K415's  total capacity  (62498 bytes)"},
    {11, true, 29942, "MEMORY:  This program exceeds the K520 CPU's  total capacity  (29942 bytes)"},
    {12, true, 29942, "MEMORY:  This program exceeds the K530 CPU's  total capacity  (29942 bytes)"},
    {13, true, 64096,
     "MEMORY:  This program exceeds the K531 CPU's  program capacity  (64094 bytes), data table (64000)"},
    {14, true, 64096,
     "MEMORY:  This program exceeds the K533 CPU's  program capacity  (64096 bytes), data table (64000)"},
    // A code outside the model table counts as the K411.
    {7, false, 13348, "MEMORY:  This program exceeds the K411's total capacity  (13348 bytes)"},
};

std::string capacity_entry(const std::string& message) {
    return "***ERROR*** in step [0]\n   Instruction:  <none>\n   " + message + "\n\n";
}

TEST_F(ObjectFile, EveryModelAcceptsExactlyItsCapacity) {
    for (const capacity_case& c : capacity_cases) {
        SCOPED_TRACE("model code " + std::to_string(c.code));
        set_model(c.code, c.reduced);
        error_count = 0;
        program_bytes = static_cast<uint32_t>(c.capacity) - MAX_STEPS;
        check_capacity();
        EXPECT_EQ(total_bytes, static_cast<uint32_t>(c.capacity));
        EXPECT_EQ(error_count, 0);
    }
}

TEST_F(ObjectFile, EveryModelReportsOneByteBeyondItsCapacity) {
    for (const capacity_case& c : capacity_cases) {
        SCOPED_TRACE("model code " + std::to_string(c.code));
        set_model(c.code, c.reduced);
        error_count = 0;
        program_bytes = static_cast<uint32_t>(c.capacity) + 1 - MAX_STEPS;
        check_capacity();
        EXPECT_EQ(error_count, 1);
        EXPECT_EQ(listing(), capacity_entry(std::string(c.message) + ", " + std::to_string(c.capacity + 1) +
                                            " required."));
    }
}

TEST_F(ObjectFile, SmallModelCountsTheDataTableIntoItsCapacity) {
    set_table(1, 100);  // 200 bytes
    program_bytes = 4089 - 256 - 200;
    check_capacity();
    EXPECT_EQ(total_bytes, 4089u);
    EXPECT_EQ(error_count, 0);

    program_bytes += 1;
    check_capacity();
    EXPECT_EQ(listing(), capacity_entry("MEMORY:  This program exceeds the K410's  total capacity  (4089 bytes), "
                                        "4090 required."));
}

TEST_F(ObjectFile, SeparateTableMemoryHolds64000Bytes) {
    for (int code : {12, 13}) {
        SCOPED_TRACE("model code " + std::to_string(code));
        fresh_build();
        set_model(code, true);
        set_table(1, 32000);
        program_bytes = 1000;
        check_capacity();
        EXPECT_EQ(total_bytes, 1000u + 4096u);  // the table is not counted in
        EXPECT_EQ(error_count, 0);

        set_table(1, 32001);
        check_capacity();
        EXPECT_EQ(error_count, 1);
        // Both models name the K531, whose table memory they share.
        EXPECT_EQ(listing(), capacity_entry("MEMORY:  This program exceeds the K531 CPU's  program capacity  "
                                            "(64094 bytes), data table (64000), 64002 data table required."));
    }
}

// --- summary line --------------------------------------------------------------

TEST_F(ObjectFile, SummaryShowsProgramShareOfRamTruncated) {
    program_bytes = 383;  // 383 * 100 / (4089 - 256) = 9.99
    set_table(2, 3);
    check_capacity();
    format_summary_line();
    EXPECT_EQ(summary_line, "Successful compile: 383 bytes program, 12 bytes data table (9% RAM used).");
}

TEST_F(ObjectFile, SummaryOfSeparateTableModelsShowsBothShares) {
    set_model(13, true);
    program_bytes = 5999;  // 5999 * 100 / 60000 = 9.998
    set_table(1, 3199);    // 6398 * 100 / 64000 = 9.997
    check_capacity();
    format_summary_line();
    EXPECT_EQ(summary_line,
              "Successful compile: 5999 bytes program (9% RAM used), 6398 bytes data table (9% RAM used).");
}

TEST_F(ObjectFile, SummaryOfAFullK530) {
    set_model(12, true);
    program_bytes = 29942 - 4096;
    set_table(1, 32000);
    check_capacity();
    format_summary_line();
    EXPECT_EQ(summary_line,
              "Successful compile: 25846 bytes program (100% RAM used), 64000 bytes data table (100% RAM used).");
}

}  // namespace
