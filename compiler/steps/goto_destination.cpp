// Goto destinations: "next", a bracketed step number, or a label.
//
// A program may carry thousands of labels and as many goto clauses, so the
// labels and step numbers are indexed once per walk over the program instead
// of being searched for every clause. The index holds step numbers only,
// never pointers into the program, and lives on the heap, so nothing of it
// dies with a build's pool. It is trusted only within the pool it was built
// in, even where a later program reuses the old addresses; compile_step drops
// it as well whenever a new walk over the program begins.
#include "steps/goto_destination.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/helpers.h"
#include "driver/source_places.h"
#include "driver/utilities.h"
#include "files/model_limits.h"
#include "steps/encoding.h"
#include "steps/frame.h"
#include "steps/scan.h"

namespace px {

namespace {

destination result;

// A label matches the destination when it equals the text there, without
// regard to case and over the label's length, and the next character ends a
// name.
bool label_matches(const char* label, const char* at) {
    std::size_t length = std::strlen(label);
    for (std::size_t i = 0; i < length; ++i)
        if (at[i] == '\0' || fold_case(at[i]) != fold_case(label[i])) return false;
    return is_name_delimiter(at[length]);
}

struct labelled_step {
    std::size_t order;  // position in the program, for "the first one wins"
    uint32_t number;
};

struct odd_label {
    std::string text;
    labelled_step where;
};

struct destination_index {
    bool built = false;
    list_node* head = nullptr;  // first step of the program it was built for
    uint64_t generation = 0;    // the pool that program lives in
    std::vector<uint32_t> numbers;  // ascending, as the steps are
    // Labels made of name characters only, folded: such a label matches
    // exactly when it equals the destination's first word.
    std::unordered_map<std::string, labelled_step> labels;
    // Labels holding a character that ends a name cannot be found by the
    // first word; they are few and tried one by one, in program order.
    std::vector<odd_label> odd_labels;
};

destination_index the_index;
list_node* last_compiled = nullptr;

bool has_name_delimiter(const char* label) {
    for (const char* p = label; *p; ++p)
        if (is_name_delimiter(*p)) return true;
    return false;
}

destination_index& current_index() {
    list_node* head = the_program.steps;
    if (the_index.built && the_index.head == head && the_index.generation == pool_generation())
        return the_index;
    reset_destination_index();
    std::size_t order = 0;
    for (list_node* n = the_program.steps; !is_end(n); n = n->next, ++order) {
        const step* s = step_of(n);
        the_index.numbers.push_back(s->number);
        if (!s->label) continue;
        labelled_step where{order, s->number};
        if (has_name_delimiter(s->label))
            the_index.odd_labels.push_back({s->label, where});
        else
            the_index.labels.emplace(folded(s->label), where);  // keeps the first
    }
    // The program keeps its steps in ascending order; a list that does not
    // is sorted here, so the search below holds either way.
    if (!std::is_sorted(the_index.numbers.begin(), the_index.numbers.end()))
        std::sort(the_index.numbers.begin(), the_index.numbers.end());
    the_index.head = head;
    the_index.generation = pool_generation();
    the_index.built = true;
    return the_index;
}

bool has_step(const destination_index& index, uint32_t number) {
    return std::binary_search(index.numbers.begin(), index.numbers.end(), number);
}

// The first step in program order whose label matches at `at`, or nullptr.
const labelled_step* find_label(const char* at) {
    destination_index& index = current_index();
    const labelled_step* best = nullptr;
    std::size_t word = 0;
    while (!is_name_delimiter(at[word])) ++word;
    auto hit = index.labels.find(folded(std::string_view(at, word)));
    if (hit != index.labels.end()) best = &hit->second;
    for (const odd_label& odd : index.odd_labels) {
        if (best && odd.where.order > best->order) break;
        if (label_matches(odd.text.c_str(), at)) return &odd.where;
    }
    return best;
}

}  // namespace

void reset_destination_index() {
    the_index.built = false;
    the_index.head = nullptr;
    the_index.numbers.clear();
    the_index.labels.clear();
    the_index.odd_labels.clear();
}

void note_step_compiled(list_node* step_node) {
    // The build driver compiles the steps one after the other; anything else
    // is a new walk, perhaps over a program that reuses the old addresses.
    if (is_end(step_node->prev) || step_node->prev != last_compiled) reset_destination_index();
    last_compiled = step_node;
}

const destination* goto_destination(const char* text, const char* cursor) {
    const char* at = skip_blanks(cursor ? cursor : "");
    if (!starts_with_folded(at, "goto")) {
        report_step_error(text, "Syntax:  ... goto < next | [1-%d] | label >", static_cast<int>(max_steps()));
        return nullptr;
    }
    return resolve_destination(text, skip_blanks(at + 4));
}

const destination* resolve_destination(const char* text, const char* at) {
    operand_mark mark(at);

    if (starts_with_folded(at, "next") && is_name_delimiter(at[4])) {
        list_node* following = is_end(current_step) ? &end_marker : current_step->next;
        if (is_end(following) || step_of(following)->number != step_of(current_step)->number + 1) {
            report_step_error(text, "The next step does not exist.");
            return nullptr;
        }
        result = {DEST_NEXT, 0};
        return &result;
    }

    int32_t number = 0;
    if (scan(at, "[%d", &number) == 1 && number != 0) {
        if (number < 0 || !has_step(current_index(), static_cast<uint32_t>(number))) {
            report_step_error(text, "The destination step does not exist.");
            return nullptr;
        }
        result = {DEST_STEP, static_cast<uint32_t>(number) - 1};
        return &result;
    }

    const labelled_step* found = find_label(at);
    if (!found) {
        report_step_error(text, "The destination label does not exist.");
        return nullptr;
    }
    result = {DEST_STEP, found->number - 1};
    return &result;
}

void append_step_index(uint32_t index) {
    append_byte(static_cast<uint8_t>(index & 0xFF));
    if (wide_numbering()) append_byte(static_cast<uint8_t>((index >> 8) & 0xFF));
}

void append_destination(const destination& dest) {
    if (dest.kind == DEST_STEP) append_step_index(dest.index);
}

}  // namespace px
