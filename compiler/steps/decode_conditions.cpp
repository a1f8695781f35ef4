// Conditions read back: "if", "monitor" of one resource or of an
// expression, and "testandset", by the rows the families write them from
// (steps/condition_table.h, the expression's elements steps/operand_table.h).
#include <string>
#include <vector>

#include "files/model_limits.h"
#include "steps/condition_table.h"
#include "steps/decode_families.h"

namespace px {

namespace {

bool decode_if(code_reader& r, uint8_t op, std::string& text) {
    int k = (op & ~opcode::STEP_FORM) - opcode::IF;
    uint8_t comparison = 0;
    if (!r.take(comparison)) return false;
    const char* spelling = comparison_spelling(comparison);
    if (!spelling) return r.refuse("comparison " + hex_byte(comparison) + " is unknown");
    std::string dest, first, second;
    int first_length = 0, second_length = 0;
    if (!r.destination(op, dest)) return false;
    if (!read_operand(r, operand_use::source, first, first_length)) return false;
    if (!read_operand(r, operand_use::source, second, second_length)) return false;
    if (if_class(first_length, second_length) != k)
        return r.refuse("\"if\" length class " + std::to_string(k) + " disagrees with its operands");
    r.instruction->effect = decoded_instruction::flow::chooses;
    text = "if " + first + " " + spelling + " " + second + " goto " + dest;
    return true;
}

// "word#n", and its state as written after it.
std::string watched(const watch_form& form, int32_t number, int state) {
    return std::string(form.word) + "#" + std::to_string(number) + (form.qualified ? ":" : "") + form.states[state];
}

bool decode_flag_test(code_reader& r, uint8_t op, std::string& text) {
    uint8_t flag = 0;
    if (!r.take(flag)) return false;
    const watch_form& form = watch_of_kind(KIND_FLAG);
    int32_t number = (flag & FLAG_TEST_NUMBER_BITS) + 1;
    uint8_t condition = flag & FLAG_TEST_CONDITION_BITS;
    if (condition == form.operand_bits[0] || condition == form.operand_bits[1]) {
        text = "monitor " + watched(form, number, condition == form.operand_bits[0] ? 0 : 1);
        r.instruction->effect = decoded_instruction::flow::chooses;
    } else if (condition == FLAG_TEST_AND_SET)
        text = std::string("testandset ") + form.word + "#" + std::to_string(number);
    else
        return r.refuse("flag test byte " + hex_byte(flag) + " has no single condition");
    std::string dest;
    if (!r.destination(op, dest)) return false;
    text += " goto " + dest;
    return true;
}

// A digital input with its type: a number of the numbering switch, the
// first type marked.
bool read_input(code_reader& r, std::string& text) {
    uint8_t low = 0, high = 0;
    if (!r.take(low)) return false;
    if (r.wide && !r.take(high)) return false;
    const uint16_t mark = number_mark(r.wide);
    uint16_t word = static_cast<uint16_t>(low | high << 8);
    int32_t index = word & ~mark;
    const int32_t limit = digital_limit_of(r.wide);
    if (index >= limit) return r.refuse("input " + std::to_string(index + 1) + " is beyond " + std::to_string(limit));
    text = watched(watch_of_kind(KIND_DIGITAL_INPUT), index + 1, (word & mark) ? 0 : 1);
    return true;
}

bool decode_monitor_input(code_reader& r, uint8_t op, std::string& text) {
    std::string dest, input;
    if (!r.destination(op, dest) || !read_input(r, input)) return false;
    r.instruction->effect = decoded_instruction::flow::chooses;
    text = "monitor " + input + " goto " + dest;
    return true;
}

bool decode_monitor_motion(code_reader& r, uint8_t op, std::string& text) {
    int state = 0;
    const watch_form& form = *watch_of(op, &state);
    uint8_t number = 0;
    if (!r.take(number)) return false;
    if (number >= form.high)
        return r.refuse("motor or servo " + std::to_string(number + 1) + " is beyond " + std::to_string(form.high));
    std::string dest;
    if (!r.destination(op, dest)) return false;
    r.instruction->effect = decoded_instruction::flow::chooses;
    text = "monitor " + watched(form, number + 1, state) + " goto " + dest;
    return true;
}

// One element that is not an input: a flag, motor or servo in one of its
// two states, each in a run of its own.
std::string watched_element(uint8_t element) {
    for (const monitor_form& form : MONITOR_FORMS)
        for (int state = 0; state < 2; ++state)
            if (element >= form.bases[state] && element < form.bases[state] + form.high)
                return std::string(form.word) + "#" + std::to_string(element - form.bases[state] + 1) + ":" +
                       form.states[state];
    return {};  // every byte below the operators is one of them
}

// The word of an operator element, or nullptr.
const char* operator_word(uint8_t element) {
    for (const monitor_operator& op : MONITOR_OPERATORS)
        if ((element & (MONITOR_OPERATOR | MONITOR_KIND_BITS)) == op.kind) return op.word;
    return nullptr;
}

// Rebuilds the nested lists from the postfix elements: each operator takes
// the lists and elements before it as its operands.
bool expression_text(code_reader& r, const std::vector<std::string>& inputs, const std::vector<uint8_t>& elements,
                     uint16_t mask, std::size_t start, std::string& text) {
    std::vector<std::string> stack;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (mask & (1u << i)) {
            stack.push_back(inputs[i]);
            continue;
        }
        uint8_t element = elements[i];
        if (!(element & MONITOR_OPERATOR)) {
            stack.push_back(watched_element(element));
            continue;
        }
        const char* word = operator_word(element);
        std::size_t operands = element & MONITOR_OPERAND_BITS;
        if (!word || operands < MONITOR_LEAST_OPERANDS || operands > stack.size())
            return r.refuse_at(start, "monitor operator " + hex_byte(element) + " cannot take its operands");
        std::string list = std::string("(") + (element & MONITOR_NEGATED ? "n" : "") + word;
        for (std::size_t k = stack.size() - operands; k < stack.size(); ++k) list += " " + stack[k];
        stack.resize(stack.size() - operands);
        stack.push_back(list + ")");
    }
    if (stack.size() != 1 || elements.empty() || !(elements.back() & MONITOR_OPERATOR) ||
        (mask >> (elements.size() - 1)) & 1)
        return r.refuse_at(start, "monitor elements do not form one list");
    text = stack.back();
    return true;
}

// Opcode, L, the destination, the input mask, then the elements. L counts
// it all.
bool decode_monitor_expression(code_reader& r, uint8_t op, std::string& text) {
    std::size_t start = r.pos - 1;
    uint8_t length = 0;
    if (!r.take(length)) return false;
    std::string dest;
    if (!r.destination(op, dest)) return false;
    std::size_t end = start + length;
    if (end > r.size) return r.refuse_at(r.size, "the monitor expression runs past the end of the step");
    std::size_t after_dest = r.pos;
    // The mask takes one byte or two, by the count of elements: try both.
    for (int mask_bytes = monitor_mask_bytes(1); mask_bytes <= monitor_mask_bytes(MONITOR_ELEMENTS); ++mask_bytes) {
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
        int count = static_cast<int>(elements.size());
        bool whole = read && trial.pos == end && monitor_mask_bytes(count) == mask_bytes;
        if (!whole || count < MONITOR_LEAST_OPERANDS + 1 || (mask >> count) != 0)
            continue;
        r.pos = end;
        r.last = end - 1;
        std::string expression;
        if (!expression_text(r, inputs, elements, mask, start, expression)) return false;
        r.instruction->effect = decoded_instruction::flow::chooses;
        text = "monitor " + expression + " goto " + dest;
        return true;
    }
    return r.refuse_at(start, "monitor expression of " + std::to_string(length) + " bytes does not read back");
}

instruction_decoder watch_decoder(watch_operand operand) {
    switch (operand) {
    case watch_operand::flag_test: return decode_flag_test;
    case watch_operand::input: return decode_monitor_input;
    case watch_operand::number: return decode_monitor_motion;
    }
    return nullptr;
}

}  // namespace

void add_condition_decoders(decoder_table& table) {
    using namespace opcode;
    for (uint8_t form : {uint8_t{0}, STEP_FORM}) {
        for (int k = 0; k < IF_CLASSES; ++k) table.add(static_cast<uint8_t>((IF | form) + k), decode_if);
        table.add(MONITOR_EXPRESSION | form, decode_monitor_expression);
        for (const watch_form& watch : WATCH_FORMS) {
            table.add(watch.opcode | watch.opcode_bits[0] | form, watch_decoder(watch.operand));
            if (watch.opcode_bits[1] != watch.opcode_bits[0])
                table.add(watch.opcode | watch.opcode_bits[1] | form, watch_decoder(watch.operand));
        }
    }
}

}  // namespace px
