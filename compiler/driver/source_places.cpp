// The places of a program's parts and the diagnostics of a recorded build.
#include "driver/source_places.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "platform/file_names.h"

namespace px {

build_recording* recording = nullptr;

namespace {

// The step compiler's working text, where operand marks point.
const std::string* working_text = nullptr;

std::string_view working() { return working_text ? std::string_view(working_text->c_str()) : std::string_view(); }

const place* find_place(const void* node, place_kind kind, int32_t value = 0) {
    return recording->places.find({node, kind, value});
}

source_location location_of(const place& p) {
    source_location where;
    if (p.file < recording->files.size()) where.file = recording->files[p.file];
    where.line = p.line;
    where.column = p.column;
    return where;
}

source_location whole_build() {
    source_location where;
    where.file = recording->path;
    return where;
}

// A pending place is good for one message only.
bool take_pending(source_location& where) {
    if (!recording->pending) return false;
    recording->pending = false;
    where = location_of(recording->pending_place);
    return true;
}

// Column of the operand being read, counted from the instruction's first
// character; 0 when no operand is marked or the mark lies elsewhere.
uint32_t operand_offset() {
    const char* at = recording->operand;
    if (!at) return 0;
    std::string_view working = px::working();
    if (at < working.data() || at >= working.data() + working.size()) return 0;
    return static_cast<uint32_t>(at - working.data());
}

// A range message without a marked operand names the resource whose number
// was recorded last: the first "word#number" of the instruction that carries
// that number. 0 when there is none.
uint32_t numbered_operand_offset(std::string_view message) {
    if (message.find("supports only") == std::string_view::npos) return 0;
    std::string_view working = px::working();
    for (std::size_t hash = working.find('#'); hash != std::string_view::npos; hash = working.find('#', hash + 1)) {
        std::size_t end = hash + 1;
        int64_t value = 0;
        while (end < working.size() && working[end] >= '0' && working[end] <= '9' && value <= INT32_MAX)
            value = value * 10 + (working[end++] - '0');
        if (end == hash + 1 || value != recording->last_number) continue;
        std::size_t start = hash;
        while (start > 0 && working[start - 1] >= 'a' && working[start - 1] <= 'z') --start;
        return static_cast<uint32_t>(start);
    }
    return 0;
}

}  // namespace

void note_working_text(const std::string* text) { working_text = text; }

uint32_t note_file(const char* name) {
    if (!recording || !name) return 0;
    std::string shown = resolve_path(name);
    for (uint32_t i = 0; i < recording->files.size(); ++i)
        if (recording->files[i] == shown) return i;
    recording->files.push_back(shown);
    return static_cast<uint32_t>(recording->files.size() - 1);
}

void note_place(const void* node, place_kind kind, int32_t value, uint32_t file, uint32_t line, uint32_t column) {
    if (!recording) return;
    recording->places.note({node, kind, value}, place{file, line, column});
}

void note_step_written(const void* step_node, uint32_t number) {
    if (recording) recording->written_numbers.note(step_node, number);
}

void note_message_place(uint32_t file, uint32_t line, uint32_t column) {
    if (!recording) return;
    recording->pending = true;
    recording->pending_place = place{file, line, column};
}

void note_message_file(const char* name) {
    if (recording) note_message_place(note_file(name), 0, 0);
}

operand_mark::operand_mark(const char* at) : saved(recording ? recording->operand : nullptr) {
    if (recording) recording->operand = at;
}
operand_mark::~operand_mark() {
    if (recording) recording->operand = saved;
}

output_mark::output_mark(int32_t value) {
    if (!recording) return;
    recording->output_marked = true;
    recording->output_value = value;
}
output_mark::~output_mark() {
    if (recording) recording->output_marked = false;
}

label_mark::label_mark(const void* step_node) {
    if (recording) recording->label_step = step_node;
}
label_mark::~label_mark() {
    if (recording) recording->label_step = nullptr;
}

marks_set_aside::marks_set_aside() {
    if (!recording) return;
    std::swap(pending, recording->pending);
    std::swap(operand, recording->operand);
    std::swap(output_marked, recording->output_marked);
    std::swap(label_step, recording->label_step);
}
marks_set_aside::~marks_set_aside() {
    if (!recording) return;
    recording->pending = pending;
    recording->operand = operand;
    recording->output_marked = output_marked;
    recording->label_step = label_step;
}

void record_log_message(int level, const std::string& message) {
    if (!recording || level == LOG_INFO) return;
    diagnostic d;
    d.level = level;
    d.message = message;
    // The configuration messages carry a line end of their own.
    while (!d.message.empty() && (d.message.back() == '\n' || d.message.back() == '\r')) d.message.pop_back();
    if (!take_pending(d.where)) d.where = whole_build();
    recording->diagnostics.push_back(std::move(d));
}

void record_step_error(const char* instruction_text, const std::string& message) {
    if (!recording) return;
    diagnostic d;
    d.level = LOG_ERROR;
    d.compile_error = true;
    d.message = message;
    if (!is_end(current_step)) {
        d.step = step_of(current_step)->number;
        const uint32_t* written = recording->written_numbers.find(current_step);
        d.step_as_written = written ? *written : d.step;
    }
    const place* p = nullptr;
    uint32_t offset = 0;
    if (take_pending(d.where)) {
        recording->diagnostics.push_back(std::move(d));
        return;
    }
    if (instruction_text && !is_end(current_instruction) &&
        (p = find_place(current_instruction, PLACE_INSTRUCTION)) != nullptr) {
        offset = operand_offset();
        if (offset == 0) offset = numbered_operand_offset(message);
    } else if (recording->label_step) {
        p = find_place(recording->label_step, PLACE_LABEL);
    } else if (recording->output_marked && !is_end(current_step)) {
        p = find_place(current_step, PLACE_OUTPUT, recording->output_value);
    }
    if (!p && !is_end(current_step)) p = find_place(current_step, PLACE_STEP);
    if (p) {
        d.where = location_of(*p);
        d.where.column += offset;
    } else {
        d.where = whole_build();
    }
    recording->diagnostics.push_back(std::move(d));
}

}  // namespace px
