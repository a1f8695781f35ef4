// The state of one build that is not the library's own: what a caller
// records of the build, the step compiler's code buffer and working text,
// the index of labels and step numbers, and the records the object file
// holds back. A build's caller makes one and hands it down to every part
// that takes part in the build, so nothing of it outlives the build or
// leaks from one build into the next. The program, its pool, the
// configuration and the build counters (error_count, current_step, ...)
// remain the library-wide state they have always been.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "driver/model.h"
#include "platform/file_names.h"

namespace px {

struct build_recording;  // driver/source_places.h
struct graph_record;     // driver/graph_record.h
struct symbol_record;    // driver/symbol_record.h

// Byte 0 of a step code image holds L, the number of code bytes after it
// (at most 255). The buffer is twice that, so a family never has to check
// for room; an over-long step is cut back once it is complete.
constexpr int STEP_CODE_BUFFER = 512;
constexpr int STEP_CODE_MAX = 255;

// Labels and step numbers of the program, indexed on first use so that a
// goto clause never walks the program. It holds step numbers, never nodes.
struct destination_index {
    struct labelled_step {
        std::size_t order;  // position in the program: the first one wins
        uint32_t number;
    };
    struct odd_label {
        std::string text;
        labelled_step where;
    };
    bool built = false;
    list_node* head = nullptr;           // first step of the program it was built for
    uint64_t generation = 0;             // the pool that program lives in
    list_node* last_compiled = nullptr;  // the walk the index belongs to
    std::vector<uint32_t> numbers;       // ascending, as the steps are
    // Labels made of name characters only, folded: such a label matches
    // exactly when it equals the destination's first word.
    std::unordered_map<std::string, labelled_step> labels;
    // Labels holding a character that ends a name cannot be found by the
    // first word; they are few and tried one by one, in program order.
    std::vector<odd_label> odd_labels;
};

// The object file's records, held in memory and written many at a time.
struct record_hold {
    static constexpr std::size_t BYTES = 64 * 1024;
    static constexpr std::size_t RECORDS = 2048;
    struct held_record {
        uint32_t end;  // just past the record in the hold
        const char* message;
        // What a report of the record names, as it was when the record was made.
        list_node* step;
        uint32_t program_bytes;
    };
    int fd = -1;
    bool compiling = true;  // until the trailer: a stop unwinds the step being compiled
    bool writing = false;   // the reports of a short write must not write again
    std::size_t count = 0;
    uint32_t used = 0;
    held_record records[RECORDS];
    uint8_t bytes[BYTES];
};

struct build_context {
    // Every message with its place, for a caller that shows them; none for
    // the export.
    build_recording* recording = nullptr;
    // What the step compiler wrote for each step, for a caller that draws
    // the program; none for the export.
    graph_record* graph = nullptr;
    // The steps, destinations and resource uses for an editor, beside the
    // recording; none for the export and pxc's builds.
    symbol_record* symbols = nullptr;
    // Where the build reads and writes its files.
    file_system* files = &disk();

    // The step being compiled: its code image and write position, and the
    // instruction being compiled, lowercased with one blank appended, kept
    // on the heap and grown to fit.
    uint8_t step_code[STEP_CODE_BUFFER] = {};
    int write_position = 1;
    std::string working;

    destination_index destinations;

    // While the object file is open (none when it could not be had: the
    // records then go out one by one).
    std::unique_ptr<record_hold> hold;
    // A writer that holds writes back (the object file) lets them go before
    // any message goes out, so that a failed write is still reported in its
    // place among the messages. The log, the reports and the pool's
    // out-of-memory path call it first.
    void (*before_message)(build_context& build) = nullptr;
};

}  // namespace px
