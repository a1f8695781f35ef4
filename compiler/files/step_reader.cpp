// The step source reader.
//
// A step file is read forward one character at a time with one character of
// look-ahead, section by section: header, label, comments, first separator,
// output changes, second separator, instructions. The reader is strict about
// the order of the sections and forgiving about stray characters inside one,
// which it mostly skips without a word. Instruction text is stored as written;
// the step compiler reads it later.
//
// Lines and digit runs may be of any length: texts are gathered in one
// growable buffer and copied into the build's pool, and numbers are collected
// in 64 bits and refused, never wrapped, when they outgrow their field.
#include "files/step_reader.h"

#include <sys/stat.h>

#include <climits>
#include <cstring>
#include <string>

#include "driver/diagnostics.h"
#include "driver/source_places.h"
#include "driver/utilities.h"
#include "files/config.h"

namespace px {

text_input::text_input(std::FILE* f) : open(f != nullptr) {
    if (!f) return;
    // A file that says its size is read in one call (the spare byte sees the
    // end); any other in blocks that double. A short read is the end or an
    // error.
    std::size_t room = 65536;
    struct stat info;
    if (::fstat(::fileno(f), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
        room = static_cast<std::size_t>(info.st_size) + 1;
    std::size_t have = 0;
    for (text.resize(room);; text.resize(text.size() * 2)) {
        have += std::fread(text.data() + have, 1, text.size() - have, f);
        if (have < text.size()) break;
    }
    text.resize(have);
    std::fclose(f);
}

int text_input::take_line(std::string& out) {
    if (has_pushed || !open) {
        int c = get();
        if (c == EOF || c == '\n') return c;
        out.push_back(static_cast<char>(c));
    }
    const char* base = text.data();
    const char* found = static_cast<const char*>(std::memchr(base + next, '\n', text.size() - next));
    std::size_t end = found ? static_cast<std::size_t>(found - base) : text.size();
    // The CR of a CR LF pair belongs to the line end.
    if (found && end > next && base[end - 1] == '\r') --end;
    // NUL bytes are passed over, as get() passes over them; they still take
    // their columns.
    for (const char* from = base + next; from < base + end;) {
        const char* nul = static_cast<const char*>(std::memchr(from, '\0', base + end - from));
        const char* stop = nul ? nul : base + end;
        out.append(from, stop);
        from = nul ? nul + 1 : stop;
    }
    column += static_cast<uint32_t>(end - next);
    next = end;
    return get();
}

void text_input::take_blanks() {
    const char* base = text.data();
    const std::size_t size = text.size();
    if (!has_pushed && open) {
        for (; next < size && is_blank(static_cast<unsigned char>(base[next])); ++next) {
            char c = base[next];
            if (c == '\n') {
                ++line;
                column = 1;
            } else if (!(c == '\r' && next + 1 < size && base[next + 1] == '\n')) {
                ++column;
            }
        }
    }
    for (int c = get(); c != EOF; c = get()) {
        if (!is_blank(c)) {
            unget(c);
            return;
        }
    }
}

void text_input::close() {
    open = false;
    has_pushed = false;
    std::string().swap(text);
    next = 0;
}

void skip_past(text_input& in, int c) {
    int got = in.get();
    if (got == EOF || got == c || !in.open) return;
    if (c == '\r' || c == EOF) {
        // A CR is only itself when no LF follows: no shortcut.
        while (got != EOF && got != c) got = in.get();
        return;
    }
    // Find c in memory and move the position past it as get() would have.
    const char* base = in.text.data();
    const std::size_t size = in.text.size();
    const char* found = static_cast<const char*>(std::memchr(base + in.next, c, size - in.next));
    std::size_t at = found ? static_cast<std::size_t>(found - base) : size;
    // A CR LF pair is the one line end get() gives for '\n'; it stands at the CR.
    if (found && c == '\n' && at > in.next && base[at - 1] == '\r') --at;
    const char* from = base + in.next;
    const char* last_lf = nullptr;
    for (const char* p = from; (p = static_cast<const char*>(std::memchr(p, '\n', base + at - p))); ++p) {
        ++in.line;
        last_lf = p;
    }
    in.column = last_lf ? static_cast<uint32_t>(base + at - last_lf) : in.column + static_cast<uint32_t>(at - in.next);
    in.next = at;
    in.get();  // c itself, or EOF noting where the text ended
}

namespace {

// The largest output number an entry may name. 32768 is where the output
// changes of a step end, so an entry may never be read as that.
constexpr uint64_t OUTPUT_NUMBER_LIMIT = 32767;

// Digits shown of an over-long number in a message.
constexpr std::size_t DIGITS_SHOWN = 20;

bool is_printable(int c) { return c >= 0x20 && c <= 0x7E; }

// Where a part of a step began.
struct position {
    uint32_t line = 0, column = 0;
};

// One file being read: the input, its name for messages, the number of the
// step being filled, the text buffer that every reader returns in, and where
// the part it holds began.
struct source {
    build_context& build;
    text_input& in;
    const char* file_name;
    uint32_t step_number;
    std::string text;
    uint32_t file = 0;  // the file's index among the places noted
    position header;    // of the '[' of the step being read
    position start;     // of the text, label, entry or instruction just read
};

position last_got(const source& s) { return {s.in.got_line, s.in.got_column}; }

// A message about the part that began at p.
file_place at(const source& s, position p) { return {s.file, p.line, p.column}; }

void push_back(source& s, int c, int level) {
    if (!s.in.unget(c)) log_message(s.build, level, "The ungetc() function returned EOF.");
}

void skip_blanks(source& s) { s.in.take_blanks(); }

// A run of digits starting with first into s.text; value saturates just past
// limit so that no run, however long, can wrap. Returns the character after
// the run.
int read_digits(source& s, int first, uint64_t limit, uint64_t& value) {
    s.text.clear();
    value = 0;
    int c = first;
    for (; is_digit(c); c = s.in.get()) {
        s.text.push_back(static_cast<char>(c));
        if (value <= limit) value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return c;
}

std::string shown_digits(const std::string& digits) {
    if (digits.size() <= DIGITS_SHOWN) return digits;
    return digits.substr(0, DIGITS_SHOWN) + "...";
}

// The number of the next step header, 0 when the file holds no further step
// (or the step is the illegal [0]), -1 when the number is too large to be a
// step number at all (reported).
int64_t read_step_number(source& s) {
    skip_blanks(s);
    int undesirable = 0;
    auto count = [&undesirable] {
        if (undesirable < INT_MAX) ++undesirable;
    };
    for (;;) {
        int c = s.in.get();
        if (c == EOF) return 0;
        if (c == '[') {
            s.header = last_got(s);
            break;
        }
        if (c == '}') {
            // The end of a data table at the head of the file.
            skip_blanks(s);
            continue;
        }
        count();
    }
    uint64_t number;
    int c = read_digits(s, s.in.get(), UINT32_MAX, number);
    if (c == EOF) return 0;
    if (c != ']') {
        count();
        for (;;) {
            c = s.in.get();
            if (c == EOF) return 0;
            if (c == ']') break;
            count();
        }
    }
    if (number > UINT32_MAX) {
        log_message_at(s.build, at(s, s.header), LOG_ERROR, "Step number [%s] in file \"%s\" is too large.",
                       shown_digits(s.text).c_str(), s.file_name);
        return -1;
    }
    if (undesirable != 0) {
        log_message_at(s.build, at(s, s.header), LOG_WARNING, "%d undesirable characters encountered reading step %u.",
                       undesirable, static_cast<unsigned>(number));
    }
    if (number == 0) {
        log_message_at(s.build, at(s, s.header), LOG_ERROR, "Found illegal step number [0].");
    }
    return static_cast<int64_t>(number);
}

// CRs that end a line (CR CR LF, or a CR at the end of the file) belong to
// its line end, as the CR of CR LF does: a text that kept them would lose
// them when saved with a line end and read back.
void drop_line_end_crs(std::string& text) {
    while (!text.empty() && text.back() == '\r') text.pop_back();
}

// The first word after the header, unless the step goes straight on to its
// comments or its separator.
bool read_label(source& s) {
    skip_blanks(s);
    int c = s.in.get();
    if (c == EOF) return false;
    if (c == ';' || c == '-') {
        push_back(s, c, LOG_ERROR);
        return false;
    }
    s.start = last_got(s);
    s.text.assign(1, static_cast<char>(c));
    for (c = s.in.get(); c != EOF && is_printable(c) && !is_blank(c); c = s.in.get())
        s.text.push_back(static_cast<char>(c));
    return true;
}

// One comment: the rest of a line after a run of ';'. Anything else before
// the separator is dropped.
bool read_comment(source& s) {
    skip_blanks(s);
    int c;
    for (;;) {
        c = s.in.get();
        if (c == EOF) return false;
        if (c == '-') {
            push_back(s, c, LOG_ERROR);
            return false;
        }
        if (c == ';') break;
    }
    do c = s.in.get();
    while (c == ';');
    s.text.clear();
    if (c != EOF && c != '\n') {
        s.text.push_back(static_cast<char>(c));
        s.in.take_line(s.text);
    }
    drop_line_end_crs(s.text);
    return true;
}

enum change_kind { CHANGE_READ, CHANGE_REFUSED, CHANGES_END };

// One output change: an entry such as 5+ or 12-, or the all-off form; or the
// end of the section at the second separator or the no-change form.
change_kind read_output_change(source& s, int32_t& value) {
    skip_blanks(s);
    int c;
    do c = s.in.get();
    while (c != EOF && !is_digit(c) && c != '-' && c != '<');
    if (c == EOF) return CHANGES_END;
    s.start = last_got(s);
    if (c == '-') {
        skip_past(s.in, '\n');
        return CHANGES_END;
    }
    if (c == '<') {
        skip_blanks(s);
        int kind = s.in.get();
        do c = s.in.get();
        while (c != EOF && c != '-');
        if (kind == 't' || kind == 'T') {
            // The '-' is the separator's: the next call ends the section on it.
            if (c != EOF) push_back(s, c, LOG_ERROR);
            value = 0;
            return CHANGE_READ;
        }
        skip_past(s.in, '\n');
        return CHANGES_END;
    }
    uint64_t number;
    int sign = read_digits(s, c, OUTPUT_NUMBER_LIMIT, number);
    if (number > OUTPUT_NUMBER_LIMIT) {
        log_message_at(s.build, at(s, s.start), LOG_WARNING,
                       "Output number %s in step [%u] is larger than %u; output change ignored.",
                       shown_digits(s.text).c_str(), static_cast<unsigned>(s.step_number),
                       static_cast<unsigned>(OUTPUT_NUMBER_LIMIT));
        return CHANGE_REFUSED;
    }
    value = sign == '-' ? -static_cast<int32_t>(number) : static_cast<int32_t>(number);
    return CHANGE_READ;
}

// One instruction line, or none when the next step begins.
bool read_instruction(source& s) {
    skip_blanks(s);
    int c = s.in.get();
    if (c == EOF) return false;
    if (c == '[') {
        push_back(s, c, LOG_WARNING);
        return false;
    }
    s.start = last_got(s);
    s.text.assign(1, static_cast<char>(c));
    s.in.take_line(s.text);
    drop_line_end_crs(s.text);
    return true;
}

struct close_on_return {
    text_input& in;
    ~close_on_return() { in.close(); }
};

}  // namespace

int read_step_file(build_context& build, text_input& in, const char* file_name, link_state& state) {
    close_on_return closer{in};
    source s{build, in, file_name, 0, {}, note_file(build, file_name), {}, {}};
    bool first = true;
    uint64_t offset = 0;
    for (;;) {
        int64_t written = read_step_number(s);
        if (written < 0) return READ_FAILED;
        if (written == 0) return READ_OK;

        if (first) {
            first = false;
            if (written == 1) {
                offset = state.last_number;
            } else if (static_cast<uint64_t>(written) < uint64_t{state.last_number} + 1) {
                log_message_at(build, at(s, s.header), LOG_ERROR,
                               "Bad first step number in file \"%s\", previous file last step %d, this one %d.",
                               file_name, static_cast<int>(state.last_number), static_cast<int>(written));
                return READ_FAILED;
            }
        }
        uint64_t number = static_cast<uint64_t>(written) + offset;
        if (number > static_cast<uint64_t>(max_steps())) {
            report_step_error(build, at_position(at(s, s.header)), nullptr,
                              "Too many steps for this type of controller, MAX is %d.", static_cast<int>(max_steps()));
            return READ_TOO_MANY_STEPS;
        }
        if (!is_end(state.last_step) && number <= step_of(state.last_step)->number) {
            log_message_at(build, at(s, s.header), LOG_ERROR, "Step [%u] (%s) is out of order.",
                           static_cast<unsigned>(number), the_program.name ? the_program.name : "");
            return READ_FAILED;
        }

        list_node* node = new_step_after(state.last_step, static_cast<uint32_t>(number));
        state.last_step = node;
        state.last_number = static_cast<uint32_t>(number);
        ++state.counts.steps;
        s.step_number = state.last_number;
        step* st = step_of(node);
        if (build.recording) {
            note_place(build, node, PLACE_STEP, 0, s.file, s.header.line, s.header.column);
            note_step_written(build, node, static_cast<uint32_t>(written));
        }

        if (read_label(s)) {
            st->label = pool_strdup(s.text);
            note_place(build, node, PLACE_LABEL, 0, s.file, s.start.line, s.start.column);
        }

        list_node* after = END;
        while (read_comment(s)) {
            after = append_comm(node, after);
            comment_of(after)->text = pool_strdup(s.text);
        }

        // The first separator and the rest of its line.
        skip_past(in, '-');
        skip_past(in, '\n');

        for (;;) {
            int32_t value = 0;
            change_kind kind = read_output_change(s, value);
            if (kind == CHANGES_END) break;
            if (kind == CHANGE_REFUSED) continue;
            add_output_change(node, value);
            note_place(build, node, PLACE_OUTPUT, value, s.file, s.start.line, s.start.column);
            ++state.counts.output_changes;
        }

        after = END;
        while (read_instruction(s)) {
            after = append_inst(node, after);
            instruction_of(after)->text = pool_strdup(s.text);
            note_place(build, after, PLACE_INSTRUCTION, 0, s.file, s.start.line, s.start.column);
            ++state.counts.instructions;
        }
    }
}

}  // namespace px
