// The configuration file read and saved again: each cases/files/config/NAME.fig is read (over values
// an earlier file left) and saved; NAME.saved holds the log and the saved file, for LF and CR LF alike,
// and the saved file reads back unchanged. PX_UPDATE_GOLDEN=1 rewrites NAME.saved. What a build takes
// from the file is in the config_* build cases.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "files/config.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const fs::path cases = fs::path(PX_CASES_DIR) / "files";

std::string read_and_save(const std::string& text) {
    pxtest::scratch_dir dir;
    px::build_context build;
    pxtest::write_file("prog.fig", text);
    px::set_param_value(px::PARAM_NETWORK_NODE, 9);  // goes back to 0 on every reading
    px::set_param_value(px::PARAM_THUMBWHEELS, 9);   // stays unless the file sets it
    auto log = std::make_unique<pxtest::log_capture>();
    EXPECT_EQ(px::read_configuration(build, "prog.fig"), 0);
    std::string read = "--- log\n" + pxtest::without_cr(log->text());
    log.reset();
    EXPECT_EQ(px::save_configuration(build, "saved.fig"), 0);
    pxtest::reset_library();
    EXPECT_EQ(px::read_configuration(build, "saved.fig"), 0);
    EXPECT_EQ(px::save_configuration(build, "again.fig"), 0);
    std::string saved = pxtest::read_file("saved.fig");
    EXPECT_EQ(pxtest::read_file("again.fig"), saved) << "the saved file reads back differently";
    return read + "--- saved\n" + saved;
}

std::set<std::string> fig_cases() {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(cases / "config"))
        if (entry.path().extension() == ".fig") names.insert(entry.path().stem().string());
    return names;
}

class configuration_file : public ::testing::TestWithParam<std::string> {};

TEST_P(configuration_file, reads_and_saves_as_expected_with_either_line_end) {
    const std::string fig = (cases / "config" / (GetParam() + ".fig")).string();
    const std::string expected = (cases / "config" / (GetParam() + ".saved")).string();
    std::string text = pxtest::read_file(fig), lf = read_and_save(text);
    if (std::getenv("PX_UPDATE_GOLDEN")) pxtest::write_file(expected, lf);
    EXPECT_EQ(lf, pxtest::read_file(expected)) << fig;
    EXPECT_EQ(read_and_save(pxtest::crlf(text)), lf) << fig << ": the CR LF copy reads differently";
}

INSTANTIATE_TEST_SUITE_P(cases, configuration_file, ::testing::ValuesIn(fig_cases()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// No file gives these; the initial values are saved in saver_panic_save_table_at_the_head.
TEST(saved_configuration, shows_odd_values_with_all_their_digits) {
    pxtest::scratch_dir dir;
    px::build_context build;
    px::select_model(*px::find_model("k6a"));
    px::apply_model(px::model_table[0]);  // K410's limits under the name K6A
    for (auto [row, value] : {std::pair{px::PARAM_NETWORK_NODE, -12LL}, {px::PARAM_START_ON_INPUT1, 7LL},
                              {px::PARAM_STOP_ON_INPUT2, 1LL}, {px::PARAM_RESET_ON_INPUT3, -1LL},
                              {px::PARAM_ANALOG_INPUTS, 2147483647LL}, {px::PARAM_ANALOG_OUTPUTS, -2147483648LL},
                              {px::PARAM_DIGITAL_INPUTS, 128LL}, {px::PARAM_DIGITAL_OUTPUTS, 50LL},
                              {px::PARAM_REGISTERS, 4294967295LL}})
        px::set_param_value(row, value);
    ASSERT_EQ(px::save_configuration(build, "prog.fig"), 0);
    EXPECT_EQ(pxtest::read_file("prog.fig"), pxtest::read_file((cases / "saved/odd_values.fig").string()));
}

TEST(configuration_files, without_a_name_or_on_a_full_disk_fails_and_is_looked_for_under_lib) {
    pxtest::scratch_dir dir;
    px::build_context build;
    // The name misses from the working directory but reaches the scratch
    // folder from "/lib" through "..", so nothing is written under /lib.
    std::string shared = "../../.." + fs::canonical(dir.path()).string() + "/shared.fig";
    pxtest::write_file("shared.fig", "controller_model K315\n");
    fs::create_directories("a/b/c");
    fs::current_path("a/b/c");
    pxtest::log_capture log;
    EXPECT_EQ(px::read_configuration(build, nullptr), 1);
    EXPECT_EQ(px::read_configuration(build, ""), 1);
    EXPECT_EQ(px::save_configuration(build, "/dev/full"), 1);
    EXPECT_EQ(px::read_configuration(build, shared.c_str()), 0);
    EXPECT_EQ(px::model_code, 10);
    EXPECT_EQ(log.text(), "Error:  No file name specified as configuration file.\n\r\n"
                          "Error:  No file name specified as configuration file.\n\r\n"
                          "Saving configuration parameters to file \"/dev/full\"...\n\r\n"
                          "Warning:  Unable to open \"/dev/full\" for writing.\n\r\n"
                          "Reading configuration parameters from file \"/lib/" + shared + "\"...\n\r\n" +
                          "Read configuration parameters from file \"/lib/" + shared + "\".\n\r\n");
}

}  // namespace
