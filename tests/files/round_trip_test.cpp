// What the saver writes, the reader reads back into the same steps: many
// generated programs (fixed seed) with labels, comments, output changes in
// every form, instructions and data tables, beside the step file or at its
// head; a second save of what was read is byte-identical to the first, and a
// CR LF copy reads the same. The panic save is the build case
// export_pool_exhausted.
#include <gtest/gtest.h>

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

// A fixed-seed source of program text. Only the engine is used: its output
// is the same everywhere, unlike the standard distributions.
struct generator {
    std::mt19937 engine{20030414};

    uint32_t below(uint32_t n) { return static_cast<uint32_t>(engine() % n); }
    bool chance(uint32_t percent) { return below(100) < percent; }
    char printable() { return static_cast<char>(0x21 + below(0x7E - 0x21 + 1)); }

    // Printable text without blanks, never starting with ';' or '-'.
    std::string label() {
        std::string s;
        do s = printable();
        while (s[0] == ';' || s[0] == '-');
        for (uint32_t n = below(12); n > 0; --n) s += printable();
        return s;
    }
    // Printable text with blanks anywhere, trailing ones included.
    std::string line(uint32_t longest) {
        std::string s;
        for (uint32_t n = below(longest); n > 0; --n) s += chance(15) ? ' ' : printable();
        return s;
    }
    std::string comment() {
        std::string s = line(60);
        if (!s.empty() && s[0] == ';') s[0] = ':';
        return s;
    }
    // An instruction starts with its first non-blank character and is never a step header.
    std::string instruction() {
        std::string s;
        do s = printable();
        while (s[0] == '[');
        return s + line(50);
    }
    int32_t output() {
        uint32_t n = chance(90) ? 1 + below(1024) : 1 + below(32767);
        return chance(50) ? static_cast<int32_t>(n) : -static_cast<int32_t>(n);
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
            std::string name = chance(40) ? label() : "";
            std::vector<std::string> comments(chance(40) ? below(4) : 0);
            for (std::string& c : comments) c = comment();
            std::vector<int32_t> outputs(below(10));
            for (int32_t& o : outputs) o = chance(5) ? 0 : output();
            std::vector<std::string> instructions(below(6));
            for (std::string& i : instructions) i = instruction();
            px::list_node* s = program.add_step(n, instructions, name.empty() ? nullptr : name.c_str(), outputs);
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

// The "[n steps, n output changes, n instructions]" of the last log line
// that starts with `start`.
std::string counts_after(const std::string& log, const std::string& start) {
    std::size_t at = log.rfind("\r\n" + start);
    if (at == std::string::npos) return "<no line " + start + ">";
    std::size_t open = log.find('[', at), close = log.find(']', open);
    return log.substr(open, close - open + 1);
}

// A save writes nothing after an all-off change.
std::string as_saved() { return pxtest::dump_program({.outputs_end_at_all_off = true}); }

TEST(round_trip, generated_programs_read_back_into_the_same_steps) {
    generator gen;
    for (int i = 0; i < 300; ++i) {
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

        ASSERT_EQ(px::save_file("rt.vep"), 0);
        std::string saved = as_saved();
        std::string saved_counts = counts_after(log.text(), "Saved file");
        std::string first = read_file("rt.vep");

        ASSERT_EQ(px::read_file("rt.vep"), 0) << log.text();
        EXPECT_EQ(as_saved(), saved);
        EXPECT_EQ(counts_after(log.text(), "Read file"), saved_counts);

        ASSERT_EQ(px::save_file("rtb.vep"), 0);
        EXPECT_EQ(read_file("rtb.vep"), first);
        bool tab_file = px::the_program.table && !embedded;
        if (tab_file) {
            EXPECT_EQ(read_file("rtb.tab"), read_file("rt.tab"));
        }

        pxtest::write_file("rtc.vep", pxtest::crlf(first));
        if (tab_file) pxtest::write_file("rtc.tab", pxtest::crlf(read_file("rt.tab")));
        ASSERT_EQ(px::read_file("rtc.vep"), 0) << log.text();
        EXPECT_EQ(as_saved(), saved);

        if (::testing::Test::HasFailure()) break;
    }
}

}  // namespace
