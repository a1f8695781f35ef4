// What the saver writes, the reader reads back into the same steps: generated programs (fixed seed)
// with labels, comments, output changes in every form, instructions (now and then thousands of
// characters long) and data tables beside the step file or at its head. A second save of what was
// read is byte-identical to the first; a CR LF copy reads the same.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "files/read_file.h"
#include "files/save_file.h"
#include "program_builder.h"
#include "support/program_dump.h"

namespace {

using pxtest::read_file;

// Only the engine is used: its output is the same everywhere, unlike the
// standard distributions.
struct generator {
    std::mt19937 engine{20030414};

    uint32_t below(uint32_t n) { return static_cast<uint32_t>(engine() % n); }
    bool chance(uint32_t percent) { return below(100) < percent; }
    char printable() { return static_cast<char>(0x21 + below(0x7E - 0x21 + 1)); }
    // Printable text not starting with one of `not_first`, blanks anywhere after when `blanks`.
    std::string text(const char* not_first, uint32_t longest, bool blanks) {
        std::string s(1, printable());
        while (std::strchr(not_first, s[0])) s[0] = printable();
        for (uint32_t n = below(longest); n > 0; --n) s += blanks && chance(15) ? ' ' : printable();
        return s;
    }

    void program(pxtest::program_builder& program) {
        uint32_t number = chance(50) ? 1 : 1 + below(20);
        for (uint32_t steps = 1 + below(30); steps > 0 && number <= 256; --steps) {
            uint32_t n = number;
            number += 1 + (chance(20) ? below(5) : 0);
            if (chance(8)) {  // an empty step: never written
                program.add_step(n);
                continue;
            }
            std::string label = chance(40) ? text(";-", chance(2) ? 5000 : 12, false) : "";
            std::vector<std::string> comments(chance(40) ? below(4) : 0);
            for (std::string& c : comments)
                c = chance(10) ? "" : (chance(15) ? " " : "") + text(";", chance(2) ? 12000 : 60, true);
            std::vector<int32_t> outputs(below(10));
            for (int32_t& o : outputs) {
                int32_t v = static_cast<int32_t>(chance(90) ? 1 + below(1024) : 1 + below(32767));
                o = chance(5) ? 0 : chance(50) ? v : -v;
            }
            // An instruction starts with its first non-blank character and is never a step header.
            std::vector<std::string> instructions(below(6));
            for (std::string& i : instructions) i = text("[", chance(2) ? 30000 : 50, true);
            const char* name = label.empty() ? nullptr : label.c_str();
            px::list_node* s = program.add_step(n, instructions, name, outputs);
            for (const std::string& c : comments) program.add_comment(s, c.c_str());
        }
        if (chance(30)) {
            program.add_table(1 + static_cast<int32_t>(below(12)), 1 + static_cast<int32_t>(below(12)));
            px::data_table* t = px::the_program.table;
            for (int32_t i = 0; i < t->rows * t->columns; ++i)
                t->elements[i] = static_cast<uint16_t>(chance(20) ? 65535 - below(3) : below(65536));
        }
    }
};

// The "[n steps, n output changes, n instructions]" of the last log line starting with `start`.
std::string counts_after(const std::string& log, const std::string& start) {
    std::size_t open = log.find('[', log.rfind("\r\n" + start));
    return open == std::string::npos ? "<no " + start + ">" : log.substr(open, log.find(']', open) - open + 1);
}

// A save writes nothing after an all-off change.
std::string as_saved() { return pxtest::dump_program({.outputs_end_at_all_off = true}); }

TEST(round_trip, generated_programs_read_back_into_the_same_steps) {
    generator gen;
    for (int i = 0; i < 300 && !::testing::Test::HasFailure(); ++i) {
        SCOPED_TRACE("program " + std::to_string(i));
        pxtest::program_builder program("K410", "rt.vep");
        pxtest::log_capture log;
        gen.program(program);
        // Now and then the ".tab" cannot be written, and the table heads the step file instead.
        bool embedded = px::the_program.table && gen.chance(25);
        if (embedded) {
            std::filesystem::create_directory("rt.tab");
            std::filesystem::create_directory("rtb.tab");
        }
        bool tab_file = px::the_program.table && !embedded;
        ASSERT_EQ(px::save_file(program.build(), "rt.vep"), 0);
        std::string saved = as_saved(), saved_counts = counts_after(log.text(), "Saved file");
        std::string first = read_file("rt.vep"), table = tab_file ? read_file("rt.tab") : "";
        ASSERT_EQ(px::read_file(program.build(), "rt.vep"), 0) << log.text();
        EXPECT_EQ(as_saved(), saved);
        EXPECT_EQ(counts_after(log.text(), "Read file"), saved_counts);
        ASSERT_EQ(px::save_file(program.build(), "rtb.vep"), 0);
        EXPECT_EQ(read_file("rtb.vep"), first);
        EXPECT_EQ(tab_file ? read_file("rtb.tab") : "", table);
        pxtest::write_file("rtc.vep", pxtest::crlf(first));
        if (tab_file) pxtest::write_file("rtc.tab", pxtest::crlf(table));
        ASSERT_EQ(px::read_file(program.build(), "rtc.vep"), 0) << log.text();
        EXPECT_EQ(as_saved(), saved);
    }
}

}  // namespace
