// The program model and the build's memory pool.
//
// The pool is a growable arena that is released as a whole when the build
// ends: a monotonic buffer (first block 32768 bytes) under a pool resource,
// so that the few explicit frees (deleted steps, a discarded data table) are
// reused. Every block carries its size in a small header, because a pool
// resource needs the size back when a block is returned.
#include "driver/model.h"

#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "driver/diagnostics.h"
#include "driver/helpers.h"
#include "test_hooks.h"

namespace px {

list_node end_marker = {&end_marker, &end_marker, &end_marker, 0};
program the_program = {&end_marker, nullptr, nullptr, &end_marker, false};

namespace {

constexpr std::size_t INITIAL_POOL_SIZE = 32768;
// Every block starts with its size. The pool resource promises no more
// than 8-byte alignment for its blocks, whatever it is asked for, so that is
// what is asked: no record of the program needs more.
constexpr std::size_t HEADER = 16;
constexpr std::size_t BLOCK_ALIGNMENT = alignof(void*);
static_assert(alignof(list_node) <= BLOCK_ALIGNMENT && alignof(step) <= BLOCK_ALIGNMENT &&
                  alignof(instruction) <= BLOCK_ALIGNMENT && alignof(data_table) <= BLOCK_ALIGNMENT,
              "the program's records fit the pool's alignment");

// Takes memory from the system, refusing once the test cap would be passed.
class capped_resource : public std::pmr::memory_resource {
public:
    std::size_t limit = 0;
    std::size_t used = 0;

private:
    void* do_allocate(std::size_t bytes, std::size_t align) override {
        if (limit != 0 && (bytes > limit || used > limit - bytes)) throw std::bad_alloc();
        void* p = ::operator new(bytes, std::align_val_t(align));
        used += bytes;
        return p;
    }
    void do_deallocate(void* p, std::size_t bytes, std::size_t align) override {
        ::operator delete(p, std::align_val_t(align));
        used -= bytes;
    }
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }
};

struct build_pool {
    capped_resource system;
    void* first_block = nullptr;
    std::optional<std::pmr::monotonic_buffer_resource> arena;
    std::optional<std::pmr::unsynchronized_pool_resource> blocks;

    ~build_pool() {
        blocks.reset();
        arena.reset();
        if (first_block) system.deallocate(first_block, INITIAL_POOL_SIZE, HEADER);
    }
};

std::unique_ptr<build_pool> pool;
std::size_t pool_limit = 0;
bool in_panic = false;
program_saver panic_saver = nullptr;
build_context* pool_build = nullptr;  // the build the pool serves, for its last words
uint64_t generation = 0;
long allocation_to_fail = 0;  // test seam: 0 = never
long allocations_asked = 0;

// Adapter so that pmr containers of the build take their memory through
// pool_alloc and its out-of-memory policy.
class policy_resource : public std::pmr::memory_resource {
    void* do_allocate(std::size_t bytes, std::size_t) override { return pool_alloc(bytes == 0 ? 1 : bytes); }
    void do_deallocate(void* p, std::size_t, std::size_t) override { pool_free(p); }
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }
};
policy_resource policy;

void* take_block(std::size_t size) {
    if (!pool || size > SIZE_MAX - HEADER) return nullptr;
    try {
        auto* raw = static_cast<unsigned char*>(pool->blocks->allocate(size + HEADER, BLOCK_ALIGNMENT));
        std::memcpy(raw, &size, sizeof size);
        return raw + HEADER;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

template <typename T>
T* new_record() {
    return static_cast<T*>(pool_alloc(sizeof(T)));
}

list_node* new_node(void* payload) {
    auto* node = new_record<list_node>();
    node->prev = &end_marker;
    node->next = &end_marker;
    node->payload = payload;
    node->flags = 0;
    return node;
}

void free_text(char* text) {
    if (text) pool_free(text);
}

void free_comments(list_node* list) {
    while (!is_end(list)) {
        list_node* next = list->next;
        free_text(comment_of(list)->text);
        pool_free(list->payload);
        pool_free(list);
        list = next;
    }
}

}  // namespace

// --- pool ------------------------------------------------------------------

bool pool_create(build_context& build, program_saver saver) {
    pool_destroy();
    panic_saver = saver;
    pool_build = &build;
    auto p = std::make_unique<build_pool>();
    p->system.limit = pool_limit;
    try {
        p->first_block = p->system.allocate(INITIAL_POOL_SIZE, HEADER);
    } catch (const std::bad_alloc&) {
        return false;
    }
    p->arena.emplace(p->first_block, INITIAL_POOL_SIZE, &p->system);
    p->blocks.emplace(&*p->arena);
    pool = std::move(p);
    ++generation;
    allocations_asked = 0;
    return true;
}

void pool_destroy() {
    pool.reset();
    pool_build = nullptr;
    // Nothing of the program outlives its pool.
    the_program = {&end_marker, nullptr, nullptr, &end_marker, false};
}

bool pool_exists() { return pool != nullptr; }

uint64_t pool_generation() { return generation; }

void* pool_alloc(std::size_t size, bool no_panic) {
    if (size == 0) return nullptr;
    ++allocations_asked;
    bool run_dry = allocation_to_fail > 0 && allocations_asked >= allocation_to_fail;
    if (void* block = run_dry ? nullptr : take_block(size)) return block;
    if (in_panic) {
        // The saver of a panic must not start a second one.
        if (no_panic) return nullptr;
        throw build_abort{};
    }
    // Without a pool there is no build to speak for or to save.
    if (!pool_build) {
        if (no_panic) return nullptr;
        throw build_abort{};
    }
    build_context& build = *pool_build;
    // Writes held back go out before anything is given up or said.
    pass_message_barrier(build);
    // The last step may be the one the reader is filling: it stays.
    collect_empty_steps(build, last_step());
    if (void* block = run_dry ? nullptr : take_block(size)) return block;
    if (no_panic) return nullptr;
    in_panic = true;
    panic_save(build, "(Out of Memory):  Saving to file \"OMNA.VEP\".", "omna.vep",
               "Can't cope without a memory fix ... Good Bye.", panic_saver);
    in_panic = false;
    throw build_abort{};
}

void pool_free(void* block) {
    if (!block || !pool) return;
    auto* raw = static_cast<unsigned char*>(block) - HEADER;
    std::size_t size;
    std::memcpy(&size, raw, sizeof size);
    pool->blocks->deallocate(raw, size + HEADER, BLOCK_ALIGNMENT);
}

std::pmr::memory_resource* pool_resource() { return &policy; }

char* pool_strdup(std::string_view text) {
    auto* copy = static_cast<char*>(pool_alloc(text.size() + 1));
    std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}

void set_pool_limit(std::size_t bytes) { pool_limit = bytes; }

void fail_pool_allocation(long n) { allocation_to_fail = n; }

long pool_allocations() { return allocations_asked; }

// --- constructors and list primitives --------------------------------------

list_node* new_step_node() {
    auto* s = new_record<step>();
    s->number = 0;
    s->label = nullptr;
    s->comments = &end_marker;
    s->output_changes = &end_marker;
    s->instructions = &end_marker;
    return new_node(s);
}

list_node* new_instruction_node() {
    auto* i = new_record<instruction>();
    i->text = nullptr;
    i->comments = &end_marker;
    return new_node(i);
}

list_node* new_comment_node() {
    auto* c = new_record<comment>();
    c->text = nullptr;
    return new_node(c);
}

list_node* new_output_change_node() {
    auto* o = new_record<output_change>();
    o->value = 0;
    return new_node(o);
}

list_node* insert_before(list_node* node, list_node* position) {
    node->next = position;
    node->prev = position->prev;
    if (!is_end(position)) {
        if (!is_end(position->prev)) position->prev->next = node;
        position->prev = node;
    }
    return node;
}

list_node* append(list_node* node, list_node* list) {
    if (is_end(list)) {
        node->prev = &end_marker;
        node->next = &end_marker;
        return node;
    }
    list_node* last = list;
    while (!is_end(last->next)) last = last->next;
    last->next = node;
    node->prev = last;
    node->next = &end_marker;
    return list;
}

list_node* unlink(list_node* node) {
    list_node* prev = node->prev;
    list_node* next = node->next;
    if (!is_end(prev)) prev->next = next;
    if (!is_end(next)) next->prev = prev;
    node->prev = &end_marker;
    node->next = &end_marker;
    return is_end(prev) ? next : prev;
}

// --- program operations ----------------------------------------------------

void reset_program() { the_program = {&end_marker, nullptr, nullptr, &end_marker, false}; }

list_node* last_step() {
    list_node* n = the_program.steps;
    if (is_end(n)) return n;
    while (!is_end(n->next)) n = n->next;
    return n;
}

namespace {
// Links a fresh node directly after `after` in *list (or first when after is
// the end marker).
list_node* link_after(list_node** list, list_node* after, list_node* node) {
    if (is_end(after)) {
        node->next = *list;
        if (!is_end(*list)) (*list)->prev = node;
        *list = node;
    } else {
        node->prev = after;
        node->next = after->next;
        if (!is_end(after->next)) after->next->prev = node;
        after->next = node;
    }
    return node;
}
}  // namespace

list_node* new_step_after(list_node* after, uint32_t number) {
    list_node* node = new_step_node();
    step_of(node)->number = number;
    return link_after(&the_program.steps, after, node);
}

list_node* append_comm(list_node* step_node, list_node* after) {
    if (is_end(step_node)) return &end_marker;
    return link_after(&step_of(step_node)->comments, after, new_comment_node());
}

list_node* append_inst(list_node* step_node, list_node* after) {
    if (is_end(step_node)) return &end_marker;
    return link_after(&step_of(step_node)->instructions, after, new_instruction_node());
}

void add_output_change(list_node* step_node, int32_t value) {
    if (is_end(step_node)) return;
    step* s = step_of(step_node);
    list_node* node = new_output_change_node();
    output_change_of(node)->value = value;
    // Widen before taking the magnitude: |INT32_MIN| does not fit 32 bits.
    auto magnitude = [](int32_t v) { return v < 0 ? -static_cast<int64_t>(v) : static_cast<int64_t>(v); };
    int64_t wanted = magnitude(value);
    for (list_node* at = s->output_changes; !is_end(at); at = at->next) {
        int64_t existing = magnitude(output_change_of(at)->value);
        if (wanted > existing) continue;
        insert_before(node, at);
        if (at == s->output_changes) s->output_changes = node;
        if (wanted == existing) {
            // The later change of an output replaces the earlier one.
            unlink(at);
            pool_free(at->payload);
            pool_free(at);
        }
        return;
    }
    s->output_changes = append(node, s->output_changes);
}

void delete_step(list_node* step_node) {
    if (is_end(step_node)) return;
    step* s = step_of(step_node);
    if (the_program.steps == step_node) the_program.steps = step_node->next;
    if (the_program.editing == step_node) the_program.editing = the_program.steps;
    unlink(step_node);
    free_text(s->label);
    free_comments(s->comments);
    for (list_node* o = s->output_changes; !is_end(o);) {
        list_node* next = o->next;
        pool_free(o->payload);
        pool_free(o);
        o = next;
    }
    for (list_node* i = s->instructions; !is_end(i);) {
        list_node* next = i->next;
        free_text(instruction_of(i)->text);
        free_comments(instruction_of(i)->comments);
        pool_free(i->payload);
        pool_free(i);
        i = next;
    }
    pool_free(s);
    pool_free(step_node);
}

void delete_steps(list_node* step_node) {
    if (is_end(step_node)) return;
    list_node* last = step_node;
    while (!is_end(last->next)) last = last->next;
    // Last first, back to the given step.
    for (;;) {
        list_node* prev = last->prev;
        bool done = last == step_node;
        delete_step(last);
        if (done) break;
        last = prev;
    }
}

bool is_empty_step(list_node* step_node) {
    if (is_end(step_node)) return false;
    const step* s = step_of(step_node);
    return s->label == nullptr && is_end(s->comments) && is_end(s->output_changes) && is_end(s->instructions);
}

int collect_empty_steps(build_context& build, list_node* keep) {
    log_message(build, LOG_INFO, "Garbage collecting...");
    int count = 0;
    for (list_node* n = the_program.steps; !is_end(n);) {
        list_node* next = n->next;
        if (n != the_program.editing && n != keep && is_empty_step(n)) {
            delete_step(n);
            ++count;
        }
        n = next;
    }
    log_message(build, LOG_INFO, "Garbage collected %d empty step%s.", count, plural_suffix(count));
    return count;
}

data_table* new_data_table(int32_t rows, int32_t columns) {
    auto* t = new_record<data_table>();
    t->rows = rows;
    t->columns = columns;
    t->elements = nullptr;
    int64_t count = static_cast<int64_t>(rows) * columns;
    if (count > 0) {
        t->elements = static_cast<uint16_t*>(pool_alloc(static_cast<std::size_t>(count) * sizeof(uint16_t)));
        std::memset(t->elements, 0, static_cast<std::size_t>(count) * sizeof(uint16_t));
    }
    return t;
}

void free_data_table(data_table* table) {
    if (!table) return;
    pool_free(table->elements);
    pool_free(table);
}

}  // namespace px
