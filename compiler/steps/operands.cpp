#include "steps/operands.h"

namespace px {
const char* monitor_cursor = nullptr;
uint16_t monitor_input_mask = 0;
const operand_code* parse_data_source(const char*, const char*, operand_code*) { return nullptr; }
const operand_code* parse_source(const char*, const char*, operand_code*) { return nullptr; }
const operand_code* parse_destination(const char*, const char*, operand_code*) { return nullptr; }
int parse_monitor_list(const char*, uint16_t*, int, int) { return -1; }
}  // namespace px
