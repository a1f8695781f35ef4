// The configuration file read and saved again. Each NAME.fig under
// tests/cases/files/config is read and saved; NAME.saved holds the log of the
// reading and the file saved, for LF and CR LF line ends alike, and reading
// the saved file back saves it unchanged. PX_UPDATE_GOLDEN=1 rewrites
// NAME.saved. What a build takes from the file is in the config_* build cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "files/config.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const fs::path cases = fs::path(PX_CASES_DIR) / "files";

std::string read_and_save(const std::string& text) {
    pxtest::scratch_dir dir;
    pxtest::write_file("prog.fig", text);
    // Left by an earlier file: the network node goes back to 0, the rest stays.
    px::set_param_value(px::PARAM_NETWORK_NODE, 9);
    px::set_param_value(px::PARAM_THUMBWHEELS, 9);
    std::string log;
    {
        pxtest::log_capture capture;
        EXPECT_EQ(px::read_configuration("prog.fig"), 0);
        log = pxtest::without_cr(capture.text());
    }
    EXPECT_EQ(px::save_configuration("saved.fig"), 0);
    std::string saved = pxtest::read_file("saved.fig");
    pxtest::reset_library();
    EXPECT_EQ(px::read_configuration("saved.fig"), 0);
    EXPECT_EQ(px::save_configuration("again.fig"), 0);
    EXPECT_EQ(pxtest::read_file("again.fig"), saved) << "the saved file reads back differently";
    return "--- log\n" + log + "--- saved\n" + saved;
}

std::vector<std::string> fig_cases() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(cases / "config"))
        if (entry.path().extension() == ".fig") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class configuration_file : public ::testing::TestWithParam<std::string> {};

TEST_P(configuration_file, reads_and_saves_as_expected_with_either_line_end) {
    const fs::path fig = cases / "config" / (GetParam() + ".fig");
    const fs::path expected = cases / "config" / (GetParam() + ".saved");
    std::string text = pxtest::read_file(fig.string());
    std::string lf = read_and_save(text);
    if (std::getenv("PX_UPDATE_GOLDEN")) pxtest::write_file(expected.string(), lf);
    EXPECT_EQ(lf, pxtest::read_file(expected.string())) << fig.string();
    EXPECT_EQ(read_and_save(pxtest::crlf(text)), lf) << fig.string() << ": the CR LF copy reads differently";
}

INSTANTIATE_TEST_SUITE_P(cases, configuration_file, ::testing::ValuesIn(fig_cases()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

std::string saved_case(const char* name) { return pxtest::read_file((cases / "saved" / name).string()); }

TEST(saved_configuration, saves_the_initial_values_and_odd_ones_with_all_their_digits) {
    pxtest::scratch_dir dir;
    ASSERT_EQ(px::save_configuration("prog.fig"), 0);
    EXPECT_EQ(pxtest::read_file("prog.fig"), saved_case("initial.fig"));

    px::select_model(*px::find_model("k6a"));
    px::apply_model(px::model_table[0]);  // K410's limits under the name K6A
    px::set_param_value(px::PARAM_NETWORK_NODE, -12);
    px::set_param_value(px::PARAM_START_ON_INPUT1, 7);
    px::set_param_value(px::PARAM_STOP_ON_INPUT2, 1);
    px::set_param_value(px::PARAM_RESET_ON_INPUT3, -1);
    px::set_param_value(px::PARAM_ANALOG_INPUTS, 2147483647);
    px::set_param_value(px::PARAM_ANALOG_OUTPUTS, -2147483648LL);
    px::set_param_value(px::PARAM_DIGITAL_INPUTS, 128);
    px::set_param_value(px::PARAM_DIGITAL_OUTPUTS, 50);
    px::set_param_value(px::PARAM_REGISTERS, 4294967295LL);
    ASSERT_EQ(px::save_configuration("prog.fig"), 0);
    EXPECT_EQ(pxtest::read_file("prog.fig"), saved_case("odd_values.fig"));
}

TEST(configuration_files, no_name_an_unwritable_file_and_a_full_disk_are_failures) {
    pxtest::scratch_dir dir;
    pxtest::log_capture log;
    EXPECT_EQ(px::read_configuration(nullptr), 1);
    EXPECT_EQ(px::read_configuration(""), 1);
    EXPECT_EQ(px::save_configuration("no/such/folder/prog.fig"), 1);
    std::string expected = "Error:  No file name specified as configuration file.\n\r\n"
                           "Error:  No file name specified as configuration file.\n\r\n"
                           "Warning:  Unable to open \"no/such/folder/prog.fig\" for writing.\n\r\n";
    if (fs::exists("/dev/full")) {
        EXPECT_EQ(px::save_configuration("/dev/full"), 1);
        expected += "Saving configuration parameters to file \"/dev/full\"...\n\r\n"
                    "Warning:  Unable to open \"/dev/full\" for writing.\n\r\n";
    }
    EXPECT_EQ(log.text(), expected);
}

// The name misses from the working directory but reaches the scratch folder
// from "/lib" through "..", so nothing is written under /lib.
TEST(configuration_reader, a_file_not_found_is_looked_for_under_lib) {
    pxtest::scratch_dir dir;
    if (!fs::is_directory("/lib")) GTEST_SKIP() << "no /lib on this machine";
    std::string name = "../../.." + fs::canonical(dir.path()).string() + "/shared.fig";
    pxtest::write_file("shared.fig", "controller_model K315\n");
    fs::create_directories("a/b/c");
    fs::current_path("a/b/c");
    pxtest::log_capture log;
    ASSERT_EQ(px::read_configuration(name.c_str()), 0);
    EXPECT_EQ(log.text(), "Reading configuration parameters from file \"/lib/" + name + "\"...\n\r\n" +
                              "Read configuration parameters from file \"/lib/" + name + "\".\n\r\n");
    EXPECT_EQ(px::model_code, 10);
}

}  // namespace
