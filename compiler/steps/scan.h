// One scanning helper with the rules of the C scanf patterns that the
// instruction families use, so the rules live in one place:
//   a blank in the pattern matches any run of blanks, including none;
//   %d skips blanks, takes an optional sign and a run of digits;
//   %c takes the next character as it is, blank or not;
//   %s skips blanks and takes a run of non-blanks;
//   any other character must match itself.
// Numbers too large for 32 bits do not wrap: they saturate, so every range
// test refuses them.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "driver/utilities.h"

namespace px {

inline const char* skip_blanks(const char* at) {
    while (is_blank(*at)) ++at;
    return at;
}

// The working text is lowercased, so words compare as written.
inline bool starts_with(const char* at, const char* word) { return std::strncmp(at, word, std::strlen(word)) == 0; }

struct scan_result {
    int count;         // conversions made before the first mismatch
    const char* end;   // where scanning stopped
};

// "word#number" at `at`, as the pattern "word#%d" reads it: the number is
// stored, and where it ends returned, when the word, the "#" and a number
// stand there; nullptr otherwise.
const char* scan_numbered(const char* at, const char* word, int32_t* number);
// The same followed by ":" and a letter, as "word#%d:%c" reads it; nullptr
// unless both the number and the letter are there.
const char* scan_qualified(const char* at, const char* word, int32_t* number, char* letter);

// Pattern conversions write to the arguments in order: %d to int32_t*, %c to
// char*, %s to std::string*. Returns the number of conversions made; like
// scanf, a mismatch before the first conversion gives 0.
int scan(const char* text, const char* pattern, ...);

}  // namespace px
