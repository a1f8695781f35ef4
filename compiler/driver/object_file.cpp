// The object file (".dso") and the capacity checks.
//
// The file is a two-byte magic number, a status byte, and then records of
// the form L, type, 16-bit address, L data bytes. Each record goes out whole
// so that a failing disk never leaves half a header behind; the downloader
// checks the data bytes against the checksum record at the end. The status
// byte is 0 until the end of a build with errors, when it is patched in
// place.
//
// The records are held in memory and go out many at a time, one piece a
// record: when the hold is full, at the end of the trailer, and before any
// message of the build, so that a record that fails is reported exactly
// where it would have been had it gone out at once. A record has one try, as
// it had when it went out alone: when a write of the hold falls short, the
// records it wrote whole are done, the one where it stopped is a short
// write, and the rest are written one at a time, each reported if it fails.
// A report that stops the build (the listing cannot be written) drops the
// records after it, which would never have been tried, and takes
// program_bytes back to where it stood then; inside the compile loop the
// step being compiled is abandoned as well, by object_writes_stopped.
#include "driver/object_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/source_places.h"
#include "files/config.h"
#include "platform/file_names.h"

namespace px {

namespace {

constexpr long K531_TABLE_CAPACITY = 64000;
// The small code 0 models keep their data table in the program memory.
constexpr long SMALL_TABLE_BYTES = 3448;

uint8_t checksum = 0;
uint32_t code_offset = 0;

// One write, retried only when a signal interrupted it before anything
// went. The bytes written.
std::size_t write_out(build_context& build, int fd, const uint8_t* bytes, std::size_t count) {
    ssize_t done;
    do {
        done = build.files->write(fd, bytes, count);
    } while (done < 0 && errno == EINTR);
    return done < 0 ? 0 : static_cast<std::size_t>(done);
}

// The records from `cut` on, after a write of the hold stopped in record
// `cut`: that one is reported, the rest are written one at a time.
void report_unwritten(build_context& build, record_hold& h, std::size_t cut) {
    uint32_t start = cut ? h.records[cut - 1].end : 0;
    for (std::size_t i = cut; i < h.count && build_ok; start = h.records[i].end, ++i) {
        const record_hold::held_record& r = h.records[i];
        std::size_t size = r.end - start;
        if (i != cut && write_out(build, h.fd, h.bytes + start, size) == size) continue;
        report_step_error(build, at_step(r.step), nullptr, "%s", r.message);
        if (!build_ok) program_bytes = r.program_bytes;
    }
}

// Writes what the hold holds.
void let_go(build_context& build) {
    record_hold* held = build.hold.get();
    if (!held || held->count == 0 || held->writing) return;
    record_hold& h = *held;
    h.writing = true;
    struct done_writing {
        record_hold& h;
        ~done_writing() {
            h.writing = false;
            h.count = 0;
            h.used = 0;
        }
    } done{h};
    constexpr std::size_t PIECES = IOV_MAX;
    iovec pieces[PIECES];
    uint32_t start = 0;
    for (std::size_t first = 0; first < h.count;) {
        std::size_t n = std::min(PIECES, h.count - first);
        for (std::size_t k = 0, at = start; k < n; at = h.records[first + k].end, ++k)
            pieces[k] = {h.bytes + at, h.records[first + k].end - at};
        std::size_t total = h.records[first + n - 1].end - start;
        ssize_t written;
        do {
            written = build.files->write_pieces(h.fd, pieces, static_cast<int>(n));
        } while (written < 0 && errno == EINTR);
        if (written >= 0 && static_cast<std::size_t>(written) == total) {
            first += n;
            start = h.records[first - 1].end;
            continue;
        }
        std::size_t reached = start + (written < 0 ? 0 : static_cast<std::size_t>(written));
        std::size_t cut = first;
        while (h.records[cut].end <= reached) ++cut;
        report_unwritten(build, h, cut);
        return;
    }
}

// The message barrier while the object file is open.
void let_go_before_message(build_context& build) {
    record_hold* h = build.hold.get();
    if (!h || h->count == 0 || h->writing) return;
    // Records are held only while build_ok is set: a clear one now means
    // that a report of theirs stopped the build.
    let_go(build);
    if (!build_ok && h->compiling) throw object_writes_stopped{};
}

// A record that did not go out. Those held before it go first; when one of
// them stops the build, this one would never have been tried.
void report_record(build_context& build, const char* message) {
    let_go_before_message(build);
    if (build_ok) report_step_error(build, at_step(nullptr), nullptr, "%s", message);
}

// Program memory per model. reduced < 0 matches either setting of the
// reduced-memory flag; code < 0 is the row for every code not listed.
struct capacity_row {
    int code;
    int reduced;
    long capacity;
    const char* message;
};

const capacity_row capacity_table[] = {
    {0, 0, 4089, "MEMORY:  This program exceeds the K410's  total capacity  (4089 bytes)"},
    {0, 1, 8178, "MEMORY:  This program exceeds the K105's  total capacity  (8178 bytes)"},
    {5, -1, 21542, "MEMORY:  This program exceeds the K205's  total capacity  (21542 bytes)"},
    {10, -1, 62498, "MEMORY:  This program exceeds the K415's  total capacity  (62498 bytes)"},
    {11, -1, 29942, "MEMORY:  This program exceeds the K520 CPU's  total capacity  (29942 bytes)"},
    {12, -1, 29942, "MEMORY:  This program exceeds the K530 CPU's  total capacity  (29942 bytes)"},
    // The text has always named 64094 bytes; the limit tested is 64096.
    {13, -1, 64096,
     "MEMORY:  This program exceeds the K531 CPU's  program capacity  (64094 bytes), data table (64000)"},
    {14, -1, 64096,
     "MEMORY:  This program exceeds the K533 CPU's  program capacity  (64096 bytes), data table (64000)"},
    {-1, -1, 13348, "MEMORY:  This program exceeds the K411's total capacity  (13348 bytes)"},
};

// The last row, code -1, ends every search.
const capacity_row& capacity_for(int code, bool reduced) {
    const capacity_row* row = capacity_table;
    while (row->code >= 0 && !(row->code == code && (row->reduced < 0 || row->reduced == (reduced ? 1 : 0)))) ++row;
    return *row;
}

const capacity_row& k531_row() { return capacity_for(13, true); }

// Codes 12 and 13 keep the data table in a memory of its own.
bool separate_table_memory(int code) { return code == 12 || code == 13; }

// Four start/stop/reset/step rows, one bit each, in this order.
const param_row system_config_bits[] = {PARAM_START_ON_INPUT1, PARAM_STOP_ON_INPUT2, PARAM_RESET_ON_INPUT3,
                                        PARAM_STEP_ON_INPUT4};

const data_table* program_table() {
    const data_table* t = the_program.table;
    if (!t || t->rows <= 0 || t->columns <= 0 || !t->elements) return nullptr;
    return t;
}

long data_table_bytes() {
    const data_table* t = program_table();
    return t ? 2L * t->rows * t->columns : 0;
}

// One write made at once. True when all went.
bool write_all(build_context& build, int fd, const void* bytes, std::size_t count) {
    return write_out(build, fd, static_cast<const uint8_t*>(bytes), count) == count;
}

void put_le16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void write_step_lengths(build_context& build, int fd, const uint8_t* step_lengths) {
    constexpr uint32_t per_record = TABLE_RECORD_BYTES;
    for (uint32_t first = 0; first < MAX_STEPS && build_ok; first += per_record) {
        uint32_t left = MAX_STEPS - first;
        int count = static_cast<int>(left < per_record ? left : per_record);
        write_record(build, fd, RECORD_STEP_LENGTHS, static_cast<uint16_t>(first), step_lengths + first, count,
                     "Writing step length table to disk.");
    }
}

void write_table_size(build_context& build, int fd) {
    const data_table* t = the_program.table;
    uint8_t size[TABLE_SIZE_BYTES] = {};
    if (t) {
        put_le16(size, static_cast<uint32_t>(t->rows));
        put_le16(size + 2, static_cast<uint32_t>(t->columns));
    }
    write_record(build, fd, RECORD_TABLE_SIZE, 0, size, sizeof size, "Writing data table size to disk.");
}

// Elements high byte first, 16 bytes to a record; the last record takes
// what is left.
void write_table_data(build_context& build, int fd) {
    const data_table* t = program_table();
    if (!t) return;
    if (model_code == 0 && !reduced_memory && data_table_bytes() > SMALL_TABLE_BYTES)
        report_step_error(build, at_step(nullptr), nullptr,
                          "Data Table:  IXO K400 VEP supports only 1724 data table elements.");

    static const char message[] = "Writing data table data to disk.";
    uint8_t pending[TABLE_RECORD_BYTES];
    constexpr int per_record = TABLE_RECORD_BYTES;
    int filled = 0;
    uint32_t offset = 0;
    long count = static_cast<long>(t->rows) * t->columns;
    for (long i = 0; i < count; ++i) {
        if (filled == per_record) {
            write_record(build, fd, RECORD_TABLE_DATA, static_cast<uint16_t>(offset), pending, filled, message);
            offset += static_cast<uint32_t>(filled);
            filled = 0;
        }
        pending[filled++] = static_cast<uint8_t>(t->elements[i] >> 8);
        pending[filled++] = static_cast<uint8_t>(t->elements[i]);
    }
    if (filled > 0) write_record(build, fd, RECORD_TABLE_DATA, static_cast<uint16_t>(offset), pending, filled, message);
}

void write_options(build_context& build, int fd) {
    if (model_code == 0) return;
    const uint8_t options[OPTIONS_BYTES] = {};
    write_record(build, fd, RECORD_OPTIONS, 0, options, sizeof options, "Writing options data to disk.");
}

void write_system_config(build_context& build, int fd) {
    uint8_t config = 0;
    for (int bit = 0; bit < 4; ++bit)
        if (param_value(system_config_bits[bit]) == 1) config = static_cast<uint8_t>(config | (1u << bit));
    write_record(build, fd, RECORD_SYSTEM_CONFIG, 0, &config, 1, "Writing system configuration byte to disk.");
}

void write_checksum(build_context& build, int fd) {
    uint8_t sum = checksum;
    write_record(build, fd, RECORD_CHECKSUM, 0, &sum, 1, "Writing checksum to disk.");
}

// value * 100 / base in double precision, truncated toward zero.
long percent_of(long value, long base) {
    if (base <= 0) return 0;
    return static_cast<long>(static_cast<double>(value) * 100.0 / static_cast<double>(base));
}

}  // namespace

void reset_object_file() {
    checksum = 0;
    code_offset = 0;
}

int open_object_file(build_context& build, const char* name) {
    int fd = open_binary_for_write(*build.files, name);
    if (fd < 0) return fd;
    build.hold.reset(new (std::nothrow) record_hold);
    if (build.hold) {
        build.hold->fd = fd;
        build.before_message = let_go_before_message;
    }
    return fd;
}

bool close_object_file(build_context& build, int fd) {
    record_hold* h = build.hold.get();
    if (h && h->fd == fd) {
        // Only a build cut short by an exception leaves records here: they
        // go out as they would have, with no one left to hear of a failure.
        if (h->count > 0 && !h->writing) write_out(build, fd, h->bytes, h->used);
        build.before_message = nullptr;
        build.hold.reset();
    }
    return fd < 0 || build.files->close(fd) == 0;
}

void write_object_header(build_context& build, int fd) {
    if (!build_ok) return;
    const uint8_t* magic = model_code == 0 ? NARROW_MAGIC : WIDE_MAGIC;
    if (!write_all(build, fd, magic, sizeof NARROW_MAGIC))
        report_step_error(build, at_step(nullptr), nullptr, "Writing magic DSO number.");
    if (!build_ok) return;
    const uint8_t status = 0;
    if (!write_all(build, fd, &status, 1)) report_step_error(build, at_step(nullptr), nullptr, "Zeroing status byte.");
}

void write_record(build_context& build, int fd, uint8_t type, uint16_t address, const uint8_t* data, int length,
                  const char* message) {
    if (!build_ok) return;
    // L has one byte; a longer record cannot be expressed and is not written.
    if (length < 0 || static_cast<std::size_t>(length) > RECORD_MAX_DATA) {
        report_record(build, message);
        return;
    }
    const auto size = static_cast<uint32_t>(RECORD_HEADER + static_cast<std::size_t>(length));
    record_hold* h = build.hold && build.hold->fd == fd ? build.hold.get() : nullptr;
    if (h && (h->count == record_hold::RECORDS || record_hold::BYTES - h->used < size)) {
        let_go(build);
        if (!build_ok) return;
    }
    uint8_t own[RECORD_HEADER + RECORD_MAX_DATA];
    uint8_t* record = h ? h->bytes + h->used : own;
    record[0] = static_cast<uint8_t>(length);
    record[1] = type;
    put_le16(record + 2, address);
    if (length > 0) std::memcpy(record + RECORD_HEADER, data, static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i) checksum = static_cast<uint8_t>(checksum + data[i]);
    if (!h) {
        if (!write_all(build, fd, record, size)) report_record(build, message);
        return;
    }
    h->used += size;
    h->records[h->count++] = {h->used, message, current_step, program_bytes};
}

void write_step_code(build_context& build, int fd, const uint8_t* image) {
    write_record(build, fd, RECORD_STEP_CODE, static_cast<uint16_t>(code_offset), image + 1, image[0],
                 "Writing compiled code to disk.");
    code_offset += image[0];
}

void write_object_trailer(build_context& build, int fd, const uint8_t* step_lengths) {
    if (build.hold) build.hold->compiling = false;
    write_step_lengths(build, fd, step_lengths);
    write_table_size(build, fd);
    write_table_data(build, fd);
    write_options(build, fd);
    write_system_config(build, fd);
    write_checksum(build, fd);
    let_go(build);
}

capacity_figures check_capacity(build_context& build) {
    const capacity_row& row = capacity_for(model_code, reduced_memory);
    const long steps = static_cast<long>(MAX_STEPS);
    const long program = static_cast<long>(program_bytes);
    capacity_figures figures{data_table_bytes(), 0, 0};
    const long table_bytes = figures.table_bytes;

    long table_base;
    if (separate_table_memory(model_code)) {
        total_bytes = static_cast<uint32_t>(program + steps);
        if (table_bytes > K531_TABLE_CAPACITY) {
            // Both models share the K531's data table memory and its text.
            report_step_error(build, at_step(nullptr), nullptr, "%s, %ld data table required.", k531_row().message, table_bytes);
            return figures;
        }
        table_base = K531_TABLE_CAPACITY;
    } else {
        total_bytes = static_cast<uint32_t>(program + steps + table_bytes);
        table_base = row.capacity - steps;
    }

    if (static_cast<long>(total_bytes) > row.capacity) {
        report_step_error(build, at_step(nullptr), nullptr, "%s, %ld required.", row.message, static_cast<long>(total_bytes));
        return figures;
    }
    figures.program_percent = percent_of(program, row.capacity - steps);
    figures.table_percent = percent_of(table_bytes, table_base);
    return figures;
}

std::size_t largest_object_file() {
    // Data bytes carried in so many records, their headers included.
    constexpr long header = static_cast<long>(RECORD_HEADER);
    auto in_records = [](long data, long records) { return data + header * records; };
    long largest = 0;
    for (const capacity_row& row : capacity_table) {
        const long steps = max_steps_for_code(row.code);
        const long per_record = static_cast<long>(TABLE_RECORD_BYTES);
        const bool separate = separate_table_memory(row.code);
        // What the capacity leaves beside the step length table: code, and
        // the data table where the two share one memory.
        const long budget = row.capacity - steps;
        const long table_limit = separate ? K531_TABLE_CAPACITY : budget;
        for (long table = 0; table <= table_limit; table += 2) {  // whole 16-bit elements
            const long code = separate ? budget : budget - table;
            // The most records: one per step, each as short as one byte.
            long bytes = static_cast<long>(OBJECT_HEADER_BYTES) + in_records(code, code < steps ? code : steps) +
                         in_records(steps, steps / per_record) + in_records(TABLE_SIZE_BYTES, 1) +
                         in_records(table, (table + per_record - 1) / per_record) +
                         (row.code != 0 ? in_records(OPTIONS_BYTES, 1) : 0) + in_records(1, 1) + in_records(1, 1);
            if (bytes > largest) largest = bytes;
        }
    }
    return static_cast<std::size_t>(largest);
}

void update_status_byte(build_context& build, int fd) {
    if (error_count < 1 || !build_ok) return;
    // A count that is a multiple of 256 would read as 0, "no errors": such a
    // build says 255 instead, so the downloader still refuses it.
    uint8_t status = static_cast<uint8_t>(error_count & 0xFF);
    if (status == 0) status = 0xFF;
    constexpr off_t at = STATUS_OFFSET;
    if (build.files->seek(fd, at, SEEK_SET) != at) {
        log_message(build, LOG_ERROR, "Seeking:  Downloader will not know about compiler errors.");
        return;
    }
    if (!write_all(build, fd, &status, 1)) report_step_error(build, at_step(nullptr), nullptr, "Updating status byte.");
}

std::string format_summary_line(const capacity_figures& figures) {
    char line[256];
    if (separate_table_memory(model_code)) {
        std::snprintf(line, sizeof line,
                      "Successful compile: %ld bytes program (%ld%% RAM used), %ld bytes data table (%ld%% RAM used).",
                      static_cast<long>(program_bytes), figures.program_percent, figures.table_bytes,
                      figures.table_percent);
    } else {
        std::snprintf(line, sizeof line, "Successful compile: %ld bytes program, %ld bytes data table (%ld%% RAM used).",
                      static_cast<long>(program_bytes), figures.table_bytes, figures.program_percent);
    }
    return line;
}

}  // namespace px
