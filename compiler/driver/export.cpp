// The library's one export. Everything else stays hidden.
#include <cstdint>

#include "driver/driver.h"

extern "C" __attribute__((visibility("default"))) int32_t pxcompiler(char* path) {
    return px::run_export(path);
}
