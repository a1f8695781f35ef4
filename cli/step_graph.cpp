// Steps and their ways out, read from the step code by the object file's
// decoders.
#include "step_graph.h"

#include <algorithm>
#include <utility>

#include "steps/decode.h"

namespace pxc {

namespace {

using px::decoded_instruction;

// The ways out of one instruction, in the order its text names them: the
// tasks of "do", then the goto clause.
void add_ways_out(step_graph& g, uint32_t from, const decoded_instruction& d, uint32_t text) {
    for (uint32_t task : d.tasks) g.edges.push_back({from, task, edge_kind::task, false, text});
    if (d.goto_clause == decoded_instruction::clause::next)
        g.edges.push_back({from, from + 1, edge_kind::go, true, text});
    else if (d.goto_clause == decoded_instruction::clause::step)
        g.edges.push_back({from, d.goto_step, edge_kind::go, false, text});
}

void note_effect(graph_step& s, const decoded_instruction& d) {
    if (d.effect != decoded_instruction::flow::chooses) s.only_chooses = false;
    if (d.effect == decoded_instruction::flow::ends_task) s.ends_task = true;
}

// A step with an instruction that failed: the failed one may have left some
// of its bytes, and the code after them would be read out of step. Each
// instruction that compiled is read back alone, from its own bytes.
void add_ways_out_one_by_one(step_graph& g, graph_step& s, const px::graph_record& record,
                             const px::graph_record::step_entry& e, const px::graph_record::instruction* written) {
    const uint8_t* code = record.code.data() + e.code;
    std::vector<uint8_t> alone;
    for (uint32_t i = 0; i < e.instruction_count; ++i) {
        const px::graph_record::instruction& w = written[i];
        // Offsets count from the output-change count byte; a step cut at 255
        // bytes keeps only what fits.
        const uint32_t end = std::min(w.end, e.code_length);
        if (w.failed || end <= w.begin) continue;
        alone.assign(1, 0);  // no output changes
        alone.insert(alone.end(), code + w.begin, code + end);
        px::decoded_step one = px::decode_step(alone.data(), alone.size(), record.wide);
        if (one.failed) continue;
        for (const decoded_instruction& d : one.instructions) {
            add_ways_out(g, s.step, d, s.first_instruction + i);
            note_effect(s, d);
        }
    }
}

std::vector<uint32_t> destinations(const step_graph& g) {
    std::vector<uint32_t> named;
    named.reserve(g.edges.size());
    for (const graph_edge& e : g.edges) named.push_back(e.to);
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    return named;
}

}  // namespace

std::string_view step_graph::instruction(uint32_t i) const {
    uint32_t begin = i == 0 ? 0 : instruction_ends[i - 1];
    return std::string_view(instruction_text).substr(begin, instruction_ends[i] - begin);
}

uint32_t step_graph::add_instruction(std::string_view text) {
    instruction_text += text;
    instruction_ends.push_back(static_cast<uint32_t>(instruction_text.size()));
    return static_cast<uint32_t>(instruction_ends.size() - 1);
}

const graph_step* step_graph::find(uint32_t number) const {
    auto at = std::lower_bound(steps.begin(), steps.end(), number,
                               [](const graph_step& s, uint32_t n) { return s.step < n; });
    return at != steps.end() && at->step == number ? &*at : nullptr;
}

step_graph graph_of_build(const px::graph_record& record, const std::vector<std::string>& files) {
    step_graph g;
    std::vector<uint32_t> named_labels = record.named_labels;
    std::sort(named_labels.begin(), named_labels.end());
    std::vector<graph_step> all;
    all.reserve(record.steps.size());
    g.instruction_text.reserve(record.texts.size());
    g.instruction_ends.reserve(record.instructions.size());
    for (const px::graph_record::step_entry& e : record.steps) {
        graph_step& s = all.emplace_back();
        s.step = e.number;
        s.step_as_written = e.written;
        s.label = e.label;
        if (e.file < files.size()) s.file = files[e.file];
        s.line = e.line;
        s.column = e.column;
        s.label_line = e.label_line;
        s.label_column = e.label_column;
        s.has_code = e.has_code;
        s.label_named = !e.label.empty() && std::binary_search(named_labels.begin(), named_labels.end(), e.number);
        const px::graph_record::instruction* written = record.instructions.data() + e.first_instruction;
        s.first_instruction = static_cast<uint32_t>(g.instruction_ends.size());
        s.instruction_count = e.instruction_count;
        bool any_failed = false;
        for (uint32_t i = 0; i < e.instruction_count; ++i) {
            g.add_instruction(record.text_of(written[i]));
            s.whole = s.whole && written[i].end > written[i].begin && !written[i].failed;
            any_failed = any_failed || written[i].failed;
        }
        if (!e.has_code) continue;
        if (any_failed) {
            add_ways_out_one_by_one(g, s, record, e, written);
            continue;
        }
        // Each instruction read back belongs to the source instruction whose
        // bytes it starts in; both run in the same order.
        px::decoded_step code = px::decode_step(record.code.data() + e.code, e.code_length, record.wide);
        s.whole = s.whole && !code.failed;
        uint32_t source = 0;
        for (const decoded_instruction& d : code.instructions) {
            while (source < e.instruction_count && written[source].end <= d.offset) ++source;
            bool attributed = source < e.instruction_count && written[source].begin <= d.offset;
            add_ways_out(g, s.step, d, attributed ? s.first_instruction + source : g.add_instruction(d.text));
            note_effect(s, d);
        }
    }
    std::vector<uint32_t> named = destinations(g);
    for (graph_step& s : all)
        if (s.has_code || std::binary_search(named.begin(), named.end(), s.step)) g.steps.push_back(std::move(s));
    return g;
}

step_graph graph_of_object(const px::object_contents& object, const std::string& file) {
    step_graph g;
    for (const px::object_step& o : object.steps) {
        if (o.number == 0) continue;  // the length table does not reach it
        graph_step& s = g.steps.emplace_back();
        s.step = o.number;
        s.step_as_written = o.number;
        s.file = file;
        s.has_code = true;
        px::decoded_step code = px::decode_step(o.code.data(), o.code.size(), object.wide);
        s.whole = !code.failed;
        s.first_instruction = static_cast<uint32_t>(g.instruction_ends.size());
        for (const decoded_instruction& d : code.instructions) {
            add_ways_out(g, s.step, d, g.add_instruction(d.text));
            note_effect(s, d);
        }
        s.instruction_count = static_cast<uint32_t>(g.instruction_ends.size()) - s.first_instruction;
    }
    std::sort(g.steps.begin(), g.steps.end(), [](const graph_step& a, const graph_step& b) { return a.step < b.step; });
    // A step that a way out names but that has no code is not in the file;
    // it is drawn, as it is from the sources.
    std::vector<graph_step> missing;
    for (uint32_t number : destinations(g)) {
        if (g.find(number)) continue;
        graph_step& s = missing.emplace_back();
        s.step = number;
        s.step_as_written = number;
        s.file = file;
    }
    if (!missing.empty()) {
        g.steps.insert(g.steps.end(), std::make_move_iterator(missing.begin()), std::make_move_iterator(missing.end()));
        std::sort(g.steps.begin(), g.steps.end(),
                  [](const graph_step& a, const graph_step& b) { return a.step < b.step; });
    }
    return g;
}

}  // namespace pxc
