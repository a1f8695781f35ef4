// Where everything of a program came from, and the diagnostics of a build,
// for callers that show each message at its file, line and column.
//
// Nothing here changes what a build writes. A caller that wants the record
// points `recording` at one for the length of a build; without it the reader
// and the two message routines note nothing. The places are kept beside the
// program, keyed by its nodes, and are resolved into plain text the moment a
// message is issued, because the nodes go with the build's pool.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "driver/model.h"

namespace px {

struct source_location {
    std::string file;      // as the library opened it; empty: the build as a whole
    uint32_t line = 0;     // from 1; 0 when the message concerns the whole file
    uint32_t column = 0;   // in bytes from 1; 0 with line 0
};

struct diagnostic {
    int level = 0;               // LOG_WARNING, LOG_ERROR or LOG_PANIC
    bool compile_error = false;  // counted in the status byte and the error file
    std::string message;         // as the log shows it, without its level prefix
    source_location where;
    uint32_t step = 0;             // compile errors: the step after linking, 0 for none
    uint32_t step_as_written = 0;  // the same step as its file numbers it
};

// What a place is the place of.
enum place_kind : uint8_t { PLACE_STEP, PLACE_LABEL, PLACE_OUTPUT, PLACE_INSTRUCTION };

struct place {
    uint32_t file;  // index into build_recording::files
    uint32_t line;
    uint32_t column;
};

// A table from node keys to values. A build notes tens of thousands of
// places, in reading order, and looks up only the few that messages need: a
// note is an append, and the table is sorted when a look-up finds it
// unsorted. The last value noted for a key wins.
template <typename Key, typename Value, typename Less>
class note_table {
public:
    void note(const Key& key, const Value& value) {
        entries_.push_back({key, value});
        sorted_ = false;
    }
    const Value* find(const Key& key) {
        if (!sorted_) sort();
        auto at = std::lower_bound(entries_.begin(), entries_.end(), key,
                                   [](const entry& e, const Key& k) { return Less()(e.key, k); });
        return at != entries_.end() && !Less()(key, at->key) ? &at->value : nullptr;
    }
    void clear() {
        entries_.clear();
        sorted_ = true;
    }

private:
    struct entry {
        Key key;
        Value value;
    };
    void sort() {
        // Stable, so that of equal keys the one noted last stays last; then
        // it alone is kept.
        std::stable_sort(entries_.begin(), entries_.end(),
                         [](const entry& a, const entry& b) { return Less()(a.key, b.key); });
        std::size_t kept = 0;
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            if (i + 1 < entries_.size() && !Less()(entries_[i].key, entries_[i + 1].key)) continue;
            entries_[kept++] = entries_[i];
        }
        entries_.resize(kept);
        sorted_ = true;
    }
    std::vector<entry> entries_;
    bool sorted_ = true;
};

struct build_recording {
    std::string path;  // what the caller asked to build: where file-wide messages go
    std::vector<diagnostic> diagnostics;
    std::string object_file;  // the object file's name once the build has opened it
    bool aborted = false;     // the build stopped writing (a listing or error file failed)

    // Filled while the build runs.
    struct key {
        const void* node;
        place_kind kind;
        int32_t value;  // the output number of an output-change entry
        bool operator==(const key&) const = default;
    };
    struct key_less {
        bool operator()(const key& a, const key& b) const noexcept {
            if (a.node != b.node) return std::less<const void*>()(a.node, b.node);
            if (a.kind != b.kind) return a.kind < b.kind;
            return a.value < b.value;
        }
    };
    std::vector<std::string> files;
    note_table<key, place, key_less> places;
    note_table<const void*, uint32_t, std::less<const void*>> written_numbers;  // step node -> number as written
    bool pending = false;  // the next message happened at `pending_place`
    place pending_place{};
    const char* operand = nullptr;  // the operand being read, inside the working text
    bool output_marked = false;     // the output change being encoded
    int32_t output_value = 0;
    const void* label_step = nullptr;  // the label being checked
    int32_t last_number = 0;           // the resource number recorded last
};

// The record of the running build, or none.
extern build_recording* recording;

// Called by the readers. Each does nothing without a recording.
uint32_t note_file(const char* name);
void note_place(const void* node, place_kind kind, int32_t value, uint32_t file, uint32_t line, uint32_t column);
void note_step_written(const void* step_node, uint32_t number);
// The next message (log or compile error) happened here, or concerns the
// named file as a whole.
void note_message_place(uint32_t file, uint32_t line, uint32_t column);
void note_message_file(const char* name);

// While one lives, messages point at the operand at `at` (inside the
// instruction's working text), the output change `value` of the current
// step, or the label of `step_node`.
struct operand_mark {
    explicit operand_mark(const char* at);
    ~operand_mark();
    operand_mark(const operand_mark&) = delete;
    operand_mark& operator=(const operand_mark&) = delete;
    const char* saved;
};
struct output_mark {
    explicit output_mark(int32_t value);
    ~output_mark();
    output_mark(const output_mark&) = delete;
    output_mark& operator=(const output_mark&) = delete;
};
struct label_mark {
    explicit label_mark(const void* step_node);
    ~label_mark();
    label_mark(const label_mark&) = delete;
    label_mark& operator=(const label_mark&) = delete;
};

// While one lives, no mark and no noted place is in force: a message about
// something done earlier (a write held back) points where that was done.
struct marks_set_aside {
    marks_set_aside();
    ~marks_set_aside();
    marks_set_aside(const marks_set_aside&) = delete;
    marks_set_aside& operator=(const marks_set_aside&) = delete;
    bool pending = false;
    const char* operand = nullptr;
    bool output_marked = false;
    const void* label_step = nullptr;
};

// The step compiler's working text of the instruction it compiles: operand
// marks point into it, and columns count from its start.
void note_working_text(const std::string* text);

// Called by the two message routines.
void record_log_message(int level, const std::string& message);
void record_step_error(const char* instruction_text, const std::string& message);

}  // namespace px
