// Library-wide utilities: an owning C file handle, printf into a string,
// ASCII character classes and case folding.
// ASCII only, on purpose: names and keywords fold the same whatever locale a
// calling program has set.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace px {

struct file_closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
// Closes on every early return; release() it to see the close's result.
using unique_file = std::unique_ptr<std::FILE, file_closer>;

// printf into a string; "" when the format yields nothing.
std::string vformat(const char* fmt, va_list args);
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string format(const char* fmt, ...);

// C's isspace in the "C" locale. Line ends count as blanks, so CR LF text
// reads like LF text. EOF is no blank.
inline bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
inline bool is_digit(int c) { return c >= '0' && c <= '9'; }

inline char fold_case(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
inline char upper_case(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
std::string folded(std::string_view text);
std::string upper_cased(std::string_view text);
bool equal_folded(std::string_view a, std::string_view b);
// strcmp's order with A-Z read as a-z, the other bytes by value.
int compare_folded(const char* a, const char* b);
// True when text begins with word, whatever the case of either.
bool starts_with_folded(const char* text, const char* word);

}  // namespace px
