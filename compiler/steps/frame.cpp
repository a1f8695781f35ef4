// The step compile frame. One step becomes one code image in a shared
// buffer: the length byte, the output changes the frame encodes itself, then
// the code of every instruction as its family appends it.
//
// The buffer is twice the 255 bytes a step may keep, so a family never has to
// check for room; an over-long step is cut back once it is complete.
#include "steps/frame.h"

#include <cctype>
#include <cstring>
#include <string>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/source_places.h"
#include "driver/xref.h"
#include "files/model_limits.h"
#include "steps/families.h"
#include "steps/goto_destination.h"
#include "test_hooks.h"

namespace px {

bool do_done_mark = false;

namespace {

uint8_t step_code[STEP_CODE_BUFFER];
int write_position = 1;

// The instruction being compiled, lowercased with one blank appended. Kept
// on the heap and grown to fit, so no instruction the reader delivers is cut.
std::string working;

struct keyword_entry {
    const char* word;
    int code;
};

// Alphabetical, as the language defines it; the empty entry ends the table.
const keyword_entry instruction_keywords[] = {
    {"cancel", 1},   {"clear", 2},    {"count", 3},      {"delay", 4},   {"disable", 5}, {"do", 6},
    {"done", 7},     {"enable", 8},   {"goto", 9},       {"if", 10},     {"monitor", 11}, {"profile", 12},
    {"reset", 13},   {"rotate", 14},  {"search", 15},    {"set", 16},    {"shift", 17},  {"start", 18},
    {"stop", 19},    {"store", 20},   {"testandset", 21}, {"turn", 22},  {"zero", 23},   {"", 0},
};

using family_function = void (*)(const char* text, const char* cursor);

void dispatch_stop(const char* text, const char* cursor) {
    if (std::strncmp(cursor, "goto", 4) == 0)
        compile_stop_goto(text, cursor);
    else
        compile_stop(text, cursor);
}

// "goto" is its own clause: the keyword is the clause's "goto".
void dispatch_goto(const char* text, const char*) { compile_goto(text, working_text()); }

// Indexed by keyword code.
const family_function families[] = {
    nullptr,           compile_cancel,  compile_clear,   compile_count,      compile_delay,  compile_disable,
    compile_do,        compile_done,    compile_enable,  dispatch_goto,      compile_if,     compile_monitor,
    compile_profile,   compile_reset,   compile_rotate,  compile_search,     compile_set,    compile_shift,
    compile_start,     dispatch_stop,   compile_store,   compile_testandset, compile_turn,   compile_zero,
};
static_assert(sizeof families / sizeof families[0] == 24, "one family per keyword code");

// The encoding of one output change: the output index with bit 7 of its last
// byte telling on from off.
void append_output_change(int32_t value) {
    bool on = value > 0;
    int64_t magnitude = on ? static_cast<int64_t>(value) : -static_cast<int64_t>(value);
    uint32_t index = static_cast<uint32_t>(magnitude - 1);
    uint8_t on_bit = on ? 0x80 : 0x00;
    if (wide_numbering()) {
        append_byte(static_cast<uint8_t>(index & 0xFF));
        append_byte(static_cast<uint8_t>(((index >> 8) & 0xFF) | on_bit));
    } else {
        append_byte(static_cast<uint8_t>((index & 0x7F) | on_bit));
    }
}

bool is_ascii_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

bool is_operator_char(char c) {
    switch (c) {
    case '(': case ')': case '<': case '>': case '=': case '+': case '*':
    case '/': case '%': case '&': case '|': case '~': case '^':
        return true;
    default:
        return false;
    }
}

const char* next_token(const char* cursor) {
    if (!cursor) return cursor;
    if (is_operator_char(*cursor)) {
        ++cursor;
    } else {
        while (*cursor != '\0' && !is_blank(*cursor) && !is_operator_char(*cursor)) ++cursor;
    }
    while (is_blank(*cursor)) ++cursor;
    return cursor;
}

void append_byte(uint8_t byte) {
    if (write_position + 1 >= STEP_CODE_BUFFER) return;
    step_code[++write_position] = byte;
}

void withdraw_byte() {
    // Byte 1 is the output-change count, never a family's to take back.
    if (write_position > 1) --write_position;
}

int code_position() { return write_position; }

const char* working_text() { return working.c_str(); }

int find_keyword(const char* word) {
    if (!word) return 0;
    for (const keyword_entry* k = instruction_keywords; k->code != 0; ++k)
        if (k->word[0] == word[0] && std::strcmp(k->word, word) == 0) return k->code;
    return 0;
}

void compile_instruction(const char* text) {
    if (!text) return;
    working.assign(text);
    for (char& c : working)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    working += ' ';
    note_working_text(&working);

    std::size_t keyword_length = 0;
    while (is_ascii_letter(working[keyword_length])) ++keyword_length;
    std::string keyword = working.substr(0, keyword_length);
    const char* cursor = next_token(working.c_str() + keyword_length);

    int code = find_keyword(keyword.c_str());
    if (code == 0) {
        report_step_error(text, "Unrecognized instruction (%d):  \"%s\".", code, keyword.c_str());
        return;
    }
    families[code](text, cursor);
}

const uint8_t* compile_step(list_node* step_node) {
    if (is_end(step_node)) return nullptr;
    // The goto index follows the walk: a step that does not continue it
    // (a new build, a changed program) starts a fresh one.
    note_step_compiled(step_node);
    if (is_empty_step(step_node)) return nullptr;

    const step* s = step_of(step_node);
    current_step = step_node;
    current_instruction = &end_marker;
    do_done_mark = false;
    write_position = 1;
    step_code[1] = 0;

    for (list_node* n = s->output_changes; !is_end(n); n = n->next) {
        int32_t value = output_change_of(n)->value;
        if (value == 0) {
            write_position = 1;
            step_code[1] = 0x81;
            record_usage(KIND_DIGITAL_OUTPUT, 0, current_step, current_instruction);
            break;
        }
        record_usage(KIND_DIGITAL_OUTPUT, value, current_step, current_instruction);
        // An output the numbering cannot hold would wrap into another
        // output's bits and switch the wrong one.
        if (value < -digital_limit() || value > digital_limit()) {
            output_mark at_entry(value);
            report_step_error(nullptr, "IXO K400 VEP supports only digital outputs 1-%d.",
                              static_cast<int>(digital_limit()));
            continue;
        }
        ++step_code[1];
        append_output_change(value);
    }

    if (is_end(s->instructions)) {
        report_step_error(nullptr, "This step contains no instructions.");
        return nullptr;
    }

    for (list_node* n = s->instructions; !is_end(n); n = n->next) {
        current_instruction = n;
        compile_instruction(instruction_of(n)->text);
        if (do_done_mark && (!is_end(n->prev) || !is_end(n->next)))
            report_step_error(nullptr, "The \"do\" and \"done\" instructions require a step of their own.");
    }

    if (write_position > STEP_CODE_MAX) {
        report_step_error(nullptr, "Step#%d too long (truncated to 255 bytes).", static_cast<int>(s->number));
        write_position = STEP_CODE_MAX;
    }
    step_code[0] = static_cast<uint8_t>(write_position);
    return step_code;
}

}  // namespace px
