// A program held in memory in which one step is compiled through the whole
// frame, for the tests of the instructions that jump, wait and test.
// Results are the step's instruction code (after the output-change count)
// and the messages reported, in order, as they reach the listing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "driver/build_state.h"
#include "driver/model.h"
#include "driver/xref.h"
#include "files/config.h"
#include "steps/frame.h"
#include "steps/goto_destination.h"
#include "test_support.h"

namespace jump_fixture {

struct step_entry {
    uint32_t number;
    const char* label;
};

// Gaps after 5 and 9 make "goto next" fail there; 300 needs two bytes.
inline std::vector<step_entry> default_steps() {
    return {{1, "start"}, {2, nullptr}, {3, nullptr}, {4, nullptr}, {5, "fill"}, {7, nullptr},
            {9, "Drain"}, {12, "rinse"}, {13, nullptr}, {300, "far"}};
}

struct outcome {
    std::string code;                   // hex, "" when nothing was appended
    std::vector<std::string> messages;  // as reported, "Problem:  " dropped
};

inline bool operator==(const outcome& a, const outcome& b) { return a.code == b.code && a.messages == b.messages; }

inline std::ostream& operator<<(std::ostream& out, const outcome& o) {
    out << "code [" << o.code << "] messages [";
    for (std::size_t i = 0; i < o.messages.size(); ++i) out << (i ? " | " : "") << o.messages[i];
    return out << "]";
}

inline outcome result(std::string code, std::vector<std::string> messages = {}) {
    return {std::move(code), std::move(messages)};
}

// The third line of every listing entry is the message.
inline std::vector<std::string> listed_messages(const std::string& listing) {
    std::vector<std::string> messages;
    std::size_t at = 0;
    const std::string entry = "***ERROR*** in step [";
    while ((at = listing.find(entry, at)) != std::string::npos) {
        std::size_t line = listing.find('\n', at);
        line = listing.find('\n', line + 1);
        std::size_t end = listing.find('\n', line + 1);
        std::string message = listing.substr(line + 4, end - line - 4);
        const std::string problem = "Problem:  ";
        if (message.compare(0, problem.size(), problem) == 0) message.erase(0, problem.size());
        messages.push_back(message);
        at = end;
    }
    return messages;
}

class bench {
public:
    explicit bench(bool wide = false, const std::vector<step_entry>& steps = default_steps()) {
        px::pool_create();
        px::reset_program();
        px::clear_usage();
        px::reset_destination_index();
        px::the_program.name = px::pool_strdup("T.VEP");
        px::model_code = wide ? 2 : 0;
        for (const step_entry& s : steps) {
            px::list_node* node = px::new_step_after(px::last_step(), s.number);
            if (s.label) px::step_of(node)->label = px::pool_strdup(s.label);
        }
    }
    ~bench() {
        px::current_step = &px::end_marker;
        px::current_instruction = &px::end_marker;
        px::pool_destroy();
        px::reset_program();
    }
    bench(const bench&) = delete;
    bench& operator=(const bench&) = delete;

    // Compiles the instructions as the only ones of step `number`, then
    // takes them away again so the bench can be reused.
    outcome compile_all(uint32_t number, const std::vector<std::string>& instructions) {
        px::list_node* node = find(number);
        px::list_node* after = &px::end_marker;
        for (const std::string& text : instructions) {
            after = px::append_inst(node, after);
            px::instruction_of(after)->text = px::pool_strdup(text);
        }
        px::error_count = 0;
        px::current_instruction = &px::end_marker;
        const uint8_t* image = px::compile_step(node);
        px::step_of(node)->instructions = &px::end_marker;

        outcome out;
        if (image && image[0] > 1) out.code = pxtest::hex(image + 2, image[0] - 1u);
        out.messages = listed_messages(pxtest::read_file("T.lst"));
        std::remove("T.lst");
        std::remove("T.err");
        return out;
    }
    outcome compile(uint32_t number, const std::string& instruction) {
        return compile_all(number, {instruction});
    }
    // In step 1, whose next step exists.
    outcome compile(const std::string& instruction) { return compile(1, instruction); }

    // The cross-reference map as written now.
    std::string map() {
        px::write_cross_reference_map("T.xrf");
        return pxtest::read_file("T.xrf");
    }

private:
    px::list_node* find(uint32_t number) {
        for (px::list_node* n = px::the_program.steps; !px::is_end(n); n = n->next)
            if (px::step_of(n)->number == number) return n;
        return &px::end_marker;
    }

    pxtest::scratch_dir dir_;  // first: the library is reset before the pool is made
};

// Table rows: an instruction and what it must give.
struct row {
    const char* text;
    outcome expected;
};

}  // namespace jump_fixture
