// The resource cross-reference map: which steps and instructions use each
// controller resource, as a person reads it in the ".xrf" file.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <cstdio>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/model.h"
#include "driver/xref.h"
#include "files/config.h"
#include "files/file_names.h"
#include "test_support.h"

namespace {

using namespace px;

const std::string first_header =
    "\r\n\nIXO PLEXA V2.01                         RESOURCE USAGE CROSS-REFERENCE MAP\r\n";
const std::string date_mask = "Www Mmm dd hh:mm:ss yyyy";

// The map with its date replaced by the mask, after checking that the date
// has the classic 24-character form.
std::string masked(std::string map) {
    if (map.compare(0, first_header.size(), first_header) != 0) return "bad first header: " + map;
    std::string date = map.substr(first_header.size(), 24);
    static const std::regex form("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) "
                                 "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                 "[ 123][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}");
    if (!std::regex_match(date, form)) return "bad date: " + date;
    return map.replace(first_header.size(), 24, date_mask);
}

std::string two_headers(const std::string& base) {
    return first_header + date_mask + std::string(78 - 24 - base.size(), ' ') + base + "\r\n\n";
}

class CrossReference : public ::testing::Test {
protected:
    pxtest::scratch_dir dir;
    pxtest::memory_build memory;
    std::optional<pxtest::log_capture> log;  // opened after the banner, which it must not hold

    void SetUp() override {
        version_banner(2, 1);
        set_param_value(PARAM_DIGITAL_OUTPUTS, 64);
        log.emplace();
        clear_usage();
    }
    std::string map_of(const std::string& name) {
        EXPECT_EQ(write_cross_reference_map((dir / name).c_str()), 1);
        return masked(pxtest::read_file(dir / name));
    }
    static list_node* instruction(list_node* step_node, const std::string& text) {
        list_node* last = step_of(step_node)->instructions;
        while (!is_end(last) && !is_end(last->next)) last = last->next;
        list_node* node = append_inst(step_node, last);
        instruction_of(node)->text = pool_strdup(text);
        return node;
    }
};

// Replays a ".uses" file: steps, output changes, instructions and their uses.
void record_uses(const std::string& script) {
    static const std::map<std::string, int> kinds = {
        {"analog_input", KIND_ANALOG_INPUT},   {"analog_output", KIND_ANALOG_OUTPUT},
        {"stepper_motor", KIND_STEPPER_MOTOR}, {"servo", KIND_SERVO},
        {"prototype_board", KIND_PROTOTYPE_BOARD}, {"thumbwheel", KIND_THUMBWHEEL},
        {"digital_display", KIND_DIGITAL_DISPLAY}, {"digital_input", KIND_DIGITAL_INPUT},
        {"data_table_column", KIND_DATA_TABLE_COLUMN}, {"flag", KIND_FLAG},
        {"counter", KIND_COUNTER},             {"register", KIND_REGISTER},
    };
    std::istringstream lines(script);
    std::string line;
    list_node* step_node = END;
    list_node* inst = END;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::string word = line.substr(0, line.find(' '));
        std::string rest = line.substr(word.size() + 1);
        if (word == "step") {
            step_node = new_step_after(last_step(), static_cast<uint32_t>(std::stoul(rest)));
            inst = END;
        } else if (word == "output") {
            record_usage(KIND_DIGITAL_OUTPUT, std::stoi(rest), step_node, END);
        } else if (word == "inst") {
            list_node* after = END;
            for (list_node* n = step_of(step_node)->instructions; !is_end(n); n = n->next) after = n;
            inst = append_inst(step_node, after);
            instruction_of(inst)->text = pool_strdup(rest);
        } else if (word == "use") {
            std::string kind = rest.substr(0, rest.find(' '));
            record_usage(kinds.at(kind), std::stoi(rest.substr(kind.size() + 1)), step_node, inst);
        }
    }
}

TEST_F(CrossReference, MapListsEveryResourceByKindAndNumber) {
    record_uses(pxtest::read_file(pxtest::golden("driver/xref/resources.uses")));
    EXPECT_EQ(map_of("resources.xrf"), pxtest::read_file(pxtest::golden("driver/xref/resources.xrf")));
}

TEST_F(CrossReference, ProgramWithoutResourcesGivesTheTwoHeaderLines) {
    EXPECT_EQ(map_of("EMPTY.XRF"), two_headers("EMPTY.XRF"));
    EXPECT_EQ(log->text(),
              "Saving cross-reference map to file \"" + (dir / "EMPTY.XRF") + "\"...\r\n"
              "Saved resource cross-reference map in file \"" + (dir / "EMPTY.XRF") + "\".\r\n");
}

TEST_F(CrossReference, LongBaseNameIsNotPadded) {
    std::string base(60, 'p');
    base += ".xrf";
    std::string map = map_of(base);
    EXPECT_EQ(map, first_header + date_mask + base + "\r\n\n");
}

TEST_F(CrossReference, BackslashAlsoEndsTheFolderPart) {
    std::filesystem::create_directory("sub");
    std::string name = "sub\\NAME.XRF";
    ASSERT_EQ(write_cross_reference_map(name.c_str()), 1);
    EXPECT_EQ(masked(pxtest::read_file(resolve_path(name))), two_headers("NAME.XRF"));
}

TEST_F(CrossReference, ClearingForgetsEarlierUses) {
    list_node* s = new_step_after(END, 1);
    record_usage(KIND_FLAG, 3, s, instruction(s, "set flag 3"));
    clear_usage();
    EXPECT_EQ(map_of("PROG.XRF"), two_headers("PROG.XRF"));
}

TEST_F(CrossReference, UsesOfAnEarlierBuildGoWithItsPool) {
    list_node* s = new_step_after(END, 1);
    record_usage(KIND_FLAG, 3, s, instruction(s, "set flag 3"));
    pool_destroy();
    ASSERT_TRUE(pool_create());
    reset_program();
    EXPECT_EQ(map_of("PROG.XRF"), two_headers("PROG.XRF"));
    list_node* t = new_step_after(END, 2);
    record_usage(KIND_FLAG, 4, t, instruction(t, "set flag 4"));
    EXPECT_NE(map_of("PROG.XRF").find("\nFlag #4\n"), std::string::npos);
}

TEST_F(CrossReference, KindsOutsideTheMapAreNotRecorded) {
    list_node* s = new_step_after(END, 1);
    list_node* i = instruction(s, "set flag 3");
    record_usage(5, 1, s, i);
    record_usage(KIND_COUNT, 1, s, i);
    record_usage(-1, 1, s, i);
    EXPECT_EQ(map_of("PROG.XRF"), two_headers("PROG.XRF"));
}

TEST_F(CrossReference, UsesAreListedInCompileOrderNotStepOrder) {
    list_node* four = new_step_after(END, 4);
    list_node* two = new_step_after(END, 2);
    // Compiled as 2, then 4.
    record_usage(KIND_FLAG, 3, two, instruction(two, "set flag 3"));
    record_usage(KIND_FLAG, 3, four, instruction(four, "clear flag 3"));
    std::string expected = two_headers("PROG.XRF") + "\nFlag #3\n" + "       [2]  set flag 3" + std::string(58, ' ') +
                           "\n" + "       [4]  clear flag 3" + std::string(56, ' ') + "\n";
    EXPECT_EQ(map_of("PROG.XRF"), expected);
}

TEST_F(CrossReference, TwoInstructionsWithTheSameTextAreTwoUses) {
    list_node* s = new_step_after(END, 1);
    record_usage(KIND_FLAG, 3, s, instruction(s, "set flag 3"));
    record_usage(KIND_FLAG, 3, s, instruction(s, "set flag 3"));
    std::string use = "       [1]  set flag 3" + std::string(58, ' ') + "\n";
    EXPECT_EQ(map_of("PROG.XRF"), two_headers("PROG.XRF") + "\nFlag #3\n" + use + use);
}

TEST_F(CrossReference, SeventyCharacterTextBreaksAfterSixtySeven) {
    list_node* s = new_step_after(END, 12);
    std::string text(67, 'a');
    text += "bcd";
    record_usage(KIND_REGISTER, 9, s, instruction(s, text));
    EXPECT_EQ(map_of("PROG.XRF"),
              two_headers("PROG.XRF") + "\nRegister #9\n" + "      [12]  " + std::string(67, 'a') + "\\\nbcd\n");
}

TEST_F(CrossReference, SixtyEightCharactersStillFitOnOneLine) {
    list_node* s = new_step_after(END, 1);
    record_usage(KIND_REGISTER, 9, s, instruction(s, std::string(68, 'x')));
    EXPECT_EQ(map_of("PROG.XRF"), two_headers("PROG.XRF") + "\nRegister #9\n" + "       [1]  " + std::string(68, 'x') + "\n");
}

TEST_F(CrossReference, VeryLongTextIsBrokenAsOftenAsNeeded) {
    list_node* s = new_step_after(END, 1);
    std::string text;
    for (int i = 0; i < 5000; ++i) text += static_cast<char>('a' + i % 26);
    record_usage(KIND_FLAG, 1, s, instruction(s, text));
    std::string expected = two_headers("PROG.XRF") + "\nFlag #1\n" + "       [1]  ";
    std::string_view rest = text;
    while (rest.size() > 68) {
        expected += std::string(rest.substr(0, 67)) + "\\\n";
        rest.remove_prefix(67);
    }
    expected += std::string(rest) + "\n";
    EXPECT_EQ(map_of("PROG.XRF"), expected);
}

TEST_F(CrossReference, NegativeOutputNumberIsListedUnderItsAbsoluteValue) {
    list_node* s = new_step_after(END, 3);
    record_usage(KIND_DIGITAL_OUTPUT, -1024, s, END);
    EXPECT_EQ(map_of("PROG.XRF"), two_headers("PROG.XRF") + "\nDigital Output #1024\n" + "       [3]  off" +
                                      std::string(65, ' ') + "\n");
}

TEST_F(CrossReference, ManyDistinctRegistersRecordQuickly) {
    // 4096 steps naming 60000 registers from the top down: the worst order
    // for a list kept in ascending order.
    list_node* after = END;
    std::vector<list_node*> instructions;
    for (uint32_t n = 1; n <= 4096; ++n) {
        after = new_step_after(after, n);
        instructions.push_back(instruction(after, "store 1 to register " + std::to_string(n)));
    }
    auto start = std::chrono::steady_clock::now();
    list_node* s = the_program.steps;
    for (int32_t r = 60000; r >= 1; --r) {
        std::size_t index = static_cast<std::size_t>(r) % 4096;
        record_usage(KIND_REGISTER, r, s, instructions[index]);
        record_usage(KIND_REGISTER, r, s, instructions[(index + 1) % 4096]);
    }
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 2.0);

    std::string map = map_of("PROG.XRF");
    std::size_t first = map.find("\nRegister #1\n");
    std::size_t second = map.find("\nRegister #2\n");
    std::size_t last = map.find("\nRegister #60000\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_LT(second, last);
    // Every register has its two uses.
    std::size_t lines = 0;
    for (std::size_t at = map.find("       [1]  "); at != std::string::npos; at = map.find("       [1]  ", at + 1))
        ++lines;
    EXPECT_EQ(lines, 120000u);
}

TEST_F(CrossReference, UnopenableFileIsLogged) {
    EXPECT_EQ(write_cross_reference_map("missing/PROG.XRF"), 0);
    EXPECT_EQ(log->text(), "Error:  Unable to open \"missing/PROG.XRF\" to save cross-reference map.\r\n");
    EXPECT_EQ(error_count, 0);
}

TEST_F(CrossReference, FailedWriteIsLogged) {
    list_node* s = new_step_after(END, 1);
    record_usage(KIND_FLAG, 3, s, instruction(s, "set flag 3"));
    EXPECT_EQ(write_cross_reference_map("/dev/full"), 0);
    EXPECT_EQ(log->text(),
              "Saving cross-reference map to file \"/dev/full\"...\r\n"
              "Error:  Unable to write to cross-reference map file \"/dev/full\".\r\n");
}

}  // namespace
