#include "files/file_names.h"

#include <fcntl.h>
#include <unistd.h>

namespace px {
std::string resolve_path(std::string_view name) { return std::string(name); }
std::FILE* open_file(const char* name, const char* mode) { return std::fopen(resolve_path(name).c_str(), mode); }
int open_binary_for_write(const char* name) {
    return ::open(resolve_path(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}
int delete_file(const char* name) { return std::remove(resolve_path(name).c_str()); }
}  // namespace px
