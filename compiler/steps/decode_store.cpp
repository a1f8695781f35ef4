// "store" read back: a copy, or two sources and one of fourteen operators,
// into a destination. j in the opcode must agree with the operands' lengths.
#include <string>

#include "steps/decode_families.h"

namespace px {

namespace {

// By operator code; each spelling selects its code in the compiler.
const char* const store_operators[] = {"+",   "-",    "*",    "/",      "and", "or",  "xor",
                                       "nand", "nor", "nxor", "andnot", "mod", "ror", "rol"};
constexpr int OPERATOR_COUNT = sizeof store_operators / sizeof store_operators[0];

bool decode_store(code_reader& r, uint8_t op, std::string& text) {
    bool copy = (op & 0xF8) == opcode::STORE_COPY;
    int j = op & 0x07;
    uint8_t operation = 0;
    if (!copy) {
        if (!r.take(operation)) return false;
        if (operation >= OPERATOR_COUNT) return r.refuse("store operator " + hex_byte(operation) + " is unknown");
    }
    std::string first, second, destination;
    int first_length = 0, second_length = 0, destination_length = 0;
    if (!read_operand(r, operand_use::source, first, first_length)) return false;
    if (!copy && !read_operand(r, operand_use::source, second, second_length)) return false;
    if (!read_operand(r, operand_use::destination, destination, destination_length)) return false;
    int expected = copy ? (first_length + destination_length + 1) / 2 - 1
                        : (first_length + second_length + destination_length - 1) / 2 - 1;
    if (expected != j) return r.refuse("store length class " + std::to_string(j) + " disagrees with its operands");
    text = "store " + first;
    if (!copy) text += std::string(" ") + store_operators[operation] + " " + second;
    text += " to " + destination;
    return true;
}

}  // namespace

void add_store_decoders(decoder_table& table) {
    for (uint8_t j = 0; j <= 3; ++j) table.add(static_cast<uint8_t>(opcode::STORE_COPY + j), decode_store);
    for (uint8_t j = 0; j <= 5; ++j) table.add(static_cast<uint8_t>(opcode::STORE_OPERATOR + j), decode_store);
}

}  // namespace px
