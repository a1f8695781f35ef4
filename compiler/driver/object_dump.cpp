// The object file as a person reads it, and as a step file. Both views come
// from one reading: the object reader for the records, the step decoders
// for the code. Labels are not in the file, so every destination comes back
// as a step number, and a step that is named but has no code comes back as
// an empty step, as the compiler would have seen it.
#include "driver/object_dump.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "steps/decode.h"

namespace px {

namespace {

constexpr int BYTES_COLUMN = 44;  // where the bytes stand beside an instruction
const std::string SEPARATOR = "    " + std::string(75, '-');

std::string hex_bytes(const uint8_t* bytes, std::size_t count) {
    std::string text;
    char two[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(two, sizeof two, "%02X", bytes[i]);
        if (i) text += ' ';
        text += two;
    }
    return text;
}

std::string hex2(uint8_t byte) { return hex_bytes(&byte, 1); }

std::string counted(std::size_t count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// Sixteen bytes to a line, each line led by its file offset.
std::string hex_lines(const uint8_t* bytes, std::size_t from, std::size_t to) {
    std::string text;
    char offset[32];
    for (std::size_t at = from; at < to; at += 16) {
        std::size_t end = std::min(to, at + 16);
        std::snprintf(offset, sizeof offset, "  %08zX  ", at);
        text += offset + hex_bytes(bytes + at, end - at) + "\n";
    }
    return text;
}

std::string padded(std::string text, std::size_t column) {
    text.resize(std::max(column, text.size() + 2), ' ');
    return text;
}

// The source format of the output changes: "3+ 5-", or one of the two forms
// in angle brackets.
std::string output_changes(const std::vector<int32_t>& changes) {
    if (changes.empty()) return "<NO CHANGE IN DIGITAL OUTPUTS>";
    if (changes.front() == 0) return "<TURN ALL DIGITAL OUTPUTS OFF>";
    std::string text;
    for (int32_t change : changes) {
        if (!text.empty()) text += ' ';
        text += std::to_string(change > 0 ? change : -change);
        text += change > 0 ? '+' : '-';
    }
    return text;
}

// The saver's layout: four entries to a line, each right-aligned in five
// columns and padded to 17.
std::string saved_output_changes(const std::vector<int32_t>& changes) {
    if (changes.empty() || changes.front() == 0) return "        " + output_changes(changes) + "\n";
    std::string text;
    char entry[32];
    for (std::size_t i = 0; i < changes.size(); ++i) {
        int32_t change = changes[i];
        if (i % 4 == 0) {
            if (i) text += '\n';
            text.append(8, ' ');
        }
        std::snprintf(entry, sizeof entry, "%5d%c", change > 0 ? change : -change, change > 0 ? '+' : '-');
        std::string cell = entry;
        if (i % 4 != 3 && i + 1 < changes.size()) cell.resize(17, ' ');
        text += cell;
    }
    return text + "\n";
}

std::string data_table_text(const object_contents& object) {
    std::string text = "data_table[" + std::to_string(object.rows) + "][" + std::to_string(object.columns) + "] =\n{";
    char element[16];
    std::size_t count = object.table_bytes.size() / 2;
    for (std::size_t i = 0; i < count; ++i) {
        if (i % object.columns == 0) text += "\n     ";
        unsigned value = static_cast<unsigned>(object.table_bytes[2 * i] << 8 | object.table_bytes[2 * i + 1]);
        std::snprintf(element, sizeof element, "%5u ", value);
        text += element;
    }
    return text + "\n}\n";
}

bool has_table(const object_contents& object) {
    return object.has_table_size && object.rows > 0 && object.columns > 0 &&
           object.table_bytes.size() == 2u * object.rows * object.columns;
}

struct reading {
    object_contents object;
    std::vector<decoded_step> steps;      // beside object.steps
    std::set<uint32_t> empty_steps;       // named, without code
    std::vector<object_problem> failures;  // steps whose code did not read back
    std::vector<object_problem> problems;  // steps that name what is not there
};

// Where a step's code byte stands in the file.
std::size_t file_offset(const object_step& step, std::size_t code_offset) { return step.offset + code_offset; }

void check_program(reading& r) {
    const object_contents& o = r.object;
    std::set<uint32_t> with_code;
    for (const object_step& s : o.steps) with_code.insert(s.number);
    for (std::size_t i = 0; i < o.steps.size(); ++i) {
        const object_step& s = o.steps[i];
        const decoded_step& d = r.steps[i];
        std::string who = "step " + std::to_string(s.number);
        if (d.failed) r.failures.push_back({file_offset(s, d.fail_offset), who + ": " + d.fail_reason});
        if (s.number == 0) continue;
        std::vector<uint32_t> named = d.destinations;
        if (d.names_next) named.push_back(s.number + 1);
        for (uint32_t n : named) {
            if (o.lengths_complete && n > o.max_steps()) {
                r.problems.push_back({s.offset, who + " goes to step " + std::to_string(n) + ", beyond the model's " +
                                                    std::to_string(o.max_steps()) + " steps"});
            } else if (!with_code.count(n)) {
                r.empty_steps.insert(n);
            }
        }
        if (o.has_table_size && d.highest_column > (has_table(o) ? o.columns : 0u))
            r.problems.push_back({s.offset, who + " uses col#" + std::to_string(d.highest_column) + ", but the data table has " +
                                                std::to_string(has_table(o) ? o.columns : 0) + " columns"});
    }
}

reading read_all(const uint8_t* bytes, std::size_t size) {
    reading r;
    r.object = read_object(bytes, size);
    for (const object_step& s : r.object.steps) r.steps.push_back(decode_step(s.code.data(), s.code.size(), r.object.wide));
    check_program(r);
    return r;
}

std::string status_text(uint8_t status) {
    if (status == 0) return "clean build";
    if (status == 0xFF) return "255 compile errors, or a multiple of 256";
    return std::to_string(status) + " compile error" + (status == 1 ? "" : "s");
}

std::string configuration_text(uint8_t config) {
    static const char* const bits[] = {"start on input#1", "stop on input#2", "reset on input#3", "step on input#4"};
    std::string text;
    for (int bit = 0; bit < 4; ++bit) text += std::string(bit ? ", " : "") + bits[bit] + ((config >> bit) & 1 ? " yes" : " no");
    return text;
}

std::string header_text(const reading& r) {
    const object_contents& o = r.object;
    std::string text;
    auto line = [&text](const char* key, const std::string& value) { text += padded(key, 15) + value + "\n"; };
    line("object file", std::to_string(o.size) + " bytes");
    if (o.has_magic)
        line("magic", o.wide ? "ED FE  wide numbering: two-byte output, input and step numbers"
                             : "EF BE  narrow numbering: one-byte output, input and step numbers");
    if (o.has_status) line("status", hex2(o.status) + "  " + status_text(o.status));
    if (o.lengths_complete) line("model", object_models(o) + "; " + std::to_string(o.max_steps()) + " steps");
    if (o.has_config) line("options", o.has_options ? hex_bytes(o.options, 4) : "none");
    if (o.has_config) line("configuration", hex2(o.config) + "  " + configuration_text(o.config));
    line("program", counted(o.program_bytes(), "byte") + " in " + counted(o.steps.size(), "step"));
    if (o.lengths_complete) {
        // What the program takes in the controller: code, a length byte per step, the table.
        std::size_t table = has_table(o) ? o.table_bytes.size() : 0;
        line("memory", counted(o.program_bytes() + o.max_steps() + table, "byte") + ": " +
                           std::to_string(o.program_bytes()) + " code, " + std::to_string(o.max_steps()) +
                           " step lengths, " + std::to_string(table) + " data table");
    }
    if (o.has_table_size)
        line("data table", o.rows || o.columns ? std::to_string(o.rows) + " rows x " + std::to_string(o.columns) +
                                                     " columns, " + std::to_string(2ul * o.rows * o.columns) + " bytes"
                                               : "none");
    if (o.has_checksum)
        line("checksum", hex2(o.checksum) + (o.checksum == o.computed_checksum ? "  matches"
                                                                              : "  does not match: the data sum to " +
                                                                                    hex2(o.computed_checksum)));
    return text;
}

std::string problem_line(const object_problem& p) { return "error: offset " + std::to_string(p.offset) + ": " + p.message + "\n"; }

// "[n]", built by appending: GCC 12 misreads "[" + std::to_string(n) in
// release builds as an overlapping copy.
std::string step_tag(uint32_t n) {
    std::string tag = "[";
    tag += std::to_string(n);
    tag += ']';
    return tag;
}

std::string full_text(const reading& r, const uint8_t* bytes) {
    const object_contents& o = r.object;
    std::string text = header_text(r);
    // The problem that stopped the reading goes last, before the bytes it left.
    std::size_t noted = o.problems.size() - (o.stopped ? 1 : 0);
    for (std::size_t i = 0; i < noted; ++i) text += problem_line(o.problems[i]);
    for (std::size_t i = 0; i < o.steps.size(); ++i) {
        const object_step& s = o.steps[i];
        const decoded_step& d = r.steps[i];
        text += '\n';
        text += padded(s.number ? step_tag(s.number) : "[?]", 8) + counted(s.code.size(), "byte") +
                " at code offset " + std::to_string(s.address) + "\n";
        std::size_t shown = 0;
        if (d.output_length) {
            text += padded("    " + output_changes(d.output_changes), BYTES_COLUMN) + "; " +
                    hex_bytes(s.code.data(), d.output_length) + "\n";
            shown = d.output_length;
        }
        for (const decoded_instruction& in : d.instructions) {
            text += padded("    " + in.text, BYTES_COLUMN) + "; " + hex_bytes(s.code.data() + in.offset, in.length) + "\n";
            shown = in.offset + in.length;
        }
        if (d.failed) {
            text += "    error: offset " + std::to_string(file_offset(s, d.fail_offset)) + ": " + d.fail_reason + "\n";
            if (shown < s.code.size())
                text += "    bytes not read back: " + hex_bytes(s.code.data() + shown, s.code.size() - shown) + "\n";
        }
    }
    for (uint32_t n : r.empty_steps) {
        text += '\n';
        text += padded(step_tag(n), 8) + "no code, named by a goto\n";
    }
    if (has_table(o)) text += "\n" + data_table_text(o);
    if (!r.problems.empty()) text += "\n";
    for (const object_problem& p : r.problems) text += problem_line(p);
    if (o.stopped) {
        text += "\n" + problem_line(o.problems.back());
        if (o.stop_offset < o.size)
            text += "rest of the file, " + std::to_string(o.size - o.stop_offset) + " bytes:\n" +
                    hex_lines(bytes, o.stop_offset, o.size);
    }
    return text;
}

std::string source_text(const reading& r) {
    const object_contents& o = r.object;
    std::string text;
    if (has_table(o)) text += data_table_text(o);
    // Steps with code and named empty steps, in number order.
    std::map<uint32_t, const decoded_step*> steps;
    for (std::size_t i = 0; i < o.steps.size(); ++i)
        if (o.steps[i].number) steps[o.steps[i].number] = &r.steps[i];
    for (uint32_t n : r.empty_steps) steps.emplace(n, nullptr);
    for (const auto& [number, d] : steps) {
        text += "\n[" + std::to_string(number) + "]\n" + SEPARATOR + "\n";
        text += saved_output_changes(d ? d->output_changes : std::vector<int32_t>{});
        text += SEPARATOR + "\n";
        if (d)
            for (const decoded_instruction& in : d->instructions) text += "    " + in.text + "\n";
    }
    return text;
}

}  // namespace

dump_output dump_object(const uint8_t* bytes, std::size_t size, dump_view view) {
    reading r = read_all(bytes, size);
    dump_output out;
    out.text = view == dump_view::full ? full_text(r, bytes) : source_text(r);
    out.problems = r.object.problems;
    out.problems.insert(out.problems.end(), r.failures.begin(), r.failures.end());
    out.problems.insert(out.problems.end(), r.problems.begin(), r.problems.end());
    std::stable_sort(out.problems.begin(), out.problems.end(),
                     [](const object_problem& a, const object_problem& b) { return a.offset < b.offset; });
    return out;
}

}  // namespace px
