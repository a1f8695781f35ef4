#include "files/data_table_file.h"

namespace px {
data_table* read_data_table(const char*) { return nullptr; }
int save_data_table(const char*, const data_table*) { return 0; }
}  // namespace px
