// Controller models and the configuration parameter file: what a ".fig" file
// does to the parameters and the model, what the log says about it, and the
// exact bytes of a saved file.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "driver/build_state.h"
#include "files/config.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

using pxtest::log_capture;
using pxtest::scratch_dir;

std::string reading(const std::string& name) {
    return "Reading configuration parameters from file \"" + name + "\"...\n\r\n";
}
std::string read_done(const std::string& name) {
    return "Read configuration parameters from file \"" + name + "\".\n\r\n";
}
std::string unrecognized(const std::string& keyword) {
    return "Warning:  Unrecognized parameter:  \"" + keyword + "\"\n\r\n";
}

// Writes prog.fig and reads it; the log of the reading goes to *log.
int read_fig(const std::string& content, std::string* log = nullptr) {
    pxtest::write_file("prog.fig", content);
    log_capture capture;
    int result = px::read_configuration("prog.fig");
    std::string text = capture.text();
    if (log) *log = text;
    return result;
}

int64_t value(px::param_row row) { return px::param_value(row); }
std::string model_value() {
    const px::config_param& p = px::config_params[px::PARAM_CONTROLLER_MODEL];
    return p.has_model ? p.model : "(none)";
}

std::array<int64_t, px::PARAM_COUNT> all_values() {
    std::array<int64_t, px::PARAM_COUNT> values{};
    for (int row = 0; row < px::PARAM_COUNT; ++row) values[row] = value(static_cast<px::param_row>(row));
    return values;
}

TEST(ConfigurationState, StartsWithNoModelAndEveryValueZero) {
    scratch_dir dir;
    for (int row = 0; row < px::PARAM_COUNT; ++row) EXPECT_EQ(value(static_cast<px::param_row>(row)), 0) << row;
    EXPECT_FALSE(px::config_params[px::PARAM_CONTROLLER_MODEL].has_model);
    EXPECT_EQ(px::model_code, 0);
    EXPECT_FALSE(px::reduced_memory);
    EXPECT_EQ(px::max_steps(), 256);
}

// ---- The model table -------------------------------------------------------

struct expected_model {
    const char* name;
    int code;
    bool reduced;
    int32_t steps;
    int32_t cap;
};

const expected_model every_model[] = {
    {"K410", 0, false, 256, 128},   {"K310", 0, false, 256, 128},   {"K411", 2, false, 1024, 1024},
    {"K311", 2, false, 1024, 1024}, {"K200", 2, false, 1024, 1024}, {"K205", 5, true, 1024, 1024},
    {"K110", 0, true, 256, 128},    {"K100", 0, true, 256, 128},    {"K105", 0, true, 256, 128},
    {"K315", 10, false, 1024, 1024}, {"K415", 10, false, 1024, 1024}, {"K520", 11, true, 1280, 1024},
    {"K530", 12, true, 4096, 1024}, {"K531", 13, true, 4096, 1024}, {"K6A", 14, true, 4096, 1024},
    {"K6B", 14, true, 4096, 1024},  {"K6C", 14, true, 4096, 1024},
};

class EveryModel : public testing::TestWithParam<expected_model> {};

TEST_P(EveryModel, FileSelectsItsCodeMemoryStepsAndCaps) {
    scratch_dir dir;
    const expected_model& m = GetParam();
    std::string lower_name = m.name;
    for (char& c : lower_name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

    ASSERT_EQ(read_fig("controller_model " + lower_name +
                       "\ndigital_inputs 2000\ndigital_outputs 100\n"
                       "steps 1\nflags 0\ncounters 0\nregisters 5\n"),
              0);
    EXPECT_EQ(model_value(), m.name);
    EXPECT_EQ(px::model_code, m.code);
    EXPECT_EQ(px::reduced_memory, m.reduced);
    EXPECT_EQ(value(px::PARAM_STEPS), m.steps);
    EXPECT_EQ(px::max_steps(), m.steps);
    EXPECT_EQ(value(px::PARAM_DIGITAL_INPUTS), m.cap);
    EXPECT_EQ(value(px::PARAM_DIGITAL_OUTPUTS), 100);  // below every cap: never raised
    EXPECT_EQ(value(px::PARAM_FLAGS), 32);
    EXPECT_EQ(value(px::PARAM_COUNTERS), 8);
    EXPECT_EQ(value(px::PARAM_REGISTERS), 60000);
    EXPECT_EQ(px::digital_limit(), m.code == 0 ? 128 : 1024);
}

TEST_P(EveryModel, TableRowAgreesWithItsCode) {
    const expected_model& m = GetParam();
    const px::model_row* row = px::find_model(m.name);
    ASSERT_NE(row, nullptr);
    EXPECT_STREQ(row->name, m.name);
    EXPECT_EQ(row->code, m.code);
    EXPECT_EQ(row->reduced_memory, m.reduced);
    EXPECT_EQ(row->steps, m.steps);
    EXPECT_EQ(row->steps, px::max_steps_for_code(m.code));
    EXPECT_EQ(row->digital_cap, m.cap);
}

INSTANTIATE_TEST_SUITE_P(ModelTable, EveryModel, testing::ValuesIn(every_model),
                         [](const testing::TestParamInfo<expected_model>& info) { return std::string(info.param.name); });

TEST(ModelTable, HoldsSeventeenRowsInSearchOrder) {
    ASSERT_EQ(px::MODEL_COUNT, 17);
    for (int i = 0; i < px::MODEL_COUNT; ++i) EXPECT_STREQ(px::model_table[i].name, every_model[i].name) << i;
}

// ---- Choosing the model ----------------------------------------------------

TEST(ControllerModel, LowerCaseNameIsStoredInTableForm) {
    scratch_dir dir;
    ASSERT_EQ(read_fig("controller_model k520\n"), 0);
    EXPECT_EQ(model_value(), "K520");
    EXPECT_EQ(px::model_code, 11);
    EXPECT_EQ(value(px::PARAM_STEPS), 1280);
}

TEST(ControllerModel, UnknownNameFallsBackToK410WithAnError) {
    scratch_dir dir;
    std::string log;
    ASSERT_EQ(read_fig("controller_model K999\n", &log), 0);
    EXPECT_EQ(log, reading("prog.fig") +
                       "Error:  Unknown controller model (K999) ... defaulting to K410.\n\r\n" +
                       read_done("prog.fig"));
    EXPECT_EQ(model_value(), "K410");
    EXPECT_EQ(px::model_code, 0);
    EXPECT_EQ(value(px::PARAM_STEPS), 256);
}

TEST(ControllerModel, NeverSetModelIsShownAsNull) {
    scratch_dir dir;
    std::string log;
    ASSERT_EQ(read_fig("servos 2\n", &log), 0);
    EXPECT_EQ(log, reading("prog.fig") +
                       "Error:  Unknown controller model (<null>) ... defaulting to K410.\n\r\n" +
                       read_done("prog.fig"));
    EXPECT_EQ(model_value(), "K410");
}

TEST(ControllerModel, OnlyTheFirstEightCharactersAreKept) {
    scratch_dir dir;
    std::string log;
    ASSERT_EQ(read_fig("controller_model K520_extended\n", &log), 0);
    EXPECT_NE(log.find("(K520_ext) ... defaulting to K410."), std::string::npos) << log;
}

TEST(ControllerModel, FileWithoutModelKeepsTheModelOfAnEarlierFile) {
    scratch_dir dir;
    ASSERT_EQ(read_fig("controller_model K531\nanalog_inputs 7\nnetwork_node 9\n"), 0);
    std::string log;
    ASSERT_EQ(read_fig("servos 2\n", &log), 0);
    EXPECT_EQ(log, reading("prog.fig") + read_done("prog.fig"));
    EXPECT_EQ(model_value(), "K531");
    EXPECT_EQ(px::model_code, 13);
    EXPECT_EQ(value(px::PARAM_ANALOG_INPUTS), 7);
    EXPECT_EQ(value(px::PARAM_SERVOS), 2);
    EXPECT_EQ(value(px::PARAM_NETWORK_NODE), 0);  // reset by every reading
}

TEST(ControllerModel, ModelOverridesStepsAndCapsDigitalRows) {
    scratch_dir dir;
    ASSERT_EQ(read_fig("controller_model K410\nsteps 4000\ndigital_outputs 500\ndigital_inputs 50\n"), 0);
    EXPECT_EQ(value(px::PARAM_STEPS), 256);
    EXPECT_EQ(value(px::PARAM_DIGITAL_OUTPUTS), 128);
    EXPECT_EQ(value(px::PARAM_DIGITAL_INPUTS), 50);
}

// ---- Values ----------------------------------------------------------------

TEST(ParameterValues, YesNoLooksOnlyAtTheFirstLetter) {
    scratch_dir dir;
    ASSERT_EQ(read_fig("start_on_input#1 Yes\nstop_on_input#2 TRUE\nreset_on_input#3 1\nstep_on_input#4 y\n"
                       "controller_model K410\n"),
              0);
    EXPECT_EQ(value(px::PARAM_START_ON_INPUT1), 1);
    EXPECT_EQ(value(px::PARAM_STOP_ON_INPUT2), 1);
    EXPECT_EQ(value(px::PARAM_RESET_ON_INPUT3), 0);
    EXPECT_EQ(value(px::PARAM_STEP_ON_INPUT4), 1);
    ASSERT_EQ(read_fig("start_on_input#1 no stop_on_input#2 false\n"), 0);
    EXPECT_EQ(value(px::PARAM_START_ON_INPUT1), 0);
    EXPECT_EQ(value(px::PARAM_STOP_ON_INPUT2), 0);
}

TEST(ParameterValues, IOputsKeywordSetsBothRowsOfThePair) {
    scratch_dir dir;
    ASSERT_EQ(read_fig("controller_model K410\nDigital_I/Oputs 16\nanalog_i/oputs 3\n"), 0);
    EXPECT_EQ(value(px::PARAM_DIGITAL_INPUTS), 16);
    EXPECT_EQ(value(px::PARAM_DIGITAL_OUTPUTS), 16);
    EXPECT_EQ(value(px::PARAM_ANALOG_INPUTS), 3);
    EXPECT_EQ(value(px::PARAM_ANALOG_OUTPUTS), 3);
}

TEST(ParameterValues, IOputsWithoutANumberLeavesBothRows) {
    scratch_dir dir;
    std::string log;
    ASSERT_EQ(read_fig("controller_model K410 analog_inputs 4 analog_outputs 5\nanalog_i/oputs many\n", &log), 0);
    EXPECT_EQ(value(px::PARAM_ANALOG_INPUTS), 4);
    EXPECT_EQ(value(px::PARAM_ANALOG_OUTPUTS), 5);
    EXPECT_NE(log.find(unrecognized("many")), std::string::npos) << log;
}

TEST(ParameterValues, NumbersStopAtTheFirstForeignCharacter) {
    scratch_dir dir;
    std::string log;
    ASSERT_EQ(read_fig("controller_model K410\nanalog_inputs 12abc\nanalog_outputs -7\nservos +3\n", &log), 0);
    EXPECT_EQ(value(px::PARAM_ANALOG_INPUTS), 12);
    EXPECT_EQ(value(px::PARAM_ANALOG_OUTPUTS), -7);
    EXPECT_EQ(value(px::PARAM_SERVOS), 3);
    EXPECT_EQ(log, reading("prog.fig") + unrecognized("abc") + read_done("prog.fig"));
}

TEST(ParameterValues, TextWhereANumberBelongsKeepsTheValueAndIsReadAsKeyword) {
    scratch_dir dir;
    ASSERT_EQ(read_fig("controller_model K410 servos 6\n"), 0);
    std::string log;
    ASSERT_EQ(read_fig("servos -x\nthumbwheels\n", &log), 0);
    EXPECT_EQ(value(px::PARAM_SERVOS), 6);
    EXPECT_EQ(value(px::PARAM_THUMBWHEELS), 0);  // nothing followed it
    EXPECT_EQ(log, reading("prog.fig") + unrecognized("-x") + read_done("prog.fig"));
}

TEST(ParameterValues, NumbersBeyondThirtyTwoBitsAreRefusedNotWrapped) {
    scratch_dir dir;
    std::string log;
    ASSERT_EQ(read_fig("controller_model K410\nanalog_inputs 2147483647 analog_outputs -2147483648\n"
                       "servos 5 servos 2147483648\nthumbwheels -99999999999\nregisters 4294967296\nregisters -1\n",
                       &log),
              0);
    EXPECT_EQ(value(px::PARAM_ANALOG_INPUTS), 2147483647);
    EXPECT_EQ(value(px::PARAM_ANALOG_OUTPUTS), -2147483648LL);
    EXPECT_EQ(value(px::PARAM_SERVOS), 5);
    EXPECT_EQ(value(px::PARAM_THUMBWHEELS), 0);
    EXPECT_EQ(log, reading("prog.fig") + unrecognized("2147483648") + unrecognized("-99999999999") +
                       unrecognized("4294967296") + unrecognized("-1") + read_done("prog.fig"));
}

// ---- The file format -------------------------------------------------------

TEST(ConfigurationFile, UnrecognizedKeywordAndItsValueGiveTwoWarnings) {
    scratch_dir dir;
    std::string log;
    ASSERT_EQ(read_fig("controller_model K410\nMotor_Speed 5\nservos 2\n", &log), 0);
    EXPECT_EQ(log, reading("prog.fig") + unrecognized("motor speed") + unrecognized("5") + read_done("prog.fig"));
    EXPECT_EQ(value(px::PARAM_SERVOS), 2);
}

TEST(ConfigurationFile, CommentsAndBlankLinesBetweenPairsAreIgnored) {
    scratch_dir dir;
    std::string log;
    ASSERT_EQ(read_fig(";;; header\n\n\t\n; servos 9\ncontroller_model K411 ; trailing note\n"
                       "   ;indented comment\nservos 4\n\n;last line without end",
                       &log),
              0);
    EXPECT_EQ(log, reading("prog.fig") + read_done("prog.fig"));
    EXPECT_EQ(value(px::PARAM_SERVOS), 4);
    EXPECT_EQ(px::model_code, 2);
}

TEST(ConfigurationFile, CrLfFileReadsLikeLfFile) {
    scratch_dir dir;
    const std::string text = "; cell 4\ncontroller_model K205\nstart_on_input#1 yes\nreset_on_input#3 no\n"
                             "digital_i/oputs 300\nservos 2\r\nnetwork_node 4\n; end";
    std::string lf_log, crlf_log;
    ASSERT_EQ(read_fig(text, &lf_log), 0);
    auto lf_values = all_values();
    pxtest::reset_library();
    ASSERT_EQ(read_fig(pxtest::crlf(text), &crlf_log), 0);
    EXPECT_EQ(all_values(), lf_values);
    EXPECT_EQ(crlf_log, lf_log);
    EXPECT_EQ(model_value(), "K205");
    EXPECT_EQ(value(px::PARAM_START_ON_INPUT1), 1);
    EXPECT_EQ(value(px::PARAM_DIGITAL_OUTPUTS), 300);
    EXPECT_EQ(value(px::PARAM_NETWORK_NODE), 4);
}

TEST(ConfigurationFile, OverlongTokensAreCutAndTheRestReadNext) {
    scratch_dir dir;
    std::string log;
    ASSERT_EQ(read_fig(std::string(600, 'A') + "\nstart_on_input#1 " + std::string(200, 'y') + "\n", &log), 0);
    // Only the first 128 characters of a keyword are folded to lower case.
    EXPECT_EQ(log, reading("prog.fig") + unrecognized(std::string(128, 'a') + std::string(383, 'A')) +
                       unrecognized(std::string(89, 'a')) + unrecognized(std::string(73, 'y')) +
                       "Error:  Unknown controller model (<null>) ... defaulting to K410.\n\r\n" +
                       read_done("prog.fig"));
    EXPECT_EQ(value(px::PARAM_START_ON_INPUT1), 1);
}

TEST(ConfigurationFile, OnlyTheFirst127CharactersOfTheNameAreUsed) {
    scratch_dir dir;
    std::string name = std::string(123, 'c') + ".fig";  // 127 characters
    pxtest::write_file(name, "controller_model K6B\n");
    log_capture capture;
    ASSERT_EQ(px::read_configuration((name + "-ignored").c_str()), 0);
    EXPECT_EQ(capture.text(), reading(name) + read_done(name));
    EXPECT_EQ(px::model_code, 14);
}

TEST(ConfigurationFile, MissingFileWarnsAndChangesNothing) {
    scratch_dir dir;
    ASSERT_EQ(read_fig("controller_model K530 servos 3 network_node 5\n"), 0);
    auto before = all_values();
    log_capture capture;
    EXPECT_EQ(px::read_configuration("no_such_program.fig"), 1);
    EXPECT_EQ(capture.text(), "Warning:  Unable to open configuration file \"no_such_program.fig\".\n\r\n");
    EXPECT_EQ(all_values(), before);
    EXPECT_EQ(px::model_code, 12);
}

TEST(ConfigurationFile, NoNameIsAnError) {
    scratch_dir dir;
    log_capture capture;
    EXPECT_EQ(px::read_configuration(nullptr), 1);
    EXPECT_EQ(px::read_configuration(""), 1);
    EXPECT_EQ(capture.text(), std::string("Error:  No file name specified as configuration file.\n\r\n") +
                                  "Error:  No file name specified as configuration file.\n\r\n");
}

TEST(ConfigurationFile, FolderIsNotAConfigurationFile) {
    scratch_dir dir;
    fs::create_directory("folder.fig");
    log_capture capture;
    EXPECT_EQ(px::read_configuration("folder.fig"), 1);
    EXPECT_EQ(capture.text(), "Warning:  Unable to open configuration file \"folder.fig\".\n\r\n");
}

// The name is made to miss from the working directory but to reach the
// scratch folder from "/lib" through "..", so nothing is written under /lib.
TEST(ConfigurationFile, FileNotFoundIsLookedForUnderLib) {
    scratch_dir dir;
    if (!fs::is_directory("/lib")) GTEST_SKIP() << "no /lib on this machine";
    std::string scratch = fs::canonical(dir.path()).string();
    std::string name = "../../.." + scratch + "/shared.fig";
    if (name.size() > 127) GTEST_SKIP() << "scratch path too long";
    pxtest::write_file("shared.fig", "controller_model K315\n");
    fs::create_directories("a/b/c");
    fs::current_path("a/b/c");
    log_capture capture;
    ASSERT_EQ(px::read_configuration(name.c_str()), 0);
    EXPECT_EQ(capture.text(), reading("/lib/" + name) + read_done("/lib/" + name));
    EXPECT_EQ(px::model_code, 10);
}

// ---- Saving ----------------------------------------------------------------

TEST(SavedConfiguration, HandWrittenFileSavesInCanonicalLayout) {
    scratch_dir dir;
    ASSERT_EQ(px::read_configuration(pxtest::golden("files/config/k520_hand_written.fig").c_str()), 0);
    log_capture capture;
    ASSERT_EQ(px::save_configuration("prog.fig"), 0);
    EXPECT_EQ(capture.text(), "Saving configuration parameters to file \"prog.fig\"...\n\r\n"
                              "Saved configuration parameters in file \"prog.fig\".\n\r\n");
    EXPECT_EQ(pxtest::read_file("prog.fig"), pxtest::read_file(pxtest::golden("files/config/k520.fig")));
}

TEST(SavedConfiguration, InitialValuesShowNullModel) {
    scratch_dir dir;
    ASSERT_EQ(px::save_configuration("prog.fig"), 0);
    EXPECT_EQ(pxtest::read_file("prog.fig"), pxtest::read_file(pxtest::golden("files/config/initial.fig")));
}

TEST(SavedConfiguration, WideAndOddValuesKeepTheirDigits) {
    scratch_dir dir;
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
    EXPECT_EQ(pxtest::read_file("prog.fig"), pxtest::read_file(pxtest::golden("files/config/odd_values.fig")));
}

TEST(SavedConfiguration, ReadingItBackGivesTheSameValues) {
    scratch_dir dir;
    ASSERT_EQ(read_fig("controller_model K531\nnetwork_node 17\nstart_on_input#1 yes\nstep_on_input#4 yes\n"
                       "analog_inputs 4 analog_outputs -2 stepper_motors 6 servos 3 prototype_boards 1\n"
                       "highspeed_ctrs 2 thumbwheels 5 digital_displays 8 digital_inputs 700\n"
                       "digital_outputs 1500\n"),
              0);
    auto saved = all_values();
    ASSERT_EQ(px::save_configuration("copy.fig"), 0);
    pxtest::reset_library();
    ASSERT_EQ(px::read_configuration("copy.fig"), 0);
    EXPECT_EQ(all_values(), saved);
    EXPECT_EQ(model_value(), "K531");
    EXPECT_EQ(px::model_code, 13);
    EXPECT_TRUE(px::reduced_memory);
}

TEST(SavedConfiguration, UnwritableFileIsAFailure) {
    scratch_dir dir;
    log_capture capture;
    EXPECT_EQ(px::save_configuration("no/such/folder/prog.fig"), 1);
    EXPECT_EQ(capture.text(), "Warning:  Unable to open \"no/such/folder/prog.fig\" for writing.\n\r\n");
}

TEST(SavedConfiguration, FullDiskIsAFailureNotASuccess) {
    scratch_dir dir;
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    log_capture capture;
    EXPECT_EQ(px::save_configuration("/dev/full"), 1);
    EXPECT_EQ(capture.text(), "Saving configuration parameters to file \"/dev/full\"...\n\r\n"
                              "Warning:  Unable to open \"/dev/full\" for writing.\n\r\n");
}

}  // namespace
