// The symbol record of a build: noted by the step compiler as it goes,
// completed from the program, its places and the usage lists at the end.
#include "driver/symbol_record.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "driver/model.h"
#include "driver/source_places.h"
#include "driver/utilities.h"
#include "files/model_limits.h"
#include "steps/operand_table.h"

namespace px {

namespace {

// The word each resource kind is written with, before its "#".
struct kind_word {
    int kind;
    const char* word;
};
constexpr kind_word RESOURCE_WORDS[] = {
    {KIND_ANALOG_INPUT, SOURCE_FORMS[0].word},
    {KIND_THUMBWHEEL, SOURCE_FORMS[1].word},
    {KIND_ANALOG_OUTPUT, DESTINATION_FORMS[0].word},
    {KIND_DIGITAL_DISPLAY, DESTINATION_FORMS[1].word},
    {KIND_REGISTER, REGISTER_WORD},
    {KIND_COUNTER, COUNTER_WORD},
    {KIND_DATA_TABLE_COLUMN, COLUMN_WORD},
    {KIND_PROTOTYPE_BOARD, PROTO_WORD},
    {KIND_SERVO, SERVO_WORD},
    {KIND_STEPPER_MOTOR, MOTOR_WORD},
    {KIND_FLAG, FLAG_WORD},
    {KIND_DIGITAL_INPUT, INPUT_WORD},
};

const char* word_of(int kind) {
    for (const kind_word& w : RESOURCE_WORDS)
        if (w.kind == kind) return w.word;
    return nullptr;
}

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Where "word#number" stands in an instruction's text, without regard to
// case: the offset and length of each, the number as the compiler read it.
std::vector<std::pair<uint32_t, uint32_t>> operands_in(std::string_view text, const char* word, int64_t number) {
    std::vector<std::pair<uint32_t, uint32_t>> found;
    const std::size_t size = std::strlen(word);
    for (std::size_t at = 0; at + size < text.size(); ++at) {
        if (fold_case(text[at]) != word[0] || text[at + size] != '#') continue;
        if (at > 0 && is_letter(text[at - 1])) continue;
        if (!equal_folded(text.substr(at, size), word)) continue;
        std::size_t end = at + size + 1;
        bool negative = end < text.size() && text[end] == '-';
        if (negative) ++end;
        int64_t value = 0;
        std::size_t digits = end;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
            if (value < (int64_t{1} << 40)) value = value * 10 + (text[end] - '0');
            ++end;
        }
        if (end == digits || (negative ? -value : value) != number) continue;
        found.emplace_back(static_cast<uint32_t>(at), static_cast<uint32_t>(end - at));
    }
    return found;
}

symbol_record::where where_of(build_recording& r, const void* node, place_kind kind, int32_t value = 0) {
    symbol_record::where w;
    if (const place* p = r.places.find({node, kind, value})) w = {p->file, p->line, p->column};
    return w;
}

// The resources an instruction named, at the words that name them: each
// number once however often the compiler read it.
void collect_named(symbol_record& s, std::size_t& next, const void* node, uint32_t step_number) {
    const uint32_t index = static_cast<uint32_t>(s.instructions.size() - 1);
    const symbol_record::instruction_entry& in = s.instructions.back();
    const std::size_t first = next;
    for (; next < s.named.size() && s.named[next].instruction == node; ++next) {
        const symbol_record::pending_resource& named = s.named[next];
        bool again = false;
        for (std::size_t k = first; k < next && !again; ++k)
            again = s.named[k].kind == named.kind && s.named[k].number == named.number;
        if (again || in.at.line == 0) continue;
        std::string_view written = s.text(in);
        symbol_record::resource_use use;
        use.kind = named.kind;
        use.number = named.number;
        use.step = step_number;
        use.instruction = index;
        const char* word = word_of(named.kind);
        std::vector<std::pair<uint32_t, uint32_t>> spots;
        if (word) spots = operands_in(written, word, named.number);
        if (spots.empty()) spots.emplace_back(0, static_cast<uint32_t>(written.size()));
        for (const auto& [offset, length] : spots) {
            use.at = {in.at.file, in.at.line, in.at.column + offset};
            use.length = length;
            s.resources.push_back(use);
        }
    }
}

// The steps in program order, and with them the resources they use: their
// output changes and what their instructions name. The instructions were
// compiled in program order (a build cut short compiled only the first of
// them), so what was noted of them is taken in order too.
void collect_steps(build_recording& r, symbol_record& s) {
    std::size_t next_code = 0, next_named = 0;
    for (list_node* n = the_program.steps; !is_end(n); n = n->next) {
        const step* st = step_of(n);
        symbol_record::step_entry e;
        e.number = st->number;
        const uint32_t* written = r.written_numbers.find(n);
        e.written = written ? *written : st->number;
        e.labelled = st->label != nullptr;
        if (st->label) e.label = st->label;
        e.header = where_of(r, n, PLACE_STEP);
        e.label_at = where_of(r, n, PLACE_LABEL);
        e.outputs.at = static_cast<uint32_t>(s.outputs.size());
        for (list_node* o = st->output_changes; !is_end(o); o = o->next) {
            int32_t value = output_change_of(o)->value;
            symbol_record::where at = where_of(r, n, PLACE_OUTPUT, value);
            s.outputs.push_back({at, value});
            symbol_record::resource_use use;
            use.kind = KIND_DIGITAL_OUTPUT;
            use.number = value < 0 ? -value : value;
            use.at = at;
            use.step = st->number;
            use.change = value;
            s.resources.push_back(use);
        }
        e.outputs.size = static_cast<uint32_t>(s.outputs.size()) - e.outputs.at;
        e.instructions.at = static_cast<uint32_t>(s.instructions.size());
        for (list_node* i = st->instructions; !is_end(i); i = i->next) {
            symbol_record::instruction_entry in;
            in.at = where_of(r, i, PLACE_INSTRUCTION);
            const char* text = instruction_of(i)->text;
            std::size_t size = text ? std::strlen(text) : 0;
            in.text = {static_cast<uint32_t>(s.texts.size()), static_cast<uint32_t>(size)};
            s.texts.append(text ? text : "", size);
            if (next_code < s.codes.size() && s.codes[next_code].instruction == i) in.code = s.codes[next_code++].code;
            s.instructions.push_back(in);
            collect_named(s, next_named, i, st->number);
        }
        e.instructions.size = static_cast<uint32_t>(s.instructions.size()) - e.instructions.at;
        s.steps.push_back(std::move(e));
    }
}

void collect_destinations(build_recording& r, symbol_record& s) {
    for (const symbol_record::pending_destination& d : s.pending) {
        symbol_record::where at = where_of(r, d.instruction, PLACE_INSTRUCTION);
        if (at.line == 0) continue;
        at.column += d.offset;
        s.destinations.push_back({at, d.length, d.kind, d.step, d.target});
    }
}

void collect_limits(symbol_record& s) {
    s.max_steps = max_steps();
    int32_t* h = s.highest;
    h[KIND_ANALOG_INPUT] = SOURCE_FORMS[0].high;
    h[KIND_ANALOG_OUTPUT] = DESTINATION_FORMS[0].high;
    h[KIND_THUMBWHEEL] = SOURCE_FORMS[1].high;
    h[KIND_DIGITAL_DISPLAY] = DESTINATION_FORMS[1].high;
    h[KIND_STEPPER_MOTOR] = MOTORS;
    h[KIND_SERVO] = SERVOS;
    h[KIND_PROTOTYPE_BOARD] = PROTO_BOARDS;
    h[KIND_DIGITAL_INPUT] = digital_limit();
    h[KIND_DIGITAL_OUTPUT] = digital_limit();
    h[KIND_DATA_TABLE_COLUMN] = the_program.table ? std::min(the_program.table->columns, COLUMNS) : 0;
    h[KIND_FLAG] = FLAGS;
    h[KIND_COUNTER] = COUNTERS;
    h[KIND_REGISTER] = REGISTERS;
}

}  // namespace

std::string symbol_record::text(const resource_use& use) const {
    if (use.instruction == NO_INSTRUCTION) return use.change == 0 ? "all off" : use.change > 0 ? "on" : "off";
    return std::string(text(instructions[use.instruction]));
}

void symbol_record::clear() {
    steps.clear();
    outputs.clear();
    instructions.clear();
    destinations.clear();
    resources.clear();
    texts.clear();
    code.clear();
    codes.clear();
    pending.clear();
    named.clear();
    max_steps = 0;
    for (int32_t& h : highest) h = 0;
}

void note_instruction_code(build_context& build, const void* instruction, const uint8_t* code, std::size_t length) {
    symbol_record* s = build.symbols;
    if (!s) return;
    s->codes.push_back({instruction, {static_cast<uint32_t>(s->code.size()), static_cast<uint32_t>(length)}});
    s->code.insert(s->code.end(), code, code + length);
}

void note_destination(build_context& build, const void* instruction, uint32_t offset, uint32_t length,
                      symbol_record::destination_kind kind, uint32_t step, uint32_t target) {
    if (build.symbols) build.symbols->pending.push_back({instruction, offset, length, kind, step, target});
}

void collect_symbols(build_context& build) {
    symbol_record* s = build.symbols;
    if (!s || !build.recording) return;
    build_recording& r = *build.recording;
    collect_steps(r, *s);
    collect_destinations(r, *s);
    collect_limits(*s);
    s->codes.clear();
    s->pending.clear();
    s->named.clear();
}

}  // namespace px
