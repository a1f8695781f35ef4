// Reading an object file back. The writer's record order is fixed (code,
// step length table, data table size and data, options, system
// configuration, checksum), so the reader walks it as a sequence of phases
// and names the record it expected wherever the file departs from it.
//
// A problem with the framing (a record past the end, an unexpected type, a
// wrong magic number) ends the reading, since nothing after it can be trusted;
// a problem with content (a bad checksum, a length table that disagrees with
// the code) is noted and the reading goes on.
#include "driver/object_reader.h"

#include <cstdio>

#include "driver/object_format.h"
#include "files/config.h"

namespace px {

namespace {

std::string record_name(uint8_t type) {
    if (type < RECORD_TYPES) return RECORD_NAMES[type];
    return "unknown type " + std::to_string(type);
}

struct record {
    std::size_t offset = 0;  // of the header
    uint8_t length = 0;
    uint8_t type = 0;
    uint16_t address = 0;
    const uint8_t* data = nullptr;
};

struct record_cursor {
    const uint8_t* bytes;
    std::size_t size;
    std::size_t pos;
    object_contents& out;

    bool at_end() const { return pos >= size; }
    // The type of the next record, or -1 at the end of the file or when its
    // header is cut short.
    int peek_type() const { return pos + 1 < size ? bytes[pos + 1] : -1; }

    std::string& stop_message;

    bool stop(std::size_t offset, const std::string& message) {
        stop_message = message;
        out.stopped = true;
        out.stop_offset = offset;
        return false;
    }
    void note(std::size_t offset, const std::string& message) { out.problems.push_back({offset, message}); }

    // The next record, which must be of type `type`; its data bytes join the
    // running checksum unless it is the checksum itself.
    bool next(uint8_t type, record& r) {
        if (at_end()) return stop(pos, "the file ends where the " + record_name(type) + " record belongs");
        if (size - pos < RECORD_HEADER)
            return stop(pos, "the file ends inside the header of the " + record_name(type) + " record");
        r.offset = pos;
        r.length = bytes[pos];
        r.type = bytes[pos + 1];
        r.address = static_cast<uint16_t>(bytes[pos + 2] | bytes[pos + 3] << 8);
        if (r.type != type)
            return stop(pos, "a record of " + record_name(r.type) + " where the " + record_name(type) + " record belongs");
        if (size - pos - RECORD_HEADER < r.length)
            return stop(pos, "the " + record_name(type) + " record of " + std::to_string(r.length) +
                                 " bytes runs past the end of the file");
        r.data = bytes + pos + RECORD_HEADER;
        pos += RECORD_HEADER + r.length;
        if (type != RECORD_CHECKSUM)
            for (std::size_t i = 0; i < r.length; ++i)
                out.computed_checksum = static_cast<uint8_t>(out.computed_checksum + r.data[i]);
        return true;
    }

    void expect_address(const record& r, uint32_t address) {
        if (r.address != static_cast<uint16_t>(address))
            note(r.offset + 2, record_name(r.type) + " record at address " + std::to_string(r.address) + ", not " +
                                   std::to_string(static_cast<uint16_t>(address)));
    }
    void expect_length(const record& r, std::size_t length) {
        if (r.length != length)
            note(r.offset, record_name(r.type) + " record of " + std::to_string(r.length) + " bytes, not " +
                               std::to_string(length));
    }
};

bool read_header(record_cursor& c) {
    object_contents& out = c.out;
    if (c.size < 2) return c.stop(0, "the file ends inside the magic number");
    auto is = [&](const uint8_t (&magic)[2]) { return c.bytes[0] == magic[0] && c.bytes[1] == magic[1]; };
    if (!is(NARROW_MAGIC) && !is(WIDE_MAGIC)) {
        char text[80];
        std::snprintf(text, sizeof text, "magic number %02X %02X is neither EF BE nor ED FE", c.bytes[0], c.bytes[1]);
        return c.stop(0, text);
    }
    out.has_magic = true;
    out.wide = is(WIDE_MAGIC);
    if (c.size < OBJECT_HEADER_BYTES) return c.stop(STATUS_OFFSET, "the file ends before the status byte");
    out.has_status = true;
    out.status = c.bytes[STATUS_OFFSET];
    c.pos = OBJECT_HEADER_BYTES;
    return true;
}

bool read_code(record_cursor& c) {
    uint32_t offset = 0;
    while (c.peek_type() == RECORD_STEP_CODE) {
        record r;
        if (!c.next(RECORD_STEP_CODE, r)) return false;
        c.expect_address(r, offset);
        if (r.length == 0) c.note(r.offset, "a step code record without code");
        object_step step;
        step.offset = r.offset + RECORD_HEADER;
        step.address = r.address;
        step.code.assign(r.data, r.data + r.length);
        c.out.steps.push_back(std::move(step));
        offset += r.length;
    }
    return true;
}

bool valid_step_count(bool wide, std::size_t steps) {
    if (!wide) return steps == 256;
    return steps == 1024 || steps == 1280 || steps == 4096;
}

bool read_step_lengths(record_cursor& c) {
    object_contents& out = c.out;
    std::size_t first = c.pos;
    do {
        record r;
        if (!c.next(RECORD_STEP_LENGTHS, r)) return false;
        c.expect_address(r, static_cast<uint32_t>(out.step_lengths.size()));
        c.expect_length(r, TABLE_RECORD_BYTES);
        out.step_lengths.insert(out.step_lengths.end(), r.data, r.data + r.length);
    } while (c.peek_type() == RECORD_STEP_LENGTHS);
    out.lengths_complete = true;
    if (!valid_step_count(out.wide, out.step_lengths.size()))
        c.note(first, "a step length table of " + std::to_string(out.step_lengths.size()) + " steps under " +
                          (out.wide ? "wide" : "narrow") + " numbering");
    return true;
}

// The k-th code record belongs to the k-th step with a length. A table cut
// short still numbers the steps it reaches.
void number_steps(record_cursor& c) {
    object_contents& out = c.out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < out.step_lengths.size() && next < out.steps.size(); ++i) {
        if (out.step_lengths[i] == 0) continue;
        object_step& step = out.steps[next++];
        step.number = static_cast<uint32_t>(i + 1);
        if (step.code.size() != out.step_lengths[i])
            c.note(step.offset - RECORD_HEADER, "step " + std::to_string(i + 1) + " has " +
                                                    std::to_string(step.code.size()) + " bytes of code, its length says " +
                                                    std::to_string(out.step_lengths[i]));
    }
    if (!out.lengths_complete) return;
    if (next < out.steps.size()) {
        c.note(out.steps[next].offset - RECORD_HEADER, "a code record that no step length names");
        return;
    }
    for (std::size_t i = 0, seen = 0; i < out.step_lengths.size(); ++i)
        if (out.step_lengths[i] != 0 && ++seen > out.steps.size()) {
            c.note(OBJECT_HEADER_BYTES, "step " + std::to_string(i + 1) + " has a length but no code record");
            return;
        }
}

bool read_table(record_cursor& c) {
    object_contents& out = c.out;
    record r;
    if (!c.next(RECORD_TABLE_SIZE, r)) return false;
    c.expect_address(r, 0);
    if (r.length != TABLE_SIZE_BYTES)
        return c.stop(r.offset, "data table size record of " + std::to_string(r.length) + " bytes, not 4");
    out.has_table_size = true;
    out.rows = static_cast<uint16_t>(r.data[0] | r.data[1] << 8);
    out.columns = static_cast<uint16_t>(r.data[2] | r.data[3] << 8);
    uint64_t bytes = 2ull * out.rows * out.columns;
    if (out.rows == 0 || out.columns == 0) {
        if (out.rows != out.columns) c.note(r.offset + RECORD_HEADER, "a data table with no elements");
        bytes = 0;
    }
    while (out.table_bytes.size() < bytes) {
        record d;
        if (!c.next(RECORD_TABLE_DATA, d)) return false;
        std::size_t left = bytes - out.table_bytes.size();
        c.expect_address(d, static_cast<uint32_t>(out.table_bytes.size()));
        c.expect_length(d, left < TABLE_RECORD_BYTES ? left : TABLE_RECORD_BYTES);
        if (d.length == 0) return c.stop(d.offset, "an empty data table data record");
        std::size_t take = d.length < left ? d.length : left;
        out.table_bytes.insert(out.table_bytes.end(), d.data, d.data + take);
    }
    return true;
}

bool read_trailer(record_cursor& c) {
    object_contents& out = c.out;
    record r;
    if (c.peek_type() == RECORD_OPTIONS || out.wide) {
        if (!c.next(RECORD_OPTIONS, r)) return false;
        c.expect_address(r, 0);
        if (r.length != OPTIONS_BYTES)
            return c.stop(r.offset, "options record of " + std::to_string(r.length) + " bytes, not 4");
        out.has_options = true;
        for (int i = 0; i < 4; ++i) out.options[i] = r.data[i];
        if (!out.wide) c.note(r.offset, "an options record under narrow numbering");
        if (out.options[0] | out.options[1] | out.options[2] | out.options[3])
            c.note(r.offset + RECORD_HEADER, "options that are not four bytes 0");
    }
    if (!c.next(RECORD_SYSTEM_CONFIG, r)) return false;
    c.expect_address(r, 0);
    if (r.length != 1) return c.stop(r.offset, "system configuration record of " + std::to_string(r.length) + " bytes, not 1");
    out.has_config = true;
    out.config = r.data[0];
    if (out.config & ~CONFIG_BITS) c.note(r.offset + RECORD_HEADER, "system configuration bits 4-7 set");
    if (!c.next(RECORD_CHECKSUM, r)) return false;
    c.expect_address(r, 0);
    if (r.length != 1) return c.stop(r.offset, "checksum record of " + std::to_string(r.length) + " bytes, not 1");
    out.has_checksum = true;
    out.checksum = r.data[0];
    if (out.checksum != out.computed_checksum) {
        char text[80];
        std::snprintf(text, sizeof text, "checksum %02X does not match the data, which sum to %02X", out.checksum,
                      out.computed_checksum);
        c.note(r.offset + RECORD_HEADER, text);
    }
    if (!c.at_end()) return c.stop(c.pos, std::to_string(c.size - c.pos) + " bytes after the checksum record");
    return true;
}

}  // namespace

uint32_t object_contents::program_bytes() const {
    uint32_t total = 0;
    for (const object_step& s : steps) total += static_cast<uint32_t>(s.code.size());
    return total;
}

object_contents read_object(const uint8_t* bytes, std::size_t size) {
    object_contents out;
    out.size = size;
    std::string stop_message;
    record_cursor c{bytes, size, 0, out, stop_message};
    if (!bytes) size = c.size = 0;
    if (read_header(c) && read_code(c)) {
        bool more = read_step_lengths(c);
        number_steps(c);
        if (more) read_table(c) && read_trailer(c);
    }
    // The problem that stopped the reading goes last.
    if (out.stopped) out.problems.push_back({out.stop_offset, stop_message});
    return out;
}

std::string object_models(const object_contents& object) {
    std::string text;
    int last_code = -1;
    for (const model_row& row : model_table) {
        bool fits = object.wide ? row.code != 0 && max_steps_for_code(row.code) == static_cast<int32_t>(object.max_steps())
                                : row.code == 0;
        if (!fits) continue;
        if (row.code != last_code) text += (text.empty() ? "code " : "; code ") + std::to_string(row.code) + ":";
        else text += ",";
        text += std::string(" ") + row.name;
        last_code = row.code;
    }
    return text.empty() ? "no model" : text;
}

}  // namespace px
