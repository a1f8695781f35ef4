// Flow and timing read back: "goto", "stop goto", "do", "done", "cancel
// other tasks" and the three forms of "delay", by the rows the families
// write them from (steps/flow_table.h).
#include <string>

#include "steps/decode_families.h"
#include "steps/flow_table.h"

namespace px {

namespace {

bool decode_goto(code_reader& r, uint8_t op, std::string& text) {
    std::string dest;
    if (!r.destination(op, dest)) return false;
    r.instruction->effect = decoded_instruction::flow::chooses;
    text = "goto " + dest;
    return true;
}

bool decode_stop_goto(code_reader& r, uint8_t op, std::string& text) {
    std::string dest;
    if (!r.destination(op, dest)) return false;
    text = "stop goto " + dest;
    return true;
}

bool decode_done(code_reader& r, uint8_t, std::string& text) {
    r.instruction->effect = decoded_instruction::flow::ends_task;
    text = "done";
    return true;
}

bool decode_cancel(code_reader&, uint8_t, std::string& text) {
    text = std::string("cancel ") + CANCEL_WORDS;
    return true;
}

bool decode_do(code_reader& r, uint8_t op, std::string& text) {
    int tasks = (op & DO_COUNT_BITS) + 1;
    uint8_t repeat = 0;
    if (!r.take(repeat)) return false;
    if (repeat < opcode::DO_REPEAT + DO_ONCE || repeat > opcode::DO_REPEAT + MAX_REPEAT)
        return r.refuse("repeat byte " + hex_byte(repeat) + " is not 1 to 99 times");
    std::string dest;
    if (!r.destination(op, dest)) return false;
    std::string list;
    for (int i = 0; i < tasks; ++i) {
        std::string task;
        if (!r.step_index(task)) return false;
        list += (i ? " " : "") + task;
    }
    r.instruction->effect = decoded_instruction::flow::waits;
    text = "do (" + list + ")";
    if (repeat != opcode::DO_REPEAT + DO_ONCE)
        (text += ' ') += std::to_string(repeat - opcode::DO_REPEAT) + " " + DO_REPEAT_WORD;
    text += " goto " + dest;
    return true;
}

bool decode_delay(code_reader& r, uint8_t op, std::string& text) {
    int unit = delay_unit_index(op);  // the dispatch admits the rows only
    std::string dest;
    if (!r.destination(op, dest)) return false;
    uint8_t form = op & DELAY_FORM_BITS;
    if (form == opcode::DELAY_TWHL) {
        const numbered_form& wheel = source_form_of_kind(KIND_THUMBWHEEL);
        uint8_t code = 0;
        if (!r.take(code)) return false;
        if (code < opcode::THUMBWHEEL || code >= opcode::THUMBWHEEL + wheel.high)
            return r.refuse("delay thumbwheel byte " + hex_byte(code) + " is no thumbwheel");
        text = std::string("delay ") + wheel.word + "#" + std::to_string(code - opcode::THUMBWHEEL + 1) + " " +
               DELAY_UNITS[unit].format;
    } else if (form == opcode::DELAY_LITERAL) {
        uint8_t a = 0, b = 0;
        if (!r.take(a) || !r.take(b)) return false;
        // The finer value of a pair is never 0 but in hours and minutes,
        // which are not both 0: the compiler chose the pair by it.
        const delay_literal_unit& coarse = DELAY_LITERAL_UNITS[unit];
        const delay_literal_unit& fine = DELAY_LITERAL_UNITS[unit + 1];
        if (b == 0 && (unit != PAIR_HOURS_MINUTES || a == 0))
            return r.refuse("delay of " + std::to_string(a) + " and 0");
        text = "delay";
        if (a != 0) (text += ' ') += std::to_string(a) + " " + coarse.word;
        if (b != 0) (text += ' ') += std::to_string(b * fine.written_per_unit) + " " + fine.word;
    } else {
        std::size_t at = r.pos;
        if (at < r.size && r.code[at] >= DELAY_SOURCE_END) {
            r.take(form);
            return r.refuse("delay source " + hex_byte(form) + " is not one byte");
        }
        std::string source;
        int length = 0;
        if (!read_operand(r, operand_use::source, source, length)) return false;
        text = "delay " + source + " " + DELAY_UNITS[unit].source_unit;
    }
    r.instruction->effect = decoded_instruction::flow::waits;
    text += " goto " + dest;
    return true;
}

}  // namespace

void add_flow_decoders(decoder_table& table) {
    using namespace opcode;
    for (uint8_t form : {uint8_t{0}, STEP_FORM}) {
        table.add(GOTO | form, decode_goto);
        table.add(STOP_GOTO | form, decode_stop_goto);
        for (int count = 0; count < MAX_TASKS; ++count)
            table.add(static_cast<uint8_t>((DO | form) + count), decode_do, true);
        for (uint8_t delay : {DELAY_TWHL, DELAY_LITERAL, DELAY_SOURCE})
            for (const delay_unit& unit : DELAY_UNITS) table.add(delay | unit.field | form, decode_delay);
    }
    // Neither takes a goto clause; the step form of one is the other.
    table.add(DONE, decode_done, true);
    table.add(CANCEL, decode_cancel);
}

}  // namespace px
