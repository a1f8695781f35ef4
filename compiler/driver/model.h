// The in-memory program of one build: doubly linked lists that share one end
// marker, the step, instruction, comment and output-change records, the data
// table, and the build's memory pool with its out-of-memory policy.
//
// Every list ends in the one static end marker instead of a null pointer, so
// following a link never needs a null test and "none" is always a real node.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <string_view>

namespace px {

struct build_context;  // driver/build_context.h

struct list_node {
    list_node* prev;
    list_node* next;
    void* payload;
    uint32_t flags;
};

// The shared end marker: prev, next and payload all refer to itself.
extern list_node end_marker;
inline list_node* END = &end_marker;
inline bool is_end(const list_node* n) { return n == &end_marker; }

struct comment {
    char* text;  // none (nullptr) until set
};

struct instruction {
    char* text;           // as written in the source; none until set
    list_node* comments;  // list of comment
};

struct output_change {
    int32_t value;  // +n on, -n off, 0 all outputs off
};

struct step {
    uint32_t number;
    char* label;               // none when the step has no label
    list_node* comments;       // list of comment
    list_node* output_changes; // list of output_change, ordered by |value|
    list_node* instructions;   // list of instruction, in source order
};

struct data_table {
    int32_t rows;
    int32_t columns;
    uint16_t* elements;  // rows * columns, row-major; none when empty
};

struct program {
    list_node* steps;    // list of step, ascending by number
    char* name;          // path that names every output; none until read
    data_table* table;   // none without a data table
    list_node* editing;  // the editing position; never collected
    bool modified;
};

// The one program of the running build.
extern program the_program;

inline step* step_of(list_node* n) { return static_cast<step*>(n->payload); }
inline instruction* instruction_of(list_node* n) { return static_cast<instruction*>(n->payload); }
inline comment* comment_of(list_node* n) { return static_cast<comment*>(n->payload); }
inline output_change* output_change_of(list_node* n) { return static_cast<output_change*>(n->payload); }

// --- memory pool -----------------------------------------------------------

// Thrown by pool_alloc after the panic save, when a block could not be had.
// The export catches it and ends the build as failed; it never leaves the
// library.
struct build_abort {};

// Saves the program under file_name as try `attempt` (from 0) of one save;
// 0 when saved.
using program_saver = int (*)(build_context& build, const char* file_name, int attempt);

// Creates the pool of the build with its first 32768 bytes. False when even
// those cannot be had. When memory runs out, the pool speaks for the build
// and makes its panic save with saver: the caller hands both over, so the
// pool needs nothing of the files that the saver writes.
bool pool_create(build_context& build, program_saver saver);
// Releases the pool and every block taken from it.
void pool_destroy();
// Counts the pools created so far. State that points into a pool (the
// usage lists, the destination index) remembers the generation it was made
// in and is dropped when a later pool has taken over.
uint64_t pool_generation();

// A block of size bytes, or none for size 0. When the pool is exhausted, empty
// steps are collected and the request retried; if that fails too and no_panic
// is clear, the program is saved to "omna.vep" and the build is ended by
// throwing build_abort. With no_panic set, nullptr is returned instead.
void* pool_alloc(std::size_t size, bool no_panic = false);
void pool_free(void* block);

// A memory resource whose every allocation goes through pool_alloc, so pmr
// containers of the build obey the same policy.
std::pmr::memory_resource* pool_resource();

// A copy of text in the pool, NUL-terminated.
char* pool_strdup(std::string_view text);

// --- constructors and list primitives --------------------------------------

list_node* new_step_node();
list_node* new_instruction_node();
list_node* new_comment_node();
list_node* new_output_change_node();

list_node* insert_before(list_node* node, list_node* position);
list_node* append(list_node* node, list_node* list);
list_node* unlink(list_node* node);

// --- program operations ----------------------------------------------------

void reset_program();  // empty step list, no name, no data table
list_node* new_step_after(list_node* after, uint32_t number);
list_node* append_comm(list_node* step_node, list_node* after);
list_node* append_inst(list_node* step_node, list_node* after);
void add_output_change(list_node* step_node, int32_t value);
void delete_step(list_node* step_node);
void delete_steps(list_node* step_node);
bool is_empty_step(list_node* step_node);
// Deletes every empty step but the editing position (and keep, the step a
// reader may be filling when memory runs out). Returns the count.
int collect_empty_steps(build_context& build, list_node* keep = &end_marker);

data_table* new_data_table(int32_t rows, int32_t columns);
void free_data_table(data_table* table);

// The last step of the program, or the end marker.
list_node* last_step();

}  // namespace px
