// The step compiler's notes for a caller that draws the program.
#include "driver/graph_record.h"

#include "driver/source_places.h"
#include "files/model_limits.h"

namespace px {

namespace {

const place* noted(build_context& build, const void* node, place_kind kind) {
    return build.recording ? build.recording->places.find({node, kind, 0}) : nullptr;
}

}  // namespace

void graph_note_step(build_context& build, list_node* step_node) {
    graph_record* g = build.graph;
    if (!g) return;
    const step* s = step_of(step_node);
    g->wide = wide_numbering();
    graph_record::step_entry& e = g->steps.emplace_back();
    e.number = s->number;
    e.written = s->number;
    if (s->label) e.label = s->label;
    if (const place* p = noted(build, step_node, PLACE_STEP)) {
        e.file = p->file;
        e.line = p->line;
        e.column = p->column;
    }
    if (const place* p = noted(build, step_node, PLACE_LABEL)) {
        e.label_line = p->line;
        e.label_column = p->column;
    }
    if (build.recording)
        if (const uint32_t* written = build.recording->written_numbers.find(step_node)) e.written = *written;
}

void graph_note_instruction(build_context& build, list_node* instruction_node, int begin, int end) {
    graph_record* g = build.graph;
    if (!g || g->steps.empty()) return;
    graph_record::instruction& i = g->steps.back().instructions.emplace_back();
    if (const char* text = instruction_of(instruction_node)->text) i.text = text;
    i.begin = static_cast<uint32_t>(begin);
    i.end = static_cast<uint32_t>(end);
}

void graph_note_code(build_context& build, const uint8_t* image) {
    graph_record* g = build.graph;
    if (!g || g->steps.empty()) return;
    graph_record::step_entry& e = g->steps.back();
    e.has_code = true;
    e.code.assign(image + 1, image + 1 + image[0]);
}

void graph_note_label_named(build_context& build, uint32_t step_number) {
    if (build.graph) build.graph->named_labels.push_back(step_number);
}

}  // namespace px
