#include "files/read_file.h"
#include "driver/diagnostics.h"

namespace px {
int read_file(const char* path) {
    log_message(LOG_ERROR, "Unable to read \"%s\": the program reader is not built yet.", path ? path : "");
    return 1;
}
}  // namespace px
