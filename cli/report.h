// What pxc shows of its builds: diagnostics as gcc prints them (with the
// source line and a caret), as one JSON array, or as a SARIF 2.1.0 log.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace pxc {

// JSON with its members in the order they were made.
using json = nlohmann::ordered_json;

struct shown_diagnostic {
    std::string severity;  // "warning", "error" or "fatal error"
    bool compile_error = false;
    std::string message;
    std::string file;  // as the user can open it from where pxc was started
    uint32_t line = 0;    // 0: the file as a whole
    uint32_t column = 0;
    uint32_t step = 0;             // compile errors: the step after linking
    uint32_t step_as_written = 0;  // and as its file numbers it
    std::string source_line;       // the line pointed at, without its line end
    uint32_t length = 0;           // characters the message is about; 0: the word at the column
    std::string code;              // pxc's own warnings: the name -Wno- takes
};

struct build_report {
    std::string path;  // as given on the command line
    int status = 0;    // 0 clean, 1 compile errors, 2 failed
    std::vector<shown_diagnostic> diagnostics;
    std::string object_file;  // shown path; empty when none was written
    uintmax_t object_size = 0;
    bool checked = false;  // --check: nothing was written
    int errors() const;
    int warnings() const;
};

// gcc's terminal colours, or none.
struct palette {
    bool on = false;
};

// FILE:LINE:COL: error: MESSAGE, the source line and the caret.
void print_text(std::ostream& out, const shown_diagnostic& d, const palette& colours);
// Each of them so, written a few at a time: standard error is unbuffered,
// and a program may earn thousands of warnings.
void print_texts(std::ostream& out, const std::vector<shown_diagnostic>& all, const palette& colours);
// "pxc: PATH: 2 errors, 1 warning; wrote main.dso (209 bytes) with compile errors"
void print_summary(std::ostream& out, const build_report& build, const palette& colours);
// Every diagnostic of every build: the documents, and the documents laid
// out as pxc prints them.
json json_document(const std::vector<build_report>& builds);
json sarif_document(const std::vector<build_report>& builds, const std::string& version);
void print_json(std::ostream& out, const std::vector<build_report>& builds);
void print_sarif(std::ostream& out, const std::vector<build_report>& builds, const std::string& version);

// A path as the path of a URI: '/' stays, everything outside the
// unreserved characters is percent-encoded.
std::string percent_encoded(std::string_view path);

// Text as a JSON string literal, quotes included; bytes that are not UTF-8
// become U+FFFD.
std::string json_string(const std::string& text);
// The length of the whole, shortest-form UTF-8 sequence at text[i], or 0.
std::size_t utf8_sequence(const std::string& text, std::size_t i);

}  // namespace pxc
