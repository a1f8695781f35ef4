// Goto destinations: "next", a bracketed step number, or a label.
//
// A program may carry thousands of labels and as many goto clauses, so the
// labels and step numbers are indexed once per walk over the program instead
// of being searched for every clause. The index lives in the build and holds
// step numbers only, never pointers into the program. It is trusted only
// within the pool it was built in, even where a later program reuses the old
// addresses; compile_step drops it as well whenever a new walk over the
// program begins.
#include "steps/goto_destination.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/graph_record.h"
#include "driver/helpers.h"
#include "driver/symbol_record.h"
#include "driver/utilities.h"
#include "files/model_limits.h"
#include "steps/encoding.h"
#include "steps/frame.h"
#include "steps/scan.h"
#include "steps/syntax_table.h"

namespace px {

namespace {

// A label matches the destination when it equals the text there, without
// regard to case and over the label's length, and the next character ends a
// name.
bool label_matches(const char* label, const char* at) {
    std::size_t length = std::strlen(label);
    for (std::size_t i = 0; i < length; ++i)
        if (at[i] == '\0' || fold_case(at[i]) != fold_case(label[i])) return false;
    return is_name_delimiter(at[length]);
}

bool has_name_delimiter(const char* label) {
    for (const char* p = label; *p; ++p)
        if (is_name_delimiter(*p)) return true;
    return false;
}

destination_index& current_index(build_context& build) {
    destination_index& index = build.destinations;
    list_node* head = the_program.steps;
    if (index.built && index.head == head && index.generation == pool_generation()) return index;
    reset_destination_index(build);
    std::size_t order = 0;
    for (list_node* n = the_program.steps; !is_end(n); n = n->next, ++order) {
        const step* s = step_of(n);
        index.numbers.push_back(s->number);
        if (!s->label) continue;
        destination_index::labelled_step where{order, s->number};
        if (has_name_delimiter(s->label))
            index.odd_labels.push_back({s->label, where});
        else
            index.labels.emplace(folded(s->label), where);  // keeps the first
    }
    // The program keeps its steps in ascending order; a list that does not
    // is sorted here, so the search below holds either way.
    if (!std::is_sorted(index.numbers.begin(), index.numbers.end()))
        std::sort(index.numbers.begin(), index.numbers.end());
    index.head = head;
    index.generation = pool_generation();
    index.built = true;
    return index;
}

bool has_step(const destination_index& index, uint32_t number) {
    return std::binary_search(index.numbers.begin(), index.numbers.end(), number);
}

// The first step in program order whose label matches at `at`, or nullptr.
const destination_index::labelled_step* find_label(build_context& build, const char* at) {
    destination_index& index = current_index(build);
    const destination_index::labelled_step* best = nullptr;
    std::size_t word = 0;
    while (!is_name_delimiter(at[word])) ++word;
    auto hit = index.labels.find(folded(std::string_view(at, word)));
    if (hit != index.labels.end()) best = &hit->second;
    for (const destination_index::odd_label& odd : index.odd_labels) {
        if (best && odd.where.order > best->order) break;
        if (label_matches(odd.text.c_str(), at)) return &odd.where;
    }
    return best;
}

// For an editor: the word at `place` in the working text names step
// `target` (0: none). A step number runs to its "]".
void note_use(instruction_frame& f, const char* place, symbol_record::destination_kind kind, uint32_t target) {
    if (!f.build.symbols || is_end(current_instruction)) return;
    std::size_t size = std::strlen(f.working);
    if (place < f.working || place >= f.working + size) return;
    auto in_word = [kind](char c) {
        return !is_name_delimiter(c) || (kind == symbol_record::TO_NUMBER && (c == '[' || c == ']'));
    };
    const char* end = place;
    while (*end != '\0' && in_word(*end)) ++end;
    note_destination(f.build, current_instruction, static_cast<uint32_t>(place - f.working),
                     static_cast<uint32_t>(end - place), kind, is_end(current_step) ? 0 : step_of(current_step)->number,
                     target);
}

}  // namespace

void reset_destination_index(build_context& build) {
    destination_index& index = build.destinations;
    index.built = false;
    index.head = nullptr;
    index.numbers.clear();
    index.labels.clear();
    index.odd_labels.clear();
}

void note_step_compiled(build_context& build, list_node* step_node) {
    // The build driver compiles the steps one after the other; anything else
    // is a new walk, perhaps over a program that reuses the old addresses.
    destination_index& index = build.destinations;
    if (is_end(step_node->prev) || step_node->prev != index.last_compiled) reset_destination_index(build);
    index.last_compiled = step_node;
}

std::optional<destination> goto_destination(instruction_frame& f, const char* cursor) {
    const char* at = skip_blanks(cursor ? cursor : "");
    if (!starts_with_folded(at, "goto")) {
        report(f, syntax::GOTO, static_cast<int>(max_steps()));
        return std::nullopt;
    }
    return resolve_destination(f, skip_blanks(at + 4));
}

std::optional<destination> resolve_destination(instruction_frame& f, const char* at, const char* place) {
    const uint32_t here = is_end(current_step) ? 0 : step_of(current_step)->number;
    if (starts_with_folded(at, "next") && is_name_delimiter(at[4])) {
        list_node* following = is_end(current_step) ? &end_marker : current_step->next;
        if (is_end(following) || step_of(following)->number != here + 1) {
            note_use(f, place, symbol_record::TO_NEXT, 0);
            report_at(f, place, "The next step does not exist.");
            return std::nullopt;
        }
        note_use(f, place, symbol_record::TO_NEXT, here + 1);
        return destination{DEST_NEXT, 0};
    }

    int32_t number = 0;
    if (scan(at, "[%d", &number) == 1 && number != 0) {
        if (number < 0 || !has_step(current_index(f.build), static_cast<uint32_t>(number))) {
            note_use(f, place, symbol_record::TO_NUMBER, 0);
            report_at(f, place, "The destination step does not exist.");
            return std::nullopt;
        }
        note_use(f, place, symbol_record::TO_NUMBER, static_cast<uint32_t>(number));
        return destination{DEST_STEP, static_cast<uint32_t>(number) - 1};
    }

    const destination_index::labelled_step* found = find_label(f.build, at);
    note_use(f, place, symbol_record::TO_LABEL, found ? found->number : 0);
    if (!found) {
        report_at(f, place, "The destination label does not exist.");
        return std::nullopt;
    }
    graph_note_label_named(f.build, found->number);
    return destination{DEST_STEP, found->number - 1};
}

void append_step_index(instruction_frame& f, uint32_t index) {
    f.append(static_cast<uint8_t>(index & 0xFF));
    if (wide_numbering()) f.append(static_cast<uint8_t>((index >> 8) & 0xFF));
}

void append_destination(instruction_frame& f, const destination& dest) {
    if (dest.kind == DEST_STEP) append_step_index(f, dest.index);
}

}  // namespace px
