// The step graph written out: as JSON for programs, as DOT for Graphviz and
// the tools that read it, and as SVG laid out by Graphviz's own library.
#pragma once

#include <string>

#include "step_graph.h"

namespace pxc {

// {"steps": [{"step", "step_as_written", "label", "file", "line"}...],
//  "edges": [{"from", "to", "kind", "instruction"}...]}; kind is "goto" or
// "task", label "" for none. Bytes that are not UTF-8 become U+FFFD.
std::string graph_json(const step_graph& g);

// A digraph with one cluster per step file. Each step is a box showing its
// number, label and first instructions, with the SVG id "step<number>"; a
// step without code is dashed. Goto clauses are solid edges and tasks
// dashed ones, each labelled with its instruction.
std::string graph_dot(const step_graph& g);

// DOT laid out by Graphviz's dot layout and rendered as SVG, in this
// process. False, with Graphviz's reason, when it refuses the text.
bool render_svg(const std::string& dot, std::string& svg, std::string& error);

}  // namespace pxc
