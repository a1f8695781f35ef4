#include "driver/helpers.h"

#include <cctype>
#include <chrono>
#include <ctime>
#include <thread>

namespace px {

namespace {
bool pauses_enabled = true;
pause_function pause_instead = nullptr;
}

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

void pause_seconds(int n) {
    if (!pauses_enabled || n <= 0) return;
    if (pause_instead) return pause_instead(n);
    // Wait until the clock's whole seconds have advanced by n, sleeping
    // between looks so that a waiting build burns no processor time.
    std::time_t target = std::time(nullptr) + n;
    while (std::time(nullptr) < target) std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

void set_pauses_enabled(bool enabled) { pauses_enabled = enabled; }

void set_pause_function(pause_function f) { pause_instead = f; }

}  // namespace px
