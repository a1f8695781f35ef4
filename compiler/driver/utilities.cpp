#include "driver/utilities.h"

namespace px {

std::string vformat(const char* fmt, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    std::vsnprintf(out.data(), out.size() + 1, fmt, args);
    return out;
}

std::string format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string out = vformat(fmt, args);
    va_end(args);
    return out;
}

std::string folded(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = fold_case(c);
    return out;
}

std::string upper_cased(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upper_case(c);
    return out;
}

int compare_folded(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char ca = static_cast<unsigned char>(fold_case(*a));
        unsigned char cb = static_cast<unsigned char>(fold_case(*b));
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
}

bool equal_folded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold_case(a[i]) != fold_case(b[i])) return false;
    return true;
}

bool starts_with_folded(const char* text, const char* word) {
    for (; *word; ++word, ++text)
        if (*text == '\0' || fold_case(*text) != fold_case(*word)) return false;
    return true;
}

}  // namespace px
