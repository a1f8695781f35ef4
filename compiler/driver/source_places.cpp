// The places of a program's parts and the diagnostics of a recorded build.
#include "driver/source_places.h"

#include <cstdint>
#include <string>
#include <utility>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/graph_record.h"
#include "platform/file_names.h"

namespace px {

namespace {

const place* find_place(build_recording& r, const void* node, place_kind kind, int32_t value = 0) {
    return r.places.find({node, kind, value});
}

source_location location_of(const build_recording& r, const place& p) {
    source_location where;
    if (p.file < r.files.size()) where.file = r.files[p.file];
    where.line = p.line;
    where.column = p.column;
    return where;
}

source_location whole_build(const build_recording& r) {
    source_location where;
    where.file = r.path;
    return where;
}

// The place of the part of a step a message is about, or null when the
// reader noted none.
const place* place_of(build_recording& r, const message_place& where, const list_node* step_node,
                      bool has_instruction) {
    switch (where.kind) {
    case message_place::OPERAND:
    case message_place::INSTRUCTION:
        if (has_instruction && !is_end(current_instruction))
            if (const place* p = find_place(r, current_instruction, PLACE_INSTRUCTION)) return p;
        break;
    case message_place::LABEL:
        if (where.label_of)
            if (const place* p = find_place(r, where.label_of, PLACE_LABEL)) return p;
        break;
    case message_place::OUTPUT:
        if (!is_end(step_node))
            if (const place* p = find_place(r, step_node, PLACE_OUTPUT, where.output)) return p;
        break;
    case message_place::STEP:
    case message_place::POSITION:
        break;
    }
    return is_end(step_node) ? nullptr : find_place(r, step_node, PLACE_STEP);
}

}  // namespace

uint32_t note_file(build_context& build, const char* name) {
    build_recording* r = build.recording;
    if (!r || !name) return 0;
    std::string shown = resolve_path(name);
    for (uint32_t i = 0; i < r->files.size(); ++i)
        if (r->files[i] == shown) return i;
    r->files.push_back(shown);
    return static_cast<uint32_t>(r->files.size() - 1);
}

void note_place(build_context& build, const void* node, place_kind kind, int32_t value, uint32_t file,
                uint32_t line, uint32_t column) {
    if (build.recording) build.recording->places.note({node, kind, value}, place{file, line, column});
    graph_note_place(build, node, kind, place{file, line, column});
}

void note_step_written(build_context& build, const void* step_node, uint32_t number) {
    if (build.recording) build.recording->written_numbers.note(step_node, number);
    graph_note_written(build, step_node, number);
}

void record_log_message(build_context& build, int level, const std::string& message, const file_place* where) {
    build_recording* r = build.recording;
    if (!r || level == LOG_INFO) return;
    diagnostic d;
    d.level = level;
    d.message = message;
    // The configuration messages carry a line end of their own.
    while (!d.message.empty() && (d.message.back() == '\n' || d.message.back() == '\r')) d.message.pop_back();
    d.where = where ? location_of(*r, place{where->file, where->line, where->column}) : whole_build(*r);
    r->diagnostics.push_back(std::move(d));
}

void record_step_error(build_context& build, const message_place& where, const char* instruction_text,
                       const std::string& message) {
    build_recording* r = build.recording;
    if (!r) return;
    diagnostic d;
    d.level = LOG_ERROR;
    d.compile_error = true;
    d.message = message;
    const list_node* step_node = where.step ? where.step : current_step;
    if (!is_end(step_node)) {
        d.step = step_of(const_cast<list_node*>(step_node))->number;
        const uint32_t* written = r->written_numbers.find(step_node);
        d.step_as_written = written ? *written : d.step;
    }
    if (where.kind == message_place::POSITION) {
        d.where = location_of(*r, place{where.position.file, where.position.line, where.position.column});
        r->diagnostics.push_back(std::move(d));
        return;
    }
    const place* p = place_of(*r, where, step_node, instruction_text != nullptr);
    if (!p) {
        d.where = whole_build(*r);
    } else {
        d.where = location_of(*r, *p);
        bool on_instruction = p->line != 0 && where.kind == message_place::OPERAND &&
                              find_place(*r, current_instruction, PLACE_INSTRUCTION) == p;
        if (on_instruction) {
            d.where.column += where.offset;
            d.length = where.length;
        }
    }
    r->diagnostics.push_back(std::move(d));
}

}  // namespace px
