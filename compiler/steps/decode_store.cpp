// "store" read back: a copy, or two sources and one of fourteen operators,
// into a destination. The length class in the opcode must agree with the
// operands' lengths.
#include <string>

#include "steps/decode_families.h"
#include "steps/store_table.h"

namespace px {

namespace {

bool decode_store(code_reader& r, uint8_t op, std::string& text) {
    bool copy = op >= opcode::STORE_COPY;
    int j = op - (copy ? opcode::STORE_COPY : opcode::STORE_OPERATOR);
    uint8_t operation = 0;
    const char* spelling = nullptr;
    if (!copy) {
        if (!r.take(operation)) return false;
        spelling = store_operator_spelling(operation);
        if (!spelling) return r.refuse("store operator " + hex_byte(operation) + " is unknown");
    }
    std::string first, second, destination;
    int first_length = 0, second_length = 0, destination_length = 0;
    if (!read_operand(r, operand_use::source, first, first_length)) return false;
    if (!copy && !read_operand(r, operand_use::source, second, second_length)) return false;
    if (!read_operand(r, operand_use::destination, destination, destination_length)) return false;
    int expected = copy ? copy_class(first_length, destination_length)
                        : operator_class(first_length, second_length, destination_length);
    if (expected != j) return r.refuse("store length class " + std::to_string(j) + " disagrees with its operands");
    text = "store " + first;
    if (!copy) text += std::string(" ") + spelling + " " + second;
    text += " to " + destination;
    return true;
}

}  // namespace

void add_store_decoders(decoder_table& table) {
    for (int j = 0; j < COPY_CLASSES; ++j) table.add(static_cast<uint8_t>(opcode::STORE_COPY + j), decode_store);
    for (int j = 0; j < OPERATOR_CLASSES; ++j)
        table.add(static_cast<uint8_t>(opcode::STORE_OPERATOR + j), decode_store);
}

}  // namespace px
