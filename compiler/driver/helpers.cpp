#include "driver/helpers.h"

#include <cctype>

namespace px {

std::size_t find_extension(std::string_view name) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return std::string_view::npos;
    if (dot + 1 < name.size() && (name[dot + 1] == '/' || name[dot + 1] == '\\')) return std::string_view::npos;
    return dot;
}

std::string replace_extension(std::string_view name, std::string_view ext) {
    std::size_t dot = find_extension(name);
    std::string out(name.substr(0, dot == std::string_view::npos ? name.size() : dot));
    out += ext;
    return out;
}

const char* plural_suffix(long count) { return count == 1 ? "" : "s"; }

bool is_name_delimiter(char c) {
    if (c == '\0') return true;
    unsigned char u = static_cast<unsigned char>(c);
    if (std::isalnum(u)) return false;
    return !(c == '_' || c == '.' || c == ':' || c == '\\' || c == '/');
}

}  // namespace px
