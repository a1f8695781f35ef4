// Where everything of a program came from, and the diagnostics of a build,
// for callers that show each message at its file, line and column.
//
// Nothing here changes what a build writes. A caller that wants the record
// puts one in the build's context; without it the readers and the two
// message routines note nothing. The places are kept beside the
// program, keyed by its nodes, and are resolved into plain text the moment a
// message is issued, because the nodes go with the build's pool.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "driver/build_context.h"
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
    uint32_t length = 0;         // characters marked from the column; 0: as far as the word there goes
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
};

// Where a log message points: a line and column of a file, or (line 0) the
// file as a whole.
struct file_place {
    uint32_t file = 0;  // from note_file
    uint32_t line = 0;
    uint32_t column = 0;
};

// What a compile error is about, handed to report_step_error with it: the
// step the listing names and the part of that step the message points at.
struct message_place {
    enum kind_t : uint8_t {
        INSTRUCTION,  // the instruction being compiled, or the step's header when there is none
        OPERAND,      // a part of the instruction being compiled
        OUTPUT,       // an output change of the step
        LABEL,        // the label of another step
        STEP,         // the step's header
        POSITION,     // a place in a file being read
    };
    kind_t kind = INSTRUCTION;
    const list_node* step = nullptr;      // null: the step being compiled (current_step)
    const list_node* label_of = nullptr;  // LABEL: the step whose label
    int32_t output = 0;                   // OUTPUT: the entry's value
    uint32_t offset = 0;                  // OPERAND: from the instruction's first character
    uint32_t length = 0;                  // OPERAND: characters, at least 1
    file_place position;                  // POSITION
};

inline message_place at_operand(uint32_t offset, uint32_t length) {
    message_place p;
    p.kind = message_place::OPERAND;
    p.offset = offset;
    p.length = length;
    return p;
}
inline message_place at_output(int32_t value) {
    message_place p;
    p.kind = message_place::OUTPUT;
    p.output = value;
    return p;
}
inline message_place at_label(const list_node* step_node) {
    message_place p;
    p.kind = message_place::LABEL;
    p.label_of = step_node;
    return p;
}
inline message_place at_position(const file_place& position) {
    message_place p;
    p.kind = message_place::POSITION;
    p.position = position;
    return p;
}
inline message_place at_step(const list_node* step_node) {
    message_place p;
    p.kind = message_place::STEP;
    p.step = step_node;
    return p;
}

// Called by the readers. Each does nothing without a recording.
uint32_t note_file(build_context& build, const char* name);
void note_place(build_context& build, const void* node, place_kind kind, int32_t value, uint32_t file,
                uint32_t line, uint32_t column);
void note_step_written(build_context& build, const void* step_node, uint32_t number);

// Called by the two message routines, with the place the message carries
// (none for a log message about the build as a whole).
void record_log_message(build_context& build, int level, const std::string& message, const file_place* where);
void record_step_error(build_context& build, const message_place& where, const char* instruction_text,
                       const std::string& message);

}  // namespace px
