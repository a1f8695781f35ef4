#include "files/save_file.h"
#include "driver/diagnostics.h"

namespace px {
int save_file(const char* name) {
    log_message(LOG_ERROR, "Unable to save \"%s\": the program saver is not built yet.", name ? name : "");
    return 1;
}
int backup_file(const char*, const char*) { return 0; }
}  // namespace px
