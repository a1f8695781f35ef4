// The step compiler's notes for a caller that draws the program.
#include "driver/graph_record.h"

#include "files/model_limits.h"

namespace px {

void graph_record::clear() {
    wide = false;
    steps.clear();
    instructions.clear();
    texts.clear();
    code.clear();
    named_labels.clear();
    step_places.clear();
}

void graph_note_place(build_context& build, const void* node, place_kind kind, const place& where) {
    if (!build.graph || (kind != PLACE_STEP && kind != PLACE_LABEL)) return;
    graph_record::step_place& p = build.graph->step_places[node];
    (kind == PLACE_STEP ? p.header : p.label) = where;
}

void graph_note_written(build_context& build, const void* step_node, uint32_t number) {
    if (build.graph) build.graph->step_places[step_node].written = number;
}

void graph_note_step(build_context& build, list_node* step_node) {
    graph_record* g = build.graph;
    if (!g) return;
    const step* s = step_of(step_node);
    g->wide = wide_numbering();
    graph_record::step_entry& e = g->steps.emplace_back();
    e.number = s->number;
    e.written = s->number;
    if (s->label) e.label = s->label;
    auto noted = g->step_places.find(step_node);
    if (noted != g->step_places.end()) {
        const graph_record::step_place& p = noted->second;
        e.file = p.header.file;
        e.line = p.header.line;
        e.column = p.header.column;
        e.label_line = p.label.line;
        e.label_column = p.label.column;
        if (p.written != 0) e.written = p.written;
    }
    e.first_instruction = static_cast<uint32_t>(g->instructions.size());
}

void graph_note_instruction(build_context& build, list_node* instruction_node, int begin, int end, bool failed) {
    graph_record* g = build.graph;
    if (!g || g->steps.empty()) return;
    graph_record::instruction& i = g->instructions.emplace_back();
    if (g->keep_texts && instruction_of(instruction_node)->text) {
        std::string_view text = instruction_of(instruction_node)->text;
        i.text = static_cast<uint32_t>(g->texts.size());
        i.text_length = static_cast<uint32_t>(text.size());
        g->texts += text;
    }
    i.begin = static_cast<uint32_t>(begin);
    i.end = static_cast<uint32_t>(end);
    i.failed = failed;
    ++g->steps.back().instruction_count;
}

void graph_note_code(build_context& build, const uint8_t* image) {
    graph_record* g = build.graph;
    if (!g || g->steps.empty()) return;
    graph_record::step_entry& e = g->steps.back();
    e.has_code = true;
    e.code = static_cast<uint32_t>(g->code.size());
    e.code_length = image[0];
    g->code.insert(g->code.end(), image + 1, image + 1 + image[0]);
}

void graph_note_label_named(build_context& build, uint32_t step_number) {
    if (build.graph) build.graph->named_labels.push_back(step_number);
}

}  // namespace px
