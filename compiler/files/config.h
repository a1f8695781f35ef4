// Controller models and the twenty configuration parameters of a program's
// ".fig" file. Both are library-wide and outlive a build.
#pragma once

#include <cstdint>

#include "files/model_limits.h"

namespace px {

struct build_context;  // driver/build_context.h

// Rows of the parameter table, in file order. The cross-reference map's
// resource kinds are numbered the same way.
enum param_row {
    PARAM_NETWORK_NODE = 0,
    PARAM_CONTROLLER_MODEL,
    PARAM_START_ON_INPUT1,
    PARAM_STOP_ON_INPUT2,
    PARAM_RESET_ON_INPUT3,
    PARAM_STEP_ON_INPUT4,
    PARAM_ANALOG_INPUTS,
    PARAM_ANALOG_OUTPUTS,
    PARAM_STEPPER_MOTORS,
    PARAM_SERVOS,
    PARAM_PROTOTYPE_BOARDS,
    PARAM_HIGHSPEED_CTRS,
    PARAM_THUMBWHEELS,
    PARAM_DIGITAL_DISPLAYS,
    PARAM_DIGITAL_INPUTS,
    PARAM_DIGITAL_OUTPUTS,
    PARAM_STEPS,
    PARAM_FLAGS,
    PARAM_COUNTERS,
    PARAM_REGISTERS,
    PARAM_COUNT
};

enum value_type { VALUE_INTEGER, VALUE_UNSIGNED, VALUE_YES_NO, VALUE_MODEL };

struct config_param {
    const char* keyword;  // with blanks; written with '_' for each blank
    value_type type;
    int32_t value;        // integer and yes/no rows
    uint32_t uvalue;      // the unsigned row
    char model[9];        // the model row: at most 8 characters
    bool has_model;       // false: no model value ("<null>")
};

extern config_param config_params[PARAM_COUNT];

struct model_row {
    const char* name;
    int code;
    bool reduced_memory;
    int32_t steps;
    int32_t digital_cap;
};
constexpr int MODEL_COUNT = 17;
extern const model_row model_table[MODEL_COUNT];

// Numeric value of a row (the unsigned row as its value).
int64_t param_value(param_row row);
void set_param_value(param_row row, int64_t value);

// The row whose name matches name without regard to case, or nullptr.
const model_row* find_model(const char* name);
// Sets the model's code, reduced-memory flag, "steps", "flags", "counters",
// "registers" and the digital caps. The model value is left as it is.
void apply_model(const model_row& row);
// What a configuration file's model does: the model value becomes the row's
// name, then the row is applied.
void select_model(const model_row& row);

// 0 on success, 1 on failure (nothing changed).
int read_configuration(build_context& build, const char* name);
int save_configuration(build_context& build, const char* name);

}  // namespace px
