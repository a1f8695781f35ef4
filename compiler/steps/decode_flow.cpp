// Flow and timing read back: "goto", "stop goto", "do", "done", "cancel
// other tasks" and the three forms of "delay".
#include <string>

#include "steps/decode_families.h"

namespace px {

namespace {

constexpr uint8_t FORM_BITS = 0x07;
constexpr uint8_t UNIT_BITS = 0x18;
constexpr int MAX_REPEAT = 99;

bool decode_goto(code_reader& r, uint8_t op, std::string& text) {
    std::string dest;
    if (!r.destination(op, dest)) return false;
    text = "goto " + dest;
    return true;
}

bool decode_stop_goto(code_reader& r, uint8_t op, std::string& text) {
    std::string dest;
    if (!r.destination(op, dest)) return false;
    text = "stop goto " + dest;
    return true;
}

bool decode_done(code_reader&, uint8_t, std::string& text) {
    text = "done";
    return true;
}

bool decode_cancel(code_reader&, uint8_t, std::string& text) {
    text = "cancel other tasks";
    return true;
}

bool decode_do(code_reader& r, uint8_t op, std::string& text) {
    int tasks = (op & FORM_BITS) + 1;
    uint8_t repeat = 0;
    if (!r.take(repeat)) return false;
    if (repeat <= opcode::DO_REPEAT || repeat > opcode::DO_REPEAT + MAX_REPEAT)
        return r.refuse("repeat byte " + hex_byte(repeat) + " is not 1 to 99 times");
    std::string dest;
    if (!r.destination(op, dest)) return false;
    std::string list;
    for (int i = 0; i < tasks; ++i) {
        std::string task;
        if (!r.step_index(task)) return false;
        list += (i ? " " : "") + task;
    }
    text = "do (" + list + ")";
    if (repeat != opcode::DO_REPEAT + 1) (text += ' ') += std::to_string(repeat - opcode::DO_REPEAT) + " times";
    text += " goto " + dest;
    return true;
}

const char* const thumbwheel_formats[] = {"hhmm", "mmss", "ssff"};
const char* const source_units[] = {"min", "sec", "sec/100"};

bool decode_delay(code_reader& r, uint8_t op, std::string& text) {
    int unit = (op & UNIT_BITS) >> 3;  // the dispatch admits 0 to 2 only
    std::string dest;
    if (!r.destination(op, dest)) return false;
    uint8_t form = op & FORM_BITS;
    if (form == opcode::DELAY_TWHL) {
        uint8_t wheel = 0;
        if (!r.take(wheel)) return false;
        if (wheel < opcode::THUMBWHEEL || wheel >= opcode::LITERAL_16)
            return r.refuse("delay thumbwheel byte " + hex_byte(wheel) + " is no thumbwheel");
        text = "delay twhl#" + std::to_string(wheel - opcode::THUMBWHEEL + 1) + " " + thumbwheel_formats[unit];
    } else if (form == opcode::DELAY_LITERAL) {
        uint8_t a = 0, b = 0;
        if (!r.take(a) || !r.take(b)) return false;
        // The finer value of a pair is never 0 but in hours and minutes,
        // which are not both 0: the compiler chose the pair by it.
        static const char* const words[][2] = {{"hr", "min"}, {"min", "sec"}, {"sec", "ms"}};
        if (b == 0 && (unit != 0 || a == 0)) return r.refuse("delay of " + std::to_string(a) + " and 0");
        text = "delay";
        if (a != 0) (text += ' ') += std::to_string(a) + " " + words[unit][0];
        if (b != 0) (text += ' ') += std::to_string(unit == 2 ? b * 10 : b) + " " + words[unit][1];
    } else {
        std::size_t at = r.pos;
        if (at < r.size && r.code[at] >= opcode::THUMBWHEEL) {
            r.take(form);
            return r.refuse("delay source " + hex_byte(form) + " is not one byte");
        }
        std::string source;
        int length = 0;
        if (!read_operand(r, operand_use::source, source, length)) return false;
        text = "delay " + source + " " + source_units[unit];
    }
    text += " goto " + dest;
    return true;
}

}  // namespace

void add_flow_decoders(decoder_table& table) {
    using namespace opcode;
    table.add(GOTO, decode_goto);
    table.add(GOTO | STEP_FORM, decode_goto);
    table.add(STOP_GOTO, decode_stop_goto);
    table.add(STOP_GOTO | STEP_FORM, decode_stop_goto);
    table.add(DONE, decode_done, true);
    table.add(CANCEL, decode_cancel);
    for (uint8_t count = 0; count < 8; ++count) {
        table.add(static_cast<uint8_t>(DO + count), decode_do, true);
        table.add(static_cast<uint8_t>((DO | STEP_FORM) + count), decode_do, true);
    }
    for (uint8_t form : {DELAY_TWHL, DELAY_LITERAL, DELAY_SOURCE})
        for (uint8_t unit : {DELAY_HOURS_MINUTES, DELAY_MINUTES_SECONDS, DELAY_SECONDS_HUNDREDTHS}) {
            table.add(static_cast<uint8_t>(form | unit), decode_delay);
            table.add(static_cast<uint8_t>(form | unit | STEP_FORM), decode_delay);
        }
}

}  // namespace px
