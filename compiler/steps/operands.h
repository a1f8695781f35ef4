// Resource operands and data sources: registers, counters, data table
// columns, prototype boards, analog inputs and outputs, thumbwheels,
// displays, servo positions and literals, and the element list of "monitor".
// Their codes are laid out in steps/operand_table.h.
#pragma once

#include <cstdint>

#include "steps/frame.h"
#include "steps/operand_table.h"

namespace px {

// An operand code: byte 0 is the number of code bytes (1, 3 or 5; 0 after a
// failure), the code bytes follow. The longest takes 6 bytes.
struct operand_code {
    uint8_t bytes[8];
    int length() const { return bytes[0]; }
    const uint8_t* code() const { return bytes + 1; }
};

// Each returns its buffer holding the code, or nullptr when nothing was
// recognised or the operand failed (or there is no buffer). A failure is
// reported at the operand. parse_data_source alone returns the code with
// length 0 for a recognised form that failed.
const operand_code* parse_data_source(instruction_frame& f, const char* operand, operand_code* buffer);
const operand_code* parse_source(instruction_frame& f, const char* operand, operand_code* buffer);
const operand_code* parse_destination(instruction_frame& f, const char* operand, operand_code* buffer);

// The monitor expression: elements in postfix order. The cursor is read and
// advanced; the input mask marks the digital-input elements.
struct monitor_reading {
    const char* cursor;
    uint16_t input_mask;
};
int parse_monitor_list(instruction_frame& f, monitor_reading& reading, uint16_t* elements, int index, int room);

}  // namespace px
