// Conditions read back: "if", "monitor" of one resource or of an
// expression, and "testandset".
#include <string>
#include <vector>

#include "steps/decode_families.h"

namespace px {

namespace {

constexpr int MONITOR_ELEMENTS = 16;
constexpr int32_t WIDE_INPUTS = 1024;

const char* const comparisons[] = {"=", "<>", ">", ">=", "<", "<="};

bool decode_if(code_reader& r, uint8_t op, std::string& text) {
    int k = op & 0x07;
    uint8_t comparison = 0;
    if (!r.take(comparison)) return false;
    if (comparison > 5) return r.refuse("comparison " + hex_byte(comparison) + " is unknown");
    std::string dest, first, second;
    int first_length = 0, second_length = 0;
    if (!r.destination(op, dest)) return false;
    if (!read_operand(r, operand_use::source, first, first_length)) return false;
    if (!read_operand(r, operand_use::source, second, second_length)) return false;
    if ((first_length + second_length) / 2 - 1 != k)
        return r.refuse("\"if\" length class " + std::to_string(k) + " disagrees with its operands");
    text = "if " + first + " " + comparisons[comparison] + " " + second + " goto " + dest;
    return true;
}

bool decode_flag_test(code_reader& r, uint8_t op, std::string& text) {
    uint8_t flag = 0;
    if (!r.take(flag)) return false;
    std::string number = std::to_string((flag & 0x1F) + 1);
    switch (flag & 0xE0) {
        case 0x80: text = "monitor flag#" + number + ":set"; break;
        case 0x40: text = "monitor flag#" + number + ":clear"; break;
        case 0x20: text = "testandset flag#" + number; break;
        default: return r.refuse("flag test byte " + hex_byte(flag) + " has no single condition");
    }
    std::string dest;
    if (!r.destination(op, dest)) return false;
    text += " goto " + dest;
    return true;
}

// A digital input with its type: one byte (narrow) or two (wide), the type A
// mark in the top bit.
bool read_input(code_reader& r, std::string& text) {
    uint8_t low = 0, high = 0;
    if (!r.take(low)) return false;
    int32_t index;
    bool type_a;
    if (r.wide) {
        if (!r.take(high)) return false;
        type_a = (high & 0x80) != 0;
        index = low | (high & 0x7F) << 8;
        if (index >= WIDE_INPUTS) return r.refuse("input " + std::to_string(index + 1) + " is beyond 1024");
    } else {
        type_a = (low & 0x80) != 0;
        index = low & 0x7F;
    }
    text = "in#" + std::to_string(index + 1) + (type_a ? "a" : "b");
    return true;
}

bool decode_monitor_input(code_reader& r, uint8_t op, std::string& text) {
    std::string dest, input;
    if (!r.destination(op, dest) || !read_input(r, input)) return false;
    text = "monitor " + input + " goto " + dest;
    return true;
}

bool decode_monitor_motion(code_reader& r, uint8_t op, std::string& text) {
    uint8_t number = 0;
    if (!r.take(number)) return false;
    if (number > 15) return r.refuse("motor or servo " + std::to_string(number + 1) + " is beyond 16");
    bool motor = (op & 0x40) != 0;
    bool running = (op & opcode::RUNNING) != 0;
    std::string dest;
    if (!r.destination(op, dest)) return false;
    text = std::string("monitor ") + (motor ? "motor#" : "servo#") + std::to_string(number + 1) +
           (running ? ":running" : ":stopped") + " goto " + dest;
    return true;
}

// One element that is not an input: flags 40-7F (clear, set), motors 00-0F
// and 20-2F (stopped, running), servos 10-1F and 30-3F. Operators are 80 and up.
std::string watched_element(uint8_t element) {
    if (element >= 0x40) return "flag#" + std::to_string((element & 0x1F) + 1) + (element & 0x20 ? ":set" : ":clear");
    std::string state = element & 0x20 ? ":running" : ":stopped";
    return (element & 0x10 ? "servo#" : "motor#") + std::to_string((element & 0x0F) + 1) + state;
}

// Rebuilds the nested lists from the postfix elements: each operator takes
// the lists and elements before it as its operands.
bool expression_text(code_reader& r, const std::vector<std::string>& inputs, const std::vector<uint8_t>& elements,
                     uint16_t mask, std::size_t start, std::string& text) {
    static const char* const operators[] = {"and", "or", "xor"};
    std::vector<std::string> stack;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (mask & (1u << i)) {
            stack.push_back(inputs[i]);
            continue;
        }
        uint8_t element = elements[i];
        if (element < 0x80) {
            stack.push_back(watched_element(element));
            continue;
        }
        int kind = (element & 0x30) >> 4;
        std::size_t operands = element & 0x0F;
        if (kind == 3 || operands < 2 || operands > stack.size())
            return r.refuse_at(start, "monitor operator " + hex_byte(element) + " cannot take its operands");
        std::string list = std::string("(") + (element & 0x40 ? "n" : "") + operators[kind];
        for (std::size_t k = stack.size() - operands; k < stack.size(); ++k) list += " " + stack[k];
        stack.resize(stack.size() - operands);
        stack.push_back(list + ")");
    }
    if (stack.size() != 1 || elements.empty() || elements.back() < 0x80 || (mask >> (elements.size() - 1)) & 1)
        return r.refuse_at(start, "monitor elements do not form one list");
    text = stack.back();
    return true;
}

// Opcode, L, the destination, the input mask (a second byte past 8
// elements), then the elements, inputs in two bytes when wide. L counts it all.
bool decode_monitor_expression(code_reader& r, uint8_t op, std::string& text) {
    std::size_t start = r.pos - 1;
    uint8_t length = 0;
    if (!r.take(length)) return false;
    std::string dest;
    if (!r.destination(op, dest)) return false;
    std::size_t end = start + length;
    if (end > r.size) return r.refuse_at(r.size, "the monitor expression runs past the end of the step");
    std::size_t after_dest = r.pos;
    // The mask takes one byte up to 8 elements and two beyond: try both.
    for (int mask_bytes = 1; mask_bytes <= 2; ++mask_bytes) {
        code_reader trial = r;
        decoded_step scratch;
        trial.step = &scratch;
        trial.pos = after_dest;
        trial.size = end;
        uint8_t low = 0, high = 0;
        if (!trial.take(low) || (mask_bytes == 2 && !trial.take(high))) continue;
        uint16_t mask = static_cast<uint16_t>(low | high << 8);
        std::vector<uint8_t> elements;
        std::vector<std::string> inputs;
        bool read = true;
        while (read && trial.pos < end && elements.size() < MONITOR_ELEMENTS) {
            std::size_t i = elements.size();
            if (mask & (1u << i)) {
                std::string input;
                uint8_t first = trial.code[trial.pos];
                read = read_input(trial, input);
                elements.push_back(first);
                inputs.push_back(input);
            } else {
                uint8_t element = 0;
                read = trial.take(element);
                elements.push_back(element);
                inputs.emplace_back();
            }
        }
        std::size_t count = elements.size();
        if (!read || trial.pos != end || (count > 8) != (mask_bytes == 2) || count < 3 || (mask >> count) != 0)
            continue;
        r.pos = end;
        r.last = end - 1;
        std::string expression;
        if (!expression_text(r, inputs, elements, mask, start, expression)) return false;
        text = "monitor " + expression + " goto " + dest;
        return true;
    }
    return r.refuse_at(start, "monitor expression of " + std::to_string(length) + " bytes does not read back");
}

}  // namespace

void add_condition_decoders(decoder_table& table) {
    using namespace opcode;
    for (uint8_t k = 0; k <= 4; ++k) {
        table.add(static_cast<uint8_t>(IF + k), decode_if);
        table.add(static_cast<uint8_t>((IF | STEP_FORM) + k), decode_if);
    }
    for (uint8_t form : {uint8_t{0}, STEP_FORM}) {
        table.add(FLAG_TEST | form, decode_flag_test);
        table.add(MONITOR_INPUT | form, decode_monitor_input);
        table.add(MONITOR_EXPRESSION | form, decode_monitor_expression);
        for (uint8_t state : {uint8_t{0}, RUNNING}) {
            table.add(MONITOR_MOTOR | form | state, decode_monitor_motion);
            table.add(MONITOR_SERVO | form | state, decode_monitor_motion);
        }
    }
}

}  // namespace px

