#include "files/config.h"

namespace px {
config_param config_params[PARAM_COUNT] = {};
const model_row model_table[MODEL_COUNT] = {};
int model_code = 0;
bool reduced_memory = false;
int32_t max_steps_for_code(int code) {
    switch (code) {
    case 0: return 256;
    case 11: return 1280;
    case 12: case 13: case 14: return 4096;
    default: return 1024;
    }
}
int64_t param_value(param_row row) { return config_params[row].value; }
void set_param_value(param_row row, int64_t value) { config_params[row].value = static_cast<int32_t>(value); }
void apply_model(const model_row&) {}
void reset_configuration() {}
int read_configuration(const char*) { return 1; }
int save_configuration(const char*) { return 1; }
}  // namespace px
