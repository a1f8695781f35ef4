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
// Highest digital input or output number under each numbering.
constexpr int32_t NARROW_DIGITAL = 128;
constexpr int32_t WIDE_DIGITAL = 1024;
constexpr int32_t digital_limit_of(bool wide) { return wide ? WIDE_DIGITAL : NARROW_DIGITAL; }
inline int32_t digital_limit() { return digital_limit_of(wide_numbering()); }

}  // namespace px
