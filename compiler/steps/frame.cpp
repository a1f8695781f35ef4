#include "steps/frame.h"
#include "driver/diagnostics.h"

namespace px {

bool do_done_mark = false;

const uint8_t* compile_step(list_node*) {
    report_step_error(nullptr, "Step compiler not built yet.");
    return nullptr;
}
void compile_instruction(const char*) {}
int find_keyword(const char*) { return 0; }
const char* next_token(const char* cursor) { return cursor; }
bool is_operator_char(char) { return false; }
bool is_blank(char) { return false; }
void append_byte(uint8_t) {}
void withdraw_byte() {}
int code_position() { return 0; }
const char* working_text() { return ""; }

}  // namespace px
