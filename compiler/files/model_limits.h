// What the step compiler reads of the selected controller model: the width
// of step and input numbers, the highest digital input or output, and the
// step count. The configuration sets it by applying a model.
#pragma once

#include <cstdint>

namespace px {

// Model state, set only by applying a model.
extern int model_code;
extern bool reduced_memory;

// 256, 1024, 1280 or 4096 by model code.
int32_t max_steps_for_code(int code);
inline int32_t max_steps() { return max_steps_for_code(model_code); }
// Every model code but 0 numbers inputs, outputs and steps in two bytes.
inline bool wide_numbering() { return model_code != 0; }
// Highest digital input or output number the compiler accepts.
inline int32_t digital_limit() { return wide_numbering() ? 1024 : 128; }

}  // namespace px
