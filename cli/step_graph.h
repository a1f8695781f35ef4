// The step graph: a program as the state machine it is, its steps and every
// way out of each.
//
// A way out is the goto clause of an instruction ("next" taken to the step
// after) or a task that "do" starts. Both are read from the step code by the
// decoders that read object files back, never from the text: the graph of a
// build attributes each decoded instruction to the source instruction that
// wrote its bytes, and the graph of an object file is the same reading
// without the sources, so that the two cannot disagree.
//
// A step is drawn when it has code, or when some way out leads to it: the
// object file keeps nothing of a step without code (a header alone), so
// neither graph shows one that nothing names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "driver/graph_record.h"
#include "driver/object_reader.h"

namespace pxc {

enum class edge_kind { go, task };  // "goto" and "task"

struct graph_edge {
    uint32_t from = 0;  // step numbers of the linked program
    uint32_t to = 0;
    edge_kind kind = edge_kind::go;
    bool by_next = false;      // a goto clause that says "next"
    uint32_t instruction = 0;  // the one it leaves by, in step_graph's instructions
};

struct graph_step {
    uint32_t step = 0;             // in the linked program
    uint32_t step_as_written = 0;  // as its file numbers it
    std::string label;             // empty: none (always, from an object file)
    std::string file;              // as the build opened it, or the object file
    uint32_t line = 0;             // of the header, from 1; 0 from an object file
    uint32_t column = 0;
    uint32_t label_line = 0;
    uint32_t label_column = 0;
    uint32_t first_instruction = 0;  // its instructions, in order, in step_graph's
    uint32_t instruction_count = 0;
    bool has_code = false;
    // Every instruction wrote code that reads back: a failed one leaves its
    // ways out out of the graph.
    bool whole = true;
    bool label_named = false;  // a goto clause or a task names the label
    bool only_chooses = true;  // every instruction only chooses where control goes
    bool ends_task = false;    // "done"
};

struct step_graph {
    std::vector<graph_step> steps;  // ascending by number
    std::vector<graph_edge> edges;  // by step, then instruction; a do's tasks before its goto clause
    // Every instruction's text (as written, or as read back from an object
    // file), one after the other: instruction i ends at instruction_ends[i].
    std::string instruction_text;
    std::vector<uint32_t> instruction_ends;

    // The step of `number`, or null.
    const graph_step* find(uint32_t number) const;
    std::string_view instruction(uint32_t i) const;
    uint32_t add_instruction(std::string_view text);
};

// The graph of a build that ran with `record` in its context; `files` are
// the recording's files, which the record's steps point into.
step_graph graph_of_build(const px::graph_record& record, const std::vector<std::string>& files);
// The graph of an object file read back; every step is placed in `file`.
step_graph graph_of_object(const px::object_contents& object, const std::string& file);

}  // namespace pxc
