// The resource cross-reference map (".xrf"): every use of a controller
// resource, by kind and number, with the steps and instructions that use it.
#pragma once

#include <cstdint>

#include "driver/model.h"

namespace px {

// Resource kinds, numbered like the rows of the configuration table. Only
// kinds 6 to 19 are recorded.
enum resource_kind {
    KIND_ANALOG_INPUT = 6,
    KIND_ANALOG_OUTPUT = 7,
    KIND_STEPPER_MOTOR = 8,
    KIND_SERVO = 9,
    KIND_PROTOTYPE_BOARD = 10,
    KIND_HIGH_SPEED_COUNTER = 11,
    KIND_THUMBWHEEL = 12,
    KIND_DIGITAL_DISPLAY = 13,
    KIND_DIGITAL_INPUT = 14,
    KIND_DIGITAL_OUTPUT = 15,
    KIND_DATA_TABLE_COLUMN = 16,
    KIND_FLAG = 17,
    KIND_COUNTER = 18,
    KIND_REGISTER = 19,
    KIND_COUNT = 20
};

void clear_usage();
// One use of resource number of kind by step and instruction (or the end
// marker). Kind 15 takes output changes: +n on, -n off, 0 all off.
void record_usage(int kind, int32_t number, list_node* step_node, list_node* instruction_node);
// The map's name of a kind ("Register"), or "" for one out of range.
const char* resource_kind_name(int kind);
// 1 on success, 0 on failure (logged).
int write_cross_reference_map(build_context& build, const char* file_name);

}  // namespace px
