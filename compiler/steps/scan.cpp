// The one scanner behind every operand pattern of the step compiler. It keeps
// the rules of the C scanf patterns the instruction syntax was designed
// around, but never wraps a number: an over-long digit run saturates, so a
// range test refuses it instead of seeing some small wrapped value.
//
// Besides the conversions named in scan.h it accepts "%%" for a literal '%',
// a '*' after '%' to read a field without storing it (not counted), and a
// field width ("%63s"), as the C patterns do.
//
// Unlike sscanf, which answers EOF when the text ends before the first
// conversion, scan answers 0 then: callers only ever compare the count with
// the number of conversions they need.
#include "steps/scan.h"

#include <cctype>
#include <climits>
#include <cstdarg>

#include "test_hooks.h"

namespace px {

namespace {

// Reads an optionally signed decimal number of at most width characters
// (0 = any). Returns where it ended, or nullptr when no digit was found.
const char* read_number(const char* at, int width, int32_t* value) {
    const char* start = at;
    auto room = [&](const char* p) { return width == 0 || p - start < width; };
    bool negative = false;
    if (room(at) && (*at == '+' || *at == '-')) {
        negative = *at == '-';
        ++at;
    }
    if (!room(at) || !is_digit(*at)) return nullptr;
    // Accumulate the magnitude in 64 bits and stop growing once it is past
    // every 32-bit value; the rest of the digits are still consumed.
    int64_t magnitude = 0;
    while (room(at) && is_digit(*at)) {
        if (magnitude <= INT64_C(1) << 32) magnitude = magnitude * 10 + (*at - '0');
        ++at;
    }
    int64_t signed_value = negative ? -magnitude : magnitude;
    if (signed_value > INT32_MAX) signed_value = INT32_MAX;
    if (signed_value < INT32_MIN) signed_value = INT32_MIN;
    if (value) *value = static_cast<int32_t>(signed_value);
    return at;
}

scan_result scan_list(const char* text, const char* pattern, va_list args) {
    scan_result result{0, text};
    if (!text || !pattern) return result;
    const char* at = text;
    const char* p = pattern;
    while (*p) {
        if (is_blank(*p)) {
            while (is_blank(*p)) ++p;
            at = skip_blanks(at);
            continue;
        }
        if (*p != '%' || p[1] == '%') {
            char wanted = *p;
            p += (*p == '%') ? 2 : 1;
            if (*at != wanted) break;
            ++at;
            continue;
        }
        ++p;  // past '%'
        bool store = true;
        if (*p == '*') {
            store = false;
            ++p;
        }
        int width = 0;
        while (is_digit(*p)) width = width * 10 + (*p++ - '0');
        char conversion = *p;
        if (conversion == '\0') break;
        ++p;
        if (conversion == 'd') {
            at = skip_blanks(at);
            int32_t value = 0;
            const char* end = read_number(at, width, &value);
            if (!end) break;
            at = end;
            if (store) {
                *va_arg(args, int32_t*) = value;
                ++result.count;
            }
        } else if (conversion == 'c') {
            if (*at == '\0') break;
            char c = *at++;
            if (store) {
                *va_arg(args, char*) = c;
                ++result.count;
            }
        } else if (conversion == 's') {
            at = skip_blanks(at);
            if (*at == '\0') break;
            const char* start = at;
            while (*at != '\0' && !is_blank(*at) && (width == 0 || at - start < width)) ++at;
            if (store) {
                va_arg(args, std::string*)->assign(start, at);
                ++result.count;
            }
        } else {
            break;  // a conversion the step compiler never uses
        }
    }
    result.end = at;
    return result;
}

}  // namespace

const char* scan_numbered(const char* at, const char* word, int32_t* number) {
    if (!at || !starts_with(at, word)) return nullptr;
    at += std::strlen(word);
    if (*at != '#') return nullptr;
    scan_result result = scan_ex(at + 1, "%d", number);
    return result.count == 1 ? result.end : nullptr;
}

const char* scan_qualified(const char* at, const char* word, int32_t* number, char* letter) {
    const char* end = scan_numbered(at, word, number);
    if (!end || end[0] != ':' || end[1] == '\0') return nullptr;
    *letter = end[1];
    return end + 2;
}

int scan(const char* text, const char* pattern, ...) {
    va_list args;
    va_start(args, pattern);
    scan_result result = scan_list(text, pattern, args);
    va_end(args);
    return result.count;
}

scan_result scan_ex(const char* text, const char* pattern, ...) {
    va_list args;
    va_start(args, pattern);
    scan_result result = scan_list(text, pattern, args);
    va_end(args);
    return result;
}

}  // namespace px
