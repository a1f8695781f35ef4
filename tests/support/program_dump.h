// The program model as text, for tests that compare what was read or built:
// one line per step, comment, output list and instruction, texts quoted with
// every byte that is not printable shown as an escape (a stray CR shows as \r).
#pragma once

#include <string>

namespace pxtest {

struct dump_options {
    // Steps without outputs or instructions, which a save leaves out.
    bool skip_empty_steps = false;
    // Nothing after an all-off change (0): a save writes only the 0.
    bool outputs_end_at_all_off = false;
};

// The text between double quotes, '"' and '\' escaped.
std::string quoted(const char* text);

// "table RxC: e e e", then per step "step N [label "L"]", "  comment "C"",
// "  outputs +n -n 0" (only when there are changes), "  instruction "I"".
std::string dump_program(dump_options options = {});

}  // namespace pxtest
