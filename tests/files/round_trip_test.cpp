// What the saver writes, the reader reads back into the same steps: many
// generated programs (fixed seed) with labels, comments, output changes in
// every form, instructions and data tables; a second save of what was read
// is byte-identical to the first; a CR LF copy reads the same. And the
// panic save: a build whose memory runs out while reading a program leaves
// that program in "omna.vep".
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "driver/model.h"
#include "files/read_file.h"
#include "files/save_file.h"
#include "support/test_support.h"

namespace {

using pxtest::log_capture;
using pxtest::read_file;
using pxtest::write_file;

// The "[n steps, n output changes, n instructions]" of the last log line
// that starts with `start`.
std::string counts_after(const std::string& log, const std::string& start) {
    std::size_t at = log.rfind("\r\n" + start);
    if (at == std::string::npos) return "<no line " + start + ">";
    std::size_t open = log.find('[', at), close = log.find(']', open);
    return log.substr(open, close - open + 1);
}

// The program as text: one line per step, comment, output list and
// instruction, with the data table first.
std::string describe_program(bool skip_empty = false) {
    using namespace px;
    std::string out;
    if (const data_table* t = the_program.table) {
        out += "table " + std::to_string(t->rows) + "x" + std::to_string(t->columns) + ":";
        for (int32_t i = 0; i < t->rows * t->columns; ++i) out += " " + std::to_string(t->elements[i]);
        out += "\n";
    }
    for (list_node* n = the_program.steps; !is_end(n); n = n->next) {
        if (skip_empty && is_empty_step(n)) continue;
        const step* s = step_of(n);
        out += "step " + std::to_string(s->number);
        if (s->label) out += " label <" + std::string(s->label) + ">";
        out += "\n";
        for (list_node* c = s->comments; !is_end(c); c = c->next) out += "  ;<" + std::string(comment_of(c)->text) + ">\n";
        out += "  outputs";
        for (list_node* o = s->output_changes; !is_end(o); o = o->next) {
            out += " " + std::to_string(output_change_of(o)->value);
            // All outputs off is all there is to say about a step's outputs.
            if (output_change_of(o)->value == 0) break;
        }
        out += "\n";
        for (list_node* i = s->instructions; !is_end(i); i = i->next)
            out += "  <" + std::string(instruction_of(i)->text) + ">\n";
    }
    return out;
}

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
    // An instruction starts with its first non-blank character and is never
    // a step header.
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

    void program() {
        uint32_t number = chance(50) ? 1 : 1 + below(20);
        for (uint32_t steps = 1 + below(30); steps > 0 && number <= 256; --steps) {
            px::list_node* node = px::new_step_after(px::last_step(), number);
            px::step* s = px::step_of(node);
            number += 1 + (chance(20) ? below(5) : 0);
            if (chance(8)) continue;  // an empty step: never written
            if (chance(40)) s->label = px::pool_strdup(label());
            px::list_node* after = px::END;
            for (uint32_t n = chance(40) ? below(4) : 0; n > 0; --n) {
                after = px::append_comm(node, after);
                px::comment_of(after)->text = px::pool_strdup(comment());
            }
            for (uint32_t n = below(10); n > 0; --n) px::add_output_change(node, chance(5) ? 0 : output());
            after = px::END;
            for (uint32_t n = below(6); n > 0; --n) {
                after = px::append_inst(node, after);
                px::instruction_of(after)->text = px::pool_strdup(instruction());
            }
        }
        if (chance(30)) {
            px::data_table* t = px::new_data_table(1 + static_cast<int32_t>(below(12)), 1 + static_cast<int32_t>(below(12)));
            for (int32_t i = 0; i < t->rows * t->columns; ++i)
                t->elements[i] = static_cast<uint16_t>(chance(20) ? 65535 - below(3) : below(65536));
            px::the_program.table = t;
        }
    }
};

class RoundTrip : public ::testing::Test {
protected:
    pxtest::scratch_dir dir;
};

TEST_F(RoundTrip, GeneratedProgramsReadBackIntoTheSameSteps) {
    generator gen;
    for (int i = 0; i < 300; ++i) {
        SCOPED_TRACE("program " + std::to_string(i));
        std::string base = "rt" + std::to_string(i);
        log_capture log;
        pxtest::memory_build memory((base + ".vep").c_str());
        gen.program();
        // Now and then the ".tab" cannot be written, and the table heads the
        // step file instead.
        bool embedded = px::the_program.table && gen.chance(25);
        if (embedded) {
            std::filesystem::create_directory(base + ".tab");
            std::filesystem::create_directory(base + "b.tab");
        }

        ASSERT_EQ(px::save_file((base + ".vep").c_str()), 0);
        std::string saved = describe_program();
        std::string saved_counts = counts_after(log.text(), "Saved file");
        std::string first = read_file(base + ".vep");

        ASSERT_EQ(px::read_file((base + ".vep").c_str()), 0) << log.text();
        EXPECT_EQ(describe_program(), saved);
        EXPECT_EQ(counts_after(log.text(), "Read file"), saved_counts);

        ASSERT_EQ(px::save_file((base + "b.vep").c_str()), 0);
        EXPECT_EQ(read_file(base + "b.vep"), first);
        bool tab_file = px::the_program.table && !embedded;
        if (tab_file) {
            EXPECT_EQ(read_file(base + "b.tab"), read_file(base + ".tab"));
        }

        write_file(base + "c.vep", pxtest::crlf(first));
        if (tab_file) write_file(base + "c.tab", pxtest::crlf(read_file(base + ".tab")));
        ASSERT_EQ(px::read_file((base + "c.vep").c_str()), 0) << log.text();
        EXPECT_EQ(describe_program(), saved);

        if (HasFailure()) break;
    }
}

TEST_F(RoundTrip, EmbeddedTableWithoutTabFileAndStaleTabBeside) {
    // A table inside the step file wins over a ".tab" of the same name.
    log_capture log;
    pxtest::memory_build memory;
    px::list_node* s = px::new_step_after(px::END, 1);
    px::instruction_of(px::append_inst(s, px::END))->text = px::pool_strdup("stop");
    px::data_table* t = px::new_data_table(1, 3);
    t->elements[0] = 10, t->elements[1] = 20, t->elements[2] = 30;
    px::the_program.table = t;
    std::filesystem::create_directory("p.tab");
    ASSERT_EQ(px::save_file("p.vep"), 0);
    std::filesystem::remove("p.tab");
    write_file("p.tab", "data_table[1][1] =\n{\n     9 \n}\n");
    ASSERT_EQ(px::read_file("p.vep"), 0);
    EXPECT_EQ(describe_program(), "table 1x3: 10 20 30\nstep 1\n  outputs\n  <stop>\n");
    EXPECT_NE(log.text().find("Warning:  Internal data table overriding external one.\r\n"), std::string::npos);
}

// --- the panic save ---------------------------------------------------------

// A program big enough that a capped pool runs out while reading it.
std::string large_program(int steps) {
    std::string text;
    for (int n = 1; n <= steps; ++n) {
        char header[32];
        std::snprintf(header, sizeof header, "[%d] step%d\n", n, n);
        text += header;
        text += "  ;;; a comment that takes some room in the pool " + std::to_string(n) + "\n";
        text += "  ;;; and another one, just as long, for the same reason\n";
        text += "  ---\n  1+ 2- " + std::to_string(3 + n % 100) + "+\n  ---\n";
        for (int i = 0; i < 6; ++i) text += "  delay " + std::to_string(n * 10 + i) + " ; padding padding padding\n";
        // A few empty steps for the collector to find.
        if (n % 25 == 0) text += "[" + std::to_string(++n) + "]\n---\n---\n";
    }
    return text;
}

TEST(PanicSave, MemoryRunningOutWhileReadingLeavesTheProgramInOmnaVep) {
    pxtest::scratch_dir dir;
    std::string source = large_program(250);
    write_file("big.vep", source);

    // The whole program as read without a cap.
    std::string whole;
    {
        pxtest::memory_build memory;
        ASSERT_EQ(px::read_file("big.vep"), 0);
        whole = describe_program(true);
    }

    px::set_pool_limit(96 * 1024);
    int32_t result = px::run_export("big.vep");
    px::set_pool_limit(0);
    EXPECT_EQ(result, 0);

    std::string log = read_file("pxlinker.log");
    const std::string ending =
        "Panic:  Can't cope without a memory fix ... Good Bye.\r\n"
        "\r\n************* COMPILE/LINK COMPLETE ***************\r\n\nCompile/Link failed.\r\n";
    ASSERT_GE(log.size(), ending.size());
    EXPECT_EQ(log.substr(log.size() - ending.size()), ending) << log;
    EXPECT_NE(log.find("Error:  (Out of Memory):  Saving to file \"OMNA.VEP\".\r\n"), std::string::npos);
    EXPECT_NE(log.find("Successfully saved program before panic.\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Saving VEP program steps to file \"omna.vep\"..."), std::string::npos);
    // The memory ran out in the middle of reading, not after it.
    EXPECT_EQ(log.find("Read file"), std::string::npos);

    // What was read so far comes back from omna.vep: every step whole but
    // the last, which may have been cut short where memory ran out.
    ASSERT_TRUE(pxtest::file_exists("omna.vep"));
    std::string rescued;
    {
        pxtest::memory_build memory;
        ASSERT_EQ(px::read_file("omna.vep"), 0);
        rescued = describe_program();
    }
    std::size_t last_step = rescued.rfind("step ");
    ASSERT_NE(last_step, std::string::npos);
    ASSERT_GT(last_step, 0u);
    EXPECT_EQ(whole.compare(0, last_step, rescued, 0, last_step), 0) << rescued;
    EXPECT_LT(rescued.size(), whole.size());
    // Well into the program, so the test does exercise a full pool.
    EXPECT_NE(rescued.find("step 20 "), std::string::npos);
}

}  // namespace
