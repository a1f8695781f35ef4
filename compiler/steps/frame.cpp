// The step compile frame. One step becomes one code image in the build's
// code buffer: the length byte, the output changes the frame encodes itself,
// then the code of every instruction as its family appends it.
//
// The buffer is twice the 255 bytes a step may keep, so a family never has to
// check for room; an over-long step is cut back once it is complete.
#include "steps/frame.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>
#include <string_view>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/graph_record.h"
#include "driver/symbol_record.h"
#include "driver/utilities.h"
#include "driver/xref.h"
#include "files/model_limits.h"
#include "steps/families.h"
#include "steps/goto_destination.h"
#include "steps/numbering.h"
#include "steps/opcodes.h"
#include "steps/syntax_table.h"

namespace px {

bool do_done_mark = false;

namespace {

void append_to(build_context& build, uint8_t byte) {
    if (build.write_position + 1 >= STEP_CODE_BUFFER) return;
    build.step_code[++build.write_position] = byte;
}

// "stop" is a flow instruction when a goto clause follows it at once.
void dispatch_stop(instruction_frame& f, const char* cursor) {
    if (std::strncmp(cursor, "goto", 4) == 0)
        compile_stop_goto(f, cursor);
    else
        compile_stop(f, cursor);
}

// "goto" is its own clause: the keyword is the clause's "goto".
void dispatch_goto(instruction_frame& f, const char*) { compile_goto(f, f.working); }

using family_function = void (*)(instruction_frame& f, const char* cursor);

struct keyword_entry {
    const char* word;
    family_function compile;
};

// Alphabetical, as the language defines it: a keyword's code is its place
// in the table, from 1.
constexpr keyword_entry instruction_keywords[] = {
    {"cancel", compile_cancel},   {"clear", compile_clear},     {"count", compile_count},
    {"delay", compile_delay},     {"disable", compile_disable}, {"do", compile_do},
    {"done", compile_done},       {"enable", compile_enable},   {"goto", dispatch_goto},
    {"if", compile_if},           {"monitor", compile_monitor}, {"profile", compile_profile},
    {"reset", compile_reset},     {"rotate", compile_rotate},   {"search", compile_search},
    {"set", compile_set},         {"shift", compile_shift},     {"start", compile_start},
    {"stop", dispatch_stop},      {"store", compile_store},     {"testandset", compile_testandset},
    {"turn", compile_turn},       {"zero", compile_zero},
};
constexpr int KEYWORDS = sizeof instruction_keywords / sizeof instruction_keywords[0];
static_assert(KEYWORDS == 23, "the language has 23 instruction keywords");

constexpr bool syntax_follows_keywords() {
    if (sizeof INSTRUCTION_SYNTAX / sizeof INSTRUCTION_SYNTAX[0] != KEYWORDS) return false;
    for (int i = 0; i < KEYWORDS; ++i)
        if (std::string_view(INSTRUCTION_SYNTAX[i].keyword) != instruction_keywords[i].word) return false;
    return true;
}
static_assert(syntax_follows_keywords(), "one row of syntax for each keyword, in the same order");

bool is_ascii_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The place of the operand at `at`: from the start of the working text to
// the next blank, as far as the word goes. Anything outside the working
// text (a copy of a word) is no place of its own: the instruction is.
message_place operand_place(const instruction_frame& f, const char* at) {
    std::size_t size = std::strlen(f.working);
    if (!at || at < f.working || at >= f.working + size) return {};
    const char* end = at;
    while (*end != '\0' && *end != ' ' && *end != '\t') ++end;
    return at_operand(static_cast<uint32_t>(at - f.working), static_cast<uint32_t>(end - at));
}

}  // namespace

void instruction_frame::append(uint8_t byte) { append_to(build, byte); }

void instruction_frame::withdraw() {
    // Byte 1 is the output-change count, never a family's to take back.
    if (build.write_position > 1) --build.write_position;
}

void report(instruction_frame& f, const char* format, ...) {
    pass_message_barrier(f.build);
    va_list args;
    va_start(args, format);
    vreport_step_error(f.build, message_place{}, f.text, format, args);
    va_end(args);
}

void report_at(instruction_frame& f, const char* at, const char* format, ...) {
    pass_message_barrier(f.build);
    va_list args;
    va_start(args, format);
    vreport_step_error(f.build, operand_place(f, at), f.text, format, args);
    va_end(args);
}

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

int find_keyword(const char* word) {
    if (!word) return 0;
    for (int i = 0; i < KEYWORDS; ++i) {
        const char* k = instruction_keywords[i].word;
        if (k[0] == word[0] && std::strcmp(k, word) == 0) return i + 1;
    }
    return 0;
}

void compile_instruction(build_context& build, const char* text) {
    if (!text) return;
    std::string& working = build.working;
    working.assign(text);
    for (char& c : working)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    working += ' ';

    std::size_t keyword_length = 0;
    while (is_ascii_letter(working[keyword_length])) ++keyword_length;
    std::string keyword = working.substr(0, keyword_length);
    instruction_frame f{build, text, working.c_str()};
    const char* cursor = next_token(working.c_str() + keyword_length);

    int code = find_keyword(keyword.c_str());
    if (code == 0) {
        report(f, "Unrecognized instruction (%d):  \"%s\".", code, keyword.c_str());
        return;
    }
    instruction_keywords[code - 1].compile(f, cursor);
}

const uint8_t* compile_step(build_context& build, list_node* step_node) {
    if (is_end(step_node)) return nullptr;
    // The goto index follows the walk: a step that does not continue it
    // (a changed program) starts a fresh one.
    note_step_compiled(build, step_node);
    graph_note_step(build, step_node);
    if (is_empty_step(step_node)) return nullptr;

    const step* s = step_of(step_node);
    current_step = step_node;
    current_instruction = &end_marker;
    do_done_mark = false;
    uint8_t* code = build.step_code;
    build.write_position = 1;
    code[1] = 0;

    const bool wide = wide_numbering();
    for (list_node* n = s->output_changes; !is_end(n); n = n->next) {
        int32_t value = output_change_of(n)->value;
        if (value == 0) {
            build.write_position = 1;
            code[1] = opcode::OUTPUTS_ALL_OFF;
            record_usage(KIND_DIGITAL_OUTPUT, 0, current_step, current_instruction);
            break;
        }
        record_usage(KIND_DIGITAL_OUTPUT, value, current_step, current_instruction);
        // An output the numbering cannot hold would wrap into another
        // output's bits and switch the wrong one.
        if (value < -digital_limit() || value > digital_limit()) {
            report_step_error(build, at_output(value), nullptr, "IXO K400 VEP supports only digital outputs 1-%d.",
                              static_cast<int>(digital_limit()));
            continue;
        }
        ++code[1];
        bool on = value > 0;
        uint32_t index = static_cast<uint32_t>((on ? static_cast<int64_t>(value) : -static_cast<int64_t>(value)) - 1);
        uint16_t word = marked_index(index, on, wide);
        append_to(build, static_cast<uint8_t>(word & 0xFF));
        if (wide) append_to(build, static_cast<uint8_t>(word >> 8));
    }

    if (is_end(s->instructions)) {
        report_step_error(build, {}, nullptr, "This step contains no instructions.");
        return nullptr;
    }

    for (list_node* n = s->instructions; !is_end(n); n = n->next) {
        current_instruction = n;
        const int begin = build.write_position;
        const int32_t errors_before = error_count;
        compile_instruction(build, instruction_of(n)->text);
        graph_note_instruction(build, n, begin, build.write_position, error_count != errors_before);
        if (build.symbols) {
            // The bytes that will stay: an over-long step is cut at 255.
            int end = std::min(build.write_position, STEP_CODE_MAX);
            std::size_t length = end > begin ? static_cast<std::size_t>(end - begin) : 0;
            note_instruction_code(build, n, code + begin + 1, length);
        }
        if (do_done_mark && (!is_end(n->prev) || !is_end(n->next)))
            report_step_error(build, {}, nullptr, "The \"do\" and \"done\" instructions require a step of their own.");
    }

    if (build.write_position > STEP_CODE_MAX) {
        report_step_error(build, {}, nullptr, "Step#%d too long (truncated to 255 bytes).", static_cast<int>(s->number));
        build.write_position = STEP_CODE_MAX;
    }
    code[0] = static_cast<uint8_t>(build.write_position);
    graph_note_code(build, code);
    return code;
}

}  // namespace px
