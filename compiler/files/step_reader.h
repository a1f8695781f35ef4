// The step source reader: turns one step file into steps of the program.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "driver/model.h"

namespace px {

struct build_context;  // driver/build_context.h

// A text file read one character at a time with one character of push-back.
// Files from the old platform end their lines in CR LF; every pair arrives
// here as a single LF, so such a file reads exactly as its LF copy.
//
// The file is read whole when the input is made and closed at once; the
// characters then come from memory. A read error ends the text where it
// happened, as it would end a read one character at a time.
//
// It also knows where each character stood, for messages that point at the
// source: lines from 1, columns in bytes from 1, a CR LF pair being the end
// of its line.
struct text_input {
    std::string text;
    std::size_t next = 0;  // index in text of the next character
    bool open = false;
    int pushed = EOF;
    bool has_pushed = false;
    uint32_t line = 1, column = 1;          // of the next character from the file
    uint32_t got_line = 1, got_column = 1;  // of the character get() returned last
    uint32_t pushed_line = 1, pushed_column = 1;

    // Takes the file (null for none) and closes it.
    explicit text_input(std::FILE* f);
    text_input(const text_input&) = delete;
    text_input& operator=(const text_input&) = delete;

    // The next character, or EOF.
    int get() {
        if (has_pushed) {
            has_pushed = false;
            got_line = pushed_line;
            got_column = pushed_column;
            return pushed;
        }
        if (!open) return EOF;
        // A NUL byte can be no part of a text (texts are C strings), so it is
        // passed over where it stands, as if it were not in the file.
        for (; next < text.size() && text[next] == '\0'; ++next) ++column;
        got_line = line;
        got_column = column;
        if (next == text.size()) return EOF;
        int c = static_cast<unsigned char>(text[next++]);
        if (c == '\n' || (c == '\r' && next < text.size() && text[next] == '\n')) {
            // CR LF is one line end; a lone CR stays what it is.
            next += c == '\r';
            ++line;
            column = 1;
            return '\n';
        }
        ++column;
        return c;
    }
    // Gives c back to the next get(). False when c is EOF or a character is
    // already waiting.
    bool unget(int c) {
        if (c == EOF || has_pushed) return false;
        pushed = c;
        pushed_line = got_line;
        pushed_column = got_column;
        has_pushed = true;
        return true;
    }
    // Appends the characters up to the end of the line or of the text to
    // out, as get() would give them, and takes the line end; returns '\n',
    // or EOF at the end of the text.
    int take_line(std::string& out);
    // Takes the blanks (line ends too) that come next, as get() would.
    void take_blanks();
    // Drops the rest of the text.
    void close();
};

enum read_result { READ_OK = 0, READ_FAILED = 1, READ_TOO_MANY_STEPS = 2 };

// Counts over all files of one program.
struct read_counts {
    int steps;
    int output_changes;
    int instructions;
};

// What the files read so far leave to the next one.
struct link_state {
    uint32_t last_number;  // number of the last step read (0 before the first)
    list_node* last_step;  // that step, where the next one is linked; END at first
    read_counts counts;
};

// Reads the steps of an open step file (positioned where its steps begin) and
// appends them to the program after state.last_step, numbering the file by
// the linking rule: a file whose first step is [1] follows on from the steps
// before it, any other is numbered as written. file_name names the file in
// messages. The file is closed in every case.
int read_step_file(build_context& build, text_input& in, const char* file_name, link_state& state);

// Drops everything up to and including the first c (or to the end).
void skip_past(text_input& in, int c);

}  // namespace px
